#include "save_dialog.h"

#include <QApplication>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "capture/notifier.h"
#include "decode/config/environment.h"
#include "decode/session.h"
#include "output/frame_choice.h"
#include "output/save.h"

namespace kestle::ui {

SaveDialog::SaveDialog(CaptureSession& session, Notifier& notifier, QWidget* parent)
    : QDialog(parent), session_(session), notifier_(notifier) {
  setWindowTitle("Save As");
  setObjectName("frmSave");
  frames_ = new FrameChoiceBox({{"Save Selected Frame", "rbSaveSel"},
                                {"Save Tagged Frames", "rbSaveTagged"},
                                {"Save All Frames", "rbSaveAll"},
                                {"Save Frame Range", "rbSaveRange"},
                                "edRangeFirst",
                                "edRangeLast"});
  progress_ = new QProgressBar;
  progress_->setObjectName("pbSave");
  progress_->setTextVisible(false);
  save_ = new QPushButton("Save");
  save_->setObjectName("btnSave");
  save_->setDefault(true);
  cancel_ = new QPushButton("Cancel");
  cancel_->setObjectName("btnCancel");

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(save_);
  buttons->addWidget(cancel_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(frames_);
  layout->addWidget(progress_);
  layout->addLayout(buttons);

  connect(save_, &QPushButton::clicked, this, &SaveDialog::SaveClicked);
  connect(cancel_, &QPushButton::clicked, this, &SaveDialog::reject);
  AskFileName = [this] { return DefaultAskFileName(); };
}

int SaveDialog::Run(bool filterActive) {
  writing_ = cancelRequested_ = false;
  progress_->setRange(0, 1);
  progress_->setValue(0);
  frames_->All()->setText(filterActive ? "Save All Filtered Frames" : "Save All Frames");
  frames_->Reset(session_);
  return exec();
}

QString SaveDialog::DefaultAskFileName() {
  QFileDialog dialog(this, "Save As");
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setNameFilters({"Network Sniffer (*.enc)"});
  dialog.setDefaultSuffix("enc");
  // The file dialog asks before an existing file is replaced.
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().front();
}

void SaveDialog::SaveClicked() {
  if (writing_) return;
  const QString name = AskFileName ? AskFileName() : QString();
  if (name.isEmpty()) return;
  std::vector<uint32_t> frames;
  if (!frames_->Chosen(session_, rangemsg::kInvalidFrameRange, notifier_, frames)) return;
  writing_ = true;
  cancelRequested_ = false;
  save_->setEnabled(false);
  progress_->setRange(0, std::max<int>(1, static_cast<int>(frames.size())));
  progress_->setValue(0);
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const SaveOutcome r = SaveAsSniffer(session_.Input, SaveFrameRefs(session_, frames),
                                      name.toStdString(), [this](uint32_t written, uint32_t) {
                                        progress_->setValue(static_cast<int>(written));
                                        // Cancel can be clicked between frames.
                                        QApplication::processEvents();
                                        return !cancelRequested_;
                                      });
  QApplication::restoreOverrideCursor();
  writing_ = false;
  save_->setEnabled(true);
  if (!r.Ok) {
    notifier_.Message(r.Message);
    return;
  }
  if (r.Skipped != 0) notifier_.Message(SkippedFramesNote(r.Skipped));
  accept();
}

void SaveDialog::reject() {
  if (writing_) {
    // Stops after the frame being written; the file keeps what was written.
    cancelRequested_ = true;
    return;
  }
  QDialog::reject();
}

}  // namespace kestle::ui
