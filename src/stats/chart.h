// What the charts of the Nodes and Graphs pages are given: points with a
// label, a value and a colour, coloured in turn from one palette.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kestle {

// The colours given to chart points in turn (0x00BBGGRR): lime, blue, red,
// fuchsia, yellow, aqua, white, sky blue, maroon, navy, green, money green,
// olive, purple, teal, gray, cream, medium gray, black.
inline constexpr std::array<uint32_t, 19> kChartPalette = {
    0x00FF00, 0xFF0000, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFF00, 0xFFFFFF,
    0xF0CAA6, 0x000080, 0x800000, 0x008000, 0xC0DCC0, 0x008080, 0x800080,
    0x808000, 0x808080, 0xF0FBFF, 0xA4A0A0, 0x000000};

// The colour of the k-th point added (k = 1, 2, ...), wrapping after 19.
constexpr uint32_t ChartColour(size_t k) {
  return kChartPalette[(k == 0 ? 0 : k - 1) % kChartPalette.size()];
}

struct ChartPoint {
  std::string Label;  // bar or slice label; for a line, the x value as text
  uint64_t X = 0;     // line points: seconds since the first shown frame
  uint64_t Value = 0;
  uint32_t Colour = 0;  // 0x00BBGGRR
};

// A point's share of the series total in per cent; 0 when the total is 0.
double PercentOfTotal(uint64_t value, uint64_t total);
// The share as a bar's mark shows it: at most two decimals, "25 %", "33.33 %".
std::string PercentText(uint64_t value, uint64_t total, std::string_view decimalSep = ".");

}  // namespace kestle
