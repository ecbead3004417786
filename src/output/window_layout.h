// Heights of the Frames page's three panes (grid, detail tree, hex dump):
// on the first start, and when sizes saved by an earlier run are restored
// into the space the page has now.
#pragma once

#include <array>

namespace kestle {

// How many grid rows the first start shows at least.
inline constexpr int kFirstStartRows = 20;

// The window's size at the first start on a screen of this size: 80 % of
// it, of its height 90 % on a screen lower than 900 pixels so that the
// grid still has room for its rows.
std::array<int, 2> FirstStartWindowSize(int screenWidth, int screenHeight);

// The first start: the grid holds kFirstStartRows rows below its header
// (`frame` pixels for its borders), but never more than 70 % of `total`;
// the tree takes 55 % of the rest and the dump the remainder.
std::array<int, 3> FirstStartPaneHeights(int total, int rowHeight, int headerHeight, int frame);

// Saved grid and dump heights in `total` pixels: each at most half of it,
// the tree between them taking the rest (at least 50). Restoring into the
// same space gives back the saved heights, so a start and an exit without
// a change save what they read.
std::array<int, 3> RestoredPaneHeights(int total, int grid, int dump);

}  // namespace kestle
