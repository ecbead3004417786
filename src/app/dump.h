// kestle-dump: the command-line front end over the core library.
#pragma once

#include <chrono>
#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

#include "capture/input.h"

namespace kestle {

// Load progress on a terminal: "Loading NAME: 12,345 frames (42%)" on one
// line, rewritten at most ten times a second, and wiped when the load ends
// so that what follows starts on a clean line.
class TerminalProgress : public LoadObserver {
 public:
  using Clock = std::function<std::chrono::steady_clock::time_point()>;
  TerminalProgress(std::ostream& err, const CaptureInput& input, std::string name,
                   Clock now = std::chrono::steady_clock::now);
  void LoadStarted() override;
  void LoadProgress(unsigned percent) override;
  void LoadFinished() override;
  // Takes the line off the terminal (a message is about to be written).
  void Wipe();

 private:
  std::ostream& err_;
  const CaptureInput& input_;
  std::string name_;
  Clock now_;
  std::chrono::steady_clock::time_point last_{};
  bool shown_ = false;
  size_t width_ = 0;  // of the line on the terminal
};

// Runs kestle-dump with its arguments (without the program name). Output
// goes to `out`, messages to `err`. Returns the exit status (see --help).
// `vendorFile` is the MAC vendor list used unless --vendors names another,
// `snmpNamesFile` the SNMP object names unless --snmp-names names others
// ("" = none). With `progress` (standard error is a terminal), the load
// shows its progress on `err`.
int RunDump(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
            const std::string& vendorFile = "", const std::string& snmpNamesFile = "",
            bool progress = false);

}  // namespace kestle
