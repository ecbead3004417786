#include "main_window.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QHash>
#include <QHeaderView>
#include <QIcon>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPainter>
#include <QPalette>
#include <QProgressBar>
#include <QScreen>
#include <QScrollBar>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QVBoxLayout>

#include "app_paths.h"
#include "capture/file_types.h"
#include "decode/config/environment.h"
#include "decode/context.h"
#include "decode/detail.h"
#include "frame_model.h"
#include "graphs_page.h"
#include "help_window.h"
#include "hexdump_view.h"
#include "nodes_page.h"
#include "options_dialog.h"
#include "output/detailview.h"
#include "output/fileinfo.h"
#include "output/grid.h"
#include "output/hexdump.h"
#include "output/tagging.h"
#include "output/window_layout.h"
#include "ports_dialog.h"
#include "stats/nodes.h"

Q_DECLARE_METATYPE(const kestle::DetailNode*)

namespace kestle::ui {

namespace {
constexpr int kNodeRole = Qt::UserRole;
constexpr const char* kTitle = "Kestle";

// Hints read "short text|long text": the tool tip shows the short text and
// the status bar the long one.
void SetHint(QAction* a, const QString& hint) {
  const qsizetype bar = hint.indexOf('|');
  a->setToolTip(bar < 0 ? hint : hint.left(bar));
  a->setStatusTip(bar < 0 ? hint : hint.mid(bar + 1));
}
// Whether a picture is a dark glyph (the style's black arrows), which
// vanishes on a dark tool bar: most of its visible pixels are dark.
bool IsDarkGlyph(const QPixmap& pixmap) {
  const QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
  int visible = 0, dark = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      const QColor c = image.pixelColor(x, y);
      if (c.alpha() < 128) continue;
      ++visible;
      if (c.lightnessF() < 0.35) ++dark;
    }
  return visible > 0 && dark * 10 >= visible * 8;
}

// The picture drawn in `colour`, its shape kept.
QPixmap Recoloured(const QPixmap& pixmap, const QColor& colour) {
  QPixmap out(pixmap.size());
  out.setDevicePixelRatio(pixmap.devicePixelRatio());
  out.fill(Qt::transparent);
  QPainter p(&out);
  p.drawPixmap(0, 0, pixmap);
  p.setCompositionMode(QPainter::CompositionMode_SourceIn);
  p.fillRect(out.rect(), colour);
  p.end();
  return out;
}

// The icon with a faded picture for its disabled state: the style's own
// disabled form of a black-and-white picture looks much like the enabled one.
// On a dark palette a dark glyph is drawn in the palette's button text
// colour so that it stays readable.
QIcon WithFadedDisabled(const QIcon& icon, const QPalette& palette) {
  if (icon.isNull()) return icon;
  const bool darkPalette = palette.color(QPalette::Button).lightnessF() < 0.5;
  QIcon out;
  for (const int size : {16, 22, 24, 32, 48}) {
    QPixmap normal = icon.pixmap(size, size);
    if (normal.isNull()) continue;
    QPixmap active = icon.pixmap(size, size, QIcon::Active);
    if (darkPalette && IsDarkGlyph(normal))
      active = normal = Recoloured(normal, palette.color(QPalette::ButtonText));
    QPixmap faded(normal.size());
    faded.setDevicePixelRatio(normal.devicePixelRatio());
    faded.fill(Qt::transparent);
    QPainter p(&faded);
    p.setOpacity(0.3);
    p.drawPixmap(0, 0, normal);
    p.end();
    out.addPixmap(normal, QIcon::Normal);
    out.addPixmap(active, QIcon::Active);
    out.addPixmap(faded, QIcon::Disabled);
  }
  return out;
}

}  // namespace

MainWindow::MainWindow(Environment& env, IniFile& ini, QString iniPath, Notifier& notifier,
                       QWidget* parent)
    : QMainWindow(parent),
      env_(env),
      ini_(ini),
      iniPath_(std::move(iniPath)),
      notifier_(notifier),
      loadNotices_(notifier),
      session_(std::make_unique<CaptureSession>(env, loadNotices_)) {
  setWindowTitle(kTitle);
  setAcceptDrops(true);
  SetHostResolver(ResolveIPv4Name);
  BuildActions();
  BuildMenus();
  BuildPages();
  options_ = new OptionsDialog(env_, notifier_, this);
  BuildFilterCommands();
  BuildOutputCommands();
  SetFileCommands(false);
  ApplyWindowSettings();
  ApplyPalette();
  for (QWidget* w :
       {static_cast<QWidget*>(grid_), static_cast<QWidget*>(tree_), static_cast<QWidget*>(dump_)})
    w->installEventFilter(this);
}

MainWindow::~MainWindow() {
  // The lookup thread wakes this window: it ends before the window does.
  lookup_.reset();
  // Hidden while the session still exists: hiding lays out the grid's
  // header, which asks the model, which reads the session.
  hide();
}

QAction* MainWindow::Command(const QString& name) const { return commands_.value(name); }

QStringList MainWindow::OpenFileFilters() {
  // The file types come from the core, beside the readers.
  QStringList filters;
  for (const std::string& f : OpenDialogFilters()) filters << QString::fromStdString(f);
  return filters;
}

void MainWindow::BuildActions() {
  // Standard commands take the desktop theme's picture, with the style's
  // own as the fallback, and the platform's standard keys.
  struct Def {
    const char* name;
    const char* caption;
    const char* hint;
    const char* themeIcon;
    QStyle::StandardPixmap icon;
    QKeySequence::StandardKey key;
  };
  using K = QKeySequence;
  const Def defs[] = {
      {"Open", "&Open...", "Open File|Open a trace file", "document-open",
       QStyle::SP_DialogOpenButton, K::Open},
      {"Close", "&Close", "Close File|Close the current file", "document-close",
       QStyle::SP_DialogCloseButton, K::Close},
      {"SaveAs", "Save As...", "Save As|Save frames to a file", "document-save-as",
       QStyle::SP_DialogSaveButton, K::SaveAs},
      {"Info", "File Information...", "File Information|Display information about current file",
       "document-properties", QStyle::SP_FileDialogInfoView, K::UnknownKey},
      {"Print", "Print...", "Print|Print trace or write to text file", "document-print",
       QStyle::SP_FileDialogDetailedView, K::Print},
      {"Exit", "E&xit", "Exit|Exit the Kestle program", "application-exit", QStyle::SP_BrowserStop,
       K::Quit},
      {"Find", "&Find Packet...", "Find Packet|Find a packet containing a specified string",
       "edit-find", QStyle::SP_FileDialogContentsView, K::Find},
      {"Goto", "&Goto Packet...", "Goto Packet|Go to a specific packet number", "go-jump",
       QStyle::SP_ArrowRight, K::UnknownKey},
      {"First", "First", "First Frame|Display first Frame in current sort order", "go-first",
       QStyle::SP_MediaSkipBackward, K::UnknownKey},
      {"Prev", "Previous", "Previous Frame|Display the Previous Frame", "go-previous",
       QStyle::SP_MediaSeekBackward, K::UnknownKey},
      {"Next", "Next", "Next Frame|Displey the Next Frame", "go-next", QStyle::SP_MediaSeekForward,
       K::UnknownKey},
      {"Last", "Last", "Last Frame|Display the Last Frame in the Current Sort Order", "go-last",
       QStyle::SP_MediaSkipForward, K::UnknownKey},
      {"Filter", "Set Filter...", "Filter Frames|Select frames to be displayed", "view-filter",
       QStyle::SP_FileDialogListView, K::UnknownKey},
      {"FilterTagged", "Filter Tagged Frames", "", nullptr, QStyle::SP_CustomBase, K::UnknownKey},
      {"ClearFilter", "Clear Filter", "Clear Filter|Display all packets", "edit-clear",
       QStyle::SP_CustomBase, K::UnknownKey},
      {"Ports", "Define &Port Descriptions...", "Add or change port descriptions", nullptr,
       QStyle::SP_CustomBase, K::UnknownKey},
      {"Options", "Options...", "Program Options|Set Kestle program options", "preferences-system",
       QStyle::SP_ComputerIcon, K::Preferences},
      {"Toolbar", "Hide Toolbar", "Toggle ToolBar Display|Turns the ToolBar on or off", nullptr,
       QStyle::SP_CustomBase, K::UnknownKey},
      {"StatusBar", "Hide Status Bar", "Toggle Statusbar View|Turn the Statusbar on or off",
       nullptr, QStyle::SP_CustomBase, K::UnknownKey},
      {"Help", "Kestle Help", "Display Help|Display Kestle Help", "help-contents",
       QStyle::SP_DialogHelpButton, K::HelpContents},
      {"About", "&About...", "Version Info|Display the program Version information", "help-about",
       QStyle::SP_MessageBoxInformation, K::UnknownKey},
      // Keys only, in no menu.
      {"FindNext", "Find Next", "Find Next|Find the next packet containing the string", nullptr,
       QStyle::SP_CustomBase, K::FindNext},
      {"NextPage", "Next Page", "", nullptr, QStyle::SP_CustomBase, K::NextChild},
      {"PrevPage", "Previous Page", "", nullptr, QStyle::SP_CustomBase, K::PreviousChild},
  };
  for (const Def& d : defs) {
    auto* a = new QAction(d.caption, this);
    a->setObjectName(d.name);
    SetHint(a, d.hint);
    if (d.icon != QStyle::SP_CustomBase || d.themeIcon) {
      const QIcon fallback =
          d.icon != QStyle::SP_CustomBase ? style()->standardIcon(d.icon) : QIcon();
      // Drawn for the palette by ApplyPalette.
      commandIcons_.insert(a, d.themeIcon ? QIcon::fromTheme(d.themeIcon, fallback) : fallback);
    }
    if (d.key != K::UnknownKey) a->setShortcuts(d.key);
    // Keys a platform without a desktop leaves out.
    if (a->shortcuts().isEmpty() && d.key == K::SaveAs)
      a->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    if (a->shortcuts().isEmpty() && d.key == K::Quit)
      a->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    a->setShortcutContext(Qt::WindowShortcut);
    addAction(a);  // its keys work while the menus are closed
    commands_.insert(d.name, a);
  }
  // Ctrl+G is Goto Packet: Find Next keeps its other keys.
  const QKeySequence gotoKey(Qt::CTRL | Qt::Key_G);
  QList<QKeySequence> findNext = Command("FindNext")->shortcuts();
  findNext.removeAll(gotoKey);
  if (findNext.isEmpty()) findNext << QKeySequence(Qt::Key_F3);
  Command("FindNext")->setShortcuts(findNext);
  Command("Goto")->setShortcut(gotoKey);
  if (Command("Help")->shortcuts().isEmpty()) Command("Help")->setShortcut(Qt::Key_F1);
  connect(Command("Open"), &QAction::triggered, this, &MainWindow::OpenDialog);
  connect(Command("Close"), &QAction::triggered, this, &MainWindow::CloseFile);
  connect(Command("Exit"), &QAction::triggered, this, &QWidget::close);
  connect(Command("Options"), &QAction::triggered, this, &MainWindow::ShowOptions);
  connect(Command("Ports"), &QAction::triggered, this, &MainWindow::ShowPorts);
  connect(Command("Help"), &QAction::triggered, this, &MainWindow::ShowHelp);
  connect(Command("About"), &QAction::triggered, this, &MainWindow::ShowAbout);
  connect(Command("Toolbar"), &QAction::triggered, this,
          [this] { toolBar_->setVisible(!toolBar_->isVisible()); });
  connect(Command("StatusBar"), &QAction::triggered, this,
          [this] { statusBar()->setVisible(!statusBar()->isVisible()); });
  connect(Command("NextPage"), &QAction::triggered, this,
          [this] { pages_->setCurrentIndex((pages_->currentIndex() + 1) % pages_->count()); });
  connect(Command("PrevPage"), &QAction::triggered, this, [this] {
    pages_->setCurrentIndex((pages_->currentIndex() + pages_->count() - 1) % pages_->count());
  });
}

void MainWindow::BuildMenus() {
  fileMenu_ = menuBar()->addMenu("&File");
  fileMenu_->addAction(Command("Open"));
  fileMenu_->addAction(Command("Close"));
  fileMenu_->addSeparator();
  fileMenu_->addAction(Command("SaveAs"));
  fileMenu_->addSeparator();
  fileMenu_->addAction(Command("Info"));
  fileMenu_->addAction(Command("Print"));
  fileMenu_->addSeparator();
  fileMenu_->addAction(Command("Exit"));
  recentSeparator_ = fileMenu_->addSeparator();
  for (int n = 1; n <= static_cast<int>(RecentFiles::kMax); ++n) {
    QAction* a = fileMenu_->addAction(QString());
    a->setVisible(false);
    connect(a, &QAction::triggered, this, [this, n] {
      const auto& files = env_.recent.Files();
      if (n <= static_cast<int>(files.size()))
        OpenFile(QString::fromStdString(files[static_cast<size_t>(n - 1)]));
    });
    recentItems_ << a;
  }
  connect(fileMenu_, &QMenu::aboutToShow, this, &MainWindow::UpdateFileMenu);

  QMenu* search = menuBar()->addMenu("&Search");
  search->addAction(Command("Find"));
  search->addAction(Command("Goto"));
  AddStreamCommands(search);
  viewMenu_ = menuBar()->addMenu("View");
  viewMenu_->addAction(Command("Toolbar"));
  viewMenu_->addAction(Command("StatusBar"));
  connect(viewMenu_, &QMenu::aboutToShow, this, &MainWindow::UpdateViewMenu);
  filterMenu_ = menuBar()->addMenu("Filter");
  filterMenu_->addAction(Command("Filter"));
  filterMenu_->addAction(Command("FilterTagged"));
  filterMenu_->addAction(Command("ClearFilter"));
  connect(filterMenu_, &QMenu::aboutToShow, this, &MainWindow::UpdateFilterMenu);
  QMenu* options = menuBar()->addMenu("&Options");
  options->addAction(Command("Ports"));
  options->addAction(Command("Options"));
  QMenu* help = menuBar()->addMenu("&Help");
  help->addAction(Command("Help"));
  help->addAction(Command("About"));

  toolBar_ = addToolBar("Tools");
  toolBar_->setObjectName("toolBar");
  toolBar_->setMovable(false);
  const char* groups[][4] = {{"Open"},
                             {"SaveAs"},
                             {"Print"},
                             {"Info"},
                             {"Find"},
                             {"Goto"},
                             {"First", "Prev", "Next", "Last"},
                             {"Filter"},
                             {"Options"},
                             {"Exit"}};
  bool first = true;
  for (const auto& g : groups) {
    if (!first) toolBar_->addSeparator();
    first = false;
    for (const char* name : g)
      if (name) toolBar_->addAction(Command(name));
  }
  Command("Find")->setIconText("Find Packet");

  panel0_ = new QLabel;
  panel1_ = new QLabel;
  panel2_ = new QLabel;
  progress_ = new QProgressBar;
  progress_->setRange(0, 100);
  progress_->setTextVisible(false);
  progress_->setMaximumHeight(16);
  progress_->hide();
  panel1_->setFixedWidth(25);
  panel2_->setFixedWidth(50);
  statusBar()->addWidget(panel0_, 1);
  statusBar()->addWidget(progress_, 1);
  statusBar()->addPermanentWidget(panel1_);
  statusBar()->addPermanentWidget(panel2_);
}

void MainWindow::BuildPages() {
  pages_ = new QTabWidget;
  auto* frames = new QWidget;
  auto* layout = new QVBoxLayout(frames);
  layout->setContentsMargins(0, 0, 0, 0);
  splitter_ = new QSplitter(Qt::Vertical);

  grid_ = new QTableView;
  model_ = new FrameTableModel(*session_, grid_);
  grid_->setModel(model_);
  grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
  grid_->setSelectionMode(QAbstractItemView::SingleSelection);
  grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  grid_->setShowGrid(true);
  grid_->setWordWrap(false);
  grid_->setTextElideMode(Qt::ElideRight);
  grid_->verticalHeader()->hide();
  grid_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  grid_->verticalHeader()->setDefaultSectionSize(18);
  grid_->horizontalHeader()->setSectionsClickable(true);
  grid_->horizontalHeader()->setSortIndicatorShown(true);
  grid_->horizontalHeader()->setHighlightSections(false);
  grid_->horizontalHeader()->setStretchLastSection(true);
  grid_->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  grid_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(grid_->horizontalHeader(), &QHeaderView::sectionClicked, this,
          &MainWindow::HeaderClicked);
  connect(grid_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          [this](const QModelIndex& cur) {
            if (cur.isValid()) SelectRow(cur.row());
          });
  connect(grid_, &QWidget::customContextMenuRequested, this, &MainWindow::GridContextMenu);

  tree_ = new QTreeWidget;
  tree_->setHeaderHidden(true);
  tree_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  tree_->setContextMenuPolicy(Qt::CustomContextMenu);
  tree_->setUniformRowHeights(true);
  connect(tree_, &QTreeWidget::itemSelectionChanged, this, &MainWindow::TreeSelectionChanged);
  connect(tree_, &QWidget::customContextMenuRequested, this, &MainWindow::TreeContextMenu);

  dump_ = new HexDumpView;
  dump_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(dump_, &QWidget::customContextMenuRequested, this, &MainWindow::DumpContextMenu);
  connect(dump_, &HexDumpView::ByteClicked, this, &MainWindow::SelectTreeLineAt);

  splitter_->addWidget(grid_);
  splitter_->addWidget(tree_);
  splitter_->addWidget(dump_);
  // Until the user moves a pane, the restored heights follow the page.
  connect(splitter_, &QSplitter::splitterMoved, this, [this] { panesPending_ = false; });
  splitter_->setStretchFactor(0, 3);
  splitter_->setStretchFactor(1, 3);
  splitter_->setStretchFactor(2, 2);
  layout->addWidget(BuildFilterBar());
  layout->addWidget(splitter_);
  pages_->addTab(frames, "Frames");
  nodesPage_ = new NodesPage(*session_, env_.settings);
  connect(nodesPage_, &NodesPage::SessionChosen, this, &MainWindow::FilterSession);
  graphsPage_ = new GraphsPage(*session_);
  pages_->addTab(nodesPage_, "Nodes");
  pages_->addTab(graphsPage_, "Graphs");
  connect(pages_, &QTabWidget::currentChanged, this, &MainWindow::PageChanged);
  setCentralWidget(pages_);
  LayOutColumns();
  UpdateSortMark();
}

void MainWindow::ApplyWindowSettings() {
  toolBar_->setVisible(env_.settings.ShowToolBar);
  statusBar()->setVisible(env_.settings.ShowStatusbar);
  QRect screen(0, 0, 1920, 1080);
  if (QScreen* s = QGuiApplication::primaryScreen()) screen = s->availableGeometry();
  const char* w = "Window";
  const int width = static_cast<int>(ini_.ReadInteger(w, "WindowWidth", 0));
  const int height = static_cast<int>(ini_.ReadInteger(w, "WindowHeight", 0));
  const bool maximised = ini_.ReadBool(w, "WindowMax", false);
  // The first start (no saved size) takes about 80 % of the screen.
  const auto [firstWidth, firstHeight] = FirstStartWindowSize(screen.width(), screen.height());
  resize(firstWidth, firstHeight);
  move(screen.center() - rect().center());
  // A maximised window keeps its saved normal bounds for when it is
  // restored.
  if (width > 0 && height > 0) {
    // Sizes from another screen setup are kept inside this screen.
    const int cw = std::clamp(width, 200, screen.width());
    const int ch = std::clamp(height, 150, screen.height());
    const int left = std::clamp(static_cast<int>(ini_.ReadInteger(w, "WindowLeft", x())),
                                screen.left(), screen.right() - cw + 1);
    const int top = std::clamp(static_cast<int>(ini_.ReadInteger(w, "WindowTop", y())),
                               screen.top(), screen.bottom() - ch + 1);
    // The saved bounds are the client area's (geometry()): placing the
    // frame there instead would move the window down by its title bar at
    // every start.
    setGeometry(left, top, cw, ch);
  }
  if (maximised) setWindowState(windowState() | Qt::WindowMaximized);
  // The panes get their heights once the page has its final size (a
  // maximised window only has it after it is shown).
  savedGridHeight_ = static_cast<int>(ini_.ReadInteger(w, "Pane1Size", 0));
  savedDumpHeight_ = static_cast<int>(ini_.ReadInteger(w, "Pane2Size", 0));
  firstStart_ = !maximised && (width <= 0 || height <= 0);
  panesPending_ = true;
  ApplyPaneSizes();
  nodesPage_->SetPaneSizes(
      static_cast<int>(ini_.ReadInteger(w, "Pane3Height", nodesPage_->LowerPanelHeight())),
      static_cast<int>(ini_.ReadInteger(w, "Pane4Width", nodesPage_->SessionsWidth())));
}

void MainWindow::ApplyPaneSizes() {
  if (!panesPending_) return;
  const int total = splitter_->height() - splitter_->handleWidth() * 2;
  if (total <= 0) return;
  std::array<int, 3> heights{};
  if (savedGridHeight_ > 0 && savedDumpHeight_ > 0) {
    heights = RestoredPaneHeights(total, savedGridHeight_, savedDumpHeight_);
  } else if (firstStart_) {
    const int header = grid_->horizontalHeader()->sizeHint().height();
    heights = FirstStartPaneHeights(total, grid_->verticalHeader()->defaultSectionSize(), header,
                                    2 * grid_->frameWidth());
  } else {
    return;
  }
  splitter_->setSizes({heights[0], heights[1], heights[2]});
}

void MainWindow::SaveSettings() {
  if (settingsSaved_) return;
  settingsSaved_ = true;
  if (session_->FileOpen()) CloseFile();
  TerminateLookupThread();
  env_.settings.ShowToolBar = !toolBar_->isHidden();
  env_.settings.ShowStatusbar = !statusBar()->isHidden();
  env_.Save(ini_);
  const char* w = "Window";
  ini_.WriteInteger(w, "WindowMax", isMaximized());
  const QRect g = isMaximized() ? normalGeometry() : geometry();
  ini_.WriteInteger(w, "WindowLeft", g.left());
  ini_.WriteInteger(w, "WindowTop", g.top());
  ini_.WriteInteger(w, "WindowHeight", g.height());
  ini_.WriteInteger(w, "WindowWidth", g.width());
  const QList<int> sizes = splitter_->sizes();
  if (sizes.size() == 3) {
    ini_.WriteInteger(w, "Pane1Size", sizes[0]);
    ini_.WriteInteger(w, "Pane2Size", sizes[2]);
  }
  ini_.WriteInteger(w, "Pane3Height", nodesPage_->LowerPanelHeight());
  ini_.WriteInteger(w, "Pane4Width", nodesPage_->SessionsWidth());
  // A failed write is not reported: the program is closing.
  if (!iniPath_.isEmpty()) ini_.Save(iniPath_.toStdString());
}

void MainWindow::SetFileCommands(bool on) {
  for (const char* name : {"SaveAs", "Info", "Print", "Goto", "Find", "FindNext", "Filter", "First",
                           "Prev", "Next", "Last", "ClearFilter", "FilterTagged"})
    Command(name)->setEnabled(on);
  Command("Close")->setEnabled(session_->FileOpen());
}

bool MainWindow::Busy(const char* what) {
  if (!loading_) return false;
  statusBar()->showMessage(QString("%1 is not possible while a file loads").arg(what), 3000);
  return true;
}

void MainWindow::ResetViews() {
  gridReady_ = false;
  detail_.Clear();
  tree_->clear();
  dump_->ClearFrame();
  frameBytes_.clear();
  model_->Reset();
  nodesPage_->Clear();
  graphsPage_->Clear();
  setWindowTitle(kTitle);
  pages_->setCurrentIndex(0);
}

bool MainWindow::OpenFile(const QString& path) {
  if (Busy("Opening a file")) return false;
  TerminateLookupThread();
  panel0_->clear();
  QApplication::setOverrideCursor(Qt::WaitCursor);
  SetFileCommands(false);
  ++loadId_;
  ResetViews();
  ResetFilter();
  loading_ = true;
  SetFileCommands(false);
  loadNotices_.Hold();
  const bool ok = session_->OpenSnifferFile(path.toStdString(), this);
  loading_ = false;
  if (ok) {
    env_.recent.Add(path.toStdString());
    lastOpened_ = path;
    setWindowTitle(QString("%1 - %2").arg(kTitle, path));
    // Until a hint or another status text replaces it.
    panel0_->setText(QString::fromStdString(LoadSummaryText(*session_)));
    SetFileCommands(true);
    gridReady_ = true;
    dumpEbcdic_ = false;
    sortMode_ = kSortByNumber;
    UpdateSortMark();
    model_->Reset();
    session_->SelectedFrame = 0;
    SelectRow(0);
    CreateNodeStats(*session_);
    if (env_.settings.LookupHostNames) StartLookupThread();
  } else {
    model_->Reset();
    SetFileCommands(false);
  }
  QApplication::restoreOverrideCursor();
  // The load's messages come once its frames are shown.
  loadNotices_.Release();
  if (exitPending_) QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
  return ok;
}

void MainWindow::CloseFile() {
  if (Busy("Closing the file")) return;
  TerminateLookupThread();
  ++loadId_;
  session_->Close();
  ResetViews();
  ResetFilter();
  SetFileCommands(false);
  panel0_->clear();
}

void MainWindow::DropFiles(const QList<QUrl>& urls) {
  if (Busy("Opening a file")) return;
  if (urls.size() != 1) {
    notifier_.Message("One at a time please");
    return;
  }
  OpenFile(urls.front().toLocalFile());
}

void MainWindow::dragEnterEvent(QDragEnterEvent* e) {
  if (e->mimeData()->hasUrls() && !loading_) e->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* e) {
  const QList<QUrl> urls = e->mimeData()->urls();
  e->acceptProposedAction();
  // Open after the drop has finished so that the file manager is not kept waiting.
  QMetaObject::invokeMethod(
      this, [this, urls] { DropFiles(urls); }, Qt::QueuedConnection);
}

void MainWindow::closeEvent(QCloseEvent* e) {
  if (loading_) {
    // Leaving now would free the tables the reader is filling: close when it ends.
    exitPending_ = true;
    e->ignore();
    return;
  }
  SaveSettings();
  e->accept();
}

void MainWindow::resizeEvent(QResizeEvent* e) {
  QMainWindow::resizeEvent(e);
  // The grid takes its new size after the window: lay out once it has.
  QTimer::singleShot(0, this, [this] {
    ApplyPaneSizes();
    LayOutColumns();
  });
}

void MainWindow::changeEvent(QEvent* e) {
  QMainWindow::changeEvent(e);
  if (e->type() == QEvent::PaletteChange) ApplyPalette();
}

void MainWindow::ApplyPalette() {
  const QPalette& p = palette();
  const ViewPalette colours = ViewPaletteFor(RgbValueFromColour(p.color(QPalette::Base)),
                                             RgbValueFromColour(p.color(QPalette::AlternateBase)),
                                             RgbValueFromColour(p.color(QPalette::Text)));
  model_->SetPalette(colours);
  dump_->SetPalette(colours);
  nodesPage_->SetPalette(colours);
  graphsPage_->SetDark(colours.Dark);
  for (auto it = commandIcons_.cbegin(); it != commandIcons_.cend(); ++it)
    it.key()->setIcon(WithFadedDisabled(it.value(), p));
}

bool MainWindow::eventFilter(QObject* watched, QEvent* e) {
  if (e->type() != QEvent::KeyPress) return QMainWindow::eventFilter(watched, e);
  const auto* k = static_cast<QKeyEvent*>(e);
  const Qt::KeyboardModifiers mods = k->modifiers() & ~Qt::KeypadModifier;
  if (watched == grid_ && (k->key() == Qt::Key_Home || k->key() == Qt::Key_End) &&
      (mods == Qt::NoModifier || mods == Qt::ControlModifier)) {
    Navigate(k->key() == Qt::Key_Home ? NavigationCommand::First : NavigationCommand::Last);
    return true;
  }
  const bool backward =
      k->key() == Qt::Key_Backtab || (k->key() == Qt::Key_Tab && (mods & Qt::ShiftModifier));
  if ((k->key() == Qt::Key_Tab || k->key() == Qt::Key_Backtab) &&
      !(mods & (Qt::ControlModifier | Qt::AltModifier))) {
    // The Frames page's three views, in a ring.
    QWidget* const ring[] = {grid_, tree_, dump_};
    for (int i = 0; i < 3; ++i) {
      if (watched != ring[i]) continue;
      ring[(i + (backward ? 2 : 1)) % 3]->setFocus(backward ? Qt::BacktabFocusReason
                                                            : Qt::TabFocusReason);
      return true;
    }
  }
  return QMainWindow::eventFilter(watched, e);
}

void MainWindow::LoadStarted() {
  panel0_->hide();
  progress_->setValue(0);
  progress_->show();
}

void MainWindow::LoadProgress(unsigned percent) {
  progress_->setValue(static_cast<int>(percent));
  // Repaint during the load; user input reaches only the commands that
  // refuse or defer work while loading_ is set.
  QApplication::processEvents();
}

void MainWindow::LoadFinished() {
  progress_->hide();
  panel0_->show();
}

void MainWindow::LayOutColumns() {
  const std::string& sel = env_.settings.ColumnSel;
  const int avail = grid_->viewport()->width() > 0
                        ? grid_->width() - grid_->verticalScrollBar()->sizeHint().width() - 12
                        : 800;
  const QFontMetrics fm(grid_->font());
  const QFontMetrics hm(grid_->horizontalHeader()->font());
  constexpr int kPadding = 12;
  std::vector<int> least;
  for (const char letter : sel) {
    // Never narrower than the header text with the sort mark, a time of
    // day in the Time column, a MAC or IPv6 address in the node columns.
    const std::string_view h = ColumnHeader(letter);
    int w =
        hm.horizontalAdvance(QString::fromUtf8(h.data(), static_cast<qsizetype>(h.size()))) + 24;
    if (letter == 'B') w = std::max(w, fm.horizontalAdvance(kTimeSample) + kPadding);
    if (letter == 'D' || letter == 'F')
      w = std::max({w, fm.horizontalAdvance(kMacSample) + kPadding,
                    fm.horizontalAdvance(kIPv6Sample) + kPadding});
    least.push_back(w);
  }
  const std::vector<int> widths = FitColumnWidths(sel, avail, least);
  for (size_t i = 0; i < widths.size(); ++i) grid_->setColumnWidth(static_cast<int>(i), widths[i]);
}

void MainWindow::UpdateSortMark() {
  const std::string& sel = env_.settings.ColumnSel;
  const size_t pos = sel.find(SortLetter(sortMode_));
  if (pos == std::string::npos) {
    grid_->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    return;
  }
  grid_->horizontalHeader()->setSortIndicator(
      static_cast<int>(pos), SortDescending(sortMode_) ? Qt::DescendingOrder : Qt::AscendingOrder);
}

void MainWindow::HeaderClicked(int section) {
  const std::string& sel = env_.settings.ColumnSel;
  if (section < 0 || static_cast<size_t>(section) >= sel.size()) return;
  sortMode_ = SortModeAfterClick(sortMode_, sel[static_cast<size_t>(section)]);
  UpdateSortMark();
  if (!session_->FileOpen() || loading_ || session_->VisibleCount == 0) return;
  SortGrid();
}

void MainWindow::SelectRow(int row) {
  if (row < 0 || static_cast<uint32_t>(row) >= session_->VisibleCount || !session_->FileOpen() ||
      !gridReady_)
    return;
  const QModelIndex idx = model_->index(row, 0);
  if (grid_->currentIndex().row() != row) {
    QSignalBlocker block(grid_->selectionModel());
    grid_->selectionModel()->setCurrentIndex(
        idx, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    grid_->viewport()->update();
  }
  grid_->scrollTo(idx);
  const uint32_t frame = session_->FrameOrder[static_cast<size_t>(row) + 1];
  if (frame == session_->SelectedFrame) return;
  session_->SelectedFrame = frame;
  ShowFrame(frame);
}

void MainWindow::ShowFrame(uint32_t frame) {
  DecodeContext c(*session_, env_);
  DetailTree tree;
  BuildFrameTree(*session_, c, tree, frame);
  const std::span<const uint8_t> shown = ShownFrameBytes(c);
  ShowDetail(std::move(tree), std::vector<uint8_t>(shown.begin(), shown.end()));
}

void MainWindow::ShowDetail(DetailTree tree, std::vector<uint8_t> bytes) {
  // The dump points into the tree: forget the old one before it goes.
  dump_->ClearFrame();
  tree_->clear();
  detail_ = std::move(tree);
  frameBytes_ = std::move(bytes);
  FillTree();
  dump_->SetColourLayers(env_.settings.ColourGrid);
  dump_->SetFrame(frameBytes_, &detail_, dumpEbcdic_);
}

void MainWindow::OpenFromArguments(const QStringList& args) {
  if (args.size() < 2) return;
  const QString file = args.at(1);
  QTimer::singleShot(0, this, [this, file] { OpenFile(file); });
}

QIcon MainWindow::TreeImage(int image) const {
  // One picture per tree image: the same image always shows the same picture.
  static constexpr QStyle::StandardPixmap kImages[] = {
      QStyle::SP_MessageBoxInformation,  // TreeImage::Plain
      QStyle::SP_FileIcon,               // TreeImage::Field
      QStyle::SP_ComputerIcon,           // TreeImage::Frame
      QStyle::SP_DriveNetIcon,           // TreeImage::Network
      QStyle::SP_MediaPlay,              // TreeImage::Segment
      QStyle::SP_DriveHDIcon,            // TreeImage::Link
      QStyle::SP_FileDialogInfoView,     // TreeImage::Message
      QStyle::SP_MediaSeekForward,       // TreeImage::Datagram
      QStyle::SP_DialogApplyButton,      // TreeImage::Flags
      QStyle::SP_DirIcon,                // TreeImage::Protocol
      QStyle::SP_DriveCDIcon,            // TreeImage::Security
  };
  const size_t count = sizeof kImages / sizeof kImages[0];
  const size_t i =
      image >= 0 && static_cast<size_t>(image) < count ? static_cast<size_t>(image) : count - 1;
  // The style's dark glyphs (the TCP and UDP pictures) are drawn light on a
  // dark palette, as the tool bar's are.
  return WithFadedDisabled(style()->standardIcon(kImages[i]), palette());
}

void MainWindow::FillTree() {
  QSignalBlocker block(tree_);
  tree_->clear();
  QHash<int, QIcon> icons;
  auto iconOf = [&](int image) {
    auto it = icons.find(image);
    if (it == icons.end()) it = icons.insert(image, TreeImage(image));
    return *it;
  };
  std::function<void(const DetailNode&, QTreeWidgetItem*)> add = [&](const DetailNode& n,
                                                                     QTreeWidgetItem* parent) {
    auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(tree_);
    item->setText(0, QString::fromStdString(n.Text));
    item->setData(0, kNodeRole, QVariant::fromValue(static_cast<const DetailNode*>(&n)));
    item->setData(0, kImageRole, static_cast<int>(n.Image));
    item->setIcon(0, iconOf(static_cast<int>(n.Image)));
    for (const auto& child : n.Children) add(*child, item);
  };
  for (const auto& root : detail_.Roots) add(*root, nullptr);
  if (env_.settings.AutoExpand) tree_->expandAll();
  tree_->scrollToTop();
}

void MainWindow::TreeSelectionChanged() {
  const auto items = tree_->selectedItems();
  const DetailNode* node =
      items.isEmpty() ? nullptr : items.front()->data(0, kNodeRole).value<const DetailNode*>();
  dump_->SetSelectedNode(node);
}

void MainWindow::SelectTreeLineAt(uint32_t offset) {
  const DetailNode* node = DeepestNodeAt(detail_, offset);
  if (!node) return;
  for (QTreeWidgetItemIterator it(tree_); *it; ++it) {
    if ((*it)->data(0, kNodeRole).value<const DetailNode*>() != node) continue;
    // The tree opens down to the line.
    for (QTreeWidgetItem* up = (*it)->parent(); up; up = up->parent()) up->setExpanded(true);
    tree_->setCurrentItem(*it);
    tree_->scrollToItem(*it);
    return;
  }
}

void MainWindow::ToggleDumpMode() {
  if (session_->VisibleCount == 0) return;
  dumpEbcdic_ = !dumpEbcdic_;
  const DetailNode* keep = dump_->SelectedNode();
  dump_->SetFrame(frameBytes_, &detail_, dumpEbcdic_);
  dump_->SetSelectedNode(keep);
}

void MainWindow::CopyCell(int column) {
  const int row = grid_->currentIndex().row();
  if (row < 0 || column < 0) return;
  QApplication::clipboard()->setText(QString::fromStdString(
      GetGridCell(*session_, static_cast<uint32_t>(row), static_cast<size_t>(column))));
}

void MainWindow::CopyRow() {
  const int row = grid_->currentIndex().row();
  if (row < 0) return;
  QApplication::clipboard()->setText(
      QString::fromStdString(CopyRowText(*session_, static_cast<uint32_t>(row))));
}

void MainWindow::CopyTree() {
  QApplication::clipboard()->setText(QString::fromStdString(CopyTreeText(detail_)));
}

void MainWindow::CopySelectedNode() {
  const auto items = tree_->selectedItems();
  if (!items.isEmpty()) QApplication::clipboard()->setText(items.front()->text(0));
}

void MainWindow::CopyDump() { QApplication::clipboard()->setText(dump_->Lines().join("\r\n")); }

void MainWindow::GridContextMenu(const QPoint& pos) {
  const QModelIndex idx = grid_->indexAt(pos);
  popupColumn_ = idx.isValid() ? idx.column() : -1;
  if (idx.isValid()) SelectRow(idx.row());
  QMenu menu(this);
  FillGridMenu(&menu);
  menu.exec(grid_->viewport()->mapToGlobal(pos));
}

void MainWindow::FillGridMenu(QMenu* menu) {
  const int row = gridReady_ ? grid_->currentIndex().row() : -1;
  const GridMenuState m = GridMenuFor(*session_, row, popupColumn_);
  menu->addAction("Copy Cell", this, [this] { CopyCell(popupColumn_); })->setEnabled(m.CopyCell);
  menu->addAction("Copy Row", this, &MainWindow::CopyRow)->setEnabled(m.CopyRow);
  menu->addSeparator();
  menu->addAction(m.TagFrameText, this, &MainWindow::ToggleTag)->setEnabled(m.TagFrame);
  menu->addAction(m.TagSessionText, this, &MainWindow::TagSession)->setEnabled(m.TagSession);
  menu->addAction("Untag All Frames", this, &MainWindow::UntagAll)->setEnabled(m.UntagAll);
  AddStreamMenuItems(menu);
}

void MainWindow::TreeContextMenu(const QPoint& pos) {
  const bool rows = session_->VisibleCount > 0;
  if (rows) tree_->setCurrentItem(tree_->itemAt(pos));
  QMenu menu(this);
  menu.addAction("Copy Complete Tree", this, &MainWindow::CopyTree)->setEnabled(rows);
  menu.addAction("Copy Selected Node", this, &MainWindow::CopySelectedNode)
      ->setEnabled(rows && !tree_->selectedItems().isEmpty());
  menu.addAction("Expand Tree", tree_, &QTreeWidget::expandAll);
  menu.addAction("Collapse Tree", tree_, &QTreeWidget::collapseAll);
  menu.exec(tree_->viewport()->mapToGlobal(pos));
}

void MainWindow::DumpContextMenu(const QPoint& pos) {
  const bool rows = session_->VisibleCount > 0;
  QMenu menu(this);
  menu.addAction("Copy Data Dump", this, &MainWindow::CopyDump)->setEnabled(rows);
  menu.addAction(dumpEbcdic_ ? "Display as ASCII" : "Display As EBCDIC", this,
                 &MainWindow::ToggleDumpMode)
      ->setEnabled(rows);
  menu.exec(dump_->viewport()->mapToGlobal(pos));
}

void MainWindow::UpdateFileMenu() {
  Command("Close")->setEnabled(session_->FileOpen() && !loading_);
  for (QAction* a : recentItems_) a->setVisible(false);
  const auto& files = env_.recent.Files();
  recentSeparator_->setVisible(!files.empty());
  for (size_t i = 0; i < files.size() && i < static_cast<size_t>(recentItems_.size()); ++i) {
    QAction* a = recentItems_[static_cast<int>(i)];
    a->setText(QString("%1 %2").arg(i + 1).arg(QString::fromStdString(files[i])));
    a->setVisible(true);
  }
}

void MainWindow::UpdateViewMenu() {
  Command("Toolbar")->setText(toolBar_->isHidden() ? "Show Toolbar" : "Hide Toolbar");
  Command("StatusBar")->setText(statusBar()->isHidden() ? "Show Status Bar" : "Hide Status Bar");
}

void MainWindow::OpenDialog() {
  if (Busy("Opening a file")) return;
  QFileDialog dialog(this, "Open");
  dialog.setNameFilters(OpenFileFilters());
  dialog.setDefaultSuffix("enc");
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setDirectory(OpenFolder());
  // Room for the names, sizes and dates of a folder of captures.
  dialog.resize(std::min(900, std::max(width() * 3 / 4, 600)), std::min(560, height()));
  if (askOpenFile_) {
    const QString chosen = askOpenFile_(dialog);
    if (!chosen.isEmpty()) OpenFile(chosen);
    return;
  }
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
  OpenFile(dialog.selectedFiles().front());
}

QString MainWindow::OpenFolder() const {
  QString last = lastOpened_;
  if (last.isEmpty() && !env_.recent.Files().empty())
    last = QString::fromStdString(env_.recent.Files().back());
  const QFileInfo info(last);
  if (!last.isEmpty() && info.absoluteDir().exists()) return info.absolutePath();
  return QDir::currentPath();
}

void MainWindow::ShowOptions() {
  if (Busy("Changing the options")) return;
  const Settings before = env_.settings;
  options_->LoadFromSettings();
  if (options_->exec() != QDialog::Accepted) return;
  const Settings& now = env_.settings;
  if (now.ColumnSel != before.ColumnSel) {
    model_->Reset();
    LayOutColumns();
    UpdateSortMark();
    const int64_t row = RowOfFrame(*session_, session_->SelectedFrame);
    if (row >= 0) {
      const uint32_t keep = session_->SelectedFrame;
      session_->SelectedFrame = 0;
      SelectRow(static_cast<int>(row));
      session_->SelectedFrame = keep;
    }
  } else {
    model_->Repaint();
  }
  if (now.AutoExpand && !before.AutoExpand) tree_->expandAll();
  dump_->SetColourLayers(now.ColourGrid);
  if (now.LookupHostNames != before.LookupHostNames) {
    if (now.LookupHostNames)
      StartLookupThread();
    else
      TerminateLookupThread();
  }
}

// ---------------------------------------------------------------- statistics

void MainWindow::PageChanged(int index) {
  if (index == 1) nodesPage_->ShowNodes();
  if (index == 2) graphsPage_->DrawGraph();
}

void MainWindow::ShownFramesChanged() {
  CreateNodeStats(*session_);
  PageChanged(pages_->currentIndex());
}

QString MainWindow::StatusText() const { return panel0_->text(); }

void MainWindow::SetHostResolver(ReverseResolver resolve) {
  if (lookup_) TerminateLookupThread();
  // Called on the lookup thread: it only queues a call on this thread.
  lookup_ = std::make_unique<HostLookup>(std::move(resolve), [this] {
    QMetaObject::invokeMethod(this, &MainWindow::HostNamesArrived, Qt::QueuedConnection);
  });
}

void MainWindow::StartLookupThread() {
  if (!session_->FileOpen() || loading_) return;
  lookup_->Start(session_->Nodes, loadId_);
}

void MainWindow::TerminateLookupThread() {
  if (!lookup_->Active()) return;
  panel0_->setText("Waiting for lookup thread to terminate");
  statusBar()->repaint();
  QApplication::setOverrideCursor(Qt::WaitCursor);
  lookup_->Stop();
  QApplication::restoreOverrideCursor();
  panel0_->clear();
  // Names found before the stop belong to the tables as they still are.
  HostNamesArrived();
}

void MainWindow::HostNamesArrived() {
  if (lookup_->Deliver(session_->Nodes, loadId_).empty()) return;
  if (session_->Nodes.NodeCount() != 0 && pages_->currentIndex() == 0) model_->Repaint();
  nodesPage_->RefreshNames();
}

void MainWindow::ShowPorts() {
  PortsDialog dialog(env_.Ports, notifier_, this);
  dialog.exec();
}

void MainWindow::ShowHelp() {
  if (!help_) help_ = new HelpWindow(this);
  help_->ShowIndex();
}

void MainWindow::ShowAbout() {
  QMessageBox::about(this, "About Kestle",
                     "<b>Kestle</b> " KESTLE_VERSION_TEXT
                     "<p>A packet decoder for capture files recorded by other tools.</p>"
                     "<p>Quorrel Software</p>");
}

}  // namespace kestle::ui
