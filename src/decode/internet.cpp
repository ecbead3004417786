#include "decode/internet.h"

#include <string>

#include "decode/context.h"
#include "decode/fields.h"
#include "decode/text.h"

namespace kestle {

constexpr LookupTableRec IPProtocolNames[20] = {{0, "Hop-by-hop Options Header"},
                                                {1, "ICMP"},
                                                {2, "IGMP"},
                                                {3, "GGP"},
                                                {4, "IPv4"},
                                                {5, "ST"},
                                                {6, "TCP"},
                                                {17, "UDP"},
                                                {43, "Routing Header"},
                                                {46, "RSVP"},
                                                {47, "GRE"},
                                                {50, "ESP"},
                                                {51, "AH"},
                                                {58, "ICMPv6"},
                                                {59, "No Next Header"},
                                                {60, "Destination Options Header"},
                                                {88, "EIGRP"},
                                                {89, "OSPF"},
                                                {103, "PIM"},
                                                {112, "VRRP"}};

namespace {

constexpr LookupTableRec kDSCPNames[] = {{0, "Default"},
                                         {8, "Class Selector 1"},
                                         {16, "Class Selector 2"},
                                         {24, "Class Selector 3"},
                                         {32, "Class Selector 4"},
                                         {40, "Class Selector 5"},
                                         {48, "Class Selector 6"},
                                         {56, "Class Selector 7"},
                                         {10, "Assured Forwarding 11"},
                                         {12, "Assured Forwarding 12"},
                                         {14, "Assured Forwarding 13"},
                                         {18, "Assured Forwarding 21"},
                                         {20, "Assured Forwarding 22"},
                                         {22, "Assured Forwarding 23"},
                                         {26, "Assured Forwarding 31"},
                                         {28, "Assured Forwarding 32"},
                                         {30, "Assured Forwarding 33"},
                                         {34, "Assured Forwarding 41"},
                                         {36, "Assured Forwarding 42"},
                                         {38, "Assured Forwarding 43"},
                                         {46, "Expedited Forwarding"}};

}  // namespace

uint16_t InternetChecksum(const DecodeContext& c, size_t at, size_t n, size_t zeroAt) {
  auto byte = [&](size_t i) -> uint32_t {
    return zeroAt != SIZE_MAX && (i == zeroAt || i == zeroAt + 1) ? 0 : c.u8(at + i);
  };
  uint32_t sum = 0;
  for (size_t i = 0; i + 1 < n; i += 2) sum += byte(i) << 8 | byte(i + 1);
  if (n % 2) sum += byte(n - 1) << 8;
  while (sum >> 16) sum = (sum & 0xFFFF) + (sum >> 16);
  return static_cast<uint16_t>(~sum);
}

void AddDiffServNodes(DecodeContext& c, DetailNode* parent, uint8_t b, size_t at) {
  const std::string point =
      "0x" + Hex(b >> 2, 2) + " (" + std::string(LookupCode(b >> 2, kDSCPNames, "Unknown")) + ")";
  const std::string ecn = "0x" + Hex(b & 3, 2);
  DetailNode* field =
      AddField(c, parent, "Differentiated Services Field DSCP=" + point + " ECN=" + ecn, at, 1);
  AddField(c, field, "Differentiated Services Code Point - " + point, at, 1);
  AddField(c, field, "Explicit Congestion Notification () - " + ecn, at, 1);
}

}  // namespace kestle
