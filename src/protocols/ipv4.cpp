#include "protocols/ipv4.h"

#include <algorithm>

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

constexpr LookupTableRec kIPOptionNames[] = {
    {0, "End of Option List"}, {1, "No Operation"}, {2, "Security"},  {3, "Loose Source Routing"},
    {4, "Internet TimeStamp"}, {7, "Record Route"}, {8, "Stream ID"}, {9, "Strict Source Routing"},
    {20, "Router Alert"}};

constexpr size_t kMinHeader = 20;

// The fields both builders need.
struct IPv4Header {
  size_t HeaderLen;  // from the header length field, in bytes
  uint16_t TotalLen;
  uint16_t FragOffset;  // in bytes
  uint8_t Protocol;
  uint32_t Src, Dst;
};

IPv4Header ReadHeader(const DecodeContext& c) {
  return {size_t{c.u8(0) & 0x0Fu} * 4,
          c.be16(2),
          static_cast<uint16_t>((c.be16(6) & 0x1FFF) * 8),
          c.u8(9),
          c.be32(12),
          c.be32(16)};
}

void LeaveAddresses(DecodeContext& c, const IPv4Header& h) {
  c.Ip = {};
  c.Ip.Version = 4;
  for (int i = 0; i < 4; ++i) {
    c.Ip.Src[i] = static_cast<uint8_t>(h.Src >> (24 - 8 * i));
    c.Ip.Dst[i] = static_cast<uint8_t>(h.Dst >> (24 - 8 * i));
  }
}

// Cuts the layer to Total Length and enters the payload; false when there
// is none. A header length below the minimum leaves the payload's start
// unknown, so nothing is handed on then.
bool EnterPayload(DecodeContext& c, const IPv4Header& h) {
  c.limit(h.TotalLen);
  if (h.HeaderLen < kMinHeader || c.PacketLen <= h.HeaderLen) return false;
  return c.enter(h.HeaderLen);
}

void AddOptions(DecodeContext& c, DetailNode* parent, size_t headerLen) {
  const size_t end = std::min(headerLen, size_t{c.PacketLen});
  for (size_t p = kMinHeader; p < end;) {
    const uint8_t t = c.u8(p);
    const uint8_t number = t & 0x1F;
    const std::string name(LookupCode(number, kIPOptionNames, "Unknown"));
    const bool single = number == 0 || number == 1;
    // The length byte counts only inside the header.
    const bool hasLength = !single && p + 1 < end;
    const size_t len = single ? 1 : hasLength ? c.u8(p + 1) : 0;
    // A length below 2 would never move on, one past the header reads
    // another layer: either ends the walk after this option's lines.
    const bool bad = !single && (len < 2 || len > end - p);
    const size_t shown = bad ? end - p : len;
    DetailNode* item =
        AddBranch(c, parent, "Option " + std::to_string(number) + " " + name, p, shown);
    AddField(c, item, "Class (2 bits) - " + std::to_string((t >> 5) & 3), p, 1);
    AddField(c, item, "Number (2 bits) - " + std::to_string(number) + " (" + name + ")", p, 1);
    if (hasLength) AddField(c, item, "Length () - " + std::to_string(len), p + 1, 1);
    if (bad) break;
    if (!single) {
      const std::string hex = HexBytes(c.bytes(p + 2, len - 2));
      AddField(c, item, "Option Data () - 0x" + (hex.empty() ? hex : hex.substr(2)), p + 2,
               len - 2);
    }
    p += len;
  }
}

// The header branch, then the payload's. Quoted inside an ICMP error, the
// title reads "Original IPv4 Header ()".
void BuildTree(DecodeContext& c, DetailNode* parent) {
  const IPv4Header h = ReadHeader(c);
  // The branch covers the fixed header even when the length field says
  // less: its fields are shown.
  DetailNode* top = AddBranch(c, parent, c.Quoted ? "Original IPv4 Header ()" : "IPv4 Header ()", 0,
                              std::max(h.HeaderLen, kMinHeader), TreeImage::Network);
  // A short header is shown up to its last whole field.
  AddField(c, top, "Version (4 bits) - " + std::to_string(c.u8(0) >> 4), 0, 1);
  AddField(c, top, "Header Length (4 bits) - " + std::to_string(c.u8(0) & 0x0F), 0, 1);
  if (c.Set.DecodeTosAsDSCP)
    AddDiffServNodes(c, top, c.u8(1), 1);
  else
    AddField(c, top, "Type of Service () - 0x" + Hex(c.u8(1), 2), 1, 1);
  AddField(c, top, "Total Length () - " + std::to_string(h.TotalLen), 2, 2);
  AddField(c, top, "Identification () - 0x" + Hex(c.be16(4), 4), 4, 2);
  const uint8_t flags = c.u8(6) >> 5;
  AddField(c, top,
           "Fragmentation Flags (3 bits) - " + FormatBits(flags, 3) + " (Don't Fragment: " +
               (flags & 2 ? "on" : "off") + " More Fragments: " + (flags & 1 ? "on)" : "off)"),
           6, 1, TreeImage::Flags);
  AddField(c, top, "Fragment offset (13 bits) - " + std::to_string(h.FragOffset), 6, 2);
  AddField(c, top, "Time to Live () - " + std::to_string(c.u8(8)), 8, 1);
  AddField(c, top,
           "Protocol () - 0x" + Hex(h.Protocol, 2) + " (" + std::to_string(h.Protocol) + ") (" +
               std::string(LookupCode(h.Protocol, IPProtocolNames, "Unknown")) + ")",
           9, 1);
  std::string checksum = "Checksum () - 0x" + Hex(c.be16(10), 2);
  // The verdict needs the whole header.
  if (h.HeaderLen >= kMinHeader && c.has(0, h.HeaderLen)) {
    const uint16_t stored = c.be16(10);
    const uint16_t computed = InternetChecksum(c, 0, h.HeaderLen, 10);
    if (stored == computed)
      checksum += " (Correct)";
    else if (computed != 0)
      checksum += " (Incorrect)";
  }
  AddField(c, top, checksum, 10, 2);
  AddField(c, top, "Source IP address () - " + FormatIPv4(c, h.Src, true), 12, 4);
  AddField(c, top, "Destination IP address () - " + FormatIPv4(c, h.Dst, true), 16, 4);
  if (!c.has(0, kMinHeader)) return;
  if (h.HeaderLen > kMinHeader)
    AddOptions(c, AddBranch(c, top, "IP Options ()", kMinHeader, h.HeaderLen - kMinHeader),
               h.HeaderLen);

  LeaveAddresses(c, h);
  if (!EnterPayload(c, h)) return;
  if (h.FragOffset != 0) {
    AddField(c, nullptr, "Data ()", 0, c.PacketLen);
    return;
  }
  CallTree(c, IpProtocolUnit(h.Protocol, IpVersion::V4), parent);
}

}  // namespace

void IPv4Summary(DecodeContext& c) {
  c.AddDesc("/IPV4");
  // A header cut short names no stations: its addresses are not there.
  if (!c.has(0, kMinHeader)) {
    c.SetProtocol(ProtoIPV4);
    return;
  }
  const IPv4Header h = ReadHeader(c);
  if (h.FragOffset != 0) {
    c.AddDesc(" (Fragmented Offset=");
    c.AddDesc(std::to_string(h.FragOffset));
    c.AddDesc(")");
  }
  c.SetProtocol(ProtoIPV4);
  if (!c.Tunnelled && c.Rec) {
    c.Rec->SrcNode = c.RegisterNode(c.SrcMac, h.Src, {});
    c.Rec->DstNode = c.RegisterNode(c.DstMac, h.Dst, {});
  }
  LeaveAddresses(c, h);
  if (h.FragOffset != 0 || !EnterPayload(c, h)) return;
  // Tunnels and quoted datagrams count their own nesting.
  CallSummary(c, IpProtocolUnit(h.Protocol, IpVersion::V4));
}

void IPv4Tree(DecodeContext& c, DetailNode* parent) { BuildTree(c, parent); }

}  // namespace kestle
