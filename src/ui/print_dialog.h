// "Print": chosen frames printed, or written to a text file, with their
// grid row and, when chosen, their detail and dump. Printing goes through
// Qt's printing, to an installed printer or to a PDF file.
#pragma once

#include <QDialog>
#include <QStringList>
#include <functional>
#include <memory>

#include "frame_choice_box.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QPrinter;
class QPushButton;
class QRadioButton;

namespace kestle {
class CaptureSession;
class Notifier;
struct PrintChoices;
}  // namespace kestle

namespace kestle::ui {

class PrintDialog : public QDialog {
  Q_OBJECT
 public:
  // The printer list's last entry, always there: Qt's PDF writer.
  static constexpr const char* kPdfEntry = "PDF File";

  PrintDialog(CaptureSession& session, Notifier& notifier, QWidget* parent = nullptr);
  ~PrintDialog() override;

  // Shows the dialog modally. "Print To", detail and dump keep their
  // choices from the last time.
  int Run();
  // Prints the chosen frames to `printer` (already set up), page by page.
  // Returns the number of pages, 0 when the printer could not be started.
  int PrintPages(QPrinter& printer, const std::vector<uint32_t>& frames,
                 const PrintChoices& choices);

  // The installed printers and the default one; the platform's by default.
  std::function<QStringList()> PrinterNames;
  std::function<QString()> DefaultPrinter;
  // The file asked for: the text file (pdf false) or the PDF file; "" when
  // the user cancels.
  std::function<QString(bool pdf)> AskFileName;

  QGroupBox* PrintTo() const { return printTo_; }
  QRadioButton* ToPrinter() const { return toPrinter_; }
  QRadioButton* ToFile() const { return toFile_; }
  QComboBox* Printers() const { return printers_; }
  QPushButton* SetupButton() const { return setup_; }
  QRadioButton* SelectedButton() const { return frames_->Selected(); }
  QRadioButton* TaggedButton() const { return frames_->Tagged(); }
  QRadioButton* AllButton() const { return frames_->All(); }
  QRadioButton* RangeButton() const { return frames_->Range(); }
  QLineEdit* RangeFirst() const { return frames_->First(); }
  QLineEdit* RangeLast() const { return frames_->Last(); }
  QCheckBox* Detail() const { return detail_; }
  QCheckBox* Dump() const { return dump_; }
  QPushButton* OkButton() const { return ok_; }
  QPushButton* CancelButton() const { return cancel_; }
  bool Printing() const { return printing_; }

  // Escape or closing the window during a job asks the job to stop.
  void reject() override;

 private:
  void DestinationChanged();
  void Setup();
  void OkClicked();
  bool KeepGoing();
  QString DefaultAskFileName(bool pdf);

  CaptureSession& session_;
  Notifier& notifier_;
  std::unique_ptr<QPrinter> printer_;
  bool chosenBefore_ = false;
  bool printing_ = false;
  bool cancelRequested_ = false;

  QGroupBox* printTo_;
  QRadioButton* toPrinter_;
  QRadioButton* toFile_;
  QComboBox* printers_;
  QPushButton* setup_;
  FrameChoiceBox* frames_;
  QCheckBox* detail_;
  QCheckBox* dump_;
  QPushButton* ok_;
  QPushButton* cancel_;
};

}  // namespace kestle::ui
