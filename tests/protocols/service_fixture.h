// One application message in a UDP datagram or TCP segment, decoded from
// its first byte: the summary, the tree lines as "offset+length text", and
// the malformed variants every decoder must end cleanly on.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "support/layer_fixture.h"

namespace kestle::test {

// Where the message starts in the frames below.
constexpr size_t kUdpPayloadAt = kEthernetLength + kIPv4Length + 8;
constexpr size_t kTcpPayloadAt = kEthernetLength + kIPv4Length + 20;

inline Bytes UdpFrame(const Bytes& payload, uint16_t src = 40000, uint16_t dst = 40001) {
  const Bytes udp = Concat(
      {FrameBuilder().be16(src).be16(dst).be16(static_cast<uint16_t>(8 + payload.size())).be16(0),
       payload});
  return EthernetFrame(IPv4Packet(17, udp, "10.0.0.1", "10.0.0.2"), 0x0800);
}

inline Bytes TcpFrame(const Bytes& payload, uint16_t src = 40000, uint16_t dst = 49) {
  return EthernetFrame(
      IPv4Packet(6, Concat({TCPHeader(src, dst, 0x18), payload}), "10.0.0.1", "10.0.0.2"), 0x0800);
}

struct ServiceFixture : LayerFixture {
  using Builder = void (*)(DecodeContext&, DetailNode*);
  using Summariser = void (*)(DecodeContext&);

  // Positions the context at `message` carried in UDP.
  void AtMessage(const Bytes& message) {
    Position(UdpFrame(message), kUdpPayloadAt);
    c.Truncated = false;
  }
  std::string Summary(Summariser summary, const Bytes& message) {
    AtMessage(message);
    return Summarise(summary);
  }
  // The tree lines of `message`, "offset+length text" with the offset from
  // the message's first byte, children indented by two blanks.
  std::vector<std::string> Lines(Builder build, const Bytes& message) {
    AtMessage(message);
    Build(build);
    std::vector<std::string> lines;
    tree.Walk([&](const DetailNode& n, int depth) {
      lines.push_back(std::string(static_cast<size_t>(2 * depth), ' ') +
                      std::to_string(n.Offset - kUdpPayloadAt) + "+" + std::to_string(n.Length) +
                      " " + n.Text);
    });
    return lines;
  }
  // The first line whose text starts with `prefix`, or nullptr.
  const DetailNode* Find(std::string_view prefix) const {
    const DetailNode* found = nullptr;
    tree.Walk([&](const DetailNode& n, int) {
      if (!found && n.Text.starts_with(prefix)) found = &n;
    });
    return found;
  }
  std::string Text(std::string_view prefix) const {
    const DetailNode* n = Find(prefix);
    return n ? n->Text : "(no line " + std::string(prefix) + ")";
  }
  bool Has(std::string_view prefix) const { return Find(prefix) != nullptr; }
};

// Malformed variants of a well-formed message: cut short at every length,
// and with each two-byte position set to 0x0000, 0x0001 and 0xFFFF and each
// byte lowered by one (lengths of 0, one byte short, past the end, the
// largest). Summary and tree must end within the frame, every line inside
// its parent (Build checks).
inline std::vector<Bytes> MalformedVariants(const Bytes& message) {
  std::vector<Bytes> out;
  for (size_t n = 0; n < message.size(); ++n)
    out.emplace_back(message.begin(), message.begin() + n);
  for (size_t at = 0; at + 1 < message.size(); ++at) {
    for (uint16_t v : {0x0000, 0x0001, 0xFFFF}) {
      Bytes m = message;
      m[at] = static_cast<uint8_t>(v >> 8);
      m[at + 1] = static_cast<uint8_t>(v);
      out.push_back(std::move(m));
    }
    Bytes shorter = message;
    shorter[at] = static_cast<uint8_t>(shorter[at] - 1);
    out.push_back(std::move(shorter));
  }
  return out;
}

}  // namespace kestle::test
