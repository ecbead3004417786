#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <ctime>
#include <vector>

#include "decode/config/environment.h"
#include "decode/session.h"
#include "support/builders.h"
#include "support/capture_files.h"
#include "support/expected.h"
#include "support/packets.h"
#include "support/session_fixture.h"

namespace kestle {
namespace {

using test::Bytes;
using test::FrameBuilder;
using test::PcapFile;
using test::PcapFrame;
using test::SessionFixture;
using test::TempFile;

Bytes EtherFrame(size_t size, uint8_t fill = 0) {
  FrameBuilder f;
  f.ether("ff:ff:ff:ff:ff:ff", "00:11:22:33:44:55", 0x9999);
  while (f.size() < size) f.u8(fill);
  return f.bytes();
}

std::vector<PcapFrame> Frames(int n, size_t size = 60) {
  std::vector<PcapFrame> v;
  for (int i = 0; i < n; ++i)
    v.push_back({EtherFrame(size, static_cast<uint8_t>(i)), 1000000000u + i, 0, 0});
  return v;
}

// ---------------------------------------------------------------- corpus

class PcapCorpus : public ::testing::TestWithParam<const char*> {};

TEST_P(PcapCorpus, FrameCountsLengthsAndTimesMatchReference) {
  const std::string name = GetParam();
  SessionFixture fx;
  ASSERT_TRUE(fx.Open(test::CapturePath(name))) << fx.LastMessage();
  const auto expected = test::LoadExpected(name);
  const auto counts = test::LoadExpectedCounts();
  ASSERT_EQ(fx.session.FrameCount, static_cast<uint32_t>(counts.at(name)));
  ASSERT_EQ(expected.size(), fx.session.FrameCount);
  const double t0 = std::stod(expected[0]["frame.time_epoch"]);
  for (uint32_t i = 1; i <= fx.session.FrameCount; ++i) {
    const FrameTabRec& r = fx.session.FrameTable[i];
    const auto& e = expected[i - 1];
    EXPECT_EQ(r.CapLen, std::stoul(e["frame.cap_len"])) << "frame " << i;
    EXPECT_EQ(r.TrueLen, std::stoul(e["frame.len"])) << "frame " << i;
    // Seconds and microseconds exactly (the test runs in UTC).
    const std::string& epoch = e["frame.time_epoch"];
    const size_t dot = epoch.find('.');
    EXPECT_EQ(r.Seconds, std::stoul(epoch.substr(0, dot))) << "frame " << i;
    EXPECT_EQ(r.Micro, std::stoul(epoch.substr(dot + 1, 6))) << "frame " << i;
    EXPECT_NEAR(r.RelTime, std::stod(epoch) - t0, 1e-6) << "frame " << i;
  }
}

INSTANTIATE_TEST_SUITE_P(AllPcapVariants, PcapCorpus,
                         ::testing::Values("mixed.pcap", "mixed.pcap.gz", "mixed-be.pcap",
                                           "mixed-be.pcap.gz", "mixed-mod.pcap",
                                           "mixed-mod.pcap.gz"));

TEST(Pcap, BigEndianAndModifiedTwinsGiveIdenticalTables) {
  SessionFixture le, be, mod;
  ASSERT_TRUE(le.Open(test::CapturePath("mixed.pcap")));
  ASSERT_TRUE(be.Open(test::CapturePath("mixed-be.pcap")));
  ASSERT_TRUE(mod.Open(test::CapturePath("mixed-mod.pcap")));
  ASSERT_EQ(le.session.FrameCount, be.session.FrameCount);
  ASSERT_EQ(le.session.FrameCount, mod.session.FrameCount);
  for (uint32_t i = 1; i <= le.session.FrameCount; ++i) {
    for (const SessionFixture* other : {&be, &mod}) {
      const auto& a = le.session.FrameTable[i];
      const auto& b = other->session.FrameTable[i];
      EXPECT_EQ(a.CapLen, b.CapLen);
      EXPECT_EQ(a.Seconds, b.Seconds);
      EXPECT_EQ(a.Micro, b.Micro);
      EXPECT_EQ(a.RelTime, b.RelTime);
      EXPECT_EQ(le.session.Description(i), other->session.Description(i));
    }
    // The re-read frame bytes are the same in every variant.
    const uint32_t n = le.session.ReadFrame(i);
    const Bytes a = test::HeldFrame(le.session);
    ASSERT_EQ(mod.session.ReadFrame(i), n);
    EXPECT_EQ(test::HeldFrame(mod.session), a) << "frame " << i;
    ASSERT_EQ(be.session.ReadFrame(i), n);
    EXPECT_EQ(test::HeldFrame(be.session), a) << "frame " << i;
  }
}

// ---------------------------------------------------------------- load messages

struct MessageCase {
  const char* name;
  Bytes content;
  std::string message;  // "" = no message
  bool loaded;
  uint32_t frames;
};

class PcapMessages : public ::testing::TestWithParam<MessageCase> {};

TEST_P(PcapMessages, ReportsExactText) {
  const MessageCase& c = GetParam();
  TempFile file(c.content);
  SessionFixture fx;
  fx.env.settings.MaxPackets = 10;
  EXPECT_EQ(fx.Open(file.path()), c.loaded);
  EXPECT_EQ(fx.LastMessage(), c.message);
  EXPECT_EQ(fx.session.FrameCount, c.frames);
  EXPECT_EQ(fx.session.FileOpen(), c.loaded);
}

Bytes Truncated(Bytes b, size_t drop) {
  b.resize(b.size() - drop);
  return b;
}

Bytes WithFrame(std::vector<PcapFrame> frames, size_t at, PcapFrame f) {
  frames.insert(frames.begin() + static_cast<long>(at), f);
  return PcapFile(frames);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PcapMessages,
    ::testing::Values(
        MessageCase{"Empty16", Bytes(16, 0xD4), msg::kEmpty, false, 0},
        MessageCase{"Garbage17", Bytes(17, 'x'), msg::kUnknownFormat, false, 0},
        MessageCase{"HeaderOnly", PcapFile({}), msg::kEmpty, false, 0},
        MessageCase{"LinkType105", PcapFile(Frames(2), 105), msg::kNotSupported, false, 0},
        MessageCase{"ShortFileHeader", Truncated(PcapFile({}), 2), msg::kReadError, false, 0},
        MessageCase{"OversizedFrame", PcapFile({{EtherFrame(40001)}}), msg::kTooLong, true, 1},
        MessageCase{"MaxFrameSizeIsFine", PcapFile({{EtherFrame(40000)}}), "", true, 1},
        // Only the captured bytes count.
        MessageCase{"LongWireLengthIsFine", PcapFile({{EtherFrame(60), 1000000000u, 0, 100000}}),
                    "", true, 1},
        MessageCase{"MaxPackets", PcapFile(Frames(20)), msg::kMaxFrames, true, 10},
        MessageCase{"ExactlyMaxPackets", PcapFile(Frames(10)), "", true, 10},
        // A record cut short at the end keeps the frames before it and
        // says so; before the first frame, the file is empty.
        MessageCase{"TruncatedLastRecordData", Truncated(PcapFile(Frames(3)), 5), msg::kMalformed,
                    true, 2},
        MessageCase{"TruncatedLastRecordHeader", Truncated(PcapFile(Frames(3)), 60 + 5),
                    msg::kMalformed, true, 2},
        MessageCase{"TruncatedFirstRecord", Truncated(PcapFile(Frames(1)), 5), msg::kEmpty, false,
                    0},
        // The limit reached, the rest of the file is not read.
        MessageCase{"MaxPacketsBeforeACutRecord", Truncated(PcapFile(Frames(12)), 5),
                    msg::kMaxFrames, true, 10},
        // A record with no captured bytes but a wire length is a real frame.
        MessageCase{"EmptyRecordInTheMiddle",
                    WithFrame(Frames(3), 1, PcapFrame{{}, 1000000000u, 5, 60}), "", true, 4},
        // A zero header is padding: the load ends there.
        MessageCase{"ZeroPadding", WithFrame(Frames(3), 2, PcapFrame{{}, 0, 0, 0}), "", true, 2}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Pcap, MissingFileCannotBeOpened) {
  SessionFixture fx;
  EXPECT_FALSE(fx.Open("/nonexistent/kestle.pcap"));
  EXPECT_EQ(fx.LastMessage(), msg::kCannotOpen);
}

TEST(Pcap, FirstFrameSkipsRecordsAndPastTheEndIsReported) {
  TempFile file(PcapFile(Frames(5)));
  SessionFixture fx;
  fx.env.settings.FirstFrame = 3;
  ASSERT_TRUE(fx.Open(file.path()));
  EXPECT_EQ(fx.session.FrameCount, 3u);
  // The first loaded frame is the third record: its payload byte is 2.
  ASSERT_GT(fx.session.ReadFrame(1), 14u);
  EXPECT_EQ(fx.session.Input.RawFrame[14], 2);

  for (int32_t first : {6, 7, 100}) {
    SessionFixture past;
    past.env.settings.FirstFrame = first;
    EXPECT_FALSE(past.Open(file.path()));
    EXPECT_EQ(past.LastMessage(), msg::kFirstFrame) << first;
    EXPECT_FALSE(past.session.FileOpen());
  }
}

TEST(Pcap, MaxPacketsCountsLoadedFramesWithFirstFrame) {
  TempFile file(PcapFile(Frames(20)));
  SessionFixture fx;
  fx.env.settings.FirstFrame = 5;
  fx.env.settings.MaxPackets = 10;
  ASSERT_TRUE(fx.Open(file.path()));
  EXPECT_EQ(fx.session.FrameCount, 10u);
  EXPECT_EQ(fx.LastMessage(), msg::kMaxFrames);
}

TEST(Pcap, GzipNeedsZLib) {
  const Bytes plain = PcapFile(Frames(3));
  TempFile gz(test::Gzip(plain), ".pcap.gz");
  SessionFixture on;
  ASSERT_TRUE(on.Open(gz.path()));
  EXPECT_EQ(on.session.FrameCount, 3u);
  EXPECT_EQ(on.session.Input.File.Size(), test::ReadFile(gz.path()).size() * 4);

  SessionFixture off;
  off.env.settings.UseZLib = false;
  EXPECT_FALSE(off.Open(gz.path()));
  EXPECT_EQ(off.LastMessage(), msg::kUnknownFormat);

  // Plain files read alike with and without zlib.
  TempFile pf(plain);
  SessionFixture a, b;
  b.env.settings.UseZLib = false;
  ASSERT_TRUE(a.Open(pf.path()));
  ASSERT_TRUE(b.Open(pf.path()));
  EXPECT_EQ(a.session.FrameCount, b.session.FrameCount);
  EXPECT_EQ(a.session.Input.File.Size(), plain.size());
}

TEST(Pcap, WideLengthsAndTimes) {
  // A wire length of 65536 stays 65536; seconds past 2^31 are not negative;
  // a frame after midnight UTC keeps a positive relative time.
  std::vector<PcapFrame> frames = {
      {EtherFrame(60), 0x80000000u - 10, 500000, 65536},
      {EtherFrame(60), 0x80000000u + 86400, 0, 0},
  };
  TempFile file(PcapFile(frames));
  SessionFixture fx;
  ASSERT_TRUE(fx.Open(file.path()));
  const auto& t = fx.session.FrameTable;
  EXPECT_EQ(t[1].TrueLen, 65536u);
  EXPECT_EQ(t[1].Seconds, 0x80000000u - 10);
  EXPECT_EQ(t[2].Seconds, 0x80000000u + 86400);
  EXPECT_DOUBLE_EQ(t[2].RelTime, 86400 + 9.5);
}

TEST(Pcap, RelativeTimesAcrossMidnight) {
  std::vector<PcapFrame> frames = {
      {EtherFrame(60), 86400 * 100 - 1, 0, 0},
      {EtherFrame(60), 86400 * 100 + 1, 500000, 0},
  };
  TempFile file(PcapFile(frames));
  SessionFixture fx;
  ASSERT_TRUE(fx.Open(file.path()));
  EXPECT_DOUBLE_EQ(fx.session.FrameTable[1].RelTime, 0.0);
  EXPECT_DOUBLE_EQ(fx.session.FrameTable[2].RelTime, 2.5);
  EXPECT_DOUBLE_EQ(fx.session.Input.CaptureDate, 25569.0 + 99);
}

class ZoneGuard {
 public:
  explicit ZoneGuard(const char* tz) {
    const char* old = std::getenv("TZ");
    old_ = old ? old : "";
    had_ = old != nullptr;
    setenv("TZ", tz, 1);
    tzset();
  }
  ~ZoneGuard() {
    if (had_)
      setenv("TZ", old_.c_str(), 1);
    else
      unsetenv("TZ");
    tzset();
  }

 private:
  std::string old_;
  bool had_;
};

TEST(Pcap, LocalTimeUsesTheOffsetInForceAtEachFrame) {
  ZoneGuard zone("CET-1CEST,M3.5.0,M10.5.0/3");
  std::vector<PcapFrame> frames = {
      {EtherFrame(60), 0, 0, 0},         // January: UTC+1
      {EtherFrame(60), 15552000, 0, 0},  // late June 1970: UTC+2
  };
  TempFile file(PcapFile(frames));
  SessionFixture fx;
  ASSERT_TRUE(fx.Open(file.path()));
  EXPECT_EQ(fx.session.FrameTable[1].Seconds, 3600u);
  EXPECT_EQ(fx.session.FrameTable[2].Seconds, 15552000u + 7200);
}

TEST(Pcap, RereadDetectsAChangedFile) {
  const Bytes content = PcapFile(Frames(3));
  TempFile file(content);
  SessionFixture fx;
  ASSERT_TRUE(fx.Open(file.path()));
  ASSERT_EQ(fx.session.ReadFrame(2), 60u);
  EXPECT_EQ(fx.session.Input.RawFrame[14], 1);
  EXPECT_EQ(fx.session.ReadFrame(0), 0u);
  EXPECT_EQ(fx.session.ReadFrame(4), 0u);

  // Rewrite the file with shorter frames: the re-read must notice.
  {
    TempFile other(PcapFile(Frames(3, 40)));
    std::rename(other.path().c_str(), file.path().c_str());
  }
  SessionFixture fresh;
  ASSERT_TRUE(fresh.Open(file.path()));
  EXPECT_EQ(fresh.session.ReadFrame(1), 40u);
  // The first session still has the old file open (the rename keeps it).
  EXPECT_EQ(fx.session.ReadFrame(3), 60u);
}

TEST(Pcap, RereadOfARecordThatNoLongerMatchesIsAnError) {
  TempFile file(PcapFile(Frames(3)));
  SessionFixture fx;
  ASSERT_TRUE(fx.Open(file.path()));
  // Point frame 2 at the wrong place in the file.
  fx.session.FrameTable[2].RecordPos += 16 + 14;
  EXPECT_EQ(fx.session.ReadFrame(2), 0u);
  EXPECT_EQ(fx.LastMessage(), msg::kReadError);
  fx.session.FrameTable[2].RecordPos = 1u << 30;
  EXPECT_EQ(fx.session.ReadFrame(2), 0u);
}

TEST(Pcap, ShortFramesHaveUnknownStackAndNoNodes) {
  std::vector<PcapFrame> frames = {{Bytes(13, 0xAB)}, {Bytes{}, 1000000000u, 1, 64}};
  TempFile file(PcapFile(frames));
  SessionFixture fx;
  ASSERT_TRUE(fx.Open(file.path()));
  ASSERT_EQ(fx.session.FrameCount, 2u);
  for (uint32_t i = 1; i <= 2; ++i) {
    const auto& r = fx.session.FrameTable[i];
    EXPECT_EQ(fx.env.Protocols.Name(fx.session.Paths.ProtocolOf(r.Protocol)), "Unknown");
    EXPECT_EQ(fx.session.Description(i), "");
    EXPECT_EQ(r.SrcNode, 0u);
    EXPECT_EQ(r.DstNode, 0u);
  }
  EXPECT_EQ(fx.session.FrameTable[2].TrueLen, 64u);
}

TEST(Pcap, ReopeningClearsTheTablesOfAFailedLoad) {
  SessionFixture fx;
  TempFile good(PcapFile(Frames(2)));
  // A 5View record shorter than its own header, after a frame, fails the
  // load half-way.
  TempFile bad(
      test::FiveViewFile({test::FiveViewFrame(1000000000u, 0, EtherFrame(60)), {1, {}, 0, 0, 35}}));
  EXPECT_FALSE(fx.Open(bad.path()));
  EXPECT_EQ(fx.session.FrameCount, 0u);
  EXPECT_EQ(fx.session.Nodes.NodeCount(), 0u);
  EXPECT_EQ(fx.session.Paths.Count(), 0u);
  ASSERT_TRUE(fx.Open(good.path()));
  EXPECT_EQ(fx.session.FrameCount, 2u);
  EXPECT_EQ(fx.session.Nodes.NodeCount(), 2u);
}

TEST(Pcap, ProgressIsReportedAtMostAHundredTimes) {
  struct Counter : LoadObserver {
    int started = 0, progress = 0, finished = 0;
    unsigned last = 0;
    bool monotonic = true;
    void LoadStarted() override { ++started; }
    void LoadProgress(unsigned p) override {
      monotonic = monotonic && p > last;
      last = p;
      ++progress;
    }
    void LoadFinished() override { ++finished; }
  } obs;
  TempFile file(PcapFile(Frames(500)));
  SessionFixture fx;
  ASSERT_TRUE(fx.session.OpenSnifferFile(file.path(), &obs));
  EXPECT_EQ(obs.started, 1);
  EXPECT_EQ(obs.finished, 1);
  EXPECT_GT(obs.progress, 50);
  EXPECT_LE(obs.progress, 100);
  EXPECT_TRUE(obs.monotonic);
}

TEST(Pcap, SkippingToFirstFrameReportsProgressByRecordCount) {
  struct Percents : LoadObserver {
    std::vector<unsigned> seen;
    void LoadProgress(unsigned p) override { seen.push_back(p); }
  } obs;
  // 200 records of 76 bytes: a step of 153 bytes. Skipping 100 records
  // counts 2..101, all below one step; the load then reports positions
  // from about half of the file on.
  TempFile file(PcapFile(Frames(200)));
  SessionFixture fx;
  fx.env.settings.FirstFrame = 101;
  ASSERT_TRUE(fx.session.OpenSnifferFile(file.path(), &obs));
  EXPECT_EQ(fx.session.FrameCount, 100u);
  ASSERT_FALSE(obs.seen.empty());
  EXPECT_GE(obs.seen.front(), 49u);
}

TEST(Detection, MagicsAndTheirOrder) {
  struct Case {
    std::string head;
    CaptureFormat format;
    bool modified, swapped;
    bool nano = false;
  } cases[] = {
      {"TRSNIFF data    \x1A", CaptureFormat::Sniffer, false, false},
      {"RTSS", CaptureFormat::NetmonV1, false, false},
      {"\xD4\xC3\xB2\xA1", CaptureFormat::Pcap, false, false},
      {"\x34\xCD\xB2\xA1", CaptureFormat::Pcap, true, false},
      {"XCP", CaptureFormat::NetXRay, false, false},
      {"\xA1\xB2\xC3\xD4", CaptureFormat::Pcap, false, true},
      {"GMBU", CaptureFormat::NetmonV2, false, false},
      {"\xAA\xAA\xAA\xAA", CaptureFormat::FiveView, false, false},
      // Too few blanks: not a Sniffer file.
      {"TRSNIFF data   \x1A", CaptureFormat::None, false, false},
      // The modified magic only in little-endian order.
      {"\xA1\xB2\xCD\x34", CaptureFormat::None, false, false},
      // The header is text up to its first zero byte.
      {std::string("RT\0S", 4), CaptureFormat::None, false, false},
      {"", CaptureFormat::None, false, false},
      // After the eight: nanosecond pcap in both byte orders, and a pcapng
      // section header whose byte-order magic tells its order (its length,
      // with zero bytes, is not compared).
      {"\x4D\x3C\xB2\xA1", CaptureFormat::Pcap, false, false, true},
      {"\xA1\xB2\x3C\x4D", CaptureFormat::Pcap, false, true, true},
      {std::string("\x0A\x0D\x0D\x0A\x1C\0\0\0\x4D\x3C\x2B\x1A", 12), CaptureFormat::Pcapng, false,
       false},
      {std::string("\x0A\x0D\x0D\x0A\0\0\0\x1C\x1A\x2B\x3C\x4D", 12), CaptureFormat::Pcapng, false,
       true},
      // A section header without its byte-order magic is no pcapng file.
      {std::string("\x0A\x0D\x0D\x0A\x1C\0\0\0\x4D\x3C\x2B\x1B", 12), CaptureFormat::None, false,
       false},
  };
  for (const auto& c : cases) {
    uint8_t head[17] = {};
    std::copy(c.head.begin(), c.head.end(), head);
    const DetectedFormat d = DetectCaptureFormat(head);
    EXPECT_EQ(d.Format, c.format) << c.head;
    EXPECT_EQ(d.PcapModified, c.modified) << c.head;
    EXPECT_EQ(d.PcapSwapped, c.swapped) << c.head;
    EXPECT_EQ(d.PcapNano, c.nano) << c.head;
  }
}

// Nanosecond times are kept to the microsecond, in both byte orders.
TEST(Pcap, NanosecondTimesAreKeptToTheMicrosecond) {
  std::vector<PcapFrame> frames = Frames(3);
  frames[0].micro = 999;        // below one microsecond
  frames[1].micro = 123456789;  // 0.123456789 s
  frames[2].micro = 999999999;
  for (bool big : {false, true}) {
    SCOPED_TRACE(big ? "big-endian" : "little-endian");
    TempFile file(PcapFile(frames, 1, big, false, true));
    SessionFixture fx;
    ASSERT_TRUE(fx.Open(file.path())) << fx.LastMessage();
    ASSERT_EQ(fx.session.FrameCount, 3u);
    EXPECT_TRUE(fx.session.Input.PcapNano);
    const uint32_t micro[] = {0, 123456, 999999};
    for (uint32_t n = 1; n <= 3; ++n) EXPECT_EQ(fx.session.FrameTable[n].Micro, micro[n - 1]) << n;
    EXPECT_NEAR(fx.session.FrameTable[2].RelTime, 1.123456, 1e-9);
    ASSERT_EQ(fx.session.ReadFrame(2), 60u);
  }
}

// The file's link type is every frame's, and decides the unit it starts
// with; a link type without one is refused.
TEST(Pcap, TheLinkTypeOfTheFileIsEveryFramesLinkType) {
  const Bytes ip = FrameBuilder()
                       .raw({0x45, 0, 0, 20, 0, 0, 0, 0, 64, 0xFD, 0, 0})
                       .ipv4("10.0.0.1")
                       .ipv4("10.0.0.2");
  struct Case {
    uint32_t linkType;
    Bytes frame;
    const char* desc;
  } cases[] = {
      {1, EtherFrame(60), "Ethernet II/Unknown"},
      {101, ip, "Raw IP/IPV4"},
      {12, ip, "Raw IP/IPV4"},
      {14, ip, "Raw IP/IPV4"},
      {228, ip, "Raw IP/IPV4"},
      {108, test::Concat({{0, 0, 0, 2}, ip}), "Loopback/IPV4"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.linkType);
    TempFile file(PcapFile({{c.frame}}, c.linkType));
    SessionFixture fx;
    ASSERT_TRUE(fx.Open(file.path())) << fx.LastMessage();
    EXPECT_EQ(fx.session.FrameTable[1].LinkType, c.linkType);
    EXPECT_EQ(fx.session.Description(1), c.desc);
  }
  for (uint32_t other : {105u, 147u, 0x10001u}) {
    TempFile file(PcapFile({{EtherFrame(60)}}, other));
    SessionFixture fx;
    EXPECT_FALSE(fx.Open(file.path()));
    ASSERT_EQ(fx.notes.Messages.size(), 1u);
    EXPECT_EQ(fx.notes.Messages[0],
              std::string(msg::kNotSupported) + "\n" + file.path() + ": link type " +
                  std::to_string(other));
  }
}

// BSD loopback writes its family in the writer's byte order, as the file
// header's byte order tells.
TEST(Pcap, LoopbackFamilyInTheByteOrderOfTheFile) {
  const Bytes ip = FrameBuilder()
                       .raw({0x45, 0, 0, 20, 0, 0, 0, 0, 64, 0xFD, 0, 0})
                       .ipv4("10.0.0.1")
                       .ipv4("10.0.0.2");
  for (bool big : {false, true}) {
    SCOPED_TRACE(big ? "big-endian" : "little-endian");
    const Bytes family = big ? Bytes{0, 0, 0, 2} : Bytes{2, 0, 0, 0};
    const Bytes wrong = big ? Bytes{2, 0, 0, 0} : Bytes{0, 0, 0, 2};
    TempFile file(PcapFile({{test::Concat({family, ip})}, {test::Concat({wrong, ip})}}, 0, big));
    SessionFixture fx;
    ASSERT_TRUE(fx.Open(file.path())) << fx.LastMessage();
    EXPECT_EQ(fx.session.Description(1), "Loopback/IPV4");
    EXPECT_EQ(fx.session.Description(2), "Loopback/Unknown");
  }
}

}  // namespace
}  // namespace kestle
