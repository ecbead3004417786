// Dispatch by link type: the unit a frame starts with.
#include "decode/dispatch.h"
#include "protocols/cooked.h"
#include "protocols/link.h"
#include "protocols/loopback.h"
#include "protocols/raw_ip.h"

namespace kestle {

namespace {
// Frames shorter than an Ethernet header are not decoded in the summary
// pass; the other link units decode what there is.
constexpr LinkTypeEntry kLinkTypes[] = {
    {kLinkNull, {BSDLoopbackSummary, BSDLoopbackTree}, "BSD loopback", 1},
    {kLinkEthernet, {EthernetFrameSummary, EthernetFrameTree}, "Ethernet", 14},
    {kLinkRawBsd, {RawIPSummary, RawIPTree}, "Raw IP", 1},
    {kLinkRawBsd2, {RawIPSummary, RawIPTree}, "Raw IP", 1},
    {kLinkRaw, {RawIPSummary, RawIPTree}, "Raw IP", 1},
    {kLinkLoop, {OpenBSDLoopbackSummary, OpenBSDLoopbackTree}, "OpenBSD loopback", 1},
    {kLinkLinuxSll, {CookedSummary, CookedTree}, "Linux cooked v1", 1},
    {kLinkIPv4, {RawIPv4Summary, RawIPv4Tree}, "Raw IPv4", 1},
    {kLinkIPv6, {RawIPv6Summary, RawIPv6Tree}, "Raw IPv6", 1},
    {kLinkLinuxSll2, {Cooked2Summary, Cooked2Tree}, "Linux cooked v2", 1},
};
}  // namespace

std::span<const LinkTypeEntry> LinkTypeTable() { return kLinkTypes; }

const LinkTypeEntry* LinkTypeOf(uint16_t linkType) {
  for (const auto& e : kLinkTypes)
    if (e.LinkType == linkType) return &e;
  return nullptr;
}

const DecoderUnit* LinkTypeUnit(uint16_t linkType) {
  const LinkTypeEntry* e = LinkTypeOf(linkType);
  return e ? &e->Unit : nullptr;
}

bool DecodesLinkType(uint16_t linkType) { return LinkTypeOf(linkType) != nullptr; }

}  // namespace kestle
