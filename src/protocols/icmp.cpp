#include "protocols/icmp.h"

#include "decode/context.h"

namespace kestle {

void ICMPSummary(DecodeContext&) {}
void ICMPTree(DecodeContext&, DetailNode*) {}
void ICMPv6Summary(DecodeContext&) {}
void ICMPv6Tree(DecodeContext&, DetailNode*) {}

}  // namespace kestle
