#include "protocols/ntp.h"

#include <gtest/gtest.h>

#include "decode/config/environment.h"
#include "decode/protocol_ids.h"
#include "protocols/service_fixture.h"

namespace kestle::test {
namespace {

using NTP = ServiceFixture;

// 2021-03-14 09:20:04 in seconds since 1900.
constexpr uint32_t kMarch2021 = 3824702404u;

Bytes Header(uint8_t first, uint8_t stratum, uint8_t poll, uint8_t precision,
             uint32_t transmit = kMarch2021, uint32_t fraction = 0x80000000u) {
  return FrameBuilder()
      .u8(first)
      .u8(stratum)
      .u8(poll)
      .u8(precision)
      .be32(0x00018000)
      .be32(0x0000FFFF)
      .be32(0xCB007101)
      .zeros(24)
      .be32(transmit)
      .be32(fraction);
}

TEST_F(NTP, SummaryWhateverTheLength) {
  EXPECT_EQ(Summary(NTPSummary, Header(0x23, 2, 6, 0xEC)), "/NTP");
  EXPECT_TRUE(StackHas(ProtoNTP));
  EXPECT_EQ(Summary(NTPSummary, Bytes(40, 0)), "/NTP");
  EXPECT_EQ(Summary(NTPSummary, {}), "/NTP");
}

TEST_F(NTP, ClientRequestTree) {
  const auto lines = Lines(NTPTree, Header(0x23, 2, 6, 0xEC));
  const std::vector<std::string> want = {
      "0+48 Network Time Protocol (NTP)",
      "  0+1 Leap Indicator (2 bits) - 0 No warning",
      "  0+1 Version (3 bits) - 4",
      "  0+1 Mode (3 bits) - 3 Client",
      "  1+1 Stratum (1 byte) - 2 secondary reference (via NTP or SNTP)",
      "  2+1 Poll Interval (1 byte) - 6 (64 Seconds)",
      "  3+1 Precision (1 byte) - -20",
      "  4+4 Root Delay (4 bytes) - 1.50",
      "  8+4 Root Dispersion (4 bytes) - 1.00",
      "  12+4 Reference ID (4 bytes) - 0xCB007101",
      "  16+8 Reference Timestamp (8 bytes) - n/a",
      "  24+8 Originate Timestamp (8 bytes) - n/a",
      "  32+8 Receive Timestamp (8 bytes) - n/a",
      "  40+8 Transit Timestamp (8 bytes) - Sunday, March 14, 2021 09:20:04.500",
  };
  EXPECT_EQ(lines, want);
}

TEST_F(NTP, FieldTexts) {
  struct Case {
    Bytes header;
    std::string prefix, line;
  } cases[] = {
      {Header(0x1C, 1, 4, 0), "Stratum",
       "Stratum (1 byte) - 1 primary reference (e.g., radio clock)"},
      {Header(0x1C, 0, 4, 0), "Stratum", "Stratum (1 byte) - 0 unspecified or unavailable"},
      {Header(0x1C, 16, 4, 0), "Stratum", "Stratum (1 byte) - 16 reserved"},
      {Header(0x1C, 15, 14, 0), "Poll", "Poll Interval (1 byte) - 14 (16384 Seconds)"},
      {Header(0x1C, 2, 17, 0), "Poll", "Poll Interval (1 byte) - 17  (Out of range)"},
      {Header(0x1C, 2, 3, 0), "Poll", "Poll Interval (1 byte) - 3  (Out of range)"},
      {Header(0xDD, 2, 6, 0x7F), "Leap", "Leap Indicator (2 bits) - 3 alarm condition"},
      {Header(0xDD, 2, 6, 0x7F), "Mode", "Mode (3 bits) - 5 Broadcast"},
      {Header(0xDD, 2, 6, 0x7F), "Precision", "Precision (1 byte) - 127"},
      {Header(0x27, 2, 6, 0), "Mode", "Mode (3 bits) - 7 Reserved for private use"},
  };
  for (const auto& k : cases) {
    Lines(NTPTree, k.header);
    EXPECT_EQ(Text(k.prefix), k.line);
  }
}

TEST(NTPTimestamps, Texts) {
  const LocaleInfo locale;
  struct Case {
    uint32_t seconds, fraction;
    std::string text;
  } cases[] = {
      {0, 0, "n/a"},
      {0, 1, "Thursday, February 7, 2036 06:28:16.000"},  // top bit clear: from 2036
      {kMarch2021, 0, "Sunday, March 14, 2021 09:20:04.000"},
      {kMarch2021, 0xFFFFFFFFu, "Sunday, March 14, 2021 09:20:05.000"},  // rounds up
      {kMarch2021, 0x20000000u, "Sunday, March 14, 2021 09:20:04.125"},
      {0x80000000u, 0, "Saturday, January 20, 1968 03:14:08.000"},
      {0xFFFFFFFFu, 0, "Thursday, February 7, 2036 06:28:15.000"},
      {0x1C7A3E00u, 0, "Thursday, March 30, 2051 01:16:48.000"},
  };
  for (const auto& k : cases) EXPECT_EQ(NTPTimestamp(locale, k.seconds, k.fraction), k.text);
}

TEST_F(NTP, ShortMessageHasNoBranch) {
  EXPECT_TRUE(Lines(NTPTree, Bytes(47, 0)).empty());
  // Bytes after the header (an authenticator) are not shown.
  Bytes longer = Header(0x23, 2, 6, 0);
  longer.resize(68, 0xAA);
  EXPECT_EQ(Lines(NTPTree, longer).size(), 14u);
  EXPECT_EQ(tree.Roots.at(0)->Length, 48u);
}

TEST_F(NTP, MalformedVariantsEndCleanly) {
  for (const Bytes& m : MalformedVariants(Header(0x23, 2, 6, 0xEC))) {
    Summary(NTPSummary, m);
    Lines(NTPTree, m);
  }
}

}  // namespace
}  // namespace kestle::test
