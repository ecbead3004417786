// Load benchmark: opens a capture the way the program does and reports
// frames per second, bytes per second and the memory kept per loaded frame.
//   kestle-bench-load FILE [RUNS]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "decode/environment.h"
#include "decode/session.h"

namespace {

long RssKiB() {
  std::ifstream in("/proc/self/status");
  std::string line;
  while (std::getline(in, line))
    if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s FILE [RUNS]\n", argv[0]);
    return 2;
  }
  const int runs = argc > 2 ? std::atoi(argv[2]) : 3;
  kestle::Environment env;
  env.settings.MaxPackets = 4000000000u;
  kestle::StderrNotifier notifier;
  double best = 1e30;
  uint32_t frames = 0;
  uint64_t size = 0;
  long kib = 0;
  for (int r = 0; r < runs; ++r) {
    const long before = RssKiB();
    kestle::CaptureSession s(env, notifier);
    const auto t0 = std::chrono::steady_clock::now();
    if (!s.OpenSnifferFile(argv[1])) return 1;
    const double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    best = std::min(best, secs);
    frames = s.FrameCount;
    size = s.Input.File.Size();
    kib = RssKiB() - before;
  }
  std::printf("frames            %u\n", frames);
  std::printf("best load time    %.3f s (of %d runs)\n", best, runs);
  std::printf("frames per second %.0f\n", frames / best);
  std::printf("bytes per second  %.1f MB/s (file size estimate %.1f MB)\n", size / best / 1e6,
              size / 1e6);
  std::printf("memory per frame  %.1f bytes (resident growth %ld KiB)\n",
              frames ? kib * 1024.0 / frames : 0.0, kib);
  return 0;
}
