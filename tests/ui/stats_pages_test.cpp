// The Nodes and Graphs pages and the host name lookup in the main window,
// under the offscreen platform.
#include <QAbstractBarSeries>
#include <QApplication>
#include <QBarSet>
#include <QChart>
#include <QCheckBox>
#include <QComboBox>
#include <QGraphicsSimpleTextItem>
#include <QHeaderView>
#include <QLegend>
#include <QLineSeries>
#include <QMenu>
#include <QPieSeries>
#include <QPieSlice>
#include <QScatterSeries>
#include <QStackedBarSeries>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>
#include <atomic>
#include <fstream>
#include <mutex>

#include "decode/config/environment.h"
#include "decode/config/ini.h"
#include "frame_model.h"
#include "graphs_page.h"
#include "main_window.h"
#include "nodes_page.h"
#include "options_dialog.h"
#include "output/fileinfo.h"
#include "support/builders.h"
#include "window_fixture.h"

using namespace kestle;
using namespace kestle::ui;
using test::Bytes;
using test::FrameBuilder;

namespace {

Bytes IPv4Frame(const char* dstMac, const char* srcMac, const char* src, const char* dst,
                uint8_t protocol, size_t payload) {
  FrameBuilder ip;
  ip.u8(0x45)
      .u8(0)
      .be16(static_cast<uint16_t>(20 + payload))
      .be16(1)
      .be16(0)
      .u8(64)
      .u8(protocol)
      .be16(0)
      .ipv4(src)
      .ipv4(dst);
  if (protocol == 17)
    ip.be16(40000).be16(40001).be16(static_cast<uint16_t>(payload)).be16(0).zeros(payload - 8);
  else
    ip.be16(40002).be16(40003).be32(1).be32(2).be16(0x5010).be16(100).be16(0).be16(0).zeros(
        payload - 20);
  return FrameBuilder().ether(dstMac, srcMac, 0x0800).raw(ip.bytes()).padTo(60).bytes();
}

void WriteFile(const QString& path, const Bytes& b) {
  std::ofstream out(path.toStdString(), std::ios::binary);
  out.write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
}

constexpr const char* kA = "00:00:00:00:00:01";
constexpr const char* kB = "00:00:00:00:00:02";
constexpr const char* kC = "00:00:00:00:00:03";

// A resolver with fixed answers that counts its calls.
struct FakeResolver {
  std::mutex m;
  std::map<uint32_t, std::string> names;
  int calls = 0;
  ReverseResolver Function() {
    return [this](uint32_t a) -> std::optional<std::string> {
      std::lock_guard lock(m);
      ++calls;
      auto it = names.find(a);
      if (it == names.end()) return std::nullopt;
      return it->second;
    };
  }
  int Calls() {
    std::lock_guard lock(m);
    return calls;
  }
};

}  // namespace

class StatsPagesTest : public QObject {
  Q_OBJECT

  struct Fixture : test::WindowFixture {
    using WindowFixture::WindowFixture;
    QString NodeCell(int row, int col) {
      QAbstractItemModel* m = window.Nodes()->NodeGrid()->model();
      return m->data(m->index(row, col), Qt::DisplayRole).toString();
    }
    QString SessionCell(int row, int col) {
      QAbstractItemModel* m = window.Nodes()->SessionGrid()->model();
      return m->data(m->index(row, col), Qt::DisplayRole).toString();
    }
    QString FrameCell(int row, int col) {
      return window.Model()->data(window.Model()->index(row, col), Qt::DisplayRole).toString();
    }
  };

  QTemporaryDir dir_;
  QString traffic_;  // A, B and C over IPv4: UDP and TCP
  QString other_;

  static QStringList MarkTexts(QChart* chart) {
    QStringList out;
    for (QGraphicsItem* item : chart->childItems())
      if (auto* t = dynamic_cast<QGraphicsSimpleTextItem*>(item)) out << t->text();
    return out;
  }

 private slots:
  void initTestCase() {
    QVERIFY(dir_.isValid());
    traffic_ = dir_.filePath("traffic.pcap");
    other_ = dir_.filePath("other.pcap");
    WriteFile(traffic_, test::PcapFile({
                            {IPv4Frame(kB, kA, "10.0.0.1", "10.0.0.2", 17, 30), 100, 0, 0},
                            {IPv4Frame(kA, kB, "10.0.0.2", "10.0.0.1", 6, 20), 100, 1, 0},
                            {IPv4Frame(kC, kA, "10.0.0.1", "10.0.0.3", 17, 30), 101, 0, 1500},
                            {IPv4Frame(kB, kA, "10.0.0.1", "10.0.0.2", 6, 20), 103, 0, 0},
                        }));
    WriteFile(other_,
              test::PcapFile({{IPv4Frame(kB, kA, "10.0.0.1", "10.0.0.9", 17, 30), 200, 0, 0}}));
  }

  void nodesPageListsStationsAndSessions() {
    Fixture f;
    MainWindow& w = f.window;
    QVERIFY(w.OpenFile(traffic_));
    w.Pages()->setCurrentIndex(1);
    NodesPage* page = w.Nodes();
    QTableView* grid = page->NodeGrid();
    QCOMPARE(grid->model()->rowCount(), 3);
    QCOMPARE(grid->model()->headerData(0, Qt::Horizontal).toString(), QString("Mac Address"));
    QCOMPARE(page->SessionGrid()->model()->headerData(0, Qt::Horizontal).toString(),
             QString("MAC Address"));
    // A sent three frames of 64, 1500 (on the wire) and 60 bytes.
    const QStringList a = {kA, "10.0.0.1", "", "1", "3", "60", "1624"};
    for (int c = 0; c < 7; ++c) QCOMPARE(f.NodeCell(0, c), a[c]);
    QCOMPARE(grid->model()->data(grid->model()->index(0, 4), Qt::TextAlignmentRole).toInt() &
                 Qt::AlignRight,
             int(Qt::AlignRight));
    QCOMPARE(grid->model()->data(grid->model()->index(0, 0), Qt::BackgroundRole).value<QColor>(),
             QColor(255, 255, 204));
    QCOMPARE(grid->model()->data(grid->model()->index(1, 0), Qt::BackgroundRole).value<QColor>(),
             QColor(Qt::white));
    QCOMPARE(grid->horizontalHeader()->sortIndicatorSection(), 0);
    QCOMPARE(grid->horizontalHeader()->sortIndicatorOrder(), Qt::AscendingOrder);
    QCOMPARE(grid->currentIndex().row(), 0);

    // The first station's sessions: B over TCP and UDP, C over UDP.
    QCOMPARE(page->SessionGrid()->model()->rowCount(), 3);
    QCOMPARE(page->SessionGrid()->selectionMode(), QAbstractItemView::NoSelection);
    QStringList protocols;
    for (int r = 0; r < 3; ++r) protocols << f.SessionCell(r, 0) + " " + f.SessionCell(r, 2);
    protocols.sort();
    QCOMPARE(protocols,
             QStringList({QString(kB) + " TCP", QString(kB) + " UDP", QString(kC) + " UDP"}));
    // Its chart: a pie (NodeSeriesType 1) with TCP then UDP.
    QChart* chart = page->Chart();
    QCOMPARE(chart->title(), QString("Protocol Distribution"));
    QCOMPARE(chart->series().size(), 1);
    auto* pie = qobject_cast<QPieSeries*>(chart->series().front());
    QVERIFY(pie);
    QCOMPARE(pie->count(), 2);
    QCOMPARE(pie->slices()[0]->label(), QString("TCP"));
    QCOMPARE(pie->slices()[0]->color(), QColor(0, 255, 0));
    QCOMPARE(pie->slices()[1]->label(), QString("UDP"));
    QCOMPARE(pie->slices()[1]->color(), QColor(0, 0, 255));

    // "Frames Sent" twice: descending, with the mark on that header.
    page->NodeHeaderClicked(4);
    page->NodeHeaderClicked(4);
    QCOMPARE(page->View().NodeSortMode(), 12);
    QCOMPARE(grid->horizontalHeader()->sortIndicatorSection(), 4);
    QCOMPARE(grid->horizontalHeader()->sortIndicatorOrder(), Qt::DescendingOrder);
    QCOMPARE(f.NodeCell(0, 4), QString("3"));
    QCOMPARE(f.NodeCell(2, 4), QString("0"));

    // Another row: its station's sessions.
    grid->selectionModel()->setCurrentIndex(
        grid->model()->index(2, 0),
        QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    QCOMPARE(page->SessionGrid()->model()->rowCount(), 1);
    QCOMPARE(f.SessionCell(0, 0), QString(kA));
    QCOMPARE(f.SessionCell(0, 4), QString("1500"));

    // Showing the page again sorts by MAC address.
    w.Pages()->setCurrentIndex(0);
    w.Pages()->setCurrentIndex(1);
    QCOMPARE(page->View().NodeSortMode(), 1);
    QCOMPARE(f.NodeCell(0, 0), QString(kA));

    w.CloseFile();
    QCOMPARE(grid->model()->rowCount(), 0);
    QCOMPARE(page->SessionGrid()->model()->rowCount(), 0);
    QVERIFY(chart->series().isEmpty());
  }

  // mixed.pcap: the session grid holds whole addresses, and a double click
  // on a session shows the frames between its two stations.
  void sessionsShowWholeAddressesAndFilterTheFrames() {
    Fixture f;
    MainWindow& w = f.window;
    w.resize(1000, 700);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QVERIFY(w.OpenFile(QString(KESTLE_TEST_DATA "/captures/mixed.pcap")));
    w.Pages()->setCurrentIndex(1);
    QTest::qWait(20);  // the columns are laid out once the page is shown
    QTableView* sessions = w.Nodes()->SessionGrid();
    QVERIFY(sessions->model()->rowCount() > 0);
    for (QTableView* grid : {w.Nodes()->NodeGrid(), sessions}) {
      const QFontMetrics fm(grid->font());
      QVERIFY(grid->columnWidth(0) >= fm.horizontalAdvance("00:00:00:00:00:00") + 8);
      QVERIFY(grid->columnWidth(1) >= fm.horizontalAdvance("255.255.255.255") + 8);
    }
    const QRect cell = sessions->visualRect(sessions->model()->index(0, 2));
    // A double click, as the window system delivers it: a click, then the
    // second press.
    QTest::mouseClick(sessions->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
    QTest::mouseDClick(sessions->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
    QCOMPARE(w.Pages()->currentIndex(), 0);
    QVERIFY(w.FilterImageShown());
    const int rows = w.Model()->rowCount();
    QVERIFY(rows > 0 && rows < 246);
    QCOMPARE(w.StatusText(), QString("%1 frame(s) selected").arg(rows));
    // The filter dialog's station filter chooses the same frames.
    const FilterState& stations = w.Filtering();
    QVERIFY(stations.Station1 != 0 && stations.Station2 != 0);
  }

  void chartMenuSwitchesPieAndBarsAndIsSaved() {
    const QString path = dir_.filePath("Kestle-chart.ini");
    {
      std::ofstream out(path.toStdString(), std::ios::binary);
      out << "[Window]\r\nPane3Height=170\r\nPane4Width=333\r\n";
    }
    Environment env;
    IniFile ini;
    RecordingNotifier notes;
    QVERIFY(ini.Load(path.toStdString()));
    env.Load(ini);
    {
      MainWindow w(env, ini, path, notes);
      QVERIFY(w.OpenFile(traffic_));
      w.Pages()->setCurrentIndex(1);
      NodesPage* page = w.Nodes();
      QCOMPARE(page->LowerPanelHeight(), 170);
      QCOMPARE(page->SessionsWidth(), 333);
      QMenu menu;
      page->FillChartMenu(&menu);
      QCOMPARE(menu.actions().size(), 2);
      QCOMPARE(menu.actions()[0]->text(), QString("Pie Chart"));
      QVERIFY(menu.actions()[0]->isChecked());
      QCOMPARE(menu.actions()[1]->text(), QString("Bar Graph"));
      QVERIFY(!menu.actions()[1]->isChecked());
      menu.actions()[1]->trigger();
      QCOMPARE(env.settings.NodeSeriesType, uint16_t{2});
      auto* bars = qobject_cast<QStackedBarSeries*>(page->Chart()->series().value(0));
      QVERIFY(bars);
      QCOMPARE(bars->count(), 2);
      QCOMPARE(bars->barSets()[0]->label(), QString("TCP"));
      QCOMPARE(bars->barSets()[0]->color(), QColor(0, 255, 0));
      QVERIFY(MarkTexts(page->Chart()).isEmpty());  // the legend names the bars
      QMenu again;
      page->FillChartMenu(&again);
      QVERIFY(!again.actions()[0]->isChecked());
      QVERIFY(again.actions()[1]->isChecked());
      w.close();
    }
    IniFile saved;
    QVERIFY(saved.Load(path.toStdString()));
    QCOMPARE(saved.ReadInteger("Options", "NodeSeriesType", 0), 2);
    QCOMPARE(saved.ReadInteger("Window", "Pane3Height", 0), 170);
    QCOMPARE(saved.ReadInteger("Window", "Pane4Width", 0), 333);

    // The next start shows bars from the beginning.
    Environment env2;
    env2.Load(saved);
    RecordingNotifier notes2;
    MainWindow w2(env2, saved, {}, notes2);
    QVERIFY(w2.OpenFile(traffic_));
    w2.Pages()->setCurrentIndex(1);
    QVERIFY(qobject_cast<QStackedBarSeries*>(w2.Nodes()->Chart()->series().value(0)));
  }

  void paneSizesFollowTheSplitters() {
    const QString path = dir_.filePath("Kestle-panes.ini");
    Environment env;
    IniFile ini;
    RecordingNotifier notes;
    {
      MainWindow w(env, ini, path, notes);
      w.resize(900, 600);
      w.show();
      QVERIFY(QTest::qWaitForWindowExposed(&w));
      w.Pages()->setCurrentIndex(1);
      QApplication::processEvents();
      w.Nodes()->SetPaneSizes(150, 300);
      QApplication::processEvents();
      QCOMPARE(w.Nodes()->LowerPanelHeight(), 150);
      QCOMPARE(w.Nodes()->SessionsWidth(), 300);
      // Sizes from a larger screen stay inside the page.
      w.Nodes()->SetPaneSizes(5000, -20);
      QVERIFY(w.Nodes()->LowerPanelHeight() < 600);
      QVERIFY(w.Nodes()->SessionsWidth() > 0);
      w.close();
    }
    IniFile saved;
    QVERIFY(saved.Load(path.toStdString()));
    QVERIFY(saved.ReadInteger("Window", "Pane3Height", 0) > 0);
    QVERIFY(saved.ReadInteger("Window", "Pane3Height", 0) < 600);
    QVERIFY(saved.ReadInteger("Window", "Pane4Width", 0) > 0);
  }

  void graphsPageDrawsTheChosenGraph() {
    Fixture f;
    MainWindow& w = f.window;
    GraphsPage* page = w.Graphs();
    QComboBox* list = page->Selector();
    QCOMPARE(list->count(), 6);
    QCOMPARE(list->itemText(0), QString("Packet Size Distribution"));
    QCOMPARE(list->itemText(5), QString("Packet Throughput"));
    // Nothing loaded: empty buckets, each 0 %.
    w.Pages()->setCurrentIndex(2);
    QCOMPARE(page->Chart()->title(), QString("Packet Size Distribution"));
    QCOMPARE(MarkTexts(page->Chart()), QStringList(6, "0 %"));

    QVERIFY(w.OpenFile(traffic_));
    QCOMPARE(w.Pages()->currentIndex(), 0);
    QVERIFY(page->Chart()->series().isEmpty());  // emptied by the load
    w.Pages()->setCurrentIndex(2);
    auto* bars = qobject_cast<QStackedBarSeries*>(page->Chart()->series().value(0));
    QVERIFY(bars);
    QCOMPARE(bars->count(), 6);
    QCOMPARE(bars->barSets()[0]->label(), QString("&lt;64"));  // shown as text, not markup
    QCOMPARE(bars->barSets()[0]->at(0), 2.0);
    QCOMPARE(bars->barSets()[0]->at(1), 0.0);
    QCOMPARE(bars->barSets()[1]->at(1), 1.0);
    QCOMPARE(bars->barSets()[5]->at(5), 1.0);
    QVERIFY(page->Chart()->legend()->isVisible());
    QStringList marks = MarkTexts(page->Chart());
    marks.sort();
    QCOMPARE(marks, QStringList({"0 %", "0 %", "0 %", "25 %", "25 %", "50 %"}));
    QStringList axes;
    for (QAbstractAxis* axis : page->Chart()->axes()) axes << axis->titleText();
    axes.sort();
    QCOMPARE(axes, QStringList({"Packets", "Size"}));

    list->setCurrentIndex(5);
    QCOMPARE(page->Chart()->title(), QString("Packet Throughput"));
    auto* line = qobject_cast<QLineSeries*>(page->Chart()->series().value(0));
    QVERIFY(line);
    QCOMPARE(line->points(), QList<QPointF>({{0, 0}, {0, 2}, {1, 1}, {3, 1}}));
    QVERIFY(!page->Chart()->legend()->isVisible());
    QVERIFY(MarkTexts(page->Chart()).isEmpty());

    list->setCurrentIndex(3);
    bars = qobject_cast<QStackedBarSeries*>(page->Chart()->series().value(0));
    QVERIFY(bars);
    QCOMPARE(bars->barSets()[0]->label(), QString("10.0.0.1"));

    // A change of the shown frames redraws the active page.
    w.Session().FrameOrder[1] = 2;
    w.Session().VisibleCount = 1;
    w.ShownFramesChanged();
    bars = qobject_cast<QStackedBarSeries*>(page->Chart()->series().value(0));
    QCOMPARE(bars->barSets()[0]->label(), QString("10.0.0.2"));
  }

  void hostNamesArriveInTheGrids() {
    Fixture f;
    MainWindow& w = f.window;
    FakeResolver fake;
    fake.names = {{test::ParseIPv4("10.0.0.1"), "alpha"}, {test::ParseIPv4("10.0.0.3"), "gamma"}};
    w.SetHostResolver(fake.Function());

    // Off: no look-up at all.
    QVERIFY(w.OpenFile(traffic_));
    QTest::qWait(20);
    QApplication::processEvents();
    QCOMPARE(fake.Calls(), 0);
    QCOMPARE(f.FrameCell(0, 3), QString("10.0.0.1"));

    // Switched on in the Options dialog with the file loaded: at once.
    QTimer::singleShot(0, &w, [&] {
      w.Options()->HostLookup()->setChecked(true);
      w.Options()->accept();
    });
    w.ShowOptions();
    QVERIFY(f.env.settings.LookupHostNames);
    QTRY_COMPARE(f.FrameCell(0, 3), QString("alpha"));
    QTRY_COMPARE(fake.Calls(), 3);
    w.Pages()->setCurrentIndex(1);
    QTRY_COMPARE(f.NodeCell(0, 2), QString("alpha"));
    QCOMPARE(f.NodeCell(1, 2), QString(""));  // 10.0.0.2 has no name

    // After every load while on.
    QVERIFY(w.OpenFile(traffic_));
    QTRY_COMPARE(f.FrameCell(0, 3), QString("alpha"));

    // Switched off: the thread is stopped.
    QTimer::singleShot(0, &w, [&] {
      w.Options()->HostLookup()->setChecked(false);
      w.Options()->accept();
    });
    w.ShowOptions();
    QVERIFY(!w.Lookup().Active());
  }

  void openingAnotherFileStopsTheLookup() {
    Fixture f;
    MainWindow& w = f.window;
    f.env.settings.LookupHostNames = true;
    std::atomic<bool> blocked{false};
    QString statusWhileWaiting;
    std::atomic<int> calls{0};
    w.SetHostResolver([&](uint32_t a) -> std::optional<std::string> {
      ++calls;
      // Only the first file's first look-up is slow.
      if (a != test::ParseIPv4("10.0.0.1") || blocked.exchange(true)) return std::nullopt;
      // A slow look-up: it returns only once the window asks the thread
      // to stop, while the window thread waits for it.
      for (int i = 0; i < 5000 && !w.Lookup().StopRequested(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      statusWhileWaiting = w.StatusText();
      return "stale";
    });
    QVERIFY(w.OpenFile(traffic_));
    QTRY_VERIFY(blocked.load());
    QVERIFY(w.OpenFile(other_));
    QCOMPARE(statusWhileWaiting, QString("Waiting for lookup thread to terminate"));
    // The waiting text is gone: the panel tells what the new load brought.
    QCOMPARE(w.StatusText(), QString::fromStdString(LoadSummaryText(w.Session())));
    QTest::qWait(20);
    QApplication::processEvents();
    // The name found for the first file never reaches the second.
    for (const NodeEntryRec& n : w.Session().Nodes.NodeTable) QVERIFY(n.HostName != "stale");
    QCOMPARE(f.FrameCell(0, 3), QString("10.0.0.1"));
    QTRY_VERIFY(w.Lookup().Finished());
    QVERIFY(calls.load() >= 2);

    // Closing stops it too; the window can be destroyed with none running.
    w.CloseFile();
    QVERIFY(!w.Lookup().Active());
  }
};

QTEST_MAIN(StatsPagesTest)
#include "stats_pages_test.moc"
