// Dispatch by EtherType.
#include <unordered_map>

#include "decode/dispatch.h"
#include "protocols/arp.h"
#include "protocols/ipv4.h"
#include "protocols/ipv6.h"
#include "protocols/named.h"

namespace kestle {

namespace {
// IPX (0x8137) and 802.1x (0x888E) are handed on by SNAP as well once they
// have decoders; 802.1q tags are unwrapped by the link layer itself.
constexpr EtherTypeEntry kEtherTypes[] = {
    // type   unit                      over SNAP
    {0x0800, {IPv4Summary, IPv4Tree}, true},
    {0x0806, {ARPSummary, ARPTree}, true},
    {0x86DD, {IPv6Summary, IPv6Tree}, false},
    {0x9000, {LoopbackSummary, nullptr}, false},
};
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

}  // namespace kestle
