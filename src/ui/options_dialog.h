// The Options dialog: General, Columns, Protocol Colours, Protocol Options.
#pragma once

#include <QDialog>
#include <vector>

#include "output/forms/options_form.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QListWidget;

namespace kestle {
struct Environment;
class Notifier;
}  // namespace kestle

namespace kestle::ui {

class OptionsDialog : public QDialog {
  Q_OBJECT
 public:
  OptionsDialog(Environment& env, Notifier& notifier, QWidget* parent = nullptr);

  // Fills every page from the current settings (called before each show).
  void LoadFromSettings();
  // OK: checks the form; stores it and closes, or shows the message.
  void accept() override;

  // The form as the controls hold it.
  OptionsForm Form() const;

  QListWidget* Columns() const { return columns_; }
  QLineEdit* MaxPackets() const { return maxPackets_; }
  QLineEdit* FirstFrame() const { return firstFrame_; }
  QLineEdit* MaxSessions() const { return maxSessions_; }
  QCheckBox* AutoExpand() const { return autoExpand_; }
  QCheckBox* ColourGrid() const { return colourGrid_; }
  QCheckBox* HostLookup() const { return hostLookup_; }
  QComboBox* TimeFormat() const { return timeFormat_; }
  QListWidget* Protocols() const { return protocols_; }
  QComboBox* ColourPicker() const { return colours_; }

 public slots:
  void MoveUp();
  void MoveDown();

 private:
  void ProtocolSelected();
  void ColourChosen(int index);

  Environment& env_;
  Notifier& notifier_;
  QCheckBox *autoExpand_, *colourGrid_, *hostLookup_, *displayLength_;
  QComboBox* timeFormat_;
  QLineEdit *maxPackets_, *firstFrame_, *maxSessions_;
  QListWidget* columns_;
  QListWidget* protocols_;
  QComboBox* colours_;
  QCheckBox *dscp_, *snmpNumeric_, *buildSessions_;
  std::vector<uint32_t> workColours_;
};

}  // namespace kestle::ui
