#include "protocols/link.h"

#include <algorithm>
#include <string>

#include "capture/frame.h"
#include "decode/addresses.h"
#include "decode/config/environment.h"
#include "decode/context.h"
#include "decode/dispatch.h"
#include "decode/fields.h"
#include "decode/frame_table.h"
#include "decode/protocol_ids.h"
#include "decode/text.h"

namespace kestle {

namespace {

constexpr LookupTableRec kEtherTypeNames[] = {
    {0x0800, "IPv4"},     {0x86DD, "IPv6"},     {0x0806, "ARP"},     {0x880B, "PPP"},
    {0x6002, "DEC-MOP"},  {0x8847, "MPLS"},     {0x6004, "DEC-LAT"}, {0x8848, "MPLS"},
    {0x8021, "PPP/IPCP"}, {0x8863, "PPPoE"},    {0x8100, "802.1q"},  {0x8864, "PPPoE"},
    {0x8137, "IPX"},      {0x888E, "802.1x"},   {0x8207, "CDP"},     {0x88CC, "LLDP"},
    {0x80FD, "PPP/CCP"},  {0x9000, "Loopback"}, {0xC021, "PPP/LCP"}, {0xC023, "PPP/PAP"},
};

constexpr LookupTableRec kSapNames[] = {
    {0x00, "Null LSAP"},
    {0x86, "Nestar"},
    {0x02, "Individual LLC"},
    {0x8E, "Proway"},
    {0x03, "Group LLC"},
    {0x98, "ARP"},
    {0x04, "SNA"},
    {0xBA, "Banyan Vines"},
    {0x05, "SNA"},
    {0xBC, "Banyan Vines"},
    {0x06, "IP"},
    {0xAA, "SNAP"},
    {0x08, "SNA"},
    {0xE0, "IPX"},
    {0x0C, "SNA"},
    {0xF0, "Netbios"},
    {0x0E, "PROWAY"},
    {0xF4, "IBM LANMAN"},
    {0x18, "Texas Instruments"},
    {0xF5, "IBM LANMAN"},
    {0x42, "BPDU"},
    {0xF8, "IBM RPL"},
    {0x4E, "EIA RS-511"},
    {0xFA, "Ungermann-Bass"},
    {0x7E, "ISO 8208"},
    {0xFE, "ISO Network Layer"},
    {0x80, "XNS"},
    {0xFF, "Global LSAP"},
};

constexpr LookupTableRec kIslFrameTypes[] = {
    {0, "Ethernet"},
    {1, "Token Ring"},
    {2, "FDDI"},
    {3, "ATM"},
};

constexpr LookupTableRec kIslPriorities[] = {
    {0, "Normal Priority"},
    {1, "Priority 1"},
    {2, "Priority 2"},
    {3, "Highest Priority"},
};

constexpr size_t kEthHeader = 14;
constexpr size_t kIslHeader = 26;
constexpr size_t kLlcHeader = 3;
constexpr size_t kSnapHeader = 8;  // LLC and SNAP
constexpr uint16_t kMax8023Length = 1500;
constexpr uint16_t kVlanType = 0x8100;
constexpr uint16_t kIpxType = 0x8137;
constexpr uint8_t kSapSnap = 0xAA;
constexpr uint8_t kSapRaw = 0xFF;
constexpr uint32_t kOuiEncapEther = 0x000000;

// Broadcast only when all six bytes are FF; multicast when the group bit is set.
uint8_t CastOf(const uint8_t dst[6]) {
  if (std::all_of(dst, dst + 6, [](uint8_t b) { return b == 0xFF; })) return 1;
  return (dst[0] & 1) ? 2 : 0;
}

std::string TypeLine(const char* lengthLabel, const char* typeLabel, uint16_t t) {
  if (t <= kMax8023Length) return lengthLabel + std::to_string(t);
  const std::string_view name = EtherTypeName(t);
  return typeLabel + Hex(t, 4) + " " + std::string(name.empty() ? "Unknown" : name);
}

std::string SapLine(const char* label, uint8_t sap) {
  const std::string_view name = SapName(sap);
  return label + Hex(sap, 2) + " (" + std::string(name.empty() ? "Unknown" : name) + ")";
}

// ---------------------------------------------------------------- summary

// 802.3 after the length field: h is where the LLC header starts, len the
// 802.3 length. Bytes after the length are padding and never payload.
void Dot3Summary(DecodeContext& c, size_t h, uint16_t len) {
  c.AddDesc("802.3");
  c.limit(h + len);
  if (!c.has(h, 1)) return;
  const uint8_t dsap = c.u8(h);
  if (dsap == kSapRaw) {  // Novell raw 802.3: IPX right after the length
    c.AddDesc("-Raw");
    c.enter(h);
    CallSummary(c, EtherTypeUnit(kIpxType));
    return;
  }
  if (dsap == kSapSnap) {
    c.AddDesc("/SNAP");
    if (!c.has(h, kSnapHeader)) return;
    const uint32_t oui = c.be24(h + 3);
    const uint16_t type = c.be16(h + 6);
    const DecoderUnit* u = SnapUnit(oui, type);
    if (oui == kOuiEncapEther) {
      c.AddDesc("/Encap Ether");
    } else if (!u) {
      c.AddDesc(" OC=");
      c.AddDesc(Hex(oui, 6));
      c.AddDesc(" eType=");
      c.AddDesc(Hex(type, 4));
    }
    c.enter(h + kSnapHeader);
    CallSummary(c, u);
    return;
  }
  if (!c.has(h, kLlcHeader)) return;
  c.enter(h + kLlcHeader);
  CallSummary(c, LlcSapUnit(dsap));
}

// ---------------------------------------------------------------- tree

void Dot3Tree(DecodeContext& c, size_t h, uint16_t len) {
  const LayerState frame = c.save();
  c.limit(h + len);
  if (c.has(h, 1) && c.u8(h) == kSapRaw) {
    c.enter(h);
    CallTree(c, EtherTypeUnit(kIpxType), nullptr);
    return;
  }
  if (!c.has(h, 1)) {
    // A length of 0 leaves no header at all: what follows it is data.
    c.restore(frame);
    if (len == 0 && c.enter(h) && c.PacketLen != 0) AddField(c, nullptr, "Data ()", 0, c.PacketLen);
    return;
  }
  DetailNode* llc = AddBranch(c, nullptr, "Logical Link Control ()", h, kLlcHeader);
  const uint8_t dsap = c.u8(h);
  AddField(c, llc, SapLine("DSAP () - 0x", dsap), h, 1);
  AddField(c, llc, SapLine("SSAP () - 0x", c.u8(h + 1)), h + 1, 1);
  AddField(c, llc, "Control () - 0x" + Hex(c.u8(h + 2), 2), h + 2, 1);
  if (!c.has(h, kLlcHeader)) return;  // the header is cut short

  const DecoderUnit* u = nullptr;
  if (dsap == kSapSnap) {
    const size_t o = h + kLlcHeader;
    DetailNode* snap = AddBranch(c, nullptr, "SNAP", o, kSnapHeader - kLlcHeader);
    if (!c.has(o, 3)) return;
    uint8_t oui[3];
    c.copy(o, oui, 3);
    std::string text = "Organization Code () - ";
    for (uint8_t b : oui) text += Hex(b, 2) + " ";
    if (const std::string* vendor = c.Env.Vendors.Find(oui)) text += " (" + *vendor + ")";
    AddField(c, snap, std::move(text), o, 3);
    if (!c.has(o + 3, 2)) return;
    const uint16_t type = c.be16(o + 3);
    AddField(c, snap, "eType () - 0x" + Hex(type, 4), o + 3, 2);
    u = SnapUnit(c.be24(o), type);
    c.enter(h + kSnapHeader);
  } else {
    u = LlcSapUnit(dsap);
    c.enter(h + kLlcHeader);
  }
  // The summary pass looks the carried protocol up in the same tables, so a
  // frame reaches the same decoder in both.
  CallTree(c, u, nullptr);
}

void EthernetTreeBody(DecodeContext& c) {
  if (!c.has(0, kEthHeader)) {
    AddField(c, nullptr, "Malformed Frame ()", 0, c.PacketLen, TreeImage::Link);
    return;
  }
  c.copy(0, c.DstMac, 6);
  c.copy(6, c.SrcMac, 6);
  const size_t typeAt = 12;
  const uint16_t t = c.be16(typeAt);
  DetailNode* eth =
      AddField(c, nullptr, t <= kMax8023Length ? "IEEE 802.3 Ethernet ()" : "Ethernet II ()", 0,
               kEthHeader, TreeImage::Link);
  AddField(c, eth, "Destination Ethernet Address () - " + FormatMAC(c, c.DstMac, true), 0, 6);
  AddField(c, eth, "Source Ethernet Address () - " + FormatMAC(c, c.SrcMac, true), 6, 6);
  AddField(c, eth, TypeLine("Length () - ", "Protocol () - 0x", t), typeAt, 2);
  EtherTypePayloadTree(c, t, typeAt + 2);
}

void EthernetSummaryBody(DecodeContext& c) {
  if (!c.has(0, kEthHeader)) {
    c.AddDesc("Malformed Frame");
    return;
  }
  c.copy(0, c.DstMac, 6);
  c.copy(6, c.SrcMac, 6);
  if (c.Rec) c.Rec->Cast = CastOf(c.DstMac);
  const size_t typeAt = 12;
  const uint16_t t = c.be16(typeAt);
  if (t <= kMax8023Length) {
    Dot3Summary(c, typeAt + 2, t);
    return;
  }
  c.AddDesc("Ethernet II");
  EtherTypePayloadSummary(c, t, typeAt + 2);
}

}  // namespace

// ---- what follows an EtherType field

void EtherTypePayloadTree(DecodeContext& c, uint16_t t, size_t at) {
  for (int tags = 0; t == kVlanType && tags < kMaxVlanTags; ++tags) {
    const size_t tci = at;
    DetailNode* vlan = AddBranch(c, nullptr, "802.1q Virtual Lan", tci, 4);
    const uint8_t b = c.u8(tci);
    std::string prio = "Priority (3 bits) - ";
    for (int bit = 7; bit >= 5; --bit) prio += (b >> bit) & 1 ? "1 " : "0 ";
    AddField(c, vlan, prio + "= " + std::to_string(b >> 5), tci, 1);
    AddField(c, vlan, "Canonical Format Ind (1 bit) - " + std::to_string((b >> 4) & 1), tci, 1);
    AddField(c, vlan, "VLAN ID (12 bits) - " + std::to_string(c.be16(tci) & 0x0FFF), tci, 2);
    if (!c.has(tci + 2, 2)) return;  // no type to go on with
    t = c.be16(tci + 2);
    AddField(c, vlan, TypeLine("Length () - ", "Embedded Protocol () - 0x", t), tci + 2, 2);
    at += 4;
  }

  if (t <= kMax8023Length) {
    Dot3Tree(c, at, t);
    return;
  }
  c.enter(at);
  // Tags beyond the last one unwrapped are data, as in the summary.
  CallTree(c, t == kVlanType ? nullptr : EtherTypeUnit(t), nullptr);
}

void EtherTypePayloadSummary(DecodeContext& c, uint16_t t, size_t at) {
  for (int tags = 0; t == kVlanType && tags < kMaxVlanTags; ++tags) {
    c.AddDesc("/802.1q");
    c.SetProtocol(Proto8021q);
    if (!c.has(at, 4)) return;  // tag cut short: nothing to hand on
    t = c.be16(at + 2);
    at += 4;
  }
  // Tags beyond the last one unwrapped are not named: the tree shows them
  // as data.
  if (t == kVlanType) return;
  if (t <= kMax8023Length) {
    c.AddDesc("/");
    Dot3Summary(c, at, t);
    return;
  }
  c.enter(at);
  if (const DecoderUnit* u = EtherTypeUnit(t)) {
    CallSummary(c, u);
  } else {
    const std::string_view name = EtherTypeName(t);
    c.AddDesc("/");
    c.AddDesc(name.empty() ? "Unknown" : name);
  }
}

std::string_view EtherTypeName(uint16_t type) { return LookupCode(type, kEtherTypeNames, ""); }
std::string_view SapName(uint8_t sap) { return LookupCode(sap, kSapNames, ""); }

// ---- Ethernet: summary and tree

void EthernetSummary(DecodeContext& c) {
  c.SetProtocol(ProtoEthernet);
  c.Tunnelled = false;
  if (!c.beginNest()) return;
  EthernetSummaryBody(c);
  c.endNest();
}

void EthernetTree(DecodeContext& c) {
  if (!c.beginNest()) return;
  EthernetTreeBody(c);
  c.endNest();
}

// ---- ISL: summary and tree

void ISLSummary(DecodeContext& c) {
  c.SetProtocol(ProtoISL);
  c.AddDesc("ISL");
  c.copy(0, c.DstMac, 6);
  c.copy(6, c.SrcMac, 6);
  if (c.Rec) c.Rec->Cast = CastOf(c.DstMac);
  if (!c.enter(kIslHeader)) return;  // shorter than its header
  c.AddDesc("/");
  EthernetSummary(c);
}

void ISLTree(DecodeContext& c) {
  if (!c.has(0, kIslHeader)) return;
  DetailNode* isl =
      AddField(c, nullptr, "Inter-Switch Link (ISL)", 0, kIslHeader, TreeImage::Protocol);
  c.copy(0, c.DstMac, 6);
  DetailNode* dst = AddField(c, isl, "Destination () - " + FormatMAC(c, c.DstMac, true), 0, 6);
  const uint8_t b5 = c.u8(5);
  AddField(c, dst,
           "Frame Type () - " + std::to_string(b5 >> 4) + " (" +
               std::string(LookupCode(b5 >> 4, kIslFrameTypes, "Unknown")) + ")",
           5, 1);
  AddField(c, dst,
           "User Priority () - " + std::to_string(b5 & 3) + " (" +
               std::string(LookupCode(b5 & 3, kIslPriorities, "")) + ")",
           5, 1);
  c.copy(6, c.SrcMac, 6);
  AddField(c, isl, "Source () - " + FormatMAC(c, c.SrcMac, true), 6, 6);
  AddField(c, isl, "Length () - " + std::to_string(c.be16(12)), 12, 2);
  AddField(c, isl, "SNAP/LLC () - 0x" + Hex(c.be24(14), 6), 14, 3);
  AddField(c, isl, "HSA () - 0x" + Hex(c.be24(17), 6), 17, 3);
  AddField(c, isl, "Vlan ID () - " + std::to_string(c.be16(20) >> 1), 20, 2);
  AddField(c, isl, "BPDU/CDP () - " + std::to_string(c.u8(21) & 1), 21, 1);
  AddField(c, isl, "Index () - " + std::to_string(c.be16(22)), 22, 2);
  AddField(c, isl, "Reserved ()", 24, 2);
  c.enter(kIslHeader);
  EthernetTree(c);
}

// ---- an Ethernet frame: ISL or Ethernet

bool IsISLFrame(const DecodeContext& c) {
  return c.has(0, 5) && c.be32(0) == 0x01000C00 && c.u8(4) == 0x00;
}

void EthernetFrameSummary(DecodeContext& c) {
  if (IsISLFrame(c))
    ISLSummary(c);
  else
    EthernetSummary(c);
}

void EthernetFrameTree(DecodeContext& c, DetailNode*) {
  if (IsISLFrame(c))
    ISLTree(c);
  else
    EthernetTree(c);
}

}  // namespace kestle
