// Hex dump helpers shared by the dump view and the text export.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace kestle {

// True when the dump's character column shows the byte as itself: its
// upper-case form is a blank, a capital letter, a digit or one of
// !@#$%^&*()_+|<>?}{/\-:;[]~,=
bool DumpPrintable(uint8_t b);
// The character the dump shows for a byte (ASCII mode).
char DumpChar(uint8_t b);
// One dump line of up to 16 bytes: "0xOOOO  HH HH ...  chars" without
// leading blanks; a short line is padded with three blanks per byte.
std::string DumpLine(uint32_t offset, std::span<const uint8_t> bytes);

}  // namespace kestle
