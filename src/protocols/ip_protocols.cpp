// Dispatch by IP protocol number (IPv4 protocol, IPv6 next header).
#include <array>

#include "decode/dispatch.h"
#include "decode/link.h"
#include "protocols/icmp.h"
#include "protocols/ipv4.h"
#include "protocols/ipv6.h"
#include "protocols/tcp.h"
#include "protocols/udp.h"

namespace kestle {

namespace {
struct Entry {
  uint8_t Protocol;
  DecoderUnit Unit;
};
constexpr Entry kProtocols[] = {
    {1, {ICMPSummary, ICMPTree}},
    {4, {IPv4Summary, IPv4Tree}},
    {6, {TCPSummary, TCPTree}},
    {17, {UDPSummary, UDPTree}},
    {41, {IPv6Summary, IPv6Tree}},
    {46, {RSVPSummary, DataTree}},
    {58, {ICMPv6Summary, ICMPv6Tree}},
};
}  // namespace

const DecoderUnit* IpProtocolUnit(uint8_t protocol) {
  static const auto index = [] {
    std::array<const DecoderUnit*, 256> a{};
    for (const auto& e : kProtocols)
      if (!a[e.Protocol]) a[e.Protocol] = &e.Unit;
    return a;
  }();
  return index[protocol];
}

}  // namespace kestle
