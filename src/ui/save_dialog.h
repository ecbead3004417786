// "Save As": the selected, tagged, shown or a range of frames written to a
// new file (pcapng, pcap or Sniffer, the Sniffer format unless another is
// chosen), with progress and Cancel.
#pragma once

#include <QDialog>
#include <functional>

#include "frame_choice_box.h"
#include "output/save_formats.h"

class QComboBox;
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
  // The default one also sets the format from the file type chosen.
  std::function<QString()> AskFileName;
  // A question before writing: 1 yes, 0 no, -1 cancel. A message box by
  // default; tests put their own.
  std::function<int(const QString& question)> AskQuestion;

  // The file type: the Format box, which the file dialog's type follows.
  SaveFormat Format() const;
  void SetFormat(SaveFormat f);
  QComboBox* FormatBox() const { return format_; }

  QRadioButton* SelectedButton() const { return frames_->Selected(); }
  QRadioButton* TaggedButton() const { return frames_->Tagged(); }
  QRadioButton* AllButton() const { return frames_->All(); }
  QRadioButton* RangeButton() const { return frames_->Range(); }
  QLineEdit* RangeFirst() const { return frames_->First(); }
  QLineEdit* RangeLast() const { return frames_->Last(); }
  QProgressBar* Progress() const { return progress_; }
  QPushButton* SaveButton() const { return save_; }
  QPushButton* CancelButton() const { return cancel_; }
  bool Writing() const { return writing_; }

  // Escape or closing the window while writing asks the writing to stop.
  void reject() override;

 private:
  void SaveClicked();
  QString DefaultAskFileName();

  CaptureSession& session_;
  Notifier& notifier_;
  FrameChoiceBox* frames_;
  QComboBox* format_;
  QProgressBar* progress_;
  QPushButton* save_;
  QPushButton* cancel_;
  bool writing_ = false;
  bool cancelRequested_ = false;
};

}  // namespace kestle::ui
