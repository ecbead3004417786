#include "stats/nodes.h"

#include <algorithm>
#include <unordered_map>

#include "decode/addresses.h"
#include "decode/config/environment.h"
#include "decode/registry.h"
#include "decode/session.h"
#include "decode/text.h"
#include "stats/partition_sort.h"

namespace kestle {

namespace {

constexpr std::string_view kNodeHeaders[kStatColumns] = {"Mac Address", "IP Address",  "Host Name",
                                                         "Frames Recv", "Frames Sent", "Bytes Recv",
                                                         "Bytes Sent"};
constexpr std::string_view kSessionHeaders[kStatColumns] = {
    "MAC Address", "IP Address", "Protocol", "Frames From", "Bytes From", "Frames To", "Bytes To"};

const std::string& EmptyText() {
  static const std::string kEmpty;
  return kEmpty;
}

template <typename T>
int Compare(const T& a, const T& b) {
  return a < b ? -1 : b < a ? 1 : 0;
}

// Byte-wise, as unsigned characters.
int CompareText(const std::string& a, const std::string& b) {
  const int c = a.compare(b);
  return c < 0 ? -1 : c > 0 ? 1 : 0;
}

// The parts of a pair the orders and cells look at; a reference outside the
// tables reads as an empty entry.
struct PairView {
  const NodeStatRec* pair = nullptr;
  const NodeEntryRec* mac = nullptr;
  const NodeEntryRec* net = nullptr;

  PairView(const NodeRegistry& nodes, uint32_t index) {
    if (index == 0 || index >= nodes.NodeStatTable.size()) return;
    pair = &nodes.NodeStatTable[index];
    if (pair->MacNode != 0 && pair->MacNode < nodes.NodeTable.size())
      mac = &nodes.NodeTable[pair->MacNode];
    if (pair->NetNode != 0 && pair->NetNode < nodes.NodeTable.size())
      net = &nodes.NodeTable[pair->NetNode];
  }
  const std::string& MacText() const { return mac ? mac->MacText : EmptyText(); }
  uint32_t IPv4() const { return net ? net->IPv4 : 0; }
  const std::string& Name() const { return net ? net->Name : EmptyText(); }
  const std::string& HostName() const { return net ? net->HostName : EmptyText(); }
  uint64_t Counter(int column) const {
    if (!pair) return 0;
    switch (column) {
      case 4:
        return pair->FramesRecv;
      case 5:
        return pair->FramesSent;
      case 6:
        return pair->BytesRecv;
      default:
        return pair->BytesSent;
    }
  }
};

int CompareNodes(const NodeRegistry& nodes, uint32_t ia, uint32_t ib, int mode) {
  const PairView a(nodes, ia), b(nodes, ib);
  const bool desc = StatSortDescending(mode);
  const int column = StatSortColumn(mode);
  switch (column) {
    case 1: {
      // Pairs without a MAC text last in both directions; equal MAC texts
      // by ascending address in both directions.
      const bool ea = a.MacText().empty(), eb = b.MacText().empty();
      if (ea || eb) return ea == eb ? 0 : ea ? 1 : -1;
      const int c = CompareText(a.MacText(), b.MacText());
      if (c != 0) return desc ? -c : c;
      return Compare(a.IPv4(), b.IPv4());
    }
    case 2: {
      // IPv4 stations, then named ones, then the others (all equal); only
      // the order within the first two groups follows the direction.
      auto group = [](const PairView& p) { return p.IPv4() != 0 ? 0 : !p.Name().empty() ? 1 : 2; };
      const int ga = group(a), gb = group(b);
      if (ga != gb) return ga < gb ? -1 : 1;
      const int c = ga == 0   ? Compare(a.IPv4(), b.IPv4())
                    : ga == 1 ? CompareText(a.Name(), b.Name())
                              : 0;
      return desc ? -c : c;
    }
    case 3: {
      // Ascending: IPv4 stations by host name first, the others after them.
      // Descending: the others first, then the IPv4 stations by host name.
      const bool ha = a.IPv4() != 0, hb = b.IPv4() != 0;
      if (ha && hb) {
        const int c = CompareText(a.HostName(), b.HostName());
        return desc ? -c : c;
      }
      if (ha == hb) return 0;
      const int c = ha ? -1 : 1;
      return desc ? -c : c;
    }
    default: {
      const int c = Compare(a.Counter(column), b.Counter(column));
      return desc ? -c : c;
    }
  }
}

int CompareSessions(const CaptureSession& s, const NodeSessionRec& a, const NodeSessionRec& b,
                    int mode) {
  int c = 0;
  switch (StatSortColumn(mode)) {
    case 1:
      c = CompareText(PairView(s.Nodes, a.Partner).MacText(),
                      PairView(s.Nodes, b.Partner).MacText());
      break;
    case 2:
      c = Compare(PairView(s.Nodes, a.Partner).IPv4(), PairView(s.Nodes, b.Partner).IPv4());
      break;
    case 3:
      c = CompareText(s.Env.Protocols.Name(a.SessionProtocol),
                      s.Env.Protocols.Name(b.SessionProtocol));
      break;
    case 4:
      c = Compare(a.FramesFrom, b.FramesFrom);
      break;
    case 5:
      c = Compare(a.BytesFrom, b.BytesFrom);
      break;
    case 6:
      c = Compare(a.FramesTo, b.FramesTo);
      break;
    default:
      c = Compare(a.BytesTo, b.BytesTo);
      break;
  }
  return StatSortDescending(mode) ? -c : c;
}

bool ValidMode(int mode) { return mode >= 1 && mode <= 2 * kStatColumns; }

// The shown rows that exist in the frame table.
template <typename F>
void ForShownFrames(const CaptureSession& s, F f) {
  const size_t rows =
      std::min<size_t>(s.VisibleCount, s.FrameOrder.empty() ? 0 : s.FrameOrder.size() - 1);
  for (size_t row = 1; row <= rows; ++row) {
    const uint32_t frame = s.FrameOrder[row];
    if (frame >= 1 && frame <= s.FrameCount && frame < s.FrameTable.size()) f(s.FrameTable[frame]);
  }
}

}  // namespace

void CreateNodeStats(CaptureSession& s) {
  auto& pairs = s.Nodes.NodeStatTable;
  for (NodeStatRec& r : pairs) r.FramesSent = r.FramesRecv = 0, r.BytesSent = r.BytesRecv = 0;
  // A frame without a station refers to pair 0, which is counted when the
  // table has it but never shown; a capture that registered no station at
  // all has nothing to count.
  ForShownFrames(s, [&](const FrameTabRec& f) {
    if (f.SrcNode < pairs.size()) {
      ++pairs[f.SrcNode].FramesSent;
      pairs[f.SrcNode].BytesSent += f.TrueLen;
    }
    if (f.DstNode < pairs.size()) {
      ++pairs[f.DstNode].FramesRecv;
      pairs[f.DstNode].BytesRecv += f.TrueLen;
    }
  });
}

std::string_view NodeColumnHeader(int column) {
  return column >= 1 && column <= kStatColumns ? kNodeHeaders[column - 1] : std::string_view{};
}

std::string_view SessionColumnHeader(int column) {
  return column >= 1 && column <= kStatColumns ? kSessionHeaders[column - 1] : std::string_view{};
}

std::vector<uint32_t> NodesWithTraffic(const NodeRegistry& nodes) {
  std::vector<uint32_t> list;
  for (uint32_t i = 1; i < nodes.NodeStatTable.size(); ++i) {
    const NodeStatRec& r = nodes.NodeStatTable[i];
    if (r.FramesSent != 0 || r.FramesRecv != 0) list.push_back(i);
  }
  return list;
}

void SortNodeList(const NodeRegistry& nodes, std::vector<uint32_t>& list, int mode) {
  if (!ValidMode(mode)) return;
  PartitionSort(list, [&](uint32_t a, uint32_t b) { return CompareNodes(nodes, a, b, mode); });
}

std::string NodeCellText(const NodeRegistry& nodes, uint32_t index, int column) {
  const PairView p(nodes, index);
  if (!p.pair) return {};
  switch (column) {
    case 1:
      return p.MacText();
    case 2:
      return p.IPv4() != 0 ? FormatIPv4(p.IPv4()) : p.Name();
    case 3:
      return p.IPv4() != 0 ? p.HostName() : std::string();
    case 4:
    case 5:
    case 6:
    case 7:
      return std::to_string(p.Counter(column));
    default:
      return {};
  }
}

NodeSessions BuildNodeSessions(const CaptureSession& s, uint32_t pair) {
  NodeSessions out;
  if (pair == 0) return out;
  const uint32_t protocolCount = s.Env.Protocols.ProtocolCount();
  std::vector<uint32_t> counts(size_t{protocolCount} + 1, 0);
  // One block of sessions per partner, in order of first appearance; each
  // block in the order its sessions were first seen.
  std::vector<std::vector<NodeSessionRec>> blocks;
  std::unordered_map<uint32_t, size_t> blockOf;
  ForShownFrames(s, [&](const FrameTabRec& f) {
    if (f.SrcNode != pair && f.DstNode != pair) return;
    const uint16_t protocol = s.Paths.ProtocolOf(f.Protocol);
    if (protocol <= protocolCount) ++counts[protocol];
    const uint32_t partner = f.SrcNode == pair ? f.DstNode : f.SrcNode;
    auto [it, added] = blockOf.try_emplace(partner, blocks.size());
    if (added) blocks.emplace_back();
    std::vector<NodeSessionRec>& block = blocks[it->second];
    auto rec = std::find_if(block.begin(), block.end(),
                            [&](const NodeSessionRec& r) { return r.SessionProtocol == protocol; });
    if (rec == block.end()) {
      block.push_back({partner, protocol, 0, 0, 0, 0});
      rec = block.end() - 1;
    }
    if (f.SrcNode == partner) {
      ++rec->FramesFrom;
      rec->BytesFrom += f.TrueLen;
    } else {
      ++rec->FramesTo;
      rec->BytesTo += f.TrueLen;
    }
  });
  for (uint32_t id = 1; id <= protocolCount; ++id)
    if (counts[id] != 0)
      out.Protocols.push_back(
          {s.Env.Protocols.Name(id), 0, counts[id], ChartColour(out.Protocols.size() + 1)});
  // Each partner's newest session first.
  for (const auto& block : blocks)
    out.Sessions.insert(out.Sessions.end(), block.rbegin(), block.rend());
  return out;
}

void SortSessions(const CaptureSession& s, std::vector<NodeSessionRec>& sessions, int mode) {
  if (!ValidMode(mode)) return;
  PartitionSort(sessions, [&](const NodeSessionRec& a, const NodeSessionRec& b) {
    return CompareSessions(s, a, b, mode);
  });
}

std::string SessionCellText(const CaptureSession& s, const NodeSessionRec& r, int column) {
  const PairView p(s.Nodes, r.Partner);
  switch (column) {
    case 1:
      return p.MacText();
    case 2:
      // As the node grid shows the partner: dotted IPv4, else its other
      // network address (IPv6).
      return p.IPv4() != 0 ? FormatIPv4(p.IPv4()) : p.Name();
    case 3:
      return s.Env.Protocols.Name(r.SessionProtocol);
    case 4:
      return std::to_string(r.FramesFrom);
    case 5:
      return std::to_string(r.BytesFrom);
    case 6:
      return std::to_string(r.FramesTo);
    case 7:
      return std::to_string(r.BytesTo);
    default:
      return {};
  }
}

std::array<int, kStatColumns> StatColumnWidths(int gridWidth, int scrollBarWidth, int lineWidth,
                                               const StatAddressWidths& least) {
  std::array<int, kStatColumns> w = StatColumnWidths(gridWidth, scrollBarWidth, lineWidth);
  const int avail = std::max(0, gridWidth - scrollBarWidth - (kStatColumns + 3) * lineWidth);
  const int ip = least.IPv6 > 0 && least.Mac + least.IPv6 <= avail / 2 ? least.IPv6 : least.IPv4;
  if (w[0] >= least.Mac && w[1] >= ip) return w;  // the equal shares hold them
  w[0] = std::max(w[0], least.Mac);
  w[1] = std::max(w[1], ip);
  // The others share the rest, each at least half its equal share.
  const int others = kStatColumns - 2;
  const int rest = std::max(0, avail - w[0] - w[1]);
  const int each = std::max(rest / others, avail / kStatColumns / 2);
  for (int c = 2; c < kStatColumns; ++c) w[static_cast<size_t>(c)] = each;
  if (each == rest / others) w[2] += rest % others;
  return w;
}

std::array<int, kStatColumns> StatColumnWidths(int gridWidth, int scrollBarWidth, int lineWidth) {
  const int avail = std::max(0, gridWidth - scrollBarWidth - (kStatColumns + 3) * lineWidth);
  std::array<int, kStatColumns> w;
  w.fill(avail / kStatColumns);
  w[0] += avail % kStatColumns;
  return w;
}

// ---------------------------------------------------------------- NodeView

void NodeView::Clear() {
  list_.clear();
  sessions_.clear();
  points_.clear();
  nodeSort_ = sessionSort_ = 1;
  selected_ = 0;
}

void NodeView::Show() {
  if (s_.VisibleCount == 0) {
    Clear();
    return;
  }
  nodeSort_ = sessionSort_ = 1;
  list_ = NodesWithTraffic(s_.Nodes);
  SortNodeList(s_.Nodes, list_, nodeSort_);
  SelectRow(0);
}

void NodeView::ClickNodeHeader(int column) {
  if (column < 1 || column > kStatColumns) return;
  nodeSort_ = StatSortModeAfterClick(nodeSort_, column);
  SortNodeList(s_.Nodes, list_, nodeSort_);
  SelectRow(selected_);
}

void NodeView::ClickSessionHeader(int column) {
  if (column < 1 || column > kStatColumns) return;
  sessionSort_ = StatSortModeAfterClick(sessionSort_, column);
  SortSessions(s_, sessions_, sessionSort_);
}

void NodeView::SelectRow(int row) {
  if (s_.VisibleCount == 0) return;
  selected_ = row;
  if (row < 0 || static_cast<size_t>(row) >= list_.size()) {
    sessions_.clear();
    points_.clear();
    return;
  }
  NodeSessions built = BuildNodeSessions(s_, list_[static_cast<size_t>(row)]);
  sessions_ = std::move(built.Sessions);
  points_ = std::move(built.Protocols);
  SortSessions(s_, sessions_, sessionSort_);
}

std::string NodeView::NodeCell(size_t row, int column) const {
  return row < list_.size() ? NodeCellText(s_.Nodes, list_[row], column) : std::string();
}

std::string NodeView::SessionCell(size_t row, int column) const {
  return row < sessions_.size() ? SessionCellText(s_, sessions_[row], column) : std::string();
}

}  // namespace kestle
