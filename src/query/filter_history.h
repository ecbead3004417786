// The filter bar's last expressions, newest first, kept in the settings
// file (section FilterBar, Expression1..N).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace kestle {

class IniFile;

class FilterHistory {
 public:
  static constexpr size_t kMax = 10;
  // Puts an expression first (once; blank texts are not kept).
  void Add(const std::string& text);
  const std::vector<std::string>& Items() const { return items_; }
  void Load(const IniFile& ini);
  void Save(IniFile& ini) const;

 private:
  std::vector<std::string> items_;
};

}  // namespace kestle
