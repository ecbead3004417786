#include "chart_fill.h"

#include <QBarCategoryAxis>
#include <QBarSet>
#include <QChart>
#include <QGraphicsSimpleTextItem>
#include <QLegend>
#include <QLineSeries>
#include <QPieSeries>
#include <QPieSlice>
#include <QScatterSeries>
#include <QStackedBarSeries>
#include <QValueAxis>
#include <algorithm>

#include "frame_model.h"

namespace kestle::ui {

namespace {

constexpr const char* kMarksName = "percentMarks";

// The percentage marks of a bar chart: text items above the bars, placed
// again whenever the plot area moves. The items belong to the chart (which
// deletes them when it goes); clearing the chart removes them first.
class BarMarks : public QObject {
 public:
  BarMarks(QChart* chart, QAbstractSeries* series, const std::vector<ChartPoint>& points)
      : QObject(chart), chart_(chart), series_(series) {
    setObjectName(kMarksName);
    uint64_t total = 0;
    for (const ChartPoint& p : points) total += p.Value;
    for (size_t i = 0; i < points.size(); ++i) {
      auto* item = new QGraphicsSimpleTextItem(
          QString::fromStdString(PercentText(points[i].Value, total)), chart);
      item->setZValue(10);
      marks_.push_back({item, static_cast<double>(i), static_cast<double>(points[i].Value)});
    }
    connect(chart, &QChart::plotAreaChanged, this, [this] { Place(); });
    Place();
  }
  void RemoveItems() {
    for (const Mark& m : marks_) delete m.item;
    marks_.clear();
  }

 private:
  struct Mark {
    QGraphicsSimpleTextItem* item;
    double x, y;
  };
  void Place() {
    // Marks wider than a bar's slot stand upright above their bars.
    const double slot = chart_->mapToPosition(QPointF(1, 0), series_).x() -
                        chart_->mapToPosition(QPointF(0, 0), series_).x();
    for (const Mark& m : marks_) {
      const QPointF top = chart_->mapToPosition(QPointF(m.x, m.y), series_);
      const QRectF r = m.item->boundingRect();
      if (r.width() + 4 > slot) {
        m.item->setRotation(-90);
        m.item->setPos(top.x() - r.height() / 2, top.y() - 2);
      } else {
        m.item->setRotation(0);
        m.item->setPos(top.x() - r.width() / 2, top.y() - r.height() - 2);
      }
    }
  }
  QChart* chart_;
  QAbstractSeries* series_;
  std::vector<Mark> marks_;
};

// Chart labels are drawn as rich text: "<64" must stay text.
QString LabelText(const std::string& label) {
  const QString text = QString::fromStdString(label).toHtmlEscaped();
  return text.isEmpty() ? QString(" ") : text;
}

QValueAxis* CountAxis(uint64_t most, const QString& title, double headroom = 1.15) {
  auto* axis = new QValueAxis;
  // Room above the highest bar for its mark; whole numbers only.
  const double top = most == 0 ? 1.0
                               : std::max<double>(static_cast<double>(most) * headroom,
                                                  static_cast<double>(most) + 1);
  axis->setRange(0, top);
  if (most >= 4) axis->applyNiceNumbers();
  axis->setLabelFormat("%.0f");
  axis->setTitleText(title);
  return axis;
}

}  // namespace

void ClearChart(QChart* chart) {
  // Only BarMarks carry this name.
  if (QObject* found = chart->findChild<QObject*>(kMarksName, Qt::FindDirectChildrenOnly)) {
    auto* marks = static_cast<BarMarks*>(found);
    marks->RemoveItems();
    delete marks;
  }
  chart->removeAllSeries();
  for (QAbstractAxis* axis : chart->axes()) {
    chart->removeAxis(axis);
    delete axis;
  }
}

void ShowBars(QChart* chart, const std::vector<ChartPoint>& points, const QString& bottomTitle,
              const QString& leftTitle, bool marks) {
  ClearChart(chart);
  // One set per point, its value in its own category only: each bar gets
  // its own colour and legend entry.
  auto* series = new QStackedBarSeries;
  QStringList categories;
  uint64_t most = 0;
  for (size_t i = 0; i < points.size(); ++i) {
    const QString label = LabelText(points[i].Label);
    categories << label;
    auto* set = new QBarSet(label);
    for (size_t k = 0; k < points.size(); ++k)
      *set << (k == i ? static_cast<double>(points[i].Value) : 0.0);
    set->setColor(ColourFromRgbValue(points[i].Colour));
    series->append(set);
    most = std::max(most, points[i].Value);
  }
  series->setBarWidth(0.7);
  chart->addSeries(series);
  // After the chart's theme has styled the series.
  for (QBarSet* set : series->barSets()) set->setBorderColor(Qt::black);
  auto* x = new QBarCategoryAxis;
  x->append(categories);
  x->setTitleText(bottomTitle);
  if (points.size() > 8) x->setLabelsAngle(-90);
  x->setLabelsVisible(marks);
  chart->addAxis(x, Qt::AlignBottom);
  series->attachAxis(x);
  // Upright marks need more room.
  QValueAxis* y = CountAxis(most, leftTitle, !marks ? 1.0 : points.size() > 10 ? 1.35 : 1.15);
  chart->addAxis(y, Qt::AlignLeft);
  series->attachAxis(y);
  chart->legend()->setVisible(!points.empty());
  chart->legend()->setAlignment(Qt::AlignRight);
  if (marks && !points.empty()) new BarMarks(chart, series, points);
}

void ShowPie(QChart* chart, const std::vector<ChartPoint>& points) {
  ClearChart(chart);
  auto* series = new QPieSeries;
  for (const ChartPoint& p : points) {
    QPieSlice* slice = series->append(LabelText(p.Label), static_cast<double>(p.Value));
    slice->setColor(ColourFromRgbValue(p.Colour));
  }
  series->setPieSize(0.8);
  chart->addSeries(series);
  // After the chart's theme has styled the series: white slices stay visible.
  for (QPieSlice* slice : series->slices()) slice->setBorderColor(Qt::black);
  chart->legend()->setVisible(!points.empty());
  chart->legend()->setAlignment(Qt::AlignRight);
}

void ShowLine(QChart* chart, const std::vector<ChartPoint>& points, const QString& bottomTitle,
              const QString& leftTitle) {
  ClearChart(chart);
  // The line, and over it the points, each in its colour with a black rim.
  auto* line = new QLineSeries;
  auto* dots = new QScatterSeries;
  uint64_t maxX = 0, maxY = 0;
  for (const ChartPoint& p : points) {
    line->append(static_cast<double>(p.X), static_cast<double>(p.Value));
    dots->append(static_cast<double>(p.X), static_cast<double>(p.Value));
    maxX = std::max(maxX, p.X);
    maxY = std::max(maxY, p.Value);
  }
  chart->addSeries(line);
  chart->addSeries(dots);
  dots->setMarkerSize(9);
  dots->setBorderColor(Qt::black);
  for (int i = 0; i < static_cast<int>(points.size()); ++i)
    dots->setPointConfiguration(i, {{QXYSeries::PointConfiguration::Color,
                                     ColourFromRgbValue(points[static_cast<size_t>(i)].Colour)}});
  auto* x = new QValueAxis;
  x->setRange(0, maxX == 0 ? 1.0 : static_cast<double>(maxX));
  // Whole seconds: a tick per second on short captures, round steps on long ones.
  if (maxX <= 10)
    x->setTickCount(static_cast<int>(std::max<uint64_t>(maxX, 1)) + 1);
  else
    x->applyNiceNumbers();
  x->setLabelFormat("%.0f");
  x->setTitleText(bottomTitle);
  chart->addAxis(x, Qt::AlignBottom);
  QValueAxis* y = CountAxis(maxY, leftTitle);
  chart->addAxis(y, Qt::AlignLeft);
  for (QAbstractSeries* series :
       {static_cast<QAbstractSeries*>(line), static_cast<QAbstractSeries*>(dots)}) {
    series->attachAxis(x);
    series->attachAxis(y);
  }
  chart->legend()->setVisible(false);
}

}  // namespace kestle::ui
