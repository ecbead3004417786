#include "output/grid.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>
#include <sstream>

#include "decode/tree.h"
#include "output/hexdump.h"
#include "output/textexport.h"
#include "support/builders.h"
#include "support/session_fixture.h"

namespace kestle {
namespace {

using test::FrameBuilder;
using test::PcapFrame;
using test::SessionFixture;
using test::TempFile;

test::Bytes Frame(size_t size) {
  FrameBuilder f;
  f.ether("ff:ff:ff:ff:ff:ff", "00:11:22:33:44:55", 0x9999);
  return f.padTo(size).bytes();
}

TEST(TimeColumn, RelativeTimeForms) {
  struct Case {
    double v;
    const char* text;
  } cases[] = {{0, "0.0000"},    {12.34567, "12.3457"}, {3600, "3600.0000"}, {7200.5, "> 2h"},
               {86400, "> 24h"}, {90000, "> 1d"},       {-0.5, "-0.5000"},   {0.00005, "0.0001"}};
  for (const auto& c : cases) EXPECT_EQ(FormatRelativeTime(c.v), c.text) << c.v;
  EXPECT_EQ(FormatRelativeTime(1.5, ","), "1,5000");
  EXPECT_EQ(FormatTimeOfDay(86400 + 3723, 45678), "01:02:03.045");
}

class GridFixture : public ::testing::Test {
 protected:
  void Load(std::vector<PcapFrame> frames) {
    file_ = std::make_unique<TempFile>(test::PcapFile(frames));
    ASSERT_TRUE(fx.Open(file_->path())) << fx.LastMessage();
  }
  SessionFixture fx;
  std::unique_ptr<TempFile> file_;
};

TEST_F(GridFixture, CellsByTimeFormatAndFirstFrame) {
  Load({{Frame(60), 1000, 0, 0}, {Frame(70), 1001, 500000, 0}, {Frame(80), 1003, 0, 0}});
  CaptureSession& s = fx.session;
  fx.env.settings.FirstFrame = 100;
  EXPECT_EQ(GetGridCell(s, 0, 0), "100");
  fx.env.settings.ColumnSel = "ABCDEFGHI";
  EXPECT_EQ(GetGridCell(s, 1, 2), "70");
  EXPECT_EQ(GetGridCell(s, 0, 3), "00:11:22:33:44:55");
  EXPECT_EQ(GetGridCell(s, 0, 5), "FF:FF:FF:FF:FF:FF");
  EXPECT_EQ(GetGridCell(s, 0, 4), "0");
  EXPECT_EQ(GetGridCell(s, 3, 0), "");  // past the last row
  EXPECT_EQ(GetGridCell(s, 0, 9), "");  // past the last column
  EXPECT_EQ(GetGridCell(s, 0, 1), "00:16:40.000");
  fx.env.settings.TimeFormat = 1;
  EXPECT_EQ(GetGridCell(s, 2, 1), "3.0000");
  fx.env.settings.TimeFormat = 2;
  EXPECT_EQ(GetGridCell(s, 0, 1), "0.0000");
  EXPECT_EQ(GetGridCell(s, 1, 1), "1.5000");
  // The time since the nearest earlier frame that passes the filter.
  s.FrameTable[2].Visible = 0;
  EXPECT_EQ(FrameCellText(s, 3, 'B'), "3.0000");
  s.FrameTable[1].Visible = 0;
  EXPECT_EQ(FrameCellText(s, 3, 'B'), "0.0000");
}

TEST_F(GridFixture, TextExportLayout) {
  Load({{Frame(20), 1000, 0, 0}, {Frame(60), 1001, 0, 0}});
  fx.env.settings.ColumnSel = "AH";
  std::ostringstream out;
  TextExportWriter w(out, fx.session, false, false);
  w.WriteTitle("x.pcap", "Tue 01/01/2030 10:00:00");
  w.WriteFrame(1, nullptr, {});
  EXPECT_EQ(out.str(),
            " Kestle print from file x.pcap on Tue 01/01/2030 10:00:00\n \nNo.   Description\n"
            "1     " +
                std::string(fx.session.Description(1)) + "\n");
  // Without detail or dump the heading is written once.
  w.WriteFrame(2, nullptr, {});
  const std::string all = out.str();
  EXPECT_EQ(std::count(all.begin(), all.end(), '\n'), 5);

  // With a dump the heading is repeated and the dump follows.
  std::ostringstream dumped;
  TextExportWriter d(dumped, fx.session, false, true);
  const auto bytes = Frame(20);
  d.WriteFrame(1, nullptr, bytes);
  d.WriteFrame(1, nullptr, bytes);
  const std::string text = dumped.str();
  EXPECT_EQ(text.find("No.   Description\n"), 0u);
  EXPECT_NE(text.find("No.   Description\n", 5), std::string::npos);
  EXPECT_NE(text.find("\n \n  0x0000  FF FF FF FF FF FF 00 11 22 33 44 55 99 99 00 00   "),
            std::string::npos);
  EXPECT_NE(text.find("\n  0x0010  00 00 00 00 " + std::string(12 * 3, ' ') + "  ....\n \n"),
            std::string::npos);
}

TEST(TextExport, ColumnTextsRunOnWhenTooLong) {
  test::SessionFixture fx;
  fx.env.settings.ColumnSel = "AH";
  TextExportWriter w(std::cout, fx.session, false, false);
  const std::string texts[2] = {"1234567", "x"};
  EXPECT_EQ(w.ColumnLine(texts), "1234567x");
}

TEST(TextExport, TreeLines) {
  DetailTree tree(true);
  DetailNode* top = tree.Add(nullptr, "Ethernet II", 0, 14, TreeImage::Network);
  tree.Add(top, "Label - 4", 0, 1, TreeImage::Field);
  tree.Add(top, "No value", 0, 1, TreeImage::Field);
  tree.Add(top, "Hyphen-ated - value", 0, 1, TreeImage::Field);
  tree.Add(top, "Payload - raw - text", 0, 1, TreeImage::Field, /*literalFrom=*/0);
  // Only the label before the frame's text is split.
  tree.Add(top, "Name - a - b", 0, 1, TreeImage::Field, /*literalFrom=*/7);
  tree.Add(top, "Name=a - b", 0, 1, TreeImage::Field, /*literalFrom=*/5);
  std::ostringstream out;
  TextExportWriter::WriteTree(out, tree);
  EXPECT_EQ(out.str(),
            "  Ethernet II\n"
            "    Label " +
                std::string(40, ' ') +
                "  4\n"
                "    No value\n"
                "    Hyphen" +
                std::string(40, ' ') +
                " ated - value\n"
                "    Payload - raw - text\n"
                "    Name " +
                std::string(41, ' ') +
                "  a - b\n"
                "    Name=a - b\n");
}

TEST(HexDump, PrintableSet) {
  EXPECT_EQ(DumpChar('A'), 'A');
  EXPECT_EQ(DumpChar('a'), 'a');
  EXPECT_EQ(DumpChar('.'), '.');
  EXPECT_EQ(DumpChar('"'), '.');
  EXPECT_EQ(DumpChar('\''), '.');
  EXPECT_EQ(DumpChar('`'), '.');
  EXPECT_EQ(DumpChar('\\'), '\\');
  EXPECT_EQ(DumpChar('{'), '{');
  EXPECT_EQ(DumpChar(0), '.');
  EXPECT_EQ(DumpChar(0xC1), '.');
  EXPECT_EQ(DumpChar(' '), ' ');
}

}  // namespace
}  // namespace kestle
