#include "output/window_layout.h"

#include <algorithm>

namespace kestle {

std::array<int, 2> FirstStartWindowSize(int screenWidth, int screenHeight) {
  return {screenWidth * 4 / 5, screenHeight < 900 ? screenHeight * 9 / 10 : screenHeight * 4 / 5};
}

std::array<int, 3> FirstStartPaneHeights(int total, int rowHeight, int headerHeight, int frame) {
  total = std::max(total, 0);
  const int wanted = headerHeight + kFirstStartRows * rowHeight + frame;
  const int grid = std::min(wanted, total * 7 / 10);
  const int rest = total - grid;
  const int tree = rest * 55 / 100;
  return {grid, tree, rest - tree};
}

std::array<int, 3> RestoredPaneHeights(int total, int grid, int dump) {
  total = std::max(total, 0);
  const int a = std::clamp(grid, 0, total / 2), c = std::clamp(dump, 0, total / 2);
  return {a, std::max(50, total - a - c), c};
}

}  // namespace kestle
