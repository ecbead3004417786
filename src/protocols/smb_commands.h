// The bodies of the SMB commands that are decoded: Echo, Logoff AndX, Tree
// Disconnect, Negotiate, Session Setup AndX, Tree Connect AndX, and the
// requests of NT Create AndX, Transaction and Transaction2.
#pragma once

#include <cstdint>

namespace kestle {

class DecodeContext;
struct DetailNode;

// What the header says of the message.
struct SmbMessage {
  uint8_t Command = 0;
  bool Request = true;   // Flags bit 0x80 clear
  bool Unicode = false;  // Flags2 bit 0x8000: strings are 16-bit units
};

// The body after the 32-byte header (the layer starts at its Word Count)
// under the SMB branch `root`; nothing for a command that is not decoded.
void SMBCommandTree(DecodeContext& c, DetailNode* root, const SmbMessage& m);

}  // namespace kestle
