// The Sniffer (.enc) reader, from small files written by support/capture_files.h.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "capture/sniffer_format.h"
#include "decode/session.h"
#include "support/builders.h"
#include "support/capture_files.h"
#include "support/session_fixture.h"

namespace kestle::test {
namespace {

constexpr uint32_t k20210314 = 1615680000;  // 2021-03-14 00:00:00

TEST(SnifferReader, FrameTimesCountTicksFromMidnightOfTheCaptureDate) {
  struct Case {
    uint8_t unit;
    uint64_t ticks;
    uint32_t seconds, micro;
  };
  const Case cases[] = {
      {1, 1193180, 0, 999999},  // 0.838096 µs ticks, truncated
      {1, 1193182, 1, 1},
      {0, 100, 0, 1500},                      // 15 µs
      {3, 3, 0, 1},                           // 0.5 µs
      {6, 10000019, 1, 1},                    // 0.1 µs
      {5, 0xFF00000000ULL, 1095216, 660480},  // 40-bit ticks past one day
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("unit " + std::to_string(c.unit) + " ticks " + std::to_string(c.ticks));
    SnifferOptions o;
    o.timeUnit = c.unit;
    Loaded l(SnifferFile({SnifferData(c.ticks, Frame(60))}, o));
    ASSERT_TRUE(l.ok) << l.f.LastMessage();
    EXPECT_EQ(l.s().FrameTable[1].Seconds, k20210314 + c.seconds);
    EXPECT_EQ(l.s().FrameTable[1].Micro, c.micro);
  }
}

TEST(SnifferReader, LoadsFramesWithLengthsDateAndRelativeTimes) {
  Loaded l(SnifferFile({SnifferData(1000, Frame(60)),
                        {7, Bytes(10, 0)},
                        SnifferData(2501000, Frame(100, 0x22), 100, 1514),
                        {sniffer::kEndOfFile, {}},
                        SnifferData(3000000, Frame(60))}));
  ASSERT_TRUE(l.ok) << l.f.LastMessage();
  const CaptureSession& s = l.s();
  ASSERT_EQ(s.FrameCount, 2u);  // the unknown record is skipped, the end record ends
  EXPECT_EQ(s.FrameTable[2].CapLen, 100u);
  EXPECT_EQ(s.FrameTable[2].TrueLen, 1514u);
  EXPECT_EQ(s.FrameTable[1].TrueLen, 60u);
  EXPECT_DOUBLE_EQ(s.FrameTable[2].RelTime, 2.5);
  EXPECT_DOUBLE_EQ(s.Input.CaptureDate, 25569.0 + k20210314 / 86400);
  EXPECT_DOUBLE_EQ(s.Input.CaptureTime, (9 * 3600 + 20 * 60) / 86400.0);
  EXPECT_DOUBLE_EQ(s.Input.TickMicroseconds, 1.0);

  SessionFixture& f = l.f;
  ASSERT_EQ(f.session.ReadFrame(2), 100u);
  EXPECT_EQ(HeldFrame(f.session), Frame(100, 0x22));
}

TEST(SnifferReader, HeaderMessages) {
  struct Case {
    const char* name;
    Bytes file;
    std::string message;
  };
  SnifferOptions tokenRing, version2, badUnit;
  tokenRing.network = 2;
  version2.format = 2;
  badUnit.timeUnit = 7;
  Bytes firstIsData = SnifferFile({});
  firstIsData[17] = sniffer::kFrameData;
  Bytes longVersion = SnifferFile({});
  longVersion[19] = 19;
  Bytes cutVersion = SnifferFile({});
  cutVersion.resize(30);
  const Case cases[] = {
      {"not ethernet", SnifferFile({SnifferData(0, Frame(60))}, tokenRing), msg::kNotEthernet},
      {"format version 2", SnifferFile({SnifferData(0, Frame(60))}, version2),
       "Selected file is an unsupported format"},
      {"time unit 7", SnifferFile({SnifferData(0, Frame(60))}, badUnit), msg::kTimeUnit},
      {"first record not a version record", firstIsData, msg::kNotSupported},
      {"version record of 19 bytes", longVersion, msg::kNotSupported},
      {"version record cut short", cutVersion, msg::kReadError},
      {"no frame", SnifferFile({{sniffer::kEndOfFile, {}}}), msg::kEmpty},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Loaded l(c.file);
    EXPECT_FALSE(l.ok);
    EXPECT_EQ(l.f.LastMessage(), c.message);
    EXPECT_FALSE(l.s().FileOpen());
    EXPECT_EQ(l.s().FrameCount, 0u);
  }
}

TEST(SnifferReader, DataRecordsTooShortForAFrameHeaderAreSkipped) {
  Loaded tiny(SnifferFile({{sniffer::kFrameData, Bytes(13, 0)}, SnifferData(0, Frame(60))}));
  ASSERT_TRUE(tiny.ok);
  EXPECT_EQ(tiny.s().FrameCount, 1u);
  EXPECT_EQ(tiny.s().FrameTable[1].CapLen, 60u);
}

TEST(SnifferReader, FrameLengthNeverExceedsTheBodyOrTheLargestFrame) {
  struct Case {
    size_t stored;  // frame bytes in the body
    uint32_t size;  // Size field
    uint32_t capLen, trueLen;
    std::string message;
  };
  const Case cases[] = {
      {40001, 0, 40000, 40001, msg::kTooLong},  // one byte too many: cut
      {40001, 40001, 40000, 40001, msg::kTooLong},
      {60, 1514, 60, 1514, ""},  // Size larger than the body
      {100, 80, 80, 80, ""},     // Size smaller than the body
      {64, 0, 64, 64, ""},       // Size 0: the body's length
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.stored) + " stored, Size " + std::to_string(c.size));
    const Bytes frame = Frame(c.stored);
    Loaded l(SnifferFile({SnifferData(0, frame, c.size), SnifferData(1, Frame(70))}));
    ASSERT_TRUE(l.ok) << l.f.LastMessage();
    ASSERT_EQ(l.s().FrameCount, 2u);
    EXPECT_EQ(l.s().FrameTable[1].CapLen, c.capLen);
    EXPECT_EQ(l.s().FrameTable[1].TrueLen, c.trueLen);
    EXPECT_EQ(l.f.LastMessage(), c.message);
    SessionFixture& f = l.f;
    EXPECT_EQ(f.session.ReadFrame(1), c.capLen);
    EXPECT_EQ(HeldFrame(f.session), Bytes(frame.begin(), frame.begin() + c.capLen));
    EXPECT_EQ(f.session.ReadFrame(2), 70u);
  }
}

TEST(SnifferReader, InvalidCaptureDateCountsFrom1970) {
  SnifferOptions o;
  o.date = (41 << 9) | (13 << 5) | 1;  // month 13
  // A valid load first, so that nothing is left over from it.
  Loaded l(SnifferFile({SnifferData(0, Frame(60))}));
  ASSERT_TRUE(l.ok);
  TempFile t(SnifferFile({SnifferData(2000001, Frame(60))}, o), ".enc");
  SessionFixture& f = l.f;
  ASSERT_TRUE(f.Open(t.path()));
  EXPECT_EQ(f.session.FrameTable[1].Seconds, 2u);
  EXPECT_EQ(f.session.FrameTable[1].Micro, 1u);
  EXPECT_DOUBLE_EQ(f.session.Input.CaptureDate, 25569.0);
  EXPECT_DOUBLE_EQ(f.session.Input.CaptureTime, 0.0);
}

TEST(SnifferReader, MaxPacketsAndFirstFrame) {
  const Bytes file = SnifferFile({{7, Bytes(4, 0)},
                                  SnifferData(1, Frame(60)),
                                  SnifferData(2, Frame(61)),
                                  SnifferData(3, Frame(62))});
  Loaded limited(file, 2);
  ASSERT_TRUE(limited.ok);
  EXPECT_EQ(limited.s().FrameCount, 2u);
  EXPECT_EQ(limited.f.LastMessage(), msg::kMaxFrames);

  // Every record counts when skipping, whatever its type.
  Loaded skipped(file, 512000, 3);
  ASSERT_TRUE(skipped.ok);
  ASSERT_EQ(skipped.s().FrameCount, 2u);
  EXPECT_EQ(skipped.s().FrameTable[1].CapLen, 61u);

  Loaded beyond(file, 512000, 6);
  EXPECT_FALSE(beyond.ok);
  EXPECT_EQ(beyond.f.LastMessage(), msg::kFirstFrame);
}

TEST(SnifferReader, ReadsCompressedFiles) {
  TempFile t(Gzip(SnifferFile({SnifferData(5, Frame(60)), SnifferData(6, Frame(70))})), ".enc.gz");
  SessionFixture f;
  ASSERT_TRUE(f.Open(t.path()));
  EXPECT_EQ(f.session.FrameCount, 2u);
  EXPECT_EQ(f.session.ReadFrame(2), 70u);
}

}  // namespace
}  // namespace kestle::test
