// The link layer: Ethernet II, 802.3 (raw, LLC, SNAP), 802.1q, ISL.
// ARP lives in protocols/arp.
#pragma once

#include <cstdint>
#include <string_view>

namespace kestle {

class DecodeContext;
struct DetailNode;

// Summary pass: starts the Description, sets Cast, SrcMac/DstMac and the
// link protocols of the stack, and hands the payload on.
void EthernetSummary(DecodeContext& c);
void ISLSummary(DecodeContext& c);

// Detail tree: the link-layer branches, then the carried protocols.
void EthernetTree(DecodeContext& c);
void ISLTree(DecodeContext& c);

// The tree of a payload no decoder takes: a top-level "Data ()" item
// covering the rest of the layer.
void DataTree(DecodeContext& c, DetailNode* parent);

// Protocols the link layer names without decoding them: they append their
// label to the Description and extend the stack.
void SnaSummary(DecodeContext& c);
void CdpSummary(DecodeContext& c);
void CgmpSummary(DecodeContext& c);
void DtpSummary(DecodeContext& c);
void LoopbackSummary(DecodeContext& c);

// Names of EtherTypes and LLC service access points ("" when unknown).
std::string_view EtherTypeName(uint16_t type);
std::string_view SapName(uint8_t sap);

// How many 802.1q tags in a row the link layer unwraps (tags inside tags
// are common on provider networks).
constexpr int kMaxVlanTags = 8;

}  // namespace kestle
