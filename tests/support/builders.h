// Test helpers: byte builders for frames and writers of small capture files.
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace kestle::test {

using Bytes = std::vector<uint8_t>;

// Appends big-endian fields to a byte string.
class FrameBuilder {
 public:
  FrameBuilder& u8(uint8_t v);
  FrameBuilder& be16(uint16_t v);
  FrameBuilder& be32(uint32_t v);
  FrameBuilder& le16(uint16_t v);
  FrameBuilder& le32(uint32_t v);
  FrameBuilder& raw(std::initializer_list<uint8_t> b);
  FrameBuilder& raw(const Bytes& b);
  FrameBuilder& text(std::string_view t);
  FrameBuilder& mac(std::string_view text);   // "00:11:22:33:44:55"
  FrameBuilder& ipv4(std::string_view text);  // "10.0.0.1"
  FrameBuilder& zeros(size_t n);
  // Ethernet II header: destination, source, EtherType.
  FrameBuilder& ether(std::string_view dst, std::string_view src, uint16_t type);
  // Pads with zeros up to n bytes.
  FrameBuilder& padTo(size_t n);
  size_t size() const { return b_.size(); }
  const Bytes& bytes() const { return b_; }
  operator const Bytes&() const { return b_; }

 private:
  Bytes b_;
};

uint32_t ParseIPv4(std::string_view text);
// "00:11:22:33:44:55" as its six bytes.
std::array<uint8_t, 6> ParseMac(std::string_view text);

struct PcapFrame {
  Bytes data;
  uint32_t seconds = 1000000000;
  uint32_t micro = 0;
  uint32_t origLen = 0;  // 0 = data size
};

// A pcap file in memory: little-endian, big-endian or modified; with
// nanosecond times (the frames' `micro` then holds nanoseconds).
Bytes PcapFile(const std::vector<PcapFrame>& frames, uint32_t linkType = 1, bool bigEndian = false,
               bool modified = false, bool nano = false);

// A pcapng file in memory, block by block, each section in its own byte
// order. Lengths are right unless a test damages the bytes afterwards.
class PcapngWriter {
 public:
  // A section header block; the blocks after it use its byte order.
  PcapngWriter& Section(bool bigEndian = false);
  // An interface description; `resolution` is if_tsresol, `offset` if_tsoffset.
  PcapngWriter& Interface(uint16_t linkType, uint32_t snapLength = 0, int resolution = -1,
                          int64_t offset = 0);
  // An enhanced packet block; origLen 0: the data's length.
  PcapngWriter& Packet(uint32_t interface, uint64_t time, const Bytes& data, uint32_t origLen = 0);
  // An old-style packet block (16-bit interface id).
  PcapngWriter& OldPacket(uint16_t interface, uint64_t time, const Bytes& data);
  PcapngWriter& Simple(const Bytes& data, uint32_t origLen = 0);
  // Any other block with this body.
  PcapngWriter& Block(uint32_t type, const Bytes& body);
  const Bytes& bytes() const { return b_; }
  size_t size() const { return b_.size(); }

 private:
  void Put16(uint16_t v);
  void Put32(uint32_t v);
  Bytes b_;
  bool big_ = false;
};

// A file in the test's temporary folder, removed at destruction.
class TempFile {
 public:
  explicit TempFile(const Bytes& content, std::string_view suffix = ".pcap");
  explicit TempFile(std::string_view text, std::string_view suffix);
  ~TempFile();
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// Gzip-compresses bytes.
Bytes Gzip(const Bytes& in);
// Reads a whole file.
Bytes ReadFile(const std::string& path);
std::string DataPath(std::string_view name);

}  // namespace kestle::test
