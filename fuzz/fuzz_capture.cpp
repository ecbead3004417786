// libFuzzer target: loads the input as a capture file and builds the detail
// tree of every frame. With a first byte of 'F' the rest is one Ethernet
// frame, wrapped in a pcap file, so that the decoders get most of the work;
// with 'L' (a little-endian pcap file) or 'M' (big-endian) the next two
// bytes are a link type (low byte first) and the rest is one frame of it.
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

void Put32(std::vector<uint8_t>& b, uint32_t v, bool big = false) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * (big ? 3 - i : i))));
}

// A pcap file holding one frame of the link type.
std::vector<uint8_t> OneFramePcap(uint32_t linkType, const uint8_t* frame, size_t size, bool big) {
  std::vector<uint8_t> file;
  const uint32_t header[] = {0xA1B2C3D4, 0x00040002, 0, 0, 65535, linkType, 1, 0};
  for (uint32_t v : header) Put32(file, v, big);
  Put32(file, static_cast<uint32_t>(size), big);
  Put32(file, static_cast<uint32_t>(size), big);
  file.insert(file.end(), frame, frame + size);
  return file;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> file;
  if (size > 0 && data[0] == 'F') {
    file = OneFramePcap(1, data + 1, size - 1, false);
  } else if (size >= 3 && (data[0] == 'L' || data[0] == 'M')) {
    file = OneFramePcap(data[1] | (data[2] << 8), data + 3, size - 3, data[0] == 'M');
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
