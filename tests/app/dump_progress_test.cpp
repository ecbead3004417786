// kestle-dump's load progress on a terminal: rewritten at most ten times a
// second, wiped at the end and before a message, absent off a terminal.
#include <gtest/gtest.h>

#include <sstream>

#include "app/dump.h"
#include "capture/notifier.h"
#include "support/dump_run.h"
#include "support/expected.h"

namespace kestle {
namespace {

using namespace std::chrono_literals;

TEST(TerminalProgress, AtMostTenTimesASecondAndWipedAtTheEnd) {
  RecordingNotifier notifier;
  CaptureInput input(notifier);
  std::ostringstream err;
  std::chrono::steady_clock::time_point now{};
  TerminalProgress progress(err, input, "big.pcap", [&] { return now; });

  progress.LoadStarted();
  input.FrameCount = 1234;
  progress.LoadProgress(1);  // at once after the start: not shown
  EXPECT_EQ(err.str(), "");
  now += 100ms;
  progress.LoadProgress(2);
  EXPECT_EQ(err.str(), "\rLoading big.pcap: 1,234 frames (2%)");
  now += 60ms;
  progress.LoadProgress(3);  // 60 ms later: skipped
  now += 60ms;
  input.FrameCount = 5;
  progress.LoadProgress(4);  // a shorter line covers the longer one
  EXPECT_EQ(err.str(),
            "\rLoading big.pcap: 1,234 frames (2%)"
            "\rLoading big.pcap: 5 frames (4%)    ");
  err.str("");
  progress.LoadFinished();
  // The blanks cover what the last line showed.
  const size_t shown = std::string("Loading big.pcap: 5 frames (4%)").size();
  EXPECT_EQ(err.str(), "\r" + std::string(shown, ' ') + "\r");
  err.str("");
  progress.LoadFinished();  // nothing left to wipe
  EXPECT_EQ(err.str(), "");
}

TEST(TerminalProgress, NothingOffATerminal) {
  const std::string path = test::CapturePath("mixed.pcap.gz");
  const auto plain = test::Dump({"--tsv", path});
  EXPECT_EQ(plain.err.find('\r'), std::string::npos);
  // On a terminal the output is the same; only standard error differs.
  std::ostringstream out, err;
  EXPECT_EQ(RunDump({"--tsv", path}, out, err, "", "", /*progress=*/true), 0);
  EXPECT_EQ(out.str(), plain.out);
}

}  // namespace
}  // namespace kestle
