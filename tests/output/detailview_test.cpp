#include "output/detailview.h"

#include <gtest/gtest.h>

#include <vector>

#include "decode/tree.h"
#include "output/hexdump.h"

namespace kestle {
namespace {

// Two layers as the link layer and IPv4 would give them.
struct TwoLayers {
  DetailTree tree;
  DetailNode* eth;
  DetailNode* ip;
  DetailNode* src;
  DetailNode* empty;
  TwoLayers() {
    eth = tree.Add(nullptr, "Ethernet II", 0, 14, TreeImage::Link);
    ip = tree.Add(nullptr, "IPv4", 14, 20, TreeImage::Network);
    src = tree.Add(ip, "Source - 10.0.0.1", 26, 4, TreeImage::Field);
    empty = tree.Add(ip, "Options", 20, 0, TreeImage::Field);
  }
};

std::vector<uint32_t> SlotColours(const std::vector<DumpRun>& runs) {
  std::vector<uint32_t> c;
  for (const auto& r : runs)
    for (uint32_t i = 0; i < r.Count; ++i) c.push_back(r.Bold ? 0xB01D : r.Colour);
  return c;
}

// A click on the dump: the slot under a column, and the deepest line
// holding the byte.
TEST(DumpClick, SlotUnderAColumnAndTheDeepestLine) {
  const std::pair<int, int> columns[] = {{0, -1}, {7, -1},  {8, 0},   {9, 0},   {10, 0},
                                         {11, 1}, {53, 15}, {55, 15}, {56, -1}, {57, -1},
                                         {58, 0}, {59, 1},  {73, 15}, {74, -1}, {-3, -1}};
  for (const auto& [column, slot] : columns) EXPECT_EQ(DumpSlotAtColumn(column), slot) << column;
  // The columns are those DumpLine writes.
  const uint8_t bytes[16] = {0x41, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x5A};
  const std::string line = DumpLine(0, bytes);
  EXPECT_EQ(line.substr(8, 2), "41");
  EXPECT_EQ(line.substr(8 + 3 * 15, 2), "5A");
  EXPECT_EQ(line[58], 'A');
  EXPECT_EQ(line[73], 'Z');

  TwoLayers t;
  // A title standing for fewer bytes than a line below it still leads there.
  DetailNode* frame = t.tree.Add(nullptr, "Frame", 0, 0, TreeImage::Frame);
  DetailNode* deep = t.tree.Add(frame, "Trailer", 40, 2, TreeImage::Field);
  EXPECT_EQ(DeepestNodeAt(t.tree, 27), t.src);
  EXPECT_EQ(DeepestNodeAt(t.tree, 20), t.ip);  // the Options line holds no byte
  EXPECT_EQ(DeepestNodeAt(t.tree, 3), t.eth);
  EXPECT_EQ(DeepestNodeAt(t.tree, 41), deep);
  EXPECT_EQ(DeepestNodeAt(t.tree, 35), nullptr);
  EXPECT_EQ(SpanOf(t.src), (DumpSpan{26, 4}));
  EXPECT_EQ(SpanOf(nullptr), DumpSpan{});
  // A span highlights as the line holding it does.
  EXPECT_EQ(SlotColours(DumpLineRuns(t.tree, DumpSpan{26, 4}, 16, true)),
            SlotColours(DumpLineRuns(t.tree, t.src, 16, true)));
}

TEST(DumpRuns, LayersAndHighlight) {
  TwoLayers t;
  const uint32_t blue = 0xFF0000, purple = 0x800080, bold = 0xB01D;
  // line 1 = bytes 16..31: 16..25 IPv4, 26..29 highlight, 30..31 IPv4
  auto c = SlotColours(DumpLineRuns(t.tree, t.src, 16, true));
  std::vector<uint32_t> want(16, purple);
  for (int i = 10; i < 14; ++i) want[i] = bold;
  EXPECT_EQ(c, want);
  // line 0: 0..13 Ethernet, 14..15 IPv4, nothing selected
  c = SlotColours(DumpLineRuns(t.tree, nullptr, 0, true));
  want.assign(16, blue);
  want[14] = want[15] = purple;
  EXPECT_EQ(c, want);
  // line 2 = 32..47: 32,33 IPv4, the rest outside every layer
  c = SlotColours(DumpLineRuns(t.tree, t.src, 32, true));
  want.assign(16, 0);
  want[0] = want[1] = purple;
  EXPECT_EQ(c, want);
}

TEST(DumpRuns, ZeroLengthItemHighlightsNothing) {
  TwoLayers t;
  auto withEmpty = DumpLineRuns(t.tree, t.empty, 16, true);
  ASSERT_EQ(withEmpty.size(), 1u);
  EXPECT_EQ(withEmpty[0].Colour, 0x800080u);
  EXPECT_EQ(withEmpty[0].Count, 16u);
}

TEST(DumpRuns, ColourGridOffLeavesOnlyTheHighlight) {
  TwoLayers t;
  auto runs = DumpLineRuns(t.tree, t.src, 16, false);
  ASSERT_EQ(runs.size(), 3u);
  EXPECT_EQ(runs[0].Colour, 0u);
  EXPECT_TRUE(runs[1].Bold);
  EXPECT_EQ(runs[1].Slot, 10u);
  EXPECT_EQ(runs[1].Count, 4u);
  EXPECT_EQ(runs[2].Colour, 0u);
}

TEST(DumpRuns, LayerColourCycle) {
  const uint32_t want[] = {0xFF0000, 0x800080, 0x000080, 0x800000, 0x008000, 0xFF0000};
  for (size_t k = 1; k <= 6; ++k) EXPECT_EQ(LayerColour(k), want[k - 1]) << k;
}

TEST(TreeCopy, SplitsAtTheSeparatorOnly) {
  struct Case {
    const char* text;
    uint32_t literalFrom;  // where the frame's text starts
    const char* label;
    const char* value;
  };
  const Case cases[] = {
      {"Source - 10.0.0.1", kNotLiteral, "Source", "10.0.0.1"},
      {"Time-to-live - 64", kNotLiteral, "Time-to-live", "64"},
      {"Offset - -3", kNotLiteral, "Offset", "-3"},
      {"Checksum", kNotLiteral, "Checksum", ""},
      {"GET / - x", 0, "GET / - x", ""},
      // A label before the frame's text splits at its own separator only.
      {"Name - a - b", 7, "Name", "a - b"},
      {"a - b: type A", 0, "a - b: type A", ""},
      {"Name=a - b", 5, "Name=a - b", ""},
  };
  for (const Case& c : cases) {
    auto p = SplitTreeText(c.text, c.literalFrom);
    EXPECT_EQ(p.Label, c.label) << c.text;
    EXPECT_EQ(p.Value, c.value) << c.text;
  }
}

TEST(TreeCopy, IndentPlusAndPadding) {
  TwoLayers t;
  const std::string text = CopyTreeText(t.tree);
  const std::string pad45 = [] {
    std::string s = "Ethernet II";
    s.resize(45, ' ');
    return s + " ";
  }();
  std::string ipLine = "+IPv4";
  ipLine.resize(45, ' ');
  ipLine += " ";
  std::string srcLine = "   Source";
  srcLine.resize(45, ' ');
  srcLine += " 10.0.0.1";
  std::string optLine = "   Options";
  optLine.resize(45, ' ');
  optLine += " ";
  EXPECT_EQ(text, pad45 + "\r\n" + ipLine + "\r\n" + srcLine + "\r\n" + optLine);
}

TEST(TreeCopy, DeepIndentStopsAtForty) {
  DetailTree tree;
  DetailNode* n = nullptr;
  for (int i = 0; i < 16; ++i) n = tree.Add(n, "L", 0, 0, TreeImage::Plain);
  const std::string text = CopyTreeText(tree);
  const std::string last = text.substr(text.rfind("\r\n") + 2);
  EXPECT_EQ(last.find('L'), 40u);
}

TEST(HexDump, EbcdicTable) {
  int changed = 0;
  for (int b = 0; b < 256; ++b) changed += EbcdicToAscii[b] != b;
  EXPECT_EQ(changed, 93);
  struct Case {
    uint8_t byte;
    bool ebcdic;
    char shown;
  };
  const Case cases[] = {
      {0x41, false, 'A'}, {0xC1, true, 'A'}, {0x41, true, 'A'},  {0x4A, true, '.'},
      {0x81, true, 'a'},  {0xA9, true, 'z'}, {0xE0, true, '\\'}, {0xF9, true, '9'},
      {0x7D, true, '.'},  {0x7F, true, '.'}, {0x40, true, ' '},  {0x6A, true, '|'},
      {'a', false, 'a'},  {'"', false, '.'}, {'.', false, '.'},  {0x80, false, '.'}};
  for (const Case& c : cases) EXPECT_EQ(DumpChar(c.byte, c.ebcdic), c.shown) << int(c.byte);
}

TEST(HexDump, LinesAndJoin) {
  std::vector<uint8_t> frame(60, 0x41);
  auto lines = DumpLines(frame);
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0].size(), 74u);
  EXPECT_EQ(lines[3].substr(0, 8), "0x0030  ");
  EXPECT_EQ(lines[3].size(), 74u - 4u);
  EXPECT_EQ(lines[3].substr(8 + 36, 12), std::string(12, ' '));
  EXPECT_EQ(JoinDumpLines(DumpLines(std::vector<uint8_t>(16, 0))).find("\r\n"), std::string::npos);
  EXPECT_EQ(JoinDumpLines(lines).size(), 74u * 3 + 70 + 6);
  EXPECT_TRUE(DumpLines({}).empty());
  std::vector<uint8_t> e = {0xC8, 0x85, 0x93};
  EXPECT_EQ(DumpLines(e, true)[0].substr(58), "Hel");
}

}  // namespace
}  // namespace kestle
