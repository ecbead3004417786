#include "protocols/udp.h"

#include "decode/context.h"

namespace kestle {

void UDPSummary(DecodeContext&) {}
void UDPTree(DecodeContext&, DetailNode*) {}
void UDPQuotedTree(DecodeContext&, DetailNode*) {}

}  // namespace kestle
