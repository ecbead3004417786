// NTP over UDP: "/NTP" in the Description, the 48-byte header in the
// detail tree.
#pragma once

#include <cstdint>
#include <string>

namespace kestle {

class DecodeContext;
struct DetailNode;
struct LocaleInfo;

void NTPSummary(DecodeContext& c);
// "Network Time Protocol (NTP)" with the header's fields; nothing for a
// message shorter than the header.
void NTPTree(DecodeContext& c, DetailNode* parent);
// "Sunday, March 14, 2021 09:20:04.877" for a timestamp (seconds since
// 1900, or since 2036 when the top bit is clear, and a 32-bit fraction);
// "n/a" when both are 0.
std::string NTPTimestamp(const LocaleInfo& locale, uint32_t seconds, uint32_t fraction);

}  // namespace kestle
