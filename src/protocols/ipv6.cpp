#include "protocols/ipv6.h"

#include "decode/context.h"

namespace kestle {

void IPv6Summary(DecodeContext&) {}
void IPv6Tree(DecodeContext&, DetailNode*) {}
void IPv6QuotedTree(DecodeContext&, DetailNode*) {}

}  // namespace kestle
