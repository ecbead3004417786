// The NetXRay reader, file versions 1.x and 2.x, from small files written by
// support/capture_files.h.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "decode/session.h"
#include "support/builders.h"
#include "support/capture_files.h"
#include "support/session_fixture.h"

namespace kestle::test {
namespace {

TEST(NetXRayReader, TickLengthByVersionAndTimeUnit) {
  struct Case {
    const char* version;
    uint8_t unit;
    uint64_t ticks;  // after the start stamp
    uint32_t seconds, micro;
  };
  const Case cases[] = {
      {"001.000", 0, 1500, 1, 500000},     // milliseconds
      {"001.100", 0, 1500000, 1, 500000},  // microseconds, as 1.1 is written
      {"001.001", 0, 1500000, 1, 500000},      {"001.002", 0, 3, 3, 0},  // seconds
      {"002.001", 0, 2000001, 2, 1},                                     // microseconds
      {"002.002", 1, 1193000 + 1193, 1, 1000}, {"002.002", 2, 1193180, 1, 0},
      {"002.002", 2, 1193180 + 1, 1, 0},  // 0.838 µs later: truncated
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.version) + " unit " + std::to_string(c.unit));
    XrayOptions o;
    o.version = c.version;
    o.timeUnit = c.unit;
    o.startTicks = 0x123456789ULL;
    Loaded l(XrayFile({{o.startTicks, Frame(60), 0}, {o.startTicks + c.ticks, Frame(64), 0}}, o));
    ASSERT_TRUE(l.ok) << l.f.LastMessage();
    ASSERT_EQ(l.s().FrameCount, 2u);
    EXPECT_EQ(l.s().FrameTable[1].Seconds, o.startTime);
    EXPECT_EQ(l.s().FrameTable[1].Micro, 0u);
    EXPECT_EQ(l.s().FrameTable[2].Seconds, o.startTime + c.seconds);
    EXPECT_EQ(l.s().FrameTable[2].Micro, c.micro);
    // Relative times use the same tick length.
    EXPECT_NEAR(l.s().FrameTable[2].RelTime, c.seconds + c.micro / 1e6, 1e-6);
    EXPECT_EQ(l.s().ReadFrame(2), 64u);
    EXPECT_EQ(HeldFrame(l.s()), Frame(64));
  }
}

TEST(NetXRayReader, CaptureDateIncludesTheStartTimeOfDay) {
  XrayOptions o;
  o.startTime = 1615713600;  // 2021-03-14 09:20:00
  Loaded l(XrayFile({{0, Frame(60), 0}}, o));
  ASSERT_TRUE(l.ok) << l.f.LastMessage();
  const double timeOfDay = (9 * 3600 + 20 * 60) / 86400.0;
  EXPECT_DOUBLE_EQ(l.s().Input.CaptureTime, timeOfDay);
  EXPECT_DOUBLE_EQ(l.s().Input.CaptureDate, 25569.0 + 1615713600 / 86400 + timeOfDay);
}

TEST(NetXRayReader, LoadMessages) {
  struct Case {
    const char* name;
    XrayOptions options;
    std::vector<XrayFrame> frames;
    std::string message;
  };
  const std::vector<XrayFrame> one = {{0, Frame(60), 0}};
  XrayOptions tokenRing, v3, unit3, shortText;
  tokenRing.network = 1;
  v3.version = "003.000";
  unit3.timeUnit = 3;
  shortText.version = "00";
  const Case cases[] = {
      {"not ethernet", tokenRing, one, msg::kNotEthernet},
      {"version 3", v3, one, msg::kVersion},
      {"version text too short", shortText, one, msg::kVersion},
      {"time unit 3", unit3, one, std::string(msg::kXrayTimeUnit) + "3"},
      {"no frame", {}, {{0, {}, 0}}, msg::kEmpty},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Loaded l(XrayFile(c.frames, c.options));
    EXPECT_FALSE(l.ok);
    EXPECT_EQ(l.f.LastMessage(), c.message);
    EXPECT_EQ(l.s().FrameCount, 0u);
    EXPECT_FALSE(l.s().FileOpen());
  }
}

TEST(NetXRayReader, ACapturedLengthOf0EndsTheFrames) {
  Loaded zero(XrayFile({{0, Frame(60), 0}, {1, {}, 0}, {2, Frame(60), 0}}));
  ASSERT_TRUE(zero.ok);
  EXPECT_EQ(zero.s().FrameCount, 1u);
  EXPECT_TRUE(zero.f.notes.Messages.empty());
}

TEST(NetXRayReader, MaxPacketsFirstFrameAndCompressedFiles) {
  const Bytes file =
      XrayFile({{0, Frame(60), 0}, {1, Frame(61), 0}, {2, Frame(62), 1514}, {3, Frame(63), 0}});
  Loaded limited(file, 2);
  ASSERT_TRUE(limited.ok);
  EXPECT_EQ(limited.s().FrameCount, 2u);
  EXPECT_EQ(limited.f.LastMessage(), msg::kMaxFrames);

  Loaded skipped(file, 512000, 3);
  ASSERT_TRUE(skipped.ok);
  ASSERT_EQ(skipped.s().FrameCount, 2u);
  EXPECT_EQ(skipped.s().FrameTable[1].CapLen, 62u);
  EXPECT_EQ(skipped.s().FrameTable[1].TrueLen, 1514u);

  Loaded beyond(file, 512000, 5);
  EXPECT_FALSE(beyond.ok);
  EXPECT_EQ(beyond.f.LastMessage(), msg::kFirstFrame);

  Loaded gz(Gzip(file));
  ASSERT_TRUE(gz.ok);
  EXPECT_EQ(gz.s().FrameCount, 4u);
  EXPECT_EQ(gz.s().ReadFrame(3), 62u);
}

}  // namespace
}  // namespace kestle::test
