// "Save As": the selected, tagged, shown or a range of frames written to a
// new Sniffer file, with progress and Cancel.
#pragma once

#include <QDialog>
#include <functional>

class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;

namespace kestle {
class CaptureSession;
class Notifier;
}  // namespace kestle

namespace kestle::ui {

class SaveDialog : public QDialog {
  Q_OBJECT
 public:
  SaveDialog(CaptureSession& session, Notifier& notifier, QWidget* parent = nullptr);

  // Shows the dialog modally, "Save Selected Frame" chosen; `filterActive`
  // names the all-frames choice after the filter.
  int Run(bool filterActive);
  // The output file's name, asked when Save is pressed ("" when the user
  // cancels). A save dialog by default; tests put their own.
  std::function<QString()> AskFileName;

  QRadioButton* SelectedButton() const { return selected_; }
  QRadioButton* TaggedButton() const { return tagged_; }
  QRadioButton* AllButton() const { return all_; }
  QRadioButton* RangeButton() const { return range_; }
  QLineEdit* RangeFirst() const { return first_; }
  QLineEdit* RangeLast() const { return last_; }
  QProgressBar* Progress() const { return progress_; }
  QPushButton* SaveButton() const { return save_; }
  QPushButton* CancelButton() const { return cancel_; }
  bool Writing() const { return writing_; }

  // Escape or closing the window while writing asks the writing to stop.
  void reject() override;

 private:
  void ChoiceChanged();
  void SaveClicked();
  QString DefaultAskFileName();

  CaptureSession& session_;
  Notifier& notifier_;
  QRadioButton* selected_;
  QRadioButton* tagged_;
  QRadioButton* all_;
  QRadioButton* range_;
  QLineEdit* first_;
  QLineEdit* last_;
  QProgressBar* progress_;
  QPushButton* save_;
  QPushButton* cancel_;
  bool writing_ = false;
  bool cancelRequested_ = false;
};

}  // namespace kestle::ui
