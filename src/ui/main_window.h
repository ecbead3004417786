// The main window: menus, tool bar, the Frames page (grid, detail tree,
// hex dump), the status bar, opening and closing captures.
#pragma once

#include <QHash>
#include <QIcon>
#include <QMainWindow>
#include <QPointer>
#include <QStringList>
#include <QUrl>
#include <functional>
#include <memory>
#include <optional>

#include "decode/config/ini.h"
#include "decode/session.h"
#include "decode/tree.h"
#include "message_notifier.h"
#include "output/filter.h"
#include "output/search.h"
#include "query/display_filter.h"
#include "stats/host_lookup.h"

class QAction;
class QFileDialog;
class QLabel;
class QMenu;
class QProgressBar;
class QSplitter;
class QTabWidget;
class QTableView;
class QTreeWidget;
class QTreeWidgetItem;

namespace kestle {
struct Environment;
class Notifier;
}  // namespace kestle

namespace kestle::ui {

class FilterDialog;
class FilterBar;
class FollowWindow;
class FindDialog;
class FrameTableModel;
class GotoDialog;
class GraphsPage;
class HelpWindow;
class HexDumpView;
class NodesPage;
class OptionsDialog;
class PrintDialog;
class SaveDialog;

class MainWindow : public QMainWindow, private LoadObserver {
  Q_OBJECT
 public:
  // `ini` is the settings file as read at start-up and `iniPath` where it is
  // written back when the window closes.
  MainWindow(Environment& env, IniFile& ini, QString iniPath, Notifier& notifier,
             QWidget* parent = nullptr);
  ~MainWindow() override;

  CaptureSession& Session() { return *session_; }
  QTableView* Grid() const { return grid_; }
  FrameTableModel* Model() const { return model_; }
  QTreeWidget* Tree() const { return tree_; }
  HexDumpView* Dump() const { return dump_; }
  QTabWidget* Pages() const { return pages_; }
  OptionsDialog* Options() const { return options_; }
  int SortMode() const { return sortMode_; }
  // The grid column under the pointer at the last right-click (-1 outside cells).
  int PopupColumn() const { return popupColumn_; }
  void SetPopupColumn(int column) { popupColumn_ = column; }
  bool Loading() const { return loading_; }
  const DetailTree& Detail() const { return detail_; }
  NodesPage* Nodes() const { return nodesPage_; }
  GraphsPage* Graphs() const { return graphsPage_; }
  HostLookup& Lookup() { return *lookup_; }
  // The text of status panel 0.
  QString StatusText() const;
  // The reverse look-up the host name thread uses (the platform's by
  // default); a running lookup is stopped first.
  void SetHostResolver(ReverseResolver resolve);

  // Commands by name for tests and the menus: "Open", "Close", "SaveAs",
  // "Info", "Print", "Exit", "Find", "Goto", "First", "Prev", "Next",
  // "Last", "Filter", "FilterTagged", "ClearFilter", "Ports", "Options",
  // "Toolbar", "StatusBar", "Help", "About"; and, reached by their keys
  // only, "FindNext", "NextPage" and "PrevPage".
  QAction* Command(const QString& name) const;
  // The file types offered by the Open dialog, the first one chosen.
  static QStringList OpenFileFilters();
  // Role of a detail tree item's image number.
  static constexpr int kImageRole = Qt::UserRole + 1;
  QMenu* FileMenu() const { return fileMenu_; }
  QMenu* ViewMenu() const { return viewMenu_; }
  // Saves the settings now (what closing the window does).
  void SaveSettings();
  // Start-up: opens the file named by the first argument after the program
  // name, once the event loop runs.
  void OpenFromArguments(const QStringList& args);
  // Shows a decoded frame: its tree and its bytes.
  void ShowDetail(DetailTree tree, std::vector<uint8_t> bytes);
  // The Open dialog, set up and handed to `ask` instead of being run (for
  // tests); `ask` returns the file to open, or nothing.
  void SetOpenDialogRunner(std::function<QString(QFileDialog&)> ask) {
    askOpenFile_ = std::move(ask);
  }
  // The folder the Open dialog starts in: that of the file opened last.
  QString OpenFolder() const;
  HelpWindow* Help() const { return help_; }
  QSplitter* Panes() const { return splitter_; }

 public slots:
  // Opens, loads and shows a capture; true when frames are shown.
  bool OpenFile(const QString& path);
  void CloseFile();
  // Files dropped on the window: exactly one is opened.
  void DropFiles(const QList<QUrl>& urls);
  void SelectRow(int row);
  void HeaderClicked(int section);
  void ShowOptions();
  void ShowPorts();
  void CopyCell(int column);
  void CopyRow();
  void CopyTree();
  void CopySelectedNode();
  void CopyDump();
  void ToggleDumpMode();
  void UpdateFileMenu();
  void UpdateViewMenu();
  // The shown frames changed (a filter): new node statistics, and the
  // Nodes or Graphs page shown again when it is the active one.
  void ShownFramesChanged();
  // Host name lookup: started after a load when LookupHostNames is on;
  // stopped (with a status message while it finishes the look-up in
  // progress) before the tables it was given change.
  void StartLookupThread();
  void TerminateLookupThread();
  // Names found by the lookup thread reach the tables here, on the window thread.
  void HostNamesArrived();
  // The entries of the grid's pop-up menu, enabled for the selected row
  // and the column of the last right-click.
  void FillGridMenu(QMenu* menu);

  // ---- filter, tagging, navigation, find and goto (main_window_filter.cpp)
  // "Set Filter...": the filter dialog, then the new shown frames.
  void ShowFilter();
  void FilterTaggedFrames();
  void ClearFilter();
  // Tagging the selected row's frame (the pop-up menu and Ctrl+T), its
  // TCP session, or untagging every shown frame.
  void ToggleTag();
  void TagSession();
  void UntagAll();
  void Navigate(NavigationCommand command);
  void ShowFind();
  // Find Next without the dialog (its keys): the next match of the text
  // the Find dialog holds, or the dialog when it holds none.
  void FindNext();
  void ShowGoto();
  // The Filter menu opens: "Filter Tagged Frames" needs a tagged shown frame.
  void UpdateFilterMenu();

  // ---- Save As, Print and File Information (main_window_output.cpp)
  void ShowSaveAs();
  void ShowPrint();
  void ShowFileInfo();

 public:
  FilterDialog* FilterBox() const { return filterDialog_; }
  FindDialog* FindBox() const { return findDialog_; }
  GotoDialog* GotoBox() const { return gotoDialog_; }
  SaveDialog* SaveBox() const { return saveDialog_; }
  PrintDialog* PrintBox() const { return printDialog_; }
  const FilterState& Filtering() const { return filterState_; }
  // The filter bar; applying a text (blank: no expression) combines it with
  // the filter dialog's choice in force.
  FilterBar* FilterBarWidget() const { return filterBar_; }
  void ApplyFilterBar(const QString& text);
  // "Follow TCP Stream" / "Follow UDP Stream" of the shown frame; the
  // window opened last (nullptr when none is open).
  void FollowStream(bool tcp);
  FollowWindow* LastFollowWindow() const;
  // Whether status panel 1 shows the filter image.
  bool FilterImageShown() const;

 protected:
  void closeEvent(QCloseEvent* e) override;
  void dragEnterEvent(QDragEnterEvent* e) override;
  void dropEvent(QDropEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void changeEvent(QEvent* e) override;
  // Home and End in the grid, Tab and Shift+Tab between grid, tree and dump.
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  // LoadObserver: the progress bar in the status bar, with window events
  // processed so that the window repaints during a load.
  void LoadStarted() override;
  void LoadProgress(unsigned percent) override;
  void LoadFinished() override;

  void BuildActions();
  void BuildMenus();
  void BuildPages();
  void ApplyWindowSettings();
  // The panes' heights from the settings (or the first start's) in the
  // space the page has now, until the user moves a pane.
  void ApplyPaneSizes();
  // The grids' and the dump's colours from the window's palette.
  void ApplyPalette();
  void SetFileCommands(bool on);
  void ResetViews();
  void LayOutColumns();
  void UpdateSortMark();
  void ShowFrame(uint32_t frame);
  void FillTree();
  QIcon TreeImage(int image) const;
  void TreeSelectionChanged();
  // The frame grid shows the frames between two stations (a session of the
  // Nodes page), as the filter dialog's station filter does.
  void FilterSession(uint32_t station, uint32_t partner);
  // Selects the deepest tree line that holds the frame's byte at `offset`.
  void SelectTreeLineAt(uint32_t offset);
  void GridContextMenu(const QPoint& pos);
  void TreeContextMenu(const QPoint& pos);
  void DumpContextMenu(const QPoint& pos);
  void OpenDialog();
  void ShowHelp();
  void ShowAbout();
  bool Busy(const char* what);
  void PageChanged(int index);
  // Sorts the rows by the sort mode and shows the frame that was shown, or
  // the first row's when that one is gone.
  void SortGrid();
  void BuildFilterCommands();
  void BuildOutputCommands();
  // ---- the filter bar and Follow Stream (main_window_stream.cpp)
  QWidget* BuildFilterBar();
  void AddStreamCommands(QMenu* search);
  void AddStreamMenuItems(QMenu* menu);
  void ResetFilter();
  void ShownSetChanged(uint32_t shown);
  void UpdateFilterImage();

  Environment& env_;
  IniFile& ini_;
  QString iniPath_;
  Notifier& notifier_;
  HeldNotifier loadNotices_;  // the session's messages, held during a load
  std::unique_ptr<CaptureSession> session_;
  DetailTree detail_;
  std::vector<uint8_t> frameBytes_;
  bool gridReady_ = false;
  bool loading_ = false;
  bool exitPending_ = false;
  bool settingsSaved_ = false;
  bool dumpEbcdic_ = false;
  int sortMode_ = 1;
  int popupColumn_ = 0;

  QTabWidget* pages_ = nullptr;
  QSplitter* splitter_ = nullptr;
  QTableView* grid_ = nullptr;
  FrameTableModel* model_ = nullptr;
  QTreeWidget* tree_ = nullptr;
  HexDumpView* dump_ = nullptr;
  QLabel* panel0_ = nullptr;
  QLabel* panel1_ = nullptr;
  QLabel* panel2_ = nullptr;
  QProgressBar* progress_ = nullptr;
  QToolBar* toolBar_ = nullptr;
  QMenu* fileMenu_ = nullptr;
  QMenu* viewMenu_ = nullptr;
  QAction* recentSeparator_ = nullptr;
  QList<QAction*> recentItems_;
  OptionsDialog* options_ = nullptr;
  QMap<QString, QAction*> commands_;
  // Each command's picture as the theme or the style gives it.
  QHash<QAction*, QIcon> commandIcons_;
  NodesPage* nodesPage_ = nullptr;
  GraphsPage* graphsPage_ = nullptr;
  std::unique_ptr<HostLookup> lookup_;
  FilterState filterState_;
  FilterDialog* filterDialog_ = nullptr;
  FilterBar* filterBar_ = nullptr;
  std::optional<FilterExpression> barExpression_;  // the bar's expression in force
  QPointer<FollowWindow> followWindow_;
  FindDialog* findDialog_ = nullptr;
  GotoDialog* gotoDialog_ = nullptr;
  SaveDialog* saveDialog_ = nullptr;
  PrintDialog* printDialog_ = nullptr;
  QMenu* filterMenu_ = nullptr;
  uint64_t loadId_ = 0;  // changes whenever the tables the lookup was given do
  HelpWindow* help_ = nullptr;
  QString lastOpened_;
  std::function<QString(QFileDialog&)> askOpenFile_;
  int savedGridHeight_ = 0;  // Pane1Size and Pane2Size as read
  int savedDumpHeight_ = 0;
  bool firstStart_ = false;    // no window size saved yet
  bool panesPending_ = false;  // the panes still follow the page's size
};

}  // namespace kestle::ui
