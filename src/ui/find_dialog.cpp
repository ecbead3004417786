#include "find_dialog.h"

#include <QApplication>
#include <QButtonGroup>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>

#include "capture/notifier.h"
#include "decode/session.h"

namespace kestle::ui {

FindDialog::FindDialog(CaptureSession& session, Notifier& notifier,
                       std::function<void(int)> selectRow, QWidget* parent)
    : QDialog(parent), session_(session), notifier_(notifier), selectRow_(std::move(selectRow)) {
  setWindowTitle("Find Packet");
  setObjectName("frmFind");
  setModal(false);

  text_ = new QLineEdit;
  text_->setObjectName("edFindString");
  auto* label = new QLabel("Find What:");
  label->setBuddy(text_);
  textMode_ = new QRadioButton("&Text");
  textMode_->setObjectName("rbText");
  hexMode_ = new QRadioButton("&Hex");
  hexMode_->setObjectName("rbHex");
  textMode_->setChecked(true);
  auto* modes = new QButtonGroup(this);
  modes->addButton(textMode_);
  modes->addButton(hexMode_);

  find_ = new QPushButton("Find Next");
  find_->setObjectName("btnFind");
  find_->setDefault(true);
  cancel_ = new QPushButton("Cancel");
  cancel_->setAutoDefault(false);
  status_ = new QLabel;
  status_->setObjectName("panFind");
  status_->setFrameShape(QFrame::StyledPanel);
  status_->setFrameShadow(QFrame::Sunken);
  status_->setStyleSheet("color: navy;");
  status_->setMinimumHeight(22);

  connect(text_, &QLineEdit::textChanged, this, [this] { search_.Restart(); });
  connect(find_, &QPushButton::clicked, this, &FindDialog::FindNext);
  connect(cancel_, &QPushButton::clicked, this, &QDialog::hide);

  auto* grid = new QGridLayout;
  grid->addWidget(label, 0, 0);
  grid->addWidget(text_, 0, 1, 1, 2);
  grid->addWidget(textMode_, 1, 1);
  grid->addWidget(hexMode_, 1, 2);
  grid->setColumnStretch(2, 1);
  auto* buttons = new QVBoxLayout;
  buttons->addWidget(find_);
  buttons->addWidget(cancel_);
  buttons->addStretch();
  auto* top = new QHBoxLayout;
  top->addLayout(grid, 1);
  top->addLayout(buttons);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(status_);
  resize(420, sizeHint().height());
}

void FindDialog::Open(const QRect& area) {
  search_.Restart();
  status_->clear();
  if (!placed_ && parentWidget()) {
    // First shown clear of the grid's rows that a match selects and of the
    // dump that shows its bytes: at the upper right of the area given.
    adjustSize();
    if (area.isValid()) {
      const QSize box = frameGeometry().size();
      move(std::max(area.left(), area.right() - box.width() - 24),
           std::max(area.top(), std::min(area.top() + 8, area.bottom() - box.height())));
    } else {
      const QRect w = parentWidget()->frameGeometry();
      move(w.right() - width() - 24, w.bottom() - height() - 48);
    }
    placed_ = true;
  }
  show();
  raise();
  activateWindow();
  text_->setFocus();
  text_->selectAll();
}

void FindDialog::ResetSearch() {
  search_.Restart();
  status_->clear();
}

QString FindDialog::Status() const { return status_->text(); }

void FindDialog::FindNext() {
  SearchPattern pattern;
  // The frames' text is single-byte: the typed text is searched for as
  // Latin-1 bytes.
  const QByteArray bytes = text_->text().toLatin1();
  if (const char* message =
          ParseSearchPattern(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())),
                             hexMode_->isChecked() ? FindMode::Hex : FindMode::Text, pattern)) {
    notifier_.Message(message);
    return;
  }
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const FrameSearch::Result r = search_.FindNext(session_, pattern);
  QApplication::restoreOverrideCursor();
  switch (r.What) {
    case FrameSearch::Outcome::Found:
      selectRow_(static_cast<int>(r.Row));
      emit Matched(r.Offset, r.Length);
      status_->setText(QString::fromStdString(FoundInFrameText(session_, r.Frame)));
      break;
    case FrameSearch::Outcome::NotFound:
      status_->setText(findmsg::kNotFound);
      break;
    case FrameSearch::Outcome::ReadError:
      // The session has reported the read error.
      status_->clear();
      break;
  }
}

}  // namespace kestle::ui
