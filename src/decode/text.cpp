#include "decode/text.h"

#include <cstdio>

#include "decode/context.h"

namespace kestle {

std::string Hex(uint64_t value, int width) {
  char buf[24];
  std::snprintf(buf, sizeof buf, "%0*llX", width, static_cast<unsigned long long>(value));
  return buf;
}

std::string HexBytes(std::string_view bytes, size_t limit) {
  if (bytes.empty()) return {};
  static const char kHex[] = "0123456789ABCDEF";
  std::string s = "0x";
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (limit != 0 && i == limit + 1) {
      s += "...";
      break;
    }
    const auto b = static_cast<uint8_t>(bytes[i]);
    s += kHex[b >> 4];
    s += kHex[b & 15];
  }
  return s;
}

std::string FormatHexBytes(const DecodeContext& c, size_t start, size_t count, size_t limit) {
  if (count == 0 || start == 0) return {};
  std::string_view b = c.bytes(start - 1, count);
  return HexBytes(b, limit);
}

std::string FormatBits(uint32_t value, int digits) {
  std::string s;
  for (int i = digits - 1; i >= 0; --i) s += (i < 16 && ((value >> i) & 1)) ? '1' : '0';
  return s;
}

std::string FormatDuration(uint32_t secs) {
  const uint32_t parts[4] = {secs / 86400, secs / 3600 % 24, secs / 60 % 60, secs % 60};
  static const char* const kOne[4] = {"1 day ", "1 hour ", "1 minute ", "1 second "};
  static const char* const kMany[4] = {" days ", " hours ", " minutes ", " seconds "};
  std::string s;
  for (int i = 0; i < 4; ++i) {
    if (parts[i] == 0) continue;
    s += parts[i] == 1 ? kOne[i] : std::to_string(parts[i]) + kMany[i];
  }
  return s;
}

std::string PadLeft(std::string_view text, size_t width) {
  if (text.size() >= width) return std::string(text);
  return std::string(width - text.size(), ' ') + std::string(text);
}

std::string FormatThousands(uint64_t n, std::string_view sep) {
  std::string digits = std::to_string(n);
  std::string s;
  const size_t len = digits.size();
  for (size_t i = 0; i < len; ++i) {
    s += digits[i];
    const size_t left = len - 1 - i;
    if (left > 0 && left % 3 == 0) s += sep;
  }
  return s;
}

double UnixToDateTime(uint32_t seconds, int biasMinutes) {
  return static_cast<double>(seconds / 86400) + 25569.0 + (seconds % 86400) / 86400.0 -
         biasMinutes / 1440.0;
}

int GetTimeZoneBias(std::time_t at) {
  struct tm local {};
  if (!localtime_r(&at, &local)) return 0;
  return static_cast<int>(-local.tm_gmtoff / 60);
}

std::string SafeText(std::string_view bytes) {
  std::string s(bytes);
  for (char& ch : s) {
    const auto b = static_cast<unsigned char>(ch);
    if (b < 0x20 || b > 0x7E) ch = '.';
  }
  return s;
}

}  // namespace kestle
