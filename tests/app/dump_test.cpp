#include "app/dump.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "support/builders.h"
#include "support/dump_run.h"
#include "support/expected.h"

namespace kestle {
namespace {

using test::Dump;
using Result = test::DumpResult;

TEST(KestleDump, ExitStatusAndMessages) {
  test::TempFile garbage(test::Bytes(17, 'x'));
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string err;
  } cases[] = {
      {{}, 2, "Usage"},
      {{"--bogus", "x"}, 2, "unknown option"},
      {{"--set", "Nope=1", test::CapturePath("mixed.pcap")}, 2, "unknown setting"},
      {{"--set", "MaxPackets", test::CapturePath("mixed.pcap")}, 2, "KEY=VALUE"},
      {{"--frames", "x-y", test::CapturePath("mixed.pcap")}, 2, "--frames"},
      {{"/nonexistent.pcap"}, 1, "Selected file could not be opened"},
      {{garbage.path()}, 1, "The selected file is not in a format supported by Kestle"},
      {{"--set", "MaxPackets=10", test::CapturePath("mixed.pcap")},
       0,
       "Maximum Frames exceeded - display truncated"},
  };
  for (const auto& c : cases) {
    const Result r = Dump(c.args);
    EXPECT_EQ(r.status, c.status) << c.err;
    EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
  }
  EXPECT_EQ(Dump({"--help"}).status, 0);
}

// A file cut short shows its whole frames and says so; the load still
// counts as one.
TEST(KestleDump, DamagedFileShowsItsFramesAndTheMessage) {
  test::Bytes cut = test::PcapFile({{test::Bytes(60, 1)}, {test::Bytes(60, 2)}});
  cut.resize(cut.size() - 1);
  test::TempFile file(cut);
  const Result r = Dump({"--tsv", file.path()});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "File is malformed and has been truncated\n" + file.path() + "\n");
  EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 2);  // the header and frame 1
}

TEST(KestleDump, TsvHasHeaderAndOneLinePerFrame) {
  const Result r = Dump({"--tsv", "--set", "MaxPackets=10", test::CapturePath("mixed.pcap")});
  ASSERT_EQ(r.status, 0);
  std::istringstream in(r.out);
  std::string line;
  std::getline(in, line);
  EXPECT_EQ(line,
            "No.\tTime\tLength\tSource Node\tS-Port\tDest Node\tD-Port\tDescription\tProtocol");
  int rows = 0;
  while (std::getline(in, line)) {
    ++rows;
    EXPECT_EQ(std::count(line.begin(), line.end(), '\t'), 8);
  }
  EXPECT_EQ(rows, 10);
}

TEST(KestleDump, FramesRangeCountsShownNumbers) {
  const Result r =
      Dump({"--tsv", "--set", "FirstFrame=5", "--frames", "7-8", test::CapturePath("mixed.pcap")});
  ASSERT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("\n7\t"), std::string::npos);
  EXPECT_NE(r.out.find("\n8\t"), std::string::npos);
  EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 3);
}

TEST(KestleDump, EndianTwinsPrintTheSame) {
  const Result le = Dump({"--tsv", "--set", "TimeFormat=1", test::CapturePath("mixed.pcap")});
  const Result be = Dump({"--tsv", "--set", "TimeFormat=1", test::CapturePath("mixed-be.pcap.gz")});
  ASSERT_EQ(le.status, 0);
  EXPECT_EQ(le.out, be.out);
}

TEST(KestleDump, VendorListNamesMakers) {
  test::TempFile vendors(std::string_view("001B21Intel Corporate\n"), ".txt");
  std::ostringstream out, err;
  ASSERT_EQ(RunDump({"--frames", "1", "--detail", test::CapturePath("mixed.pcap")}, out, err,
                    vendors.path()),
            0);
  EXPECT_NE(out.str().find("00:1B:21:3A:4F:10 (Intel Corporate)"), std::string::npos);
  EXPECT_EQ(Dump({"--vendors", "/nonexistent.txt", test::CapturePath("mixed.pcap")}).status, 2);
}

TEST(KestleDump, SnmpNamesFile) {
  EXPECT_EQ(Dump({"--snmp-names", "/nonexistent.txt", test::CapturePath("mixed.pcap")}).status, 2);
  EXPECT_NE(Dump({"--help"}).out.find("--snmp-names FILE"), std::string::npos);
  // The names given, or those found beside the program, name objects.
  test::TempFile names(std::string_view("iso 1\norg 1.3\nsysName 1.3.6.1.2.1.1.5\n"), ".txt");
  const std::string named = "iso.org.6.1.2.1.1.sysName.0";
  std::ostringstream out, err;
  ASSERT_EQ(RunDump({"--frames", "34", "--detail", test::CapturePath("mixed.pcap")}, out, err, "",
                    names.path()),
            0);
  EXPECT_NE(out.str().find(named), std::string::npos);
  EXPECT_NE(Dump({"--snmp-names", names.path(), "--frames", "34", "--detail",
                  test::CapturePath("mixed.pcap")})
                .out.find(named),
            std::string::npos);
  EXPECT_NE(Dump({"--frames", "34", "--detail", test::CapturePath("mixed.pcap")})
                .out.find("1.3.6.1.2.1.1.5.0"),
            std::string::npos);
}

TEST(KestleDump, SettingsFile) {
  test::TempFile ini(std::string_view("[Options]\r\nColumnSel=HA\r\nMaxPackets=2\r\n"), ".ini");
  const Result r = Dump({"--ini", ini.path(), "--date-line", "D", test::CapturePath("mixed.pcap")});
  ASSERT_EQ(r.status, 0);
  EXPECT_EQ(r.out.substr(0, r.out.find("\nDescription")),
            " Kestle print from file " + test::CapturePath("mixed.pcap") + " on D\n ");
  EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 5);
  EXPECT_EQ(Dump({"--ini", "/nonexistent.ini", test::CapturePath("mixed.pcap")}).status, 2);
}

}  // namespace
}  // namespace kestle
