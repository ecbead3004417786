// kestle-dump's --filter-protocol, --filter-station, --direction,
// --filter-mismatch, --find and --find-hex.
#include <gtest/gtest.h>

#include <sstream>

#include "app/dump.h"
#include "support/builders.h"
#include "support/dump_run.h"
#include "support/packets.h"

namespace kestle {
namespace {

using namespace test;

using test::Dump;
using Result = test::DumpResult;

// 1: UDP 10.0.0.1 -> 10.0.0.2 carrying "Hello", 2: TCP back,
// 3: TCP 10.0.0.1 -> 10.0.0.2 in an 802.1q tag, 4: an ARP broadcast from
// 10.0.0.1 with a zero byte before "xy".
struct FilterCapture {
  TempFile file;
  static Bytes Build() {
    IPv4Spec udp;
    udp.protocol = 17;
    Bytes udpPayload = UDPHeader(40000, 40001, -1, 0);
    for (char c : std::string("Hello")) udpPayload.push_back(static_cast<uint8_t>(c));
    udp.src = "10.0.0.1";
    udp.dst = "10.0.0.2";
    const Bytes f1 = FrameBuilder()
                         .ether("00:00:00:00:00:02", "00:00:00:00:00:01", 0x0800)
                         .raw(IPv4Packet(udp, udpPayload))
                         .padTo(60)
                         .bytes();
    IPv4Spec tcp;
    tcp.src = "10.0.0.2";
    tcp.dst = "10.0.0.1";
    const Bytes f2 = FrameBuilder()
                         .ether("00:00:00:00:00:01", "00:00:00:00:00:02", 0x0800)
                         .raw(IPv4Packet(tcp, TCPHeader(80, 40002, 0x10)))
                         .padTo(60)
                         .bytes();
    IPv4Spec tagged;
    tagged.src = "10.0.0.1";
    tagged.dst = "10.0.0.2";
    const Bytes f3 = FrameBuilder()
                         .ether("00:00:00:00:00:02", "00:00:00:00:00:01", 0x8100)
                         .be16(5)
                         .be16(0x0800)
                         .raw(IPv4Packet(tagged, TCPHeader(40003, 80, 0x10)))
                         .padTo(64)
                         .bytes();
    const Bytes f4 = FrameBuilder()
                         .ether("ff:ff:ff:ff:ff:ff", "00:00:00:00:00:01", 0x0806)
                         .raw(ArpRequest("00:00:00:00:00:01", "10.0.0.1", "10.0.0.2"))
                         .u8(0)
                         .text("xy")
                         .padTo(60)
                         .bytes();
    return PcapFile({{f1}, {f2}, {f3}, {f4}});
  }
  FilterCapture() : file(Build()) {}
};

// The No. column of the --tsv lines.
std::vector<std::string> Numbers(const std::string& tsv) {
  std::vector<std::string> out;
  std::istringstream in(tsv);
  std::string line;
  std::getline(in, line);  // the header
  while (std::getline(in, line)) out.push_back(line.substr(0, line.find('\t')));
  return out;
}

TEST(KestleDumpFilter, OptionsSelectTheFramesTheDialogWould) {
  FilterCapture c;
  using V = std::vector<std::string>;
  struct Case {
    std::vector<std::string> options;
    V frames;
  } cases[] = {
      {{}, {"1", "2", "3", "4"}},
      {{"--filter-protocol", "TCP"}, {"2", "3"}},
      {{"--filter-protocol", "Ethernet/IPV4"}, {"1", "2"}},
      {{"--filter-protocol", "802.1q/IPV4"}, {"3"}},
      {{"--filter-protocol", "udp", "--filter-protocol", "ARP"}, {"1", "4"}},
      {{"--filter-protocol", "/Ethernet"}, {"1", "2", "3", "4"}},
      // The ARP request names its sender's address: 10.0.0.1 sends it.
      {{"--filter-station", "10.0.0.1"}, {"1", "2", "3", "4"}},
      {{"--filter-station", "10.0.0.1", "--direction", "forward"}, {"1", "3", "4"}},
      {{"--filter-station", "10.0.0.1", "--direction", "<---"}, {"2"}},
      {{"--filter-station", "10.0.0.2,10.0.0.1", "--direction", "forward"}, {"2"}},
      {{"--filter-station", ",10.0.0.1", "--direction", "forward"}, {"2"}},
      {{"--filter-station", "00:00:00:00:00:01", "--direction", "forward"}, {"1", "3", "4"}},
      {{"--filter-station", "00:00:00:00:00:01,FF:FF:FF:FF:FF:FF"}, {"4"}},
      {{"--filter-station", "10.0.0.1", "--direction", "forward", "--filter-mismatch"}, {"2"}},
      {{"--filter-protocol", "TCP", "--filter-station", "Any,10.0.0.2"}, {"2", "3"}},
      {{"--filter-protocol", "TCP", "--filter-station", "Any,10.0.0.2", "--direction", "forward"},
       {"3"}},
      {{"--find", "hello"}, {"1"}},
      {{"--find-hex", "00 78 79"}, {"4"}},
      {{"--find-hex", "81 00 00 05"}, {"3"}},
      {{"--find", "nowhere"}, {}},
      {{"--filter-protocol", "TCP", "--find-hex", "0800"}, {"2", "3"}},
      {{"--frames", "3-", "--find-hex", "0800"}, {"3", "4"}},
  };
  for (const Case& k : cases) {
    std::vector<std::string> args = k.options;
    args.push_back("--tsv");
    args.push_back(c.file.path());
    std::string shown;
    for (const auto& a : k.options) shown += a + " ";
    const Result r = Dump(args);
    // No frame shown is no frame selected.
    ASSERT_EQ(r.status, k.frames.empty() ? 3 : 0) << shown << r.err;
    EXPECT_EQ(Numbers(r.out), k.frames) << shown;
  }
}

TEST(KestleDumpFilter, RejectedChoicesAndEmptySelections) {
  FilterCapture c;
  struct Case {
    std::vector<std::string> options;
    int status;
    std::string err;
  } cases[] = {
      {{"--filter-protocol", "SMB"},
       2,
       "kestle-dump: no protocol stack of the file matches 'SMB'\n"},
      {{"--filter-station", "10.9.9.9"}, 2, "kestle-dump: no station '10.9.9.9' in the file\n"},
      {{"--direction", "up"},
       2,
       "kestle-dump: --direction takes both, forward or back, not 'up'\n"
       "Try 'kestle-dump --help'\n"},
      {{"--find-hex", "0"},
       2,
       "kestle-dump: Hex string should contain an even number of hex digits\n"},
      {{"--find-hex", "0G"}, 2, "kestle-dump: Hex string contains an invalid hex digit\n"},
      {{"--find", ""}, 2, "kestle-dump: Please enter a string to find\n"},
      {{"--filter-station", "10.0.0.2,00:00:00:00:00:01", "--direction", "forward",
        "--filter-protocol", "ARP"},
       3,
       "No Frames were selected\n"},
  };
  for (const Case& k : cases) {
    std::vector<std::string> args = k.options;
    args.push_back(c.file.path());
    const Result r = Dump(args);
    EXPECT_EQ(r.status, k.status) << k.options[0];
    EXPECT_EQ(r.err, k.err) << k.options[0];
    EXPECT_EQ(r.out, "");
  }
}

TEST(KestleDumpFilter, StatisticsCountTheFilteredFrames) {
  FilterCapture c;
  const Result r = Dump({"--nodes", "--filter-protocol", "ARP", c.file.path()});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "Mac Address\tIP Address\tHost Name\tFrames Recv\tFrames Sent\tBytes Recv\tBytes Sent\n"
            "00:00:00:00:00:01\t10.0.0.1\t\t0\t1\t0\t60\n"
            "FF:FF:FF:FF:FF:FF\t\t\t1\t0\t60\t0\n");
}

TEST(KestleDumpFilter, HelpNamesTheOptions) {
  const Result r = Dump({"--help"});
  for (const char* option :
       {"--filter-protocol STACK", "--filter-station S1[,S2]", "--direction DIR",
        "--filter-mismatch", "--find TEXT", "--find-hex HEX"})
    EXPECT_NE(r.out.find(option), std::string::npos) << option;
}

}  // namespace
}  // namespace kestle
