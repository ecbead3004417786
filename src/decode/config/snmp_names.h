// The object names file: symbolic names of SNMP object identifiers, one
// "name OID" line each ("sysDescr 1.3.6.1.2.1.1.1"), read once at start-up
// into a tree of sub-identifiers.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace kestle {

// One node of the tree: a sub-identifier and its name (the number as text
// when no line named it).
struct SnmpEntry {
  uint32_t Number = 0;
  std::string Name;
  std::vector<uint32_t> Children;  // entry indexes, in order of creation
};

class SnmpNameTree {
 public:
  // Reads the file; false (the tree unchanged) when it cannot be opened.
  bool Load(const std::string& path);
  // One line of the file. "#" and "*" start comments; a line without a
  // blank is skipped.
  void AddLine(std::string_view line);
  void Clear();

  bool Empty() const { return entries_.empty(); }
  size_t Size() const { return entries_.size(); }
  // Entry i, 0-based.
  const SnmpEntry& Entry(uint32_t i) const { return entries_[i]; }

  // The identifier with names: the first entry anywhere with the first
  // sub-identifier, then each further one among the children of the one
  // before; from the first that is not found on, numbers.
  std::string Format(std::span<const uint32_t> subids) const;

 private:
  static constexpr uint32_t kNone = UINT32_MAX;
  uint32_t First(uint32_t number) const;
  uint32_t Child(uint32_t parent, uint32_t number) const;
  uint32_t Append(uint32_t parent, uint32_t number, std::string name);

  std::vector<SnmpEntry> entries_;
  // The first entry (in creation order) with each number, and each child by
  // its parent and number: the tree's first-match look-ups without a scan.
  std::unordered_map<uint32_t, uint32_t> first_;
  std::unordered_map<uint64_t, uint32_t> child_;
};

}  // namespace kestle
