// Loopback captures: a 4-byte address family in front of an IPv4 or IPv6
// datagram; in the writer's byte order (link type 0, BSD) or in network
// order (link type 108, OpenBSD).
#pragma once

namespace kestle {

class DecodeContext;
struct DetailNode;

void BSDLoopbackSummary(DecodeContext& c);
void BSDLoopbackTree(DecodeContext& c, DetailNode* parent);
void OpenBSDLoopbackSummary(DecodeContext& c);
void OpenBSDLoopbackTree(DecodeContext& c, DetailNode* parent);

}  // namespace kestle
