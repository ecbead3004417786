// Writes a large, realistic pcap file for the load benchmark: Ethernet
// frames of mixed sizes and protocols between many distinct stations.
//   kestle-gen-pcap OUT.pcap [FRAMES]   (default 1,000,000)
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

namespace {

struct Writer {
  std::vector<uint8_t> b;
  void u8(uint8_t v) { b.push_back(v); }
  void be16(uint16_t v) {
    u8(v >> 8);
    u8(v & 0xFF);
  }
  void be32(uint32_t v) {
    be16(v >> 16);
    be16(v & 0xFFFF);
  }
  void le32(uint32_t v) {
    for (int i = 0; i < 4; ++i) u8(static_cast<uint8_t>(v >> (8 * i)));
  }
  void le16(uint16_t v) {
    u8(v & 0xFF);
    u8(v >> 8);
  }
  void mac(uint32_t station) {
    u8(0x00);
    u8(0x1B);
    u8(0x21);
    u8(station >> 16);
    u8(station >> 8);
    u8(station);
  }
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s OUT.pcap [FRAMES]\n", argv[0]);
    return 2;
  }
  const long frames = argc > 2 ? std::atol(argv[2]) : 1000000;
  std::FILE* out = std::fopen(argv[1], "wb");
  if (!out) {
    std::perror(argv[1]);
    return 1;
  }
  Writer h;
  h.le32(0xA1B2C3D4);
  h.le16(2);
  h.le16(4);
  h.le32(0);
  h.le32(0);
  h.le32(65535);
  h.le32(1);
  std::fwrite(h.b.data(), 1, h.b.size(), out);

  std::mt19937 rng(12345);
  const uint32_t stations = 20000;
  uint32_t sec = 1700000000, usec = 0;
  Writer f;
  uint64_t bytes = 0;
  for (long i = 0; i < frames; ++i) {
    f.b.clear();
    const uint32_t src = rng() % stations, dst = rng() % stations;
    const unsigned kind = rng() % 10;
    const uint16_t sport = static_cast<uint16_t>(1024 + rng() % 60000);
    f.mac(dst);
    f.mac(src);
    if (kind == 0) {  // ARP request
      f.be16(0x0806);
      f.be16(1);
      f.be16(0x0800);
      f.u8(6);
      f.u8(4);
      f.be16(1);
      f.mac(src);
      f.be32(0x0A000000 | src);
      f.mac(0);
      f.be32(0x0A000000 | dst);
    } else if (kind <= 7) {  // IPv4 TCP or UDP
      const bool tcp = kind <= 4;
      const size_t payload = tcp ? (rng() % 3 == 0 ? 1400 : rng() % 200) : 20 + rng() % 100;
      const size_t l4 = tcp ? 20 : 8;
      f.be16(0x0800);
      f.u8(0x45);
      f.u8(0);
      f.be16(static_cast<uint16_t>(20 + l4 + payload));
      f.be16(static_cast<uint16_t>(i));
      f.be16(0x4000);
      f.u8(64);
      f.u8(tcp ? 6 : 17);
      f.be16(0);
      f.be32(0x0A000000 | src);
      f.be32(0x0A000000 | dst);
      if (tcp) {
        f.be16(sport);
        f.be16(kind == 1 ? 443 : 80);
        f.be32(rng());
        f.be32(rng());
        f.u8(0x50);
        f.u8(0x18);
        f.be16(64240);
        f.be16(0);
        f.be16(0);
      } else {
        f.be16(sport);
        f.be16(53);
        f.be16(static_cast<uint16_t>(8 + payload));
        f.be16(0);
      }
      for (size_t k = 0; k < payload; ++k) f.u8(static_cast<uint8_t>(k));
    } else if (kind == 8) {  // IPv6 UDP
      f.be16(0x86DD);
      f.be32(0x60000000);
      f.be16(8 + 40);
      f.u8(17);
      f.u8(64);
      f.be32(0x20010DB8);
      f.be32(0);
      f.be32(0);
      f.be32(src);
      f.be32(0x20010DB8);
      f.be32(0);
      f.be32(0);
      f.be32(dst);
      f.be16(sport);
      f.be16(547);
      f.be16(48);
      f.be16(0);
      for (int k = 0; k < 40; ++k) f.u8(static_cast<uint8_t>(k));
    } else {  // an EtherType nobody decodes
      f.be16(0x88B5);
      for (int k = 0; k < 46; ++k) f.u8(0);
    }
    while (f.b.size() < 60) f.u8(0);
    usec += 50 + rng() % 1000;
    sec += usec / 1000000;
    usec %= 1000000;
    Writer rec;
    rec.le32(sec);
    rec.le32(usec);
    rec.le32(static_cast<uint32_t>(f.b.size()));
    rec.le32(static_cast<uint32_t>(f.b.size()));
    std::fwrite(rec.b.data(), 1, rec.b.size(), out);
    std::fwrite(f.b.data(), 1, f.b.size(), out);
    bytes += rec.b.size() + f.b.size();
  }
  std::fclose(out);
  std::printf("%ld frames, %llu bytes written to %s\n", frames,
              static_cast<unsigned long long>(bytes + 24), argv[1]);
  return 0;
}
