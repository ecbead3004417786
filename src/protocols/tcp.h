#pragma once

namespace kestle {

class DecodeContext;
struct DetailNode;

void TCPSummary(DecodeContext& c);
void TCPTree(DecodeContext& c, DetailNode* parent);
// A datagram quoted inside an ICMP error: its header and ports, shown under
// the ICMP branch; no stations or ports are recorded.
void TCPQuotedTree(DecodeContext& c, DetailNode* parent);

}  // namespace kestle
