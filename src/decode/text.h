// Number, byte, bit and time texts of the decoders and the views.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

namespace kestle {

class DecodeContext;

// Hex digits in upper case, zero-padded to `width`.
std::string Hex(uint64_t value, int width);
// "0x" and the bytes; with a limit, at most limit + 1 bytes and then "...".
std::string HexBytes(std::string_view bytes, size_t limit = 0);
// "0x" and the bytes from 1-based position `start` of the current layer;
// with a limit, at most limit + 1 bytes and then "...". Bytes past the
// layer are not shown.
std::string FormatHexBytes(const DecodeContext& c, size_t start, size_t count, size_t limit);
std::string FormatBits(uint32_t value, int digits);
std::string FormatDuration(uint32_t seconds);
std::string PadLeft(std::string_view text, size_t width);
std::string FormatThousands(uint64_t n, std::string_view sep = ",");
// Days since 1899-12-30 with the time of day as fraction.
double UnixToDateTime(uint32_t seconds, int biasMinutes);
// Minutes to add to local time to get UTC, at the given instant.
int GetTimeZoneBias(std::time_t at);
// A byte string made safe for display: printable ASCII kept, others ".".
std::string SafeText(std::string_view bytes);

}  // namespace kestle
