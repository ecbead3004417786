// The Nodes page: the stations of the shown frames with their counters, the
// sessions of the selected station and its protocol chart.
#pragma once

#include <QAbstractTableModel>
#include <QWidget>

#include "output/palette.h"
#include "stats/nodes.h"

QT_BEGIN_NAMESPACE
class QChart;
class QChartView;
class QLabel;
class QMenu;
class QSplitter;
class QTableView;
QT_END_NAMESPACE

namespace kestle {
class CaptureSession;
struct Settings;
}  // namespace kestle

namespace kestle::ui {

// The node grid or the sessions grid over the page's NodeView.
class StatGridModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  StatGridModel(const NodeView& view, bool sessions, QObject* parent = nullptr)
      : QAbstractTableModel(parent), view_(view), sessions_(sessions) {}
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation o, int role) const override;
  void Reset();
  // Only texts changed (host names arrived).
  void Repaint();
  void SetPalette(const ViewPalette& p) {
    palette_ = p;
    Repaint();
  }

 private:
  const NodeView& view_;
  bool sessions_;
  ViewPalette palette_;
};

class NodesPage : public QWidget {
  Q_OBJECT
 public:
  NodesPage(const CaptureSession& session, Settings& settings, QWidget* parent = nullptr);

  // The page is shown (or the shown frames changed while it is): the rows
  // of the stations with traffic, sorted by MAC address, the first one
  // selected with its sessions and chart.
  void ShowNodes();
  // The selected station and the partner of session row `row` (0-based) are
  // chosen for the frame grid (a double click, the pop-up menu).
  void ChooseSession(int row);
  // A file was closed or opened: no rows, no sessions, an empty chart.
  void Clear();
  // Host names arrived: redraw the node cells.
  void RefreshNames();
  // The chart as NodeSeriesType says: 1 a pie, else bars.
  void RebuildChart();
  // The chart's pop-up: "Pie Chart" and "Bar Graph".
  void FillChartMenu(QMenu* menu);
  void SetSeriesType(int type);

  // Height of the lower panel (sessions and chart) and width of the sessions
  // panel: as laid out once the page has been shown, else as last set.
  int LowerPanelHeight() const;
  int SessionsWidth() const;
  void SetPaneSizes(int lowerHeight, int sessionsWidth);
  // The grids' stripes and the chart's theme for the window's palette.
  void SetPalette(const ViewPalette& p);
  // The line shown instead of the grids while no file is open.
  QLabel* Notice() const { return notice_; }

  const NodeView& View() const { return view_; }
  QTableView* NodeGrid() const { return nodes_; }
  QTableView* SessionGrid() const { return sessions_; }
  QChart* Chart() const { return chart_; }
  QChartView* ChartView() const { return chartView_; }

 public slots:
  void NodeHeaderClicked(int section);
  void SessionHeaderClicked(int section);
  void NodeRowSelected(int row);

 signals:
  // Show the frames between these two stations (NodeStatTable indexes).
  void SessionChosen(uint32_t station, uint32_t partner);

 protected:
  void showEvent(QShowEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;

 private:
  void UpdateSortMark();
  void LayOutColumns();
  void ApplyPaneSizes();
  void SessionsChanged();
  void SelectGridRow(int row);

  const CaptureSession& session_;
  Settings& settings_;
  NodeView view_;
  StatGridModel* nodeModel_;
  StatGridModel* sessionModel_;
  QSplitter* vertical_ = nullptr;
  QSplitter* lower_ = nullptr;
  QTableView* nodes_ = nullptr;
  QTableView* sessions_ = nullptr;
  QWidget* sessionsPanel_ = nullptr;
  QChart* chart_ = nullptr;
  QChartView* chartView_ = nullptr;
  QLabel* notice_ = nullptr;
  int lowerHeight_ = 220;
  int sessionsWidth_ = 600;
  bool laidOut_ = false;
  bool dark_ = false;  // the chart's theme is the dark one
};

}  // namespace kestle::ui
