// libFuzzer target: loads the input as a capture file and builds the detail
// tree of every frame. With a first byte of 'F' the rest is one Ethernet
// frame, wrapped in a pcap file, so that the decoders get most of the work.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "decode/config/environment.h"
#include "decode/context.h"
#include "decode/detail.h"
#include "decode/session.h"
#include "decode/tree.h"

namespace {

class Silent : public kestle::Notifier {
 public:
  void Message(const std::string&) override {}
};

void Put32(std::vector<uint8_t>& b, uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> file;
  if (size > 0 && data[0] == 'F') {
    Put32(file, 0xA1B2C3D4);
    Put32(file, 0x00040002);
    Put32(file, 0);
    Put32(file, 0);
    Put32(file, 65535);
    Put32(file, 1);
    Put32(file, 1);
    Put32(file, 0);
    Put32(file, static_cast<uint32_t>(size - 1));
    Put32(file, static_cast<uint32_t>(size - 1));
    file.insert(file.end(), data + 1, data + size);
  } else {
    file.assign(data, data + size);
  }
  static const std::string path = "/dev/shm/kestle-fuzz-" + std::to_string(getpid());
  if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
    std::fwrite(file.data(), 1, file.size(), f);
    std::fclose(f);
  }
  kestle::Environment env;
  env.settings.MaxPackets = 1000;
  Silent silent;
  kestle::CaptureSession s(env, silent);
  if (s.OpenSnifferFile(path)) {
    kestle::DecodeContext c(s, env);
    kestle::DetailTree tree, print(true);
    for (uint32_t n = 1; n <= s.FrameCount && n <= 50; ++n) {
      kestle::BuildFrameTree(s, c, tree, n);
      kestle::BuildFrameTree(s, c, print, n);
    }
  }
  return 0;
}
