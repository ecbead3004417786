// Filter benchmark: loads a capture (kestle-gen-pcap writes one of a
// million frames), then evaluates filter expressions over every frame as
// the filter bar does, and reports the time of each and the frames it
// selects. The load is not timed.
//   kestle-bench-filter FILE [EXPR...]
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "decode/config/environment.h"
#include "decode/session.h"
#include "output/filter_bar.h"
#include "query/display_filter.h"

namespace {

class QuietNotifier : public kestle::Notifier {
 public:
  void Message(const std::string&) override {}
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s FILE [EXPR...]\n", argv[0]);
    return 2;
  }
  std::vector<std::string> expressions(argv + 2, argv + argc);
  if (expressions.empty())
    expressions = {"tcp", "ip.addr == 10.0.0.0/8 and port in {53 80 443}",
                   "not arp and frame.len >= 100 and frame.time_relative < 30",
                   "(udp or icmp) and ip.src != 192.168.1.1 || tcp.session in {1..50}",
                   "description contains \"get\""};
  kestle::Environment env;
  env.settings.MaxPackets = 2000000;
  QuietNotifier notifier;
  kestle::CaptureSession s(env, notifier);
  if (!s.OpenSnifferFile(argv[1])) {
    std::fprintf(stderr, "%s: not loaded\n", argv[1]);
    return 1;
  }
  std::printf("%u frames\n", s.FrameCount);
  for (const std::string& text : expressions) {
    kestle::FilterError error;
    const auto e = kestle::FilterExpression::Parse(text, env.Protocols, error);
    if (!e) {
      std::fprintf(stderr, "%s: %s\n", text.c_str(), error.Message.c_str());
      return 2;
    }
    const auto t0 = std::chrono::steady_clock::now();
    // What the filter bar runs: the expression bound, every frame decided,
    // the shown rows set.
    const kestle::FilterOutcome r = kestle::ApplyDialogAndExpression(s, nullptr, &*e);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    std::printf("%8.3f s  %9u frames  %s\n", seconds, r.Applied ? r.Shown : 0, text.c_str());
  }
  return 0;
}
