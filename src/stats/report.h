// The statistics as text, one tab-separated line per row, as kestle-dump
// prints them. The node counters must be current (CreateNodeStats).
#pragma once

#include <iosfwd>

namespace kestle {

class CaptureSession;

// A header line, then one line per station of the node grid in its first
// order (MAC address ascending): the seven cells of the grid.
void WriteNodeGrid(std::ostream& out, const CaptureSession& s);
// A header line, then every station's sessions in the node grid's order,
// each line the station's MAC and IP cells followed by the session's
// seven cells (sessions in their first order, partner MAC ascending).
void WriteSessionGrids(std::ostream& out, const CaptureSession& s);
// The graph's title, a line with its axis titles, then one line per point:
// label, value and the percentage mark for bars; seconds and frames for
// the throughput line.
void WriteGraph(std::ostream& out, const CaptureSession& s, int kind);

}  // namespace kestle
