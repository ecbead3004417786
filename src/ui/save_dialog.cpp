#include "save_dialog.h"

#include <QApplication>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "capture/notifier.h"
#include "decode/config/environment.h"
#include "decode/session.h"
#include "output/filter.h"
#include "output/frame_choice.h"
#include "output/save.h"

namespace kestle::ui {

SaveDialog::SaveDialog(CaptureSession& session, Notifier& notifier, QWidget* parent)
    : QDialog(parent), session_(session), notifier_(notifier) {
  setWindowTitle("Save As");
  setObjectName("frmSave");
  selected_ = new QRadioButton("Save Selected Frame");
  selected_->setObjectName("rbSaveSel");
  tagged_ = new QRadioButton("Save Tagged Frames");
  tagged_->setObjectName("rbSaveTagged");
  all_ = new QRadioButton("Save All Frames");
  all_->setObjectName("rbSaveAll");
  range_ = new QRadioButton("Save Frame Range");
  range_->setObjectName("rbSaveRange");
  first_ = new QLineEdit;
  first_->setObjectName("edRangeFirst");
  last_ = new QLineEdit;
  last_->setObjectName("edRangeLast");
  progress_ = new QProgressBar;
  progress_->setObjectName("pbSave");
  progress_->setTextVisible(false);
  save_ = new QPushButton("Save");
  save_->setObjectName("btnSave");
  save_->setDefault(true);
  cancel_ = new QPushButton("Cancel");
  cancel_->setObjectName("btnCancel");

  auto* choices = new QGridLayout;
  choices->addWidget(selected_, 0, 0, 1, 4);
  choices->addWidget(tagged_, 1, 0, 1, 4);
  choices->addWidget(all_, 2, 0, 1, 4);
  choices->addWidget(range_, 3, 0);
  choices->addWidget(first_, 3, 1);
  choices->addWidget(new QLabel("to"), 3, 2);
  choices->addWidget(last_, 3, 3);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(save_);
  buttons->addWidget(cancel_);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(choices);
  layout->addWidget(progress_);
  layout->addLayout(buttons);

  for (QRadioButton* b : {selected_, tagged_, all_, range_})
    connect(b, &QRadioButton::toggled, this, [this](bool on) {
      if (on) ChoiceChanged();
    });
  connect(save_, &QPushButton::clicked, this, &SaveDialog::SaveClicked);
  connect(cancel_, &QPushButton::clicked, this, &SaveDialog::reject);
  AskFileName = [this] { return DefaultAskFileName(); };
}

int SaveDialog::Run(bool filterActive) {
  writing_ = cancelRequested_ = false;
  progress_->setRange(0, 1);
  progress_->setValue(0);
  all_->setText(filterActive ? "Save All Filtered Frames" : "Save All Frames");
  tagged_->setEnabled(AnyShownFrameTagged(session_));
  first_->setText(QString::fromStdString(RangeBoxFirst(session_)));
  last_->setText(QString::fromStdString(RangeBoxLast(session_)));
  selected_->setChecked(true);
  ChoiceChanged();
  return exec();
}

void SaveDialog::ChoiceChanged() {
  const bool range = range_->isChecked();
  first_->setEnabled(range);
  last_->setEnabled(range);
  if (range) first_->setFocus();
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
  FrameChoice choice = FrameChoice::Selected;
  if (tagged_->isChecked()) choice = FrameChoice::Tagged;
  if (all_->isChecked()) choice = FrameChoice::All;
  FrameRange range;
  if (range_->isChecked()) {
    choice = FrameChoice::Range;
    const std::string a = first_->text().toStdString(), b = last_->text().toStdString();
    if (const char* m = ParseFrameRange(a, b, session_.Env.settings.FirstFrame,
                                        rangemsg::kInvalidFrameRange, range)) {
      notifier_.Message(m);
      return;
    }
  }
  const std::vector<uint32_t> frames = ChosenFrames(session_, choice, range);
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
