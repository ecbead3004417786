// A capture session with default settings and a message recorder.
#pragma once

#include <string>
#include <string_view>

#include "decode/config/environment.h"
#include "decode/session.h"
#include "support/builders.h"

namespace kestle::test {

struct SessionFixture {
  Environment env;
  RecordingNotifier notes;
  CaptureSession session{env, notes};

  bool Open(const std::string& path) { return session.OpenSnifferFile(path); }
  std::string LastMessage() const {
    return notes.Messages.empty() ? "" : notes.FirstLines().back();
  }
};

// A capture file written to a temporary file and opened with the given
// MaxPackets and FirstFrame.
struct Loaded {
  SessionFixture f;
  bool ok = false;
  explicit Loaded(const Bytes& file, int maxPackets = 512000, int firstFrame = 1) {
    f.env.settings.MaxPackets = static_cast<uint32_t>(maxPackets);
    f.env.settings.FirstFrame = firstFrame;
    TempFile t(file, ".cap");
    ok = f.Open(t.path());
  }
  CaptureSession& s() { return f.session; }
};

// The bytes of the frame read last.
inline Bytes HeldFrame(const CaptureInput& input) {
  const auto b = input.FrameBytes();
  return Bytes(b.begin(), b.end());
}
inline Bytes HeldFrame(const CaptureSession& s) { return HeldFrame(s.Input); }

// An Ethernet frame of n bytes (ARP type), padded with `fill`.
inline Bytes Frame(size_t n, uint8_t fill = 0x11) {
  FrameBuilder f;
  f.ether("ff:ff:ff:ff:ff:ff", "00:11:22:33:44:55", 0x0806);
  while (f.size() < n) f.u8(fill);
  return f.bytes();
}

}  // namespace kestle::test
