// A capture session with default settings and a message recorder.
#pragma once

#include <string>

#include "capture/session.h"
#include "decode/environment.h"

namespace kestle::test {

struct SessionFixture {
  Environment env;
  RecordingNotifier notes;
  CaptureSession session{env, notes};

  bool Open(const std::string& path) { return session.OpenSnifferFile(path); }
  std::string LastMessage() const { return notes.Messages.empty() ? "" : notes.Messages.back(); }
};

}  // namespace kestle::test
