// A main window over its own environment and settings, its messages
// recorded: what every widget test of the window starts from.
#pragma once

#include <QString>
#include <string>

#include "decode/config/environment.h"
#include "decode/config/ini.h"
#include "frame_model.h"
#include "main_window.h"

namespace kestle::test {

struct WindowFixture {
  Environment env;
  IniFile ini;
  RecordingNotifier notes;
  ui::MainWindow window;
  explicit WindowFixture(const QString& iniPath = {}) : window(env, ini, iniPath, notes) {}
  // A grid cell's text.
  QString Cell(int row, int col) {
    return window.Model()->data(window.Model()->index(row, col), Qt::DisplayRole).toString();
  }
  // The first line of the last message, "" when none came.
  std::string LastMessage() const {
    return notes.Messages.empty() ? "" : notes.FirstLines().back();
  }
};

}  // namespace kestle::test
