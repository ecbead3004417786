// IPv6: the fixed header, the extension header chain (hop-by-hop options,
// routing, fragment, destination options) and the hand-on by next header.
#include "protocols/ipv6.h"

#include <string>

#include "capture/frame.h"
#include "decode/addresses.h"
#include "decode/config/settings.h"
#include "decode/context.h"
#include "decode/dispatch.h"
#include "decode/fields.h"
#include "decode/frame_table.h"
#include "decode/internet.h"
#include "decode/protocol_ids.h"
#include "decode/text.h"

namespace kestle {

namespace {

constexpr LookupTableRec kOptionNames[] = {
    {0, "Pad1"},
    {1, "PadN"},
    {194, "Jumbo Payload"},
};

constexpr size_t kHeaderLength = 40;
constexpr uint8_t kHopByHop = 0, kRouting = 43, kFragment = 44, kDestination = 60;

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

// Fragment offset in bytes of the fragment header at the start of the layer.
uint32_t FragmentOffset(const DecodeContext& c) { return (c.be16(2) >> 3) * 8u; }

// The extension header of type `nh` at the start of the layer, as the
// summary and the tree both walk it.
struct Extension {
  size_t Length = 0;           // 0: its length byte is missing
  bool Whole = false;          // all its bytes are in the layer
  uint8_t Next = 0;            // the next header it names
  bool LaterFragment = false;  // a fragment after the first: no upper header
};

Extension ReadExtension(const DecodeContext& c, uint8_t nh) {
  Extension e;
  if (!c.has(0, 2)) return e;
  e.Length = nh == kFragment ? 8 : size_t{c.u8(1)} * 8 + 8;
  e.Whole = c.has(0, e.Length);
  e.Next = c.u8(0);
  e.LaterFragment = e.Whole && nh == kFragment && FragmentOffset(c) != 0;
  return e;
}

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
  AddDiffServNodes(c, root, tc, 1);
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

// The extension headers from the start of the layer, then the upper layer
// by next header, whose branch hangs under `parent`. A header that runs past
// the packet ends the branch at its last whole field.
void AddChain(DecodeContext& c, DetailNode* parent, uint8_t nh) {
  while (IsExtensionHeader(nh) && c.PacketLen > 0) {
    const Extension e = ReadExtension(c, nh);
    DetailNode* item =
        AddBranch(c, parent, std::string(NextHeaderName(nh)), 0, e.Whole ? e.Length : c.PacketLen);
    AddField(c, item, "Next Header () - " + NextHeaderText(c.u8(0)), 0, 1);
    if (nh != kFragment && e.Length != 0)
      AddField(
          c, item,
          "Length () - " + std::to_string(c.u8(1)) + " (" + std::to_string(e.Length) + " bytes)", 1,
          1);
    if (!e.Whole) return;
    if (nh == kFragment) AddFragmentFields(c, item);
    if (nh == kHopByHop) AddOptions(c, item, 2, e.Length - 2);
    if (nh == kRouting) AddRoutingFields(c, item, e.Length);
    nh = e.Next;
    c.enter(e.Length);
    if (e.LaterFragment) {
      // Only the first fragment carries the upper layer's header.
      if (c.PacketLen > 0) AddField(c, nullptr, "Data ()", 0, c.PacketLen);
      return;
    }
  }
  if (c.PacketLen == 0) return;
  CallTree(c, IpProtocolUnit(nh, IpVersion::V6), parent);
}

void BuildTree(DecodeContext& c, DetailNode* parent) {
  if (c.PacketLen == 0) return;
  std::string title = c.Quoted ? "Original " : "";
  title += "Internet Protocol Version 6 (IPV6)";
  DetailNode* root = AddBranch(c, parent, std::move(title), 0, kHeaderLength, TreeImage::Network);
  // A short header ends at its last whole field.
  AddField(c, root, "Version  - " + std::to_string(c.u8(0) >> 4), 0, 1);
  if (c.has(0, 2)) AddTrafficClass(c, root);
  AddField(c, root, "Flow Label - 0x" + Hex(c.be24(1) & 0xFFFFF, 5), 1, 3);
  AddField(c, root, "Payload Length () - " + std::to_string(c.be16(4)), 4, 2);
  AddField(c, root, "Next Header () - " + NextHeaderText(c.u8(6)), 6, 1);
  AddField(c, root, "Hop Limit () - " + std::to_string(c.u8(7)), 7, 1);
  AddField(c, root, "Source Address () - " + Address(c, 8, true), 8, 16);
  AddField(c, root, "Destination Address () - " + Address(c, 24, true), 24, 16);
  if (!c.has(0, kHeaderLength)) return;

  LimitToPayload(c);
  SetIpAddresses(c);
  const uint8_t nh = c.u8(6);
  c.enter(kHeaderLength);
  AddChain(c, parent, nh);
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
    const Extension e = ReadExtension(c, nh);
    // One that fills the packet leaves nothing to hand on.
    if (!e.Whole || e.Length == c.PacketLen || e.LaterFragment) return;
    nh = e.Next;
    c.enter(e.Length);
  }
  CallSummary(c, IpProtocolUnit(nh, IpVersion::V6));
}

void IPv6Tree(DecodeContext& c, DetailNode* parent) { BuildTree(c, parent); }

}  // namespace kestle
