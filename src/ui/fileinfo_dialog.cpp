#include "fileinfo_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "output/fileinfo.h"

namespace kestle::ui {

FileInfoDialog::FileInfoDialog(const CaptureSession& session, QWidget* parent) : QDialog(parent) {
  setWindowTitle("Kestle - File Information");
  setObjectName("frmFileInfo");
  static constexpr const char* kControls[] = {"labFileName", "labFileType",   "labFileDate",
                                              "labFileSize", "labFileFrames", "labTCPSessions",
                                              "labAveSize"};
  auto* form = new QFormLayout;
  size_t i = 0;
  for (const FileInfoLine& line : FileInformation(session)) {
    auto* value = new QLabel(QString::fromStdString(line.Value));
    value->setObjectName(i < std::size(kControls) ? kControls[i] : "");
    value->setTextInteractionFlags(Qt::TextSelectableByMouse);
    form->addRow(line.Caption, value);
    values_.append({line.Caption, value});
    ++i;
  }
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(buttons);
}

QString FileInfoDialog::Value(const QString& caption) const {
  for (const auto& [c, label] : values_)
    if (c == caption) return label->text();
  return {};
}

}  // namespace kestle::ui
