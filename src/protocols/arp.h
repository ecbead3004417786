// ARP: the request/reply text of the Description, the stations it names,
// and its branch of the detail tree.
#pragma once

namespace kestle {

class DecodeContext;
struct DetailNode;

// "/ARP Request - Who is A" or "/ARP Reply - I am A"; an IPv4 request
// registers the sender's station, a reply both stations. A packet shorter
// than 28 bytes gives "/ARP" only.
void ARPSummary(DecodeContext& c);
// The ARP branch under `parent` (nullptr = top level): the fields present.
void ARPTree(DecodeContext& c, DetailNode* parent);

}  // namespace kestle
