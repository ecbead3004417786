// Dispatch by EtherType.
#include <unordered_map>

#include "decode/dispatch.h"
#include "decode/link.h"
#include "protocols/arp.h"
#include "protocols/ipv4.h"
#include "protocols/ipv6.h"

namespace kestle {

namespace {
struct Entry {
  uint16_t Type;
  DecoderUnit Unit;
};
constexpr Entry kEtherTypes[] = {
    {0x0800, {IPv4Summary, IPv4Tree}},
    {0x0806, {ArpSummary, ArpTree}},
    {0x86DD, {IPv6Summary, IPv6Tree}},
    {0x9000, {LoopbackSummary, DataTree}},
};
}  // namespace

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
