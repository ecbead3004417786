// The pcapng reader: sections in both byte orders, interfaces with their
// link types and time resolutions, the packet block kinds, blocks skipped
// by their length, and every kind of damaged block.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "capture/frame_index.h"
#include "decode/dispatch.h"
#include "decode/session.h"
#include "support/builders.h"
#include "support/packets.h"
#include "support/session_fixture.h"

namespace kestle::test {
namespace {

using Messages = std::vector<std::string>;

constexpr uint64_t kStart = 1615713600;  // 2021-03-14 09:20:00 UTC

class PcapngTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    setenv("TZ", "UTC", 1);
    tzset();
  }
};

Bytes Ip4(uint8_t last) {
  return IPv4Packet(0xFD, {}, "10.0.0.1", "10.0.0." + std::to_string(last));
}
Bytes Cooked(const Bytes& ip) {
  return Concat(
      {FrameBuilder().be16(0).be16(1).be16(6).mac("00:11:22:33:44:55").zeros(2).be16(0x0800), ip});
}

// Both byte orders: frames, their lengths, times, link type and bytes read again.
TEST_F(PcapngTest, ASectionInEitherByteOrder) {
  for (bool big : {false, true}) {
    SCOPED_TRACE(big ? "big-endian" : "little-endian");
    PcapngWriter w;
    w.Section(big).Interface(1).Packet(0, kStart * 1000000 + 250, Frame(60, 1));
    w.Packet(0, (kStart + 2) * 1000000 + 500000, Frame(70, 2), 1514);
    Loaded l(w.bytes());
    ASSERT_TRUE(l.ok) << l.f.LastMessage();
    EXPECT_TRUE(l.f.notes.Messages.empty());
    CaptureSession& s = l.s();
    EXPECT_EQ(s.Format(), CaptureFormat::Pcapng);
    ASSERT_EQ(s.FrameCount, 2u);
    EXPECT_EQ(s.FrameTable[1].Seconds, kStart);
    EXPECT_EQ(s.FrameTable[1].Micro, 250u);
    EXPECT_EQ(s.FrameTable[2].Micro, 500000u);
    EXPECT_NEAR(s.FrameTable[2].RelTime, 2.49975, 1e-9);
    EXPECT_EQ(s.FrameTable[2].CapLen, 70u);
    EXPECT_EQ(s.FrameTable[2].TrueLen, 1514u);
    EXPECT_EQ(s.FrameTable[2].LinkType, kLinkEthernet);
    EXPECT_EQ(s.Description(1), "Ethernet II/ARP");
    for (uint32_t n : {2u, 1u}) {
      ASSERT_EQ(s.ReadFrame(n), s.FrameTable[n].CapLen);
      EXPECT_EQ(HeldFrame(s), Frame(n == 1 ? 60 : 70, static_cast<uint8_t>(n)));
    }
  }
}

// if_tsresol: any power of 10 or of 2; if_tsoffset adds seconds.
TEST_F(PcapngTest, TimeResolutionsAndOffset) {
  struct Case {
    const char* name;
    int resolution;  // -1: none given (microseconds)
    int64_t offset;
    uint64_t time;
    uint32_t seconds;
    uint32_t micro;
  } cases[] = {
      {"default", -1, 0, kStart * 1000000 + 7, kStart, 7},
      {"milliseconds", 3, 0, kStart * 1000 + 274, kStart, 274000},
      {"nanoseconds", 9, 0, kStart * 1000000000 + 123456789, kStart, 123456},
      {"seconds", 0, 0, kStart, kStart, 0},
      {"2^-10", 0x80 | 10, 0, kStart * 1024 + 512, kStart, 500000},
      {"2^-0", 0x80, 0, kStart, kStart, 0},
      {"2^-64: always within the first second", 0x80 | 64, 0, 1ull << 63, 0, 500000},
      {"2^-127", 0x80 | 127, 0, ~0ull, 0, 0},
      {"10^-19", 19, 0, 10000000000000000000ull, 1, 0},
      {"10^-38", 38, 0, ~0ull, 0, 0},
      {"10^-127", 127, 0, ~0ull, 0, 0},
      {"offset", 6, 3600, kStart * 1000000 + 1, kStart + 3600, 1},
      {"negative offset before 1970", 6, -100, 50000000, 0, 0},
      {"beyond 2106", 0, 0, 1ull << 40, 0xFFFFFFFF, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    PcapngWriter w;
    w.Section().Interface(1, 0, c.resolution, c.offset).Packet(0, c.time, Frame(60));
    Loaded l(w.bytes());
    ASSERT_TRUE(l.ok) << l.f.LastMessage();
    EXPECT_EQ(l.s().FrameTable[1].Seconds, c.seconds);
    EXPECT_EQ(l.s().FrameTable[1].Micro, c.micro);
  }
}

// Several sections, each in its own byte order with interfaces of its own,
// the packet block kinds, and the blocks that are skipped.
TEST_F(PcapngTest, SectionsInterfacesAndLinkTypes) {
  PcapngWriter w;
  w.Section(false).Interface(1).Interface(113);
  w.Block(4, Bytes(16, 0x77));  // name resolution
  w.Packet(1, kStart * 1000000, Cooked(Ip4(1)));
  w.Packet(0, kStart * 1000000 + 1, Frame(60, 1));
  w.Block(5, Bytes(24, 0));             // interface statistics
  w.Block(0x00000BAD, Bytes(8, 0x55));  // custom
  w.Block(0x12345678, {});              // unknown
  w.Simple(Frame(64, 2));               // interface 0 of the section
  // The second section: interface numbers start again, in the other order.
  w.Section(true).Interface(101, 0, 9).Interface(1, 60);
  w.Packet(0, (kStart + 1) * 1000000000, Ip4(2));
  w.OldPacket(1, (kStart + 2) * 1000000, Frame(60, 3));
  w.Simple(Ip4(3));  // a raw IP datagram of interface 0
  Loaded l(w.bytes());
  ASSERT_TRUE(l.ok) << l.f.LastMessage();
  CaptureSession& s = l.s();
  EXPECT_TRUE(l.f.notes.Messages.empty()) << l.f.LastMessage();
  ASSERT_EQ(s.FrameCount, 6u);
  struct Want {
    uint16_t link;
    const char* desc;
    uint32_t seconds;
  } want[] = {
      {113, "Linux cooked/IPV4", kStart}, {1, "Ethernet II/ARP", kStart},
      {1, "Ethernet II/ARP", kStart},     {101, "Raw IP/IPV4", kStart + 1},
      {1, "Ethernet II/ARP", kStart + 2}, {101, "Raw IP/IPV4", kStart + 2},
  };
  for (uint32_t n = 1; n <= 6; ++n) {
    SCOPED_TRACE("frame " + std::to_string(n));
    EXPECT_EQ(s.FrameTable[n].LinkType, want[n - 1].link);
    EXPECT_EQ(s.Description(n), want[n - 1].desc);
    // A simple packet keeps the time of the frame before it.
    EXPECT_EQ(s.FrameTable[n].Seconds, want[n - 1].seconds);
    EXPECT_EQ(s.FrameTable[n].BigEndian, n >= 4 ? 1 : 0);
  }
  // Every frame reads again, in its section's byte order.
  const Bytes bytes[] = {Cooked(Ip4(1)), Frame(60, 1), Frame(64, 2), Ip4(2), Frame(60, 3), Ip4(3)};
  for (uint32_t n = 6; n >= 1; --n) {
    ASSERT_EQ(s.ReadFrame(n), bytes[n - 1].size()) << n;
    EXPECT_EQ(HeldFrame(s), bytes[n - 1]) << n;
  }
  // Reading without decoding takes the same frames when it takes the
  // decoder's link types, and Ethernet alone without.
  RecordingNotifier notes;
  CaptureInput input(notes);
  TempFile t(w.bytes(), ".pcapng");
  FrameIndex decoded(DecodesLinkType), ethernet;
  ASSERT_TRUE(input.Load(t.path(), LoadOptions{}, decoded));
  EXPECT_EQ(decoded.Count(), 6u);
  EXPECT_EQ(decoded[4].LinkType, 101);
  ASSERT_TRUE(input.Load(t.path(), LoadOptions{}, ethernet));
  EXPECT_EQ(ethernet.Count(), 3u);
  EXPECT_EQ(notes.FirstLines(), Messages{msg::SkippedFramesText(3)});
}

// A simple packet is cut to its interface's snap length.
TEST_F(PcapngTest, SimplePacketsAreCutToTheSnapLength) {
  PcapngWriter w;
  w.Section().Interface(1, 50).Simple(Frame(60, 4));
  Loaded l(w.bytes());
  ASSERT_TRUE(l.ok);
  EXPECT_EQ(l.s().FrameTable[1].CapLen, 50u);
  EXPECT_EQ(l.s().FrameTable[1].TrueLen, 60u);
}

// Frames of interfaces whose link type nothing decodes are skipped and
// counted; with no other frames the file is not one of ours.
TEST_F(PcapngTest, FramesOfOtherLinkTypesAreSkippedAndCounted) {
  PcapngWriter w;
  w.Section().Interface(147).Interface(1);
  w.Packet(0, 1, Bytes(20, 1)).Packet(1, 2, Frame(60)).Packet(0, 3, Bytes(20, 2));
  Loaded l(w.bytes());
  ASSERT_TRUE(l.ok);
  EXPECT_EQ(l.s().FrameCount, 1u);
  EXPECT_EQ(l.f.notes.FirstLines(), Messages{"2 frames of an unsupported link type were skipped"});

  PcapngWriter other;
  other.Section().Interface(147).Packet(0, 1, Bytes(20, 1));
  Loaded none(other.bytes());
  EXPECT_FALSE(none.ok);
  EXPECT_EQ(none.f.notes.FirstLines(), Messages{msg::kNotEthernet});
  // An interface of another link type without frames: not ours either.
  PcapngWriter empty;
  empty.Section().Interface(147);
  Loaded noFrames(empty.bytes());
  EXPECT_EQ(noFrames.f.notes.FirstLines(), Messages{msg::kNotEthernet});
  // A section without interfaces is an empty file.
  PcapngWriter bare;
  bare.Section().Block(5, Bytes(8, 0));
  Loaded nothing(bare.bytes());
  EXPECT_EQ(nothing.f.notes.FirstLines(), Messages{msg::kEmpty});
}

// A frame whose interface was never described is left out.
TEST_F(PcapngTest, AnInterfaceWithoutItsDescriptionSkipsTheFrame) {
  PcapngWriter w;
  w.Section().Interface(1).Packet(3, 1, Frame(60, 1)).Packet(0, 2, Frame(61, 2));
  // A simple packet in a section without interfaces.
  w.Section().Simple(Frame(62, 3)).Interface(1).Packet(0, 3, Frame(63, 4));
  Loaded l(w.bytes());
  ASSERT_TRUE(l.ok);
  EXPECT_TRUE(l.f.notes.Messages.empty());
  ASSERT_EQ(l.s().FrameCount, 2u);
  EXPECT_EQ(l.s().FrameTable[1].CapLen, 61u);
  EXPECT_EQ(l.s().FrameTable[2].CapLen, 63u);
}

TEST_F(PcapngTest, FirstFrameAndMaxPacketsCountTheFramesLoaded) {
  PcapngWriter w;
  w.Section().Interface(147).Interface(1);
  for (uint8_t i = 0; i < 6; ++i) w.Packet(1, i, Frame(60, i)).Packet(0, i, Bytes(20, i));
  Loaded l(w.bytes(), 2, 3);
  ASSERT_TRUE(l.ok);
  ASSERT_EQ(l.s().FrameCount, 2u);
  ASSERT_EQ(l.s().ReadFrame(1), 60u);
  EXPECT_EQ(HeldFrame(l.s()), Frame(60, 2));
  // Past the last frame, whatever follows it.
  Loaded past(w.bytes(), 100, 7);
  EXPECT_FALSE(past.ok);
  EXPECT_EQ(past.f.notes.FirstLines().back(), msg::kFirstFrame);
}

// Damaged blocks end the load; the frames before them stay.
TEST_F(PcapngTest, DamagedBlocksEndTheLoad) {
  PcapngWriter good;
  good.Section().Interface(1).Packet(0, 1, Frame(60, 1));
  const size_t at = good.size();  // where the damaged block starts
  const uint32_t len = static_cast<uint32_t>(PcapngWriter().Packet(0, 2, Frame(60, 2)).size());
  auto damaged = [&](const std::function<void(Bytes&)>& damage) {
    PcapngWriter w = good;
    w.Packet(0, 2, Frame(60, 2)).Packet(0, 3, Frame(60, 3));
    Bytes b = w.bytes();
    damage(b);
    return b;
  };
  auto setLength = [&](Bytes& b, size_t pos, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[pos + i] = static_cast<uint8_t>(v >> (8 * i));
  };
  struct Case {
    const char* name;
    std::function<void(Bytes&)> damage;
  } cases[] = {
      {"length below 12", [&](Bytes& b) { setLength(b, at + 4, 8); }},
      {"length 0", [&](Bytes& b) { setLength(b, at + 4, 0); }},
      {"length not a multiple of 4", [&](Bytes& b) { setLength(b, at + 4, 98); }},
      {"length past the end", [&](Bytes& b) { setLength(b, at + 4, 0x7FFFFFF0); }},
      {"trailer differs", [&](Bytes& b) { setLength(b, at + len - 4, len - 4); }},
      {"captured length beyond the block", [&](Bytes& b) { setLength(b, at + 20, len - 31); }},
      {"enhanced packet shorter than its fields", [&](Bytes& b) { setLength(b, at + 4, 28); }},
      {"cut in the block header", [&](Bytes& b) { b.resize(at + 6); }},
      {"cut in the trailer", [&](Bytes& b) { b.resize(at + len - 2); }},
      {"section header with a bad byte-order magic",
       [&](Bytes& b) {
         const Bytes shb = PcapngWriter().Section().bytes();
         b.insert(b.begin() + static_cast<long>(at), shb.begin(), shb.end());
         b[at + 8] = 0x11;
       }},
      {"interface description too short",
       [&](Bytes& b) {
         const Bytes idb = PcapngWriter().Block(1, {1, 0}).bytes();
         b.insert(b.begin() + static_cast<long>(at), idb.begin(), idb.end());
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Loaded l(damaged(c.damage));
    ASSERT_TRUE(l.ok) << l.f.LastMessage();
    EXPECT_EQ(l.s().FrameCount, 1u);
    EXPECT_EQ(l.f.notes.FirstLines(), Messages{msg::kMalformed});
    ASSERT_EQ(l.s().ReadFrame(1), 60u);
    EXPECT_EQ(HeldFrame(l.s()), Frame(60, 1));
  }
}

// Descriptions beyond what any file needs are damage, not memory to spend.
TEST_F(PcapngTest, SectionsAndInterfacesHaveALimit) {
  PcapngWriter many;
  many.Section().Interface(1).Packet(0, 1, Frame(60));
  for (int i = 1; i < 65536; ++i) many.Interface(1);
  many.Packet(65535, 2, Frame(61)).Interface(1).Packet(0, 3, Frame(62));
  Loaded l(many.bytes());
  ASSERT_TRUE(l.ok);
  EXPECT_EQ(l.s().FrameCount, 2u);
  EXPECT_EQ(l.f.notes.FirstLines(), Messages{msg::kMalformed});

  PcapngWriter sections;
  sections.Section().Interface(1).Packet(0, 1, Frame(60));
  for (int i = 1; i < 65536; ++i) sections.Section();
  sections.Interface(1).Packet(0, 2, Frame(61)).Section();
  Loaded s(sections.bytes());
  ASSERT_TRUE(s.ok);
  EXPECT_EQ(s.s().FrameCount, 2u);
  EXPECT_EQ(s.f.notes.FirstLines(), Messages{msg::kMalformed});
}

// Through gzip as well.
TEST_F(PcapngTest, ThroughGzip) {
  PcapngWriter w;
  w.Section(true)
      .Interface(276)
      .Packet(0, 1, Bytes(20, 0))
      .Section()
      .Interface(1)
      .Packet(0, 2, Frame(60));
  Loaded l(Gzip(w.bytes()));
  ASSERT_TRUE(l.ok) << l.f.LastMessage();
  ASSERT_EQ(l.s().FrameCount, 2u);
  EXPECT_EQ(l.s().FrameTable[1].LinkType, 276);
  ASSERT_EQ(l.s().ReadFrame(2), 60u);
  ASSERT_EQ(l.s().ReadFrame(1), 20u);
}

}  // namespace
}  // namespace kestle::test
