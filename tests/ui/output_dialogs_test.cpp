// Save As, Print (to a text file and to a PDF file through the printer
// path) and File Information in the main window under the offscreen
// platform, driven through their widgets.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPrinter>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <fstream>
#include <functional>
#include <sstream>

#include "decode/config/environment.h"
#include "decode/config/ini.h"
#include "fileinfo_dialog.h"
#include "main_window.h"
#include "output/frame_choice.h"
#include "output/print_job.h"
#include "output/save.h"
#include "output/tagging.h"
#include "print_dialog.h"
#include "save_dialog.h"
#include "support/builders.h"
#include "support/packets.h"
#include "window_fixture.h"

using namespace kestle;
using namespace kestle::ui;
using namespace kestle::test;

namespace {

// Five frames of 60 to 100 bytes: UDP, TCP and ARP.
Bytes SmallCapture() {
  std::vector<PcapFrame> frames;
  for (uint32_t i = 0; i < 5; ++i) {
    IPv4Spec ip;
    ip.protocol = i % 2 ? 6 : 17;
    ip.src = "10.0.0.1";
    ip.dst = "10.0.0.2";
    const Bytes l4 = i % 2 ? TCPHeader(40000, 80, 0x10) : UDPHeader(40000, 53, -1, 4);
    frames.push_back({FrameBuilder()
                          .ether("00:00:00:00:00:02", "00:00:00:00:00:01", 0x0800)
                          .raw(IPv4Packet(ip, l4))
                          .padTo(60 + 10 * i)
                          .bytes(),
                      1615713600 + i, 1000 * i, 0});
  }
  return PcapFile(frames);
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

std::string ReadText(const QString& path) {
  std::ifstream in(path.toStdString(), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

class OutputDialogsTest : public QObject {
  Q_OBJECT

  using Fixture = WindowFixture;

  QTemporaryDir dir_;
  QString capture_;

  static void ClickIndicator(QAbstractButton* b) {
    QTest::mouseClick(b, Qt::LeftButton, Qt::NoModifier, QPoint(6, b->height() / 2));
  }
  // The frame count of a saved file, loaded again.
  static uint32_t FramesIn(const QString& path) {
    Environment env;
    RecordingNotifier notes;
    CaptureSession s(env, notes);
    return s.OpenSnifferFile(path.toStdString()) ? s.FrameCount : 0;
  }

 private slots:
  void initTestCase() {
    QVERIFY(dir_.isValid());
    capture_ = dir_.filePath("small.pcap");
    const Bytes b = SmallCapture();
    std::ofstream(capture_.toStdString(), std::ios::binary)
        .write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
  }

  void saveAsChoicesAndChecks() {
    Fixture f;
    MainWindow& w = f.window;
    QVERIFY(!w.Command("SaveAs")->isEnabled());
    QVERIFY(w.OpenFile(capture_));
    QVERIFY(w.Command("SaveAs")->isEnabled());
    SaveDialog* d = w.SaveBox();
    const QString out = dir_.filePath("range.enc");
    d->AskFileName = [&] { return out; };
    WhileModal(
        d,
        [&] {
          QCOMPARE(d->windowTitle(), "Save As");
          QVERIFY(d->SelectedButton()->isChecked());
          QVERIFY(!d->TaggedButton()->isEnabled());
          QCOMPARE(d->AllButton()->text(), "Save All Frames");
          QCOMPARE(d->RangeFirst()->text(), "1");
          QCOMPARE(d->RangeLast()->text(), "5");
          QVERIFY(!d->RangeFirst()->isEnabled());
          QCOMPARE(d->Progress()->value(), 0);
          ClickIndicator(d->RangeButton());
          QVERIFY(d->RangeFirst()->isEnabled() && d->RangeLast()->isEnabled());
          d->RangeFirst()->setText("5");
          d->RangeLast()->setText("3");
          QTest::mouseClick(d->SaveButton(), Qt::LeftButton);
          QCOMPARE(f.LastMessage(), std::string("Invalid frame range"));
          QVERIFY(d->isVisible());
          d->RangeFirst()->setText("a");
          QTest::mouseClick(d->SaveButton(), Qt::LeftButton);
          QCOMPARE(f.LastMessage(), std::string("Non numeric print range"));
          d->RangeFirst()->setText("2");
          d->RangeLast()->setText("4");
          QTest::mouseClick(d->SaveButton(), Qt::LeftButton);
          QVERIFY(!d->isVisible());
        },
        [&] { w.Command("SaveAs")->trigger(); });
    QCOMPARE(FramesIn(out), 3u);

    // Cancel while nothing is written closes the dialog; the file name
    // dialog cancelled leaves it open.
    d->AskFileName = [] { return QString(); };
    WhileModal(
        d,
        [&] {
          QTest::mouseClick(d->SaveButton(), Qt::LeftButton);
          QVERIFY(d->isVisible());
          QTest::mouseClick(d->CancelButton(), Qt::LeftButton);
          QVERIFY(!d->isVisible());
        },
        [&] { w.Command("SaveAs")->trigger(); });

    // The open capture itself is refused (in the format its name asks for).
    d->AskFileName = [&] { return capture_; };
    d->AskQuestion = [](const QString&) { return 1; };
    const std::string before = ReadText(capture_);
    WhileModal(
        d,
        [&] {
          ClickIndicator(d->AllButton());
          QTest::mouseClick(d->SaveButton(), Qt::LeftButton);
          QCOMPARE(f.LastMessage(), std::string(savemsg::kOpenCapture));
          QVERIFY(d->isVisible());
        },
        [&] { w.Command("SaveAs")->trigger(); });
    QCOMPARE(ReadText(capture_), before);
  }

  void saveAsTaggedFilteredAndCancel() {
    Fixture f;
    MainWindow& w = f.window;
    QVERIFY(w.OpenFile(capture_));
    ToggleFrameTag(w.Session(), 2);
    ToggleFrameTag(w.Session(), 4);
    w.FilterTaggedFrames();
    SaveDialog* d = w.SaveBox();
    const QString tagged = dir_.filePath("tagged.enc");
    d->AskFileName = [&] { return tagged; };
    WhileModal(
        d,
        [&] {
          QCOMPARE(d->AllButton()->text(), "Save All Filtered Frames");
          QVERIFY(d->TaggedButton()->isEnabled());
          ClickIndicator(d->TaggedButton());
          QTest::mouseClick(d->SaveButton(), Qt::LeftButton);
          QVERIFY(!d->isVisible());
        },
        [&] { w.Command("SaveAs")->trigger(); });
    QCOMPARE(FramesIn(tagged), 2u);

    // Cancel during the writing: the file keeps the first frame.
    w.ClearFilter();
    const QString part = dir_.filePath("part.enc");
    d->AskFileName = [&] { return part; };
    WhileModal(
        d,
        [&] {
          ClickIndicator(d->AllButton());
          // Clicked at the first chance the window has: after the first frame.
          QTimer::singleShot(0, d, [d] {
            QVERIFY(d->Writing());
            QTest::mouseClick(d->CancelButton(), Qt::LeftButton);
          });
          QTest::mouseClick(d->SaveButton(), Qt::LeftButton);
          QVERIFY(!d->isVisible());
        },
        [&] { w.Command("SaveAs")->trigger(); });
    QCOMPARE(FramesIn(part), 1u);
  }

  void printToTextFile() {
    Fixture f;
    MainWindow& w = f.window;
    QVERIFY(w.OpenFile(capture_));
    PrintDialog* d = w.PrintBox();
    d->PrinterNames = [] { return QStringList(); };
    const QString out = dir_.filePath("print.txt");
    d->AskFileName = [&](bool pdf) { return pdf ? QString() : out; };
    WhileModal(
        d,
        [&] {
          QCOMPARE(d->windowTitle(), "Print");
          // No printer installed: the text file is chosen; the PDF writer stays listed.
          QVERIFY(d->ToFile()->isChecked());
          QVERIFY(d->PrintTo()->isEnabled());
          QCOMPARE(d->Printers()->count(), 1);
          QCOMPARE(d->Printers()->itemText(0), PrintDialog::kPdfEntry);
          QVERIFY(!d->Printers()->isEnabled());
          QVERIFY(!d->SetupButton()->isEnabled());
          QVERIFY(d->SelectedButton()->isChecked());
          QVERIFY(!d->TaggedButton()->isEnabled());
          QCOMPARE(d->RangeLast()->text(), "5");
          ClickIndicator(d->RangeButton());
          d->RangeFirst()->setText("0");
          QTest::mouseClick(d->OkButton(), Qt::LeftButton);
          QCOMPARE(f.LastMessage(), std::string("Invalid print range"));
          d->RangeFirst()->setText("4");
          ClickIndicator(d->Detail());
          QTest::mouseClick(d->OkButton(), Qt::LeftButton);
          QVERIFY(!d->isVisible());
        },
        [&] { w.Command("Print")->trigger(); });
    const std::string text = ReadText(out);
    QVERIFY(text.rfind(" Kestle print from file " + capture_.toStdString() + " on ", 0) == 0);
    QVERIFY(text.find("\n4     ") != std::string::npos);
    QVERIFY(text.find("\n5     ") != std::string::npos);
    QVERIFY(text.find("\n3     ") == std::string::npos);
    QVERIFY(text.find("  Frame 4 (True Size: 90 captured: 90)\n") != std::string::npos);
    QVERIFY(text.find("  0x0000  ") == std::string::npos);

    // The choices of "Print To", detail and dump are kept; the frames start
    // from the selected frame again.
    WhileModal(
        d,
        [&] {
          QVERIFY(d->ToFile()->isChecked());
          QVERIFY(d->Detail()->isChecked());
          QVERIFY(!d->Dump()->isChecked());
          QVERIFY(d->SelectedButton()->isChecked());
          QVERIFY(!d->RangeFirst()->isEnabled());
        },
        [&] { w.Command("Print")->trigger(); });
  }

  void printToPdfThroughThePrinterPath() {
    Fixture f;
    MainWindow& w = f.window;
    QVERIFY(w.OpenFile(capture_));
    PrintDialog* d = w.PrintBox();
    d->PrinterNames = [] { return QStringList{"Office"}; };
    d->DefaultPrinter = [] { return QString("Office"); };
    const QString pdf = dir_.filePath("print.pdf");
    d->AskFileName = [&](bool isPdf) { return isPdf ? pdf : QString(); };
    WhileModal(
        d,
        [&] {
          // A printer installed: it is chosen, the PDF writer after it.
          QVERIFY(d->ToPrinter()->isChecked());
          QCOMPARE(d->Printers()->count(), 2);
          QCOMPARE(d->Printers()->currentText(), "Office");
          QVERIFY(d->Printers()->isEnabled());
          d->Printers()->setCurrentIndex(1);
          ClickIndicator(d->AllButton());
          ClickIndicator(d->Detail());
          ClickIndicator(d->Dump());
          QTest::mouseClick(d->OkButton(), Qt::LeftButton);
          QVERIFY(!d->isVisible());
        },
        [&] { w.Command("Print")->trigger(); });
    const std::string bytes = ReadText(pdf);
    QVERIFY(bytes.rfind("%PDF", 0) == 0);
    QVERIFY(bytes.size() > 2000);
  }

  // Every page the layout makes reaches the PDF: a whole capture with
  // detail and dump, page by page.
  void printsEveryPageOfACapture() {
    Fixture f;
    MainWindow& w = f.window;
    QVERIFY(w.OpenFile(QString(KESTLE_TEST_DATA) + "/captures/mixed.pcap"));
    const QString pdf = dir_.filePath("mixed.pdf");
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
    PrintChoices choices;
    choices.Detail = choices.Dump = true;
    const int pages =
        w.PrintBox()->PrintPages(printer, ChosenFrames(w.Session(), FrameChoice::All), choices);
    QVERIFY(pages > 100);
    const std::string bytes = ReadText(pdf);
    int count = 0;
    for (size_t at = bytes.find("/Type /Page\n"); at != std::string::npos;
         at = bytes.find("/Type /Page\n", at + 1))
      ++count;
    QCOMPARE(count, pages);
  }

  // Rows wider than a portrait page (mixed.pcap's Descriptions after the
  // other columns, on A4) are printed landscape: nothing is cut at the
  // page's edge. Rows of fewer columns stay portrait.
  void wideRowsArePrintedLandscape() {
    for (const auto& [columns, landscape] :
         {std::pair{std::string("ABCDEFGIH"), true}, std::pair{std::string("AH"), false}}) {
      Fixture f;
      MainWindow& w = f.window;
      f.env.settings.ColumnSel = columns;
      const QString file = QString(KESTLE_TEST_DATA) + "/captures/mixed.pcap";
      QVERIFY(w.OpenFile(file));
      const QString pdf = dir_.filePath("orientation.pdf");
      QPrinter printer(QPrinter::HighResolution);
      printer.setOutputFormat(QPrinter::PdfFormat);
      printer.setOutputFileName(pdf);
      printer.setPageSize(QPageSize(QPageSize::A4));
      const std::vector<uint32_t> frames = ChosenFrames(w.Session(), FrameChoice::All);
      QVERIFY(w.PrintBox()->PrintPages(printer, frames, PrintChoices{}) > 0);
      QCOMPARE(printer.pageLayout().orientation() == QPageLayout::Landscape, landscape);
      // The file's pages: wider than high, or higher than wide.
      const std::string bytes = ReadText(pdf);
      const size_t box = bytes.find("/MediaBox [0 0 ");
      QVERIFY(box != std::string::npos);
      std::istringstream numbers(bytes.substr(box + 15, 40));
      double width = 0, height = 0;
      numbers >> width >> height;
      QVERIFY2(landscape ? width > height : width < height, bytes.substr(box, 40).c_str());
    }
  }

  void fileInformation() {
    Fixture f;
    MainWindow& w = f.window;
    QVERIFY(!w.Command("Info")->isEnabled());
    QVERIFY(w.OpenFile(capture_));
    bool shown = false;
    QTimer::singleShot(0, &w, [&] {
      auto* d = qobject_cast<FileInfoDialog*>(QApplication::activeModalWidget());
      QVERIFY(d);
      QCOMPARE(d->windowTitle(), "Kestle - File Information");
      QCOMPARE(d->Value("Name:"), QString("small.pcap"));
      QCOMPARE(d->Value("Type:"), QString("Windump/TCPDUMP Capture"));
      QCOMPARE(d->Value("Frames:"), QString("5"));
      QCOMPARE(d->Value("TCP Sessions:"), QString("1"));
      QCOMPARE(d->Value("Average Size:"), QString("80.00"));
      QCOMPARE(d->Value("Size:"), QString::number(ReadText(capture_).size()));
      shown = true;
      d->accept();
    });
    w.Command("Info")->trigger();
    QVERIFY(shown);
  }
};

QTEST_MAIN(OutputDialogsTest)
#include "output_dialogs_test.moc"
