#include <gtest/gtest.h>

#include <vector>

#include "decode/protocol_ids.h"
#include "output/grid.h"
#include "support/hand_session.h"

namespace kestle {
namespace {

std::vector<uint32_t> Rows(const CaptureSession& s) {
  return std::vector<uint32_t>(s.FrameOrder.begin() + 1, s.FrameOrder.begin() + 1 + s.VisibleCount);
}

class GridSort : public ::testing::Test {
 protected:
  void SetUp() override {
    //        len  description      src MAC                 src IPv4     sport dport  protocol
    h.Add({60, "b", "00:00:00:00:00:02", 0xC0A80001, 80, 5, ProtoTCP});   // 1: 192.168.0.1
    h.Add({40, "a", "00:00:00:00:00:03", 0, 53, 5, ProtoARP});            // 2: MAC only
    h.Add({60, "ab", "00:00:00:00:00:04", 0x0A000002, 80, 7, ProtoUDP});  // 3: 10.0.0.2
    h.Add({40, "B", "00:00:00:00:00:01", 0, 22, 1, ProtoTCP});            // 4: MAC only
    h.Add({60, "a", "00:00:00:00:00:05", 0x0A000002, 1, 5, ProtoIPV4});   // 5: 10.0.0.2
  }
  test::HandSession h;
};

TEST_F(GridSort, EveryColumnBothDirections) {
  struct Case {
    char letter;
    std::vector<uint32_t> ascending, descending;
  };
  const Case cases[] = {
      // equal keys keep ascending frame numbers in both directions
      {'C', {2, 4, 1, 3, 5}, {1, 3, 5, 2, 4}},
      {'E', {5, 4, 2, 1, 3}, {1, 3, 2, 4, 5}},
      {'G', {4, 1, 2, 5, 3}, {3, 1, 2, 5, 4}},
      // no IPv4 first (by MAC text), then addresses; equal addresses by number
      {'D', {4, 2, 3, 5, 1}, {1, 3, 5, 2, 4}},
      // byte-wise: capitals before small letters, a prefix first
      {'H', {4, 2, 5, 3, 1}, {1, 3, 2, 5, 4}},
      {'I', {2, 5, 1, 4, 3}, {3, 1, 4, 5, 2}},
      // No. and Time: capture order
      {'A', {1, 2, 3, 4, 5}, {5, 4, 3, 2, 1}},
      {'B', {1, 2, 3, 4, 5}, {5, 4, 3, 2, 1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.letter);
    const int mode = c.letter - 'A' + 1;
    SortFrameOrder(h.session, mode);
    EXPECT_EQ(Rows(h.session), c.ascending);
    SortFrameOrder(h.session, mode + 9);
    EXPECT_EQ(Rows(h.session), c.descending);
  }
}

TEST_F(GridSort, NumberSortRebuildsFromVisibleFramesOnly) {
  h.session.FrameTable[2].Visible = 0;
  h.session.FrameTable[4].Visible = 0;
  h.session.VisibleCount = 3;
  SortFrameOrder(h.session, 10);
  EXPECT_EQ(Rows(h.session), (std::vector<uint32_t>{5, 3, 1}));
  SortFrameOrder(h.session, 3);  // length sorts the current rows only
  EXPECT_EQ(Rows(h.session), (std::vector<uint32_t>{1, 3, 5}));
  EXPECT_EQ(RowOfFrame(h.session, 3), 1);
  EXPECT_EQ(RowOfFrame(h.session, 2), -1);
}

TEST(GridSortMode, HeaderClicksToggleTheSortColumn) {
  EXPECT_EQ(SortModeAfterClick(1, 'C'), 3);
  EXPECT_EQ(SortModeAfterClick(3, 'C'), 12);
  EXPECT_EQ(SortModeAfterClick(12, 'C'), 3);
  EXPECT_EQ(SortModeAfterClick(12, 'A'), 1);
  EXPECT_EQ(SortModeAfterClick(1, 'A'), 10);
  EXPECT_EQ(SortLetter(18), 'I');
  EXPECT_TRUE(SortDescending(18));
  EXPECT_FALSE(SortDescending(9));
}

TEST(GridCopyRow, JoinStartsAtFirstNonEmptyCell) {
  EXPECT_EQ(JoinRowCells({"1", "", "x"}), "1 |  | x");
  EXPECT_EQ(JoinRowCells({"", "", "x", ""}), "x | ");
  EXPECT_EQ(JoinRowCells({"", ""}), "");
  EXPECT_EQ(JoinRowCells({}), "");
}

TEST(GridCopyRow, FollowsColumnSel) {
  test::HandSession h;
  h.Add({60, "Ethernet II"});
  h.env.settings.ColumnSel = "HA";
  EXPECT_EQ(CopyRowText(h.session, 0), "Ethernet II | 1");
  EXPECT_EQ(CopyRowText(h.session, 1), "");
}

TEST(GridColours, AlternatingTaggedAndProtocolColours) {
  test::HandSession h;
  h.Add({60, "tcp", nullptr, 0, 0, 0, ProtoTCP});
  h.Add({60, "arp", nullptr, 0, 0, 0, ProtoARP});
  h.Add({60, "tagged", nullptr, 0, 0, 0, ProtoTCP, 0, 1});
  h.Add({60, "none"});
  auto c0 = GridRowColours(h.session, 0);
  EXPECT_EQ(c0.Background, 0xCCFFFFu);
  EXPECT_EQ(c0.Text, 0xFF0000u);  // TCP blue
  auto c1 = GridRowColours(h.session, 1);
  EXPECT_EQ(c1.Background, 0xFFFFFFu);
  EXPECT_EQ(c1.Text, 0x0000FFu);  // ARP red
  auto c2 = GridRowColours(h.session, 2);
  EXPECT_EQ(c2.Background, 0x00FF00u);
  EXPECT_EQ(c2.Text, 0u);
  EXPECT_EQ(GridRowColours(h.session, 3).Text, 0u);
  h.env.settings.ColourGrid = false;
  EXPECT_EQ(GridRowColours(h.session, 0).Text, 0u);
  EXPECT_EQ(GridRowColours(h.session, 0).Background, 0xCCFFFFu);
}

// On a dark palette the stripes are the palette's and the protocol colour
// is lightened until it reads; a tagged row stays lime with black text.
TEST(GridColours, DarkPalette) {
  test::HandSession h;
  h.Add({60, "tcp", nullptr, 0, 0, 0, ProtoTCP});
  h.Add({60, "none"});
  h.Add({60, "tagged", nullptr, 0, 0, 0, ProtoTCP, 0, 1});
  const ViewPalette dark = ViewPaletteFor(0x2A2A2A, 0x424242, 0xEEEEEE);
  const RowColours tcp = GridRowColours(h.session, 0, dark);
  EXPECT_EQ(tcp.Background, 0x424242u);
  EXPECT_GE(ContrastRatio(tcp.Text, tcp.Background), 4.5);
  EXPECT_EQ(tcp.Text, ReadableTextColour(0xFF0000, 0x424242, dark));
  EXPECT_EQ(GridRowColours(h.session, 1, dark).Background, 0x2A2A2Au);
  EXPECT_EQ(GridRowColours(h.session, 1, dark).Text, 0xEEEEEEu);
  EXPECT_EQ(GridRowColours(h.session, 2, dark).Background, kTaggedBackground);
  EXPECT_EQ(GridRowColours(h.session, 2, dark).Text, 0u);
  EXPECT_EQ(GridRowColours(h.session, 5, dark).Text, 0xEEEEEEu);  // beyond the rows
}

TEST(GridLayout, WeightsAndRestToTime) {
  // weights 2 2 2 4 2 4 2 2 10 = 30; 100 = 3 * 30 + 10
  EXPECT_EQ(ColumnWidths("ABCDEFGIH", 100), (std::vector<int>{6, 16, 6, 12, 6, 12, 6, 6, 30}));
  EXPECT_EQ(ColumnWidths("HA", 37), (std::vector<int>{30, 6}));
  EXPECT_EQ(ColumnWidths("A", -5), (std::vector<int>{0}));
}

// Minimum widths come off the Description column, never below its own.
TEST(GridLayout, MinimumsTakeFromDescription) {
  struct Case {
    const char* name;
    const char* sel;
    int available;
    std::vector<int> least;
    std::vector<int> widths;
  } cases[] = {
      {"minimums met", "ADH", 800, {10, 10, 10}, {100, 200, 500}},
      {"node column widened", "ADH", 800, {10, 300, 10}, {100, 300, 400}},
      {"description at its least", "ADH", 400, {10, 300, 150}, {50, 300, 150}},
      {"no description", "AD", 96, {50, 50}, {50, 64}},
      {"fewer minimums than columns", "ADH", 800, {200}, {200, 200, 400}},
  };
  for (const Case& k : cases)
    EXPECT_EQ(FitColumnWidths(k.sel, k.available, k.least), k.widths) << k.name;
}

TEST(GridCells, FirstFrameOffsetsTheNumberIn64Bits) {
  test::HandSession h;
  h.Add({60, "x"});
  h.env.settings.FirstFrame = 2147483647;
  h.env.settings.ColumnSel = "A";
  h.Add({60, "y"});
  EXPECT_EQ(GetGridCell(h.session, 1, 0), "2147483648");
}

}  // namespace
}  // namespace kestle
