#include "output/grid.h"

#include <cmath>
#include <cstdio>

#include "capture/session.h"
#include "decode/environment.h"
#include "decode/utils.h"

namespace kestle {

namespace {
struct ColumnInfo {
  const char* Header;
  int Weight;
  int PrintWidth;
  bool Right;
};
constexpr ColumnInfo kColumns[9] = {
    {"No.", 2, 6, true},          {"Time", 2, 14, false},    {"Length", 2, 8, true},
    {"Source Node", 4, 32, false}, {"S-Port", 2, 8, true},    {"Dest Node", 4, 32, false},
    {"D-Port", 2, 8, true},       {"Description", 10, 60, false}, {"Protocol", 2, 10, false}};

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
  if (pair.MacNode != 0 && pair.MacNode <= reg.NodeCount()) return reg.NodeTable[pair.MacNode].MacText;
  return {};
}

std::string FrameCellText(const CaptureSession& s, uint32_t frame, char letter) {
  if (frame < 1 || frame > s.FrameCount) return {};
  const FrameTabRec& r = s.FrameTable[frame];
  const Settings& set = s.Env.settings;
  switch (letter) {
    case 'A':
      return std::to_string(int64_t{set.FirstFrame} + frame - 1);
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
