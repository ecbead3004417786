// The link layer of Ethernet frames: the Ethernet II and 802.3 headers and
// ISL. What follows the type or length field (802.1q tags, LLC, SNAP, the
// carried protocol) is shared with the other link units that carry an
// EtherType: EtherTypePayloadSummary and Dot3PayloadSummary (decode/dispatch.h).
#pragma once

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

}  // namespace kestle
