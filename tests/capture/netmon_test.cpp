// The Netmon reader, versions 1 and 2, from small files written by support/capture_files.h.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "decode/session.h"
#include "support/builders.h"
#include "support/capture_files.h"
#include "support/session_fixture.h"

namespace kestle::test {
namespace {

constexpr uint32_t k20210314 = 1615680000;  // 2021-03-14 00:00:00

class NetmonReader : public ::testing::TestWithParam<int> {
 protected:
  int version() const { return GetParam(); }
  // A time offset in the version's unit.
  uint64_t Ms(uint64_t ms) const { return version() == 1 ? ms : ms * 1000; }
};

TEST_P(NetmonReader, FrameTimesCountFromTheCaptureStart) {
  // Two hours after 12:00:00.250 is 14:00:00.250 on the capture date.
  Loaded l(NetmonFile(version(),
                      {{Ms(0), Frame(60)}, {Ms(7200000), Frame(70)}, {Ms(7200750), Frame(80)}}));
  ASSERT_TRUE(l.ok) << l.f.LastMessage();
  const CaptureSession& s = l.s();
  ASSERT_EQ(s.FrameCount, 3u);  // every index entry is a frame
  EXPECT_EQ(s.FrameTable[1].Seconds, k20210314 + 12 * 3600);
  EXPECT_EQ(s.FrameTable[1].Micro, 250000u);
  EXPECT_EQ(s.FrameTable[2].Seconds, k20210314 + 14 * 3600);
  EXPECT_EQ(s.FrameTable[2].Micro, 250000u);
  EXPECT_EQ(s.FrameTable[3].Seconds, k20210314 + 14 * 3600 + 1);
  EXPECT_EQ(s.FrameTable[3].Micro, 0u);
  EXPECT_DOUBLE_EQ(s.FrameTable[3].RelTime, 7200.75);
  EXPECT_DOUBLE_EQ(s.Input.CaptureDate, 25569.0 + k20210314 / 86400);
  EXPECT_DOUBLE_EQ(s.Input.CaptureTime, (12 * 3600 + 0.25) / 86400);
  EXPECT_EQ(l.s().ReadFrame(2), 70u);
  EXPECT_EQ(HeldFrame(s), Frame(70));
}

TEST_P(NetmonReader, LengthsAndSkippedRecords) {
  // Original length 0: left out. A frame longer on the wire than the
  // largest frame kept loads, as long as its captured part fits.
  Loaded l(NetmonFile(version(), {{Ms(1), Frame(60), 0},
                                  {Ms(2), Frame(96), 1514},
                                  {Ms(3), Frame(64), version() == 1 ? 50000u : 70000u}}));
  ASSERT_TRUE(l.ok) << l.f.LastMessage();
  ASSERT_EQ(l.s().FrameCount, 2u);
  EXPECT_EQ(l.s().FrameTable[1].CapLen, 96u);
  EXPECT_EQ(l.s().FrameTable[1].TrueLen, 1514u);
  EXPECT_EQ(l.s().FrameTable[2].TrueLen, version() == 1 ? 50000u : 70000u);
  EXPECT_TRUE(l.f.notes.Messages.empty());
}

TEST_P(NetmonReader, LoadMessages) {
  struct Case {
    const char* name;
    Bytes file;
    std::string message;
  };
  const std::vector<NetmonFrame> one = {{Ms(0), Frame(60)}};
  NetmonOptions tokenRing, zeroStart, badMonth, shortIndex, noIndex, indexPastEnd;
  tokenRing.network = 2;
  zeroStart.year = 1970, zeroStart.month = 1, zeroStart.day = 1;
  zeroStart.hour = zeroStart.milli = 0;
  badMonth.month = 13;
  shortIndex.indexLength = 3;
  noIndex.indexLength = 0;
  indexPastEnd.indexLength = 8;
  const Case cases[] = {
      {"not ethernet", NetmonFile(version(), one, tokenRing), msg::kNotEthernet},
      {"start at 1970-01-01 00:00:00", NetmonFile(version(), one, zeroStart), msg::kNotSupported},
      {"month 13", NetmonFile(version(), one, badMonth), msg::kNotSupported},
      {"index shorter than one entry", NetmonFile(version(), one, shortIndex), msg::kEmpty},
      {"empty index", NetmonFile(version(), one, noIndex), msg::kEmpty},
      {"index past the end", NetmonFile(version(), one, indexPastEnd), msg::kNotSupported},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Loaded l(c.file);
    EXPECT_FALSE(l.ok);
    EXPECT_EQ(l.f.LastMessage(), c.message);
    EXPECT_EQ(l.s().FrameCount, 0u);
    EXPECT_FALSE(l.s().FileOpen());
  }
}

// The index is read before any record: a file that lost it (a compressed
// one cut short, its index at the end) has no frame to show.
TEST_P(NetmonReader, AFileWithoutItsIndexCannotBeRead) {
  std::vector<NetmonFrame> frames;
  for (int i = 0; i < 50; ++i) frames.push_back({Ms(i), Frame(200, static_cast<uint8_t>(i))});
  Bytes gz = Gzip(NetmonFile(version(), frames));
  gz.resize(gz.size() / 2);
  TempFile t(gz, ".cap.gz");
  SessionFixture f;
  EXPECT_FALSE(f.Open(t.path()));
  EXPECT_EQ(f.notes.FirstLines(), std::vector<std::string>{msg::kReadError});
  EXPECT_EQ(f.session.FrameCount, 0u);
}

// A part of the index lost at the end of a compressed file leaves the
// frames that the part before it located.
TEST_P(NetmonReader, AnIndexCutShortKeepsTheFramesItLocates) {
  std::vector<NetmonFrame> frames;
  for (uint32_t i = 0; i < 5000; ++i) frames.push_back({Ms(i), Frame(60 + i % 7)});
  NetmonOptions o;
  o.truncate = 4 * 100;  // the last 100 index entries
  // A compressed file's size is not known before it is read: the index
  // running past its end is found when it is read.
  TempFile t(Gzip(NetmonFile(version(), frames, o)), ".cap.gz");
  SessionFixture f;
  ASSERT_TRUE(f.Open(t.path())) << f.LastMessage();
  EXPECT_EQ(f.session.FrameCount, 4096u);
  EXPECT_EQ(f.notes.FirstLines(), std::vector<std::string>{msg::kMalformed});
}

TEST_P(NetmonReader, MaxPacketsCountsFramesFromFirstFrame) {
  std::vector<NetmonFrame> frames;
  for (int i = 0; i < 5; ++i) frames.push_back({Ms(i), Frame(60 + i)});
  Loaded l(NetmonFile(version(), frames), 2, 2);
  ASSERT_TRUE(l.ok);
  ASSERT_EQ(l.s().FrameCount, 2u);
  EXPECT_EQ(l.s().FrameTable[1].CapLen, 61u);
  EXPECT_EQ(l.s().FrameTable[2].CapLen, 62u);
  EXPECT_EQ(l.f.LastMessage(), msg::kMaxFrames);

  Loaded beyond(NetmonFile(version(), frames), 512000, 6);
  EXPECT_FALSE(beyond.ok);
  EXPECT_EQ(beyond.f.LastMessage(), msg::kFirstFrame);
}

TEST_P(NetmonReader, IndexIsReadInBlocksFromAnyFirstFrame) {
  std::vector<NetmonFrame> frames;
  for (uint32_t i = 0; i < 5000; ++i) frames.push_back({Ms(i), Frame(60 + i % 7)});
  const Bytes file = NetmonFile(version(), frames);
  Loaded l(file, 512000, 4090);
  ASSERT_TRUE(l.ok);
  ASSERT_EQ(l.s().FrameCount, 911u);
  for (uint32_t n = 1; n <= l.s().FrameCount; ++n) {
    ASSERT_EQ(l.s().FrameTable[n].CapLen, 60 + (4088 + n) % 7) << n;
  }
  EXPECT_EQ(l.s().ReadFrame(911), 60 + 4999u % 7);
}

TEST_P(NetmonReader, ReadsCompressedFiles) {
  // Compressed far below a quarter of its size: the index lies beyond the
  // size estimate of a compressed file.
  std::vector<NetmonFrame> frames(2000, {Ms(0), Frame(1500, 0)});
  frames.back() = {Ms(5), Frame(90)};
  const Bytes packed = Gzip(NetmonFile(version(), frames));
  ASSERT_LT(packed.size() * 4, 2000u * 1500);
  TempFile t(packed, ".cap.gz");
  SessionFixture f;
  ASSERT_TRUE(f.Open(t.path())) << f.LastMessage();
  EXPECT_EQ(f.session.FrameCount, 2000u);
  EXPECT_EQ(f.session.ReadFrame(2000), 90u);
}

INSTANTIATE_TEST_SUITE_P(Versions, NetmonReader, ::testing::Values(1, 2),
                         [](const auto& info) { return "V" + std::to_string(info.param); });

}  // namespace
}  // namespace kestle::test
