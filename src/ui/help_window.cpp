#include "help_window.h"

#include <QAction>
#include <QDesktopServices>
#include <QIcon>
#include <QKeySequence>
#include <QScreen>
#include <QStyle>
#include <QTextBrowser>
#include <QToolBar>

namespace kestle::ui {

QUrl HelpWindow::PageUrl(const QString& page) { return QUrl("qrc:/help/" + page); }

HelpWindow::HelpWindow(QWidget* parent) : QMainWindow(parent, Qt::Window) {
  setObjectName("helpWindow");
  setWindowTitle("Kestle Help");
  browser_ = new QTextBrowser;
  browser_->setOpenLinks(true);
  // Links out of the help go to the desktop's browser.
  browser_->setOpenExternalLinks(true);
  setCentralWidget(browser_);

  QToolBar* bar = addToolBar("Help");
  bar->setObjectName("helpToolBar");
  bar->setMovable(false);
  bar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  back_ =
      bar->addAction(QIcon::fromTheme("go-previous", style()->standardIcon(QStyle::SP_ArrowBack)),
                     "Back", browser_, &QTextBrowser::backward);
  forward_ =
      bar->addAction(QIcon::fromTheme("go-next", style()->standardIcon(QStyle::SP_ArrowForward)),
                     "Forward", browser_, &QTextBrowser::forward);
  index_ =
      bar->addAction(QIcon::fromTheme("go-home", style()->standardIcon(QStyle::SP_DirHomeIcon)),
                     "Contents", this, [this] { ShowPage("index.html"); });
  back_->setShortcuts(QKeySequence::Back);
  forward_->setShortcuts(QKeySequence::Forward);
  back_->setEnabled(false);
  forward_->setEnabled(false);
  connect(browser_, &QTextBrowser::backwardAvailable, back_, &QAction::setEnabled);
  connect(browser_, &QTextBrowser::forwardAvailable, forward_, &QAction::setEnabled);
  connect(browser_, &QTextBrowser::sourceChanged, this, [this] {
    const QString title = browser_->documentTitle();
    setWindowTitle(title.isEmpty() || title == "Kestle Help" ? "Kestle Help"
                                                             : "Kestle Help - " + title);
  });

  QSize size(760, 640);
  if (parent && parent->screen()) size = size.boundedTo(parent->screen()->availableSize());
  resize(size);
}

void HelpWindow::ShowPage(const QString& page) { browser_->setSource(PageUrl(page)); }

void HelpWindow::ShowIndex() {
  ShowPage("index.html");
  if (!placed_ && parentWidget()) {
    // First shown over the middle of the main window.
    move(parentWidget()->frameGeometry().center() - rect().center());
    placed_ = true;
  }
  show();
  raise();
  activateWindow();
}

}  // namespace kestle::ui
