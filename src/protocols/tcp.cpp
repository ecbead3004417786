#include "protocols/tcp.h"

#include "decode/context.h"

namespace kestle {

void TCPSummary(DecodeContext&) {}
void TCPTree(DecodeContext&, DetailNode*) {}
void TCPQuotedTree(DecodeContext&, DetailNode*) {}

}  // namespace kestle
