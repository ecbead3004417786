// The Frames page's pane heights at the first start and when restored.
#include "output/window_layout.h"

#include <gtest/gtest.h>

namespace kestle::test {
namespace {

TEST(PaneHeights, FirstStartShowsTwentyRows) {
  struct Case {
    int total, row, header, frame;
    std::array<int, 3> heights;
  } cases[] = {
      // 1920 x 1080: 24 + 20 * 18 + 2 = 386 for the grid.
      {760, 18, 24, 2, {386, 205, 169}},
      // 1366 x 768: still 20 rows.
      {575, 18, 24, 2, {386, 103, 86}},
      // Too little room: the grid keeps 70 %.
      {400, 18, 24, 2, {280, 66, 54}},
      {0, 18, 24, 2, {0, 0, 0}},
  };
  for (const Case& k : cases) {
    const auto h = FirstStartPaneHeights(k.total, k.row, k.header, k.frame);
    EXPECT_EQ(h, k.heights) << k.total;
    EXPECT_EQ(h[0] + h[1] + h[2], k.total);
  }
  const auto h = FirstStartPaneHeights(760, 18, 24, 2);
  EXPECT_GE((h[0] - 24 - 2) / 18, kFirstStartRows);
}

TEST(PaneHeights, FirstStartWindowSize) {
  EXPECT_EQ(FirstStartWindowSize(1920, 1080), (std::array<int, 2>{1536, 864}));
  EXPECT_EQ(FirstStartWindowSize(1366, 768), (std::array<int, 2>{1092, 691}));
  EXPECT_EQ(FirstStartWindowSize(1600, 900), (std::array<int, 2>{1280, 720}));
}

TEST(PaneHeights, RestoringGivesBackWhatWasSaved) {
  struct Case {
    const char* name;
    int total, grid, dump;
    std::array<int, 3> heights;
  } cases[] = {
      {"fits", 860, 280, 200, {280, 380, 200}},
      {"each at most half", 400, 300, 300, {200, 50, 200}},
      {"negative sizes", 400, -5, 100, {0, 300, 100}},
  };
  for (const Case& k : cases)
    EXPECT_EQ(RestoredPaneHeights(k.total, k.grid, k.dump), k.heights) << k.name;
  // Saved from the space they were restored into, they come back the same.
  auto h = RestoredPaneHeights(860, 280, 200);
  for (int cycle = 0; cycle < 3; ++cycle) h = RestoredPaneHeights(860, h[0], h[2]);
  EXPECT_EQ(h, (std::array<int, 3>{280, 380, 200}));
}

}  // namespace
}  // namespace kestle::test
