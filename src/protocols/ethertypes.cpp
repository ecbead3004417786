// Dispatch by EtherType, and what follows an EtherType field: 802.1q tags,
// 802.3 (llc_dispatch.cpp) or the EtherType's unit.
#include <string>
#include <unordered_map>

#include "decode/context.h"
#include "decode/dispatch.h"
#include "decode/fields.h"
#include "decode/lookup.h"
#include "decode/protocol_ids.h"
#include "decode/text.h"
#include "protocols/arp.h"
#include "protocols/ipv4.h"
#include "protocols/ipv6.h"
#include "protocols/named.h"

namespace kestle {

namespace {
// IPX (0x8137) and 802.1x (0x888E) are handed on by SNAP as well once they
// have decoders; 802.1q tags are unwrapped by EtherTypePayloadSummary below.
constexpr EtherTypeEntry kEtherTypes[] = {
    // type   unit                      over SNAP
    {0x0800, {IPv4Summary, IPv4Tree}, true},
    {0x0806, {ARPSummary, ARPTree}, true},
    {0x86DD, {IPv6Summary, IPv6Tree}, false},
    {0x9000, {LoopbackSummary, nullptr}, false},
};

// Names of EtherTypes, decoded or not (the Ethernet header's Protocol line,
// the Description of a type nothing decodes).
constexpr LookupTableRec kEtherTypeNames[] = {
    {0x0800, "IPv4"},     {0x86DD, "IPv6"},     {0x0806, "ARP"},     {0x880B, "PPP"},
    {0x6002, "DEC-MOP"},  {0x8847, "MPLS"},     {0x6004, "DEC-LAT"}, {0x8848, "MPLS"},
    {0x8021, "PPP/IPCP"}, {0x8863, "PPPoE"},    {0x8100, "802.1q"},  {0x8864, "PPPoE"},
    {0x8137, "IPX"},      {0x888E, "802.1x"},   {0x8207, "CDP"},     {0x88CC, "LLDP"},
    {0x80FD, "PPP/CCP"},  {0x9000, "Loopback"}, {0xC021, "PPP/LCP"}, {0xC023, "PPP/PAP"},
};

constexpr uint16_t kVlanType = 0x8100;
constexpr uint16_t kMax8023Length = 1500;
constexpr uint16_t kIPv4Type = 0x0800;
constexpr uint16_t kIPv6Type = 0x86DD;

}  // namespace

std::span<const EtherTypeEntry> EtherTypeTable() { return kEtherTypes; }

const DecoderUnit* EtherTypeUnit(uint16_t type) {
  static const auto index = [] {
    std::unordered_map<uint16_t, const DecoderUnit*> m;
    for (const auto& e : kEtherTypes) m.emplace(e.Type, &e.Unit);
    return m;
  }();
  auto it = index.find(type);
  return it == index.end() ? nullptr : it->second;
}

const DecoderUnit* IpVersionUnit(unsigned version) {
  return version == 4   ? EtherTypeUnit(kIPv4Type)
         : version == 6 ? EtherTypeUnit(kIPv6Type)
                        : nullptr;
}

// ---- what follows an EtherType field

std::string EtherTypeLine(const char* lengthLabel, const char* typeLabel, uint16_t t) {
  if (t <= kMax8023Length) return lengthLabel + std::to_string(t);
  const std::string_view name = EtherTypeName(t);
  return typeLabel + Hex(t, 4) + " " + std::string(name.empty() ? "Unknown" : name);
}

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
    AddField(c, vlan, EtherTypeLine("Length () - ", "Embedded Protocol () - 0x", t), tci + 2, 2);
    at += 4;
  }

  if (t <= kMax8023Length) {
    Dot3PayloadTree(c, at, t);
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
    Dot3PayloadSummary(c, at, t);
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

}  // namespace kestle
