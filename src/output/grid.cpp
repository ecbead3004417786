#include "output/grid.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "decode/addresses.h"
#include "decode/config/environment.h"
#include "decode/fields.h"
#include "decode/session.h"
#include "decode/summary.h"
#include "decode/text.h"

namespace kestle {

namespace {
struct ColumnInfo {
  const char* Header;
  int Weight;
  int PrintWidth;
  bool Right;
};
constexpr ColumnInfo kColumns[9] = {
    {"No.", 2, 6, true},           {"Time", 2, 14, false},         {"Length", 2, 8, true},
    {"Source Node", 4, 32, false}, {"S-Port", 2, 8, true},         {"Dest Node", 4, 32, false},
    {"D-Port", 2, 8, true},        {"Description", 10, 60, false}, {"Protocol", 2, 10, false}};

const ColumnInfo* Info(char letter) {
  return letter >= 'A' && letter <= 'I' ? &kColumns[letter - 'A'] : nullptr;
}
}  // namespace

std::string_view ColumnHeader(char letter) {
  const ColumnInfo* i = Info(letter);
  return i ? i->Header : "";
}
int ColumnWeight(char letter) {
  const ColumnInfo* i = Info(letter);
  return i ? i->Weight : 0;
}
int PrintColumnWidth(char letter) {
  const ColumnInfo* i = Info(letter);
  return i ? i->PrintWidth : 0;
}
bool ColumnRightAligned(char letter) {
  const ColumnInfo* i = Info(letter);
  return i && i->Right;
}

std::string FormatTimeOfDay(uint32_t seconds, uint32_t micro) {
  const uint32_t day = seconds % 86400;
  char buf[32];
  std::snprintf(buf, sizeof buf, "%02u:%02u:%02u.%03u", day / 3600, day / 60 % 60, day % 60,
                (micro / 1000) % 1000);
  return buf;
}

std::string FormatRelativeTime(double v, std::string_view decimalSep) {
  char buf[64];
  if (v > 86400) {
    std::snprintf(buf, sizeof buf, "> %lldd", static_cast<long long>(v / 86400));
    return buf;
  }
  if (v > 3600) {
    std::snprintf(buf, sizeof buf, "> %lldh", static_cast<long long>(v / 3600));
    return buf;
  }
  std::snprintf(buf, sizeof buf, "%.4f", v);
  std::string s = buf;
  if (decimalSep != ".") {
    if (size_t p = s.find('.'); p != std::string::npos) s.replace(p, 1, decimalSep);
  }
  return s;
}

std::string NodeText(const CaptureSession& s, uint32_t idx) {
  const auto& reg = s.Nodes;
  if (idx == 0 || idx > reg.NodeStatCount()) return {};
  const NodeStatRec& pair = reg.NodeStatTable[idx];
  if (pair.NetNode != 0 && pair.NetNode <= reg.NodeCount()) {
    const NodeEntryRec& n = reg.NodeTable[pair.NetNode];
    if (n.IPv4 != 0) return n.HostName.empty() ? FormatIPv4(n.IPv4) : n.HostName;
    if (!n.Name.empty()) return n.Name;
  }
  if (pair.MacNode != 0 && pair.MacNode <= reg.NodeCount())
    return reg.NodeTable[pair.MacNode].MacText;
  return {};
}

std::string FrameCellText(const CaptureSession& s, uint32_t frame, char letter) {
  if (frame < 1 || frame > s.FrameCount) return {};
  const FrameTabRec& r = s.FrameTable[frame];
  const Settings& set = s.Env.settings;
  switch (letter) {
    case 'A':
      return std::to_string(ShownFrameNumber(set, frame));
    case 'B': {
      if (set.TimeFormat == 1) return FormatRelativeTime(r.RelTime, s.Env.Locale.DecimalSep);
      if (set.TimeFormat == 2) {
        double v = 0;
        for (uint32_t n = frame - 1; n >= 1; --n)
          if (s.FrameTable[n].Visible) {
            v = r.RelTime - s.FrameTable[n].RelTime;
            break;
          }
        return FormatRelativeTime(v, s.Env.Locale.DecimalSep);
      }
      return FormatTimeOfDay(r.Seconds, r.Micro);
    }
    case 'C':
      return std::to_string(r.CapLen);
    case 'D':
      return NodeText(s, r.SrcNode);
    case 'E':
      return std::to_string(r.SrcPort);
    case 'F':
      return NodeText(s, r.DstNode);
    case 'G':
      return std::to_string(r.DstPort);
    case 'H':
      return std::string(s.Description(frame));
    case 'I':
      return s.Env.Protocols.Name(s.Paths.ProtocolOf(r.Protocol));
    default:
      return {};
  }
}

std::string GetGridCell(const CaptureSession& s, uint32_t row, size_t column) {
  const std::string& cols = s.Env.settings.ColumnSel;
  if (row >= s.VisibleCount || column >= cols.size() || row + 1 >= s.FrameOrder.size()) return {};
  return FrameCellText(s, s.FrameOrder[row + 1], cols[column]);
}

}  // namespace kestle

namespace kestle {

bool ValidSortMode(int m) { return m >= 1 && m <= 18; }
char SortLetter(int m) {
  if (!ValidSortMode(m)) return 'A';
  return static_cast<char>('A' + (m > 9 ? m - 10 : m - 1));
}
bool SortDescending(int m) { return m > 9 && m <= 18; }

int SortModeAfterClick(int sortMode, char letter) {
  if (letter < 'A' || letter > 'I') return sortMode;
  const int k = letter - 'A' + 1;
  return sortMode == k ? k + 9 : k;
}

namespace {

// Key of a node column: the sender's or receiver's IPv4 address, then,
// between two frames without one, the MAC text.
uint32_t NodeIPv4(const CaptureSession& s, uint32_t idx) {
  const auto& reg = s.Nodes;
  if (idx == 0 || idx > reg.NodeStatCount()) return 0;
  const uint32_t net = reg.NodeStatTable[idx].NetNode;
  return net != 0 && net <= reg.NodeCount() ? reg.NodeTable[net].IPv4 : 0;
}
std::string_view NodeMac(const CaptureSession& s, uint32_t idx) {
  const auto& reg = s.Nodes;
  if (idx == 0 || idx > reg.NodeStatCount()) return {};
  const uint32_t mac = reg.NodeStatTable[idx].MacNode;
  return mac != 0 && mac <= reg.NodeCount() ? std::string_view(reg.NodeTable[mac].MacText)
                                            : std::string_view{};
}

template <typename T>
int Cmp(const T& a, const T& b) {
  return a < b ? -1 : (b < a ? 1 : 0);
}

// Key comparison of two frames for a column: <0, 0, >0.
int CompareKey(const CaptureSession& s, char letter, uint32_t a, uint32_t b) {
  const FrameTabRec& fa = s.FrameTable[a];
  const FrameTabRec& fb = s.FrameTable[b];
  switch (letter) {
    case 'C':
      return Cmp(fa.CapLen, fb.CapLen);
    case 'E':
      return Cmp(fa.SrcPort, fb.SrcPort);
    case 'G':
      return Cmp(fa.DstPort, fb.DstPort);
    case 'D':
    case 'F': {
      const uint32_t na = letter == 'D' ? fa.SrcNode : fa.DstNode;
      const uint32_t nb = letter == 'D' ? fb.SrcNode : fb.DstNode;
      const uint32_t ia = NodeIPv4(s, na), ib = NodeIPv4(s, nb);
      if (ia != ib) return Cmp(ia, ib);
      if (ia != 0) return 0;
      return NodeMac(s, na).compare(NodeMac(s, nb));
    }
    case 'H':
      return s.Description(a).compare(s.Description(b));
    case 'I': {
      const std::string& pa = s.Env.Protocols.Name(s.Paths.ProtocolOf(fa.Protocol));
      const std::string& pb = s.Env.Protocols.Name(s.Paths.ProtocolOf(fb.Protocol));
      return pa.compare(pb);
    }
    default:
      return 0;
  }
}

}  // namespace

void SortFrameOrder(CaptureSession& s, int sortMode) {
  if (s.VisibleCount == 0 || !ValidSortMode(sortMode)) return;
  if (s.FrameOrder.size() < size_t{s.VisibleCount} + 1) return;
  const char letter = SortLetter(sortMode);
  const bool desc = SortDescending(sortMode);
  if (letter == 'A' || letter == 'B') {
    uint32_t row = 0;
    auto put = [&](uint32_t n) {
      if (s.FrameTable[n].Visible && row < s.VisibleCount) s.FrameOrder[++row] = n;
    };
    if (desc)
      for (uint32_t n = s.FrameCount; n >= 1; --n) put(n);
    else
      for (uint32_t n = 1; n <= s.FrameCount; ++n) put(n);
    // Frames marked visible always fill the rows the filter counted; keep
    // the count honest should the two ever disagree.
    s.VisibleCount = row;
    return;
  }
  auto first = s.FrameOrder.begin() + 1;
  auto last = first + s.VisibleCount;
  std::sort(first, last, [&](uint32_t a, uint32_t b) {
    int c = CompareKey(s, letter, a, b);
    if (c != 0) return desc ? c > 0 : c < 0;
    return a < b;
  });
}

int64_t RowOfFrame(const CaptureSession& s, uint32_t frame) {
  if (frame == 0) return -1;
  for (uint32_t row = 1; row <= s.VisibleCount && row < s.FrameOrder.size(); ++row)
    if (s.FrameOrder[row] == frame) return row - 1;
  return -1;
}

std::string JoinRowCells(const std::vector<std::string>& cells) {
  std::string out;
  bool started = false;
  for (const auto& c : cells) {
    if (!started) {
      if (c.empty()) continue;
      started = true;
    } else {
      out += " | ";
    }
    out += c;
  }
  return out;
}

std::string CopyRowText(const CaptureSession& s, uint32_t row) {
  std::vector<std::string> cells;
  for (size_t col = 0; col < s.Env.settings.ColumnSel.size(); ++col)
    cells.push_back(GetGridCell(s, row, col));
  return JoinRowCells(cells);
}

RowColours GridRowColours(const CaptureSession& s, uint32_t row, const ViewPalette& p) {
  const uint32_t background = row % 2 == 0 ? p.EvenRow : p.OddRow;
  const RowColours plain{background, p.Text};
  if (row >= s.VisibleCount || row + 1 >= s.FrameOrder.size()) return plain;
  const uint32_t frame = s.FrameOrder[row + 1];
  if (frame >= 1 && frame <= s.FrameCount && s.FrameTable[frame].Tagged)
    return {kTaggedBackground, 0};
  return {background, ReadableTextColour(GetProtocolColour(s, frame), background, p)};
}

std::vector<int> ColumnWidths(std::string_view columnSel, int available) {
  std::vector<int> widths;
  int sum = 0;
  for (char c : columnSel) sum += ColumnWeight(c);
  if (sum == 0) return std::vector<int>(columnSel.size(), 0);
  if (available < 0) available = 0;
  const int unit = available / sum, rest = available % sum;
  bool restGiven = false;
  for (char c : columnSel) {
    int w = unit * ColumnWeight(c);
    if (c == 'B' && !restGiven) {
      w += rest;
      restGiven = true;
    }
    widths.push_back(w);
  }
  return widths;
}

std::vector<int> FitColumnWidths(std::string_view columnSel, int available,
                                 const std::vector<int>& least) {
  std::vector<int> widths = ColumnWidths(columnSel, available);
  int excess = 0;
  for (size_t i = 0; i < widths.size() && i < least.size(); ++i) {
    if (widths[i] >= least[i]) continue;
    excess += least[i] - widths[i];
    widths[i] = least[i];
  }
  const size_t h = columnSel.find('H');
  if (h != std::string_view::npos && excess > 0)
    widths[h] = std::max(h < least.size() ? least[h] : 0, widths[h] - excess);
  return widths;
}

}  // namespace kestle
