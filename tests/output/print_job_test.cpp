// Print to file: the text layout pinned by golden files, and the job's
// choices, cancel and failures.
#include "output/print_job.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "decode/config/environment.h"
#include "decode/session.h"
#include "output/frame_choice.h"
#include "output/print_layout.h"
#include "output/save.h"
#include "support/builders.h"
#include "support/expected.h"
#include "support/packets.h"
#include "support/session_fixture.h"
#include "support/temp_dir.h"

namespace kestle::test {
namespace {

constexpr const char* kDateLine = "Sun 14/03/2021 10:00:00";

// A DNS query over UDP and an ARP request, 1.5 ms apart.
Bytes TwoFrames() {
  FrameBuilder dns;
  dns.be16(0x1234).be16(0x0100).be16(1).be16(0).be16(0).be16(0);
  dns.raw(DomainNameBytes("www.example.org")).be16(1).be16(1);
  const Bytes udp = EthernetFrame(IPv4Packet(17, UDPDatagram(1025, 53, dns.bytes())), 0x0800);
  FrameBuilder arp;
  arp.ether("FF:FF:FF:FF:FF:FF", "00:10:20:30:40:50", 0x0806);
  arp.raw(ArpRequest("00:10:20:30:40:50", "10.20.0.5", "10.20.0.1")).padTo(60);
  return PcapFile({{udp, 1615713600, 274646, 0}, {arp.bytes(), 1615713600, 276146, 0}});
}

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string ReplaceAll(std::string s, const std::string& from, const std::string& to) {
  for (size_t p = s.find(from); p != std::string::npos; p = s.find(from, p + to.size()))
    s.replace(p, from.size(), to);
  return s;
}

struct GoldenCase {
  const char* golden;
  const char* columnSel;
  std::vector<uint32_t> frames;
  PrintChoices choices;
};

class PrintGolden : public ::testing::TestWithParam<GoldenCase> {};

TEST_P(PrintGolden, TextFileMatchesTheGoldenFile) {
  const GoldenCase& c = GetParam();
  TempDir dir;
  const std::string capture = dir.file("capture.pcap");
  const Bytes bytes = TwoFrames();
  std::ofstream(capture, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
  SessionFixture f;
  f.env.settings.ColumnSel = c.columnSel;
  ASSERT_TRUE(f.Open(capture));
  const PrintOutcome r =
      PrintToTextFile(f.session, c.frames, dir.file("out.txt"), c.choices, kDateLine);
  ASSERT_TRUE(r.Ok) << r.Message;
  EXPECT_EQ(r.Printed, c.frames.size());
  const std::string actual = ReplaceAll(ReadText(dir.file("out.txt")), capture, "CAPTURE");
  const std::string golden = ReadText(DataPath(std::string("golden/") + c.golden));
  if (actual != golden) {
    const std::string keep = ::testing::TempDir() + c.golden;
    std::ofstream(keep, std::ios::binary) << actual;
    FAIL() << (golden.empty() ? "golden file missing or empty: " : "")
           << "output differs from tests/data/golden/" << c.golden << "; written to " << keep;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, PrintGolden,
    ::testing::Values(GoldenCase{"print-row.txt", "ABCDEFGIH", {1}, {false, false}},
                      GoldenCase{"print-detail-dump.txt", "ABCDEFGIH", {1}, {true, true}},
                      GoldenCase{"print-columns-ah.txt", "AH", {2, 1}, {false, false}}));

TEST(PrintToFile, LinesOfEachChoice) {
  Loaded l(TwoFrames());
  ASSERT_TRUE(l.ok);
  TempDir dir;
  auto lines = [&](const std::vector<uint32_t>& frames, PrintChoices choices) {
    EXPECT_TRUE(PrintToTextFile(l.s(), frames, dir.file("p.txt"), choices, kDateLine).Ok);
    std::vector<std::string> v;
    std::istringstream in(ReadText(dir.file("p.txt")));
    for (std::string line; std::getline(in, line);) v.push_back(line);
    return v;
  };
  // Without detail or dump: the heading once at the top.
  const auto rows = lines({1, 2}, {});
  ASSERT_EQ(rows.size(), 5u);
  EXPECT_EQ(rows[1], " ");
  EXPECT_EQ(rows[2].substr(0, 10), "No.   Time");
  EXPECT_EQ(rows[3].substr(0, 2), "1 ");
  EXPECT_EQ(rows[4].substr(0, 2), "2 ");
  // With the dump alone: the heading before every frame, the dump between
  // lines holding one blank.
  const auto dumped = lines({2, 1}, {false, true});
  const std::vector<std::string> arp = {
      dumped[2],
      dumped[3],
      " ",
      "  0x0000  FF FF FF FF FF FF 00 10 20 30 40 50 08 06 00 01   ........ 0@P....",
      "  0x0010  08 00 06 04 00 01 00 10 20 30 40 50 0A 14 00 05   ........ 0@P....",
      "  0x0020  00 00 00 00 00 00 0A 14 00 01 00 00 00 00 00 00   ................",
      "  0x0030  00 00 00 00 00 00 00 00 00 00 00 00               ............",
      " "};
  EXPECT_EQ(std::vector<std::string>(dumped.begin() + 2, dumped.begin() + 10), arp);
  EXPECT_EQ(dumped[10], dumped[2]);  // the heading again
}

TEST(PrintToFile, CancelFailuresAndTheOpenCapture) {
  TempDir dir;
  const std::string capture = dir.file("capture.pcap");
  const Bytes bytes = TwoFrames();
  std::ofstream(capture, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
  SessionFixture f;
  ASSERT_TRUE(f.Open(capture));
  int calls = 0;
  const PrintOutcome cancelled =
      PrintToTextFile(f.session, std::vector<uint32_t>{1, 2}, dir.file("p.txt"), {}, kDateLine,
                      [&] { return ++calls < 1; });
  EXPECT_TRUE(cancelled.Ok && cancelled.Cancelled);
  EXPECT_EQ(cancelled.Printed, 1u);
  EXPECT_EQ(ReadText(dir.file("p.txt")).find("\n2 "), std::string::npos);

  EXPECT_EQ(PrintToTextFile(f.session, std::vector<uint32_t>{1}, capture, {}, kDateLine).Message,
            FileMessage(savemsg::kOpenCapture, capture));
  EXPECT_EQ(ReadFile(capture), bytes);
  EXPECT_EQ(
      PrintToTextFile(f.session, std::vector<uint32_t>{1}, dir.file("none/p.txt"), {}, kDateLine)
          .Message,
      "Unable to create print file\n" + dir.file("none/p.txt") + ": No such file or directory");
}

// The printer's pages over a whole capture: every tree line and dump line
// of every frame is placed once, in order.
TEST(PrintToPages, EveryFrameLineIsPlaced) {
  SessionFixture f;
  ASSERT_TRUE(f.Open(CapturePath("mixed.pcap")));
  PrintMetrics m;
  m.PageWidth = 4800;
  m.PageHeight = 6600;
  m.DpiY = 600;
  m.FontHeight = 60;
  m.TextWidth = [](std::string_view t) { return static_cast<int>(t.size()) * 35; };
  m.BoldTextWidth = [](std::string_view t) { return static_cast<int>(t.size()) * 38; };
  std::vector<PrintPage> pages;
  PrintLayout layout(m, f.env.settings.ColumnSel, kDateLine,
                     [&](const PrintPage& p) { pages.push_back(p); });
  layout.Begin();
  const std::vector<uint32_t> frames = ChosenFrames(f.session, FrameChoice::All);
  const PrintOutcome r = PrintToLayout(f.session, frames, layout, {true, true});
  layout.End();
  ASSERT_TRUE(r.Ok);
  EXPECT_EQ(r.Printed, f.session.FrameCount);
  size_t dumpLines = 0, titles = 0;
  for (const PrintPage& p : pages) {
    EXPECT_EQ(p.Items.front().Text, "Kestle Frame Trace");
    for (const PrintItem& i : p.Items) {
      if (i.Text.rfind("0x", 0) == 0 && i.X == layout.LeftMargin()) ++dumpLines;
      if (i.Text == "No.") ++titles;
      if (i.What == PrintItem::Kind::Text) {
        EXPECT_LE(i.Y + layout.LineHeight(), layout.UsableHeight());
      }
    }
  }
  size_t expectedDump = 0;
  for (uint32_t n = 1; n <= f.session.FrameCount; ++n)
    expectedDump += (f.session.FrameTable[n].CapLen + 15) / 16;
  EXPECT_EQ(dumpLines, expectedDump);
  EXPECT_EQ(titles, f.session.FrameCount);
  EXPECT_GT(pages.size(), 100u);
}

}  // namespace
}  // namespace kestle::test
