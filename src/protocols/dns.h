// DNS over UDP and over TCP (decoder code 3): the query or response of the
// Description with its first name or answer, and the branch of the detail
// tree with every section. Over TCP (c.Carrier) a message starts with its
// 2-byte length.
#pragma once

namespace kestle {

class DecodeContext;
struct DetailNode;

// "/DNS/Query NAME", "/DNS/Response DATA" (" Dynamic Update" after the
// word for opcode 5); a message shorter than its header gives "/DNS" and
// at most the word.
void DNSSummary(DecodeContext& c);
// "Domain Name System (DNS)" under `parent` with the header lines and the
// sections; nothing for a message shorter than its 12-byte header.
void DNSTree(DecodeContext& c, DetailNode* parent);

}  // namespace kestle
