#pragma once

namespace kestle {

class DecodeContext;
struct DetailNode;

// ICMP: "/ICMP" and the type's name over IPv4; over IPv6 only the type's
// name. Error messages quote the datagram they answer (c.Quoted while it is
// decoded), under the ICMP branch.
void ICMPSummary(DecodeContext& c);
void ICMPOverIPv6Summary(DecodeContext& c);
void ICMPTree(DecodeContext& c, DetailNode* parent);
void ICMPv6Summary(DecodeContext& c);
void ICMPv6Tree(DecodeContext& c, DetailNode* parent);

}  // namespace kestle
