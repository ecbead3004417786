#pragma once

namespace kestle {

class DecodeContext;
struct DetailNode;

void ICMPSummary(DecodeContext& c);
void ICMPTree(DecodeContext& c, DetailNode* parent);
void ICMPv6Summary(DecodeContext& c);
void ICMPv6Tree(DecodeContext& c, DetailNode* parent);

}  // namespace kestle
