#include "output/filter.h"

#include <algorithm>
#include <numeric>

#include "decode/addresses.h"
#include "decode/config/environment.h"
#include "decode/session.h"

namespace kestle {

std::string_view DirectionText(FilterDirection d) {
  switch (d) {
    case FilterDirection::Forward:
      return "--->";
    case FilterDirection::Back:
      return "<---";
    default:
      return "<-->";
  }
}

FilterDirection NextDirection(FilterDirection d) {
  switch (d) {
    case FilterDirection::Both:
      return FilterDirection::Forward;
    case FilterDirection::Forward:
      return FilterDirection::Back;
    default:
      return FilterDirection::Both;
  }
}

namespace {

// An entry's parent, when it is a real one. Entries are only ever added
// after their parent, so a parent always has the smaller index; anything
// else is treated as no parent, which also rules out cycles.
uint32_t ParentOf(const ProtocolPathTable& paths, uint32_t i) {
  const uint32_t p = paths[i].Parent;
  return p != 0 && p < i ? p : 0;
}

// The rows the grid shows, never more than FrameOrder holds.
uint32_t ShownRows(const CaptureSession& s) {
  const size_t held = s.FrameOrder.empty() ? 0 : s.FrameOrder.size() - 1;
  return static_cast<uint32_t>(std::min<size_t>(s.VisibleCount, held));
}

// The loaded frames, never more than the frame table holds.
uint32_t LoadedFrames(const CaptureSession& s) {
  const size_t held = s.FrameTable.empty() ? 0 : s.FrameTable.size() - 1;
  return static_cast<uint32_t>(std::min<size_t>(s.FrameCount, held));
}

}  // namespace

// ---------------------------------------------------------------- the tree

void MarkProtocolsInUse(CaptureSession& s) {
  ProtocolPathTable& paths = s.Paths;
  const uint32_t count = paths.Count();
  for (uint32_t i = 1; i <= count; ++i) paths[i].InUse = 0;
  for (uint32_t n = 1; n <= LoadedFrames(s); ++n) {
    const uint32_t p = s.FrameTable[n].Protocol;
    if (p >= 1 && p <= count) paths[p].InUse = 1;
  }
  // Parents have smaller indexes: one pass from the end reaches every ancestor.
  for (uint32_t i = count; i >= 1; --i)
    if (paths[i].InUse)
      if (const uint32_t p = ParentOf(paths, i)) paths[p].InUse = 1;
}

std::vector<ProtocolTreeItem> ProtocolTree(const CaptureSession& s) {
  const ProtocolPathTable& paths = s.Paths;
  const uint32_t count = paths.Count();
  std::vector<uint32_t> order;
  for (uint32_t i = 1; i <= count; ++i)
    if (paths[i].InUse) order.push_back(i);
  std::stable_sort(order.begin(), order.end(),
                   [&](uint32_t a, uint32_t b) { return paths[a].Protocol < paths[b].Protocol; });
  std::vector<std::vector<uint32_t>> children(size_t{count} + 1);
  for (uint32_t i : order) children[ParentOf(paths, i)].push_back(i);

  std::vector<ProtocolTreeItem> out;
  out.reserve(order.size());
  // Depth-first without recursion: stacks can nest deeply (tunnels).
  struct Pending {
    uint32_t parent;
    size_t next;
  };
  std::vector<Pending> stack{{0, 0}};
  while (!stack.empty()) {
    Pending& top = stack.back();
    const auto& list = children[top.parent];
    if (top.next == list.size()) {
      stack.pop_back();
      continue;
    }
    const uint32_t item = list[top.next++];
    out.push_back({item, static_cast<uint32_t>(stack.size())});
    stack.push_back({item, 0});
  }
  return out;
}

std::string ProtocolTreeText(const CaptureSession& s, uint32_t path) {
  return s.Env.Protocols.Name(s.Paths.ProtocolOf(path));
}

std::string ProtocolStackText(const CaptureSession& s, uint32_t path) {
  std::vector<uint32_t> chain;
  for (uint32_t p = path; p >= 1 && p <= s.Paths.Count(); p = ParentOf(s.Paths, p))
    chain.push_back(p);
  std::string out;
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
    if (!out.empty()) out += '/';
    out += ProtocolTreeText(s, *it);
  }
  return out;
}

// ---------------------------------------------------------------- stations

std::vector<StationItem> StationList(const NodeRegistry& nodes) {
  std::vector<StationItem> out;
  out.push_back({kAnyStation, 0, StationKind::Any});
  const uint32_t count = nodes.NodeCount();
  for (uint32_t i = 1; i <= count; ++i)
    if (nodes.NodeTable[i].IPv4 != 0)
      out.push_back({FormatIPv4(nodes.NodeTable[i].IPv4), i, StationKind::Network});
  for (uint32_t i = 1; i <= count; ++i)
    if (!nodes.NodeTable[i].Name.empty())
      out.push_back({nodes.NodeTable[i].Name, i, StationKind::Network});
  for (uint32_t i = 1; i <= count; ++i)
    if (!nodes.NodeTable[i].MacText.empty())
      out.push_back({nodes.NodeTable[i].MacText, i, StationKind::Mac});
  return out;
}

StationItem StationOfPair(const NodeRegistry& nodes, uint32_t pair) {
  if (pair == 0 || pair > nodes.NodeStatCount()) return {kAnyStation, 0, StationKind::Any};
  const NodeStatRec& r = nodes.NodeStatTable[pair];
  const uint32_t count = nodes.NodeCount();
  if (r.NetNode != 0 && r.NetNode <= count) {
    const NodeEntryRec& net = nodes.NodeTable[r.NetNode];
    if (net.IPv4 != 0) return {FormatIPv4(net.IPv4), r.NetNode, StationKind::Network};
    if (!net.Name.empty()) return {net.Name, r.NetNode, StationKind::Network};
  }
  if (r.MacNode != 0 && r.MacNode <= count && !nodes.NodeTable[r.MacNode].MacText.empty())
    return {nodes.NodeTable[r.MacNode].MacText, r.MacNode, StationKind::Mac};
  return {kAnyStation, 0, StationKind::Any};
}

bool StationMatches(const NodeRegistry& nodes, const StationItem& station, uint32_t side) {
  if (station.Kind == StationKind::Any) return true;
  const uint32_t count = nodes.NodeCount();
  if (side == 0 || side > nodes.NodeStatCount() || station.Node == 0 || station.Node > count)
    return false;
  const NodeStatRec& pair = nodes.NodeStatTable[side];
  const NodeEntryRec& e = nodes.NodeTable[station.Node];
  if (station.Kind == StationKind::Network) {
    if (pair.NetNode == 0 || pair.NetNode > count) return false;
    const NodeEntryRec& net = nodes.NodeTable[pair.NetNode];
    return (e.IPv4 != 0 && e.IPv4 == net.IPv4) || (!e.Name.empty() && e.Name == net.Name);
  }
  if (pair.MacNode == 0 || pair.MacNode > count) return false;
  return !e.MacText.empty() && e.MacText == nodes.NodeTable[pair.MacNode].MacText;
}

// ---------------------------------------------------------------- predicate

FramePredicate::FramePredicate(const CaptureSession& s, const FilterChoice& choice,
                               bool allProtocols)
    : nodes_(s.Nodes), choice_(choice), all_(allProtocols) {
  const uint32_t count = s.Paths.Count();
  chosen_.assign(size_t{count} + 1, 0);
  for (uint32_t i = 1; i <= count; ++i) {
    const uint32_t p = ParentOf(s.Paths, i);
    chosen_[i] = s.Paths[i].Selected || (p != 0 && chosen_[p]);
  }
}

bool FramePredicate::ProtocolChosen(uint32_t path) const {
  return all_ || (path >= 1 && path < chosen_.size() && chosen_[path]);
}

bool FramePredicate::StationsMatch(const FrameTabRec& f) const {
  auto m = [&](const StationItem& st, uint32_t side) { return StationMatches(nodes_, st, side); };
  const StationItem& a = choice_.Station1;
  const StationItem& b = choice_.Station2;
  switch (choice_.Direction) {
    case FilterDirection::Forward:
      return m(a, f.SrcNode) && m(b, f.DstNode);
    case FilterDirection::Back:
      return m(b, f.SrcNode) && m(a, f.DstNode);
    default:
      return (m(a, f.SrcNode) && m(b, f.DstNode)) || (m(a, f.DstNode) && m(b, f.SrcNode));
  }
}

bool FramePredicate::operator()(const FrameTabRec& f) const {
  const bool mismatch = choice_.SelectMismatch;
  if (!ProtocolChosen(f.Protocol)) return mismatch;
  return StationsMatch(f) != mismatch;
}

FilterOutcome ApplyFilter(CaptureSession& s, const FilterChoice& choice, const FrameTest& also) {
  FilterOutcome r;
  ProtocolPathTable& paths = s.Paths;
  const uint32_t count = paths.Count();
  for (uint32_t i = 1; i <= count; ++i) paths[i].Selected = 0;
  bool all = choice.RootChecked;
  for (uint32_t p : choice.CheckedPaths) {
    if (p < 1 || p > count) continue;
    paths[p].Selected = 1;
    all = false;
  }
  r.AllProtocols = all;

  const FramePredicate dialog(s, choice, all);
  auto keep = [&](uint32_t n) { return dialog(s.FrameTable[n]) && (!also || also(n)); };
  const uint32_t frames = LoadedFrames(s);
  uint32_t first = 1;
  while (first <= frames && !keep(first)) ++first;
  if (first > frames) return r;

  if (s.FrameOrder.size() < size_t{frames} + 1) s.FrameOrder.resize(size_t{frames} + 1, 0);
  uint32_t rows = 0;
  for (uint32_t n = 1; n <= frames; ++n) {
    const bool on = n >= first && keep(n);
    s.FrameTable[n].Visible = on ? 1 : 0;
    if (on) s.FrameOrder[++rows] = n;
  }
  s.VisibleCount = rows;
  r.Applied = true;
  r.Shown = rows;
  return r;
}

// ---------------------------------------------------------------- tagged, clear

bool AnyShownFrameTagged(const CaptureSession& s) {
  for (uint32_t row = 1; row <= ShownRows(s); ++row) {
    const uint32_t f = s.FrameOrder[row];
    if (f >= 1 && f <= LoadedFrames(s) && s.FrameTable[f].Tagged) return true;
  }
  return false;
}

uint32_t FilterTaggedFrames(CaptureSession& s) {
  if (!AnyShownFrameTagged(s)) return 0;
  const uint32_t rows = ShownRows(s), frames = LoadedFrames(s);
  uint32_t kept = 0;
  for (uint32_t row = 1; row <= rows; ++row) {
    const uint32_t f = s.FrameOrder[row];
    if (f < 1 || f > frames) continue;
    if (s.FrameTable[f].Tagged)
      s.FrameOrder[++kept] = f;
    else
      s.FrameTable[f].Visible = 0;
  }
  s.VisibleCount = kept;
  return kept;
}

bool ClearFilter(CaptureSession& s) {
  if (s.VisibleCount >= s.FrameCount) return false;
  const uint32_t frames = LoadedFrames(s);
  s.FrameOrder.resize(size_t{frames} + 1);
  s.FrameOrder[0] = 0;
  std::iota(s.FrameOrder.begin() + 1, s.FrameOrder.end(), 1u);
  for (uint32_t n = 1; n <= frames; ++n) s.FrameTable[n].Visible = 1;
  s.VisibleCount = frames;
  return true;
}

// ---------------------------------------------------------------- by text

namespace {

bool SameText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

std::vector<std::string_view> SplitStack(std::string_view t) {
  std::vector<std::string_view> parts;
  while (true) {
    const size_t slash = t.find('/');
    parts.push_back(t.substr(0, slash));
    if (slash == std::string_view::npos) break;
    t.remove_prefix(slash + 1);
  }
  return parts;
}

}  // namespace

std::vector<uint32_t> FindStackEntries(const CaptureSession& s, std::string_view stack) {
  std::vector<uint32_t> out;
  const bool anchored = !stack.empty() && stack.front() == '/';
  if (anchored) stack.remove_prefix(1);
  const std::vector<std::string_view> names = SplitStack(stack);
  for (std::string_view n : names)
    if (n.empty()) return out;
  for (const ProtocolTreeItem& item : ProtocolTree(s)) {
    if (item.Depth < names.size() || (anchored && item.Depth != names.size())) continue;
    uint32_t p = item.Path;
    bool match = true;
    for (size_t i = names.size(); i-- > 0 && match; p = ParentOf(s.Paths, p))
      match = p != 0 && SameText(ProtocolTreeText(s, p), names[i]);
    if (match) out.push_back(item.Path);
  }
  return out;
}

int64_t FindStation(const std::vector<StationItem>& list, std::string_view text) {
  if (text.empty()) return 0;
  for (size_t i = 0; i < list.size(); ++i)
    if (SameText(list[i].Text, text)) return static_cast<int64_t>(i);
  return -1;
}

bool ParseDirection(std::string_view text, FilterDirection& out) {
  for (FilterDirection d :
       {FilterDirection::Both, FilterDirection::Forward, FilterDirection::Back}) {
    static constexpr const char* kWords[] = {"both", "forward", "back"};
    if (text == DirectionText(d) || SameText(text, kWords[static_cast<int>(d)])) {
      out = d;
      return true;
    }
  }
  return false;
}

std::string FramesSelectedText(uint32_t shown) {
  return std::to_string(shown) + kFramesSelectedSuffix;
}

}  // namespace kestle
