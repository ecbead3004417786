// The link layer: Ethernet II, 802.3 (raw, LLC, SNAP), 802.1q, ISL, ARP.
#pragma once

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

}  // namespace kestle
