// The main window as a first-time user meets it, under the offscreen
// platform: the port dialog's changes reaching a reopened capture, the
// keys, the pane sizes across starts, the Open dialog, the help window,
// the status bar after a load, the empty statistics pages and a dark
// palette.
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSplitter>
#include <QStyleFactory>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>
#include <fstream>
#include <functional>

#include "decode/config/environment.h"
#include "decode/config/ini.h"
#include "find_dialog.h"
#include "frame_model.h"
#include "graphs_page.h"
#include "help_window.h"
#include "hexdump_view.h"
#include "main_window.h"
#include "nodes_page.h"
#include "output/palette.h"
#include "output/window_layout.h"
#include "ports_dialog.h"
#include "support/builders.h"
#include "support/packets.h"
#include "window_fixture.h"

using namespace kestle;
using namespace kestle::ui;
using namespace kestle::test;

namespace {

constexpr int kProtocolColumn = 7;  // ColumnSel "ABCDEFGIH"
constexpr int kDescriptionColumn = 8;

Bytes Tcp(uint16_t dst, std::string_view payload) {
  Bytes segment = TCPHeader(40000, dst, 0x18);
  for (char c : payload) segment.push_back(static_cast<uint8_t>(c));
  return IPv4Packet(IPv4Spec{}, segment);
}

Bytes Udp(uint16_t dst, const Bytes& payload) {
  IPv4Spec ip;
  ip.protocol = 17;
  return IPv4Packet(ip, UDPDatagram(5004, dst, payload));
}

// 1: HTTP to port 80, 2: NetBIOS session to 139, 3: SNMP to 161, 4: an
// RTP packet to 16384, 5: POP3 to 110.
Bytes PortsCapture() {
  const Bytes snmp = {0x30, 0x0B, 0x02, 0x01, 0x00, 0x04, 0x06, 'p', 'u', 'b', 'l', 'i', 'c'};
  Bytes rtp = {0x80, 0x00, 0x00, 0x01, 0, 0, 0, 1, 0, 0, 0, 2};
  rtp.resize(rtp.size() + 20, 0x55);
  const Bytes packets[] = {Tcp(80, "GET / HTTP/1.0\r\n\r\n"),
                           Tcp(139, std::string("\x85\0\0\0", 4)), Udp(161, snmp), Udp(16384, rtp),
                           Tcp(110, "+OK ready\r\n")};
  std::vector<PcapFrame> frames;
  for (const Bytes& p : packets)
    frames.push_back({FrameBuilder()
                          .ether("00:00:00:00:00:02", "00:00:00:00:00:01", 0x0800)
                          .raw(p)
                          .padTo(60)
                          .bytes()});
  return PcapFile(frames);
}

void Write(const QString& path, const Bytes& b) {
  std::ofstream out(path.toStdString(), std::ios::binary);
  out.write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
}

std::string ReadText(const QString& path) {
  const Bytes b = ReadFile(path.toStdString());
  return std::string(b.begin(), b.end());
}

// Runs `step` on the modal dialog that opens next.
void OnNextModal(std::function<void(QWidget*)> step) {
  QTimer::singleShot(0, [step] {
    QWidget* modal = QApplication::activeModalWidget();
    QVERIFY(modal);
    step(modal);
  });
}

QPushButton* ButtonNamed(QWidget* dialog, const QString& text) {
  for (QPushButton* b : dialog->findChildren<QPushButton*>())
    if (b->text() == text) return b;
  return nullptr;
}

}  // namespace

class FirstUseTest : public QObject {
  Q_OBJECT

  struct Fixture : WindowFixture {
    using WindowFixture::WindowFixture;
    QStringList Cells(int row) {
      return {Cell(row, kProtocolColumn), Cell(row, kDescriptionColumn)};
    }
  };

  QTemporaryDir dir_;
  QString ports_;

 private slots:
  void initTestCase() {
    QVERIFY(dir_.isValid());
    ports_ = dir_.filePath("ports.pcap");
    Write(ports_, PortsCapture());
  }

  // Options › Define Port Descriptions: delete the first row, add a port,
  // OK, and open the capture again: every frame keeps its protocol and
  // description, and the added port names its frame.
  void portDialogChangesReachAReopenedCapture() {
    Fixture f;
    MainWindow& w = f.window;
    QVERIFY(w.OpenFile(ports_));
    QList<QStringList> before;
    for (int r = 0; r < 5; ++r) before << f.Cells(r);
    QCOMPARE(before[0][0], QString("HTTP"));
    QCOMPARE(before[1][0], QString("NBSS"));
    QCOMPARE(before[2][0], QString("SNMP"));
    QCOMPARE(before[3][0], QString("UDP"));
    QCOMPARE(before[4][0], QString("POP3"));
    QVERIFY(before[4][1].endsWith("/POP3"));

    OnNextModal([](QWidget* modal) {
      auto* d = qobject_cast<PortsDialog*>(modal);
      QVERIFY(d);
      QCOMPARE(d->Grid()->item(0, 0)->text(), QString("20"));
      d->Grid()->selectRow(0);
      QTest::mouseClick(ButtonNamed(d, "&Delete"), Qt::LeftButton);
      QCOMPARE(d->Grid()->item(0, 0)->text(), QString("21"));
      OnNextModal([](QWidget* editor) {
        auto* e = qobject_cast<EditPortDialog*>(editor);
        QVERIFY(e);
        QTest::keyClicks(e->PortField(), "16384");
        QTest::keyClicks(e->DescriptionField(), "RTP media");
        e->SetType(PortUDP);
        e->DecoderBox()->setCurrentIndex(e->DecoderBox()->findText("RTP"));
        e->accept();
      });
      QTest::mouseClick(ButtonNamed(d, "&Add"), Qt::LeftButton);
      auto* box = d->findChild<QDialogButtonBox*>();
      QTest::mouseClick(box->button(QDialogButtonBox::Ok), Qt::LeftButton);
    });
    w.Command("Ports")->trigger();
    QVERIFY(f.env.Ports.PortsChanged);

    QVERIFY(w.OpenFile(ports_));
    for (int r : {0, 1, 2, 4}) QCOMPARE(f.Cells(r), before[r]);
    QCOMPARE(f.Cell(3, kProtocolColumn), QString("RTP"));
    QVERIFY2(f.Cell(3, kDescriptionColumn).contains("/RTP"),
             qPrintable(f.Cell(3, kDescriptionColumn)));
  }

  // The standard keys reach their commands; Home and End, Tab and
  // Ctrl+Tab move within the window.
  void keysReachTheirCommands() {
    Fixture f;
    MainWindow& w = f.window;
    w.SetOpenDialogRunner([](QFileDialog&) { return QString(); });
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QVERIFY(w.OpenFile(ports_));
    w.Grid()->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(w.Grid()));

    struct Case {
      const char* command;
      QKeySequence key;
      bool modal;  // its dialog is closed again by the test
    } cases[] = {
        {"Open", QKeySequence(Qt::CTRL | Qt::Key_O), false},
        {"Print", QKeySequence(Qt::CTRL | Qt::Key_P), true},
        {"SaveAs", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S), true},
        {"Find", QKeySequence(Qt::CTRL | Qt::Key_F), false},
        {"FindNext", QKeySequence(Qt::Key_F3), false},
        {"Goto", QKeySequence(Qt::CTRL | Qt::Key_G), true},
        {"Help", QKeySequence(Qt::Key_F1), false},
        {"Close", QKeySequence(Qt::CTRL | Qt::Key_W), false},
    };
    for (const Case& c : cases) {
      QAction* a = w.Command(c.command);
      QVERIFY2(a->shortcuts().contains(c.key), c.command);
      QSignalSpy spy(a, &QAction::triggered);
      // The offscreen platform leaves the focus with a closed dialog.
      w.windowHandle()->requestActivate();
      QTRY_COMPARE(QGuiApplication::focusWindow(), w.windowHandle());
      w.Grid()->setFocus();
      if (c.modal) OnNextModal([](QWidget* m) { m->close(); });
      QTest::keySequence(&w, c.key);
      QTRY_VERIFY2_WITH_TIMEOUT(spy.count() == 1, c.command, 2000);
    }
    QVERIFY(w.Help() && w.Help()->isVisible());
    QVERIFY(!w.Session().FileOpen());  // Close came last
    QVERIFY(w.Command("Exit")->shortcuts().contains(QKeySequence(Qt::CTRL | Qt::Key_Q)));
    // Ctrl+G is Goto's alone.
    QVERIFY(!w.Command("FindNext")->shortcuts().contains(QKeySequence(Qt::CTRL | Qt::Key_G)));

    // Home and End: the first and the last row.
    QVERIFY(w.OpenFile(ports_));
    w.activateWindow();
    w.Grid()->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(w.Grid()));
    QTest::keyClick(w.Grid(), Qt::Key_End);
    QCOMPARE(w.Grid()->currentIndex().row(), 4);
    QCOMPARE(w.Session().SelectedFrame, 5u);
    QTest::keyClick(w.Grid(), Qt::Key_Home);
    QCOMPARE(w.Grid()->currentIndex().row(), 0);

    // Tab and Shift+Tab: grid, tree, dump, and round again.
    const QList<QWidget*> ring = {w.Grid(), w.Tree(), w.Dump(), w.Grid()};
    for (int i = 0; i + 1 < ring.size(); ++i) {
      QTest::keyClick(ring[i], Qt::Key_Tab);
      QTRY_COMPARE(QApplication::focusWidget(), ring[i + 1]);
    }
    for (int i = ring.size() - 1; i > 0; --i) {
      QTest::keyClick(ring[i], Qt::Key_Tab, Qt::ShiftModifier);
      QTRY_COMPARE(QApplication::focusWidget(), ring[i - 1]);
    }
    // Ctrl+Tab: the next page, Ctrl+Shift+Tab the one before.
    QTest::keyClick(w.Grid(), Qt::Key_Tab, Qt::ControlModifier);
    QCOMPARE(w.Pages()->currentIndex(), 1);
    QTest::keyClick(w.Pages()->currentWidget(), Qt::Key_Tab, Qt::ControlModifier);
    QCOMPARE(w.Pages()->currentIndex(), 2);
    QTest::keyClick(w.Pages()->currentWidget(), Qt::Key_Backtab,
                    Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(w.Pages()->currentIndex(), 1);
    w.close();
  }

  // A window restores its bounds and panes into the space it has (a
  // maximised one into the whole screen): starting and exiting without a
  // change saves the file it read.
  void sizesSurviveStartsAndExits() {
    const struct Case {
      const char* name;
      bool maximised;
    } cases[] = {{"maximised", true}, {"normal", false}};
    for (const Case& c : cases) {
      const QString path = dir_.filePath(QString("sizes-%1.ini").arg(c.name));
      {
        std::ofstream out(path.toStdString(), std::ios::binary);
        out << "[Window]\r\nWindowMax=" << (c.maximised ? 1 : 0)
            << "\r\nWindowLeft=10\r\nWindowTop=12\r\nWindowHeight=500\r\n"
            << "WindowWidth=700\r\nPane1Size=150\r\nPane2Size=90\r\n";
      }
      std::vector<std::string> saved;
      for (int cycle = 0; cycle < 3; ++cycle) {
        Fixture f(path);
        f.ini.Load(path.toStdString());
        f.env.Load(f.ini);
        MainWindow w(f.env, f.ini, path, f.notes);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QTest::qWait(20);
        QCOMPARE(w.isMaximized(), c.maximised);
        QCOMPARE(w.Panes()->sizes().front(), 150);
        QCOMPARE(w.Panes()->sizes().back(), 90);
        w.close();
        saved.push_back(ReadText(path));
      }
      QVERIFY2(saved[1] == saved[0], c.name);
      QVERIFY2(saved[2] == saved[0], c.name);
      IniFile again;
      QVERIFY(again.Load(path.toStdString()));
      QCOMPARE(again.ReadInteger("Window", "Pane1Size", 0), 150);
      QCOMPARE(again.ReadInteger("Window", "WindowHeight", 0), 500);
      QCOMPARE(again.ReadInteger("Window", "WindowTop", 0), 12);
    }
  }

  // Without a settings file the window takes about 80 % of the screen and
  // the grid its twenty rows (as far as the screen allows).
  void firstStartSizes() {
    Fixture f;
    MainWindow& w = f.window;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QTest::qWait(20);
    const QRect screen = w.screen()->availableGeometry();
    const auto size = FirstStartWindowSize(screen.width(), screen.height());
    QCOMPARE(w.width(), size[0]);
    QCOMPARE(w.height(), size[1]);
    const QList<int> sizes = w.Panes()->sizes();
    int total = 0;
    for (int s : sizes) total += s;
    const auto want = FirstStartPaneHeights(total, w.Grid()->verticalHeader()->defaultSectionSize(),
                                            w.Grid()->horizontalHeader()->sizeHint().height(),
                                            2 * w.Grid()->frameWidth());
    QCOMPARE(sizes, (QList<int>{want[0], want[1], want[2]}));
    // The node columns fit an IPv6 address.
    const QFontMetrics fm(w.Grid()->font());
    for (int column : {3, 5})
      QVERIFY(w.Grid()->columnWidth(column) >=
              fm.horizontalAdvance("2001:db8:85a3::8a2e:370:7334"));
  }

  // The Open dialog lists pcap files and starts where the last file was.
  void openDialogStartsInTheLastFolder() {
    Fixture f;
    MainWindow& w = f.window;
    QStringList filters;
    QString folder;
    w.SetOpenDialogRunner([&](QFileDialog& d) {
      filters = d.nameFilters();
      folder = d.directory().absolutePath();
      return QString();
    });
    w.Command("Open")->trigger();
    QVERIFY(filters.front().contains("*.pcap ") && filters.front().contains("*.gz"));
    QVERIFY(filters.contains("pcap Capture (*.pcap)"));
    QVERIFY(w.OpenFile(ports_));
    w.Command("Open")->trigger();
    QCOMPARE(folder, QFileInfo(ports_).absolutePath());
  }

  // Status panel 0 after a load: frames and format, and a load cut short.
  void statusAfterALoad() {
    Fixture f;
    MainWindow& w = f.window;
    QVERIFY(w.OpenFile(ports_));
    QCOMPARE(w.StatusText(), QString("5 frames \u00B7 pcap"));
    const QString cut = dir_.filePath("cut.pcap");
    Bytes b = PortsCapture();
    b.resize(b.size() - 3);
    Write(cut, b);
    QVERIFY(w.OpenFile(cut));
    QVERIFY2(w.StatusText().startsWith("4 frames \u00B7 pcap \u00B7 cut short"),
             qPrintable(w.StatusText()));
    QCOMPARE(f.notes.FirstLines().back(), std::string("File is malformed and has been truncated"));
    // A load stopped at Maximum Frames says where that bound is set.
    f.env.settings.MaxPackets = 3;
    QVERIFY(w.OpenFile(ports_));
    QCOMPARE(f.notes.Messages.back(), "Maximum Frames exceeded - display truncated\n" +
                                          ports_.toStdString() +
                                          "\nOptions, Maximum Frames sets how many frames "
                                          "are loaded");
    w.CloseFile();
    QCOMPARE(w.StatusText(), QString());
  }

  // A disabled tool button looks disabled: its picture is faded; Exit and
  // Close look different.
  void disabledButtonsLookDisabled() {
    Fixture f;
    MainWindow& w = f.window;
    auto opacity = [](const QImage& image) {
      qint64 sum = 0;
      for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) sum += qAlpha(image.pixel(x, y));
      return sum;
    };
    for (const char* name : {"SaveAs", "Print", "Info", "Find", "Goto", "First", "Filter"}) {
      QAction* a = w.Command(name);
      QVERIFY2(!a->isEnabled(), name);
      const QImage normal = a->icon().pixmap(24, 24).toImage();
      const QImage disabled = a->icon().pixmap(24, 24, QIcon::Disabled).toImage();
      QVERIFY2(opacity(disabled) * 2 < opacity(normal), name);
    }
    QVERIFY(w.Command("Exit")->icon().pixmap(24, 24).toImage() !=
            w.Command("Close")->icon().pixmap(24, 24).toImage());
  }

  // The statistics pages say in one line that there is nothing to show.
  void emptyPagesSaySo() {
    Fixture f;
    MainWindow& w = f.window;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.Pages()->setCurrentIndex(1);
    QVERIFY(w.Nodes()->Notice()->isVisible());
    QVERIFY(w.Nodes()->Notice()->text().startsWith("No capture file is open"));
    w.Pages()->setCurrentIndex(2);
    QVERIFY(w.Graphs()->Notice()->isVisible());
    QVERIFY(w.OpenFile(ports_));
    w.Pages()->setCurrentIndex(1);
    QVERIFY(!w.Nodes()->Notice()->isVisible());
    w.Pages()->setCurrentIndex(2);
    QVERIFY(!w.Graphs()->Notice()->isVisible());
    w.CloseFile();
    w.Pages()->setCurrentIndex(1);
    QVERIFY(w.Nodes()->Notice()->isVisible());
  }

  // Help opens in a window of the program: pages, links, back and forward.
  void helpWindow() {
    Fixture f;
    MainWindow& w = f.window;
    w.Command("Help")->trigger();
    HelpWindow* h = w.Help();
    QVERIFY(h && h->isVisible());
    QCOMPARE(h->Browser()->source(), HelpWindow::PageUrl("index.html"));
    QVERIFY(h->Browser()->toPlainText().contains("Contents"));
    QVERIFY(!h->BackAction()->isEnabled());
    // Every page the index names is bundled.
    for (const char* page :
         {"opening", "grid", "detail", "filters", "statistics", "saving", "options"}) {
      h->ShowPage(QString(page) + ".html");
      QVERIFY2(h->Browser()->toPlainText().size() > 200, page);
    }
    QVERIFY(h->BackAction()->isEnabled());
    h->BackAction()->trigger();
    QCOMPARE(h->Browser()->source(), HelpWindow::PageUrl("saving.html"));
    QVERIFY(h->ForwardAction()->isEnabled());
    h->IndexAction()->trigger();
    QCOMPARE(h->Browser()->source(), HelpWindow::PageUrl("index.html"));
    h->close();
    w.Command("Help")->trigger();  // once more: the same window again
    QCOMPARE(w.Help(), h);
    QVERIFY(h->isVisible());
  }

  // On a dark palette every grid row and the dump read; back on a light
  // one the classic colours return.
  void darkPalette() {
    Fixture f;
    MainWindow& w = f.window;
    QVERIFY(w.OpenFile(ports_));
    const QPalette light = QApplication::palette();
    QPalette dark;
    dark.setColor(QPalette::Window, QColor(53, 53, 53));
    dark.setColor(QPalette::WindowText, Qt::white);
    dark.setColor(QPalette::Base, QColor(35, 35, 35));
    dark.setColor(QPalette::AlternateBase, QColor(53, 53, 53));
    dark.setColor(QPalette::Text, QColor(230, 230, 230));
    dark.setColor(QPalette::Button, QColor(53, 53, 53));
    dark.setColor(QPalette::ButtonText, Qt::white);
    QApplication::setPalette(dark);
    QApplication::processEvents();
    QVERIFY(w.Dump()->Colours().Dark);
    for (int r = 0; r < w.Model()->rowCount(); ++r) {
      const QModelIndex i = w.Model()->index(r, 0);
      const auto text = RgbValueFromColour(w.Model()->data(i, Qt::ForegroundRole).value<QColor>());
      const auto back = RgbValueFromColour(w.Model()->data(i, Qt::BackgroundRole).value<QColor>());
      QVERIFY2(ContrastRatio(text, back) >= 4.5, qPrintable(QString::number(r)));
      QVERIFY(IsDarkColour(back));
    }
    // The style's black arrows are drawn light on the dark tool bar.
    for (const char* name : {"First", "Prev", "Next", "Last"}) {
      const QImage arrow = w.Command(name)->icon().pixmap(24, 24).toImage();
      int visible = 0, light = 0;
      for (int y = 0; y < arrow.height(); ++y)
        for (int x = 0; x < arrow.width(); ++x) {
          const QColor c = arrow.pixelColor(x, y);
          if (c.alpha() < 128) continue;
          ++visible;
          if (c.lightnessF() > 0.6) ++light;
        }
      QVERIFY2(visible > 0 && light * 10 >= visible * 8, name);
    }
    QApplication::setPalette(light);
    QApplication::processEvents();
    QVERIFY(!w.Dump()->Colours().Dark);
    const QModelIndex first = w.Model()->index(0, 0);
    QCOMPARE(w.Model()->data(first, Qt::BackgroundRole).value<QColor>(), QColor(0xFF, 0xFF, 0xCC));
  }
};

QTEST_MAIN(FirstUseTest)
#include "first_use_test.moc"
