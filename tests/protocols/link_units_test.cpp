// The link units of captures that are not Ethernet: Linux cooked v1 and v2,
// raw IP and the loopback headers. Behind them the same protocols decode as
// behind Ethernet; a header cut short is shown to its last whole field.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "decode/dispatch.h"
#include "decode/protocol_ids.h"
#include "decode/registry.h"
#include "output/grid.h"
#include "support/decode_fixture.h"
#include "support/packets.h"

namespace kestle::test {
namespace {

using Lines = std::vector<std::string>;
using LinkedFrame = DecodeFixture::LinkedFrame;

const Bytes kTcp = IPv4Packet(6, TCPHeader(40000, 40001, 0x02), "10.0.0.1", "10.0.0.2");
const Bytes kIcmpv6 = IPv6Packet(58, Icmpv6Echo(), "2001:db8::1", "2001:db8::2");

Bytes CookedV1(uint16_t packetType, uint16_t protocol, const Bytes& payload,
               uint16_t addressLength = 6) {
  return Concat({FrameBuilder()
                     .be16(packetType)
                     .be16(1)
                     .be16(addressLength)
                     .mac("00:11:22:33:44:55")
                     .zeros(2)
                     .be16(protocol),
                 payload});
}
Bytes CookedV2(uint8_t packetType, uint16_t protocol, const Bytes& payload) {
  return Concat({FrameBuilder()
                     .be16(protocol)
                     .be16(0)
                     .be32(3)
                     .be16(1)
                     .u8(packetType)
                     .u8(6)
                     .mac("00:11:22:33:44:55")
                     .zeros(2),
                 payload});
}
Bytes Family(uint32_t family, bool networkOrder) {
  return networkOrder ? FrameBuilder().be32(family).bytes() : FrameBuilder().le32(family).bytes();
}

struct Case {
  const char* name;
  uint16_t link;
  Bytes frame;
  const char* stack;
  const char* desc;
  const char* src;  // the Source column
  const char* dst;
};

// The stack, Description and stations of each unit, with what it carries.
TEST(LinkUnits, StacksDescriptionsAndStations) {
  const Bytes vlanTcp = Concat({FrameBuilder().be16(20).be16(0x0800), kTcp});
  const Bytes arp = ArpRequest("00:11:22:33:44:55", "10.0.0.1", "10.0.0.2");
  const Case cases[] = {
      {"cooked tcp", 113, CookedV1(4, 0x0800, kTcp), "Linux cooked/IPV4/TCP",
       "Linux cooked/IPV4/TCP (SYN)", "10.0.0.1", "10.0.0.2"},
      {"cooked vlan", 113, CookedV1(0, 0x8100, vlanTcp), "Linux cooked/802.1q/IPV4/TCP",
       "Linux cooked/802.1q/IPV4/TCP (SYN)", "10.0.0.1", "10.0.0.2"},
      {"cooked arp", 113, CookedV1(1, 0x0806, arp), "Linux cooked/ARP",
       "Linux cooked/ARP Request - Who is 10.0.0.2", "10.0.0.1", ""},
      {"cooked ipv6", 113, CookedV1(0, 0x86DD, kIcmpv6), "Linux cooked/IPV6/ICMPV6", "",
       "2001:DB8::1", "2001:DB8::2"},
      // The source is a station only when its address is a MAC.
      {"cooked no ether type", 113, CookedV1(0, 0x0004, {0x42, 0x42, 3}), "Linux cooked/Unknown",
       "Linux cooked/Unknown", "00:11:22:33:44:55", ""},
      {"cooked 8-byte address", 113, CookedV1(0, 0x0004, {1}, 8), "Linux cooked/Unknown",
       "Linux cooked/Unknown", "", ""},
      {"cooked v2 tcp", 276, CookedV2(0, 0x0800, kTcp), "Linux cooked/IPV4/TCP",
       "Linux cooked/IPV4/TCP (SYN)", "10.0.0.1", "10.0.0.2"},
      {"raw v4", 101, kTcp, "Raw IP/IPV4/TCP", "Raw IP/IPV4/TCP (SYN)", "10.0.0.1", "10.0.0.2"},
      {"raw v6", 101, kIcmpv6, "Raw IP/IPV6/ICMPV6", "Raw IP/IPV6/ICMPv6/Echo Request",
       "2001:DB8::1", "2001:DB8::2"},
      {"raw other version", 101, {0x50, 0, 0, 0}, "Raw IP/Unknown", "Raw IP/Unknown", "", ""},
      {"raw 12", 12, kIcmpv6, "Raw IP/IPV6/ICMPV6", "", "2001:DB8::1", "2001:DB8::2"},
      {"raw 14", 14, kTcp, "Raw IP/IPV4/TCP", "", "10.0.0.1", "10.0.0.2"},
      // IPv4 only and IPv6 only, whatever the nibble says.
      {"ipv4 only", 228, kTcp, "Raw IP/IPV4/TCP", "", "10.0.0.1", "10.0.0.2"},
      {"ipv6 only", 229, kIcmpv6, "Raw IP/IPV6/ICMPV6", "", "2001:DB8::1", "2001:DB8::2"},
      {"loopback v4", 0, Concat({Family(2, false), kTcp}), "Loopback/IPV4/TCP",
       "Loopback/IPV4/TCP (SYN)", "10.0.0.1", "10.0.0.2"},
      {"loopback v6 24", 0, Concat({Family(24, false), kIcmpv6}), "Loopback/IPV6/ICMPV6", "",
       "2001:DB8::1", "2001:DB8::2"},
      {"loopback v6 28", 0, Concat({Family(28, false), kIcmpv6}), "Loopback/IPV6/ICMPV6", "", "",
       ""},
      {"loopback v6 30", 0, Concat({Family(30, false), kIcmpv6}), "Loopback/IPV6/ICMPV6", "", "",
       ""},
      {"loopback other family", 0, Concat({Family(7, false), kTcp}), "Loopback/Unknown",
       "Loopback/Unknown", "", ""},
      {"openbsd loopback", 108, Concat({Family(2, true), kTcp}), "Loopback/IPV4/TCP", "", "", ""},
      {"openbsd loopback in host order", 108, Concat({Family(2, false), kTcp}), "Loopback/Unknown",
       "", "", ""},
  };
  std::vector<LinkedFrame> frames;
  for (const Case& c : cases) frames.push_back({c.link, c.frame});
  DecodeFixture fx;
  ASSERT_TRUE(fx.Load(frames)) << fx.LastMessage();
  ASSERT_EQ(fx.session.FrameCount, std::size(cases));
  for (uint32_t n = 1; n <= fx.session.FrameCount; ++n) {
    const Case& c = cases[n - 1];
    SCOPED_TRACE(c.name);
    EXPECT_EQ(fx.Stack(n), c.stack);
    if (*c.desc) {
      EXPECT_EQ(fx.session.Description(n), c.desc);
    }
    if (*c.src || *c.dst) {
      EXPECT_EQ(FrameCellText(fx.session, n, 'D'), c.src);
      EXPECT_EQ(FrameCellText(fx.session, n, 'F'), c.dst);
    }
    // The tree reads the frame again and starts with the same unit.
    EXPECT_NE(fx.Tree(n), Lines{"not read"});
  }
}

// A link without MAC addresses names its stations by their network address
// alone: no MAC entry of zeros stands for all of them on the Nodes page and
// in the filter's station list. The cooked sender keeps its MAC.
TEST(LinkUnits, StationsWithoutAMacHaveNoMacEntry) {
  const Bytes other = IPv4Packet(6, TCPHeader(40000, 40001, 0x02), "10.0.0.3", "10.0.0.2");
  DecodeFixture fx;
  ASSERT_TRUE(fx.Load(std::vector<LinkedFrame>{{101, kTcp},
                                               {0, Concat({Family(2, false), other})},
                                               {101, kIcmpv6},
                                               {113, CookedV1(0, 0x0800, kTcp)}}));
  const NodeRegistry& nodes = fx.session.Nodes;
  std::vector<std::string> macs;
  for (uint32_t i = 1; i <= nodes.NodeCount(); ++i)
    if (!nodes.NodeTable[i].MacText.empty()) macs.push_back(nodes.NodeTable[i].MacText);
  EXPECT_EQ(macs, std::vector<std::string>{"00:11:22:33:44:55"});
  // Each frame's stations are there, by IP address, with their own counts.
  for (uint32_t n = 1; n <= 3; ++n) {
    const FrameTabRec& r = fx.session.FrameTable[n];
    ASSERT_NE(r.SrcNode, 0u);
    ASSERT_NE(r.DstNode, 0u);
    EXPECT_EQ(nodes.NodeStatTable[r.SrcNode].MacNode, 0u);
    EXPECT_NE(nodes.NodeStatTable[r.SrcNode].NetNode, 0u);
  }
  EXPECT_EQ(fx.session.FrameTable[2].DstNode, fx.session.FrameTable[1].DstNode);
  // The cooked frame: its sender with the MAC, its receiver without one.
  const FrameTabRec& cooked = fx.session.FrameTable[4];
  EXPECT_NE(nodes.NodeStatTable[cooked.SrcNode].MacNode, 0u);
  EXPECT_EQ(nodes.NodeStatTable[cooked.DstNode].MacNode, 0u);
  EXPECT_EQ(cooked.DstNode, fx.session.FrameTable[1].DstNode);
}

// A DHCP client without an address, on a link without MACs: its station is
// 0.0.0.0, not nothing.
TEST(LinkUnits, UnaddressedSenderWithoutAMacIsZeroAddress) {
  const Bytes discover =
      IPv4Packet(17, UDPDatagram(68, 67, Bytes(8, 0)), "0.0.0.0", "255.255.255.255");
  DecodeFixture fx;
  ASSERT_TRUE(fx.Load(std::vector<LinkedFrame>{{101, discover}}));
  EXPECT_EQ(FrameCellText(fx.session, 1, 'D'), "0.0.0.0");
  EXPECT_EQ(FrameCellText(fx.session, 1, 'F'), "255.255.255.255");
}

// The cooked header's packet type says where the frame went.
TEST(LinkUnits, CookedPacketTypeGivesTheCast) {
  DecodeFixture fx;
  ASSERT_TRUE(fx.Load(std::vector<LinkedFrame>{{113, CookedV1(0, 0x0800, kTcp)},
                                               {113, CookedV1(1, 0x0800, kTcp)},
                                               {276, CookedV2(2, 0x0800, kTcp)},
                                               {276, CookedV2(4, 0x0800, kTcp)}}));
  const uint8_t cast[] = {0, 1, 2, 0};
  for (uint32_t n = 1; n <= 4; ++n) EXPECT_EQ(fx.session.FrameTable[n].Cast, cast[n - 1]) << n;
}

TEST(LinkUnits, CookedTrees) {
  DecodeFixture fx;
  ASSERT_TRUE(fx.Load(std::vector<LinkedFrame>{{113, CookedV1(4, 0x0800, kTcp)},
                                               {276, CookedV2(1, 0x0800, kTcp)}}));
  const Lines v1 = fx.Tree(1);
  ASSERT_GE(v1.size(), 7u);
  EXPECT_EQ(
      Lines(v1.begin(), v1.begin() + 7),
      (Lines{"0+16 Linux cooked capture (16 bytes)", "  0+2 Packet Type (2 bytes) - 4 (Sent by us)",
             "  2+2 Address Type (2 bytes) - 1 (Ethernet)", "  4+2 Address Length (2 bytes) - 6",
             "  6+8 Source Address (8 bytes) - 00:11:22:33:44:55 (10.0.0.1)",
             "  14+2 Protocol (2 bytes) - 0x0800 IPv4", "16+20 IPv4 Header (20 bytes)"}));
  const Lines v2 = fx.Tree(2);
  ASSERT_GE(v2.size(), 10u);
  EXPECT_EQ(
      Lines(v2.begin(), v2.begin() + 9),
      (Lines{"0+20 Linux cooked capture v2 (20 bytes)", "  0+2 Protocol (2 bytes) - 0x0800 IPv4",
             "  2+2 Reserved (2 bytes)", "  4+4 Interface Index (4 bytes) - 3",
             "  8+2 Address Type (2 bytes) - 1 (Ethernet)",
             "  10+1 Packet Type (1 byte) - 1 (Broadcast)", "  11+1 Address Length (1 byte) - 6",
             "  12+8 Source Address (8 bytes) - 00:11:22:33:44:55 (10.0.0.1)",
             "20+20 IPv4 Header (20 bytes)"}));
}

TEST(LinkUnits, RawAndLoopbackTrees) {
  DecodeFixture fx;
  ASSERT_TRUE(fx.Load(std::vector<LinkedFrame>{
      {101, kTcp}, {0, Concat({Family(24, false), kIcmpv6})}, {101, {0x50, 1, 2, 3}}, {101, {}}}));
  const Lines raw = fx.Tree(1);
  ASSERT_GE(raw.size(), 2u);
  EXPECT_EQ(raw[0], "0+0 Raw IP - IPv4");
  EXPECT_EQ(raw[1], "0+20 IPv4 Header (20 bytes)");
  const Lines loop = fx.Tree(2);
  ASSERT_GE(loop.size(), 3u);
  EXPECT_EQ(Lines(loop.begin(), loop.begin() + 3),
            (Lines{"0+4 Loopback (4 bytes)", "  0+4 Address Family (4 bytes) - 24 (IPv6)",
                   "4+40 Internet Protocol Version 6 (IPV6)"}));
  EXPECT_EQ(fx.Tree(3), (Lines{"0+0 Raw IP - IP version 5 (Unknown)", "0+4 Data (4 bytes)"}));
  // An empty frame has no version byte: nothing is shown for it.
  EXPECT_EQ(fx.Tree(4), Lines{});
}

// A header cut short: every whole field, nothing after it, in both builders.
TEST(LinkUnits, HeadersCutShortShowTheirWholeFields) {
  struct Cut {
    uint16_t link;
    Bytes frame;
    size_t keep;
    size_t lines;  // tree lines, the title included
    const char* desc;
  } cuts[] = {
      {113, CookedV1(0, 0x0800, kTcp), 1, 1, "Linux cooked"},
      {113, CookedV1(0, 0x0800, kTcp), 5, 3, "Linux cooked"},
      {113, CookedV1(0, 0x0800, kTcp), 15, 5, "Linux cooked"},
      {113, CookedV1(0, 0x0800, kTcp), 16, 6, "Linux cooked/IPV4"},
      {276, CookedV2(0, 0x0800, kTcp), 7, 3, "Linux cooked"},
      {276, CookedV2(0, 0x0800, kTcp), 19, 7, "Linux cooked"},
      {0, Concat({Family(2, false), kTcp}), 3, 1, "Loopback"},
      {108, Concat({Family(2, true), kTcp}), 4, 2, "Loopback/IPV4"},
  };
  std::vector<LinkedFrame> frames;
  for (const Cut& c : cuts)
    frames.push_back({c.link, Bytes(c.frame.begin(), c.frame.begin() + static_cast<long>(c.keep))});
  DecodeFixture fx;
  ASSERT_TRUE(fx.Load(frames));
  for (uint32_t n = 1; n <= fx.session.FrameCount; ++n) {
    const Cut& c = cuts[n - 1];
    SCOPED_TRACE("link " + std::to_string(c.link) + " keep " + std::to_string(c.keep));
    EXPECT_EQ(fx.session.Description(n), c.desc);
    Lines tree = fx.Tree(n);
    // Only the link unit's lines (an IP header cut short adds its own).
    const auto end = std::find_if(tree.begin() + 1, tree.end(),
                                  [](const std::string& l) { return l[0] != ' '; });
    EXPECT_EQ(static_cast<size_t>(end - tree.begin()), c.lines) << ::testing::PrintToString(tree);
    for (const std::string& line : tree) {
      const size_t plus = line.find('+');
      const size_t at = std::stoul(line.substr(line.find_first_not_of(' ')));
      EXPECT_LE(at + std::stoul(line.substr(plus + 1)), c.keep) << line;
    }
  }
}

}  // namespace
}  // namespace kestle::test
