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
constexpr uint16_t kMax8023Length = 1500;

// Broadcast only when all six bytes are FF; multicast when the group bit is set.
uint8_t CastOf(const uint8_t dst[6]) {
  if (std::all_of(dst, dst + 6, [](uint8_t b) { return b == 0xFF; })) return 1;
  return (dst[0] & 1) ? 2 : 0;
}

// ---------------------------------------------------------------- summary

// ---------------------------------------------------------------- tree

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
  AddField(c, eth, EtherTypeLine("Length () - ", "Protocol () - 0x", t), typeAt, 2);
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
    Dot3PayloadSummary(c, typeAt + 2, t);
    return;
  }
  c.AddDesc("Ethernet II");
  EtherTypePayloadSummary(c, t, typeAt + 2);
}

}  // namespace

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
