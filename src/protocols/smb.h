// SMB messages, handed on by the NetBIOS services through the signature
// table when their data starts with 0xFF "SMB": the command in the Description, the header's branch
// and the bodies of the commands decoded (protocols/smb_commands).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace kestle {

class DecodeContext;
struct DetailNode;

// "/SMB" and, for a command with a name, "/" + the name written as
// "SmbSessionSetupAndx".
void SMBSummary(DecodeContext& c);
// "Server Message Block Protocol(SMB)" under `parent`: the 32-byte header,
// then the command's body.
void SMBTree(DecodeContext& c, DetailNode* parent);

// "SMB_COM_NEGOTIATE"; "" for a command without a name.
std::string_view SMBCommandName(uint8_t command);

}  // namespace kestle
