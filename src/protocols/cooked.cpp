#include "protocols/cooked.h"

#include <string>

#include "decode/addresses.h"
#include "decode/context.h"
#include "decode/dispatch.h"
#include "decode/fields.h"
#include "decode/frame_table.h"
#include "decode/lookup.h"
#include "decode/protocol_ids.h"
#include "decode/text.h"

namespace kestle {

namespace {

constexpr LookupTableRec kPacketTypes[] = {
    {0, "Unicast to us"},           {1, "Broadcast"},  {2, "Multicast"},
    {3, "Unicast to another host"}, {4, "Sent by us"},
};

constexpr LookupTableRec kAddressTypes[] = {
    {1, "Ethernet"},       {512, "PPP"},    {768, "IP in IP"}, {772, "Loopback"},
    {776, "IPv6 in IPv4"}, {778, "GRE"},    {801, "802.11"},   {803, "802.11 Radiotap"},
    {824, "Netlink"},      {65534, "None"}, {65535, "Void"},
};

// Protocol values below the EtherTypes.
constexpr LookupTableRec kCookedProtocols[] = {
    {0x0001, "Novell 802.3"},
    {0x0003, "All"},
    {0x0004, "802.2 LLC"},
};

constexpr uint16_t kMaxLength = 1500;  // values up to it are not EtherTypes
constexpr size_t kAddressSlot = 8;

// Where the fields of a version lie.
struct Layout {
  const char* Title;
  size_t Length;
  size_t Protocol;
  size_t PacketType, PacketTypeSize;
  size_t AddressType;
  size_t AddressLength, AddressLengthSize;
  size_t Address;
  size_t InterfaceIndex;  // version 2 only; 0 = none
  size_t Reserved;        // version 2 only
};
constexpr Layout kV1 = {"Linux cooked capture ()", 16, 14, 0, 2, 2, 4, 2, 6, 0, 0};
constexpr Layout kV2 = {"Linux cooked capture v2 ()", 20, 0, 10, 1, 8, 11, 1, 12, 4, 2};

uint32_t ReadField(const DecodeContext& c, size_t at, size_t size) {
  return size == 1 ? c.u8(at) : c.be16(at);
}

std::string ProtocolText(uint16_t t) {
  std::string_view name = t <= kMaxLength ? LookupCode(t, kCookedProtocols, "") : EtherTypeName(t);
  return "0x" + Hex(t, 4) + " " + std::string(name.empty() ? "Unknown" : name);
}

std::string AddressText(DecodeContext& c, const Layout& l, uint32_t length) {
  if (length == 6) {
    uint8_t mac[6];
    c.copy(l.Address, mac, 6);
    return FormatMAC(c, mac, true);
  }
  std::string text;
  const std::string_view b = c.bytes(l.Address, std::min<size_t>(length, kAddressSlot));
  for (size_t i = 0; i < b.size(); ++i) text += (i ? ":" : "") + Hex(static_cast<uint8_t>(b[i]), 2);
  return text.empty() ? "None" : text;
}

void Summary(DecodeContext& c, const Layout& l) {
  c.SetProtocol(ProtoLinuxCooked);
  c.Tunnelled = false;
  c.AddDesc("Linux cooked");
  if (!c.has(0, l.Length)) return;
  const uint32_t packetType = ReadField(c, l.PacketType, l.PacketTypeSize);
  if (c.Rec) c.Rec->Cast = packetType == 1 ? 1 : packetType == 2 ? 2 : 0;
  // The sender's link-layer address is its station when it is a MAC.
  if (ReadField(c, l.AddressLength, l.AddressLengthSize) == 6) c.copy(l.Address, c.SrcMac, 6);
  const uint16_t protocol = c.be16(l.Protocol);
  if (protocol <= kMaxLength) {
    c.AddDesc("/Unknown");
    return;
  }
  if (!c.beginNest()) return;
  EtherTypePayloadSummary(c, protocol, l.Length);
  c.endNest();
}

void Tree(DecodeContext& c, const Layout& l) {
  DetailNode* top = AddBranch(c, nullptr, l.Title, 0, l.Length, TreeImage::Link);
  const uint16_t protocol = c.be16(l.Protocol);
  const std::string protocolLine = "Protocol () - " + ProtocolText(protocol);
  const uint32_t packetType = ReadField(c, l.PacketType, l.PacketTypeSize);
  const uint32_t addressType = c.be16(l.AddressType);
  const uint32_t addressLength = ReadField(c, l.AddressLength, l.AddressLengthSize);
  auto named = [](uint32_t v, std::span<const LookupTableRec> table) {
    return std::to_string(v) + " (" +
           std::string(LookupCode(static_cast<uint16_t>(v), table, "Unknown")) + ")";
  };
  // In wire order: version 2 starts with the protocol.
  if (l.InterfaceIndex != 0) {
    AddField(c, top, protocolLine, l.Protocol, 2);
    AddField(c, top, "Reserved ()", l.Reserved, 2);
    AddField(c, top, "Interface Index () - " + std::to_string(c.be32(l.InterfaceIndex)),
             l.InterfaceIndex, 4);
    AddField(c, top, "Address Type () - " + named(addressType, kAddressTypes), l.AddressType, 2);
    AddField(c, top, "Packet Type () - " + named(packetType, kPacketTypes), l.PacketType,
             l.PacketTypeSize);
  } else {
    AddField(c, top, "Packet Type () - " + named(packetType, kPacketTypes), l.PacketType,
             l.PacketTypeSize);
    AddField(c, top, "Address Type () - " + named(addressType, kAddressTypes), l.AddressType, 2);
  }
  AddField(c, top, "Address Length () - " + std::to_string(addressLength), l.AddressLength,
           l.AddressLengthSize);
  AddField(c, top, "Source Address () - " + AddressText(c, l, addressLength), l.Address,
           kAddressSlot);
  if (l.InterfaceIndex == 0) AddField(c, top, protocolLine, l.Protocol, 2);
  if (!c.has(0, l.Length)) return;  // the header is cut short
  if (protocol <= kMaxLength) {
    c.enter(l.Length);
    CallTree(c, nullptr, nullptr);
    return;
  }
  if (!c.beginNest()) return;
  EtherTypePayloadTree(c, protocol, l.Length);
  c.endNest();
}

}  // namespace

void CookedSummary(DecodeContext& c) { Summary(c, kV1); }
void CookedTree(DecodeContext& c, DetailNode*) { Tree(c, kV1); }
void Cooked2Summary(DecodeContext& c) { Summary(c, kV2); }
void Cooked2Tree(DecodeContext& c, DetailNode*) { Tree(c, kV2); }

}  // namespace kestle
