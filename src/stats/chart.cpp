#include "stats/chart.h"

#include <cmath>
#include <cstdio>

namespace kestle {

double PercentOfTotal(uint64_t value, uint64_t total) {
  if (total == 0) return 0;
  return 100.0 * static_cast<double>(value) / static_cast<double>(total);
}

std::string PercentText(uint64_t value, uint64_t total, std::string_view decimalSep) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.2f", PercentOfTotal(value, total));
  std::string s = buf;
  // At most two decimals, without trailing zeros.
  while (!s.empty() && s.back() == '0') s.pop_back();
  if (!s.empty() && s.back() == '.') s.pop_back();
  if (const size_t dot = s.find('.'); dot != std::string::npos && decimalSep != ".")
    s.replace(dot, 1, decimalSep);
  return s + " %";
}

}  // namespace kestle
