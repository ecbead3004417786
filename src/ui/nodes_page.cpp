#include "nodes_page.h"

#include <QChart>
#include <QChartView>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QScrollBar>
#include <QShowEvent>
#include <QSplitter>
#include <QStyle>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include "chart_fill.h"
#include "decode/config/settings.h"
#include "decode/session.h"
#include "frame_model.h"
#include "output/grid.h"

namespace kestle::ui {

namespace {
constexpr const char* kNoFileNotice = "No capture file is open: open one to see its stations.";
}  // namespace

// ---------------------------------------------------------------- model

int StatGridModel::rowCount(const QModelIndex& parent) const {
  if (parent.isValid()) return 0;
  return static_cast<int>(sessions_ ? view_.SessionRows() : view_.NodeRows());
}

int StatGridModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kStatColumns;
}

QVariant StatGridModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  const size_t row = static_cast<size_t>(index.row());
  const int column = index.column() + 1;
  switch (role) {
    case Qt::DisplayRole:
      return QString::fromStdString(sessions_ ? view_.SessionCell(row, column)
                                              : view_.NodeCell(row, column));
    case Qt::TextAlignmentRole:
      return int((StatColumnRightAligned(column) ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignTop);
    case Qt::BackgroundRole:
      return ColourFromRgbValue(row % 2 == 0 ? palette_.EvenRow : palette_.OddRow);
    case Qt::ForegroundRole:
      return ColourFromRgbValue(palette_.Text);
    default:
      return {};
  }
}

QVariant StatGridModel::headerData(int section, Qt::Orientation o, int role) const {
  if (o != Qt::Horizontal || role != Qt::DisplayRole) return {};
  const std::string_view h =
      sessions_ ? SessionColumnHeader(section + 1) : NodeColumnHeader(section + 1);
  return QString::fromUtf8(h.data(), static_cast<qsizetype>(h.size()));
}

void StatGridModel::Reset() {
  beginResetModel();
  endResetModel();
}

void StatGridModel::Repaint() {
  if (rowCount() > 0) emit dataChanged(index(0, 0), index(rowCount() - 1, kStatColumns - 1));
}

// ---------------------------------------------------------------- page

namespace {

QTableView* MakeGrid(QAbstractItemModel* model, const char* name) {
  auto* grid = new QTableView;
  grid->setObjectName(name);
  grid->setModel(model);
  grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
  grid->setWordWrap(false);
  grid->setTextElideMode(Qt::ElideRight);
  grid->verticalHeader()->hide();
  grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  grid->verticalHeader()->setDefaultSectionSize(18);
  grid->horizontalHeader()->setSectionsClickable(true);
  grid->horizontalHeader()->setHighlightSections(false);
  grid->horizontalHeader()->setObjectName(QString(name).replace("dg", "hc"));
  grid->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  // Text 4 pixels from the cell's left or right edge, 2 from its top.
  grid->setStyleSheet("QTableView::item { padding: 2px 4px 0px 4px; }");
  return grid;
}

}  // namespace

NodesPage::NodesPage(const CaptureSession& session, Settings& settings, QWidget* parent)
    : QWidget(parent), session_(session), settings_(settings), view_(session) {
  nodeModel_ = new StatGridModel(view_, false, this);
  sessionModel_ = new StatGridModel(view_, true, this);

  nodes_ = MakeGrid(nodeModel_, "dgNodes");
  nodes_->setSelectionBehavior(QAbstractItemView::SelectRows);
  nodes_->setSelectionMode(QAbstractItemView::SingleSelection);
  nodes_->horizontalHeader()->setSortIndicatorShown(true);
  connect(nodes_->horizontalHeader(), &QHeaderView::sectionClicked, this,
          &NodesPage::NodeHeaderClicked);
  connect(nodes_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          [this](const QModelIndex& cur) {
            if (cur.isValid()) NodeRowSelected(cur.row());
          });

  sessions_ = MakeGrid(sessionModel_, "dgSessions");
  // The sessions grid shows no selection.
  sessions_->setSelectionMode(QAbstractItemView::NoSelection);
  sessions_->setFocusPolicy(Qt::NoFocus);
  connect(sessions_->horizontalHeader(), &QHeaderView::sectionClicked, this,
          &NodesPage::SessionHeaderClicked);
  connect(sessions_, &QAbstractItemView::doubleClicked, this,
          [this](const QModelIndex& index) { ChooseSession(index.row()); });
  sessions_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(sessions_, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
    const int row = sessions_->indexAt(pos).row();
    QMenu menu(this);
    menu.setObjectName("pmSessions");
    menu.addAction("Filter Session Frames", this, [this, row] { ChooseSession(row); })
        ->setEnabled(row >= 0);
    menu.exec(sessions_->viewport()->mapToGlobal(pos));
  });

  sessionsPanel_ = new QWidget;
  auto* sessionsLayout = new QVBoxLayout(sessionsPanel_);
  sessionsLayout->setContentsMargins(0, 0, 0, 0);
  sessionsLayout->setSpacing(0);
  auto* caption = new QLabel("Sessions");
  caption->setObjectName("lblSessions");
  caption->setAlignment(Qt::AlignCenter);
  caption->setFrameShape(QFrame::Panel);
  caption->setFrameShadow(QFrame::Raised);
  caption->setMargin(2);
  sessionsLayout->addWidget(caption);
  sessionsLayout->addWidget(sessions_);

  chart_ = new QChart;
  chart_->setObjectName("chProts");
  chart_->setTitle("Protocol Distribution");
  chart_->setAnimationOptions(QChart::NoAnimation);
  chart_->legend()->setVisible(false);
  QFont small = chart_->legend()->font();
  small.setPointSizeF(small.pointSizeF() * 0.85);
  chart_->legend()->setFont(small);
  chart_->setMargins(QMargins(4, 4, 4, 4));
  chartView_ = new QChartView(chart_);
  chartView_->setRenderHint(QPainter::Antialiasing);
  chartView_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(chartView_, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
    QMenu menu(this);
    menu.setObjectName("pmNodeGraph");
    FillChartMenu(&menu);
    menu.exec(chartView_->mapToGlobal(pos));
  });

  lower_ = new QSplitter(Qt::Horizontal);
  lower_->addWidget(sessionsPanel_);
  lower_->addWidget(chartView_);
  lower_->setStretchFactor(0, 0);
  lower_->setStretchFactor(1, 1);
  lower_->setChildrenCollapsible(false);
  connect(lower_, &QSplitter::splitterMoved, this, [this] { LayOutColumns(); });

  vertical_ = new QSplitter(Qt::Vertical);
  vertical_->addWidget(nodes_);
  vertical_->addWidget(lower_);
  vertical_->setStretchFactor(0, 1);
  vertical_->setStretchFactor(1, 0);
  vertical_->setChildrenCollapsible(false);

  notice_ = new QLabel(kNoFileNotice);
  notice_->setObjectName("lblNoFile");
  notice_->setMargin(6);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(notice_);
  layout->addWidget(vertical_);
  UpdateSortMark();
  RebuildChart();
}

void NodesPage::SetPalette(const ViewPalette& p) {
  nodeModel_->SetPalette(p);
  sessionModel_->SetPalette(p);
  if (p.Dark == dark_) return;
  dark_ = p.Dark;
  // A theme gives every series its colours again: draw the chart anew.
  chart_->setTheme(p.Dark ? QChart::ChartThemeDark : QChart::ChartThemeLight);
  RebuildChart();
}

void NodesPage::ShowNodes() {
  notice_->setVisible(!session_.FileOpen());
  view_.Show();
  nodeModel_->Reset();
  sessionModel_->Reset();
  UpdateSortMark();
  LayOutColumns();
  SelectGridRow(0);
  RebuildChart();
}

void NodesPage::Clear() {
  notice_->setVisible(!session_.FileOpen());
  view_.Clear();
  nodeModel_->Reset();
  sessionModel_->Reset();
  UpdateSortMark();
  ClearChart(chart_);
}

void NodesPage::RefreshNames() { nodeModel_->Repaint(); }

void NodesPage::ChooseSession(int row) {
  if (row < 0 || static_cast<size_t>(row) >= view_.SessionRows()) return;
  const uint32_t station = view_.PairAt(static_cast<size_t>(view_.SelectedRow()));
  emit SessionChosen(station, view_.SessionAt(static_cast<size_t>(row)).Partner);
}

void NodesPage::SelectGridRow(int row) {
  if (row < 0 || row >= nodeModel_->rowCount()) return;
  QSignalBlocker block(nodes_->selectionModel());
  nodes_->selectionModel()->setCurrentIndex(
      nodeModel_->index(row, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  nodes_->viewport()->update();
}

void NodesPage::NodeHeaderClicked(int section) {
  view_.ClickNodeHeader(section + 1);
  UpdateSortMark();
  nodeModel_->Repaint();
  SessionsChanged();
}

void NodesPage::SessionHeaderClicked(int section) {
  view_.ClickSessionHeader(section + 1);
  sessionModel_->Reset();
}

void NodesPage::NodeRowSelected(int row) {
  view_.SelectRow(row);
  SessionsChanged();
}

void NodesPage::SessionsChanged() {
  sessionModel_->Reset();
  RebuildChart();
}

void NodesPage::UpdateSortMark() {
  const int mode = view_.NodeSortMode();
  nodes_->horizontalHeader()->setSortIndicator(StatSortColumn(mode) - 1, StatSortDescending(mode)
                                                                             ? Qt::DescendingOrder
                                                                             : Qt::AscendingOrder);
}

void NodesPage::RebuildChart() {
  if (settings_.NodeSeriesType == 1)
    ShowPie(chart_, view_.ProtocolPoints());
  else
    // The legend names the bars of this small chart.
    ShowBars(chart_, view_.ProtocolPoints(), QString(), QString(), /*marks=*/false);
}

void NodesPage::SetSeriesType(int type) {
  settings_.NodeSeriesType = static_cast<uint16_t>(type);
  view_.Rebuild();
  SessionsChanged();
}

void NodesPage::FillChartMenu(QMenu* menu) {
  QAction* pie = menu->addAction("Pie Chart", this, [this] { SetSeriesType(1); });
  QAction* bar = menu->addAction("Bar Graph", this, [this] { SetSeriesType(2); });
  pie->setCheckable(true);
  bar->setCheckable(true);
  pie->setChecked(settings_.NodeSeriesType == 1);
  bar->setChecked(settings_.NodeSeriesType != 1);
}

void NodesPage::LayOutColumns() {
  const int scrollBar = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
  for (QTableView* grid : {nodes_, sessions_}) {
    // The texts with the cells' padding (4 pixels each side) and a margin.
    const QFontMetrics fm(grid->font());
    auto need = [&](const char* sample) { return fm.horizontalAdvance(sample) + 8 + 6; };
    const StatAddressWidths least{need(kMacSample), need("255.255.255.255"), need(kIPv6Sample)};
    const auto widths = StatColumnWidths(grid->width(), scrollBar, grid->showGrid() ? 1 : 0, least);
    for (int c = 0; c < kStatColumns; ++c) grid->setColumnWidth(c, widths[static_cast<size_t>(c)]);
  }
}

int NodesPage::LowerPanelHeight() const {
  return laidOut_ && vertical_->sizes().size() == 2 ? vertical_->sizes()[1] : lowerHeight_;
}

int NodesPage::SessionsWidth() const {
  return laidOut_ && lower_->sizes().size() == 2 ? lower_->sizes()[0] : sessionsWidth_;
}

void NodesPage::SetPaneSizes(int lowerHeight, int sessionsWidth) {
  lowerHeight_ = lowerHeight;
  sessionsWidth_ = sessionsWidth;
  if (laidOut_) ApplyPaneSizes();
}

void NodesPage::ApplyPaneSizes() {
  // Sizes from another screen setup stay inside the page.
  const int total = std::max(vertical_->height(), 100);
  const int lower = std::clamp(lowerHeight_, 60, std::max(60, total - 60));
  vertical_->setSizes({total - lower, lower});
  const int width = std::max(lower_->width(), 100);
  const int sessions = std::clamp(sessionsWidth_, 60, std::max(60, width - 60));
  lower_->setSizes({sessions, width - sessions});
}

void NodesPage::showEvent(QShowEvent* e) {
  QWidget::showEvent(e);
  if (!laidOut_) {
    laidOut_ = true;
    ApplyPaneSizes();
  }
  QTimer::singleShot(0, this, [this] { LayOutColumns(); });
}

void NodesPage::resizeEvent(QResizeEvent* e) {
  QWidget::resizeEvent(e);
  // A window narrower than the sessions panel leaves it two thirds of its width.
  if (laidOut_ && lower_->sizes().size() == 2 && window()->width() < lower_->sizes()[0]) {
    const int w = window()->width() / 3 * 2;
    lower_->setSizes({w, std::max(0, lower_->width() - w)});
  }
  QTimer::singleShot(0, this, [this] { LayOutColumns(); });
}

}  // namespace kestle::ui
