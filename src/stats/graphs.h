// The six graphs of the Graphs page as data: for each, the kind of series,
// its points in order, the chart title and the axis titles. They count the
// shown frames.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "stats/chart.h"

namespace kestle {

class CaptureSession;

// Graph kinds, numbered as the entries of the page's list.
enum GraphKind : int {
  kGraphPacketSize = 1,
  kGraphDestinationType = 2,
  kGraphProtocol = 3,
  kGraphTopSenders = 4,
  kGraphTopReceivers = 5,
  kGraphThroughput = 6,
};
inline constexpr int kGraphKindCount = 6;

// The list entry of a kind, which is also the chart's title ("" outside 1..6).
std::string_view GraphEntryName(int kind);

struct GraphSeries {
  bool Line = false;        // a line (throughput), else bars with a legend and percentage marks
  std::string Title;        // the entry's name
  std::string BottomTitle;  // "Size", "Destination Type", "Protocol", "Node" or "Time"
  std::string LeftTitle = "Packets";
  std::vector<ChartPoint> Points;

  uint64_t Total() const;
};

// The series of graph `kind` (1..6) over the shown frames; an unknown kind
// gives an empty series.
GraphSeries ComputeGraph(const CaptureSession& s, int kind);

}  // namespace kestle
