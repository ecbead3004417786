#include "support/builders.h"

#include <unistd.h>
#include <zlib.h>

#include <atomic>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace kestle::test {

FrameBuilder& FrameBuilder::u8(uint8_t v) {
  b_.push_back(v);
  return *this;
}
FrameBuilder& FrameBuilder::be16(uint16_t v) { return u8(v >> 8).u8(v & 0xFF); }
FrameBuilder& FrameBuilder::be32(uint32_t v) { return be16(v >> 16).be16(v & 0xFFFF); }
FrameBuilder& FrameBuilder::le16(uint16_t v) { return u8(v & 0xFF).u8(v >> 8); }
FrameBuilder& FrameBuilder::le32(uint32_t v) { return le16(v & 0xFFFF).le16(v >> 16); }
FrameBuilder& FrameBuilder::raw(std::initializer_list<uint8_t> b) {
  b_.insert(b_.end(), b);
  return *this;
}
FrameBuilder& FrameBuilder::raw(const Bytes& b) {
  b_.insert(b_.end(), b.begin(), b.end());
  return *this;
}
FrameBuilder& FrameBuilder::text(std::string_view t) {
  b_.insert(b_.end(), t.begin(), t.end());
  return *this;
}
std::array<uint8_t, 6> ParseMac(std::string_view t) {
  unsigned v[6];
  if (std::sscanf(std::string(t).c_str(), "%x:%x:%x:%x:%x:%x", &v[0], &v[1], &v[2], &v[3], &v[4],
                  &v[5]) != 6)
    throw std::invalid_argument("bad MAC");
  std::array<uint8_t, 6> m{};
  for (int i = 0; i < 6; ++i) m[i] = static_cast<uint8_t>(v[i]);
  return m;
}
FrameBuilder& FrameBuilder::mac(std::string_view t) {
  for (uint8_t b : ParseMac(t)) u8(b);
  return *this;
}
uint32_t ParseIPv4(std::string_view t) {
  unsigned a, b, c, d;
  if (std::sscanf(std::string(t).c_str(), "%u.%u.%u.%u", &a, &b, &c, &d) != 4)
    throw std::invalid_argument("bad IPv4");
  return (a << 24) | (b << 16) | (c << 8) | d;
}
FrameBuilder& FrameBuilder::ipv4(std::string_view t) { return be32(ParseIPv4(t)); }
FrameBuilder& FrameBuilder::zeros(size_t n) {
  b_.insert(b_.end(), n, 0);
  return *this;
}
FrameBuilder& FrameBuilder::ether(std::string_view dst, std::string_view src, uint16_t type) {
  return mac(dst).mac(src).be16(type);
}
FrameBuilder& FrameBuilder::padTo(size_t n) {
  if (b_.size() < n) b_.resize(n, 0);
  return *this;
}

Bytes PcapFile(const std::vector<PcapFrame>& frames, uint32_t linkType, bool bigEndian,
               bool modified, bool nano) {
  FrameBuilder f;
  auto w32 = [&](uint32_t v) { bigEndian ? f.be32(v) : f.le32(v); };
  auto w16 = [&](uint16_t v) { bigEndian ? f.be16(v) : f.le16(v); };
  w32(modified ? 0xA1B2CD34 : nano ? 0xA1B23C4D : 0xA1B2C3D4);
  w16(2);
  w16(4);
  w32(0);
  w32(0);
  w32(65535);
  w32(linkType);
  for (const auto& fr : frames) {
    w32(fr.seconds);
    w32(fr.micro);
    w32(static_cast<uint32_t>(fr.data.size()));
    w32(fr.origLen ? fr.origLen : static_cast<uint32_t>(fr.data.size()));
    if (modified) f.zeros(8);
    f.raw(fr.data);
  }
  return f.bytes();
}

void PcapngWriter::Put16(uint16_t v) {
  const uint8_t b[2] = {static_cast<uint8_t>(big_ ? v >> 8 : v),
                        static_cast<uint8_t>(big_ ? v : v >> 8)};
  b_.insert(b_.end(), b, b + 2);
}

void PcapngWriter::Put32(uint32_t v) {
  for (int i = 0; i < 4; ++i) b_.push_back(static_cast<uint8_t>(v >> (8 * (big_ ? 3 - i : i))));
}

PcapngWriter& PcapngWriter::Block(uint32_t type, const Bytes& body) {
  const uint32_t padded = static_cast<uint32_t>((body.size() + 3) / 4 * 4);
  Put32(type);
  Put32(12 + padded);
  b_.insert(b_.end(), body.begin(), body.end());
  b_.resize(b_.size() + padded - body.size(), 0);
  Put32(12 + padded);
  return *this;
}

PcapngWriter& PcapngWriter::Section(bool bigEndian) {
  big_ = bigEndian;
  Put32(0x0A0D0D0A);
  Put32(28);
  Put32(0x1A2B3C4D);
  Put16(1);
  Put16(0);
  Put32(0xFFFFFFFF);  // section length unknown
  Put32(0xFFFFFFFF);
  Put32(28);
  return *this;
}

namespace {
// Fields of a block body in the writer's byte order.
struct Body {
  bool big;
  Bytes b;
  void u16(uint16_t v) {
    b.push_back(static_cast<uint8_t>(big ? v >> 8 : v));
    b.push_back(static_cast<uint8_t>(big ? v : v >> 8));
  }
  void u32(uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * (big ? 3 - i : i))));
  }
  void data(const Bytes& d) {
    b.insert(b.end(), d.begin(), d.end());
    b.resize((b.size() + 3) / 4 * 4, 0);
  }
};
}  // namespace

PcapngWriter& PcapngWriter::Interface(uint16_t linkType, uint32_t snapLength, int resolution,
                                      int64_t offset) {
  Body o{big_, {}};
  o.u16(linkType);
  o.u16(0);
  o.u32(snapLength);
  o.u16(2);  // if_name, skipped
  o.u16(3);
  o.data({'e', 't', 'h'});
  if (resolution >= 0) {
    o.u16(9);
    o.u16(1);
    o.data({static_cast<uint8_t>(resolution)});
  }
  if (offset != 0) {
    o.u16(14);
    o.u16(8);
    o.u32(static_cast<uint32_t>(big_ ? static_cast<uint64_t>(offset) >> 32 : offset));
    o.u32(static_cast<uint32_t>(big_ ? offset : static_cast<uint64_t>(offset) >> 32));
  }
  o.u16(0);
  o.u16(0);
  return Block(1, o.b);
}

PcapngWriter& PcapngWriter::Packet(uint32_t interface, uint64_t time, const Bytes& data,
                                   uint32_t origLen) {
  Body o{big_, {}};
  o.u32(interface);
  o.u32(static_cast<uint32_t>(time >> 32));
  o.u32(static_cast<uint32_t>(time));
  o.u32(static_cast<uint32_t>(data.size()));
  o.u32(origLen ? origLen : static_cast<uint32_t>(data.size()));
  o.data(data);
  o.u16(1);  // opt_comment, skipped
  o.u16(2);
  o.data({'h', 'i'});
  o.u16(0);
  o.u16(0);
  return Block(6, o.b);
}

PcapngWriter& PcapngWriter::OldPacket(uint16_t interface, uint64_t time, const Bytes& data) {
  Body o{big_, {}};
  o.u16(interface);
  o.u16(0);
  o.u32(static_cast<uint32_t>(time >> 32));
  o.u32(static_cast<uint32_t>(time));
  o.u32(static_cast<uint32_t>(data.size()));
  o.u32(static_cast<uint32_t>(data.size()));
  o.data(data);
  return Block(2, o.b);
}

PcapngWriter& PcapngWriter::Simple(const Bytes& data, uint32_t origLen) {
  Body o{big_, {}};
  o.u32(origLen ? origLen : static_cast<uint32_t>(data.size()));
  o.data(data);
  return Block(3, o.b);
}

namespace {
std::atomic<int> counter{0};
std::string TempPath(std::string_view suffix) {
  const char* dir = std::getenv("TMPDIR");
  std::string base = dir && *dir ? dir : "/tmp";
  return base + "/kestle-test-" + std::to_string(::getpid()) + "-" +
         std::to_string(counter.fetch_add(1)) + std::string(suffix);
}
}  // namespace

TempFile::TempFile(const Bytes& content, std::string_view suffix) : path_(TempPath(suffix)) {
  std::ofstream out(path_, std::ios::binary);
  out.write(reinterpret_cast<const char*>(content.data()),
            static_cast<std::streamsize>(content.size()));
}
TempFile::TempFile(std::string_view text, std::string_view suffix) : path_(TempPath(suffix)) {
  std::ofstream out(path_, std::ios::binary);
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
}
TempFile::~TempFile() { std::remove(path_.c_str()); }

Bytes Gzip(const Bytes& in) {
  z_stream z{};
  deflateInit2(&z, 9, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY);
  Bytes out(deflateBound(&z, in.size()) + 64);
  z.next_in = const_cast<Bytef*>(in.data());
  z.avail_in = static_cast<uInt>(in.size());
  z.next_out = out.data();
  z.avail_out = static_cast<uInt>(out.size());
  deflate(&z, Z_FINISH);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

Bytes ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  const std::string s = ss.str();
  return Bytes(s.begin(), s.end());
}

std::string DataPath(std::string_view name) {
  return std::string(KESTLE_TEST_DATA) + "/" + std::string(name);
}

}  // namespace kestle::test
