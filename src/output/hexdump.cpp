#include "output/hexdump.h"

#include <algorithm>
#include <cstring>

#include "decode/utils.h"

namespace kestle {

bool DumpPrintable(uint8_t b) {
  static constexpr char kSet[] = " ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789!@#$%^&*()_+|<>?}{/\\-:;[]~,=";
  if (b >= 'a' && b <= 'z') b = static_cast<uint8_t>(b - 'a' + 'A');
  return b != 0 && std::memchr(kSet, b, sizeof kSet - 1) != nullptr;
}

char DumpChar(uint8_t b) {
  return DumpPrintable(b) ? static_cast<char>(b) : '.';
}

std::string DumpLine(uint32_t offset, std::span<const uint8_t> bytes) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string s = "0x" + Hex(offset, 4) + "  ";
  for (size_t i = 0; i < 16; ++i) {
    if (i < bytes.size()) {
      s += kHex[bytes[i] >> 4];
      s += kHex[bytes[i] & 15];
      s += ' ';
    } else {
      s += "   ";
    }
  }
  s += "  ";
  for (uint8_t b : bytes.first(std::min<size_t>(bytes.size(), 16))) s += DumpChar(b);
  return s;
}

}  // namespace kestle
