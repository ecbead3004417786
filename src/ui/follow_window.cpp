#include "follow_window.h"

#include <QComboBox>
#include <QFileDialog>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTextCursor>
#include <QTextEdit>
#include <QVBoxLayout>

#include "capture/notifier.h"
#include "output/output_file.h"
#include "output/save.h"

namespace kestle::ui {

FollowWindow::FollowWindow(FollowedStream stream, Notifier& notifier, QWidget* parent)
    : QDialog(parent), stream_(std::move(stream)), notifier_(notifier) {
  const bool tcp = stream_.Transport == StreamTransport::Tcp;
  setWindowTitle(tcp ? "Follow TCP Stream" : "Follow UDP Stream");
  setObjectName("frmFollow");
  setAttribute(Qt::WA_DeleteOnClose);
  ends_ = new QLabel;
  ends_->setTextFormat(Qt::RichText);
  text_ = new QTextEdit;
  text_->setObjectName("edStream");
  text_->setReadOnly(true);
  text_->setLineWrapMode(QTextEdit::NoWrap);
  text_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  format_ = new QComboBox;
  format_->setObjectName("cbFollowFormat");
  format_->addItem("ASCII", static_cast<int>(FollowFormat::Ascii));
  format_->addItem("EBCDIC", static_cast<int>(FollowFormat::Ebcdic));
  format_->addItem("Hex Dump", static_cast<int>(FollowFormat::Hex));
  format_->addItem("Raw", static_cast<int>(FollowFormat::Raw));
  nodes_ = new QComboBox;
  nodes_->setObjectName("cbFollowNodes");
  const QString a = QString::fromStdString(stream_.Ends[0]);
  const QString b = QString::fromStdString(stream_.Ends[1]);
  nodes_->addItem("Entire conversation", static_cast<int>(FollowNodes::Both));
  nodes_->addItem(a + " \u2192 " + b, static_cast<int>(FollowNodes::Node0));
  nodes_->addItem(b + " \u2192 " + a, static_cast<int>(FollowNodes::Node1));
  save_ = new QPushButton("Save As...");
  save_->setObjectName("btnFollowSave");
  filter_ = new QPushButton("Filter on this stream");
  filter_->setObjectName("btnFollowFilter");
  auto* close = new QPushButton("Close");

  auto* controls = new QHBoxLayout;
  controls->addWidget(new QLabel("Show:"));
  controls->addWidget(nodes_);
  controls->addWidget(new QLabel("as"));
  controls->addWidget(format_);
  controls->addStretch();
  controls->addWidget(filter_);
  controls->addWidget(save_);
  controls->addWidget(close);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(ends_);
  layout->addWidget(text_, 1);
  layout->addLayout(controls);

  connect(format_, &QComboBox::currentIndexChanged, this, &FollowWindow::Fill);
  connect(nodes_, &QComboBox::currentIndexChanged, this, &FollowWindow::Fill);
  connect(save_, &QPushButton::clicked, this, &FollowWindow::SaveShown);
  connect(filter_, &QPushButton::clicked, this,
          [this] { emit filterRequested(QString::fromStdString(stream_.FilterText)); });
  connect(close, &QPushButton::clicked, this, &QDialog::close);
  AskFileName = [this] { return QFileDialog::getSaveFileName(this, "Save Stream"); };
  resize(760, 560);
  Fill();
}

QColor FollowWindow::NodeColour(uint8_t node) {
  return node == 0 ? QColor(0xA0, 0x00, 0x00) : QColor(0x00, 0x00, 0xA0);
}

FollowFormat FollowWindow::Format() const {
  return static_cast<FollowFormat>(format_->currentData().toInt());
}

FollowNodes FollowWindow::Nodes() const {
  return static_cast<FollowNodes>(nodes_->currentData().toInt());
}

void FollowWindow::Fill() {
  auto end = [this](int node) {
    return QString("<span style=\"color:%1\">%2 (%3 frames, %4 bytes)</span>")
        .arg(NodeColour(static_cast<uint8_t>(node)).name(),
             QString::fromStdString(stream_.Ends[node]).toHtmlEscaped())
        .arg(stream_.Frames[node])
        .arg(stream_.Bytes[node]);
  };
  ends_->setText(end(0) + " &nbsp;\u21c4&nbsp; " + end(1));
  text_->clear();
  QTextCursor cursor(text_->document());
  const FollowNodes shown = Nodes();
  uint64_t offsets[2] = {};
  for (const StreamChunk& c : stream_.Chunks) {
    if (shown != FollowNodes::Both && c.Node != (shown == FollowNodes::Node0 ? 0 : 1)) continue;
    QTextCharFormat f;
    f.setForeground(NodeColour(c.Node));
    if (c.Missing) f.setFontItalic(true);
    cursor.insertText(QString::fromStdString(ChunkText(c, Format(), offsets[c.Node])), f);
    offsets[c.Node] += c.Bytes.size();
  }
  text_->moveCursor(QTextCursor::Start);
}

void FollowWindow::SaveShown() {
  const QString name = AskFileName ? AskFileName() : QString();
  if (name.isEmpty()) return;
  const std::string bytes = ShownStreamBytes(stream_, Nodes());
  OutputFile file;
  if (!file.Create(name.toStdString())) {
    notifier_.Message(FileMessage(savemsg::kCannotCreate, name.toStdString(), file.Error()));
    return;
  }
  if (!file.Write(bytes) || !file.Commit())
    notifier_.Message(FileMessage(savemsg::kWriteError, name.toStdString(), file.Error()));
}

}  // namespace kestle::ui
