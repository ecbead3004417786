#include "query/filter_history.h"

#include <algorithm>

#include "decode/config/ini.h"
#include "query/display_filter.h"

namespace kestle {

namespace {
constexpr const char* kSection = "FilterBar";
std::string Key(size_t n) { return "Expression" + std::to_string(n); }
}  // namespace

void FilterHistory::Add(const std::string& text) {
  if (BlankFilterText(text)) return;
  items_.erase(std::remove(items_.begin(), items_.end(), text), items_.end());
  items_.insert(items_.begin(), text);
  if (items_.size() > kMax) items_.resize(kMax);
}

void FilterHistory::Load(const IniFile& ini) {
  items_.clear();
  for (size_t n = 1; n <= kMax; ++n) {
    const std::string t = ini.ReadString(kSection, Key(n), "");
    if (!BlankFilterText(t) && std::find(items_.begin(), items_.end(), t) == items_.end())
      items_.push_back(t);
  }
}

void FilterHistory::Save(IniFile& ini) const {
  ini.EraseSection(kSection);
  for (size_t n = 1; n <= items_.size(); ++n) ini.WriteString(kSection, Key(n), items_[n - 1]);
}

}  // namespace kestle
