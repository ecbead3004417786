// Damaged capture files and frames longer than the longest kept, in every
// format: a file cut short keeps the frames before the cut, a frame too long
// keeps its first kMaxFrameLength bytes, and the load says so when it ends.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "decode/session.h"
#include "support/builders.h"
#include "support/capture_files.h"
#include "support/session_fixture.h"

namespace kestle::test {
namespace {

using Frames = std::vector<Bytes>;
using Messages = std::vector<std::string>;

struct Format {
  const char* name;
  // A file holding these frames, its last record at the end of the file.
  Bytes (*write)(const Frames& frames);
  bool wide;  // record lengths of 32 bits, so that one can exceed kMaxRecordLength
};

std::vector<PcapFrame> PcapFrames(const Frames& frames) {
  std::vector<PcapFrame> v;
  for (size_t i = 0; i < frames.size(); ++i)
    v.push_back({frames[i], 1615713600u + static_cast<uint32_t>(i), 0, 0});
  return v;
}

std::vector<NetmonFrame> NetmonFrames(const Frames& frames) {
  std::vector<NetmonFrame> v;
  for (size_t i = 0; i < frames.size(); ++i) v.push_back({i, frames[i]});
  return v;
}

std::vector<XrayFrame> XrayFrames(const Frames& frames) {
  std::vector<XrayFrame> v;
  for (size_t i = 0; i < frames.size(); ++i) v.push_back({i, frames[i], 0});
  return v;
}

// The index in front, so that the records end the file.
NetmonOptions IndexFirst() {
  NetmonOptions o;
  o.indexFirst = true;
  return o;
}

XrayOptions Xray11() {
  XrayOptions o;
  o.version = "001.001";
  return o;
}

const Format kFormats[] = {
    {"pcap", [](const Frames& f) { return PcapFile(PcapFrames(f)); }, true},
    {"pcap_big_endian", [](const Frames& f) { return PcapFile(PcapFrames(f), 1, true); }, true},
    {"pcap_modified", [](const Frames& f) { return PcapFile(PcapFrames(f), 1, false, true); },
     true},
    {"pcap_nanosecond",
     [](const Frames& f) { return PcapFile(PcapFrames(f), 1, true, false, true); }, true},
    {"pcapng",
     [](const Frames& f) {
       PcapngWriter w;
       w.Section().Interface(1);
       for (size_t i = 0; i < f.size(); ++i) w.Packet(0, i, f[i]);
       return w.bytes();
     },
     true},
    {"pcapng_big_endian",
     [](const Frames& f) {
       PcapngWriter w;
       w.Section(true).Interface(1);
       for (size_t i = 0; i < f.size(); ++i) w.Simple(f[i]);
       return w.bytes();
     },
     true},
    {"sniffer",
     [](const Frames& f) {
       std::vector<SnifferRecord> r;
       for (size_t i = 0; i < f.size(); ++i) r.push_back(SnifferData(i, f[i]));
       return SnifferFile(r);
     },
     false},
    {"netmon1", [](const Frames& f) { return NetmonFile(1, NetmonFrames(f), IndexFirst()); },
     false},
    {"netmon2", [](const Frames& f) { return NetmonFile(2, NetmonFrames(f), IndexFirst()); }, true},
    {"netxray1", [](const Frames& f) { return XrayFile(XrayFrames(f), Xray11()); }, false},
    {"netxray2", [](const Frames& f) { return XrayFile(XrayFrames(f)); }, false},
    {"fiveview",
     [](const Frames& f) {
       std::vector<FiveViewRecord> r;
       for (size_t i = 0; i < f.size(); ++i)
         r.push_back(FiveViewFrame(1615713600u + static_cast<uint32_t>(i), 0, f[i]));
       return FiveViewFile(r);
     },
     true},
};

class DamagedFile : public ::testing::TestWithParam<Format> {
 protected:
  Bytes Write(const Frames& frames) const { return GetParam().write(frames); }
};

Bytes Cut(Bytes b, size_t n) {
  b.resize(b.size() - n);
  return b;
}

Frames Numbered(size_t n, size_t size) {
  Frames v;
  for (size_t i = 0; i < n; ++i) v.push_back(Frame(size + i % 5, static_cast<uint8_t>(i)));
  return v;
}

// Every loaded frame reads again as it was written.
void ExpectFrames(CaptureSession& s, const Frames& frames) {
  ASSERT_LE(s.FrameCount, frames.size());
  for (uint32_t n = 1; n <= s.FrameCount; ++n) {
    ASSERT_EQ(s.ReadFrame(n), frames[n - 1].size()) << "frame " << n;
    EXPECT_EQ(HeldFrame(s), frames[n - 1]) << "frame " << n;
  }
}

TEST_P(DamagedFile, ARecordCutShortAtTheEndKeepsTheFramesBeforeIt) {
  const Frames frames = {Frame(60, 1), Frame(61, 2), Frame(64, 3)};
  const Bytes whole = Write(frames);
  {
    Loaded l(whole);
    ASSERT_TRUE(l.ok) << l.f.LastMessage();
    EXPECT_EQ(l.s().FrameCount, 3u);
    EXPECT_TRUE(l.f.notes.Messages.empty());
  }
  // Into the last frame's bytes, all of them, and into its record header.
  for (size_t cut : {1, 30, 64, 65, 64 + 5}) {
    SCOPED_TRACE("cut " + std::to_string(cut));
    Loaded l(Cut(whole, cut));
    ASSERT_TRUE(l.ok) << l.f.LastMessage();
    EXPECT_EQ(l.s().FrameCount, 2u);
    EXPECT_EQ(l.f.notes.FirstLines(), Messages{msg::kMalformed});
    ExpectFrames(l.s(), frames);
  }
}

TEST_P(DamagedFile, AFirstRecordCutShortLeavesTheFileEmpty) {
  Loaded l(Cut(Write({Frame(60)}), 1));
  EXPECT_FALSE(l.ok);
  EXPECT_EQ(l.f.notes.FirstLines(), Messages{msg::kEmpty});
  EXPECT_FALSE(l.s().FileOpen());
}

TEST_P(DamagedFile, ACompressedStreamThatEndsEarlyKeepsTheFramesBeforeIt) {
  const Frames frames = Numbered(40, 200);
  const Bytes gz = Gzip(Write(frames));
  {
    Loaded whole(gz);
    ASSERT_TRUE(whole.ok);
    EXPECT_EQ(whole.s().FrameCount, 40u);
    EXPECT_TRUE(whole.f.notes.Messages.empty());
  }
  // Without its end mark (the check value and length) every frame is whole,
  // but the stream still ended early.
  {
    Loaded l(Cut(gz, 8));
    ASSERT_TRUE(l.ok) << l.f.LastMessage();
    EXPECT_EQ(l.s().FrameCount, 40u);
    EXPECT_EQ(l.f.notes.FirstLines(), Messages{msg::kMalformed});
  }
  Loaded l(Cut(gz, gz.size() / 2));
  ASSERT_TRUE(l.ok) << l.f.LastMessage();
  EXPECT_GT(l.s().FrameCount, 0u);
  EXPECT_LT(l.s().FrameCount, 40u);
  EXPECT_EQ(l.f.notes.FirstLines(), Messages{msg::kMalformed});
  ExpectFrames(l.s(), frames);
}

Bytes Head(const Bytes& b, size_t n) { return Bytes(b.begin(), b.begin() + static_cast<long>(n)); }

// Frames longer than the longest kept load with their first kMaxFrameLength
// bytes and their length on the wire; the load goes on and says so once.
TEST_P(DamagedFile, FramesLongerThanTheLongestKeptAreCutToIt) {
  const Frames frames = {Frame(60, 1), Frame(50000, 2), Frame(62, 3), Frame(40001, 4)};
  const Bytes plain = Write(frames);
  for (const Bytes& file : {plain, Gzip(plain)}) {
    Loaded l(file);
    ASSERT_TRUE(l.ok) << l.f.LastMessage();
    CaptureSession& s = l.s();
    ASSERT_EQ(s.FrameCount, 4u);
    EXPECT_EQ(l.f.notes.FirstLines(), Messages{msg::kTooLong});
    const uint32_t capLen[] = {60, kMaxFrameLength, 62, kMaxFrameLength};
    const uint32_t trueLen[] = {60, 50000, 62, 40001};
    for (uint32_t n = 1; n <= 4; ++n) {
      SCOPED_TRACE("frame " + std::to_string(n));
      EXPECT_EQ(s.FrameTable[n].CapLen, capLen[n - 1]);
      EXPECT_EQ(s.FrameTable[n].TrueLen, trueLen[n - 1]);
      // Read again, the same bytes.
      ASSERT_EQ(s.ReadFrame(n), capLen[n - 1]);
      EXPECT_EQ(HeldFrame(s), Head(frames[n - 1], capLen[n - 1]));
    }
    EXPECT_EQ(s.Description(2), "Ethernet II/ARP");
  }
}

// When several messages apply: the limit as it is reached, then what
// qualifies the frames kept, then the damage that ended the load.
TEST_P(DamagedFile, MessagesComeInTheOrderTheyApply) {
  const Bytes big = Frame(50000, 2);
  {
    Loaded l(Cut(Write({big, Frame(60), Frame(61)}), 1));
    ASSERT_TRUE(l.ok);
    EXPECT_EQ(l.s().FrameCount, 2u);
    EXPECT_EQ(l.f.notes.FirstLines(), (Messages{msg::kTooLong, msg::kMalformed}));
  }
  {
    Loaded l(Write({big, Frame(60), Frame(61)}), 2);
    ASSERT_TRUE(l.ok);
    EXPECT_EQ(l.s().FrameCount, 2u);
    EXPECT_EQ(l.f.notes.FirstLines(), (Messages{msg::kMaxFrames, msg::kTooLong}));
  }
  // A long record cut short is damage, not a frame to cut.
  {
    Loaded l(Cut(Write({Frame(60), big}), 1));
    ASSERT_TRUE(l.ok);
    EXPECT_EQ(l.s().FrameCount, 1u);
    EXPECT_EQ(l.f.notes.FirstLines(), Messages{msg::kMalformed});
  }
}

// Formats whose record lengths have 32 bits, so that one can exceed any
// frame's.
class WideRecordFile : public DamagedFile {};

std::vector<Format> WideFormats() {
  std::vector<Format> v;
  for (const Format& f : kFormats)
    if (f.wide) v.push_back(f);
  return v;
}

// A record length beyond any frame's is damage: the frames before it stay.
TEST_P(WideRecordFile, ARecordLongerThanAnyFrameEndsTheLoad) {
  {
    Loaded l(Write({Frame(60), Frame(kMaxRecordLength), Frame(61)}));
    ASSERT_TRUE(l.ok);
    EXPECT_EQ(l.s().FrameCount, 3u);
    EXPECT_EQ(l.f.notes.FirstLines(), Messages{msg::kTooLong});
  }
  Loaded l(Write({Frame(60), Frame(kMaxRecordLength + 1), Frame(61)}));
  ASSERT_TRUE(l.ok);
  EXPECT_EQ(l.s().FrameCount, 1u);
  EXPECT_EQ(l.f.notes.FirstLines(), Messages{msg::kMalformed});
}

INSTANTIATE_TEST_SUITE_P(EveryReader, DamagedFile, ::testing::ValuesIn(kFormats),
                         [](const auto& info) { return std::string(info.param.name); });
INSTANTIATE_TEST_SUITE_P(EveryReader, WideRecordFile, ::testing::ValuesIn(WideFormats()),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kestle::test
