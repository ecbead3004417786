// ISAKMP/IKE over UDP: the header, the chain of payloads it announces, the
// proposals and transforms nested in a Security Association with their
// attributes, and the vendor IDs known by name.
#pragma once

namespace kestle {

class DecodeContext;
struct DetailNode;

// "/ISAKMP Identity Protection": the exchange type.
void ISAKMPSummary(DecodeContext& c);
// "Internet Security Association and Key Management Protocol (ISAKMP)".
void ISAKMPTree(DecodeContext& c, DetailNode* parent);

}  // namespace kestle
