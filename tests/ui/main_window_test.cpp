// The desktop program's main window under the offscreen platform.
#include "main_window.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QtTest>
#include <fstream>
#include <functional>

#include "decode/config/environment.h"
#include "decode/config/ini.h"
#include "frame_model.h"
#include "hexdump_view.h"
#include "options_dialog.h"
#include "output/detailview.h"
#include "ports_dialog.h"
#include "window_fixture.h"

using namespace kestle;
using namespace kestle::ui;

namespace {

struct Frame {
  uint32_t seconds;
  uint32_t micro;
  size_t length;
};

// A little-endian pcap file of Ethernet frames filled with a byte pattern.
void WritePcap(const QString& path, const std::vector<Frame>& frames) {
  std::ofstream out(path.toStdString(), std::ios::binary);
  auto u32 = [&](uint32_t v) { out.write(reinterpret_cast<const char*>(&v), 4); };
  auto u16 = [&](uint16_t v) { out.write(reinterpret_cast<const char*>(&v), 2); };
  u32(0xA1B2C3D4);
  u16(2);
  u16(4);
  u32(0);
  u32(0);
  u32(65535);
  u32(1);
  for (const Frame& f : frames) {
    u32(f.seconds);
    u32(f.micro);
    u32(static_cast<uint32_t>(f.length));
    u32(static_cast<uint32_t>(f.length));
    std::string data(f.length, '\0');
    for (size_t i = 0; i < f.length; ++i) data[i] = static_cast<char>(i);
    data[12] = 0x08;  // an IPv4 EtherType
    data[13] = 0x00;
    out.write(data.data(), static_cast<std::streamsize>(data.size()));
  }
}

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT

  struct Fixture : test::WindowFixture {
    using WindowFixture::WindowFixture;
    QStringList Column(int col) {
      QStringList out;
      for (int r = 0; r < window.Model()->rowCount(); ++r) out << Cell(r, col);
      return out;
    }
  };

  QTemporaryDir dir_;
  QString small_;  // 3 frames
  QString other_;  // 2 frames
  QString big_;    // enough frames for progress steps

 private slots:
  void initTestCase() {
    QVERIFY(dir_.isValid());
    small_ = dir_.filePath("small.pcap");
    other_ = dir_.filePath("other.pcap");
    big_ = dir_.filePath("big.pcap");
    WritePcap(small_, {{3600, 1500, 60}, {3601, 250000, 42}, {3602, 0, 60}});
    WritePcap(other_, {{7200, 0, 64}, {7201, 0, 64}});
    std::vector<Frame> many;
    for (uint32_t i = 0; i < 3000; ++i) many.push_back({100 + i, 0, 60});
    WritePcap(big_, many);
  }

  void commandEnabling() {
    Fixture f;
    MainWindow& w = f.window;
    const QStringList always = {"Open",    "Exit",      "Ports", "Options",
                                "Toolbar", "StatusBar", "Help",  "About"};
    const QStringList fileCommands = {"SaveAs", "Info", "Print", "Goto", "Find",       "Filter",
                                      "First",  "Prev", "Next",  "Last", "ClearFilter"};
    auto check = [&](bool loaded) {
      for (const QString& c : always) QVERIFY2(w.Command(c)->isEnabled(), qPrintable(c));
      for (const QString& c : fileCommands)
        QVERIFY2(w.Command(c)->isEnabled() == loaded, qPrintable(c));
      w.UpdateFileMenu();
      QCOMPARE(w.Command("Close")->isEnabled(), loaded);
      QCOMPARE(w.windowTitle(), loaded ? "Kestle - " + small_ : QString("Kestle"));
    };
    check(false);
    QVERIFY(w.OpenFile(small_));
    check(true);
    w.CloseFile();
    check(false);
    QCOMPARE(w.Model()->rowCount(), 0);
    QVERIFY(w.Tree()->topLevelItemCount() == 0);
    QCOMPARE(w.Dump()->count(), 0);
  }

  void openByCommandLine() {
    Fixture f;
    f.window.OpenFromArguments({"kestle", small_});
    QCOMPARE(f.window.Model()->rowCount(), 0);  // after the event loop starts
    QTRY_COMPARE(f.window.Model()->rowCount(), 3);
    QCOMPARE(f.window.Session().SelectedFrame, 1u);
    f.window.OpenFromArguments({"kestle"});  // no argument: nothing happens
    QTest::qWait(10);
    QCOMPARE(f.window.Model()->rowCount(), 3);
  }

  void openEveryFormat_data() {
    QTest::addColumn<QString>("file");
    for (const char* name :
         {"mixed.pcap", "mixed-be.pcap", "mixed-mod.pcap", "mixed.enc", "mixed-nm1.cap",
          "mixed-nm2.cap", "mixed-xray11.cap", "mixed-xray20.cap", "mixed.5vw", "mixed.pcap.gz",
          "mixed-be.pcap.gz", "mixed-mod.pcap.gz", "mixed.enc.gz", "mixed-nm1.cap.gz",
          "mixed-nm2.cap.gz", "mixed-xray11.cap.gz", "mixed-xray20.cap.gz", "mixed.5vw.gz"})
      QTest::newRow(name) << QString(KESTLE_TEST_DATA "/captures/") + name;
  }
  void openEveryFormat() {
    QFETCH(QString, file);
    Fixture f;
    QVERIFY2(f.window.OpenFile(file),
             f.notes.Messages.empty() ? "" : f.notes.Messages.back().c_str());
    QVERIFY(f.window.Model()->rowCount() > 0);
    QVERIFY(f.window.Dump()->count() > 0);
    QCOMPARE(f.window.Session().SelectedFrame, 1u);
  }

  // A load's messages come once its frames are shown.
  void damagedFileShowsItsFramesThenTheMessage() {
    const QString path = dir_.filePath("cut.pcap");
    WritePcap(path, {{3600, 0, 60}, {3601, 0, 60}, {3602, 0, 60}});
    QVERIFY(QFile::resize(path, QFileInfo(path).size() - 1));
    struct Probe : Notifier {
      MainWindow* window = nullptr;
      std::vector<std::string> texts;
      std::vector<int> rows;
      std::vector<bool> shown;
      void Message(const std::string& text) override {
        texts.push_back(text);
        rows.push_back(window->Model()->rowCount());
        shown.push_back(window->Dump()->count() > 0);
      }
    } probe;
    Environment env;
    IniFile ini;
    MainWindow w(env, ini, {}, probe);
    probe.window = &w;
    QVERIFY(w.OpenFile(path));
    QCOMPARE(probe.texts, std::vector<std::string>{"File is malformed and has been truncated\n" +
                                                   path.toStdString()});
    QCOMPARE(probe.rows, std::vector<int>{2});
    QCOMPARE(probe.shown, std::vector<bool>{true});
  }

  void openFailureShowsMessage() {
    Fixture f;
    const QString missing = dir_.filePath("missing.pcap");
    QVERIFY(!f.window.OpenFile(missing));
    QCOMPARE(f.notes.Messages,
             std::vector<std::string>{"Selected file could not be opened\n" +
                                      missing.toStdString() + ": No such file or directory"});
    QCOMPARE(f.window.Model()->rowCount(), 0);
    QVERIFY(!f.window.Command("SaveAs")->isEnabled());
  }

  void dropFiles() {
    Fixture f;
    MainWindow& w = f.window;
    // a real drop event, delivered to the window
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    auto mime = std::make_unique<QMimeData>();
    mime->setUrls({QUrl::fromLocalFile(small_)});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, mime.get(), Qt::LeftButton,
                          Qt::NoModifier);
    QApplication::sendEvent(&w, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&w, &drop);
    QTRY_COMPARE(w.Model()->rowCount(), 3);
    QCOMPARE(w.windowTitle(), "Kestle - " + small_);
    // two files: the message, and the loaded file stays
    w.DropFiles({QUrl::fromLocalFile(other_), QUrl::fromLocalFile(small_)});
    QCOMPARE(f.notes.Messages, std::vector<std::string>{"One at a time please"});
    QCOMPARE(w.Model()->rowCount(), 3);
    w.DropFiles({QUrl::fromLocalFile(other_)});
    QCOMPARE(w.Model()->rowCount(), 2);
  }

  void gridCellsSortAndColours() {
    Fixture f;
    f.env.settings.ColumnSel = "ABC";
    MainWindow& w = f.window;
    QVERIFY(w.OpenFile(small_));
    auto* m = w.Model();
    QCOMPARE(m->columnCount(), 3);
    QCOMPARE(m->headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(), "No.");
    QCOMPARE(m->headerData(2, Qt::Horizontal, Qt::DisplayRole).toString(), "Length");
    QCOMPARE(f.Column(0), (QStringList{"1", "2", "3"}));
    QCOMPARE(f.Column(1), (QStringList{"01:00:00.001", "01:00:01.250", "01:00:02.000"}));
    QCOMPARE(f.Column(2), (QStringList{"60", "42", "60"}));
    QCOMPARE(m->data(m->index(0, 0), Qt::TextAlignmentRole).value<Qt::Alignment>() & Qt::AlignRight,
             Qt::AlignRight);
    QCOMPARE(m->data(m->index(0, 1), Qt::TextAlignmentRole).value<Qt::Alignment>() & Qt::AlignRight,
             Qt::Alignment());
    QCOMPARE(m->data(m->index(0, 0), Qt::BackgroundRole).value<QColor>(), QColor(255, 255, 204));
    QCOMPARE(m->data(m->index(1, 0), Qt::BackgroundRole).value<QColor>(), QColor(255, 255, 255));
    f.window.Session().FrameTable[2].Tagged = 1;
    QCOMPARE(m->data(m->index(1, 0), Qt::BackgroundRole).value<QColor>(), QColor(0, 255, 0));
    QCOMPARE(m->data(m->index(1, 0), Qt::ForegroundRole).value<QColor>(), QColor(0, 0, 0));

    QHeaderView* header = w.Grid()->horizontalHeader();
    QCOMPARE(header->sortIndicatorSection(), 0);
    QCOMPARE(header->sortIndicatorOrder(), Qt::AscendingOrder);
    // select frame 3, then sort by length twice: equal lengths keep frame order
    w.SelectRow(2);
    emit header->sectionClicked(2);
    QCOMPARE(w.SortMode(), 3);
    QCOMPARE(f.Column(0), (QStringList{"2", "1", "3"}));
    QCOMPARE(header->sortIndicatorSection(), 2);
    QCOMPARE(w.Grid()->currentIndex().row(), 2);  // frame 3 stays selected
    QCOMPARE(w.Session().SelectedFrame, 3u);
    emit header->sectionClicked(2);
    QCOMPARE(w.SortMode(), 12);
    QCOMPARE(f.Column(0), (QStringList{"1", "3", "2"}));
    QCOMPARE(header->sortIndicatorOrder(), Qt::DescendingOrder);
    QCOMPARE(w.Grid()->currentIndex().row(), 1);
    emit header->sectionClicked(1);  // Time ascending: capture order
    QCOMPARE(f.Column(0), (QStringList{"1", "2", "3"}));
    emit header->sectionClicked(1);
    QCOMPARE(f.Column(0), (QStringList{"3", "2", "1"}));

    // a new load resets the sort to No. ascending
    QVERIFY(w.OpenFile(small_));
    QCOMPARE(w.SortMode(), 1);
    QCOMPARE(header->sortIndicatorSection(), 0);
    QCOMPARE(f.Column(0), (QStringList{"1", "2", "3"}));
  }

  void copyCellAndRow() {
    Fixture f;
    f.env.settings.ColumnSel = "CA";
    QVERIFY(f.window.OpenFile(small_));
    f.window.SelectRow(1);
    f.window.CopyRow();
    QCOMPARE(QApplication::clipboard()->text(), "42 | 2");
    f.window.CopyCell(1);
    QCOMPARE(QApplication::clipboard()->text(), "2");
  }

  void selectingRowShowsFrame() {
    Fixture f;
    MainWindow& w = f.window;
    QVERIFY(w.OpenFile(small_));
    QCOMPARE(w.Session().SelectedFrame, 1u);
    QCOMPARE(w.Dump()->count(), 4);                     // 60 bytes
    w.Grid()->setCurrentIndex(w.Model()->index(1, 0));  // by the view, as a click would
    QCOMPARE(w.Session().SelectedFrame, 2u);
    QCOMPARE(w.Dump()->count(), 3);  // 42 bytes
    QCOMPARE(w.Dump()->item(2)->text(), QString("0x0020  20 21 22 23 24 25 26 27 28 29 ") +
                                            QString(18 + 2, ' ') + " !.#$%&.()");
    QCOMPARE(w.Tree()->topLevelItemCount(), static_cast<int>(w.Detail().Roots.size()));
    w.SelectRow(7);  // beyond the rows: ignored
    QCOMPARE(w.Session().SelectedFrame, 2u);
  }

  // mixed.pcap frame 11 (DHCP): the Router option (bytes 315 to 320) lies
  // below the dump lines a small pane shows.
  void dumpFollowsTheTreeAndClicksPickTreeLines() {
    Fixture f;
    MainWindow& w = f.window;
    w.resize(1000, 700);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QVERIFY(w.OpenFile(QString(KESTLE_TEST_DATA "/captures/mixed.pcap")));
    w.SelectRow(10);
    HexDumpView* dump = w.Dump();
    QTreeWidgetItem* router = nullptr;
    for (QTreeWidgetItemIterator it(w.Tree()); *it; ++it)
      if ((*it)->text(0) == "3 Router: 192.168.10.1") router = *it;
    QVERIFY(router);
    const int line = 315 / 16;
    QVERIFY(dump->count() > line + 1);
    auto lineShown = [&](int l) {
      return dump->viewport()->rect().contains(dump->visualItemRect(dump->item(l)));
    };
    QVERIFY(!lineShown(line));  // the pane holds fewer lines

    // Selected in the tree, the bytes scroll into view.
    w.Tree()->setCurrentItem(router);
    QVERIFY((dump->Highlight() == DumpSpan{315, 6}));
    QVERIFY(lineShown(315 / 16) && lineShown(320 / 16));

    // The character column shows the same bytes in red as the hex column:
    // red pixels on the line, right of where the characters start.
    QApplication::processEvents();
    const QFontMetrics fm(dump->font());
    const int advance = fm.horizontalAdvance(QLatin1Char('0'));
    const QRect row = dump->visualItemRect(dump->item(line));
    const QImage img = dump->viewport()->grab().toImage();
    auto redIn = [&](int fromX, int toX) {
      for (int y = row.top(); y <= row.bottom(); ++y)
        for (int x = fromX; x < toX && x < img.width(); ++x) {
          const QColor c = img.pixelColor(x, y);
          if (c.red() > 200 && c.green() < 60 && c.blue() < 60) return true;
        }
      return false;
    };
    QVERIFY(redIn(2 + 8 * advance, 2 + 56 * advance));   // hex column
    QVERIFY(redIn(2 + 58 * advance, 2 + 74 * advance));  // character column

    // A click on a byte selects the deepest line that holds it; the tree
    // opens down to it, and the dump highlights that line's bytes.
    w.Tree()->collapseAll();
    auto clickByte = [&](uint32_t offset, bool charColumn) {
      const QRect r = dump->visualItemRect(dump->item(static_cast<int>(offset / 16)));
      const int column =
          charColumn ? 58 + static_cast<int>(offset % 16) : 8 + 3 * static_cast<int>(offset % 16);
      QTest::mouseClick(dump->viewport(), Qt::LeftButton, Qt::NoModifier,
                        QPoint(r.left() + 2 + column * advance + advance / 2, r.center().y()));
    };
    clickByte(318, false);
    QVERIFY(w.Tree()->currentItem());
    QVERIFY(w.Tree()->currentItem()->text(0).startsWith("Option (4 bytes) "));
    QVERIFY(w.Tree()->currentItem()->parent()->isExpanded());
    QVERIFY(w.Tree()->currentItem()->parent()->parent()->isExpanded());
    QVERIFY((dump->Highlight() == DumpSpan{317, 4}));
    QVERIFY(dump->selectedItems().isEmpty());  // no whole dump line is selected
    clickByte(315, true);
    QVERIFY(w.Tree()->currentItem()->text(0).startsWith("Option Number (1 byte) "));
    QVERIFY((dump->Highlight() == DumpSpan{315, 1}));
    // The offset column picks nothing.
    QTest::mouseClick(dump->viewport(), Qt::LeftButton, Qt::NoModifier,
                      QPoint(row.left() + 2 + advance, row.center().y()));
    QVERIFY((dump->Highlight() == DumpSpan{315, 1}));
  }

  void treeSelectionHighlightsItsBytes() {
    Fixture f;
    MainWindow& w = f.window;
    QVERIFY(w.OpenFile(small_));
    DetailTree t;
    DetailNode* eth = t.Add(nullptr, "Ethernet II", 0, 14, TreeImage::Link);
    t.Add(eth, "Destination - 00:01:02:03:04:05", 0, 6, TreeImage::Field);
    DetailNode* ip = t.Add(nullptr, "IPv4", 14, 20, TreeImage::Network);
    t.Add(ip, "Source - 26.27.28.29", 26, 4, TreeImage::Field);
    std::vector<uint8_t> bytes(60);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i);
    w.ShowDetail(std::move(t), bytes);
    QCOMPARE(w.Tree()->topLevelItemCount(), 2);
    QTreeWidgetItem* src = w.Tree()->topLevelItem(1)->child(0);
    QCOMPARE(src->text(0), "Source - 26.27.28.29");
    QVERIFY(w.Dump()->SelectedNode() == nullptr);
    w.Tree()->setCurrentItem(src);
    QVERIFY(w.Dump()->SelectedNode() != nullptr);

    // every bold slot of every dump line, as the dump draws them
    auto highlighted = [&] {
      QList<int> bold;
      for (int line = 0; line < w.Dump()->count(); ++line)
        for (const DumpRun& r :
             DumpLineRuns(*w.Dump()->Tree(), w.Dump()->SelectedNode(),
                          static_cast<uint32_t>(line) * 16, w.Dump()->ColourLayers()))
          if (r.Bold)
            for (uint32_t i = 0; i < r.Count; ++i) bold << line * 16 + static_cast<int>(r.Slot + i);
      return bold;
    };
    QCOMPARE(highlighted(), (QList<int>{26, 27, 28, 29}));
    w.Tree()->setCurrentItem(w.Tree()->topLevelItem(0)->child(0));
    QCOMPARE(highlighted(), (QList<int>{0, 1, 2, 3, 4, 5}));
    w.Tree()->clearSelection();
    QCOMPARE(highlighted(), QList<int>());

    // the dump really paints bold red there: grab it and look for red pixels
    w.resize(900, 700);
    w.show();
    w.Tree()->setCurrentItem(src);
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    const QImage img = w.Dump()->viewport()->grab().toImage();
    bool red = false;
    for (int y = 0; y < img.height() && !red; ++y)
      for (int x = 0; x < img.width() && !red; ++x) {
        const QColor c = img.pixelColor(x, y);
        red = c.red() > 200 && c.green() < 60 && c.blue() < 60;
      }
    QVERIFY(red);

    w.CopyTree();
    QVERIFY2(QApplication::clipboard()->text().startsWith("+Ethernet II"),
             qPrintable(QApplication::clipboard()->text().left(80)));
    QVERIFY(QApplication::clipboard()->text().contains("\r\n+IPv4"));
    w.CopyDump();
    QCOMPARE(QApplication::clipboard()->text().count("\r\n"), 3);
    w.ToggleDumpMode();
    QVERIFY(w.Dump()->Ebcdic());
    QCOMPARE(highlighted(), (QList<int>{26, 27, 28, 29}));
  }

  void refusedWhileLoading() {
    Fixture f;
    MainWindow& w = f.window;
    w.show();
    bool ran = false;
    bool openRefused = false;
    QTimer::singleShot(0, &w, [&] {
      ran = true;
      QVERIFY(w.Loading());
      openRefused = !w.OpenFile(other_);
      w.CloseFile();
      w.DropFiles({QUrl::fromLocalFile(other_)});
      w.ShowOptions();
      w.close();  // deferred until the load ends
      QVERIFY(w.isVisible());
    });
    QVERIFY(w.OpenFile(big_));
    QVERIFY(ran);
    QVERIFY(openRefused);
    QCOMPARE(w.Session().FrameCount, 3000u);
    QCOMPARE(w.Model()->rowCount(), 3000);
    QVERIFY(f.notes.Messages.empty());
    QTRY_VERIFY(!w.isVisible());
  }

  void optionsDialogChecks() {
    Fixture f;
    OptionsDialog* d = f.window.Options();
    d->LoadFromSettings();
    QCOMPARE(d->Columns()->count(), 9);
    QCOMPARE(d->Columns()->item(7)->text(), "Protocol");  // default ABCDEFGIH
    for (int i = 0; i < 9; ++i) d->Columns()->item(i)->setCheckState(Qt::Unchecked);
    d->AutoExpand()->setChecked(true);
    d->accept();
    QCOMPARE(f.notes.Messages.back(), std::string("At least one column must be selected"));
    QVERIFY(!f.env.settings.AutoExpand);
    d->Columns()->item(7)->setCheckState(Qt::Checked);
    d->Columns()->setCurrentRow(7);
    d->MoveUp();
    QCOMPARE(d->Columns()->currentRow(), 6);
    d->Columns()->item(0)->setCheckState(Qt::Checked);
    d->MaxPackets()->setText("abc");
    d->accept();
    QCOMPARE(f.notes.Messages.back(), std::string("'abc' is not a valid integer value"));
    QVERIFY(!f.env.settings.AutoExpand);
    d->MaxPackets()->setText("0");
    d->MaxSessions()->setText("abc");
    d->accept();
    QCOMPARE(d->result(), int(QDialog::Accepted));
    QCOMPARE(f.env.settings.ColumnSel, std::string("AI"));
    QCOMPARE(f.env.settings.MaxPackets, 1u);
    QCOMPARE(f.env.settings.MaxTCPSessions, uint16_t{5000});
    QVERIFY(f.env.settings.AutoExpand);
  }

  void portDialogs() {
    Fixture f;
    f.env.Ports.Replace({{PortTCP, 20, "FTP Data", 0, 0}, {PortBoth, 53, "DNS", 8, DecodeDNS}});
    {
      PortsDialog d(f.env.Ports, f.notes);
      QCOMPARE(d.Grid()->rowCount(), 2);
      QCOMPARE(d.Grid()->item(1, 1)->text(), "Both");
      QCOMPARE(d.Grid()->item(1, 3)->text(), "DNS");
      EditPortDialog* e = d.Editor();
      e->SetEntries(&d.Working());
      e->StartAdd();
      QCOMPARE(e->windowTitle(), "Add Port Description");
      e->PortField()->setText("53");
      e->DescriptionField()->setText("Other");
      e->accept();
      QCOMPARE(f.notes.Messages.back(), std::string("Port number already exists"));
      e->PortField()->setText("30");
      e->accept();
      QCOMPARE(e->result(), int(QDialog::Accepted));
      d.Working().insert(d.Working().begin() + 1, e->Result());
      d.Refresh();
      QCOMPARE(d.Grid()->item(1, 0)->text(), "30");
      d.Grid()->selectRow(0);
      d.Delete();
      QCOMPARE(d.Grid()->rowCount(), 2);
      d.reject();  // Cancel keeps the table
    }
    QCOMPARE(f.env.Ports.Entries().size(), size_t{2});
    QVERIFY(!f.env.Ports.PortsChanged);
    {
      PortsDialog d(f.env.Ports, f.notes);
      d.Grid()->selectRow(1);
      d.Delete();
      d.accept();
    }
    QCOMPARE(f.env.Ports.Entries().size(), size_t{1});
    QVERIFY(f.env.Ports.PortsChanged);
  }

  void portDialogWithoutEntries() {
    Fixture f;
    f.env.Ports.Replace({{PortTCP, 20, "FTP Data", 0, 0}});
    PortsDialog d(f.env.Ports, f.notes);
    QCOMPARE(d.Grid()->rowCount(), 1);
    d.Grid()->selectRow(0);
    d.Delete();
    // The last entry gone: one empty row remains, and it is no entry.
    QCOMPARE(d.Grid()->rowCount(), 1);
    QVERIFY(d.Working().empty());
    QVERIFY(!d.Grid()->item(0, 0) || d.Grid()->item(0, 0)->text().isEmpty());
    d.Grid()->selectRow(0);
    d.Delete();
    d.Modify();
    QVERIFY(d.Working().empty());
    d.accept();
    QVERIFY(f.env.Ports.Entries().empty());
  }

  void colourPickerEntries() {
    Fixture f;
    OptionsDialog* d = f.window.Options();
    d->LoadFromSettings();
    QComboBox* picker = d->ColourPicker();
    // Custom, 16 standard, 4 extended, none and default.
    QCOMPARE(picker->count(), 23);
    QVERIFY(picker->findText("Parent Colour") > 0);
    QVERIFY(picker->findText("White") < 0);
    const int none = picker->findText("None");
    const int def = picker->findText("Default");
    QVERIFY(none > 0);
    QVERIFY(def > 0);
    const uint32_t id = d->Protocols()->item(0)->data(Qt::UserRole).toUInt();
    emit picker->activated(def);
    d->accept();
    QCOMPARE(f.env.Protocols.Table[id].Colour, 0u);
    d->LoadFromSettings();
    emit picker->activated(none);
    d->accept();
    QCOMPARE(f.env.Protocols.Table[id].Colour, 0xFFFFFFu);
  }

  void gridMenuEntries() {
    Fixture f;
    auto texts = [&](QMenu& m) {
      QStringList out;
      for (QAction* a : m.actions())
        if (!a->isSeparator()) out << a->text() + (a->isEnabled() ? "+" : "-");
      return out;
    };
    {
      QMenu m;
      f.window.FillGridMenu(&m);
      QCOMPARE(texts(m),
               QStringList({"Copy Cell-", "Copy Row-", "Tag Frame-", "Tag TCP Session-",
                            "Untag All Frames-", "Follow TCP Stream-", "Follow UDP Stream-"}));
    }
    QVERIFY(f.window.OpenFile(small_));
    {
      QMenu m;
      f.window.FillGridMenu(&m);
      QCOMPARE(texts(m),
               QStringList({"Copy Cell+", "Copy Row+", "Tag Frame+", "Tag TCP Session-",
                            "Untag All Frames+", "Follow TCP Stream-", "Follow UDP Stream-"}));
    }
    f.window.SetPopupColumn(-1);
    f.window.Session().FrameTable[1].Tagged = 1;
    f.window.Session().FrameTable[1].TcpSession = 3;
    {
      QMenu m;
      f.window.FillGridMenu(&m);
      QCOMPARE(texts(m),
               QStringList({"Copy Cell-", "Copy Row+", "Un-Tag Frame+", "Un-Tag TCP Session+",
                            "Untag All Frames+", "Follow TCP Stream-", "Follow UDP Stream-"}));
    }
  }

  void openDialogFileTypes() {
    const QStringList want = {
        "Kestle Supported Files (*.enc *.cap *.acp *.dmp *.5vw *.pcap *.pcapng *.gz)",
        "General Sniffer (*.enc)",
        "Netmon/NetXRay Capture (*.cap)",
        "Windump/TCPDUMP Capture (*.acp *.dmp)",
        "5View Capture (*.5vw)",
        "pcap Capture (*.pcap)",
        "Compressed Files (*.gz)",
        "All Files (*)"};
    QCOMPARE(MainWindow::OpenFileFilters(), want);
  }

  void treeImagesFollowImageNumbers() {
    Fixture f;
    QVERIFY(f.window.OpenFile(small_));
    QTreeWidget* tree = f.window.Tree();
    std::vector<int> images;
    f.window.Detail().Walk(
        [&](const DetailNode& n, int) { images.push_back(static_cast<int>(n.Image)); });
    QMap<int, qint64> keyOf;
    size_t checked = 0;
    std::function<void(QTreeWidgetItem*)> visit = [&](QTreeWidgetItem* item) {
      QVERIFY(checked < images.size());
      const int image = images[checked];
      QCOMPARE(item->data(0, MainWindow::kImageRole).toInt(), image);
      const qint64 key = item->icon(0).cacheKey();
      if (keyOf.contains(image))
        QCOMPARE(keyOf.value(image), key);
      else
        keyOf.insert(image, key);
      ++checked;
      for (int i = 0; i < item->childCount(); ++i) visit(item->child(i));
    };
    for (int i = 0; i < tree->topLevelItemCount(); ++i) visit(tree->topLevelItem(i));
    QCOMPARE(checked, images.size());
    QVERIFY(checked > 3);
    // The frame line, the Ethernet header and its fields have pictures of their own.
    QVERIFY(keyOf.contains(2) && keyOf.contains(1));
    QVERIFY(keyOf.value(2) != keyOf.value(1));
  }

  void settingsRoundTrip() {
    const QString path = dir_.filePath("Kestle.ini");
    {
      std::ofstream out(path.toStdString(), std::ios::binary);
      out << "[Options]\r\nTimeFormat=1\r\nSomethingNew=keep me\r\nShowToolBar=0\r\n"
          << "[Files]\r\nFile1=/old/a.cap\r\nFile3=/old/c.cap\r\n"
          << "[Ports]\r\nPortNum=1\r\nPort1=8080,1,5,0,Web proxy\r\n"
          << "[Window]\r\nWindowWidth=100000\r\nWindowHeight=500\r\nWindowLeft=-9999\r\nWindowTop="
             "40\r\n"
          << "[Plugins]\r\nName=x\r\n";
    }
    {
      Fixture f;
      f.ini.Load(path.toStdString());
      f.env.Load(f.ini);
      MainWindow w(f.env, f.ini, path, f.notes);
      QVERIFY(w.width() <= 100000 && w.width() > 0);
      QVERIFY(w.x() >= -100);
      QVERIFY(w.OpenFile(small_));
      w.UpdateFileMenu();
      QCOMPARE(w.FileMenu()->actions().back()->isVisible(), false);
      int shown = 0;
      for (QAction* a : w.FileMenu()->actions())
        if (a->isVisible() && a->text().startsWith("3 ")) ++shown;
      QCOMPARE(shown, 1);
      w.UpdateViewMenu();
      QCOMPARE(w.Command("Toolbar")->text(), "Show Toolbar");
      w.close();
      QVERIFY(!w.Session().FileOpen());
    }
    IniFile again;
    QVERIFY(again.Load(path.toStdString()));
    QCOMPARE(again.ReadString("Options", "SomethingNew", ""), std::string("keep me"));
    QCOMPARE(again.ReadInteger("Options", "TimeFormat", 9), 1);
    QCOMPARE(again.ReadInteger("Options", "ShowToolBar", 9), 0);
    QCOMPARE(again.ReadString("Ports", "Port1", ""), std::string("8080,1,5,0,Web proxy"));
    QCOMPARE(again.ReadString("Plugins", "Name", ""), std::string("x"));
    QCOMPARE(again.ReadString("Files", "File1", ""), std::string("/old/a.cap"));
    QCOMPARE(again.ReadString("Files", "File2", ""), std::string("/old/c.cap"));
    QCOMPARE(again.ReadString("Files", "File3", ""), small_.toStdString());
    QVERIFY(!again.Get("Files", "File4"));
    QVERIFY(again.ReadInteger("Window", "WindowWidth", 0) > 0);
    QVERIFY(again.ReadInteger("Window", "WindowWidth", 0) < 100000);
  }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
