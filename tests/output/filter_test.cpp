#include "output/filter.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <initializer_list>
#include <string>
#include <vector>

#include "decode/config/environment.h"
#include "decode/protocol_ids.h"
#include "decode/session.h"
#include "output/grid.h"
#include "output/tagging.h"
#include "support/builders.h"
#include "support/packets.h"
#include "support/session_fixture.h"

namespace kestle {
namespace {

using Frames = std::vector<uint32_t>;
using D = FilterDirection;

// A frame table filled by hand: each frame names its stack (outermost
// first) and its two stations (NodeStatTable pairs).
struct FilterSession {
  Environment env;
  RecordingNotifier notes;
  CaptureSession s{env, notes};

  uint32_t Station(const char* mac, const char* ipv4 = nullptr, const char* name = "") {
    return s.Nodes.RegisterNode(test::ParseMac(mac).data(), ipv4 ? test::ParseIPv4(ipv4) : 0, name);
  }
  uint32_t Stack(std::initializer_list<uint16_t> ids) {
    uint32_t p = 0;
    for (uint16_t id : ids) p = s.Paths.Extend(p, id);
    return p;
  }
  void Add(uint32_t path, uint32_t src, uint32_t dst, uint32_t capLen = 60,
           uint32_t tcpSession = 0) {
    if (s.FrameTable.empty()) s.FrameTable.resize(1);
    if (s.FrameOrder.empty()) s.FrameOrder.resize(1);
    FrameTabRec r;
    r.Protocol = path;
    r.SrcNode = src;
    r.DstNode = dst;
    r.CapLen = r.TrueLen = capLen;
    r.TcpSession = tcpSession;
    s.FrameTable.push_back(r);
    ++s.FrameCount;
    s.FrameOrder.push_back(s.FrameCount);
    s.VisibleCount = s.FrameCount;
  }
  Frames Shown() const {
    Frames out;
    for (uint32_t row = 1; row <= s.VisibleCount; ++row) out.push_back(s.FrameOrder[row]);
    return out;
  }
  Frames Tagged() const {
    Frames out;
    for (uint32_t n = 1; n <= s.FrameCount; ++n)
      if (s.FrameTable[n].Tagged) out.push_back(n);
    return out;
  }
  StationItem Item(const std::string& text) const {
    for (const StationItem& i : StationList(s.Nodes))
      if (i.Text == text) return i;
    ADD_FAILURE() << "no station " << text;
    return {};
  }
};

// Eight frames over three IPv4 stations, a MAC-only station, a station
// known by an IPv6 address, and a frame without stack or stations.
struct Scene : FilterSession {
  uint32_t a, b, c, macA, bcast, v6, v6peer;
  uint32_t ethIpTcp, ethIpUdp, ethIp, ethVlanIpTcp, ethVlanIp, ethArp, eth, ethIp6Icmp;
  Scene() {
    a = Station("00:00:00:00:00:01", "10.0.0.1");
    b = Station("00:00:00:00:00:02", "10.0.0.2");
    c = Station("00:00:00:00:00:03", "10.0.0.3");
    macA = Station("00:00:00:00:00:01");
    bcast = Station("ff:ff:ff:ff:ff:ff");
    v6 = Station("00:00:00:00:00:04", nullptr, "fe80::4");
    v6peer = Station("00:00:00:00:00:05", nullptr, "fe80::5");
    // Stacks added out of alphabetical order: the tree sorts them.
    ethIpTcp = Stack({ProtoEthernet, ProtoIPV4, ProtoTCP});
    ethIpUdp = Stack({ProtoEthernet, ProtoIPV4, ProtoUDP});
    ethIp = Stack({ProtoEthernet, ProtoIPV4});
    ethVlanIpTcp = Stack({ProtoEthernet, Proto8021q, ProtoIPV4, ProtoTCP});
    ethVlanIp = Stack({ProtoEthernet, Proto8021q, ProtoIPV4});
    ethArp = Stack({ProtoEthernet, ProtoARP});
    eth = Stack({ProtoEthernet});
    ethIp6Icmp = Stack({ProtoEthernet, ProtoIPV6, ProtoICMPV6});
    Stack({ProtoEthernet, ProtoIPV6, ProtoUDP});  // no frame has this stack
    Add(ethIpTcp, a, b);                          // 1
    Add(ethIpTcp, b, a);                          // 2
    Add(ethIpUdp, a, c);                          // 3
    Add(ethVlanIpTcp, c, a);                      // 4
    Add(ethArp, macA, bcast);                     // 5
    Add(ethIp6Icmp, v6, v6peer);                  // 6
    Add(ethIp, a, b);                             // 7
    Add(0, 0, 0);                                 // 8
  }
};

// ---------------------------------------------------------------- the dialog's lists

TEST(FilterTree, InUseEntriesAlphabeticalUnderEachParent) {
  Scene sc;
  MarkProtocolsInUse(sc.s);
  std::vector<std::string> lines;
  for (const ProtocolTreeItem& i : ProtocolTree(sc.s))
    lines.push_back(std::string(2 * i.Depth, ' ') + ProtocolTreeText(sc.s, i.Path));
  EXPECT_EQ(lines, (std::vector<std::string>{"  Ethernet", "    802.1q", "      IPV4",
                                             "        TCP", "    ARP", "    IPV4", "      TCP",
                                             "      UDP", "    IPV6", "      ICMPV6"}));
  EXPECT_EQ(ProtocolStackText(sc.s, sc.ethVlanIpTcp), "Ethernet/802.1q/IPV4/TCP");
  // Shown or not, every loaded frame keeps its stack in the tree.
  for (uint32_t n = 1; n <= sc.s.FrameCount; ++n) sc.s.FrameTable[n].Visible = 0;
  sc.s.VisibleCount = 0;
  MarkProtocolsInUse(sc.s);
  EXPECT_EQ(ProtocolTree(sc.s).size(), lines.size());
}

TEST(FilterStations, AnyThenAddressesThenNamesThenMacs) {
  Scene sc;
  std::vector<std::string> texts;
  std::vector<StationKind> kinds;
  for (const StationItem& i : StationList(sc.s.Nodes)) {
    texts.push_back(i.Text);
    kinds.push_back(i.Kind);
  }
  EXPECT_EQ(texts, (std::vector<std::string>{"Any", "10.0.0.1", "10.0.0.2", "10.0.0.3", "fe80::4",
                                             "fe80::5", "00:00:00:00:00:01", "00:00:00:00:00:02",
                                             "00:00:00:00:00:03", "FF:FF:FF:FF:FF:FF",
                                             "00:00:00:00:00:04", "00:00:00:00:00:05"}));
  EXPECT_EQ(kinds[0], StationKind::Any);
  EXPECT_EQ(kinds[1], StationKind::Network);
  EXPECT_EQ(kinds[4], StationKind::Network);
  EXPECT_EQ(kinds[6], StationKind::Mac);
}

TEST(FilterByText, StackTextsNameTreeItems) {
  Scene sc;
  MarkProtocolsInUse(sc.s);
  struct Case {
    const char* text;
    std::vector<uint32_t Scene::*> entries;
  } cases[] = {
      {"TCP", {&Scene::ethVlanIpTcp, &Scene::ethIpTcp}},  // tree order: 802.1q before IPV4
      {"tcp", {&Scene::ethVlanIpTcp, &Scene::ethIpTcp}},
      {"IPV4/TCP", {&Scene::ethVlanIpTcp, &Scene::ethIpTcp}},
      {"Ethernet/IPV4", {&Scene::ethIp}},
      {"/IPV4", {}},  // not an outermost protocol
      {"/Ethernet/IPV4/TCP", {&Scene::ethIpTcp}},
      {"802.1q/IPV4", {&Scene::ethVlanIp}},
      {"Ethernet", {&Scene::eth}},
      {"UDP", {&Scene::ethIpUdp}},  // the IPv6 UDP stack has no frame
      {"SMB", {}},
      {"", {}},
      {"IPV4//TCP", {}},
  };
  for (const Case& c : cases) {
    std::vector<uint32_t> want;
    for (auto m : c.entries) want.push_back(sc.*m);
    EXPECT_EQ(FindStackEntries(sc.s, c.text), want) << c.text;
  }
  const auto list = StationList(sc.s.Nodes);
  // A Nodes page station stands for itself in the list: by its network
  // address where it has one, else by its MAC address.
  const NodeRegistry& nodes = sc.s.Nodes;
  for (uint32_t pair = 1; pair <= nodes.NodeStatCount(); ++pair) {
    const StationItem item = StationOfPair(nodes, pair);
    EXPECT_TRUE(StationMatches(nodes, item, pair)) << pair;
    EXPECT_GE(FindStation(list, item.Text), 0) << item.Text;
    EXPECT_EQ(item.Kind == StationKind::Network, nodes.NodeStatTable[pair].NetNode != 0) << pair;
  }
  EXPECT_EQ(StationOfPair(nodes, 0).Kind, StationKind::Any);
  EXPECT_EQ(StationOfPair(nodes, nodes.NodeStatCount() + 1).Kind, StationKind::Any);
  EXPECT_EQ(FindStation(list, "Any"), 0);
  EXPECT_EQ(FindStation(list, ""), 0);
  EXPECT_EQ(FindStation(list, "10.0.0.2"), 2);
  EXPECT_EQ(FindStation(list, "ff:ff:ff:ff:ff:ff"), 9);
  EXPECT_EQ(FindStation(list, "10.0.0.9"), -1);
  FilterDirection d{};
  for (const auto& [text, want] : {std::pair{"both", D::Both},
                                   {"<-->", D::Both},
                                   {"forward", D::Forward},
                                   {"--->", D::Forward},
                                   {"Back", D::Back},
                                   {"<---", D::Back}}) {
    ASSERT_TRUE(ParseDirection(text, d)) << text;
    EXPECT_EQ(d, want) << text;
  }
  EXPECT_FALSE(ParseDirection("sideways", d));
}

TEST(FilterDialogDirection, ButtonCyclesThroughTheThreeTexts) {
  FilterDirection d = FilterDirection::Both;
  std::vector<std::string> seen;
  for (int i = 0; i < 4; ++i, d = NextDirection(d)) seen.emplace_back(DirectionText(d));
  EXPECT_EQ(seen, (std::vector<std::string>{"<-->", "--->", "<---", "<-->"}));
}

// ---------------------------------------------------------------- the predicate

struct FilterCase {
  const char* name;
  bool root;
  std::vector<uint32_t Scene::*> checked;
  const char* station1;  // nullptr = "Any"
  const char* station2;
  FilterDirection direction;
  bool mismatch;
  Frames expected;  // empty: "No Frames were selected"
};

class FilterCases : public ::testing::TestWithParam<FilterCase> {};

TEST_P(FilterCases, SelectsTheExpectedFrames) {
  const FilterCase& fc = GetParam();
  Scene sc;
  FilterChoice choice;
  choice.RootChecked = fc.root;
  for (auto member : fc.checked) choice.CheckedPaths.push_back(sc.*member);
  if (fc.station1) choice.Station1 = sc.Item(fc.station1);
  if (fc.station2) choice.Station2 = sc.Item(fc.station2);
  choice.Direction = fc.direction;
  choice.SelectMismatch = fc.mismatch;
  const Frames before = sc.Shown();
  const FilterOutcome out = ApplyFilter(sc.s, choice);
  // Whatever the outcome, the checked items are the Selected marks.
  for (uint32_t p = 1; p <= sc.s.Paths.Count(); ++p) {
    bool checked = false;
    for (uint32_t c : choice.CheckedPaths) checked |= c == p;
    EXPECT_EQ(sc.s.Paths[p].Selected != 0, checked) << "entry " << p;
  }
  EXPECT_EQ(out.AllProtocols, fc.root && fc.checked.empty());
  if (fc.expected.empty()) {
    EXPECT_FALSE(out.Applied);
    EXPECT_EQ(sc.Shown(), before);
    for (uint32_t n = 1; n <= sc.s.FrameCount; ++n) EXPECT_EQ(sc.s.FrameTable[n].Visible, 1);
    return;
  }
  ASSERT_TRUE(out.Applied);
  EXPECT_EQ(sc.Shown(), fc.expected);
  EXPECT_EQ(out.Shown, fc.expected.size());
  for (uint32_t n = 1; n <= sc.s.FrameCount; ++n) {
    bool shown = false;
    for (uint32_t e : fc.expected) shown |= e == n;
    EXPECT_EQ(sc.s.FrameTable[n].Visible != 0, shown) << "frame " << n;
  }
}

const FilterCase kFilterCases[] = {
    {"AllProtocolsAnyStations",
     true,
     {},
     nullptr,
     nullptr,
     D::Both,
     false,
     {1, 2, 3, 4, 5, 6, 7, 8}},
    {"NothingChecked", false, {}, nullptr, nullptr, D::Both, false, {}},
    {"OneProtocolBesideAllProtocols",
     true,
     {&Scene::ethIpTcp},
     nullptr,
     nullptr,
     D::Both,
     false,
     {1, 2}},
    {"IPv4UnderEthernetNotUnderVlan",
     false,
     {&Scene::ethIp},
     nullptr,
     nullptr,
     D::Both,
     false,
     {1, 2, 3, 7}},
    {"IPv4UnderVlan", false, {&Scene::ethVlanIp}, nullptr, nullptr, D::Both, false, {4}},
    {"IPv4UnderBothParents",
     false,
     {&Scene::ethIp, &Scene::ethVlanIp},
     nullptr,
     nullptr,
     D::Both,
     false,
     {1, 2, 3, 4, 7}},
    {"OuterProtocolTakesEveryStackInside",
     false,
     {&Scene::eth},
     nullptr,
     nullptr,
     D::Both,
     false,
     {1, 2, 3, 4, 5, 6, 7}},
    {"SentFromAnAddress", true, {}, "10.0.0.1", nullptr, D::Forward, false, {1, 3, 7}},
    {"SentToAnAddress", true, {}, "10.0.0.1", nullptr, D::Back, false, {2, 4}},
    {"AnAddressEitherWay", true, {}, "10.0.0.1", nullptr, D::Both, false, {1, 2, 3, 4, 7}},
    {"PairBothWays", true, {}, "10.0.0.1", "10.0.0.2", D::Both, false, {1, 2, 7}},
    {"PairForward", true, {}, "10.0.0.1", "10.0.0.2", D::Forward, false, {1, 7}},
    {"PairBack", true, {}, "10.0.0.1", "10.0.0.2", D::Back, false, {2}},
    {"SecondStationOnlyForward", true, {}, nullptr, "10.0.0.1", D::Forward, false, {2, 4}},
    {"MacStationMatchesFramesWithAddressesToo",
     true,
     {},
     "00:00:00:00:00:01",
     nullptr,
     D::Both,
     false,
     {1, 2, 3, 4, 5, 7}},
    {"MacStationForward", true, {}, "00:00:00:00:00:01", nullptr, D::Forward, false, {1, 3, 5, 7}},
    {"MacOnlyPair", true, {}, "00:00:00:00:00:01", "FF:FF:FF:FF:FF:FF", D::Forward, false, {5}},
    {"NetworkName", true, {}, "fe80::5", nullptr, D::Back, false, {6}},
    {"MismatchOfASender", true, {}, "10.0.0.1", nullptr, D::Forward, true, {2, 4, 5, 6, 8}},
    {"MismatchTakesUncheckedProtocols",
     true,
     {&Scene::ethIpTcp},
     "10.0.0.1",
     nullptr,
     D::Forward,
     true,
     {2, 3, 4, 5, 6, 7, 8}},
    {"PairWithoutTraffic", true, {}, "10.0.0.2", "10.0.0.3", D::Forward, false, {}},
    {"CheckedProtocolWithoutTheStations",
     false,
     {&Scene::ethArp},
     "10.0.0.1",
     nullptr,
     D::Both,
     false,
     {}},
};
INSTANTIATE_TEST_SUITE_P(Table, FilterCases, ::testing::ValuesIn(kFilterCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Filter, SelectsFromAllLoadedFramesNotOnlyTheShownOnes) {
  Scene sc;
  FilterChoice tcp;
  tcp.RootChecked = false;
  tcp.CheckedPaths = {sc.ethIpTcp};
  ASSERT_TRUE(ApplyFilter(sc.s, tcp).Applied);
  EXPECT_EQ(sc.Shown(), (Frames{1, 2}));
  FilterChoice udp;
  udp.RootChecked = false;
  udp.CheckedPaths = {sc.ethIpUdp};
  ASSERT_TRUE(ApplyFilter(sc.s, udp).Applied);
  EXPECT_EQ(sc.Shown(), (Frames{3}));
  // A filter that selects nothing keeps what the last one showed.
  FilterChoice none;
  none.RootChecked = false;
  EXPECT_FALSE(ApplyFilter(sc.s, none).Applied);
  EXPECT_EQ(sc.Shown(), (Frames{3}));
  EXPECT_EQ(FramesSelectedText(12), "12 frame(s) selected");
}

TEST(Filter, StationsAndStacksOutOfRangeMatchNothing) {
  Scene sc;
  sc.s.FrameTable[1].SrcNode = 999;   // no such pair
  sc.s.FrameTable[2].Protocol = 999;  // no such stack
  FilterChoice choice;
  choice.Station1 = sc.Item("10.0.0.2");
  choice.Direction = D::Forward;
  ASSERT_TRUE(ApplyFilter(sc.s, choice).Applied);
  EXPECT_EQ(sc.Shown(), (Frames{2}));
  choice.Station1 = {};
  choice.RootChecked = false;
  choice.CheckedPaths = {sc.eth, 12345};  // an entry that does not exist is ignored
  ASSERT_TRUE(ApplyFilter(sc.s, choice).Applied);
  EXPECT_EQ(sc.Shown(), (Frames{1, 3, 4, 5, 6, 7}));
}

// ---------------------------------------------------------------- tagged, clear

TEST(FilterTagged, KeepsTheTaggedShownFramesInTheirOrder) {
  Scene sc;
  for (uint32_t n = 1; n <= sc.s.FrameCount; ++n) sc.s.FrameTable[n].CapLen = 100 - n;
  // Nothing tagged: the command changes nothing.
  EXPECT_FALSE(AnyShownFrameTagged(sc.s));
  EXPECT_EQ(FilterTaggedFrames(sc.s), 0u);
  EXPECT_EQ(sc.s.VisibleCount, 8u);
  for (uint32_t n : {2u, 5u, 7u}) sc.s.FrameTable[n].Tagged = 1;
  SortFrameOrder(sc.s, 3);  // by Length: 8, 7, ..., 1
  EXPECT_TRUE(AnyShownFrameTagged(sc.s));
  EXPECT_EQ(FilterTaggedFrames(sc.s), 3u);
  EXPECT_EQ(sc.Shown(), (Frames{7, 5, 2}));
  EXPECT_EQ(sc.s.FrameTable[1].Visible, 0);
  EXPECT_EQ(sc.s.FrameTable[5].Visible, 1);
  // Sorting by number again rebuilds the rows from the same frames.
  SortFrameOrder(sc.s, kSortByNumber);
  EXPECT_EQ(sc.Shown(), (Frames{2, 5, 7}));
  // Clear Filter: every frame, in capture order.
  EXPECT_TRUE(ClearFilter(sc.s));
  EXPECT_EQ(sc.Shown(), (Frames{1, 2, 3, 4, 5, 6, 7, 8}));
  for (uint32_t n = 1; n <= 8; ++n) EXPECT_EQ(sc.s.FrameTable[n].Visible, 1);
  EXPECT_FALSE(ClearFilter(sc.s));  // nothing hidden: the rows stay
}

// ---------------------------------------------------------------- tagging

TEST(Tagging, GridMenuFollowsTheSelectedRow) {
  Scene sc;
  sc.s.FrameTable[2].TcpSession = 4;
  struct Case {
    int64_t row;
    int column;
    bool tagged;
    std::vector<bool> enabled;  // copy cell, copy row, tag, session, untag all
    const char* tagText;
    const char* sessionText;
  } cases[] = {
      {0, 0, false, {true, true, true, false, true}, "Tag Frame", "Tag TCP Session"},
      {0, -1, false, {false, true, true, false, true}, "Tag Frame", "Tag TCP Session"},
      {1, 2, false, {true, true, true, true, true}, "Tag Frame", "Tag TCP Session"},
      {1, 2, true, {true, true, true, true, true}, "Un-Tag Frame", "Un-Tag TCP Session"},
      {0, 0, true, {true, true, true, false, true}, "Un-Tag Frame", "Un-Tag TCP Session"},
      {-1, 0, false, {false, false, false, false, false}, "Tag Frame", "Tag TCP Session"},
      {8, 0, false, {false, false, false, false, false}, "Tag Frame", "Tag TCP Session"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message()
                 << "row " << c.row << " column " << c.column << " tagged " << c.tagged);
    for (uint32_t n = 1; n <= 8; ++n) sc.s.FrameTable[n].Tagged = c.tagged;
    const GridMenuState m = GridMenuFor(sc.s, c.row, c.column);
    EXPECT_EQ((std::vector<bool>{m.CopyCell, m.CopyRow, m.TagFrame, m.TagSession, m.UntagAll}),
              c.enabled);
    EXPECT_STREQ(m.TagFrameText, c.tagText);
    EXPECT_STREQ(m.TagSessionText, c.sessionText);
  }
  // No rows shown: everything disabled.
  sc.s.VisibleCount = 0;
  const GridMenuState none = GridMenuFor(sc.s, 0, 0);
  EXPECT_FALSE(none.CopyCell || none.CopyRow || none.TagFrame || none.TagSession || none.UntagAll);
}

TEST(Tagging, ToggleOneFrame) {
  Scene sc;
  EXPECT_TRUE(ToggleFrameTag(sc.s, 3));
  EXPECT_EQ(sc.Tagged(), (Frames{3}));
  EXPECT_TRUE(ToggleFrameTag(sc.s, 3));
  EXPECT_EQ(sc.Tagged(), Frames{});
  EXPECT_FALSE(ToggleFrameTag(sc.s, 0));
  EXPECT_FALSE(ToggleFrameTag(sc.s, 9));
}

// Two TCP connections between 10.0.0.1 and 10.0.0.2 and a UDP datagram,
// loaded from a capture file so that the TCP sessions are the decoder's.
struct TcpCapture {
  test::Loaded l{test::PcapFile({
      {Tcp("10.0.0.1", "10.0.0.2", 1025, 80)},  // 1: session 1
      {Tcp("10.0.0.2", "10.0.0.1", 80, 1025)},  // 2: session 1, the other way
      {Tcp("10.0.0.1", "10.0.0.2", 1026, 80)},  // 3: session 2
      {Udp("10.0.0.1", "10.0.0.2")},            // 4: no session
      {Tcp("10.0.0.1", "10.0.0.2", 1025, 80)},  // 5: session 1
  })};
  static test::Bytes Tcp(const char* src, const char* dst, uint16_t sp, uint16_t dp) {
    test::IPv4Spec ip;
    ip.src = src;
    ip.dst = dst;
    return test::EthernetFrame(test::IPv4Packet(ip, test::TCPHeader(sp, dp, 0x10)), 0x0800);
  }
  static test::Bytes Udp(const char* src, const char* dst) {
    test::IPv4Spec ip;
    ip.protocol = 17;
    ip.src = src;
    ip.dst = dst;
    return test::EthernetFrame(test::IPv4Packet(ip, test::UDPHeader(5000, 5001, -1, 4)), 0x0800);
  }
  CaptureSession& s() { return l.s(); }
  Frames Tagged() {
    Frames out;
    for (uint32_t n = 1; n <= s().FrameCount; ++n)
      if (s().FrameTable[n].Tagged) out.push_back(n);
    return out;
  }
  // Shows only the frames sent from 10.0.0.1 to 10.0.0.2 on port 80's side.
  void HideFrame(uint32_t hidden) {
    uint32_t rows = 0;
    for (uint32_t n = 1; n <= s().FrameCount; ++n) {
      s().FrameTable[n].Visible = n != hidden;
      if (n != hidden) s().FrameOrder[++rows] = n;
    }
    s().VisibleCount = rows;
  }
};

TEST(Tagging, TcpSessionTagsAndUntagsItsShownFrames) {
  TcpCapture t;
  ASSERT_TRUE(t.l.ok);
  CaptureSession& s = t.s();
  ASSERT_NE(s.FrameTable[1].TcpSession, 0u);
  ASSERT_EQ(s.FrameTable[2].TcpSession, s.FrameTable[1].TcpSession);
  ASSERT_NE(s.FrameTable[3].TcpSession, s.FrameTable[1].TcpSession);
  EXPECT_EQ(TagTcpSession(s, 1), 3u);
  EXPECT_EQ(t.Tagged(), (Frames{1, 2, 5}));
  // Used again on any frame of the session: all of them untagged.
  EXPECT_EQ(TagTcpSession(s, 5), 3u);
  EXPECT_EQ(t.Tagged(), Frames{});
  // A frame outside any TCP session changes nothing.
  EXPECT_EQ(TagTcpSession(s, 4), 0u);
  EXPECT_EQ(t.Tagged(), Frames{});
  // Hidden frames of the session are left alone.
  t.HideFrame(5);
  EXPECT_EQ(TagTcpSession(s, 2), 2u);
  EXPECT_EQ(t.Tagged(), (Frames{1, 2}));
}

TEST(Tagging, UntagAllLeavesHiddenFramesTagged) {
  TcpCapture t;
  ASSERT_TRUE(t.l.ok);
  CaptureSession& s = t.s();
  for (uint32_t n : {1u, 3u, 4u}) ToggleFrameTag(s, n);
  t.HideFrame(4);
  UntagShownFrames(s);
  EXPECT_EQ(t.Tagged(), (Frames{4}));
  ASSERT_TRUE(ClearFilter(s));
  EXPECT_EQ(t.Tagged(), (Frames{4}));
  EXPECT_EQ(GridRowColours(s, 3).Background, kTaggedBackground);  // frame 4, lime again
}

}  // namespace
}  // namespace kestle
