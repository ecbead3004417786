#include "stats/graphs.h"

#include <gtest/gtest.h>

#include "stats/nodes.h"
#include "stats/stats_fixture.h"

namespace kestle {
namespace {

using test::StatFrame;
using test::StatsSession;

struct Point {
  std::string label;
  uint64_t value;
  bool operator==(const Point&) const = default;
};
std::ostream& operator<<(std::ostream& o, const Point& p) { return o << p.label << "=" << p.value; }

std::vector<Point> Points(const GraphSeries& g) {
  std::vector<Point> out;
  for (const ChartPoint& p : g.Points) out.push_back({p.Label, p.Value});
  return out;
}

TEST(Graphs, EntriesTitlesAndAxes) {
  StatsSession t;
  struct Case {
    int kind;
    const char* title;
    const char* bottom;
    bool line;
  } cases[] = {
      {1, "Packet Size Distribution", "Size", false},
      {2, "Frame Destination Type", "Destination Type", false},
      {3, "Protocol Distribution", "Protocol", false},
      {4, "Most Traffic (Sender)", "Node", false},
      {5, "Most Traffic (Receiver)", "Node", false},
      {6, "Packet Throughput", "Time", true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(GraphEntryName(c.kind), c.title);
    const GraphSeries g = ComputeGraph(t.s, c.kind);
    EXPECT_EQ(g.Title, c.title);
    EXPECT_EQ(g.BottomTitle, c.bottom);
    EXPECT_EQ(g.LeftTitle, "Packets");
    EXPECT_EQ(g.Line, c.line);
  }
  EXPECT_EQ(GraphEntryName(0), "");
  EXPECT_EQ(GraphEntryName(7), "");
  EXPECT_TRUE(ComputeGraph(t.s, 7).Points.empty());
  EXPECT_TRUE(ComputeGraph(t.s, 7).Title.empty());
}

TEST(Graphs, PacketSizesByWireLengthAtTheBucketEdges) {
  StatsSession t;
  for (uint32_t len : {63u, 64u, 127u, 128u, 255u, 256u, 511u, 512u, 1023u, 1024u, 9000u})
    t.Add({{0, 0, len, ProtoTCP, 100, 0, /*capLen=*/60}});
  t.Add({{0, 0, 40, ProtoTCP, 100, 0, /*capLen=*/1500}});
  const GraphSeries g = ComputeGraph(t.s, kGraphPacketSize);
  EXPECT_EQ(Points(g), (std::vector<Point>{{"<64", 2},
                                           {"64-127", 2},
                                           {"128-255", 2},
                                           {"256-511", 2},
                                           {"512-1023", 2},
                                           {">1023", 2}}));
  for (size_t k = 0; k < g.Points.size(); ++k) EXPECT_EQ(g.Points[k].Colour, kChartPalette[k]);
  EXPECT_EQ(g.Total(), 12u);
}

TEST(Graphs, DestinationTypes) {
  StatsSession t;
  for (uint8_t cast : {0, 0, 1, 2, 2, 2, 9}) t.Add({{0, 0, 60, ProtoTCP, 100, cast}});
  EXPECT_EQ(Points(ComputeGraph(t.s, kGraphDestinationType)),
            (std::vector<Point>{{"Unicast", 2}, {"Broadcast", 1}, {"Multicast", 3}}));
}

TEST(Graphs, ProtocolsByCountWithEqualCountsByIdentifier) {
  StatsSession t;
  for (int i = 0; i < 10; ++i) t.Add({{0, 0, 60, ProtoTCP}, {0, 0, 60, ProtoARP}});
  for (int i = 0; i < 3; ++i) t.Add({{0, 0, 60, ProtoUDP}});
  t.Add({{0, 0, 60, 0}});  // an empty stack is not counted
  const GraphSeries g = ComputeGraph(t.s, kGraphProtocol);
  EXPECT_EQ(Points(g), (std::vector<Point>{{"ARP", 10}, {"TCP", 10}, {"UDP", 3}}));
  ASSERT_EQ(g.Points.size(), 3u);
  EXPECT_EQ(g.Points[0].Colour, 0x00FF00u);
  EXPECT_EQ(g.Points[1].Colour, 0xFF0000u);
  EXPECT_EQ(g.Points[2].Colour, 0x0000FFu);
}

TEST(Graphs, MostTrafficNamesAndRanksStations) {
  StatsSession t;
  const uint32_t ip = t.Station("00:00:00:00:00:01", "10.0.0.1");
  const uint32_t v6 = t.Station("00:00:00:00:00:02", nullptr, "fe80::2");
  const uint32_t mac = t.Station("00:00:00:00:00:03");
  const uint32_t bcast = t.Station("FF:FF:FF:FF:FF:FF");
  const uint32_t quiet = t.Station("00:00:00:00:00:04");
  t.s.Nodes.NodeTable[t.s.Nodes.NodeStatTable[ip].NetNode].HostName = "host.example";
  (void)quiet;
  t.Add({{ip, bcast}, {ip, bcast}, {mac, bcast}, {v6, ip}, {v6, mac}, {mac, v6}, {ip, v6}});
  EXPECT_EQ(Points(ComputeGraph(t.s, kGraphTopSenders)),
            (std::vector<Point>{{"10.0.0.1", 3}, {"fe80::2", 2}, {"00:00:00:00:00:03", 2}}));
  EXPECT_EQ(Points(ComputeGraph(t.s, kGraphTopReceivers)),
            (std::vector<Point>{
                {"Broadcast", 3}, {"fe80::2", 2}, {"10.0.0.1", 1}, {"00:00:00:00:00:03", 1}}));
  // At most ten stations.
  StatsSession many;
  const uint32_t sink = many.Station("00:00:00:00:00:FF");
  for (int i = 1; i <= 12; ++i) {
    char m[18];
    std::snprintf(m, sizeof m, "00:00:00:00:01:%02X", i);
    const uint32_t st = many.Station(m);
    for (int k = 0; k < i; ++k) many.Add({{st, sink}});
  }
  const GraphSeries top = ComputeGraph(many.s, kGraphTopSenders);
  ASSERT_EQ(top.Points.size(), 10u);
  EXPECT_EQ(top.Points.front().Label, "00:00:00:00:01:0C");
  EXPECT_EQ(top.Points.back().Value, 3u);
  EXPECT_EQ(top.Points[9].Colour, kChartPalette[9]);
}

TEST(Graphs, ThroughputPerSecond) {
  struct Case {
    std::vector<uint32_t> seconds;
    std::vector<std::pair<uint64_t, uint64_t>> points;
  } cases[] = {
      {{100, 100, 101, 103}, {{0, 0}, {0, 2}, {1, 1}, {3, 1}}},
      // Time going backwards counts in the current second.
      {{100, 102, 101, 102, 105}, {{0, 0}, {0, 1}, {2, 3}, {5, 1}}},
      {{50}, {{0, 0}, {0, 1}}},
      {{}, {{0, 0}}},
  };
  for (const Case& c : cases) {
    StatsSession t;
    for (uint32_t sec : c.seconds) t.Add({{0, 0, 60, ProtoTCP, sec}});
    const GraphSeries g = ComputeGraph(t.s, kGraphThroughput);
    std::vector<std::pair<uint64_t, uint64_t>> got;
    for (const ChartPoint& p : g.Points) {
      got.emplace_back(p.X, p.Value);
      EXPECT_EQ(p.Label, std::to_string(p.X));
    }
    EXPECT_EQ(got, c.points) << c.seconds.size() << " frames";
  }
}

TEST(Graphs, OnlyTheShownFramesCount) {
  StatsSession t;
  const uint32_t a = t.Station("00:00:00:00:00:01", "10.0.0.1");
  const uint32_t b = t.Station("00:00:00:00:00:02", "10.0.0.2");
  t.Add({{a, b, 60, ProtoTCP, 100, 0},
         {b, a, 2000, ProtoUDP, 101, 1},
         {a, b, 100, ProtoTCP, 104, 0},
         {b, a, 80, ProtoUDP, 110, 2}});
  t.Filter([](const FrameTabRec& f) { return f.Cast == 0; });
  EXPECT_EQ(Points(ComputeGraph(t.s, kGraphPacketSize)), (std::vector<Point>{{"<64", 1},
                                                                             {"64-127", 1},
                                                                             {"128-255", 0},
                                                                             {"256-511", 0},
                                                                             {"512-1023", 0},
                                                                             {">1023", 0}}));
  EXPECT_EQ(Points(ComputeGraph(t.s, kGraphDestinationType)),
            (std::vector<Point>{{"Unicast", 2}, {"Broadcast", 0}, {"Multicast", 0}}));
  EXPECT_EQ(Points(ComputeGraph(t.s, kGraphProtocol)), (std::vector<Point>{{"TCP", 2}}));
  EXPECT_EQ(Points(ComputeGraph(t.s, kGraphTopSenders)), (std::vector<Point>{{"10.0.0.1", 2}}));
  EXPECT_EQ(Points(ComputeGraph(t.s, kGraphTopReceivers)), (std::vector<Point>{{"10.0.0.2", 2}}));
  EXPECT_EQ(Points(ComputeGraph(t.s, kGraphThroughput)),
            (std::vector<Point>{{"0", 0}, {"0", 1}, {"4", 1}}));

  // Nothing shown: empty buckets, no points, the throughput's origin only.
  t.Filter([](const FrameTabRec&) { return false; });
  for (int kind : {1, 2}) {
    const GraphSeries g = ComputeGraph(t.s, kind);
    EXPECT_FALSE(g.Points.empty());
    EXPECT_EQ(g.Total(), 0u);
    for (const ChartPoint& p : g.Points) EXPECT_EQ(PercentText(p.Value, g.Total()), "0 %");
  }
  for (int kind : {3, 4, 5}) EXPECT_TRUE(ComputeGraph(t.s, kind).Points.empty()) << kind;
  EXPECT_EQ(Points(ComputeGraph(t.s, kGraphThroughput)), (std::vector<Point>{{"0", 0}}));
}

TEST(Chart, PercentMarks) {
  struct Case {
    uint64_t value, total;
    const char* text;
  } cases[] = {{0, 0, "0 %"},      {7, 0, "0 %"},     {1, 3, "33.33 %"}, {2, 3, "66.67 %"},
               {1, 4, "25 %"},     {1, 8, "12.5 %"},  {5, 5, "100 %"},   {0, 9, "0 %"},
               {1, 100000, "0 %"}, {1, 1000, "0.1 %"}};
  for (const Case& c : cases)
    EXPECT_EQ(PercentText(c.value, c.total), c.text) << c.value << "/" << c.total;
  EXPECT_EQ(PercentText(1, 8, ","), "12,5 %");
  EXPECT_EQ(PercentOfTotal(3, 0), 0.0);
  EXPECT_DOUBLE_EQ(PercentOfTotal(1, 4), 25.0);
  EXPECT_EQ(ChartColour(1), 0x00FF00u);
  EXPECT_EQ(ChartColour(19), 0x000000u);
  EXPECT_EQ(ChartColour(20), 0x00FF00u);
  EXPECT_EQ(ChartColour(40), 0xFF0000u);
}

}  // namespace
}  // namespace kestle
