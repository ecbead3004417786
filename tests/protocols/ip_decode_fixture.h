// A decode context positioned at the network layer of an Ethernet frame,
// IPv6 packet builders and tree look-ups for the IP-layer decoder tests.
#pragma once

#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "decode/frame_table.h"
#include "decode/session.h"
#include "decode/context.h"
#include "decode/environment.h"
#include "decode/tree.h"
#include "support/builders.h"

namespace kestle::test {

constexpr size_t kEthernetLength = 14;
constexpr size_t kIPv6Length = 40;

inline Bytes IPv6Address(std::string_view text) {
  Bytes a(16);
  if (inet_pton(AF_INET6, std::string(text).c_str(), a.data()) != 1)
    throw std::invalid_argument("bad IPv6 address");
  return a;
}

// An IPv6 header (payload length from the payload) followed by the payload.
inline Bytes IPv6Packet(uint8_t nextHeader, const Bytes& payload,
                        std::string_view src = "2001:db8::1", std::string_view dst = "2001:db8::2",
                        uint8_t trafficClass = 0, uint32_t flowLabel = 0) {
  FrameBuilder b;
  b.be32((6u << 28) | (uint32_t{trafficClass} << 20) | (flowLabel & 0xFFFFF))
      .be16(static_cast<uint16_t>(payload.size()))
      .u8(nextHeader)
      .u8(64)
      .raw(IPv6Address(src))
      .raw(IPv6Address(dst))
      .raw(payload);
  return b;
}

// An Ethernet II frame carrying `packet` with the given EtherType.
inline Bytes EthernetFrame(const Bytes& packet, uint16_t type = 0x86DD) {
  return FrameBuilder()
      .ether("00:1b:21:3a:4f:10", "00:1a:a1:5c:23:01", type)
      .raw(packet);
}

inline Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

// An ICMPv6 echo request with `data` bytes of payload.
inline Bytes Icmpv6Echo(size_t data = 4) {
  return FrameBuilder().u8(128).u8(0).be16(0x1234).be16(7).be16(1).zeros(data);
}

struct Line {
  std::string Text;
  uint32_t Offset;
  uint32_t Length;
  int Depth;
};

class IpDecodeTest : public ::testing::Test {
 protected:
  Environment env;
  RecordingNotifier notes;
  CaptureSession session{env, notes};
  std::unique_ptr<DecodeContext> ctx = std::make_unique<DecodeContext>(session, env);
  DecodeContext& c = *ctx;
  FrameTabRec rec;
  DetailTree tree{true};  // print mode: texts keep their " - "
  Bytes frame;
  size_t Skip = 0;  // bytes between the Ethernet header and the layer decoded

  // Loads an Ethernet frame and positions the context `Skip` bytes after its
  // header, with the stations of the link layer.
  void Load(const Bytes& f) {
    frame = f;
    c.LoadFrame(frame.data(), static_cast<uint32_t>(frame.size()));
    c.copy(0, c.DstMac, 6);
    c.copy(6, c.SrcMac, 6);
    c.enter(kEthernetLength + Skip);
  }

  std::string RunSummary(const Bytes& f, void (*summary)(DecodeContext&)) {
    Load(f);
    rec = FrameTabRec{};
    c.Rec = &rec;
    c.Tree = nullptr;
    c.Desc.clear();
    c.FrameProtocol = 0;
    summary(c);
    c.Rec = nullptr;
    return c.Desc;
  }

  std::vector<Line> RunTree(const Bytes& f, void (*build)(DecodeContext&, DetailNode*),
                            DetailNode* parent = nullptr) {
    if (!parent) tree.Clear();
    Load(f);
    c.Rec = nullptr;
    c.Tree = &tree;
    build(c, parent);
    return Lines();
  }

  std::vector<Line> Lines() const {
    std::vector<Line> out;
    tree.Walk([&](const DetailNode& n, int depth) {
      out.push_back({n.Text, n.Offset, n.Length, depth});
    });
    return out;
  }

  // The first item whose text starts with `prefix`, or nullptr.
  const Line* Find(const std::vector<Line>& lines, std::string_view prefix) const {
    for (const auto& l : lines)
      if (std::string_view(l.Text).substr(0, prefix.size()) == prefix) return &l;
    return nullptr;
  }
  size_t Count(const std::vector<Line>& lines, std::string_view prefix) const {
    size_t n = 0;
    for (const auto& l : lines)
      if (std::string_view(l.Text).substr(0, prefix.size()) == prefix) ++n;
    return n;
  }
  // Texts of the items at one depth, in tree order.
  std::vector<std::string> AtDepth(const std::vector<Line>& lines, int depth) const {
    std::vector<std::string> out;
    for (const auto& l : lines)
      if (l.Depth == depth) out.push_back(l.Text);
    return out;
  }
  // Every item describes bytes of the frame.
  void ExpectRangesInFrame(const std::vector<Line>& lines) const {
    for (const auto& l : lines)
      EXPECT_LE(uint64_t{l.Offset} + l.Length, frame.size()) << l.Text;
  }
  bool StackHas(uint16_t id) const {
    for (uint32_t p = c.FrameProtocol; p != 0; p = session.Paths[p].Parent)
      if (session.Paths[p].Protocol == id) return true;
    return false;
  }
};

}  // namespace kestle::test
