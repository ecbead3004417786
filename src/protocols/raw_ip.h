// Raw IP captures (link types 101, 12 and 14: IPv4 or IPv6 by the version
// nibble; 228: IPv4 only; 229: IPv6 only): the frame is the IP datagram.
#pragma once

namespace kestle {

class DecodeContext;
struct DetailNode;

void RawIPSummary(DecodeContext& c);
void RawIPTree(DecodeContext& c, DetailNode* parent);
void RawIPv4Summary(DecodeContext& c);
void RawIPv4Tree(DecodeContext& c, DetailNode* parent);
void RawIPv6Summary(DecodeContext& c);
void RawIPv6Tree(DecodeContext& c, DetailNode* parent);

}  // namespace kestle
