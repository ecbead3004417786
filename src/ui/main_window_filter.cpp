// The main window's filter, tagging, navigation, find and goto commands.
// What they decide lives in the core (output/filter.h, output/tagging.h,
// output/search.h); these handlers run it and show the result.
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QShortcut>
#include <QTabWidget>
#include <QTableView>
#include <QTreeWidget>

#include "filter_bar.h"
#include "filter_dialog.h"
#include "find_dialog.h"
#include "frame_model.h"
#include "goto_dialog.h"
#include "hexdump_view.h"
#include "main_window.h"
#include "nodes_page.h"
#include "output/fileinfo.h"
#include "output/filter.h"
#include "output/grid.h"
#include "output/tagging.h"

namespace kestle::ui {

namespace {

// The status bar's filter image: a funnel.
QPixmap FilterPixmap() {
  QPixmap p(16, 16);
  p.fill(Qt::transparent);
  QPainter g(&p);
  g.setRenderHint(QPainter::Antialiasing);
  g.setPen(QPen(QColor(0, 0, 128), 1));
  g.setBrush(QColor(80, 120, 220));
  const QPointF funnel[] = {{1.5, 2.5},  {14.5, 2.5}, {9.5, 8.5},
                            {9.5, 14.5}, {6.5, 12.5}, {6.5, 8.5}};
  g.drawPolygon(funnel, 6);
  return p;
}

}  // namespace

void MainWindow::BuildFilterCommands() {
  auto select = [this](int row) { SelectRow(row); };
  filterDialog_ = new FilterDialog(*session_, filterState_, notifier_, this);
  findDialog_ = new FindDialog(*session_, notifier_, select, this);
  // The dump shows the bytes a match found.
  connect(findDialog_, &FindDialog::Matched, this, [this](uint32_t offset, uint32_t length) {
    dump_->SetHighlight({offset, length});
  });
  gotoDialog_ = new GotoDialog(*session_, notifier_, select, this);
  connect(Command("Filter"), &QAction::triggered, this, &MainWindow::ShowFilter);
  connect(Command("FilterTagged"), &QAction::triggered, this, &MainWindow::FilterTaggedFrames);
  connect(Command("ClearFilter"), &QAction::triggered, this, &MainWindow::ClearFilter);
  connect(Command("Find"), &QAction::triggered, this, &MainWindow::ShowFind);
  connect(Command("Goto"), &QAction::triggered, this, &MainWindow::ShowGoto);
  connect(Command("FindNext"), &QAction::triggered, this, &MainWindow::FindNext);
  connect(Command("First"), &QAction::triggered, this,
          [this] { Navigate(NavigationCommand::First); });
  connect(Command("Prev"), &QAction::triggered, this,
          [this] { Navigate(NavigationCommand::Previous); });
  connect(Command("Next"), &QAction::triggered, this,
          [this] { Navigate(NavigationCommand::Next); });
  connect(Command("Last"), &QAction::triggered, this,
          [this] { Navigate(NavigationCommand::Last); });
  // Ctrl+T reaches the window whichever of its controls has the focus.
  auto* tag = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_T), this);
  tag->setContext(Qt::WindowShortcut);
  connect(tag, &QShortcut::activated, this, &MainWindow::ToggleTag);
}

void MainWindow::ResetFilter() {
  findDialog_->hide();
  findDialog_->ResetSearch();
  filterState_.NewFile();
  // Another file: the bar keeps its text, nothing is filtered by it.
  filterDialog_->Forget();
  barExpression_.reset();
  filterDialog_->Also = {};
  UpdateFilterImage();
}

void MainWindow::UpdateFilterImage() {
  panel1_->setPixmap(filterState_.Active ? FilterPixmap() : QPixmap());
  panel1_->setToolTip(filterState_.Active ? "A filter is active" : QString());
}

bool MainWindow::FilterImageShown() const { return !panel1_->pixmap().isNull(); }

void MainWindow::SortGrid() {
  QApplication::setOverrideCursor(Qt::WaitCursor);
  // The busy cursor shows before the work starts.
  QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  const uint32_t keep = session_->SelectedFrame;
  SortFrameOrder(*session_, sortMode_);
  model_->Reset();
  if (session_->VisibleCount > 0) {
    const int64_t row = RowOfFrame(*session_, keep);
    session_->SelectedFrame = 0;  // show the frame again after the reorder
    SelectRow(row < 0 ? 0 : static_cast<int>(row));
  }
  QApplication::restoreOverrideCursor();
}

void MainWindow::ShownSetChanged(uint32_t shown) {
  SortGrid();
  ShownFramesChanged();
  panel0_->setText(QString::fromStdString(FramesSelectedText(shown)));
  UpdateFilterImage();
}

void MainWindow::ShowFilter() {
  if (Busy("Filtering") || !session_->FileOpen() || !gridReady_) return;
  filterDialog_->Load();
  if (filterDialog_->exec() == QDialog::Accepted) {
    ShownSetChanged(filterDialog_->Shown());
    return;
  }
  UpdateFilterImage();
  PageChanged(pages_->currentIndex());
}

void MainWindow::FilterSession(uint32_t station, uint32_t partner) {
  if (Busy("Filtering") || !session_->FileOpen() || !gridReady_) return;
  FilterChoice choice;
  choice.Station1 = StationOfPair(session_->Nodes, station);
  choice.Station2 = StationOfPair(session_->Nodes, partner);
  const FilterOutcome r = ApplyFilter(*session_, choice);
  if (!r.Applied) {
    notifier_.Message(kNoFramesSelected);
    return;
  }
  // The filter dialog opens with this choice.
  const std::vector<StationItem> list = StationList(session_->Nodes);
  filterState_.Station1 =
      static_cast<uint32_t>(std::max<int64_t>(0, FindStation(list, choice.Station1.Text)));
  filterState_.Station2 =
      static_cast<uint32_t>(std::max<int64_t>(0, FindStation(list, choice.Station2.Text)));
  filterState_.Direction = FilterDirection::Both;
  filterState_.AllProtocols = true;
  filterState_.SelectMismatch = false;
  filterState_.Active = true;
  pages_->setCurrentIndex(0);
  ShownSetChanged(r.Shown);
}

void MainWindow::UpdateFilterMenu() {
  Command("FilterTagged")
      ->setEnabled(session_->FileOpen() && gridReady_ && !loading_ &&
                   AnyShownFrameTagged(*session_));
}

void MainWindow::FilterTaggedFrames() {
  if (Busy("Filtering") || !session_->FileOpen() || !gridReady_) return;
  const uint32_t kept = kestle::FilterTaggedFrames(*session_);
  if (kept == 0) return;  // no tagged frame shown: nothing to keep
  filterState_.Active = true;
  ShownSetChanged(kept);
}

void MainWindow::ClearFilter() {
  if (Busy("Filtering") || !session_->FileOpen() || !gridReady_) return;
  if (kestle::ClearFilter(*session_)) SortGrid();
  filterState_.Active = false;
  filterDialog_->Forget();
  barExpression_.reset();
  filterDialog_->Also = {};
  filterBar_->SetText({});
  ShownFramesChanged();
  // Every frame is shown again: the load's summary, not a filter's count.
  panel0_->setText(QString::fromStdString(LoadSummaryText(*session_)));
  UpdateFilterImage();
}

void MainWindow::ToggleTag() {
  const int row = grid_->currentIndex().row();
  if (!gridReady_ || row < 0 || static_cast<uint32_t>(row) >= session_->VisibleCount) return;
  ToggleFrameTag(*session_, session_->FrameOrder[static_cast<size_t>(row) + 1]);
  model_->Repaint();
}

void MainWindow::TagSession() {
  const int row = grid_->currentIndex().row();
  if (!gridReady_ || row < 0 || static_cast<uint32_t>(row) >= session_->VisibleCount) return;
  TagTcpSession(*session_, session_->FrameOrder[static_cast<size_t>(row) + 1]);
  model_->Repaint();
}

void MainWindow::UntagAll() {
  if (!gridReady_) return;
  UntagShownFrames(*session_);
  model_->Repaint();
}

void MainWindow::Navigate(NavigationCommand command) {
  if (!gridReady_ || loading_) return;
  const int64_t target =
      NavigationTarget(command, grid_->currentIndex().row(), session_->VisibleCount);
  if (target >= 0) SelectRow(static_cast<int>(target));
}

void MainWindow::ShowFind() {
  if (Busy("Finding") || !session_->FileOpen() || !gridReady_) return;
  // Over the tree: the grid's selected row and the dump's highlight stay in sight.
  findDialog_->Open(QRect(tree_->mapToGlobal(QPoint(0, 0)), tree_->size()));
}

void MainWindow::FindNext() {
  if (Busy("Finding") || !session_->FileOpen() || !gridReady_) return;
  // Nothing to look for yet: ask for it.
  if (findDialog_->FindWhat()->text().isEmpty()) {
    ShowFind();
    return;
  }
  findDialog_->FindNext();
  if (!findDialog_->isVisible()) panel0_->setText(findDialog_->Status());
}

void MainWindow::ShowGoto() {
  if (Busy("Going to a packet") || !session_->FileOpen() || !gridReady_) return;
  gotoDialog_->Run();
}

}  // namespace kestle::ui
