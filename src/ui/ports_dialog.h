// The port description dialogs: the list of the table (a working copy that
// OK copies back) and the editor of one entry.
#pragma once

#include <QDialog>
#include <vector>

#include "decode/config/port_table.h"

class QButtonGroup;
class QComboBox;
class QLineEdit;
class QTableWidget;

namespace kestle {
class Notifier;
}

namespace kestle::ui {

class EditPortDialog : public QDialog {
  Q_OBJECT
 public:
  EditPortDialog(Notifier& notifier, QWidget* parent = nullptr);
  // Add mode: an empty entry. Modify mode: `entry` with its port read-only.
  void StartAdd();
  void StartModify(const WellKnownRec& entry);
  // `entries` is the working copy the checks run against.
  void SetEntries(const std::vector<WellKnownRec>* entries) { entries_ = entries; }
  void accept() override;
  // The entry as entered (valid after OK).
  const WellKnownRec& Result() const { return result_; }

  QLineEdit* PortField() const { return port_; }
  QLineEdit* DescriptionField() const { return description_; }
  QComboBox* DecoderBox() const { return decoder_; }
  void SetType(uint8_t type);

 private:
  Notifier& notifier_;
  const std::vector<WellKnownRec>* entries_ = nullptr;
  bool addMode_ = true;
  QLineEdit* port_;
  QLineEdit* description_;
  QButtonGroup* type_;
  QComboBox* decoder_;
  WellKnownRec result_;
};

class PortsDialog : public QDialog {
  Q_OBJECT
 public:
  PortsDialog(PortTable& table, Notifier& notifier, QWidget* parent = nullptr);
  void accept() override;

  std::vector<WellKnownRec>& Working() { return work_; }
  QTableWidget* Grid() const { return grid_; }
  EditPortDialog* Editor() const { return editor_; }
  // The commands; the editor's result is taken when it ends with OK.
  void Add();
  void Modify();
  void Delete();
  void Refresh();

 private:
  int SelectedEntry() const;  // index into the working copy, or -1

  PortTable& table_;
  std::vector<WellKnownRec> work_;
  QTableWidget* grid_;
  EditPortDialog* editor_;
};

}  // namespace kestle::ui
