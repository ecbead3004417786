// Dispatch by link type: the unit a frame starts with.
#include "decode/dispatch.h"
#include "protocols/link.h"

namespace kestle {

namespace {
constexpr LinkTypeEntry kLinkTypes[] = {
    {kLinkEthernet, {EthernetFrameSummary, EthernetFrameTree}},
};
}  // namespace

std::span<const LinkTypeEntry> LinkTypeTable() { return kLinkTypes; }

const DecoderUnit* LinkTypeUnit(uint32_t linkType) {
  for (const auto& e : kLinkTypes)
    if (e.LinkType == linkType) return &e.Unit;
  return nullptr;
}

}  // namespace kestle
