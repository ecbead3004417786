// Dispatch by IP protocol number (IPv4 protocol, IPv6 next header). IPv4
// and IPv6 each name what they hand on: a protocol without builders in a
// column is not handed on by that version (no summary, "Data ()" in the
// tree). The IPv6 extension headers are walked by the IPv6 unit itself.
#include <array>

#include "decode/dispatch.h"
#include "protocols/icmp.h"
#include "protocols/named.h"
#include "protocols/tcp.h"
#include "protocols/udp.h"

namespace kestle {

namespace {
// IPv4 also hands on IGMP (2), GRE (47), ESP (50), AH (51), EIGRP (88),
// OSPF (89), PIM (103) and VRRP (112), which have no decoders yet.
constexpr IpProtocolEntry kProtocols[] = {
    // protocol  over IPv4                      over IPv6
    {1, {ICMPSummary, ICMPTree}, {ICMPOverIPv6Summary, ICMPTree}},
    {2, {}, {IGMPOverIPv6Summary, nullptr}},
    {6, {TCPSummary, TCPTree}, {TCPSummary, TCPTree}},
    {17, {UDPSummary, UDPTree}, {UDPSummary, UDPTree}},
    {46, {RSVPSummary, nullptr}, {RSVPOverIPv6Summary, nullptr}},
    {47, {}, {GREOverIPv6Summary, nullptr}},
    {50, {}, {ESPOverIPv6Summary, nullptr}},
    {58, {}, {ICMPv6Summary, ICMPv6Tree}},
    {88, {}, {EIGRPOverIPv6Summary, nullptr}},
    {89, {}, {OSPFOverIPv6Summary, nullptr}},
    {103, {}, {PIMOverIPv6Summary, nullptr}},
};

bool HandsOn(const DecoderUnit& u) { return u.Summary || u.Tree; }
}  // namespace

std::span<const IpProtocolEntry> IpProtocolTable() { return kProtocols; }

const DecoderUnit* IpProtocolUnit(uint8_t protocol, IpVersion carrier) {
  static const auto index = [] {
    std::array<std::array<const DecoderUnit*, 256>, 2> a{};
    for (const auto& e : kProtocols) {
      if (HandsOn(e.OverIPv4) && !a[0][e.Protocol]) a[0][e.Protocol] = &e.OverIPv4;
      if (HandsOn(e.OverIPv6) && !a[1][e.Protocol]) a[1][e.Protocol] = &e.OverIPv6;
    }
    return a;
  }();
  return index[carrier == IpVersion::V4 ? 0 : 1][protocol];
}

}  // namespace kestle
