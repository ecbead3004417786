#include "graphs_page.h"

#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "chart_fill.h"
#include "decode/session.h"
#include "stats/graphs.h"

namespace kestle::ui {

GraphsPage::GraphsPage(const CaptureSession& session, QWidget* parent)
    : QWidget(parent), session_(session) {
  selector_ = new QComboBox;
  selector_->setObjectName("cbGraph");
  for (int kind = 1; kind <= kGraphKindCount; ++kind) {
    const std::string_view name = GraphEntryName(kind);
    selector_->addItem(QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())));
  }
  selector_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  connect(selector_, &QComboBox::currentIndexChanged, this, [this] { DrawGraph(); });

  chart_ = new QChart;
  chart_->setObjectName("Chart1");
  chart_->setAnimationOptions(QChart::NoAnimation);
  chart_->legend()->setVisible(false);
  chartView_ = new QChartView(chart_);
  chartView_->setRenderHint(QPainter::Antialiasing);

  auto* top = new QHBoxLayout;
  auto* label = new QLabel("Select Graph:");
  label->setBuddy(selector_);
  top->addWidget(label);
  top->addWidget(selector_);
  top->addStretch(1);
  notice_ = new QLabel("No capture file is open: open one to draw its graphs.");
  notice_->setObjectName("lblNoFile");
  notice_->setMargin(2);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->addWidget(notice_);
  layout->addLayout(top);
  layout->addWidget(chartView_, 1);
}

int GraphsPage::Kind() const { return selector_->currentIndex() + 1; }

void GraphsPage::DrawGraph() {
  notice_->setVisible(!session_.FileOpen());
  const GraphSeries g = ComputeGraph(session_, Kind());
  chart_->setTitle(QString::fromStdString(g.Title));
  const QString bottom = QString::fromStdString(g.BottomTitle);
  const QString left = QString::fromStdString(g.LeftTitle);
  if (g.Line)
    ShowLine(chart_, g.Points, bottom, left);
  else
    ShowBars(chart_, g.Points, bottom, left);
}

void GraphsPage::SetDark(bool dark) {
  if (dark == dark_) return;
  dark_ = dark;
  chart_->setTheme(dark ? QChart::ChartThemeDark : QChart::ChartThemeLight);
  if (session_.FileOpen()) DrawGraph();
}

void GraphsPage::Clear() {
  notice_->setVisible(!session_.FileOpen());
  ClearChart(chart_);
  chart_->legend()->setVisible(false);
}

}  // namespace kestle::ui
