// The EBCDIC code page as far as the program shows it: the hex dump's
// EBCDIC view and the 3270 text of the Telnet decoder read bytes through
// the same table.
#pragma once

#include <array>
#include <cstdint>

namespace kestle {

// The character shown for an EBCDIC byte: the byte itself except for the
// 93 EBCDIC codes of letters, digits, the blank and punctuation.
extern const std::array<uint8_t, 256> EbcdicToAscii;

}  // namespace kestle
