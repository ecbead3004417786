#include "app/dump.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "support/builders.h"
#include "support/dump_run.h"
#include "support/expected.h"
#include "support/temp_dir.h"

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
      {{}, 2, "no capture file named"},
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

// The settings file's keys apply, but its MaxPackets (the window's bound)
// does not: every frame is read unless --set bounds the load.
TEST(KestleDump, SettingsFileAndTheFrameBound) {
  test::TempFile ini(std::string_view("[Options]\r\nColumnSel=HA\r\nMaxPackets=2\r\n"), ".ini");
  const std::string mixed = test::CapturePath("mixed.pcap");
  const Result r = Dump({"--ini", ini.path(), "--date-line", "D", mixed});
  ASSERT_EQ(r.status, 0);
  EXPECT_EQ(r.out.substr(0, r.out.find("\nDescription")),
            " Kestle print from file " + mixed + " on D\n ");
  // The title, its blank line and the heading, then 246 rows.
  EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 3 + 246);
  EXPECT_EQ(r.err, "");
  for (const char* key : {"MaxPackets=2", "maxpackets=2"}) {
    const Result bounded = Dump({"--ini", ini.path(), "--set", key, "--date-line", "D", mixed});
    ASSERT_EQ(bounded.status, 0) << key;
    EXPECT_EQ(std::count(bounded.out.begin(), bounded.out.end(), '\n'), 3 + 2) << key;
    EXPECT_NE(bounded.err.find("Maximum Frames exceeded - display truncated"), std::string::npos);
  }
  EXPECT_EQ(Dump({"--ini", "/nonexistent.ini", mixed}).status, 2);
}

// A usage error: one line says what is wrong, a second where to look; no
// output and no help text.
TEST(KestleDump, UsageErrorsSayWhatIsWrongOnOneLine) {
  const std::string mixed = test::CapturePath("mixed.pcap");
  struct Case {
    std::vector<std::string> args;
    std::string what;
  } cases[] = {
      {{"--find"}, "--find needs a pattern"},
      {{mixed, "--find-hex"}, "--find-hex needs a pattern"},
      {{mixed, "--frames"}, "--frames needs a range of frames"},
      {{mixed, "--graph"}, "--graph needs a number from 1 to 6"},
      {{mixed, "--save"}, "--save needs a file name"},
      {{mixed, "--set"}, "--set needs KEY=VALUE"},
      {{"--graph", "9", mixed}, "--graph takes a number from 1 to 6, not '9'"},
      {{"--bogus", mixed}, "unknown option '--bogus'"},
      {{mixed, mixed}, "only one capture file at a time"},
      {{"--tsv"}, "no capture file named"},
  };
  for (const Case& c : cases) {
    const Result r = Dump(c.args);
    EXPECT_EQ(r.status, 2) << c.what;
    EXPECT_EQ(r.err, "kestle-dump: " + c.what + "\nTry 'kestle-dump --help'\n");
    EXPECT_EQ(r.out, "");
  }
}

// Whatever selects nothing, the answer is the same: the message and status
// 3, and --save makes no file.
TEST(KestleDump, NoFrameSelectedHasOneExitStatus) {
  const std::string mixed = test::CapturePath("mixed.pcap");
  test::TempDir dir;
  const std::string none = dir.file("none.enc");
  const std::vector<std::string> selections[] = {
      {"--frames", "900-999"},
      {"--frames", "247-"},
      {"--find", "zzzzqqqq"},
      {"--find-hex", "de ad be ef fe ed"},
      {"--filter-protocol", "ARP", "--filter-station", "192.168.10.254"},
  };
  for (const auto& selection : selections) {
    for (const char* output : {"", "--tsv", "--json", "--save"}) {
      std::vector<std::string> args = selection;
      if (*output) args.push_back(output);
      if (std::string(output) == "--save") args.push_back(none);
      args.push_back(mixed);
      const Result r = Dump(args);
      EXPECT_EQ(r.status, 3) << selection[0] << " " << output << r.err;
      EXPECT_EQ(r.err, "No Frames were selected\n") << selection[0] << " " << output;
      EXPECT_EQ(r.out, "") << selection[0] << " " << output;
      EXPECT_FALSE(std::filesystem::exists(none)) << selection[0];
    }
  }
}

}  // namespace
}  // namespace kestle
