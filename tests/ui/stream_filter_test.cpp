// The filter bar, Save As in pcap and pcapng, and Follow Stream through the
// real widgets of the window.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QTimer>
#include <QtTest>

#include "filter_bar.h"
#include "follow_window.h"
#include "main_window.h"
#include "save_dialog.h"
#include "window_fixture.h"

using namespace kestle;
using namespace kestle::ui;
using kestle::test::WindowFixture;

namespace {

const QString kMixed = QString(KESTLE_TEST_DATA) + "/captures/mixed.pcap";

void TypeAndEnter(FilterBar* bar, const QString& text) {
  bar->Edit()->clear();
  QTest::keyClicks(bar->Edit(), text);
  QTest::keyClick(bar->Edit(), Qt::Key_Return);
}

uint32_t FramesAndFormat(const QString& path, CaptureFormat& format) {
  Environment env;
  RecordingNotifier notes;
  CaptureSession s(env, notes);
  if (!s.OpenSnifferFile(path.toStdString())) return 0;
  format = s.Format();
  return s.FrameCount;
}

}  // namespace

class StreamFilterTest : public QObject {
  Q_OBJECT

 private slots:
  void filterBarColoursAppliesAndRemembers() {
    WindowFixture f;
    MainWindow& w = f.window;
    QVERIFY(w.OpenFile(kMixed));
    const int all = w.Model()->rowCount();
    FilterBar* bar = w.FilterBarWidget();
    QVERIFY(bar->isVisible() || !w.isVisible());
    QCOMPARE(bar->State(), QString("blank"));
    QTest::keyClicks(bar->Edit(), "ip.addr ==");
    QCOMPARE(bar->State(), QString("invalid"));
    QCOMPARE(bar->Edit()->property("filterState").toString(), QString("invalid"));
    QCOMPARE(bar->ErrorLabel()->text(), QString("expected a value after '==' at column 11"));
    QTest::keyClicks(bar->Edit(), " 10.0.0.0/8");
    QCOMPARE(bar->State(), QString("valid"));
    QVERIFY(bar->ErrorLabel()->text().isEmpty());

    // A wrong expression applied is refused with its message; nothing changes.
    TypeAndEnter(bar, "tcp and");
    QCOMPARE(QString::fromStdString(f.LastMessage()),
             QString("expected a field, a protocol name, 'not' or '(' at column 8"));
    QCOMPARE(w.Model()->rowCount(), all);

    TypeAndEnter(bar, "udp and port == 53");
    const int dns = w.Model()->rowCount();
    QVERIFY(dns > 0 && dns < all);
    QVERIFY(w.Filtering().Active);
    QVERIFY(w.FilterImageShown());
    for (int row = 0; row < dns; ++row)
      QVERIFY(f.Cell(row, 3 + 1) == "53" || f.Cell(row, 6) == "53");
    QCOMPARE(bar->Box()->itemText(0), QString("udp and port == 53"));
    QCOMPARE(QString::fromStdString(f.ini.ReadString("FilterBar", "Expression1", "")),
             QString("udp and port == 53"));

    // Nothing matching: "No Frames were selected", the rows stay.
    TypeAndEnter(bar, "tcp and udp");
    QCOMPARE(QString::fromStdString(f.LastMessage()), QString("No Frames were selected"));
    QCOMPARE(w.Model()->rowCount(), dns);

    // Clear Filter shows every frame and empties the bar.
    w.Command("ClearFilter")->trigger();
    QCOMPARE(w.Model()->rowCount(), all);
    QCOMPARE(bar->Text(), QString());
    QVERIFY(!w.Filtering().Active);

    // The history comes back with the next window.
    WindowFixture g;
    g.ini = f.ini;
    FilterBar other(g.env.Protocols, g.ini);
    QCOMPARE(other.Box()->itemText(0), QString("udp and port == 53"));
  }

  void saveAsAsksWhenTheNameDisagrees() {
    QTemporaryDir dir;
    WindowFixture f;
    MainWindow& w = f.window;
    QVERIFY(w.OpenFile(kMixed));
    SaveDialog* d = w.SaveBox();
    QCOMPARE(d->Format(), SaveFormat::Sniffer);
    QCOMPARE(d->FormatBox()->itemText(0), QString("pcapng"));
    QCOMPARE(d->FormatBox()->itemText(1), QString("pcap"));
    QCOMPARE(d->FormatBox()->itemText(2), QString("Network Sniffer"));
    QStringList questions;
    int answer = 1;
    d->AskQuestion = [&](const QString& q) {
      questions << q;
      return answer;
    };
    struct Case {
      SaveFormat chosen;
      const char* name;
      int answer;
      CaptureFormat written;
      int questions;
    };
    const Case cases[] = {
        {SaveFormat::Sniffer, "sel.pcap", 1, CaptureFormat::Pcap, 1},
        {SaveFormat::Sniffer, "keep.pcap", 0, CaptureFormat::Sniffer, 1},
        {SaveFormat::Pcapng, "a.pcapng", 1, CaptureFormat::Pcapng, 0},
        {SaveFormat::Pcap, "b.out", 1, CaptureFormat::Pcap, 0},
        {SaveFormat::Pcap, "c.enc", -1, CaptureFormat::None, 1},
    };
    for (const Case& c : cases) {
      questions.clear();
      answer = c.answer;
      const QString out = dir.filePath(c.name);
      d->AskFileName = [&] { return out; };
      QTimer::singleShot(0, d, [&] {
        d->SetFormat(c.chosen);
        d->AllButton()->setChecked(true);
        d->SaveButton()->click();
        if (d->isVisible()) d->reject();
      });
      w.Command("SaveAs")->trigger();
      QCOMPARE(questions.size(), c.questions);
      CaptureFormat format = CaptureFormat::None;
      const uint32_t frames = FramesAndFormat(out, format);
      QCOMPARE(format, c.written);
      if (c.written != CaptureFormat::None) QCOMPARE(frames, uint32_t(w.Model()->rowCount()));
    }
    QVERIFY(questions.isEmpty() || questions[0].contains("Network Sniffer"));
  }

  void followTcpStream() {
    WindowFixture f;
    MainWindow& w = f.window;
    QVERIFY(w.OpenFile(kMixed));
    const int all = w.Model()->rowCount();
    // Frame 38 opens the first connection.
    w.SelectRow(37);
    w.Command("FollowTCP")->trigger();
    FollowWindow* fw = w.LastFollowWindow();
    QVERIFY(fw);
    QCOMPARE(fw->windowTitle(), QString("Follow TCP Stream"));
    const QString ascii = fw->TextView()->toPlainText();
    QVERIFY(ascii.size() > 20);
    QCOMPARE(fw->Format(), FollowFormat::Ascii);
    fw->FormatBox()->setCurrentIndex(3);  // raw
    QCOMPARE(fw->Format(), FollowFormat::Raw);
    QVERIFY(fw->TextView()->toPlainText() != ascii);
    fw->NodesBox()->setCurrentIndex(2);  // the answering end alone
    QCOMPARE(fw->Nodes(), FollowNodes::Node1);

    // Save writes the shown bytes.
    QTemporaryDir dir;
    const QString out = dir.filePath("stream.bin");
    fw->AskFileName = [&] { return out; };
    fw->SaveButton()->click();
    QFile saved(out);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(saved.readAll().toStdString(), ShownStreamBytes(fw->Stream(), FollowNodes::Node1));

    // "Filter on this stream" puts its expression in the bar and applies it.
    const std::string filter = fw->Stream().FilterText;
    const int frames = static_cast<int>(fw->Stream().FrameNumbers.size());
    fw->FilterButton()->click();
    QCOMPARE(w.FilterBarWidget()->Text().toStdString(), filter);
    QCOMPARE(w.Model()->rowCount(), frames);
    QVERIFY(frames < all);

    // A frame that is not UDP: the UDP command says so.
    w.Command("FollowUDP")->trigger();
    QCOMPARE(QString::fromStdString(f.LastMessage()), QString(followmsg::kNotUdp));
    fw->close();
  }
};

QTEST_MAIN(StreamFilterTest)
#include "stream_filter_test.moc"
