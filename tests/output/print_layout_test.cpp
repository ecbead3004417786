// The printed layout: page header, rules, columns, detail and dump lines,
// page breaks, and a page too small for anything.
#include "output/print_layout.h"

#include <gtest/gtest.h>

#include "decode/tree.h"

namespace kestle {
namespace {

// 5 pixels a character, 6 in bold; lines of 17 + 300 / 100 = 20 pixels.
PrintMetrics Metrics(int width, int height) {
  PrintMetrics m;
  m.PageWidth = width;
  m.PageHeight = height;
  m.DpiY = 300;
  m.FontHeight = 17;
  m.TextWidth = [](std::string_view t) { return static_cast<int>(t.size()) * 5; };
  m.BoldTextWidth = [](std::string_view t) { return static_cast<int>(t.size()) * 6; };
  return m;
}

struct Texts {
  std::vector<PrintPage> pages;
  PrintLayout::PageDone Sink() {
    return [this](const PrintPage& p) { pages.push_back(p); };
  }
};

PrintItem TextAt(int x, int y, std::string text, bool bold = false) {
  PrintItem i;
  i.X = x;
  i.Y = y;
  i.Text = std::move(text);
  i.Bold = bold;
  return i;
}

PrintItem RuleAt(int y, int thickness, int right) {
  PrintItem i;
  i.What = PrintItem::Kind::Rule;
  i.X = 20;
  i.X2 = right;
  i.Y = y;
  i.Thickness = thickness;
  return i;
}

void ExpectItems(const std::vector<PrintItem>& actual, const std::vector<PrintItem>& expected) {
  ASSERT_EQ(actual.size(), expected.size());
  for (size_t i = 0; i < actual.size(); ++i) {
    SCOPED_TRACE("item " + std::to_string(i) + " " + expected[i].Text);
    EXPECT_EQ(actual[i].What, expected[i].What);
    EXPECT_EQ(actual[i].X, expected[i].X);
    EXPECT_EQ(actual[i].Y, expected[i].Y);
    EXPECT_EQ(actual[i].Text, expected[i].Text);
    EXPECT_EQ(actual[i].Bold, expected[i].Bold);
    if (actual[i].What == PrintItem::Kind::Rule) {
      EXPECT_EQ(actual[i].X2, expected[i].X2);
      EXPECT_EQ(actual[i].Thickness, expected[i].Thickness);
    }
  }
}

TEST(PrintLayout, HeaderColumnsRowDetailAndDump) {
  Texts out;
  const std::string date = "Sun 14/03/2021 10:00:00";
  PrintLayout layout(Metrics(1000, 1400), "ABC", date, out.Sink());
  EXPECT_EQ(layout.LineHeight(), 20);
  EXPECT_EQ(layout.Gap(), 3);
  EXPECT_EQ(layout.TopMargin(), 30);
  EXPECT_EQ(layout.UsableHeight(), 1340);
  EXPECT_EQ(layout.ColumnStart(1), 30);   // 6 characters
  EXPECT_EQ(layout.ColumnStart(2), 100);  // and 14

  DetailTree tree(true);
  DetailNode* top =
      tree.Add(nullptr, "Frame 7 (True Size: 60 captured: 60)", 0, 0, TreeImage::Frame);
  tree.Add(top, "Packet Length () - 60", 0, 0, TreeImage::Field);
  std::vector<uint8_t> bytes(20, 0x41);
  layout.Begin();
  layout.AddFrame({"7", "00:00:01.000", "60"}, &tree, bytes, true);
  layout.End();
  ASSERT_EQ(out.pages.size(), 1u);
  const int indent = 1000 / 30;
  ExpectItems(
      out.pages[0].Items,
      {TextAt(20, 30, "Kestle Frame Trace", true), TextAt((1000 - 6 * 23) / 2, 30, date, true),
       RuleAt(50, 2, 980),
       // y = 30 + 20 + 3: a rule, the headings, a rule, the row.
       RuleAt(73, 1, 980), TextAt(20, 73, "No."), TextAt(50, 73, "Time"), TextAt(120, 73, "Length"),
       RuleAt(93, 1, 980), TextAt(20 + 30 - 10, 113, "7 "),  // right-aligned with a blank after
       TextAt(50, 113, "00:00:01.000"), TextAt(20 + 140 - 15, 113, "60 "),
       // the tree from y = 113 + 20 + 3
       TextAt(20, 136, "Frame 7 (True Size: 60 captured: 60)"),
       TextAt(20 + indent, 156, "Packet Length () "), TextAt(500, 156, " 60"),
       // a line after the tree, then the dump
       TextAt(20, 196,
              "0x0000  41 41 41 41 41 41 41 41 41 41 41 41 41 41 41 41   AAAAAAAAAAAAAAAA"),
       TextAt(20, 216, "0x0010  41 41 41 41" + std::string(36, ' ') + "   AAAA")});
}

// A row fits when it ends inside the rules (20 pixels from each edge): No.
// (6 characters, right-aligned) ends at 30, the Description starts there.
TEST(PrintLayout, RowFitsInsideTheRules) {
  Texts t;
  const PrintLayout layout(Metrics(200, 400), "AH", "D", t.Sink());
  EXPECT_TRUE(layout.RowFits({"1", std::string(26, 'x')}));  // 20 + 30 + 130 = 180
  EXPECT_FALSE(layout.RowFits({"1", std::string(27, 'x')}));
  EXPECT_TRUE(layout.RowFits({"123456789", ""}));  // right-aligned: within its column
  const PrintLayout narrow(Metrics(60, 400), "AH", "D", t.Sink());
  EXPECT_FALSE(narrow.RowFits({"1", ""}));  // the No. column alone is wider
}

TEST(PrintLayout, AFrameStartsANewPageWhenItsFirstFourLinesDoNotFit) {
  Texts out;
  // Usable height 300 - 60 = 240. The header ends at 53 and each frame
  // without detail takes 83: the second frame starts at 136 (136 + 80 fits),
  // the third at 219 would not (219 + 80 > 240).
  PrintLayout layout(Metrics(1000, 300), "A", "d", out.Sink());
  layout.Begin();
  for (int i = 1; i <= 3; ++i) layout.AddFrame({std::to_string(i)}, nullptr, {}, false);
  layout.End();
  auto rows = [](const PrintPage& p) {
    std::vector<std::string> v;
    for (const auto& i : p.Items)
      if (i.What == PrintItem::Kind::Text && !i.Bold && i.Text != "No.") v.push_back(i.Text);
    return v;
  };
  ASSERT_EQ(out.pages.size(), 2u);
  EXPECT_EQ(rows(out.pages[0]), (std::vector<std::string>{"1 ", "2 "}));
  EXPECT_EQ(rows(out.pages[1]), (std::vector<std::string>{"3 "}));
  EXPECT_EQ(out.pages[1].Items[0].Text, "Kestle Frame Trace");
  EXPECT_EQ(out.pages[1].Items[3].Y, 53 + 20);  // the frame's first rule, below the header
  EXPECT_EQ(layout.PagesDone(), 2);
}

TEST(PrintLayout, APageTooSmallForALineStillMovesOn) {
  Texts out;
  // Usable height 100 - 60 = 40, less than the header: every line is too
  // tall, yet each page takes one and the job ends.
  PrintLayout layout(Metrics(600, 100), "AH", "d", out.Sink());
  DetailTree tree(true);
  DetailNode* top = tree.Add(nullptr, "Frame", 0, 0, TreeImage::Frame);
  for (int i = 0; i < 5; ++i)
    tree.Add(top, "Line " + std::to_string(i) + " - v", 0, 0, TreeImage::Field);
  std::vector<uint8_t> bytes(40, 0);
  layout.Begin();
  for (int f = 0; f < 3; ++f) layout.AddFrame({"1", "x"}, &tree, bytes, true);
  layout.End();
  // Each frame: its heading block on one page, then one page per tree
  // line (6) and per dump line (3).
  EXPECT_EQ(out.pages.size(), 3u * (1 + 6 + 3));
  size_t lines = 0;
  for (const PrintPage& p : out.pages) {
    ASSERT_GT(p.Items.size(), 3u);  // the header and something more
    for (const auto& i : p.Items)
      if (i.Text.rfind("Line ", 0) == 0) ++lines;
  }
  EXPECT_EQ(lines, 15u);
}

}  // namespace
}  // namespace kestle
