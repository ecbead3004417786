#include "options_dialog.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "capture/notifier.h"
#include "decode/config/environment.h"
#include "frame_model.h"

namespace kestle::ui {

namespace {
constexpr int kLetterRole = Qt::UserRole;
constexpr int kIdRole = Qt::UserRole;
constexpr int kColourRole = Qt::UserRole;

struct PickerEntry {
  const char* name;
  uint32_t bgr;
};
// The 16 standard colours, the 4 extended ones, then "None" and "Default";
// white stands for "no colour of its own" (so does "None"), and "Default"
// is the grid's normal text colour.
constexpr PickerEntry kPicker[] = {
    {"Black", 0x000000},         {"Maroon", 0x000080},      {"Green", 0x008000},
    {"Olive", 0x008080},         {"Navy", 0x800000},        {"Purple", 0x800080},
    {"Teal", 0x808000},          {"Gray", 0x808080},        {"Silver", 0xC0C0C0},
    {"Red", 0x0000FF},           {"Lime", 0x00FF00},        {"Yellow", 0x00FFFF},
    {"Blue", 0xFF0000},          {"Fuchsia", 0xFF00FF},     {"Aqua", 0xFFFF00},
    {"Parent Colour", 0xFFFFFF}, {"Money Green", 0xC0DCC0}, {"Sky Blue", 0xF0CAA6},
    {"Cream", 0xF0FBFF},         {"Medium Gray", 0xA4A0A0}, {"None", 0xFFFFFF},
    {"Default", 0x000000}};
}  // namespace

OptionsDialog::OptionsDialog(Environment& env, Notifier& notifier, QWidget* parent)
    : QDialog(parent), env_(env), notifier_(notifier) {
  setWindowTitle("Kestle Options");
  auto* tabs = new QTabWidget;

  auto* general = new QWidget;
  auto* gl = new QFormLayout(general);
  autoExpand_ = new QCheckBox("Auto expand tree nodes");
  colourGrid_ = new QCheckBox("Colour Grid and Hex Dump");
  hostLookup_ = new QCheckBox("Lookup host names for IP addresses");
  displayLength_ = new QCheckBox("Display node length in tree display");
  timeFormat_ = new QComboBox;
  timeFormat_->addItems({"Absolute time", "Relative time since start of trace",
                         "Ralative time since previous frame"});
  maxPackets_ = new QLineEdit;
  maxPackets_->setMaxLength(10);
  firstFrame_ = new QLineEdit;
  firstFrame_->setMaxLength(11);
  gl->addRow(autoExpand_);
  gl->addRow(colourGrid_);
  gl->addRow(hostLookup_);
  gl->addRow(displayLength_);
  gl->addRow("Time Format:", timeFormat_);
  gl->addRow("Maximum Frames :", maxPackets_);
  gl->addRow("First Frame:", firstFrame_);
  tabs->addTab(general, "General");

  auto* colPage = new QWidget;
  auto* cl = new QHBoxLayout(colPage);
  columns_ = new QListWidget;
  auto* upDown = new QVBoxLayout;
  auto* up = new QPushButton("Up");
  auto* down = new QPushButton("Down");
  up->setObjectName("btnUp");
  down->setObjectName("btnDown");
  upDown->addWidget(up);
  upDown->addWidget(down);
  upDown->addStretch();
  cl->addWidget(columns_);
  cl->addLayout(upDown);
  connect(up, &QPushButton::clicked, this, &OptionsDialog::MoveUp);
  connect(down, &QPushButton::clicked, this, &OptionsDialog::MoveDown);
  tabs->addTab(colPage, "Columns");

  auto* colourPage = new QWidget;
  auto* pl = new QHBoxLayout(colourPage);
  protocols_ = new QListWidget;
  colours_ = new QComboBox;
  colours_->addItem("Custom...", QVariant());
  for (const PickerEntry& e : kPicker) {
    QPixmap swatch(14, 14);
    swatch.fill(ColourFromRgbValue(e.bgr));
    colours_->addItem(QIcon(swatch), e.name, QVariant::fromValue(e.bgr));
  }
  auto* right = new QVBoxLayout;
  right->addWidget(colours_);
  right->addStretch();
  pl->addWidget(protocols_);
  pl->addLayout(right);
  connect(protocols_, &QListWidget::currentRowChanged, this, [this] { ProtocolSelected(); });
  connect(colours_, &QComboBox::activated, this, &OptionsDialog::ColourChosen);
  tabs->addTab(colourPage, "Protocol Colours");

  auto* protoPage = new QWidget;
  auto* ol = new QFormLayout(protoPage);
  dscp_ = new QCheckBox("Decode IP TOS field as DSCP");
  snmpNumeric_ = new QCheckBox("Display SNMP OIDs as numbers");
  buildSessions_ = new QCheckBox("Build TCP Session Information");
  maxSessions_ = new QLineEdit;
  maxSessions_->setMaxLength(6);
  ol->addRow(dscp_);
  ol->addRow(snmpNumeric_);
  ol->addRow(buildSessions_);
  ol->addRow("Max Sessions:", maxSessions_);
  tabs->addTab(protoPage, "Protocol Options");

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  buttons->button(QDialogButtonBox::Ok)->setDefault(true);
  connect(buttons, &QDialogButtonBox::accepted, this, &OptionsDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &OptionsDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(tabs);
  layout->addWidget(buttons);
}

void OptionsDialog::LoadFromSettings() {
  const Settings& s = env_.settings;
  const OptionsForm f = FormFromSettings(s);
  autoExpand_->setChecked(f.AutoExpand);
  colourGrid_->setChecked(f.ColourGrid);
  hostLookup_->setChecked(f.LookupHostNames);
  displayLength_->setChecked(f.DisplayLength);
  timeFormat_->setCurrentIndex(f.TimeFormat);
  maxPackets_->setText(QString::fromStdString(f.MaxPackets));
  firstFrame_->setText(QString::fromStdString(f.FirstFrame));
  dscp_->setChecked(f.DecodeTosAsDSCP);
  snmpNumeric_->setChecked(f.ShowSNMPOIDNumber);
  buildSessions_->setChecked(f.BuildTCPSessions);
  maxSessions_->setText(QString::fromStdString(f.MaxSessions));

  columns_->clear();
  for (const ColumnListEntry& e : f.Columns) {
    const std::string_view name = ColumnLongName(e.Letter);
    auto* item =
        new QListWidgetItem(QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())));
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(e.Checked ? Qt::Checked : Qt::Unchecked);
    item->setData(kLetterRole, QChar(e.Letter));
    columns_->addItem(item);
  }

  const ProtocolTable& pt = env_.Protocols;
  workColours_.assign(pt.Table.size(), kWhite);
  for (size_t i = 0; i < pt.Table.size(); ++i) workColours_[i] = pt.Table[i].Colour;
  protocols_->blockSignals(true);
  protocols_->clear();
  std::vector<uint32_t> ids;
  for (uint32_t id = 1; id <= pt.ProtocolCount(); ++id) ids.push_back(id);
  std::stable_sort(ids.begin(), ids.end(), [&](uint32_t a, uint32_t b) {
    return QString::fromStdString(pt.Name(a))
               .compare(QString::fromStdString(pt.Name(b)), Qt::CaseInsensitive) < 0;
  });
  for (uint32_t id : ids) {
    auto* item = new QListWidgetItem(QString::fromStdString(pt.Name(id)));
    item->setData(kIdRole, id);
    protocols_->addItem(item);
  }
  protocols_->blockSignals(false);
  if (protocols_->count() > 0) protocols_->setCurrentRow(0);
}

void OptionsDialog::MoveUp() {
  const int row = columns_->currentRow();
  if (row <= 0) return;
  QListWidgetItem* item = columns_->takeItem(row);
  columns_->insertItem(row - 1, item);
  columns_->setCurrentRow(row - 1);
}

void OptionsDialog::MoveDown() {
  const int row = columns_->currentRow();
  if (row < 0 || row >= columns_->count() - 1) return;
  QListWidgetItem* item = columns_->takeItem(row);
  columns_->insertItem(row + 1, item);
  columns_->setCurrentRow(row + 1);
}

void OptionsDialog::ProtocolSelected() {
  QListWidgetItem* item = protocols_->currentItem();
  if (!item) return;
  const uint32_t id = item->data(kIdRole).toUInt();
  if (id >= workColours_.size()) return;
  for (int i = 1; i < colours_->count(); ++i)
    if (colours_->itemData(i).toUInt() == workColours_[id]) {
      colours_->setCurrentIndex(i);
      return;
    }
}

void OptionsDialog::ColourChosen(int index) {
  QListWidgetItem* item = protocols_->currentItem();
  if (!item) return;
  const uint32_t id = item->data(kIdRole).toUInt();
  if (id >= workColours_.size()) return;
  uint32_t bgr;
  if (index == 0) {
    const QColor c = QColorDialog::getColor(ColourFromRgbValue(workColours_[id]), this);
    if (!c.isValid()) return;
    bgr = static_cast<uint32_t>(c.red()) | (static_cast<uint32_t>(c.green()) << 8) |
          (static_cast<uint32_t>(c.blue()) << 16);
  } else {
    bgr = colours_->itemData(index).toUInt();
  }
  workColours_[id] = bgr;
}

OptionsForm OptionsDialog::Form() const {
  OptionsForm f;
  for (int i = 0; i < columns_->count(); ++i) {
    const QListWidgetItem* item = columns_->item(i);
    f.Columns.push_back(
        {item->data(kLetterRole).toChar().toLatin1(), item->checkState() == Qt::Checked});
  }
  f.AutoExpand = autoExpand_->isChecked();
  f.ColourGrid = colourGrid_->isChecked();
  f.LookupHostNames = hostLookup_->isChecked();
  f.DisplayLength = displayLength_->isChecked();
  f.TimeFormat = timeFormat_->currentIndex();
  f.MaxPackets = maxPackets_->text().toStdString();
  f.FirstFrame = firstFrame_->text().toStdString();
  f.DecodeTosAsDSCP = dscp_->isChecked();
  f.ShowSNMPOIDNumber = snmpNumeric_->isChecked();
  f.BuildTCPSessions = buildSessions_->isChecked();
  f.MaxSessions = maxSessions_->text().toStdString();
  return f;
}

void OptionsDialog::accept() {
  const std::string message = ApplyOptionsForm(Form(), env_.settings);
  if (!message.empty()) {
    notifier_.Message(message);
    return;
  }
  for (size_t id = 1; id < workColours_.size() && id < env_.Protocols.Table.size(); ++id)
    env_.Protocols.Table[id].Colour = workColours_[id];
  QDialog::accept();
}

}  // namespace kestle::ui
