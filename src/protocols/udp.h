#pragma once

namespace kestle {

class DecodeContext;
struct DetailNode;

void UDPSummary(DecodeContext& c);
void UDPTree(DecodeContext& c, DetailNode* parent);
// A datagram quoted inside an ICMP error: its header and ports, shown under
// the ICMP branch; no stations or ports are recorded.
void UDPQuotedTree(DecodeContext& c, DetailNode* parent);

}  // namespace kestle
