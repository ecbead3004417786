#pragma once

namespace kestle {

class DecodeContext;
struct DetailNode;

// "/IPV6", the stations, then the next header's summary over IPv6 after the
// extension headers.
void IPv6Summary(DecodeContext& c);
// The header branch, the extension headers and the upper layer's tree.
// Quoted inside an ICMPv6 error (c.Quoted) the branch reads "Original ...";
// the ICMPv6 decoder calls it directly.
void IPv6Tree(DecodeContext& c, DetailNode* parent);

}  // namespace kestle
