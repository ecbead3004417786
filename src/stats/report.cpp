#include "stats/report.h"

#include <ostream>
#include <string>

#include "decode/config/environment.h"
#include "decode/session.h"
#include "stats/graphs.h"
#include "stats/nodes.h"

namespace kestle {

namespace {

// Cell texts come from the frames and the resolver: keep them on one field.
std::string Field(std::string s) {
  for (char& ch : s)
    if (ch == '\t' || ch == '\n' || ch == '\r') ch = ' ';
  return s;
}

}  // namespace

void WriteNodeGrid(std::ostream& out, const CaptureSession& s) {
  for (int c = 1; c <= kStatColumns; ++c) out << (c > 1 ? "\t" : "") << NodeColumnHeader(c);
  out << "\n";
  NodeView view(s);
  view.Show();
  for (size_t row = 0; row < view.NodeRows(); ++row) {
    for (int c = 1; c <= kStatColumns; ++c)
      out << (c > 1 ? "\t" : "") << Field(view.NodeCell(row, c));
    out << "\n";
  }
}

void WriteSessionGrids(std::ostream& out, const CaptureSession& s) {
  out << "Station MAC\tStation IP";
  for (int c = 1; c <= kStatColumns; ++c) out << "\t" << SessionColumnHeader(c);
  out << "\n";
  NodeView view(s);
  view.Show();
  for (size_t row = 0; row < view.NodeRows(); ++row) {
    view.SelectRow(static_cast<int>(row));
    const std::string station = Field(view.NodeCell(row, 1)) + "\t" + Field(view.NodeCell(row, 2));
    for (size_t r = 0; r < view.SessionRows(); ++r) {
      out << station;
      for (int c = 1; c <= kStatColumns; ++c) out << "\t" << Field(view.SessionCell(r, c));
      out << "\n";
    }
  }
}

void WriteGraph(std::ostream& out, const CaptureSession& s, int kind) {
  const GraphSeries g = ComputeGraph(s, kind);
  out << g.Title << "\n"
      << g.BottomTitle << "\t" << g.LeftTitle << (g.Line ? "" : "\tPercent") << "\n";
  const uint64_t total = g.Total();
  for (const ChartPoint& p : g.Points) {
    out << Field(p.Label) << "\t" << p.Value;
    if (!g.Line) out << "\t" << PercentText(p.Value, total, s.Env.Locale.DecimalSep);
    out << "\n";
  }
}

}  // namespace kestle
