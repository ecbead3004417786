#include "ports_dialog.h"

#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "capture/notifier.h"
#include "output/forms/port_edit.h"

namespace kestle::ui {

namespace {
QString Str(std::string_view s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}
}  // namespace

EditPortDialog::EditPortDialog(Notifier& notifier, QWidget* parent)
    : QDialog(parent), notifier_(notifier) {
  auto* group = new QGroupBox("Port Details");
  auto* form = new QFormLayout(group);
  port_ = new QLineEdit;
  port_->setMaxLength(5);
  description_ = new QLineEdit;
  description_->setMaxLength(25);
  auto* types = new QHBoxLayout;
  type_ = new QButtonGroup(this);
  const char* names[] = {"UDP", "TCP", "Both"};
  for (int i = 0; i < 3; ++i) {
    auto* b = new QRadioButton(names[i]);
    type_->addButton(b, i);
    types->addWidget(b);
  }
  decoder_ = new QComboBox;
  for (uint16_t code : DecoderCodesByName()) decoder_->addItem(DecoderNames[code], code);
  form->addRow("Port Number:", port_);
  form->addRow("Description:", description_);
  form->addRow("Type:", types);
  form->addRow("Decode as:", decoder_);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  connect(buttons, &QDialogButtonBox::accepted, this, &EditPortDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &EditPortDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(group);
  layout->addWidget(buttons);
}

void EditPortDialog::SetType(uint8_t type) { type_->button(type > 2 ? 2 : type)->setChecked(true); }

void EditPortDialog::StartAdd() {
  addMode_ = true;
  setWindowTitle("Add Port Description");
  port_->clear();
  port_->setReadOnly(false);
  port_->setFrame(true);
  port_->setStyleSheet({});
  description_->clear();
  SetType(PortUDP);
  decoder_->setCurrentIndex(decoder_->findData(static_cast<uint16_t>(DecodeDataOnly)));
  port_->setFocus();
}

void EditPortDialog::StartModify(const WellKnownRec& e) {
  addMode_ = false;
  setWindowTitle("Modify Port Description");
  port_->setText(QString::number(e.Port));
  port_->setReadOnly(true);
  port_->setFrame(false);
  port_->setStyleSheet("background: palette(window);");
  description_->setText(QString::fromStdString(e.Description));
  SetType(e.PortType);
  decoder_->setCurrentIndex(std::max(0, decoder_->findData(e.DecodeAs)));
  description_->setFocus();
}

void EditPortDialog::accept() {
  static const std::vector<WellKnownRec> kNone;
  const PortEditCheck check =
      CheckPortEdit(entries_ ? *entries_ : kNone, addMode_, port_->text().toStdString(),
                    description_->text().toStdString());
  if (!check.Message.empty()) {
    notifier_.Message(check.Message);
    (check.PortField ? port_ : description_)->setFocus();
    return;
  }
  result_.Port = check.Port;
  result_.Description = description_->text().toStdString();
  result_.PortType = static_cast<uint8_t>(std::max(0, type_->checkedId()));
  result_.ProtocolId = 0;
  result_.DecodeAs = static_cast<uint16_t>(decoder_->currentData().toUInt());
  QDialog::accept();
}

PortsDialog::PortsDialog(PortTable& table, Notifier& notifier, QWidget* parent)
    : QDialog(parent), table_(table), work_(table.Entries()) {
  setWindowTitle("Port Descriptions");
  grid_ = new QTableWidget(0, 4);
  grid_->setHorizontalHeaderLabels({"Port", "Type", "Description", "Decode As"});
  const int widths[] = {53, 37, 206, 143};
  for (int i = 0; i < 4; ++i) grid_->setColumnWidth(i, widths[i]);
  grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
  grid_->setSelectionMode(QAbstractItemView::SingleSelection);
  grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  grid_->verticalHeader()->hide();
  grid_->horizontalHeader()->setStretchLastSection(true);
  connect(grid_, &QTableWidget::cellDoubleClicked, this, [this] { Modify(); });
  editor_ = new EditPortDialog(notifier, this);
  editor_->SetEntries(&work_);

  auto* add = new QPushButton("&Add");
  auto* modify = new QPushButton("&Modify");
  auto* del = new QPushButton("&Delete");
  connect(add, &QPushButton::clicked, this, &PortsDialog::Add);
  connect(modify, &QPushButton::clicked, this, &PortsDialog::Modify);
  connect(del, &QPushButton::clicked, this, &PortsDialog::Delete);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  buttons->addButton(add, QDialogButtonBox::ActionRole);
  buttons->addButton(modify, QDialogButtonBox::ActionRole);
  buttons->addButton(del, QDialogButtonBox::ActionRole);
  connect(buttons, &QDialogButtonBox::accepted, this, &PortsDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &PortsDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(grid_);
  layout->addWidget(buttons);
  resize(520, 420);
  Refresh();
}

void PortsDialog::Refresh() {
  const int keep = grid_->currentRow();
  // An empty table still shows one (empty) row.
  grid_->clearContents();
  grid_->setRowCount(std::max(1, static_cast<int>(work_.size())));
  for (int r = 0; r < static_cast<int>(work_.size()); ++r) {
    const WellKnownRec& e = work_[static_cast<size_t>(r)];
    const QString cells[] = {QString::number(e.Port), Str(PortTypeName(e.PortType)),
                             QString::fromStdString(e.Description),
                             e.DecodeAs < kDecoderCount ? DecoderNames[e.DecodeAs] : QString()};
    for (int c = 0; c < 4; ++c) grid_->setItem(r, c, new QTableWidgetItem(cells[c]));
  }
  if (keep >= 0 && keep < grid_->rowCount()) grid_->selectRow(keep);
}

int PortsDialog::SelectedEntry() const {
  const int row = grid_->currentRow();
  const auto sel = grid_->selectionModel()->selectedRows();
  if (sel.isEmpty() || row < 0 || row >= static_cast<int>(work_.size())) return -1;
  return row;
}

void PortsDialog::Add() {
  editor_->StartAdd();
  if (editor_->exec() != QDialog::Accepted) return;
  const size_t at = InsertPortSorted(work_, editor_->Result());
  Refresh();
  grid_->selectRow(static_cast<int>(at));
}

void PortsDialog::Modify() {
  const int i = SelectedEntry();
  if (i < 0) {
    QApplication::beep();
    return;
  }
  editor_->StartModify(work_[static_cast<size_t>(i)]);
  if (editor_->exec() != QDialog::Accepted) return;
  WellKnownRec e = editor_->Result();
  e.Port = work_[static_cast<size_t>(i)].Port;  // a modified entry keeps its port
  work_[static_cast<size_t>(i)] = e;
  Refresh();
}

void PortsDialog::Delete() {
  const int i = SelectedEntry();
  if (i < 0) {
    QApplication::beep();
    return;
  }
  work_.erase(work_.begin() + i);
  Refresh();
}

void PortsDialog::accept() {
  table_.Replace(work_);
  table_.PortsChanged = true;
  QDialog::accept();
}

}  // namespace kestle::ui
