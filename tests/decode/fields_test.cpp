#include "decode/fields.h"

#include <gtest/gtest.h>

#include "decode/addresses.h"
#include "decode/config/environment.h"
#include "decode/context.h"
#include "decode/session.h"
#include "decode/text.h"
#include "decode/tree.h"

namespace kestle {
namespace {

TEST(DetailText, LengthPlaceholderAndAlignment) {
  struct Case {
    std::string text;
    uint32_t length;
    bool displayLength;
    bool align;
    std::string expected;
  } cases[] = {
      {"Type () - 0x0800", 2, true, true,
       std::string("Type (2 bytes)") + std::string(36, ' ') + "0x0800"},
      {"Type () - 0x0800", 2, true, false, "Type (2 bytes) - 0x0800"},
      {"Version () - 4", 1, true, false, "Version (1 byte) - 4"},
      {"Version () - 4", 1, false, false, "Version  - 4"},
      {"Data () - x", 0, true, false, "Data (0 bytes) - x"},
      {"Plain text", 4, true, true, "Plain text"},
      // A separator at position 50 or later stays as it is.
      {std::string(49, 'a') + " - v", 0, true, true, std::string(49, 'a') + " - v"},
      // Only the first "()" is replaced.
      {"A () () - 1", 3, true, false, "A (3 bytes) () - 1"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(DetailText(c.text, c.length, c.displayLength, c.align), c.expected) << c.text;
}

TEST(DetailText, LongLabelIsCutAtFifty) {
  const std::string label(48, 'x');
  EXPECT_EQ(DetailText(label + " - 7", 0, true, true), label + "  7");
}

// A small layer of 20 bytes at frame offset 14, with a tree being built.
struct WriterFixture {
  Environment env;
  RecordingNotifier notes;
  CaptureSession s{env, notes};
  DecodeContext c{s, env};
  DetailTree tree;
  WriterFixture() {
    const std::vector<uint8_t> frame(34, 0xAB);
    c.LoadFrame(frame.data(), static_cast<uint32_t>(frame.size()));
    c.enter(14);
    c.Tree = &tree;
  }
};

TEST(FieldWriter, TextsImagesAndLiterals) {
  WriterFixture f;
  auto& c = f.c;
  DetailNode* top = AddField(c, nullptr, "Type () - 0x0800", 0, 2);
  EXPECT_EQ(top->Text, "Type (2 bytes) - 0x0800");  // the top level keeps its separator
  EXPECT_EQ(top->Offset, 14u);
  EXPECT_EQ(top->Image, TreeImage::Plain);  // a field picture is plain at the top
  DetailNode* child = AddField(c, top, "Len () - 5", 2, 2);
  EXPECT_EQ(child->Text.substr(50), "5");
  EXPECT_EQ(child->Image, TreeImage::Field);
  EXPECT_TRUE(top->HasChildren());
  // Literal texts from the frame are never rewritten.
  EXPECT_EQ(AddField(c, top, Literal("GET /a () - b"), 4, 4)->Text, "GET /a () - b");
  // A label of ours with a value from the frame: only the label is.
  DetailNode* mixed = AddField(c, top, "Name () - " + Literal("a () - b"), 4, 4);
  EXPECT_EQ(mixed->Text, "Name (4 bytes)" + std::string(36, ' ') + "a () - b");
  EXPECT_EQ(mixed->LiteralFrom, 50u);  // the label's separator is gone: never split again
  EXPECT_EQ(AddField(c, nullptr, "Name () - " + Literal("a () - b"), 4, 4)->Text,
            "Name (4 bytes) - a () - b");
  EXPECT_EQ(c.Tree->Roots.back()->LiteralFrom, 17u);  // splits at the label's separator
  // Print mode keeps the separator.
  DetailTree print(true);
  c.Tree = &print;
  DetailNode* p = AddField(c, nullptr, "x", 0, 0, TreeImage::Network);
  EXPECT_EQ(p->Image, TreeImage::Network);
  EXPECT_EQ(AddField(c, p, "Len () - 5", 0, 2)->Text, "Len (2 bytes) - 5");
  EXPECT_EQ(AddField(c, p, "Name () - " + Literal("x - ()"), 0, 2)->Text,
            "Name (2 bytes) - x - ()");
  // Nothing is added in the summary pass, and the ended line takes nothing.
  c.Tree = nullptr;
  DetailNode* none = AddField(c, nullptr, "x", 0, 1);
  EXPECT_FALSE(Added(c, none));
  EXPECT_FALSE(Added(c, AddField(c, none, "y", 0, 1)));
  EXPECT_FALSE(c.Truncated);
}

// A label of the program's before text from the frame: the label alone is
// rewritten, the frame's text is kept whatever it holds.
TEST(FieldWriter, LabelBeforeLiteral) {
  WriterFixture f;
  auto& c = f.c;
  DetailNode* top = AddField(c, nullptr, "Top", 0, 0);
  DetailNode* line = AddField(c, top, "Name () - " + Literal("a () - b"), 2, 4);
  EXPECT_EQ(line->Text, "Name (4 bytes)" + std::string(36, ' ') + "a () - b");
  EXPECT_EQ(line->LiteralFrom, 50u);
  // Text after the literal joins it; the name leading a line keeps it all.
  DetailNode* item = AddField(c, top, Literal("x () - y") + ": type A", 0, 2);
  EXPECT_EQ(item->Text, "x () - y: type A");
  EXPECT_EQ(item->LiteralFrom, 0u);
  // Without a literal part nothing changes.
  EXPECT_EQ(AddField(c, top, std::string("Plain () - ") + "1", 0, 1)->LiteralFrom, kNotLiteral);
  DetailTree print(true);
  c.Tree = &print;
  DetailNode* p = AddField(c, nullptr, "x", 0, 0);
  DetailNode* printed = AddField(c, p, "Name () - " + Literal("a - b"), 0, 3);
  EXPECT_EQ(printed->Text, "Name (3 bytes) - a - b");
  EXPECT_EQ(printed->LiteralFrom, 17u);
}

// A title whose length is known after its items: set within the layer.
TEST(FieldWriter, BranchRangeSetLater) {
  WriterFixture f;
  auto& c = f.c;
  DetailNode* section = AddBranch(c, nullptr, "Section", 4, 0);
  EXPECT_EQ(section->Length, 0u);
  SetBranchRange(c, section, 4, 10);
  EXPECT_EQ(section->Offset, 18u);
  EXPECT_EQ(section->Length, 10u);
  SetBranchRange(c, section, 4, 100);  // past the layer: what it holds
  EXPECT_EQ(section->Length, 16u);
  SetBranchRange(c, c.EndedLine(), 0, 4);  // the ended line takes nothing
  EXPECT_EQ(c.EndedLine()->Length, 0u);
}

TEST(FieldWriter, FieldThatDoesNotFitEndsTheBranch) {
  WriterFixture f;
  auto& c = f.c;
  DetailNode* top = AddBranch(c, nullptr, "Header ()", 0, 24, TreeImage::Network);
  EXPECT_EQ(top->Text, "Header (20 bytes)");  // a title covers the bytes present
  DetailNode* group = AddField(c, top, "Group", 0, 4);
  AddField(c, group, "A", 0, 2);
  EXPECT_FALSE(c.Truncated);
  EXPECT_FALSE(Added(c, AddField(c, group, "Past the layer", 18, 4)));
  EXPECT_TRUE(c.Truncated);
  // The branch ended: neither the group nor the header take more lines,
  // even ones that would fit.
  EXPECT_FALSE(Added(c, AddField(c, group, "B", 2, 2)));
  EXPECT_FALSE(Added(c, AddField(c, top, "C", 4, 2)));
  EXPECT_EQ(group->Children.size(), 1u);
  EXPECT_EQ(top->Children.size(), 1u);
  // A new branch at the top level is not affected.
  EXPECT_TRUE(Added(c, AddField(c, nullptr, "Data ()", 0, 20)));
  // A title past the layer covers nothing.
  EXPECT_EQ(AddBranch(c, nullptr, "Later", 30, 4)->Length, 0u);
}

TEST(FlagPicture, WidthsAndGrouping) {
  EXPECT_EQ(FlagPicture(1, 1, 2), ".... ....  .... ...1 ");
  EXPECT_EQ(FlagPicture(0x80, 0x80, 1), "1... .... ");
  EXPECT_EQ(FlagPicture(0, 0x80, 1), "0... .... ");
  EXPECT_EQ(FlagPicture(0, 0, 3), ".... ....  .... ....  .... .... ");
  EXPECT_EQ(FlagPicture(0xFFFFFFFF, 0x80000001, 4), "1... ....  .... ....  .... ....  .... ...1 ");
}

TEST(AddFlagNodes, ChoosesSetOrClearText) {
  Environment env;
  RecordingNotifier notes;
  CaptureSession s(env, notes);
  DecodeContext c(s, env);
  DetailTree tree;
  c.Tree = &tree;
  const uint8_t bytes[22] = {};
  c.LoadFrame(bytes, sizeof bytes);
  DetailNode* item = AddField(c, nullptr, "Flags", 20, 2, TreeImage::Flags);
  static constexpr FlagTabRec kFlags[] = {
      {0x0001, "Reply", "Request"},
      {0x0002, "", "Not set"},  // set, no set text: the clear text shows
      {0x0004, "Shown", ""},    // clear, no clear text: no line
  };
  AddFlagNodes(c, item, 0x0003, 2, kFlags);
  ASSERT_EQ(item->Children.size(), 2u);
  EXPECT_EQ(item->Children[0]->Text.substr(0, 25), ".... ....  .... ...1  = R");
  EXPECT_NE(item->Children[0]->Text.find("Reply"), std::string::npos);
  EXPECT_NE(item->Children[1]->Text.find("..1. "), std::string::npos);
  EXPECT_NE(item->Children[1]->Text.find("Not set"), std::string::npos);
  EXPECT_EQ(item->Children[0]->Offset, 20u);
  EXPECT_EQ(item->Children[0]->Length, 2u);
}

TEST(Lookup, FirstMatchWinsAndDefault) {
  static constexpr LookupTableRec kTable[] = {{1, "one"}, {2, "two"}, {1, "uno"}};
  EXPECT_EQ(LookupCode(1, kTable, "?"), "one");
  EXPECT_EQ(LookupCode(3, kTable, "?"), "?");
  static constexpr LookupTableLongRec kLong[] = {{0x10000, "big"}};
  EXPECT_EQ(LookupLongCode(0x10000, kLong, "?"), "big");
  EXPECT_EQ(LookupLongCode(0, kLong, "none"), "none");
}

TEST(FormatIPv6, CompressionRules) {
  struct Case {
    uint16_t g[8];
    const char* text;
  } cases[] = {
      {{0, 0, 0, 0, 0, 0, 0, 0}, "::"},
      {{0, 0, 0, 0, 0, 0, 0, 1}, "::1"},
      {{0x2001, 0, 0, 1, 0, 0, 0, 1}, "2001:0:0:1::1"},
      {{1, 0, 0, 2, 0, 0, 3, 4}, "1::2:0:0:3:4"},
      {{0xFE80, 0, 0, 0, 0x201, 0x2FF, 0xFE03, 0x405}, "FE80::201:2FF:FE03:405"},
      {{1, 0, 2, 0, 3, 0, 4, 0}, "1:0:2:0:3:0:4:0"},
      {{1, 2, 3, 4, 5, 6, 0, 0}, "1:2:3:4:5:6::"},
  };
  for (const auto& c : cases) {
    uint8_t b[16];
    for (int i = 0; i < 8; ++i) {
      b[2 * i] = c.g[i] >> 8;
      b[2 * i + 1] = c.g[i] & 0xFF;
    }
    EXPECT_EQ(FormatIPv6(b), c.text);
  }
  uint8_t mc[16] = {0xFF, 0x02};
  mc[15] = 1;
  EXPECT_EQ(FormatIPv6(mc, true), "FF02::1 (Multicast)");
  uint8_t ll[16] = {0xFE, 0x80};
  ll[15] = 1;
  EXPECT_EQ(FormatIPv6(ll, true), "FE80::1 (Link-Local Unicast)");
  uint8_t sl[16] = {0xFE, 0xC0};
  sl[15] = 1;
  EXPECT_EQ(FormatIPv6(sl, true), "FEC0::1 (Site-Local Unicast)");
}

TEST(FormatMAC, Annotations) {
  Environment env;
  env.Vendors.AddLine("00000CCisco Systems, Inc");
  RecordingNotifier notes;
  CaptureSession s(env, notes);
  struct Case {
    uint8_t mac[6];
    const char* text;
  } cases[] = {
      {{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, "FF:FF:FF:FF:FF:FF Broadcast"},
      // Not all six bytes FF: a multicast address, not broadcast.
      {{0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x01}, "FF:FF:FF:00:00:01 Locally administered Address"},
      {{0x01, 0x00, 0x5E, 0x00, 0x00, 0x05}, "01:00:5E:00:00:05 (OSPF All Routers)"},
      {{0x01, 0x80, 0xC2, 0x00, 0x00, 0x00}, "01:80:C2:00:00:00 Multicast"},
      // A bridge group address is not an IPv4 group.
      {{0x01, 0x80, 0xC2, 0x00, 0x00, 0x0E}, "01:80:C2:00:00:0E Multicast"},
      // 01:00:5E with bit 23 set is no IPv4 group address.
      {{0x01, 0x00, 0x5E, 0x80, 0x00, 0x05}, "01:00:5E:80:00:05 Multicast"},
      {{0x02, 0x00, 0x00, 0x00, 0x00, 0x01}, "02:00:00:00:00:01 Locally administered Address"},
      {{0x00, 0x00, 0x0C, 0x01, 0x02, 0x03}, "00:00:0C:01:02:03 (Cisco Systems, Inc)"},
      {{0x00, 0x11, 0x22, 0x33, 0x44, 0x55}, "00:11:22:33:44:55"},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatMAC(env, &s.Nodes, c.mac, true), c.text);

  // The IPv4 address learnt for a station, only when there is one.
  const uint8_t mac[6] = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55};
  s.Nodes.RegisterNode(mac, 0, {});
  EXPECT_EQ(FormatMAC(env, &s.Nodes, mac, true), "00:11:22:33:44:55");
  s.Nodes.RegisterNode(mac, 0x0A000001, {});
  EXPECT_EQ(FormatMAC(env, &s.Nodes, mac, true), "00:11:22:33:44:55 (10.0.0.1)");
  EXPECT_EQ(FormatMAC(mac), "00:11:22:33:44:55");
}

TEST(FormatIPv4, MulticastNames) {
  Environment env;
  RecordingNotifier notes;
  CaptureSession s(env, notes);
  DecodeContext c(s, env);
  EXPECT_EQ(FormatIPv4(c, 0xE0000009, true), "224.0.0.9 (RIP2 Routers)");
  EXPECT_EQ(FormatIPv4(c, 0xEF000009, true), "239.0.0.9");
  // The whole lower 24 bits count: 224.128.0.5 is no OSPF group.
  EXPECT_EQ(FormatIPv4(c, 0xE0800005, true), "224.128.0.5");
  EXPECT_EQ(FormatIPv4(c, 0xE0027FFE, true), "224.2.127.254 (SAPv1 Announcements)");
  EXPECT_EQ(FormatIPv4(0x0A000002), "10.0.0.2");
}

TEST(Formatters, BytesBitsNumbersDurations) {
  EXPECT_EQ(HexBytes(""), "");
  EXPECT_EQ(HexBytes("\x01\xAB", 0), "0x01AB");
  EXPECT_EQ(HexBytes(std::string(40, '\x11'), 31), "0x" + std::string(64, '1') + "...");
  EXPECT_EQ(HexBytes(std::string(32, '\x11'), 31), "0x" + std::string(64, '1'));
  EXPECT_EQ(FormatBits(5, 4), "0101");
  EXPECT_EQ(FormatBits(0xFFFFFFFF, 18), "001111111111111111");
  EXPECT_EQ(FormatDuration(0), "");
  EXPECT_EQ(FormatDuration(90061), "1 day 1 hour 1 minute 1 second ");
  EXPECT_EQ(FormatDuration(2 * 86400 + 120 + 5), "2 days 2 minutes 5 seconds ");
  EXPECT_EQ(PadLeft("ab", 4), "  ab");
  EXPECT_EQ(PadLeft("abcde", 4), "abcde");
  EXPECT_EQ(FormatThousands(0), "0");
  EXPECT_EQ(FormatThousands(999), "999");
  EXPECT_EQ(FormatThousands(1000), "1,000");
  EXPECT_EQ(FormatThousands(1234567890), "1,234,567,890");
  EXPECT_EQ(FormatThousands(1234567, "."), "1.234.567");
  EXPECT_DOUBLE_EQ(UnixToDateTime(0, 0), 25569.0);
  EXPECT_DOUBLE_EQ(UnixToDateTime(86400 + 43200, 60), 25570.5 - 60 / 1440.0);
}

TEST(FormatHexBytes, ReadsTheCurrentLayerOnly) {
  Environment env;
  RecordingNotifier notes;
  CaptureSession s(env, notes);
  DecodeContext c(s, env);
  const uint8_t frame[6] = {1, 2, 3, 4, 5, 6};
  c.LoadFrame(frame, 6);
  ASSERT_TRUE(c.enter(2));
  EXPECT_EQ(FormatHexBytes(c, 1, 2, 0), "0x0304");
  EXPECT_EQ(FormatHexBytes(c, 3, 10, 0), "0x0506");  // cut at the layer's end
  EXPECT_EQ(FormatHexBytes(c, 9, 2, 0), "");
  EXPECT_EQ(FormatHexBytes(c, 1, 0, 0), "");
}

}  // namespace
}  // namespace kestle
