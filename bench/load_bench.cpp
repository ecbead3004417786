// Load benchmark: opens a capture the way the program does and reports
// frames per second, bytes per second and the memory kept per loaded frame.
// With --no-decode the frames are only read, into an index of their record
// positions, times and lengths, so that reading and decoding are seen apart.
//   kestle-bench-load [--no-decode] FILE [RUNS]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "capture/frame_index.h"
#include "decode/config/environment.h"
#include "decode/dispatch.h"
#include "decode/session.h"

namespace {

long RssKiB() {
  std::ifstream in("/proc/self/status");
  std::string line;
  while (std::getline(in, line))
    if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
  return 0;
}

struct Run {
  bool ok = false;
  double seconds = 0;
  uint32_t frames = 0;
  uint64_t size = 0;
  long kib = 0;  // resident growth with the loaded tables still held
};

double Since(std::chrono::steady_clock::time_point t0) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

Run LoadAndDecode(const kestle::Environment& env, kestle::Notifier& notifier, const char* file) {
  Run r;
  const long before = RssKiB();
  kestle::CaptureSession s(env, notifier);
  const auto t0 = std::chrono::steady_clock::now();
  r.ok = s.OpenSnifferFile(file);
  r.seconds = Since(t0);
  r.frames = s.FrameCount;
  r.size = s.Input.File.Size();
  r.kib = RssKiB() - before;
  return r;
}

Run ReadOnly(const kestle::Environment& env, kestle::Notifier& notifier, const char* file) {
  Run r;
  const long before = RssKiB();
  kestle::CaptureInput input(notifier);
  kestle::FrameIndex index(kestle::DecodesLinkType);
  const auto t0 = std::chrono::steady_clock::now();
  r.ok = input.Load(file, kestle::LoadOptionsOf(env), index);
  r.seconds = Since(t0);
  r.frames = index.Count();
  r.size = input.File.Size();
  r.kib = RssKiB() - before;
  return r;
}

}  // namespace

int main(int argc, char** argv) {
  int arg = 1;
  const bool decode = !(argc > arg && std::strcmp(argv[arg], "--no-decode") == 0);
  if (!decode) ++arg;
  if (argc <= arg) {
    std::fprintf(stderr, "usage: %s [--no-decode] FILE [RUNS]\n", argv[0]);
    return 2;
  }
  const char* file = argv[arg];
  const int runs = argc > arg + 1 ? std::atoi(argv[arg + 1]) : 3;
  kestle::Environment env;
  env.settings.MaxPackets = 4000000000u;
  kestle::StderrNotifier notifier;
  double best = 1e30;
  Run last;
  for (int i = 0; i < runs; ++i) {
    last = decode ? LoadAndDecode(env, notifier, file) : ReadOnly(env, notifier, file);
    if (!last.ok) return 1;
    best = std::min(best, last.seconds);
  }
  std::printf("mode              %s\n", decode ? "load and decode" : "read only (--no-decode)");
  std::printf("frames            %u\n", last.frames);
  std::printf("best load time    %.3f s (of %d runs)\n", best, runs);
  std::printf("frames per second %.0f\n", last.frames / best);
  std::printf("bytes per second  %.1f MB/s (file size estimate %.1f MB)\n", last.size / best / 1e6,
              last.size / 1e6);
  std::printf("memory per frame  %.1f bytes (resident growth %ld KiB)\n",
              last.frames ? last.kib * 1024.0 / last.frames : 0.0, last.kib);
  return 0;
}
