#include "goto_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QVBoxLayout>

#include "capture/notifier.h"
#include "output/search.h"

namespace kestle::ui {

GotoDialog::GotoDialog(const CaptureSession& session, Notifier& notifier,
                       std::function<void(int)> selectRow, QWidget* parent)
    : QDialog(parent), session_(session), notifier_(notifier), selectRow_(std::move(selectRow)) {
  setWindowTitle("Goto Packet");
  setObjectName("frmGoto");
  number_ = new QLineEdit;
  number_->setObjectName("edNumber");
  number_->setMaxLength(11);  // a sign and ten digits
  auto* form = new QFormLayout;
  form->addRow("Packet Number:", number_);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  connect(buttons, &QDialogButtonBox::accepted, this, &GotoDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &GotoDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(buttons);
}

int GotoDialog::Run() {
  number_->setFocus();
  number_->selectAll();
  return exec();
}

void GotoDialog::accept() {
  const QByteArray text = number_->text().toLatin1();
  const GotoResult r =
      ResolveGoto(session_, std::string_view(text.constData(), static_cast<size_t>(text.size())));
  if (const char* message = GotoMessage(r.Status)) {
    notifier_.Message(message);
    return;
  }
  selectRow_(static_cast<int>(r.Row));
  QDialog::accept();
}

}  // namespace kestle::ui
