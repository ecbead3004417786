#include "print_dialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <ctime>

#include "capture/notifier.h"
#include "decode/config/environment.h"
#include "decode/session.h"
#include "output/frame_choice.h"
#include "output/output_file.h"
#include "output/print_job.h"
#include "output/print_layout.h"
#include "output/save.h"
#include "output/textexport.h"

namespace kestle::ui {

namespace {
constexpr const char* kPrinterFailed = "The printer could not be started";
}

PrintDialog::PrintDialog(CaptureSession& session, Notifier& notifier, QWidget* parent)
    : QDialog(parent),
      session_(session),
      notifier_(notifier),
      printer_(std::make_unique<QPrinter>(QPrinter::HighResolution)) {
  setWindowTitle("Print");
  setObjectName("frmPrint");
  printTo_ = new QGroupBox("Print To");
  printTo_->setObjectName("rgPrint");
  toPrinter_ = new QRadioButton("&Printer");
  toFile_ = new QRadioButton("&File");
  auto* to = new QHBoxLayout(printTo_);
  to->addWidget(toPrinter_);
  to->addWidget(toFile_);
  printers_ = new QComboBox;
  printers_->setObjectName("cbPrinter");
  printers_->setMinimumContentsLength(24);
  setup_ = new QPushButton("&Setup");
  setup_->setObjectName("btnSetup");
  frames_ = new FrameChoiceBox({{"Print S&elected Frame", "rbPrintSel"},
                                {"Print &Tagged Frames", "rbPrintTagged"},
                                {"Print &All Frames", "rbPrintAll"},
                                {"Print Frame &Range", "rbPrintRange"},
                                "edPrintFirst",
                                "edPrintLast"});
  detail_ = new QCheckBox("Print Protocol &Detail");
  detail_->setObjectName("cbDetail");
  dump_ = new QCheckBox("Print &Hex/ASCII Dump");
  dump_->setObjectName("cbDump");
  ok_ = new QPushButton("OK");
  ok_->setObjectName("btnOK");
  ok_->setDefault(true);
  cancel_ = new QPushButton("Cancel");
  cancel_->setObjectName("btnCancel");

  auto* printer = new QHBoxLayout;
  printer->addWidget(printers_, 1);
  printer->addWidget(setup_);
  auto* frames = new QGroupBox("Frames");
  auto* choices = new QVBoxLayout(frames);
  choices->addWidget(frames_);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok_);
  buttons->addWidget(cancel_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(printTo_);
  layout->addLayout(printer);
  layout->addWidget(frames);
  layout->addWidget(detail_);
  layout->addWidget(dump_);
  layout->addLayout(buttons);

  connect(toPrinter_, &QRadioButton::toggled, this, &PrintDialog::DestinationChanged);
  connect(printers_, &QComboBox::currentIndexChanged, this, [this](int index) {
    // Choosing a printer makes it the current one.
    if (index >= 0 && index < printers_->count() - 1)
      printer_->setPrinterName(printers_->itemText(index));
  });
  connect(setup_, &QPushButton::clicked, this, &PrintDialog::Setup);
  connect(ok_, &QPushButton::clicked, this, &PrintDialog::OkClicked);
  connect(cancel_, &QPushButton::clicked, this, &PrintDialog::reject);

  PrinterNames = [] { return QPrinterInfo::availablePrinterNames(); };
  DefaultPrinter = [] { return QPrinterInfo::defaultPrinterName(); };
  AskFileName = [this](bool pdf) { return DefaultAskFileName(pdf); };
}

PrintDialog::~PrintDialog() = default;

int PrintDialog::Run() {
  printing_ = cancelRequested_ = false;
  const QStringList names = PrinterNames ? PrinterNames() : QStringList();
  {
    QSignalBlocker block(printers_);
    printers_->clear();
    printers_->addItems(names);
    printers_->addItem(kPdfEntry);
    QString current = printer_->printerName();
    if (!names.contains(current) && DefaultPrinter) current = DefaultPrinter();
    const int at = names.indexOf(current);
    printers_->setCurrentIndex(at >= 0 ? at : names.isEmpty() ? printers_->count() - 1 : 0);
  }
  if (printers_->currentIndex() < printers_->count() - 1)
    printer_->setPrinterName(printers_->currentText());
  // The PDF writer is always there, so "Print To" stays enabled; without
  // an installed printer the first choice is the text file.
  printTo_->setEnabled(true);
  if (!chosenBefore_) {
    (names.isEmpty() ? toFile_ : toPrinter_)->setChecked(true);
    chosenBefore_ = true;
  }
  frames_->Reset(session_);
  DestinationChanged();
  return exec();
}

void PrintDialog::DestinationChanged() {
  const bool printer = toPrinter_->isChecked();
  printers_->setEnabled(printer);
  setup_->setEnabled(printer);
}

void PrintDialog::Setup() {
  QPrintDialog dialog(printer_.get(), this);
  if (dialog.exec() != QDialog::Accepted) return;
  // The list shows the printer chosen there.
  if (printer_->outputFormat() == QPrinter::PdfFormat) {
    printers_->setCurrentIndex(printers_->count() - 1);
    return;
  }
  const int at = printers_->findText(printer_->printerName());
  if (at >= 0 && at < printers_->count() - 1) printers_->setCurrentIndex(at);
}

QString PrintDialog::DefaultAskFileName(bool pdf) {
  QFileDialog dialog(this, pdf ? "Select PDF File" : "Select Print File");
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setNameFilters(pdf ? QStringList{"PDF File (*.pdf)", "All Files (*)"}
                            : QStringList{"Text File (*.txt)", "All Files (*)"});
  dialog.setDefaultSuffix(pdf ? "pdf" : "txt");
  // The file dialog asks before an existing file is replaced.
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().front();
}

bool PrintDialog::KeepGoing() {
  // Cancel can be clicked between frames.
  QApplication::processEvents();
  return !cancelRequested_;
}

int PrintDialog::PrintPages(QPrinter& printer, const std::vector<uint32_t>& frames,
                            const PrintChoices& choices) {
  QFont font("Courier New", 7);
  font.setStyleHint(QFont::TypeWriter);
  QFont bold = font;
  bold.setBold(true);
  auto metricsOf = [&](const QFontMetrics& fm, const QFontMetrics& bm) {
    PrintMetrics m;
    m.PageWidth = printer.width();
    m.PageHeight = printer.height();
    m.DpiY = printer.logicalDpiY();
    m.FontHeight = fm.height();
    m.TextWidth = [&fm](std::string_view t) {
      return fm.horizontalAdvance(QString::fromUtf8(t.data(), static_cast<qsizetype>(t.size())));
    };
    m.BoldTextWidth = [&bm](std::string_view t) {
      return bm.horizontalAdvance(QString::fromUtf8(t.data(), static_cast<qsizetype>(t.size())));
    };
    return m;
  };
  const std::string dateLine = PrintDateLine(session_.Env.Locale, std::time(nullptr));
  if (printer.pageLayout().orientation() == QPageLayout::Portrait) {
    // Rows wider than a portrait page are printed landscape, so that no
    // text is cut at the page's edge.
    const QFontMetrics fm(font, &printer);
    const QFontMetrics bm(bold, &printer);
    const PrintLayout portrait(metricsOf(fm, bm), session_.Env.settings.ColumnSel, dateLine,
                               [](const PrintPage&) {});
    if (!RowsFit(session_, frames, portrait)) printer.setPageOrientation(QPageLayout::Landscape);
  }
  QPainter painter;
  if (!painter.begin(&printer)) return 0;
  const QFontMetrics fm(font, &printer);
  const QFontMetrics bm(bold, &printer);
  const PrintMetrics m = metricsOf(fm, bm);
  bool firstPage = true;
  auto draw = [&](const PrintPage& page) {
    if (!firstPage) printer.newPage();
    firstPage = false;
    for (const PrintItem& i : page.Items) {
      if (i.What == PrintItem::Kind::Rule) {
        painter.setPen(QPen(Qt::black, i.Thickness));
        painter.drawLine(i.X, i.Y, i.X2, i.Y);
        continue;
      }
      painter.setPen(Qt::black);
      painter.setFont(i.Bold ? bold : font);
      painter.drawText(QPoint(i.X, i.Y + (i.Bold ? bm : fm).ascent()),
                       QString::fromStdString(i.Text));
    }
  };
  PrintLayout layout(m, session_.Env.settings.ColumnSel, dateLine, draw);
  layout.Begin();
  PrintToLayout(session_, frames, layout, choices, [this] { return KeepGoing(); });
  layout.End();
  painter.end();
  return layout.PagesDone();
}

void PrintDialog::OkClicked() {
  if (printing_) return;
  std::vector<uint32_t> frames;
  if (!frames_->Chosen(session_, rangemsg::kInvalidPrintRange, notifier_, frames)) return;
  PrintChoices choices;
  choices.Detail = detail_->isChecked();
  choices.Dump = dump_->isChecked();
  const bool toFile = toFile_->isChecked();
  const bool pdf = !toFile && printers_->currentIndex() == printers_->count() - 1;
  QString name;
  if (toFile || pdf) {
    name = AskFileName ? AskFileName(pdf) : QString();
    if (name.isEmpty()) return;
    if (SameFile(name.toStdString(), session_.FileName())) {
      notifier_.Message(FileMessage(savemsg::kOpenCapture, name.toStdString()));
      return;
    }
  }
  printing_ = true;
  cancelRequested_ = false;
  ok_->setEnabled(false);
  QApplication::setOverrideCursor(Qt::WaitCursor);
  std::string failure;
  if (toFile) {
    const PrintOutcome r = PrintToTextFile(session_, frames, name.toStdString(), choices,
                                           PrintDateLine(session_.Env.Locale, std::time(nullptr)),
                                           [this] { return KeepGoing(); });
    if (!r.Ok) failure = r.Message;
  } else {
    if (pdf) {
      printer_->setOutputFormat(QPrinter::PdfFormat);
      printer_->setOutputFileName(name);
    } else {
      printer_->setOutputFileName(QString());
      printer_->setOutputFormat(QPrinter::NativeFormat);
      printer_->setPrinterName(printers_->currentText());
    }
    printer_->setDocName("Kestle Print");
    if (PrintPages(*printer_, frames, choices) == 0)
      failure = pdf ? FileMessage(printmsg::kCannotCreate, name.toStdString()) : kPrinterFailed;
  }
  QApplication::restoreOverrideCursor();
  printing_ = false;
  ok_->setEnabled(true);
  if (!failure.empty()) {
    notifier_.Message(failure);
    return;
  }
  accept();
}

void PrintDialog::reject() {
  if (printing_) {
    // The job ends after the frame being printed.
    cancelRequested_ = true;
    return;
  }
  QDialog::reject();
}

}  // namespace kestle::ui
