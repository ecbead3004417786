#include "save_dialog.h"

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "capture/notifier.h"
#include "decode/config/environment.h"
#include "decode/session.h"
#include "output/frame_choice.h"
#include "output/save.h"
#include "output/save_formats.h"

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
  format_ = new QComboBox;
  format_->setObjectName("cbSaveFormat");
  // In the order offered; the Sniffer format stays the default.
  for (SaveFormat f : {SaveFormat::Pcapng, SaveFormat::Pcap, SaveFormat::Sniffer})
    format_->addItem(QString::fromUtf8(SaveFormatCaption(f).data(),
                                       static_cast<int>(SaveFormatCaption(f).size())),
                     static_cast<int>(f));
  SetFormat(SaveFormat::Sniffer);
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
  auto* type = new QFormLayout;
  type->addRow("File type:", format_);
  layout->addLayout(type);
  layout->addWidget(progress_);
  layout->addLayout(buttons);

  connect(save_, &QPushButton::clicked, this, &SaveDialog::SaveClicked);
  connect(cancel_, &QPushButton::clicked, this, &SaveDialog::reject);
  AskFileName = [this] { return DefaultAskFileName(); };
  AskQuestion = [this](const QString& question) {
    const auto b = QMessageBox::question(this, "Save As", question,
                                         QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    return b == QMessageBox::Yes ? 1 : b == QMessageBox::No ? 0 : -1;
  };
}

SaveFormat SaveDialog::Format() const {
  return static_cast<SaveFormat>(format_->currentData().toInt());
}

void SaveDialog::SetFormat(SaveFormat f) {
  const int i = format_->findData(static_cast<int>(f));
  if (i >= 0) format_->setCurrentIndex(i);
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
  struct Type {
    SaveFormat Format;
    const char* Filter;
    const char* Suffix;
  };
  const Type types[] = {{SaveFormat::Pcapng, "pcapng (*.pcapng)", "pcapng"},
                        {SaveFormat::Pcap, "pcap (*.pcap)", "pcap"},
                        {SaveFormat::Sniffer, "Network Sniffer (*.enc)", "enc"}};
  QStringList filters;
  for (const Type& t : types) filters << t.Filter;
  dialog.setNameFilters(filters);
  for (const Type& t : types)
    if (t.Format == Format()) {
      dialog.selectNameFilter(t.Filter);
      dialog.setDefaultSuffix(t.Suffix);
    }
  connect(&dialog, &QFileDialog::filterSelected, &dialog, [&](const QString& filter) {
    for (const Type& t : types)
      if (filter == t.Filter) dialog.setDefaultSuffix(t.Suffix);
  });
  // The file dialog asks before an existing file is replaced.
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  for (const Type& t : types)
    if (dialog.selectedNameFilter() == t.Filter) SetFormat(t.Format);
  return dialog.selectedFiles().front();
}

void SaveDialog::SaveClicked() {
  if (writing_) return;
  const QString name = AskFileName ? AskFileName() : QString();
  if (name.isEmpty()) return;
  std::vector<uint32_t> frames;
  if (!frames_->Chosen(session_, rangemsg::kInvalidFrameRange, notifier_, frames)) return;
  const std::vector<SaveFrameRef> refs = SaveFrameRefs(session_, frames);
  // A name that asks for another format than the type chosen is asked
  // about, never written in a format it does not name.
  SaveFormat format = Format();
  const std::optional<SaveFormat> byName = SaveFormatOfName(name.toStdString());
  if (byName && *byName != format) {
    const int answer = AskQuestion(QString::fromStdString(NameDisagreesQuestion(*byName, format)));
    if (answer < 0) return;
    if (answer > 0) format = *byName;
  }
  if (format == SaveFormat::Pcap) {
    const PcapLinkChoice link = ChoosePcapLinkType(refs);
    if (link.Others != 0) {
      const int answer = AskQuestion(QString::fromStdString(PcapLeavesOutQuestion(link.Others)));
      if (answer < 0) return;
      if (answer > 0) format = SaveFormat::Pcapng;
    }
  }
  writing_ = true;
  cancelRequested_ = false;
  save_->setEnabled(false);
  progress_->setRange(0, std::max<int>(1, static_cast<int>(frames.size())));
  progress_->setValue(0);
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const SaveOutcome r = SaveFrames(format, session_.Input, refs, name.toStdString(),
                                   [this](uint32_t written, uint32_t) {
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
