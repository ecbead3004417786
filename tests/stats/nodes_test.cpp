#include "stats/nodes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>

#include "protocols/transport_fixture.h"
#include "stats/partition_sort.h"
#include "stats/stats_fixture.h"
#include "support/session_fixture.h"

namespace kestle {
namespace {

using test::StatFrame;
using test::StatsSession;

// The pair whose MAC entry has this text and whose network entry has this address.
uint32_t FindPair(const NodeRegistry& nodes, const std::string& mac, uint32_t ipv4) {
  for (uint32_t i = 1; i < nodes.NodeStatTable.size(); ++i) {
    const NodeStatRec& r = nodes.NodeStatTable[i];
    if (nodes.NodeTable[r.MacNode].MacText == mac &&
        (r.NetNode ? nodes.NodeTable[r.NetNode].IPv4 : 0) == ipv4)
      return i;
  }
  return 0;
}

std::vector<std::string> NodeRow(const NodeRegistry& nodes, uint32_t pair) {
  std::vector<std::string> row;
  for (int c = 1; c <= kStatColumns; ++c) row.push_back(NodeCellText(nodes, pair, c));
  return row;
}

// ---------------------------------------------------------------- counters

TEST(NodeStats, CountFramesAndWireBytesOfALoadedCapture) {
  using namespace test;
  auto udp = [](const char* src, const char* dst) {
    IPv4Spec ip;
    ip.protocol = 17;
    ip.src = src;
    ip.dst = dst;
    return IPv4Packet(ip, UDPHeader(40000, 40001, -1, 18));
  };
  auto tcp = [](const char* src, const char* dst) {
    IPv4Spec ip;
    ip.src = src;
    ip.dst = dst;
    return IPv4Packet(ip, TCPHeader(40002, 40003, 0x10));
  };
  const Bytes ab = FrameBuilder()
                       .ether("00:00:00:00:00:02", "00:00:00:00:00:01", 0x0800)
                       .raw(udp("10.0.0.1", "10.0.0.2"))
                       .bytes();
  const Bytes ba = FrameBuilder()
                       .ether("00:00:00:00:00:01", "00:00:00:00:00:02", 0x0800)
                       .raw(tcp("10.0.0.2", "10.0.0.1"))
                       .padTo(60)
                       .bytes();
  // Captured 60 bytes of frames that were 1500 and 70 bytes long on the wire.
  Loaded l(PcapFile({{ab, 100, 0, 1500}, {ba, 100, 1, 70}, {ab, 101, 0, 0}}));
  ASSERT_TRUE(l.ok);
  CaptureSession& s = l.s();
  CreateNodeStats(s);
  const uint32_t a = FindPair(s.Nodes, "00:00:00:00:00:01", ParseIPv4("10.0.0.1"));
  const uint32_t b = FindPair(s.Nodes, "00:00:00:00:00:02", ParseIPv4("10.0.0.2"));
  ASSERT_NE(a, 0u);
  ASSERT_NE(b, 0u);
  const uint32_t ab60 = static_cast<uint32_t>(ab.size());
  EXPECT_EQ(NodeRow(s.Nodes, a),
            (std::vector<std::string>{"00:00:00:00:00:01", "10.0.0.1", "", "1", "2", "70",
                                      std::to_string(1500 + ab60)}));
  EXPECT_EQ(NodeRow(s.Nodes, b),
            (std::vector<std::string>{"00:00:00:00:00:02", "10.0.0.2", "", "2", "1",
                                      std::to_string(1500 + ab60), "70"}));
  // Counting again after a change of the shown frames starts from zero.
  s.FrameOrder[1] = 2;
  s.VisibleCount = 1;
  CreateNodeStats(s);
  EXPECT_EQ(s.Nodes.NodeStatTable[a].FramesSent, 0u);
  EXPECT_EQ(s.Nodes.NodeStatTable[a].BytesRecv, 70u);
  EXPECT_EQ(s.Nodes.NodeStatTable[b].FramesRecv, 0u);
}

TEST(NodeStats, FilterKeepsOnlyTheStationsOfTheShownFrames) {
  StatsSession t;
  const uint32_t a = t.Station("00:00:00:00:00:01", "10.0.0.1");
  const uint32_t b = t.Station("00:00:00:00:00:02", "10.0.0.2");
  const uint32_t c = t.Station("00:00:00:00:00:03");
  const uint32_t bcast = t.Station("FF:FF:FF:FF:FF:FF");
  t.Add({{a, b, 100, ProtoTCP},
         {c, bcast, 42, ProtoARP},
         {a, c, 60, ProtoARP},
         {b, a, 200, ProtoUDP}});
  CreateNodeStats(t.s);
  EXPECT_EQ(NodesWithTraffic(t.s.Nodes), (std::vector<uint32_t>{a, b, c, bcast}));
  t.Filter([&](const FrameTabRec& f) { return t.s.Paths.ProtocolOf(f.Protocol) == ProtoARP; });
  CreateNodeStats(t.s);
  EXPECT_EQ(NodesWithTraffic(t.s.Nodes), (std::vector<uint32_t>{a, c, bcast}));
  EXPECT_EQ(NodeRow(t.s.Nodes, a),
            (std::vector<std::string>{"00:00:00:00:00:01", "10.0.0.1", "", "0", "1", "0", "60"}));
  EXPECT_EQ(NodeRow(t.s.Nodes, c),
            (std::vector<std::string>{"00:00:00:00:00:03", "", "", "1", "1", "60", "42"}));
}

TEST(NodeStats, CaptureWithoutStationsCountsNothing) {
  // Runts register no station: every frame refers to pair 0.
  test::Loaded l(test::PcapFile({{test::Bytes(10, 0xAA), 100}, {test::Bytes(12, 0xBB), 101}}));
  ASSERT_TRUE(l.ok);
  CaptureSession& s = l.s();
  CreateNodeStats(s);
  s.FrameOrder[1] = 2;  // a change of the shown frames
  s.VisibleCount = 1;
  CreateNodeStats(s);
  EXPECT_TRUE(NodesWithTraffic(s.Nodes).empty());
  NodeView view(s);
  view.Show();
  EXPECT_EQ(view.NodeRows(), 0u);
  EXPECT_EQ(view.SessionRows(), 0u);
  EXPECT_TRUE(view.ProtocolPoints().empty());
  // Frames that name pairs the table does not hold, and a table without
  // even entry 0, are not counted either.
  s.FrameTable[2].SrcNode = 7;
  s.Nodes.NodeStatTable.clear();
  CreateNodeStats(s);
  view.Show();
  EXPECT_EQ(view.NodeRows(), 0u);
  EXPECT_EQ(NodeCellText(s.Nodes, 7, 1), "");
}

// ---------------------------------------------------------------- the sort

// The sort procedure as the grids are specified, recursion and all: the
// reference for the order of equal rows.
template <typename T, typename C>
void ReferenceSort(std::vector<T>& a, C cmp, long l, long r) {
  do {
    long i = l, j = r;
    const T p = a[static_cast<size_t>((l + r) / 2 - 1)];
    do {
      while (cmp(a[static_cast<size_t>(i - 1)], p) < 0) ++i;
      while (cmp(a[static_cast<size_t>(j - 1)], p) > 0) --j;
      if (i <= j) {
        std::swap(a[static_cast<size_t>(i - 1)], a[static_cast<size_t>(j - 1)]);
        ++i;
        --j;
      }
    } while (i <= j);
    if (l < j) ReferenceSort(a, cmp, l, j);
    l = i;
  } while (l < r);
}

TEST(PartitionSort, EqualKeysEndWhereTheProcedureLeavesThem) {
  struct Row {
    int key;
    char tag;
    bool operator==(const Row&) const = default;
  };
  auto byKey = [](const Row& x, const Row& y) { return x.key - y.key; };
  std::vector<Row> rows = {{1, 'a'}, {0, 'b'}, {1, 'c'}, {0, 'd'}};
  PartitionSort(rows, byKey);
  // A stable sort would give b d a c.
  EXPECT_EQ(rows, (std::vector<Row>{{0, 'd'}, {0, 'b'}, {1, 'a'}, {1, 'c'}}));

  std::mt19937 rng(13);
  for (int round = 0; round < 300; ++round) {
    std::vector<Row> in(1 + rng() % 40);
    for (size_t i = 0; i < in.size(); ++i)
      in[i] = {static_cast<int>(rng() % (1 + round % 6)), static_cast<char>('A' + i)};
    std::vector<Row> mine = in, ref = in;
    PartitionSort(mine, byKey);
    if (ref.size() > 1) ReferenceSort(ref, byKey, 1, static_cast<long>(ref.size()));
    ASSERT_EQ(mine, ref) << "round " << round;
    ASSERT_TRUE(std::is_sorted(mine.begin(), mine.end(),
                               [](const Row& x, const Row& y) { return x.key < y.key; }));
  }
}

// Six stations whose keys are all distinct except where a case says so.
struct SortStations : ::testing::Test {
  StatsSession t;
  uint32_t p[7] = {};
  void SetUp() override {
    p[1] = t.Station("00:00:00:00:00:03", "10.0.0.9");
    p[2] = t.Station("00:00:00:00:00:01", "10.0.0.20");
    p[3] = t.Station("00:00:00:00:00:02", nullptr, "fe80::1");
    p[4] = t.Station("00:00:00:00:00:01", "10.0.0.5");
    p[5] = t.Station("00:00:00:00:00:04");
    p[6] = t.Station("00:00:00:00:00:05", nullptr, "2001:db8::1");
    auto& nodes = t.s.Nodes;
    nodes.NodeTable[nodes.NodeStatTable[p[1]].NetNode].HostName = "zeta";
    nodes.NodeTable[nodes.NodeStatTable[p[4]].NetNode].HostName = "alpha";
    // Frames Recv, Frames Sent, Bytes Recv, Bytes Sent: distinct per column.
    const uint32_t counters[7][4] = {{},
                                     {3, 1, 600, 10},
                                     {1, 5, 300, 20},
                                     {6, 2, 100, 60},
                                     {2, 6, 500, 30},
                                     {5, 3, 200, 50},
                                     {4, 4, 400, 40}};
    for (int i = 1; i <= 6; ++i) {
      NodeStatRec& r = nodes.NodeStatTable[p[i]];
      r.FramesRecv = counters[i][0];
      r.FramesSent = counters[i][1];
      r.BytesRecv = counters[i][2];
      r.BytesSent = counters[i][3];
    }
  }
  std::vector<int> Sorted(int mode) {
    std::vector<uint32_t> list = NodesWithTraffic(t.s.Nodes);
    SortNodeList(t.s.Nodes, list, mode);
    std::vector<int> out;
    for (uint32_t pair : list) out.push_back(static_cast<int>(std::find(p, p + 7, pair) - p));
    return out;
  }
};

TEST_F(SortStations, EveryModeOrdersByItsColumn) {
  // Stations in a set are equal under the mode; their order among
  // themselves is pinned by the next test.
  struct Case {
    int mode;
    std::vector<std::set<int>> groups;
  } cases[] = {
      {1, {{4}, {2}, {3}, {1}, {5}, {6}}},  // MAC text, then IPv4 ascending for the same MAC
      {8, {{6}, {5}, {1}, {3}, {4}, {2}}},  // MAC text descending, IPv4 still ascending
      {2, {{4}, {1}, {2}, {6}, {3}, {5}}},  // IPv4 as a number, then names, then neither
      {9, {{2}, {1}, {4}, {3}, {6}, {5}}},  // each group descending, the groups in place
      {3, {{2}, {4}, {1}, {3, 5, 6}}},      // empty host name first; stations without IPv4 last
      {10, {{3, 5, 6}, {1}, {4}, {2}}},     // stations without IPv4 first
      {4, {{2}, {4}, {1}, {6}, {5}, {3}}},  // Frames Recv
      {5, {{1}, {3}, {5}, {6}, {2}, {4}}},  // Frames Sent
      {6, {{3}, {5}, {2}, {6}, {4}, {1}}},  // Bytes Recv
      {7, {{1}, {2}, {4}, {6}, {5}, {3}}},  // Bytes Sent
      {11, {{3}, {5}, {6}, {1}, {4}, {2}}}, {12, {{4}, {2}, {6}, {5}, {3}, {1}}},
      {13, {{1}, {4}, {6}, {2}, {5}, {3}}}, {14, {{3}, {5}, {6}, {4}, {2}, {1}}},
  };
  for (const Case& c : cases) {
    const std::vector<int> got = Sorted(c.mode);
    size_t at = 0;
    for (const std::set<int>& g : c.groups) {
      ASSERT_LE(at + g.size(), got.size()) << "mode " << c.mode;
      const std::set<int> seen(got.begin() + static_cast<long>(at),
                               got.begin() + static_cast<long>(at + g.size()));
      EXPECT_EQ(seen, g) << "mode " << c.mode << " at " << at;
      at += g.size();
    }
    EXPECT_EQ(at, got.size()) << "mode " << c.mode;
  }
}

TEST_F(SortStations, EqualRowsTakeTheOrderOfTheSortProcedure) {
  // Host Name ascending: the three stations without IPv4 compare equal.
  // Rows 3 5 6 enter as positions 3, 5, 6 of 1..6; the first pass around
  // station 3 moves them to 6, 5, 3 order: pinned here.
  EXPECT_EQ(Sorted(3), (std::vector<int>{2, 4, 1, 6, 5, 3}));
  EXPECT_EQ(Sorted(10), (std::vector<int>{5, 6, 3, 1, 4, 2}));
  // Equal counters: two stations with the same Frames Sent.
  t.s.Nodes.NodeStatTable[p[6]].FramesSent = 1;
  EXPECT_EQ(Sorted(5), (std::vector<int>{6, 1, 3, 5, 2, 4}));
}

TEST_F(SortStations, HeaderClicksToggleTheDirection) {
  t.Add({{p[1], p[2]}});  // one shown frame so that the page has something to show
  NodeView view(t.s);
  view.Show();
  // Show does not count: the counters set by hand stay.
  EXPECT_EQ(view.NodeSortMode(), 1);
  EXPECT_EQ(view.NodeRows(), 6u);
  EXPECT_EQ(view.NodeCell(0, 1), "00:00:00:00:00:01");
  view.ClickNodeHeader(5);
  EXPECT_EQ(view.NodeSortMode(), 5);
  view.ClickNodeHeader(5);
  EXPECT_EQ(view.NodeSortMode(), 12);
  EXPECT_EQ(view.NodeCell(0, 5), "6");
  EXPECT_EQ(view.NodeCell(5, 5), "1");
  view.ClickNodeHeader(2);
  EXPECT_EQ(view.NodeSortMode(), 2);
  EXPECT_EQ(view.NodeCell(0, 2), "10.0.0.5");
  EXPECT_EQ(view.NodeCell(3, 2), "2001:db8::1");
  EXPECT_EQ(view.NodeCell(0, 3), "alpha");
  view.ClickNodeHeader(0);  // outside the grid: nothing changes
  view.ClickNodeHeader(8);
  EXPECT_EQ(view.NodeSortMode(), 2);
  view.Show();
  EXPECT_EQ(view.NodeSortMode(), 1);
  EXPECT_EQ(StatSortModeAfterClick(12, 5), 5);
  EXPECT_EQ(StatSortModeAfterClick(5, 4), 4);
}

// ---------------------------------------------------------------- sessions

struct SessionRows {
  std::vector<std::vector<std::string>> rows;
  explicit SessionRows(const NodeView& v) {
    for (size_t r = 0; r < v.SessionRows(); ++r) {
      std::vector<std::string> row;
      for (int c = 1; c <= kStatColumns; ++c) row.push_back(v.SessionCell(r, c));
      rows.push_back(row);
    }
  }
};

TEST(NodeSessions, OneRowPerPartnerAndProtocolWithTheChart) {
  StatsSession t;
  const uint32_t s = t.Station("00:00:00:00:00:01", "10.0.0.1");
  const uint32_t b = t.Station("00:00:00:00:00:02", "10.0.0.2");
  const uint32_t c = t.Station("00:00:00:00:00:03", nullptr, "fe80::3");
  const uint32_t other = t.Station("00:00:00:00:00:09", "10.0.0.9");
  t.Add({{s, b, 100, ProtoTCP},
         {b, s, 60, ProtoTCP},
         {other, b, 500, ProtoTCP},  // not the selected station's
         {c, s, 80, ProtoARP},
         {s, b, 70, ProtoUDP},
         {s, s, 90, ProtoUDP},  // to itself: "from" the partner (itself)
         {s, b, 40, ProtoTCP}});
  CreateNodeStats(t.s);
  NodeSessions built = BuildNodeSessions(t.s, s);
  // Partners in order of first appearance; within a partner the newest
  // session first.
  ASSERT_EQ(built.Sessions.size(), 4u);
  NodeView view(t.s);
  view.Show();
  ASSERT_EQ(view.PairAt(0), s);
  // Sorted by partner MAC text (the equal b rows as the sort leaves them).
  EXPECT_EQ(SessionRows(view).rows,
            (std::vector<std::vector<std::string>>{
                {"00:00:00:00:00:01", "10.0.0.1", "UDP", "1", "90", "0", "0"},
                {"00:00:00:00:00:02", "10.0.0.2", "TCP", "1", "60", "2", "140"},
                {"00:00:00:00:00:02", "10.0.0.2", "UDP", "0", "0", "1", "70"},
                // An IPv6 partner shows its address, as the node grid does.
                {"00:00:00:00:00:03", "fe80::3", "ARP", "1", "80", "0", "0"},
            }));
  // Unsorted: partner b's UDP (newest) before its TCP.
  EXPECT_EQ(built.Sessions[0].Partner, b);
  EXPECT_EQ(built.Sessions[0].SessionProtocol, ProtoUDP);
  EXPECT_EQ(built.Sessions[1].SessionProtocol, ProtoTCP);
  EXPECT_EQ(built.Sessions[2].Partner, c);
  EXPECT_EQ(built.Sessions[3].Partner, s);
  // The chart: ascending identifiers, colours in turn.
  ASSERT_EQ(view.ProtocolPoints().size(), 3u);
  const auto& pts = view.ProtocolPoints();
  EXPECT_EQ(pts[0].Label, "ARP");
  EXPECT_EQ(pts[0].Value, 1u);
  EXPECT_EQ(pts[0].Colour, 0x00FF00u);
  EXPECT_EQ(pts[1].Label, "TCP");
  EXPECT_EQ(pts[1].Value, 3u);
  EXPECT_EQ(pts[1].Colour, 0xFF0000u);
  EXPECT_EQ(pts[2].Label, "UDP");
  EXPECT_EQ(pts[2].Value, 2u);
  EXPECT_EQ(pts[2].Colour, 0x0000FFu);
}

TEST(NodeSessions, TcpAndUdpWithOnePartner) {
  StatsSession t;
  const uint32_t s = t.Station("00:00:00:00:00:01", "10.0.0.1");
  const uint32_t b = t.Station("00:00:00:00:00:02", "10.0.0.2");
  t.Add({{s, b, 100, ProtoTCP}, {b, s, 50, ProtoUDP}, {b, s, 60, ProtoTCP}});
  CreateNodeStats(t.s);
  NodeSessions built = BuildNodeSessions(t.s, s);
  ASSERT_EQ(built.Protocols.size(), 2u);
  EXPECT_EQ(built.Protocols[0].Label, "TCP");  // identifier 67, first, lime
  EXPECT_EQ(built.Protocols[0].Colour, 0x00FF00u);
  EXPECT_EQ(built.Protocols[1].Label, "UDP");  // 71, second, blue
  EXPECT_EQ(built.Protocols[1].Colour, 0xFF0000u);
  ASSERT_EQ(built.Sessions.size(), 2u);
  EXPECT_EQ(SessionCellText(t.s, built.Sessions[0], 3), "UDP");
  EXPECT_EQ(built.Sessions[0].FramesFrom, 1u);
  EXPECT_EQ(built.Sessions[0].FramesTo, 0u);
  EXPECT_EQ(built.Sessions[1].FramesFrom, 1u);
  EXPECT_EQ(built.Sessions[1].BytesFrom, 60u);
  EXPECT_EQ(built.Sessions[1].FramesTo, 1u);
  EXPECT_EQ(built.Sessions[1].BytesTo, 100u);
}

TEST(NodeSessions, FramesWithoutAProtocolGetARowOfTheirOwn) {
  // No chart point for an empty stack, but its frames are not lost and do
  // not take another session's place.
  StatsSession t;
  const uint32_t s = t.Station("00:00:00:00:00:01", "10.0.0.1");
  const uint32_t b = t.Station("00:00:00:00:00:02", "10.0.0.2");
  t.Add({{s, b, 10, 0}, {s, b, 100, ProtoTCP}, {b, s, 20, 0}});
  const NodeSessions only = [&] {
    StatsSession u;
    const uint32_t x = u.Station("00:00:00:00:00:01");
    const uint32_t y = u.Station("00:00:00:00:00:02");
    u.Add({{x, y, 10, 0}, {y, x, 10, 0}});
    return BuildNodeSessions(u.s, x);
  }();
  EXPECT_TRUE(only.Protocols.empty());
  ASSERT_EQ(only.Sessions.size(), 1u);
  EXPECT_EQ(only.Sessions[0].FramesFrom + only.Sessions[0].FramesTo, 2u);

  NodeSessions built = BuildNodeSessions(t.s, s);
  ASSERT_EQ(built.Protocols.size(), 1u);
  ASSERT_EQ(built.Sessions.size(), 2u);
  EXPECT_EQ(built.Sessions[0].SessionProtocol, ProtoTCP);
  EXPECT_EQ(built.Sessions[1].SessionProtocol, 0);
  EXPECT_EQ(built.Sessions[1].FramesTo, 1u);
  EXPECT_EQ(built.Sessions[1].FramesFrom, 1u);
  EXPECT_EQ(SessionCellText(t.s, built.Sessions[1], 3), "");
}

TEST(NodeSessions, TwentyProtocolsWrapThePalette) {
  StatsSession t;
  const uint32_t s = t.Station("00:00:00:00:00:01");
  const uint32_t b = t.Station("00:00:00:00:00:02");
  for (uint16_t id = 1; id <= 20; ++id) t.Add({{s, b, 60, id}});
  const NodeSessions built = BuildNodeSessions(t.s, s);
  ASSERT_EQ(built.Protocols.size(), 20u);
  for (size_t k = 0; k < 20; ++k) EXPECT_EQ(built.Protocols[k].Colour, kChartPalette[k % 19]) << k;
  EXPECT_EQ(built.Protocols[19].Colour, 0x00FF00u);
  EXPECT_EQ(built.Protocols[18].Colour, 0x000000u);
  EXPECT_EQ(built.Sessions.size(), 20u);
  EXPECT_EQ(built.Sessions.front().SessionProtocol, 20);  // newest first
}

TEST(NodeSessions, SortModesAndHeaderClicks) {
  StatsSession t;
  const uint32_t s = t.Station("00:00:00:00:00:01", "10.0.0.1");
  const uint32_t b = t.Station("00:00:00:00:00:03", "10.0.0.2");
  const uint32_t c = t.Station("00:00:00:00:00:02", nullptr, "fe80::2");
  const uint32_t d = t.Station("00:00:00:00:00:04", "9.0.0.1");
  t.Add({{s, b, 100, ProtoTCP},
         {c, s, 300, ProtoUDP},
         {s, d, 50, ProtoARP},
         {d, s, 70, ProtoARP},
         {s, d, 20, ProtoARP}});
  CreateNodeStats(t.s);
  const std::vector<NodeSessionRec> base = BuildNodeSessions(t.s, s).Sessions;
  auto order = [&](int mode) {
    std::vector<NodeSessionRec> v = base;
    SortSessions(t.s, v, mode);
    std::vector<uint32_t> partners;
    for (const auto& r : v) partners.push_back(r.Partner);
    return partners;
  };
  struct Case {
    int mode;
    std::vector<uint32_t> partners;
  } cases[] = {
      {1, {c, b, d}},  // MAC text
      {2, {c, d, b}},  // IPv4, 0 when none
      {3, {d, b, c}},  // ARP, TCP, UDP
      {4, {b, d, c}},  // Frames From 0, 1, 1: the equal rows as the sort leaves them
      {5, {b, d, c}},  // Bytes From 0, 70, 300
      {6, {c, b, d}},  // Frames To 0, 1, 2
      {7, {c, d, b}},  // Bytes To 0, 70, 100
      {8, {d, b, c}},  {11, {d, c, b}},  // Frames From descending, equal rows again
      {12, {c, d, b}}, {13, {d, b, c}},
  };
  for (const Case& k : cases) EXPECT_EQ(order(k.mode), k.partners) << "mode " << k.mode;

  NodeView view(t.s);
  view.Show();
  ASSERT_EQ(view.PairAt(0), s);
  EXPECT_EQ(view.SessionSortMode(), 1);
  view.ClickSessionHeader(5);
  view.ClickSessionHeader(5);
  EXPECT_EQ(view.SessionSortMode(), 12);
  EXPECT_EQ(view.SessionCell(0, 5), "300");
  // Another station keeps the sessions' sort mode.
  view.SelectRow(1);
  EXPECT_EQ(view.SessionSortMode(), 12);
  // A row past the end: no station, no sessions, no chart.
  view.SelectRow(99);
  EXPECT_EQ(view.SessionRows(), 0u);
  EXPECT_TRUE(view.ProtocolPoints().empty());
  view.Show();
  EXPECT_EQ(view.SessionSortMode(), 1);
  view.Clear();
  EXPECT_EQ(view.NodeRows(), 0u);
  EXPECT_EQ(view.SessionRows(), 0u);
}

TEST(NodeSessions, NothingChangesWithoutShownFrames) {
  StatsSession t;
  const uint32_t s = t.Station("00:00:00:00:00:01");
  const uint32_t b = t.Station("00:00:00:00:00:02");
  t.Add({{s, b}});
  CreateNodeStats(t.s);
  NodeView view(t.s);
  view.Show();
  ASSERT_EQ(view.SessionRows(), 1u);
  t.s.VisibleCount = 0;
  view.SelectRow(1);
  EXPECT_EQ(view.SelectedRow(), 0);
  EXPECT_EQ(view.SessionRows(), 1u);
}

// ---------------------------------------------------------------- layout

TEST(StatGrids, ColumnWidths) {
  struct Case {
    int width, scrollBar, line;
    std::array<int, 7> widths;
  } cases[] = {
      {500, 16, 1, {72, 67, 67, 67, 67, 67, 67}},  // 474 = 7 * 67 + 5
      {700, 0, 0, {100, 100, 100, 100, 100, 100, 100}},
      {30, 16, 1, {4, 0, 0, 0, 0, 0, 0}},
      {20, 16, 1, {0, 0, 0, 0, 0, 0, 0}},  // narrower than its lines
      {0, 16, 2, {0, 0, 0, 0, 0, 0, 0}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(StatColumnWidths(c.width, c.scrollBar, c.line), c.widths) << c.width;
  // With the widths of a MAC (120), an IPv4 (100) and an IPv6 address (220).
  const StatAddressWidths least{120, 100, 220};
  const Case fitted[] = {
      // Equal shares too narrow: IPv4 (IPv6 would take more than half), the rest shared.
      {500, 16, 1, {120, 100, 54, 50, 50, 50, 50}},
      // Room for IPv6: the MAC column keeps its equal share.
      {1400, 0, 0, {200, 220, 196, 196, 196, 196, 196}},
      {1000, 0, 0, {148, 220, 128, 126, 126, 126, 126}},
      // Equal shares hold both: as without widths.
      {2000, 0, 0, {290, 285, 285, 285, 285, 285, 285}},
      // Too narrow for them all: the addresses whole, the grid scrolls.
      {200, 0, 0, {120, 100, 14, 14, 14, 14, 14}},
  };
  for (const Case& c : fitted)
    EXPECT_EQ(StatColumnWidths(c.width, c.scrollBar, c.line, least), c.widths) << c.width;
  EXPECT_EQ(NodeColumnHeader(1), "Mac Address");
  EXPECT_EQ(NodeColumnHeader(7), "Bytes Sent");
  EXPECT_EQ(SessionColumnHeader(1), "MAC Address");
  EXPECT_EQ(SessionColumnHeader(4), "Frames From");
  EXPECT_EQ(NodeColumnHeader(8), "");
  EXPECT_FALSE(StatColumnRightAligned(3));
  EXPECT_TRUE(StatColumnRightAligned(4));
}

}  // namespace
}  // namespace kestle
