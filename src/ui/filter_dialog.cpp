#include "filter_dialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "capture/notifier.h"
#include "decode/session.h"

namespace kestle::ui {

namespace {
constexpr int kPathRole = Qt::UserRole;

QString Text(std::string_view t) {
  return QString::fromUtf8(t.data(), static_cast<qsizetype>(t.size()));
}
}  // namespace

FilterDialog::FilterDialog(CaptureSession& session, FilterState& state, Notifier& notifier,
                           QWidget* parent)
    : QDialog(parent), session_(session), state_(state), notifier_(notifier) {
  setWindowTitle("Define Filter");
  setObjectName("frmFilter");

  protocols_ = new QTreeWidget;
  protocols_->setObjectName("tvProtocols");
  protocols_->setHeaderHidden(true);
  protocols_->setUniformRowHeights(true);
  auto* protocolBox = new QGroupBox("Protocols");
  auto* protocolLayout = new QVBoxLayout(protocolBox);
  protocolLayout->addWidget(protocols_);

  station1_ = new QComboBox;
  station1_->setObjectName("cbStation1");
  station2_ = new QComboBox;
  station2_->setObjectName("cbStation2");
  for (QComboBox* box : {station1_, station2_}) {
    box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    box->setMinimumContentsLength(18);
    box->setMaxVisibleItems(20);
  }
  direction_ = new QPushButton;
  direction_->setObjectName("btnDir");
  direction_->setAutoDefault(false);
  direction_->setToolTip("Direction: both ways, station 1 to station 2, or station 2 to station 1");
  connect(direction_, &QPushButton::clicked, this, [this] {
    dir_ = NextDirection(dir_);
    ShowDirection();
  });
  auto* stationBox = new QGroupBox("Stations");
  auto* stationLayout = new QGridLayout(stationBox);
  stationLayout->addWidget(new QLabel("Station 1"), 0, 0);
  stationLayout->addWidget(new QLabel("Station 2"), 0, 2);
  stationLayout->addWidget(station1_, 1, 0);
  stationLayout->addWidget(direction_, 1, 1);
  stationLayout->addWidget(station2_, 1, 2);
  stationLayout->setColumnStretch(0, 1);
  stationLayout->setColumnStretch(2, 1);

  mismatch_ = new QCheckBox("Select Frames that do not Match");
  mismatch_->setObjectName("cbSelMismatch");

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  clear_ = buttons->addButton("Clear", QDialogButtonBox::ResetRole);
  clear_->setObjectName("btnClear");
  clear_->setAutoDefault(false);
  connect(buttons, &QDialogButtonBox::accepted, this, &FilterDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &FilterDialog::reject);
  connect(clear_, &QPushButton::clicked, this, &FilterDialog::ClearChoices);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(protocolBox, 1);
  layout->addWidget(stationBox);
  layout->addWidget(mismatch_);
  layout->addWidget(buttons);
  resize(520, 560);
}

void FilterDialog::Load() {
  QApplication::setOverrideCursor(Qt::WaitCursor);
  MarkProtocolsInUse(session_);
  protocols_->clear();
  auto* root = new QTreeWidgetItem(protocols_, QStringList{kAllProtocols});
  root->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
  root->setCheckState(0, state_.AllProtocols ? Qt::Checked : Qt::Unchecked);
  root->setData(0, kPathRole, 0u);
  // Items come in pre-order: the parent of an item is the last one shown
  // one level up.
  std::vector<QTreeWidgetItem*> parents{root};
  for (const ProtocolTreeItem& i : ProtocolTree(session_)) {
    parents.resize(i.Depth);
    auto* item =
        new QTreeWidgetItem(parents.back(), QStringList{Text(ProtocolTreeText(session_, i.Path))});
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    item->setCheckState(0, session_.Paths[i.Path].Selected ? Qt::Checked : Qt::Unchecked);
    item->setData(0, kPathRole, i.Path);
    item->setToolTip(0, Text(ProtocolStackText(session_, i.Path)));
    parents.push_back(item);
  }
  protocols_->expandAll();

  stations_ = StationList(session_.Nodes);
  for (QComboBox* box : {station1_, station2_}) {
    box->clear();
    for (const StationItem& s : stations_) box->addItem(Text(s.Text));
  }
  const auto position = [&](uint32_t p) { return p < stations_.size() ? static_cast<int>(p) : 0; };
  station1_->setCurrentIndex(position(state_.Station1));
  station2_->setCurrentIndex(position(state_.Station2));
  dir_ = state_.Direction;
  ShowDirection();
  mismatch_->setChecked(state_.SelectMismatch);
  QApplication::restoreOverrideCursor();
}

void FilterDialog::ShowDirection() { direction_->setText(Text(DirectionText(dir_))); }

void FilterDialog::ClearChoices() {
  for (QTreeWidgetItemIterator it(protocols_); *it; ++it)
    (*it)->setCheckState(0, (*it)->parent() ? Qt::Unchecked : Qt::Checked);
  station1_->setCurrentIndex(0);
  station2_->setCurrentIndex(0);
  mismatch_->setChecked(false);
  dir_ = FilterDirection::Both;
  ShowDirection();
}

QTreeWidgetItem* FilterDialog::ItemOf(uint32_t path) const {
  for (QTreeWidgetItemIterator it(protocols_); *it; ++it)
    if ((*it)->parent() && (*it)->data(0, kPathRole).toUInt() == path) return *it;
  return nullptr;
}

void FilterDialog::accept() {
  FilterChoice choice;
  choice.RootChecked = false;
  for (QTreeWidgetItemIterator it(protocols_); *it; ++it) {
    const bool checked = (*it)->checkState(0) == Qt::Checked;
    if (!(*it)->parent())
      choice.RootChecked = checked;
    else if (checked)
      choice.CheckedPaths.push_back((*it)->data(0, kPathRole).toUInt());
  }
  const auto station = [&](QComboBox* box) {
    const int i = box->currentIndex();
    return i > 0 && static_cast<size_t>(i) < stations_.size() ? stations_[static_cast<size_t>(i)]
                                                              : StationItem{};
  };
  choice.Station1 = station(station1_);
  choice.Station2 = station(station2_);
  choice.Direction = dir_;
  choice.SelectMismatch = mismatch_->isChecked();

  QApplication::setOverrideCursor(Qt::WaitCursor);
  const FilterOutcome out = ApplyFilter(session_, choice, Also);
  QApplication::restoreOverrideCursor();
  if (!out.Applied) {
    notifier_.Message(kNoFramesSelected);
    return;
  }
  state_.Station1 = static_cast<uint32_t>(std::max(0, station1_->currentIndex()));
  state_.Station2 = static_cast<uint32_t>(std::max(0, station2_->currentIndex()));
  state_.Direction = dir_;
  state_.AllProtocols = out.AllProtocols;
  state_.SelectMismatch = choice.SelectMismatch;
  state_.Active = true;
  shown_ = out.Shown;
  choice_ = choice;
  inForce_ = true;
  QDialog::accept();
}

}  // namespace kestle::ui
