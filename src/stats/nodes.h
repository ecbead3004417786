// Traffic per station and per conversation over the shown frames: the
// counters of the node pairs, the node grid with its sort orders, the
// sessions of one station and its protocol chart. The Nodes page and
// kestle-dump show these.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "stats/chart.h"

namespace kestle {

class CaptureSession;
class NodeRegistry;

// Sets the frame and byte counters of every node pair from the shown frames
// (rows 1..VisibleCount of FrameOrder): the sender's pair counts a frame
// sent, the receiver's a frame received, both with the length on the wire.
// Run after every load and every change of the shown frames.
void CreateNodeStats(CaptureSession& s);

// ---- the two grids: seven columns each, numbered 1..7
inline constexpr int kStatColumns = 7;
std::string_view NodeColumnHeader(int column);
std::string_view SessionColumnHeader(int column);
// Columns 1..3 are left-aligned texts, 4..7 right-aligned counters.
constexpr bool StatColumnRightAligned(int column) { return column >= 4; }

// Sort modes: 1..7 ascending by column 1..7, 8..14 descending by column
// (mode - 7). A click on the sort column toggles its direction; a click on
// another column sorts ascending by it.
constexpr int StatSortColumn(int mode) { return mode > 7 ? mode - 7 : mode; }
constexpr bool StatSortDescending(int mode) { return mode > 7; }
constexpr int StatSortModeAfterClick(int mode, int column) {
  return mode == column ? column + 7 : column;
}

// The pairs 1..NodeStatCount that sent or received a shown frame, in index order.
std::vector<uint32_t> NodesWithTraffic(const NodeRegistry& nodes);
void SortNodeList(const NodeRegistry& nodes, std::vector<uint32_t>& list, int mode);
std::string NodeCellText(const NodeRegistry& nodes, uint32_t pair, int column);

// One conversation of the selected station: the partner pair and the
// innermost protocol of the frames.
struct NodeSessionRec {
  uint32_t Partner = 0;          // NodeStatTable index
  uint16_t SessionProtocol = 0;  // protocol identifier
  uint32_t FramesFrom = 0;       // sent by the partner
  uint64_t BytesFrom = 0;
  uint32_t FramesTo = 0;  // sent to the partner
  uint64_t BytesTo = 0;
};

struct NodeSessions {
  // By partner in order of first appearance in the shown rows; within a
  // partner, the session seen first comes last.
  std::vector<NodeSessionRec> Sessions;
  // One point per protocol identifier with frames, ascending identifiers.
  std::vector<ChartPoint> Protocols;
};
// The sessions and protocol points of the station `pair` over the shown rows.
NodeSessions BuildNodeSessions(const CaptureSession& s, uint32_t pair);
void SortSessions(const CaptureSession& s, std::vector<NodeSessionRec>& sessions, int mode);
std::string SessionCellText(const CaptureSession& s, const NodeSessionRec& r, int column);

// The widths the address columns need (text and cell padding): a MAC
// address, an IPv4 and an IPv6 address. 0: none.
struct StatAddressWidths {
  int Mac = 0;
  int IPv4 = 0;
  int IPv6 = 0;
};
// With address widths: the MAC and IP Address columns are never narrower
// than a MAC and an IPv4 address, and the IP column holds an IPv6 address
// where the two address columns then take at most half the grid; the other
// five columns share the rest (the grid scrolls sideways when too narrow).
std::array<int, kStatColumns> StatColumnWidths(int gridWidth, int scrollBarWidth, int lineWidth,
                                               const StatAddressWidths& least);
// Column widths of a statistics grid: the width left after the scroll bar
// and the grid lines, divided by 7, the first column also taking the rest.
// A grid too narrow for its lines gives columns of width 0.
std::array<int, kStatColumns> StatColumnWidths(int gridWidth, int scrollBarWidth, int lineWidth);

// The Nodes page's state: the node rows and their order, the selected row,
// its sessions and its protocol chart.
class NodeView {
 public:
  explicit NodeView(const CaptureSession& s) : s_(s) {}

  // The page is shown: both sort modes back to 1, the rows of the pairs
  // with traffic, sorted, row 0 selected with its sessions and chart.
  void Show();
  // Closing or opening a file: no rows, no sessions, no points.
  void Clear();
  // Node grid header 1..7 clicked: new sort, then the sessions of the
  // selected row number (which may now be another station).
  void ClickNodeHeader(int column);
  // Sessions grid header 1..7 clicked: new sort of the sessions.
  void ClickSessionHeader(int column);
  // A node row is selected (0-based). With no frames shown nothing changes.
  void SelectRow(int row);
  // The sessions and chart of the selected row again (the chart's kind changed).
  void Rebuild() { SelectRow(selected_); }

  size_t NodeRows() const { return list_.size(); }
  uint32_t PairAt(size_t row) const { return row < list_.size() ? list_[row] : 0; }
  std::string NodeCell(size_t row, int column) const;
  size_t SessionRows() const { return sessions_.size(); }
  const NodeSessionRec& SessionAt(size_t row) const { return sessions_[row]; }
  std::string SessionCell(size_t row, int column) const;
  const std::vector<ChartPoint>& ProtocolPoints() const { return points_; }
  int NodeSortMode() const { return nodeSort_; }
  int SessionSortMode() const { return sessionSort_; }
  int SelectedRow() const { return selected_; }

 private:
  const CaptureSession& s_;
  std::vector<uint32_t> list_;
  std::vector<NodeSessionRec> sessions_;
  std::vector<ChartPoint> points_;
  int nodeSort_ = 1;
  int sessionSort_ = 1;
  int selected_ = 0;
};

}  // namespace kestle
