// kestle-dump's detail and dump output, pinned by a golden text.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "app/dump.h"
#include "support/builders.h"
#include "support/packets.h"

namespace kestle {
namespace {

using test::FrameBuilder;

// A VLAN-tagged ARP request and a SNAP frame, 1.5 ms apart.
test::Bytes TwoFrameCapture() {
  const char* a = "00:10:20:30:40:50";
  FrameBuilder arp;
  arp.ether("FF:FF:FF:FF:FF:FF", a, 0x8100).be16(0xA014).be16(0x0806);
  arp.raw(test::ArpRequest(a, "10.20.0.5", "10.20.0.1"));
  arp.padTo(64);
  FrameBuilder cdp;
  cdp.ether("01:00:0C:CC:CC:CC", a, 12).raw({0xAA, 0xAA, 0x03, 0x00, 0x00, 0x0C}).be16(0x2000);
  cdp.text("Kest").padTo(60);
  return test::PcapFile(
      {{arp.bytes(), 1615713600, 274646, 0}, {cdp.bytes(), 1615713600, 276146, 0}});
}

std::string DumpOutput(const std::vector<std::string>& args, int* status = nullptr) {
  std::ostringstream out, err;
  const int rc = RunDump(args, out, err);
  if (status) *status = rc;
  return out.str();
}

std::string ReplaceAll(std::string s, const std::string& from, const std::string& to) {
  for (size_t p = s.find(from); p != std::string::npos; p = s.find(from, p + to.size()))
    s.replace(p, from.size(), to);
  return s;
}

TEST(DumpDetail, MatchesTheGoldenText) {
  setenv("TZ", "UTC", 1);
  tzset();
  test::TempFile file(TwoFrameCapture());
  int status = -1;
  const std::string actual = ReplaceAll(
      DumpOutput({"--detail", "--dump", "--date-line", "Sun 14/03/2021 10:00:00", file.path()},
                 &status),
      file.path(), "CAPTURE");
  EXPECT_EQ(status, 0);
  std::ifstream in(test::DataPath("golden/dump-detail-link.txt"), std::ios::binary);
  ASSERT_TRUE(in) << "golden text missing";
  std::stringstream golden;
  golden << in.rdbuf();
  if (actual != golden.str()) {
    std::ofstream(::testing::TempDir() + "dump-detail-link.actual.txt", std::ios::binary) << actual;
    FAIL() << "output differs from tests/data/golden/dump-detail-link.txt; written to "
           << ::testing::TempDir() << "dump-detail-link.actual.txt";
  }
}

TEST(DumpDetail, TreeOffsetsGiveEveryLinesRange) {
  test::TempFile file(TwoFrameCapture());
  const std::string out = DumpOutput({"--tsv", "--tree-offsets", "--frames", "1", file.path()});
  for (const char* line :
       {"  [0+14] Ethernet II (14 bytes)\n", "    [12+2] Protocol (2 bytes) - 0x8100 802.1q\n",
        "  [14+4] 802.1q Virtual Lan\n", "    [14+2] VLAN ID (12 bits) - 20\n",
        "    [42+4] Target IP Address (4 bytes) - 10.20.0.1\n"})
    EXPECT_NE(out.find(line), std::string::npos) << line;
  EXPECT_NE(DumpOutput({"--help"}).find("--tree-offsets"), std::string::npos);
}

}  // namespace
}  // namespace kestle
