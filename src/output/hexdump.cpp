#include "output/hexdump.h"

#include <algorithm>
#include <cstring>

#include "decode/addresses.h"
#include "decode/fields.h"
#include "decode/text.h"

namespace kestle {

bool DumpPrintable(uint8_t b) {
  static constexpr char kSet[] =
      " ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789!@#$%^&*()_+|<>?}{/\\-:;[]~,=";
  if (b >= 'a' && b <= 'z') b = static_cast<uint8_t>(b - 'a' + 'A');
  return b != 0 && std::memchr(kSet, b, sizeof kSet - 1) != nullptr;
}

char DumpChar(uint8_t b) { return DumpPrintable(b) ? static_cast<char>(b) : '.'; }

std::string DumpLine(uint32_t offset, std::span<const uint8_t> bytes, bool ebcdic) {
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
  for (uint8_t b : bytes.first(std::min<size_t>(bytes.size(), 16))) s += DumpChar(b, ebcdic);
  return s;
}

char DumpChar(uint8_t b, bool ebcdic) { return DumpChar(ebcdic ? EbcdicToAscii[b] : b); }

std::vector<std::string> DumpLines(std::span<const uint8_t> frame, bool ebcdic) {
  std::vector<std::string> lines;
  lines.reserve((frame.size() + 15) / 16);
  for (size_t off = 0; off < frame.size(); off += 16)
    lines.push_back(DumpLine(static_cast<uint32_t>(off),
                             frame.subspan(off, std::min<size_t>(16, frame.size() - off)), ebcdic));
  return lines;
}

std::string JoinDumpLines(const std::vector<std::string>& lines) {
  std::string out;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (i) out += "\r\n";
    out += lines[i];
  }
  return out;
}

}  // namespace kestle
