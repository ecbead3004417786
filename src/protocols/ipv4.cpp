#include "protocols/ipv4.h"

#include "decode/context.h"

namespace kestle {

void IPv4Summary(DecodeContext&) {}
void IPv4Tree(DecodeContext&, DetailNode*) {}
void IPv4QuotedTree(DecodeContext&, DetailNode*) {}

}  // namespace kestle
