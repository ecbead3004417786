#include "protocols/ntp.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <ctime>

#include "decode/config/environment.h"
#include "decode/context.h"
#include "decode/fields.h"
#include "decode/lookup.h"
#include "decode/protocol_ids.h"
#include "decode/text.h"

namespace kestle {

namespace {

constexpr size_t kHeader = 48;
// Seconds from 1900-01-01 to 1970-01-01.
constexpr int64_t kNtpToUnix = 2208988800;

constexpr LookupTableRec kModes[] = {{0, "Reserved"},
                                     {1, "Symmetric active"},
                                     {2, "Symmetric passive"},
                                     {3, "Client"},
                                     {4, "Server"},
                                     {5, "Broadcast"},
                                     {6, "Reserved for NTP control message"},
                                     {7, "Reserved for private use"}};

constexpr LookupTableRec kLeapIndicators[] = {{0, "No warning"},
                                              {1, "last minute has 61 seconds"},
                                              {2, "last minute has 59 seconds"},
                                              {3, "alarm condition"}};

const char* StratumText(uint8_t stratum) {
  if (stratum == 0) return "unspecified or unavailable";
  if (stratum == 1) return "primary reference (e.g., radio clock)";
  if (stratum <= 15) return "secondary reference (via NTP or SNTP)";
  return "reserved";
}

// A 16.16 fixed-point value with two decimals.
std::string FixedPoint(const LocaleInfo& locale, uint32_t v) {
  const double value = (v >> 16) + (v & 0xFFFF) / 65536.0;
  char buf[32];
  const auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, 2);
  std::string text(buf, r.ptr);
  if (const size_t p = text.find('.'); p != std::string::npos)
    text.replace(p, 1, locale.DecimalSep);
  return text;
}

std::string PollText(uint8_t poll) {
  if (poll >= 4 && poll <= 14) return "(" + std::to_string(1u << poll) + " Seconds)";
  return " (Out of range)";
}

}  // namespace

std::string NTPTimestamp(const LocaleInfo& locale, uint32_t seconds, uint32_t fraction) {
  if (seconds == 0 && fraction == 0) return "n/a";
  // Seconds with the top bit clear count from 2036-02-07 06:28:16, where
  // the 32-bit seconds of 1900 run out (RFC 4330).
  const int64_t since1900 = int64_t{seconds} + ((seconds & 0x80000000u) ? 0 : int64_t{1} << 32);
  // Milliseconds, rounded; the fraction counts in 1/4294967295 seconds.
  const int64_t ms = since1900 * 1000 + std::llround(fraction * 1000.0 / 4294967295.0);
  const std::time_t t = static_cast<std::time_t>(ms / 1000 - kNtpToUnix);
  struct tm tm {};
  if (!gmtime_r(&t, &tm)) return {};
  char buf[128];
  std::snprintf(buf, sizeof buf, "%s, %s %d, %04d %02d:%02d:%02d.%03d",
                locale.LongDayNames[tm.tm_wday % 7].c_str(),
                locale.LongMonthNames[tm.tm_mon % 12].c_str(), tm.tm_mday, tm.tm_year + 1900,
                tm.tm_hour, tm.tm_min, tm.tm_sec, static_cast<int>(ms % 1000));
  return buf;
}

void NTPSummary(DecodeContext& c) {
  c.AddDesc("/NTP");
  c.SetProtocol(ProtoNTP);
}

void NTPTree(DecodeContext& c, DetailNode* parent) {
  if (!c.has(0, kHeader)) return;
  const LocaleInfo& locale = c.Env.Locale;
  DetailNode* root = AddBranch(c, parent, "Network Time Protocol (NTP)", 0, kHeader);
  const uint8_t first = c.u8(0), leap = first >> 6, mode = first & 7;
  AddField(c, root,
           "Leap Indicator (2 bits) - " + std::to_string(leap) + " " +
               std::string(LookupCode(leap, kLeapIndicators, "")),
           0, 1);
  AddField(c, root, "Version (3 bits) - " + std::to_string((first >> 3) & 7), 0, 1);
  AddField(c, root,
           "Mode (3 bits) - " + std::to_string(mode) + " " +
               std::string(LookupCode(mode, kModes, "Unknown")),
           0, 1);
  const uint8_t stratum = c.u8(1), poll = c.u8(2);
  AddField(c, root, "Stratum () - " + std::to_string(stratum) + " " + StratumText(stratum), 1, 1);
  AddField(c, root, "Poll Interval () - " + std::to_string(poll) + " " + PollText(poll), 2, 1);
  AddField(c, root, "Precision () - " + std::to_string(static_cast<int8_t>(c.u8(3))), 3, 1);
  AddField(c, root, "Root Delay () - " + FixedPoint(locale, c.be32(4)), 4, 4);
  AddField(c, root, "Root Dispersion () - " + FixedPoint(locale, c.be32(8)), 8, 4);
  AddField(c, root, "Reference ID () - 0x" + Hex(c.be32(12), 8), 12, 4);
  static constexpr const char* kStamps[] = {"Reference Timestamp () - ",
                                            "Originate Timestamp () - ", "Receive Timestamp () - ",
                                            "Transit Timestamp () - "};
  for (size_t i = 0; i < 4; ++i) {
    const size_t at = 16 + 8 * i;
    AddField(c, root, kStamps[i] + NTPTimestamp(locale, c.be32(at), c.be32(at + 4)), at, 8);
  }
}

}  // namespace kestle
