// Calendar dates of capture file headers, without time zones.
#pragma once

#include <cstdint>

namespace kestle {

inline bool IsLeapYear(int64_t y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

// True for a real date of the proleptic Gregorian calendar from 1970 on.
inline bool ValidCivilDate(int64_t y, int64_t m, int64_t d) {
  constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (y < 1970 || y > 9999 || m < 1 || m > 12 || d < 1) return false;
  return d <= kDays[m - 1] + (m == 2 && IsLeapYear(y) ? 1 : 0);
}

// Days from 1970-01-01 to the given date.
inline int64_t DaysFromCivil(int64_t y, int64_t m, int64_t d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

// Date-time values count days since 1899-12-30.
constexpr double kUnixEpochDays = 25569.0;

}  // namespace kestle
