// The filter dialog, tagging, Find, Goto and the navigation buttons in the
// main window under the offscreen platform, driven through their widgets.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>
#include <fstream>
#include <functional>

#include "decode/config/environment.h"
#include "decode/config/ini.h"
#include "filter_dialog.h"
#include "find_dialog.h"
#include "frame_model.h"
#include "goto_dialog.h"
#include "hexdump_view.h"
#include "main_window.h"
#include "output/detailview.h"
#include "output/fileinfo.h"
#include "support/builders.h"
#include "support/packets.h"
#include "window_fixture.h"

using namespace kestle;
using namespace kestle::ui;
using namespace kestle::test;

namespace {

// 1: UDP 10.0.0.1 -> 10.0.0.2 carrying "Hello", 2: TCP 10.0.0.2:80 ->
// 10.0.0.1:40002, 3: TCP 10.0.0.1 -> 10.0.0.2 in an 802.1q tag (VLAN 5),
// 4: an ARP request from 10.0.0.1, 5: TCP 10.0.0.1:40002 -> 10.0.0.2:80,
// the connection of frame 2.
Bytes SmallCapture() {
  auto tcp = [](const char* src, const char* dst, uint16_t sp, uint16_t dp) {
    IPv4Spec ip;
    ip.src = src;
    ip.dst = dst;
    return IPv4Packet(ip, TCPHeader(sp, dp, 0x10));
  };
  IPv4Spec udp;
  udp.protocol = 17;
  Bytes datagram = UDPHeader(40000, 40001, 13, 0);
  for (char c : std::string("Hello")) datagram.push_back(static_cast<uint8_t>(c));
  const char* a = "00:00:00:00:00:01";
  const char* b = "00:00:00:00:00:02";
  const Bytes f1 = FrameBuilder().ether(b, a, 0x0800).raw(IPv4Packet(udp, datagram)).padTo(60);
  const Bytes f2 =
      FrameBuilder().ether(a, b, 0x0800).raw(tcp("10.0.0.2", "10.0.0.1", 80, 40002)).padTo(70);
  const Bytes f3 = FrameBuilder()
                       .ether(b, a, 0x8100)
                       .be16(5)
                       .be16(0x0800)
                       .raw(tcp("10.0.0.1", "10.0.0.2", 40003, 80))
                       .padTo(64);
  const Bytes f4 = FrameBuilder()
                       .ether("ff:ff:ff:ff:ff:ff", a, 0x0806)
                       .raw(ArpRequest(a, "10.0.0.1", "10.0.0.2"))
                       .padTo(60);
  const Bytes f5 =
      FrameBuilder().ether(b, a, 0x0800).raw(tcp("10.0.0.1", "10.0.0.2", 40002, 80)).padTo(80);
  return PcapFile({{f1}, {f2}, {f3}, {f4}, {f5}});
}

// Runs `act` inside the modal loop that `open` starts; the dialog is closed
// afterwards should `act` have left it open.
void WhileModal(QDialog* dialog, const std::function<void()>& act,
                const std::function<void()>& open) {
  bool ran = false;
  QTimer::singleShot(0, dialog, [&] {
    act();
    ran = true;
    if (dialog->isVisible()) dialog->reject();
  });
  open();
  QVERIFY(ran);
}

QTreeWidgetItem* Child(QTreeWidgetItem* parent, const QString& text) {
  for (int i = 0; i < parent->childCount(); ++i)
    if (parent->child(i)->text(0) == text) return parent->child(i);
  return nullptr;
}

QStringList Texts(QTreeWidgetItem* parent) {
  QStringList out;
  for (int i = 0; i < parent->childCount(); ++i) out << parent->child(i)->text(0);
  return out;
}

}  // namespace

class FilterFindTest : public QObject {
  Q_OBJECT

  struct Fixture : WindowFixture {
    // The No. column of the shown rows.
    QStringList Rows() {
      QStringList out;
      for (int r = 0; r < window.Model()->rowCount(); ++r)
        out << window.Model()->data(window.Model()->index(r, 0), Qt::DisplayRole).toString();
      return out;
    }
    int Row() const { return window.Grid()->currentIndex().row(); }
  };

  QTemporaryDir dir_;
  QString capture_;

  // A click where a check box or radio button takes it: on its indicator.
  static void ClickIndicator(QAbstractButton* b) {
    QTest::mouseClick(b, Qt::LeftButton, Qt::NoModifier, QPoint(6, b->height() / 2));
  }
  static QPushButton* Ok(QDialog* d) {
    return d->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
  }

 private slots:
  void initTestCase() {
    QVERIFY(dir_.isValid());
    capture_ = dir_.filePath("small.pcap");
    const Bytes b = SmallCapture();
    std::ofstream(capture_.toStdString(), std::ios::binary)
        .write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
  }

  void filterDialog() {
    Fixture f;
    MainWindow& w = f.window;
    QVERIFY(w.OpenFile(capture_));
    FilterDialog* d = w.FilterBox();
    QVERIFY(!w.FilterImageShown());

    WhileModal(
        d,
        [&] {
          QCOMPARE(d->windowTitle(), "Define Filter");
          QTreeWidget* tree = d->Protocols();
          QCOMPARE(tree->topLevelItemCount(), 1);
          QTreeWidgetItem* root = tree->topLevelItem(0);
          QCOMPARE(root->text(0), "All Protocols");
          QCOMPARE(root->checkState(0), Qt::Checked);
          QCOMPARE(Texts(root), QStringList{"Ethernet"});
          QTreeWidgetItem* eth = root->child(0);
          QVERIFY(eth->isExpanded());
          // Alphabetical below each item: 802.1q, ARP, IPV4.
          QCOMPARE(Texts(eth), (QStringList{"802.1q", "ARP", "IPV4"}));
          QCOMPARE(Texts(Child(eth, "IPV4")), (QStringList{"TCP", "UDP"}));
          QCOMPARE(Texts(Child(Child(eth, "802.1q"), "IPV4")), QStringList{"TCP"});
          QCOMPARE(d->Station1()->itemText(0), "Any");
          QVERIFY(d->Station1()->findText("10.0.0.1") > 0);
          QVERIFY(d->Station1()->findText("00:00:00:00:00:01") > 0);
          QCOMPARE(d->Station2()->count(), d->Station1()->count());
          QCOMPARE(d->DirectionButton()->text(), "<-->");

          // Nothing checked at all: the message, and the dialog stays.
          root->setCheckState(0, Qt::Unchecked);
          QTest::mouseClick(Ok(d), Qt::LeftButton);
          QCOMPARE(f.LastMessage(), std::string("No Frames were selected"));
          QVERIFY(d->isVisible());
          QCOMPARE(f.Rows().size(), 5);
          // IPv4 below Ethernet: not the IPv4 inside the 802.1q tag.
          Child(eth, "IPV4")->setCheckState(0, Qt::Checked);
          QTest::mouseClick(Ok(d), Qt::LeftButton);
          QVERIFY(!d->isVisible());
        },
        [&] { w.Command("Filter")->trigger(); });
    QCOMPARE(f.Rows(), (QStringList{"1", "2", "5"}));
    QCOMPARE(w.StatusText(), "3 frame(s) selected");
    QVERIFY(w.FilterImageShown());
    QCOMPARE(w.Session().SelectedFrame, 1u);
    // The node counters follow the shown frames: the ARP broadcast is gone.
    uint32_t broadcastRecv = 0;
    for (const NodeStatRec& r : w.Session().Nodes.NodeStatTable)
      if (w.Session().Nodes.NodeTable[r.MacNode].MacText == "FF:FF:FF:FF:FF:FF")
        broadcastRecv += r.FramesRecv;
    QCOMPARE(broadcastRecv, 0u);

    // Opened again: the choices are remembered. Clear, then the frames
    // sent by 10.0.0.1.
    WhileModal(
        d,
        [&] {
          QTreeWidgetItem* root = d->Protocols()->topLevelItem(0);
          QTreeWidgetItem* ip = Child(Child(root, "Ethernet"), "IPV4");
          QCOMPARE(root->checkState(0), Qt::Unchecked);
          QCOMPARE(ip->checkState(0), Qt::Checked);
          d->Station2()->setCurrentIndex(1);
          QTest::mouseClick(d->DirectionButton(), Qt::LeftButton);
          ClickIndicator(d->SelectMismatch());
          QTest::mouseClick(d->ClearButton(), Qt::LeftButton);
          QCOMPARE(root->checkState(0), Qt::Checked);
          QCOMPARE(ip->checkState(0), Qt::Unchecked);
          QCOMPARE(d->Station2()->currentIndex(), 0);
          QCOMPARE(d->DirectionButton()->text(), "<-->");
          QVERIFY(!d->SelectMismatch()->isChecked());
          d->Station1()->setCurrentIndex(d->Station1()->findText("10.0.0.1"));
          QTest::mouseClick(d->DirectionButton(), Qt::LeftButton);
          QCOMPARE(d->DirectionButton()->text(), "--->");
          QTest::mouseClick(Ok(d), Qt::LeftButton);
        },
        [&] { w.Command("Filter")->trigger(); });
    QCOMPARE(f.Rows(), (QStringList{"1", "3", "4", "5"}));
    QCOMPARE(w.Filtering().Direction, FilterDirection::Forward);
    // Every frame but those, with "Select Frames that do not Match".
    WhileModal(
        d,
        [&] {
          QCOMPARE(d->Station1()->currentText(), "10.0.0.1");
          QCOMPARE(d->DirectionButton()->text(), "--->");
          ClickIndicator(d->SelectMismatch());
          QTest::mouseClick(Ok(d), Qt::LeftButton);
        },
        [&] { w.Command("Filter")->trigger(); });
    QCOMPARE(f.Rows(), QStringList{"2"});
    // Cancel changes nothing.
    WhileModal(
        d, [&] { d->reject(); }, [&] { w.Command("Filter")->trigger(); });
    QCOMPARE(f.Rows(), QStringList{"2"});

    w.Command("ClearFilter")->trigger();
    QCOMPARE(f.Rows(), (QStringList{"1", "2", "3", "4", "5"}));
    QVERIFY(!w.FilterImageShown());
    // A new load forgets the stations, keeps the direction.
    QVERIFY(w.OpenFile(capture_));
    QCOMPARE(w.Filtering().Station1, 0u);
    QCOMPARE(w.Filtering().Direction, FilterDirection::Forward);
  }

  void taggingAndFilterTagged() {
    Fixture f;
    MainWindow& w = f.window;
    QVERIFY(w.OpenFile(capture_));
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    auto menu = [&] {
      QMenu m;
      w.FillGridMenu(&m);
      QStringList out;
      for (QAction* a : m.actions())
        if (!a->isSeparator()) out << a->text() + (a->isEnabled() ? "+" : "-");
      return out;
    };
    // An entry of the pop-up menu, by its caption as it reads now.
    auto trigger = [&](const QString& text) {
      QMenu m;
      w.FillGridMenu(&m);
      bool found = false;
      for (QAction* a : m.actions())
        if (a->text() == text && a->isEnabled()) {
          a->trigger();
          found = true;
        }
      QVERIFY2(found, qPrintable(text));
    };
    auto tagged = [&] {
      QStringList out;
      for (uint32_t n = 1; n <= w.Session().FrameCount; ++n)
        if (w.Session().FrameTable[n].Tagged) out << QString::number(n);
      return out;
    };
    w.Command("Next")->trigger();  // frame 2: a TCP segment
    QCOMPARE(f.Row(), 1);
    QCOMPARE(menu(),
             (QStringList{"Copy Cell+", "Copy Row+", "Tag Frame+", "Tag TCP Session+",
                          "Untag All Frames+", "Follow TCP Stream+", "Follow UDP Stream-"}));
    // Ctrl+T, wherever the focus is in the window.
    w.Grid()->setFocus();
    QTest::keyClick(w.Grid(), Qt::Key_T, Qt::ControlModifier);
    QCOMPARE(tagged(), QStringList{"2"});
    QCOMPARE(w.Model()->data(w.Model()->index(1, 0), Qt::BackgroundRole).value<QColor>(),
             QColor(0, 255, 0));
    QCOMPARE(menu()[2], "Un-Tag Frame+");
    QCOMPARE(menu()[3], "Un-Tag TCP Session+");
    QTest::keyClick(w.Tree(), Qt::Key_T, Qt::ControlModifier);
    QCOMPARE(tagged(), QStringList{});
    // The whole connection: frames 2 and 5.
    trigger("Tag TCP Session");
    QCOMPARE(tagged(), (QStringList{"2", "5"}));
    // "Filter Tagged Frames" is offered once a shown frame is tagged.
    w.Command("Last")->trigger();
    QCOMPARE(f.Row(), 4);
    trigger("Un-Tag Frame");  // frame 5 untagged again
    QCOMPARE(tagged(), QStringList{"2"});
    w.Command("First")->trigger();
    trigger("Tag Frame");
    QCOMPARE(tagged(), (QStringList{"1", "2"}));
    w.UpdateFilterMenu();
    QVERIFY(w.Command("FilterTagged")->isEnabled());
    w.Command("FilterTagged")->trigger();
    QCOMPARE(f.Rows(), (QStringList{"1", "2"}));
    QCOMPARE(w.StatusText(), "2 frame(s) selected");
    QVERIFY(w.FilterImageShown());
    // Untag All: the shown frames only.
    w.Command("ClearFilter")->trigger();
    // All rows again: the status bar says what the load brought, as after
    // the load, not the filter's count.
    QCOMPARE(w.StatusText(), QString::fromStdString(LoadSummaryText(w.Session())));
    QVERIFY(!w.StatusText().contains("selected"));
    w.Command("Last")->trigger();
    trigger("Tag Frame");  // frame 5
    w.Command("FilterTagged")->trigger();
    QCOMPARE(f.Rows(), (QStringList{"1", "2", "5"}));
    w.Command("First")->trigger();
    trigger("Un-Tag Frame");  // frame 1 untagged, still shown
    w.Command("ClearFilter")->trigger();
    w.Command("First")->trigger();
    trigger("Untag All Frames");
    QCOMPARE(tagged(), QStringList{});
    w.UpdateFilterMenu();
    QVERIFY(!w.Command("FilterTagged")->isEnabled());
    w.Command("FilterTagged")->trigger();  // not chosen: nothing happens
    QCOMPARE(f.Rows().size(), 5);
  }

  void navigationAndGoto() {
    Fixture f;
    MainWindow& w = f.window;
    QCOMPARE(w.Command("Next")->statusTip(), "Displey the Next Frame");
    QCOMPARE(w.Command("First")->statusTip(), "Display first Frame in current sort order");
    QVERIFY(w.OpenFile(capture_));
    QCOMPARE(f.Row(), 0);
    w.Command("Prev")->trigger();
    QCOMPARE(f.Row(), 0);
    w.Command("Last")->trigger();
    QCOMPARE(f.Row(), 4);
    QCOMPARE(w.Session().SelectedFrame, 5u);
    w.Command("Next")->trigger();
    QCOMPARE(f.Row(), 4);
    w.Command("Prev")->trigger();
    QCOMPARE(w.Session().SelectedFrame, 4u);
    w.Command("First")->trigger();
    QCOMPARE(w.Session().SelectedFrame, 1u);

    // Goto: messages keep the dialog open; a good number selects and closes.
    GotoDialog* g = w.GotoBox();
    w.Session().FrameTable[3].Visible = 0;  // as a filter would hide frame 3
    WhileModal(
        g,
        [&] {
          QCOMPARE(g->windowTitle(), "Goto Packet");
          for (const auto& [text, message] : {std::pair{"abc", "Packet number is not numeric"},
                                              {"0", "Requested Packet not in file"},
                                              {"6", "Requested Packet not in file"},
                                              {"4294967297", "Requested Packet not in file"}}) {
            g->Number()->clear();
            QTest::keyClicks(g->Number(), text);
            QTest::mouseClick(Ok(g), Qt::LeftButton);
            QCOMPARE(f.LastMessage(), std::string(message));
            QVERIFY(g->isVisible());
          }
          g->Number()->clear();
          QTest::keyClicks(g->Number(), "4");
          QTest::mouseClick(Ok(g), Qt::LeftButton);
          QVERIFY(!g->isVisible());
        },
        [&] { w.Command("Goto")->trigger(); });
    QCOMPARE(w.Session().SelectedFrame, 4u);
    QCOMPARE(f.Row(), 3);
    WhileModal(
        g,
        [&] {
          QCOMPARE(g->Number()->text(), "4");  // kept between uses
          w.Session().FrameOrder[3] = 4;       // frame 3 leaves the rows
          w.Session().FrameOrder[4] = 5;
          w.Session().VisibleCount = 4;
          g->Number()->clear();
          QTest::keyClicks(g->Number(), "3");
          QTest::mouseClick(Ok(g), Qt::LeftButton);
          QCOMPARE(f.LastMessage(), std::string("Packet number not currently selected"));
        },
        [&] { w.Command("Goto")->trigger(); });
  }

  void findPacket() {
    Fixture f;
    MainWindow& w = f.window;
    QVERIFY(w.OpenFile(capture_));
    FindDialog* d = w.FindBox();
    w.Command("Find")->trigger();
    QVERIFY(d->isVisible());
    QVERIFY(!d->isModal());
    QCOMPARE(d->windowTitle(), "Find Packet");
    QVERIFY(d->TextMode()->isChecked());
    QCOMPARE(d->Status(), "");
    // Text, letter case ignored.
    QTest::keyClicks(d->FindWhat(), "hello");
    w.Command("Last")->trigger();  // the window stays usable
    QTest::mouseClick(d->FindButton(), Qt::LeftButton);
    QCOMPARE(d->Status(), "Found in frame 1");
    QCOMPARE(f.Row(), 0);
    QCOMPARE(w.Session().SelectedFrame, 1u);
    // The dump highlights the match: "Hello" after the Ethernet, IPv4 and
    // UDP headers.
    QVERIFY((w.Dump()->Highlight() == DumpSpan{14 + 20 + 8, 5}));
    QTest::mouseClick(d->FindButton(), Qt::LeftButton);
    QCOMPARE(d->Status(), "Search string not found");
    // Hex: the 802.1q tag of frame 3, shown with its detail tree.
    ClickIndicator(d->HexMode());
    d->FindWhat()->clear();
    QTest::keyClicks(d->FindWhat(), "81 00 00 05");
    QTest::mouseClick(d->FindButton(), Qt::LeftButton);
    QCOMPARE(d->Status(), "Found in frame 3");
    QCOMPARE(f.Row(), 2);
    QVERIFY(w.Tree()->topLevelItemCount() > 0);
    QVERIFY((w.Dump()->Highlight() == DumpSpan{12, 4}));  // after the two MAC addresses
    // In display order, going on after each match: "08 00" is in every
    // frame; sorted by Length, descending: 5, 2, 3, 1, 4.
    w.HeaderClicked(2);
    w.HeaderClicked(2);
    d->FindWhat()->clear();
    QTest::keyClicks(d->FindWhat(), "0800");
    QStringList found;
    for (int i = 0; i < 6; ++i) {
      QTest::mouseClick(d->FindButton(), Qt::LeftButton);
      found << d->Status();
    }
    QCOMPARE(found,
             (QStringList{"Found in frame 5", "Found in frame 2", "Found in frame 3",
                          "Found in frame 1", "Found in frame 4", "Search string not found"}));
    QTest::mouseClick(d->FindButton(), Qt::LeftButton);
    QCOMPARE(d->Status(), "Found in frame 5");  // from the first row again
    // Rejected texts.
    const size_t before = f.notes.Messages.size();
    for (const char* text : {"0", "0G", "   ", ""}) {
      d->FindWhat()->setText(text);
      QTest::mouseClick(d->FindButton(), Qt::LeftButton);
    }
    QCOMPARE(std::vector<std::string>(f.notes.Messages.begin() + static_cast<long>(before),
                                      f.notes.Messages.end()),
             (std::vector<std::string>{"Hex string should contain an even number of hex digits",
                                       "Hex string contains an invalid hex digit",
                                       "Hex string should contain an even number of hex digits",
                                       "Please enter a string to find"}));
    // Cancel hides it; shown again it starts from the first row.
    QTest::mouseClick(d->CancelButton(), Qt::LeftButton);
    QVERIFY(!d->isVisible());
    w.Command("Find")->trigger();
    QCOMPARE(d->Status(), "");
    QCOMPARE(d->FindWhat()->text(), "");  // the last text typed
    QVERIFY(d->HexMode()->isChecked());
    QCOMPARE(d->Search().SearchRow(), 0u);
    // Closing the file hides it.
    w.CloseFile();
    QVERIFY(!d->isVisible());
  }

  // Shown first, the Find box leaves the dump (where a match is
  // highlighted) and the grid's rows free.
  void findBoxClearOfTheDump() {
    Fixture f;
    MainWindow& w = f.window;
    w.resize(1000, 760);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QVERIFY(w.OpenFile(capture_));
    w.Command("Find")->trigger();
    FindDialog* d = w.FindBox();
    QVERIFY(d->isVisible());
    const QRect box = d->frameGeometry();
    const QRect dump(w.Dump()->mapToGlobal(QPoint(0, 0)), w.Dump()->size());
    const QRect grid(w.Grid()->mapToGlobal(QPoint(0, 0)), w.Grid()->size());
    QVERIFY2(!box.intersects(dump), qPrintable(QString("box %1,%2 %3x%4 dump top %5")
                                                   .arg(box.x())
                                                   .arg(box.y())
                                                   .arg(box.width())
                                                   .arg(box.height())
                                                   .arg(dump.top())));
    QVERIFY(!box.intersects(grid));
  }
};

QTEST_MAIN(FilterFindTest)
#include "filter_find_test.moc"
