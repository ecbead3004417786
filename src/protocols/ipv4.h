#pragma once

namespace kestle {

class DecodeContext;
struct DetailNode;

// Summary: "/IPV4", fragments, the stations of the frame (unless
// Tunnelled), then the carried protocol's summary. Before handing the
// payload on it leaves the addresses in c.Ip.
void IPv4Summary(DecodeContext& c);
// The header branch and the carried protocol's. Quoted inside an ICMP error
// (c.Quoted) the branch reads "Original IPv4 Header ()"; the ICMP decoder
// calls it directly.
void IPv4Tree(DecodeContext& c, DetailNode* parent);

}  // namespace kestle
