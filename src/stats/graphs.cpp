#include "stats/graphs.h"

#include <algorithm>
#include <array>
#include <numeric>

#include "decode/addresses.h"
#include "decode/config/environment.h"
#include "decode/registry.h"
#include "decode/session.h"
#include "decode/text.h"

namespace kestle {

namespace {

struct KindInfo {
  std::string_view Name;
  std::string_view BottomTitle;
};
constexpr std::array<KindInfo, kGraphKindCount> kKinds = {{
    {"Packet Size Distribution", "Size"},
    {"Frame Destination Type", "Destination Type"},
    {"Protocol Distribution", "Protocol"},
    {"Most Traffic (Sender)", "Node"},
    {"Most Traffic (Receiver)", "Node"},
    {"Packet Throughput", "Time"},
}};

constexpr std::array<std::string_view, 6> kSizeLabels = {"<64",     "64-127",   "128-255",
                                                         "256-511", "512-1023", ">1023"};
constexpr std::array<std::string_view, 3> kCastLabels = {"Unicast", "Broadcast", "Multicast"};

size_t SizeBucket(uint32_t trueLen) {
  if (trueLen < 64) return 0;
  if (trueLen < 128) return 1;
  if (trueLen < 256) return 2;
  if (trueLen < 512) return 3;
  if (trueLen < 1024) return 4;
  return 5;
}

void AddPoint(GraphSeries& g, std::string label, uint64_t value, uint64_t x = 0) {
  g.Points.push_back({std::move(label), x, value, ChartColour(g.Points.size() + 1)});
}

template <typename F>
void ForShownRows(const CaptureSession& s, F f) {
  const size_t rows =
      std::min<size_t>(s.VisibleCount, s.FrameOrder.empty() ? 0 : s.FrameOrder.size() - 1);
  for (size_t row = 1; row <= rows; ++row) {
    const uint32_t frame = s.FrameOrder[row];
    if (frame >= 1 && frame <= s.FrameCount && frame < s.FrameTable.size()) f(s.FrameTable[frame]);
  }
}

// A station as the most-traffic graphs name it: the network entry's name,
// else its address, else (no network entry) the MAC text.
std::string StationLabel(const NodeRegistry& nodes, uint32_t pair) {
  const NodeStatRec& r = nodes.NodeStatTable[pair];
  std::string label;
  const NodeEntryRec* net =
      r.NetNode != 0 && r.NetNode < nodes.NodeTable.size() ? &nodes.NodeTable[r.NetNode] : nullptr;
  if (net && !net->Name.empty())
    label = net->Name;
  else if (net && net->IPv4 != 0)
    label = FormatIPv4(net->IPv4);
  else if (r.MacNode != 0 && r.MacNode < nodes.NodeTable.size())
    label = nodes.NodeTable[r.MacNode].MacText;
  return label == "FF:FF:FF:FF:FF:FF" ? "Broadcast" : label;
}

void MostTraffic(const CaptureSession& s, GraphSeries& g, bool senders) {
  // The same counts as the node statistics, taken from the shown rows here
  // so that the graph never depends on when those were last computed.
  const size_t pairs = s.Nodes.NodeStatTable.size();
  std::vector<uint64_t> count(pairs, 0);
  ForShownRows(s, [&](const FrameTabRec& f) {
    const uint32_t p = senders ? f.SrcNode : f.DstNode;
    if (p < pairs) ++count[p];
  });
  std::vector<uint32_t> order;
  for (uint32_t i = 1; i < pairs; ++i) order.push_back(i);
  // Equal counts keep ascending pair order.
  std::stable_sort(order.begin(), order.end(),
                   [&](uint32_t a, uint32_t b) { return count[a] > count[b]; });
  for (size_t k = 0; k < order.size() && k < 10; ++k) {
    if (count[order[k]] == 0) break;
    AddPoint(g, StationLabel(s.Nodes, order[k]), count[order[k]]);
  }
}

void Throughput(const CaptureSession& s, GraphSeries& g) {
  AddPoint(g, "0", 0, 0);
  bool started = false;
  uint32_t current = 0, first = 0;
  uint64_t n = 0;
  auto add = [&] { AddPoint(g, std::to_string(current - first), n, current - first); };
  const size_t frames =
      std::min<size_t>(s.FrameCount, s.FrameTable.empty() ? 0 : s.FrameTable.size() - 1);
  for (size_t i = 1; i <= frames; ++i) {
    const FrameTabRec& f = s.FrameTable[i];
    if (!f.Visible) continue;
    const uint32_t t = f.Seconds;
    if (!started) {
      current = first = t;
      started = true;
    }
    // A frame whose time goes backwards counts in the current second.
    if (t <= current) {
      ++n;
    } else {
      add();
      current = t;
      n = 1;
    }
  }
  if (n > 0) add();
}

}  // namespace

std::string_view GraphEntryName(int kind) {
  return kind >= 1 && kind <= kGraphKindCount ? kKinds[static_cast<size_t>(kind - 1)].Name
                                              : std::string_view{};
}

uint64_t GraphSeries::Total() const {
  uint64_t t = 0;
  for (const ChartPoint& p : Points) t += p.Value;
  return t;
}

GraphSeries ComputeGraph(const CaptureSession& s, int kind) {
  GraphSeries g;
  if (kind < 1 || kind > kGraphKindCount) return g;
  g.Title = std::string(kKinds[static_cast<size_t>(kind - 1)].Name);
  g.BottomTitle = std::string(kKinds[static_cast<size_t>(kind - 1)].BottomTitle);
  switch (kind) {
    case kGraphPacketSize: {
      std::array<uint64_t, kSizeLabels.size()> n{};
      ForShownRows(s, [&](const FrameTabRec& f) { ++n[SizeBucket(f.TrueLen)]; });
      for (size_t i = 0; i < n.size(); ++i) AddPoint(g, std::string(kSizeLabels[i]), n[i]);
      break;
    }
    case kGraphDestinationType: {
      std::array<uint64_t, kCastLabels.size()> n{};
      ForShownRows(s, [&](const FrameTabRec& f) {
        if (f.Cast < n.size()) ++n[f.Cast];
      });
      for (size_t i = 0; i < n.size(); ++i) AddPoint(g, std::string(kCastLabels[i]), n[i]);
      break;
    }
    case kGraphProtocol: {
      const uint32_t count = s.Env.Protocols.ProtocolCount();
      std::vector<uint64_t> n(size_t{count} + 1, 0);
      ForShownRows(s, [&](const FrameTabRec& f) {
        // A frame with an empty stack is not counted.
        const uint16_t id = s.Paths.ProtocolOf(f.Protocol);
        if (id != 0 && id <= count) ++n[id];
      });
      std::vector<uint32_t> ids(count);
      std::iota(ids.begin(), ids.end(), 1u);
      std::stable_sort(ids.begin(), ids.end(), [&](uint32_t a, uint32_t b) { return n[a] > n[b]; });
      for (uint32_t id : ids)
        if (n[id] > 0) AddPoint(g, s.Env.Protocols.Name(id), n[id]);
      break;
    }
    case kGraphTopSenders:
    case kGraphTopReceivers:
      MostTraffic(s, g, kind == kGraphTopSenders);
      break;
    case kGraphThroughput:
      g.Line = true;
      Throughput(s, g);
      break;
  }
  return g;
}

}  // namespace kestle
