// The Graphs page: a list of the six graphs and the chart of the chosen one
// over the shown frames.
#pragma once

#include <QWidget>

QT_BEGIN_NAMESPACE
class QChart;
class QChartView;
class QComboBox;
class QLabel;
QT_END_NAMESPACE

namespace kestle {
class CaptureSession;
}

namespace kestle::ui {

class GraphsPage : public QWidget {
  Q_OBJECT
 public:
  explicit GraphsPage(const CaptureSession& session, QWidget* parent = nullptr);

  // Draws the graph chosen in the list (1..6 in list order).
  void DrawGraph();
  // After a load or a close: an empty chart until the next drawing.
  void Clear();
  int Kind() const;
  // The chart's theme for a dark or a light palette.
  void SetDark(bool dark);
  // The line shown above the chart while no file is open.
  QLabel* Notice() const { return notice_; }

  QComboBox* Selector() const { return selector_; }
  QChart* Chart() const { return chart_; }
  QChartView* ChartView() const { return chartView_; }

 private:
  const CaptureSession& session_;
  QComboBox* selector_ = nullptr;
  QChart* chart_ = nullptr;
  QChartView* chartView_ = nullptr;
  QLabel* notice_ = nullptr;
  bool dark_ = false;  // the chart's theme is the dark one
};

}  // namespace kestle::ui
