#pragma once

namespace kestle {

class DecodeContext;
struct DetailNode;

// "/UDP", the ports, then the payload's summary (its decoder, or its port's
// description).
void UDPSummary(DecodeContext& c);
// The UDP header branch and the payload's tree. Quoted inside an ICMP error
// (c.Quoted) it reads "Original UDP Header ()".
void UDPTree(DecodeContext& c, DetailNode* parent);

}  // namespace kestle
