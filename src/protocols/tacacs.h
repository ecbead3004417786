// TACACS, XTACACS and TACACS+ over TCP or UDP, told apart by the high
// nibble of the first byte (0, 8 and 0xC).
#pragma once

namespace kestle {

class DecodeContext;
struct DetailNode;

// "/TACACS/Login", "/XTACACS/Response", "/TACACS+/Authentication/Request";
// nothing for an empty payload or another first nibble.
void TACACSSummary(DecodeContext& c);
// The branch of the variant: "TACACS", "XTACACS" or "Tacacs+" (with the
// authentication body when it is not encrypted).
void TACACSTree(DecodeContext& c, DetailNode* parent);

}  // namespace kestle
