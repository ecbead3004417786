// The window's Save As, Print and File Information commands: each opens
// its dialog over the open capture; the work is the core's.
#include <QAction>

#include "fileinfo_dialog.h"
#include "main_window.h"
#include "print_dialog.h"
#include "save_dialog.h"

namespace kestle::ui {

void MainWindow::BuildOutputCommands() {
  saveDialog_ = new SaveDialog(*session_, notifier_, this);
  printDialog_ = new PrintDialog(*session_, notifier_, this);
  connect(Command("SaveAs"), &QAction::triggered, this, &MainWindow::ShowSaveAs);
  connect(Command("Print"), &QAction::triggered, this, &MainWindow::ShowPrint);
  connect(Command("Info"), &QAction::triggered, this, &MainWindow::ShowFileInfo);
}

void MainWindow::ShowSaveAs() {
  if (Busy("Saving") || !session_->FileOpen()) return;
  saveDialog_->Run(filterState_.Active);
}

void MainWindow::ShowPrint() {
  if (Busy("Printing") || !session_->FileOpen()) return;
  printDialog_->Run();
}

void MainWindow::ShowFileInfo() {
  if (Busy("File information") || !session_->FileOpen()) return;
  FileInfoDialog dialog(*session_, this);
  dialog.exec();
}

}  // namespace kestle::ui
