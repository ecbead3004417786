// IPv6: the fixed header, the extension header chain (hop-by-hop options,
// routing, fragment, destination options) and the hand-on by next header.
#include "protocols/ipv6.h"

#include <string>

#include "decode/context.h"
#include "decode/frame_table.h"
#include "decode/dispatch.h"
#include "decode/protocol_ids.h"
#include "decode/settings.h"
#include "decode/utils.h"
#include "protocols/ipv4.h"
#include "protocols/tcp.h"
#include "protocols/udp.h"

namespace kestle {

namespace {

constexpr LookupTableRec kOptionNames[] = {
    {0, "Pad1"},
    {1, "PadN"},
    {194, "Jumbo Payload"},
};

constexpr size_t kHeaderLength = 40;
constexpr uint8_t kHopByHop = 0, kRouting = 43, kFragment = 44, kDestination = 60;
constexpr uint8_t kIPv4InIPv6 = 4, kIPv6InIPv6 = 41;

// The IP protocol names, plus the fragment header this unit decodes.
std::string_view NextHeaderName(uint8_t nh) {
  return nh == kFragment ? "Fragment Header" : LookupCode(nh, IPProtocolNames, "Unknown");
}

std::string NextHeaderText(uint8_t nh) {
  std::string s = std::to_string(nh);
  s += " (";
  s += NextHeaderName(nh);
  s += ')';
  return s;
}

bool IsExtensionHeader(uint8_t nh) {
  return nh == kHopByHop || nh == kRouting || nh == kFragment || nh == kDestination;
}

// Length of the extension header at the start of the layer (0 when even its
// length byte is missing).
size_t ExtensionLength(const DecodeContext& c, uint8_t nh) {
  if (!c.has(0, 2)) return 0;
  return nh == kFragment ? 8 : size_t{c.u8(1)} * 8 + 8;
}

// Fragment offset in bytes of the fragment header at the start of the layer.
uint32_t FragmentOffset(const DecodeContext& c) { return (c.be16(2) >> 3) * 8u; }

std::string Address(const DecodeContext& c, size_t at, bool annotate) {
  uint8_t a[16];
  c.copy(at, a, sizeof a);
  return FormatIPv6(a, annotate);
}

// Cuts the layer at the end of the payload the header announces (link-layer
// padding and trailers are not the upper layer's); 0 announces a jumbogram.
void LimitToPayload(DecodeContext& c) {
  const uint16_t payload = c.be16(4);
  if (payload != 0) c.limit(kHeaderLength + payload);
}

void AddTrafficClass(DecodeContext& c, DetailNode* root) {
  const uint8_t tc = static_cast<uint8_t>(c.be16(0) >> 4);
  if (!c.Set.DecodeTosAsDSCP) {
    AddField(c, root, "Traffic Class - 0x" + Hex(tc, 2), 0, 2);
    return;
  }
  AddDiffServNodes(c, root, tc, c.at(1));
}

// The transport layer's view of the addresses (TCP sessions compare them).
void SetIpAddresses(DecodeContext& c) {
  c.Ip = {};
  c.Ip.Version = 6;
  c.copy(8, c.Ip.Src.data(), 16);
  c.copy(24, c.Ip.Dst.data(), 16);
}

// The options of a hop-by-hop header: `r` bytes from `s`, all inside the
// layer. Pad1 is a single byte; every other option is type, length, data.
void AddOptions(DecodeContext& c, DetailNode* header, size_t s, size_t r) {
  if (r < 1) return;
  DetailNode* list = AddField(c, header, "Options", s, r);
  while (r >= 1) {
    const uint8_t t = c.u8(s);
    const std::string head =
        std::to_string(t) + " (" + std::string(LookupCode(t, kOptionNames, "Unknown")) + ")";
    if (t == 0) {
      DetailNode* o = AddField(c, list, "Option: " + head, s, 1);
      AddField(c, o, "Type () - " + head, s, 1);
      ++s;
      --r;
      continue;
    }
    if (r < 2) break;
    const size_t n = c.u8(s + 1);
    if (n + 2 > r) break;
    DetailNode* o = AddField(c, list, "Option: " + head, s, n + 2);
    AddField(c, o, "Type () - " + head, s, 1);
    AddField(c, o, "Length () - " + std::to_string(n), s + 1, 1);
    if (t == 194 && n == 4)
      AddField(c, o, "Jumbo Payload Length () - " + std::to_string(c.be32(s + 2)), s + 2, 4);
    s += n + 2;
    r -= n + 2;
  }
}

void AddRoutingFields(DecodeContext& c, DetailNode* item, size_t len) {
  AddField(c, item, "Routing Type () - " + std::to_string(c.u8(2)), 2, 1);
  AddField(c, item, "Segments Left () - " + std::to_string(c.u8(3)), 3, 1);
  AddField(c, item, "Reserved", 4, 4);
  int k = 1;
  for (size_t p = 8; p + 16 <= len; p += 16, ++k)
    AddField(c, item, "Address " + std::to_string(k) + " () - " + Address(c, p, true), p, 16);
}

void AddFragmentFields(DecodeContext& c, DetailNode* item) {
  AddField(c, item, "Reserved () - 0x" + Hex(c.u8(1), 2), 1, 1);
  AddField(c, item, "Fragment Offset () - " + std::to_string(FragmentOffset(c)), 2, 2);
  AddField(c, item, std::string("More Fragments () - ") + ((c.u8(3) & 1) ? "on" : "off"), 3, 1);
  AddField(c, item, "Identification () - 0x" + Hex(c.be32(4), 8), 4, 4);
}

// The upper layer, by next header; its branch hangs under `parent`.
void HandOnTree(DecodeContext& c, DetailNode* parent, uint8_t nh, bool quoted) {
  if (quoted && nh == 6) return TCPQuotedTree(c, parent);
  if (quoted && nh == 17) return UDPQuotedTree(c, parent);
  const DecoderUnit* unit = IpProtocolUnit(nh);
  if (!unit || !unit->Tree) {
    AddDetailNode(c, nullptr, "Data ()", c.at(0), 1, c.PacketLen);
    return;
  }
  const bool tunnel = nh == kIPv4InIPv6 || nh == kIPv6InIPv6;
  if (tunnel && !c.beginNest()) return;
  unit->Tree(c, parent);
  if (tunnel) c.endNest();
}

// The extension headers from the start of the layer, then the upper layer.
// A header that runs past the packet ends the branch at its last whole field.
void AddChain(DecodeContext& c, DetailNode* parent, uint8_t nh, bool quoted) {
  while (IsExtensionHeader(nh) && c.PacketLen > 0) {
    const size_t len = ExtensionLength(c, nh);
    const size_t shown = len != 0 && c.has(0, len) ? len : c.PacketLen;
    DetailNode* item = AddField(c, parent, std::string(NextHeaderName(nh)),
                                0, shown);
    AddField(c, item, "Next Header () - " + NextHeaderText(c.u8(0)), 0, 1);
    if (nh != kFragment && len != 0)
      AddField(c, item,
               "Length () - " + std::to_string(c.u8(1)) + " (" + std::to_string(len) + " bytes)",
               1, 1);
    if (len == 0 || !c.has(0, len)) return;
    if (nh == kFragment) AddFragmentFields(c, item);
    if (nh == kHopByHop) AddOptions(c, item, 2, len - 2);
    if (nh == kRouting) AddRoutingFields(c, item, len);
    const bool laterFragment = nh == kFragment && FragmentOffset(c) != 0;
    nh = c.u8(0);
    c.enter(len);
    if (laterFragment) {
      // Only the first fragment carries the upper layer's header.
      if (c.PacketLen > 0) AddDetailNode(c, nullptr, "Data ()", c.at(0), 1, c.PacketLen);
      return;
    }
  }
  if (c.PacketLen == 0) return;
  HandOnTree(c, parent, nh, quoted);
}

void AddBranch(DecodeContext& c, DetailNode* parent, bool quoted) {
  if (c.PacketLen == 0) return;
  std::string title = quoted ? "Original " : "";
  title += "Internet Protocol Version 6 (IPV6)";
  DetailNode* root = AddDetailNode(c, parent, std::move(title), c.at(0), 3,
                                   c.has(0, kHeaderLength) ? kHeaderLength : c.PacketLen);
  // A short header ends at its last whole field.
  auto field = [&](std::string text, size_t at, size_t len) {
    if (c.has(at, len)) AddField(c, root, std::move(text), at, len);
  };
  field("Version  - " + std::to_string(c.u8(0) >> 4), 0, 1);
  if (c.has(0, 2)) AddTrafficClass(c, root);
  field("Flow Label - 0x" + Hex(c.be24(1) & 0xFFFFF, 5), 1, 3);
  field("Payload Length () - " + std::to_string(c.be16(4)), 4, 2);
  field("Next Header () - " + NextHeaderText(c.u8(6)), 6, 1);
  field("Hop Limit () - " + std::to_string(c.u8(7)), 7, 1);
  field("Source Address () - " + Address(c, 8, true), 8, 16);
  field("Destination Address () - " + Address(c, 24, true), 24, 16);
  if (!c.has(0, kHeaderLength)) return;

  LimitToPayload(c);
  SetIpAddresses(c);
  const uint8_t nh = c.u8(6);
  c.enter(kHeaderLength);
  AddChain(c, parent, nh, quoted);
}

}  // namespace

void IPv6Summary(DecodeContext& c) {
  c.AddDesc("/IPV6");
  if (!c.has(0, kHeaderLength)) return;
  c.SetProtocol(ProtoIPV6);
  if (c.Rec && !c.Tunnelled) {
    c.Rec->SrcNode = c.RegisterNode(c.SrcMac, 0, Address(c, 8, false));
    c.Rec->DstNode = c.RegisterNode(c.DstMac, 0, Address(c, 24, false));
  }
  LimitToPayload(c);
  SetIpAddresses(c);
  uint8_t nh = c.u8(6);
  c.enter(kHeaderLength);
  while (IsExtensionHeader(nh)) {
    const size_t len = ExtensionLength(c, nh);
    if (len == 0 || len >= c.PacketLen) return;
    if (nh == kFragment && FragmentOffset(c) != 0) return;
    nh = c.u8(0);
    c.enter(len);
  }
  const DecoderUnit* unit = IpProtocolUnit(nh);
  if (!unit) return;
  if (nh == kIPv4InIPv6 || nh == kIPv6InIPv6) {
    // A tunnel: the frame's stations stay those of the outer header.
    if (!c.beginNest()) return;
    c.Tunnelled = true;
    unit->Summary(c);
    c.endNest();
    return;
  }
  unit->Summary(c);
}

void IPv6Tree(DecodeContext& c, DetailNode* parent) { AddBranch(c, parent, false); }

void IPv6QuotedTree(DecodeContext& c, DetailNode* parent) { AddBranch(c, parent, true); }

}  // namespace kestle
