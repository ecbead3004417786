// Hex dump helpers shared by the dump view and the text export.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "decode/ebcdic.h"

namespace kestle {

// True when the dump's character column shows the byte as itself: its
// upper-case form is a blank, a capital letter, a digit or one of
// !@#$%^&*()_+|<>?}{/\-:;[]~,=
bool DumpPrintable(uint8_t b);
// The character the dump shows for a byte (ASCII mode).
char DumpChar(uint8_t b);
// The character the dump shows for a byte in ASCII or EBCDIC mode (EBCDIC:
// the byte through EbcdicToAscii, then the printable test).
char DumpChar(uint8_t b, bool ebcdic);
// One dump line of up to 16 bytes: "0xOOOO  HH HH ...  chars" without
// leading blanks; a short line is padded with three blanks per byte.
std::string DumpLine(uint32_t offset, std::span<const uint8_t> bytes, bool ebcdic = false);
// Every dump line of a frame (none for an empty frame).
std::vector<std::string> DumpLines(std::span<const uint8_t> frame, bool ebcdic = false);
// The lines joined by CR LF, without a line break after the last one.
std::string JoinDumpLines(const std::vector<std::string>& lines);

}  // namespace kestle
