// Fills a chart from the statistics' points: bars (one colour and legend
// entry per point, with percentage marks), a pie, or a line.
#pragma once

#include <QString>
#include <vector>

#include "stats/chart.h"

QT_BEGIN_NAMESPACE
class QChart;
QT_END_NAMESPACE

namespace kestle::ui {

// Removes every series, axis and mark.
void ClearChart(QChart* chart);
// One bar per point in the point's colour, its legend entry the point's
// label; with `marks`, above each bar its share of the total ("25 %", 0 %
// when the total is 0) and, below it, its label.
void ShowBars(QChart* chart, const std::vector<ChartPoint>& points, const QString& bottomTitle,
              const QString& leftTitle, bool marks = true);
void ShowPie(QChart* chart, const std::vector<ChartPoint>& points);
// A line through the points (X, Value), each point drawn in its colour; no legend.
void ShowLine(QChart* chart, const std::vector<ChartPoint>& points, const QString& bottomTitle,
              const QString& leftTitle);

}  // namespace kestle::ui
