#pragma once

namespace kestle {

class DecodeContext;
struct DetailNode;

void IPv6Summary(DecodeContext& c);
void IPv6Tree(DecodeContext& c, DetailNode* parent);
// A datagram quoted inside an ICMP error: its header and ports, shown under
// the ICMP branch; no stations or ports are recorded.
void IPv6QuotedTree(DecodeContext& c, DetailNode* parent);

}  // namespace kestle
