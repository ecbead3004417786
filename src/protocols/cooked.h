// Linux cooked captures (link types 113 and 276): the header a capture on
// every interface at once writes in front of each frame, then what its
// protocol (an EtherType) names, as behind Ethernet.
#pragma once

namespace kestle {

class DecodeContext;
struct DetailNode;

void CookedSummary(DecodeContext& c);
void CookedTree(DecodeContext& c, DetailNode* parent);
void Cooked2Summary(DecodeContext& c);
void Cooked2Tree(DecodeContext& c, DetailNode* parent);

}  // namespace kestle
