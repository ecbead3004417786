// The main window's filter bar and Follow Stream commands. The expression
// language, the combination with the filter dialog and the stream's
// reassembly are the core's (query/display_filter.h, output/filter_bar.h,
// output/follow_stream.h); these handlers run them and show the result.
#include <QAction>
#include <QMenu>
#include <QTableView>

#include "decode/config/environment.h"
#include "decode/protocol_ids.h"
#include "filter_bar.h"
#include "filter_dialog.h"
#include "follow_window.h"
#include "main_window.h"
#include "output/filter_bar.h"
#include "output/follow_stream.h"

namespace kestle::ui {

namespace {

bool StackHolds(const CaptureSession& s, uint32_t frame, uint16_t protocol) {
  if (frame < 1 || frame > s.FrameCount) return false;
  uint32_t path = s.FrameTable[frame].Protocol;
  for (int guard = 0; path != 0 && path < s.Paths.Paths.size() && guard < 256; ++guard) {
    if (s.Paths[path].Protocol == protocol) return true;
    if (s.Paths[path].Parent >= path) break;
    path = s.Paths[path].Parent;
  }
  return false;
}

}  // namespace

QWidget* MainWindow::BuildFilterBar() {
  filterBar_ = new FilterBar(env_.Protocols, ini_);
  connect(filterBar_, &FilterBar::applied, this, &MainWindow::ApplyFilterBar);
  return filterBar_;
}

void MainWindow::ApplyFilterBar(const QString& text) {
  if (Busy("Filtering") || !session_->FileOpen() || !gridReady_) return;
  std::optional<FilterExpression> expression;
  if (!BlankFilterText(text.toStdString())) {
    FilterError error;
    expression = FilterExpression::Parse(text.toStdString(), env_.Protocols, error);
    if (!expression) {
      notifier_.Message(error.Message);
      return;
    }
  }
  const FilterChoice* dialog = filterDialog_->ChoiceInForce();
  const FilterOutcome r =
      ApplyDialogAndExpression(*session_, dialog, expression ? &*expression : nullptr);
  if (!r.Applied) {
    notifier_.Message(kNoFramesSelected);
    return;
  }
  barExpression_ = std::move(expression);
  if (barExpression_) filterBar_->Remember(text);
  // The dialog's next OK keeps the bar's expression.
  filterDialog_->Also = {};
  if (barExpression_) {
    auto bound = std::make_shared<BoundFilter>(*barExpression_, *session_);
    filterDialog_->Also = [bound](uint32_t n) { return bound->Matches(n); };
  }
  filterState_.Active = dialog || barExpression_;
  ShownSetChanged(r.Shown);
}

void MainWindow::AddStreamCommands(QMenu* search) {
  search->addSeparator();
  struct Def {
    const char* name;
    const char* caption;
    Qt::Key key;
    bool tcp;
  };
  for (const Def& d : {Def{"FollowTCP", "Follow TCP Stream", Qt::Key_T, true},
                       Def{"FollowUDP", "Follow UDP Stream", Qt::Key_U, false}}) {
    auto* a = new QAction(d.caption, this);
    a->setObjectName(d.name);
    a->setShortcut(QKeySequence(Qt::CTRL | Qt::ALT | Qt::SHIFT | d.key));
    a->setShortcutContext(Qt::WindowShortcut);
    addAction(a);
    commands_.insert(d.name, a);
    const bool tcp = d.tcp;
    connect(a, &QAction::triggered, this, [this, tcp] { FollowStream(tcp); });
    search->addAction(a);
  }
}

void MainWindow::AddStreamMenuItems(QMenu* menu) {
  const uint32_t frame = gridReady_ ? session_->SelectedFrame : 0;
  menu->addSeparator();
  menu->addAction("Follow TCP Stream", this, [this] { FollowStream(true); })
      ->setEnabled(StackHolds(*session_, frame, ProtoTCP));
  menu->addAction("Follow UDP Stream", this, [this] { FollowStream(false); })
      ->setEnabled(StackHolds(*session_, frame, ProtoUDP));
}

void MainWindow::FollowStream(bool tcp) {
  if (Busy("Following") || !session_->FileOpen() || !gridReady_) return;
  const uint32_t frame = session_->SelectedFrame;
  FollowedStream stream;
  std::string error;
  const bool ok = kestle::FollowStream(*session_, tcp ? StreamTransport::Tcp : StreamTransport::Udp,
                                       frame, stream, error);
  if (!ok) {
    notifier_.Message(error);
    return;
  }
  auto* w = new FollowWindow(std::move(stream), notifier_, this);
  connect(w, &FollowWindow::filterRequested, this, [this](const QString& text) {
    filterBar_->SetText(text);
    ApplyFilterBar(text);
  });
  followWindow_ = w;
  w->show();
}

FollowWindow* MainWindow::LastFollowWindow() const { return followWindow_.data(); }

}  // namespace kestle::ui
