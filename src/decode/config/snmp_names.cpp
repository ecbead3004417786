#include "decode/config/snmp_names.h"

#include <charconv>
#include <fstream>

namespace kestle {

namespace {

bool Blank(char ch) { return ch == ' ' || ch == '\t' || ch == '\r' || ch == '\n'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && Blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && Blank(s.back())) s.remove_suffix(1);
  return s;
}

// A component of a dotted identifier; one that is not a number (or does not
// fit 32 bits) counts as 0.
uint32_t Component(std::string_view text) {
  uint32_t v = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  return ec == std::errc() && end == text.data() + text.size() ? v : 0;
}

uint64_t ChildKey(uint32_t parent, uint32_t number) { return uint64_t{parent} << 32 | number; }

}  // namespace

void SnmpNameTree::Clear() {
  entries_.clear();
  first_.clear();
  child_.clear();
}

bool SnmpNameTree::Load(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::string line;
  while (std::getline(in, line)) AddLine(line);
  return true;
}

uint32_t SnmpNameTree::First(uint32_t number) const {
  const auto it = first_.find(number);
  return it == first_.end() ? kNone : it->second;
}

uint32_t SnmpNameTree::Child(uint32_t parent, uint32_t number) const {
  const auto it = child_.find(ChildKey(parent, number));
  return it == child_.end() ? kNone : it->second;
}

uint32_t SnmpNameTree::Append(uint32_t parent, uint32_t number, std::string name) {
  const auto i = static_cast<uint32_t>(entries_.size());
  entries_.push_back({number, std::move(name), {}});
  first_.emplace(number, i);
  if (parent != kNone) {
    entries_[parent].Children.push_back(i);
    child_.emplace(ChildKey(parent, number), i);
  }
  return i;
}

void SnmpNameTree::AddLine(std::string_view raw) {
  const std::string_view line = Trim(raw);
  if (line.empty() || line.front() == '#' || line.front() == '*') return;
  size_t blank = 0;
  while (blank < line.size() && !Blank(line[blank])) ++blank;
  if (blank == line.size()) return;
  const std::string_view name = line.substr(0, blank);
  std::string_view oid = Trim(line.substr(blank));
  if (oid.empty() || oid == ".") return;

  uint32_t node = kNone;
  for (bool top = true;; top = false) {
    const size_t dot = oid.find('.');
    const bool last = dot == std::string_view::npos;
    const uint32_t number = Component(oid.substr(0, dot));
    uint32_t next = top ? First(number) : Child(node, number);
    if (next == kNone)
      next = Append(node, number, last ? std::string(name) : std::to_string(number));
    else if (last && !top)
      entries_[next].Name = std::string(name);
    if (last) return;
    node = next;
    oid.remove_prefix(dot + 1);
  }
}

std::string SnmpNameTree::Format(std::span<const uint32_t> subids) const {
  std::string s;
  uint32_t node = kNone;
  bool named = true;
  for (size_t i = 0; i < subids.size(); ++i) {
    if (i > 0) s += '.';
    if (named) node = i == 0 ? First(subids[i]) : Child(node, subids[i]);
    named = node != kNone;
    s += named ? entries_[node].Name : std::to_string(subids[i]);
  }
  return s;
}

}  // namespace kestle
