// The link layer of Ethernet frames: Ethernet II, 802.3 (raw, LLC, SNAP),
// 802.1q and ISL. ARP lives in protocols/arp.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace kestle {

class DecodeContext;
struct DetailNode;

// The unit of link type Ethernet: an ISL frame (destination 01-00-0C-00-00)
// or an Ethernet frame. Both builders decide it with IsISLFrame.
void EthernetFrameSummary(DecodeContext& c);
void EthernetFrameTree(DecodeContext& c, DetailNode* parent);
bool IsISLFrame(const DecodeContext& c);

// Summary pass: starts the Description, sets Cast, SrcMac/DstMac and the
// link protocols of the stack, and hands the payload on.
void EthernetSummary(DecodeContext& c);
void ISLSummary(DecodeContext& c);

// Detail tree: the link-layer branches, then the carried protocols.
void EthernetTree(DecodeContext& c);
void ISLTree(DecodeContext& c);

// What an EtherType above 1500 names, its payload at `at` of the current
// layer: 802.1q tags, then 802.3 or the EtherType's unit. Ethernet and the
// link units that carry an EtherType share it, so the same protocols decode
// behind them. The tree adds its lines at the top.
void EtherTypePayloadSummary(DecodeContext& c, uint16_t type, size_t at);
void EtherTypePayloadTree(DecodeContext& c, uint16_t type, size_t at);

// Names of EtherTypes and LLC service access points ("" when unknown).
std::string_view EtherTypeName(uint16_t type);
std::string_view SapName(uint8_t sap);

// How many 802.1q tags in a row the link layer unwraps (tags inside tags
// are common on provider networks); the summary and the tree stop at the
// same tag.
constexpr int kMaxVlanTags = 8;

}  // namespace kestle
