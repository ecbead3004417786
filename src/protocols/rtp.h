// RTP over UDP: "/RTP" in the Description, the fixed header, the
// contributing sources and the payload in hex in the detail tree.
#pragma once

namespace kestle {

class DecodeContext;
struct DetailNode;

void RTPSummary(DecodeContext& c);
// "Realtime Transport Protocol (RTP)"; for a packet that is not version 2,
// the version line only.
void RTPTree(DecodeContext& c, DetailNode* parent);

}  // namespace kestle
