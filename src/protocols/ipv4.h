#pragma once

namespace kestle {

class DecodeContext;
struct DetailNode;

void IPv4Summary(DecodeContext& c);
void IPv4Tree(DecodeContext& c, DetailNode* parent);
// A datagram quoted inside an ICMP error: its header and ports, shown under
// the ICMP branch; no stations or ports are recorded.
void IPv4QuotedTree(DecodeContext& c, DetailNode* parent);

}  // namespace kestle
