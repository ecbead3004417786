// Where user messages go: a message box in the desktop program, standard
// error in kestle-dump, a recorder in tests.
#pragma once

#include <string>
#include <vector>

namespace kestle {

// A message about a file: `text` as its first line, then a line with the
// file's name followed by `detail`, or else by the system's reason for
// `error` (an errno value; 0: none).
std::string FileMessage(const std::string& text, const std::string& path, int error = 0,
                        const std::string& detail = {});

class Notifier {
 public:
  virtual ~Notifier() = default;
  virtual void Message(const std::string& text) = 0;
};

class StderrNotifier : public Notifier {
 public:
  void Message(const std::string& text) override;
};

class RecordingNotifier : public Notifier {
 public:
  void Message(const std::string& text) override { Messages.push_back(text); }
  // The first line of every message (a message about a file names the file
  // on its second line).
  std::vector<std::string> FirstLines() const {
    std::vector<std::string> out;
    for (const std::string& m : Messages) out.push_back(m.substr(0, m.find('\n')));
    return out;
  }
  std::vector<std::string> Messages;
};

}  // namespace kestle
