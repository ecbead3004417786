// The help: the bundled HTML pages in a window of the program, with Back,
// Forward and Contents, so that it needs no browser.
#pragma once

#include <QMainWindow>
#include <QUrl>

class QAction;
class QTextBrowser;

namespace kestle::ui {

class HelpWindow : public QMainWindow {
  Q_OBJECT
 public:
  explicit HelpWindow(QWidget* parent = nullptr);

  // The contents page, the window shown and raised.
  void ShowIndex();
  // Shows one page of the help ("index.html", "grid.html#sort", ...).
  void ShowPage(const QString& page);

  QTextBrowser* Browser() const { return browser_; }
  QAction* BackAction() const { return back_; }
  QAction* ForwardAction() const { return forward_; }
  QAction* IndexAction() const { return index_; }
  // Where the pages are: qrc:/help/.
  static QUrl PageUrl(const QString& page);

 private:
  QTextBrowser* browser_;
  QAction* back_;
  QAction* forward_;
  QAction* index_;
  bool placed_ = false;
};

}  // namespace kestle::ui
