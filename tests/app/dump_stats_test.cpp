// kestle-dump's statistics: --nodes, --sessions, --graph N.
#include <gtest/gtest.h>

#include <sstream>

#include "app/dump.h"
#include "protocols/transport_fixture.h"
#include "support/builders.h"
#include "support/dump_run.h"
#include "support/packets.h"

namespace kestle {
namespace {

using namespace test;

using test::Dump;
using Result = test::DumpResult;

// Two stations: a UDP datagram of 1500 bytes on the wire (60 captured)
// from A to B, a TCP segment back, an ARP broadcast from A, a second later.
struct StatsCapture {
  TempFile file;
  static Bytes Build() {
    IPv4Spec udp;
    udp.protocol = 17;
    const Bytes ab = FrameBuilder()
                         .ether("00:00:00:00:00:02", "00:00:00:00:00:01", 0x0800)
                         .raw(IPv4Packet(udp, UDPHeader(40000, 40001, -1, 18)))
                         .bytes();
    IPv4Spec tcp;
    tcp.src = "10.0.0.2";
    tcp.dst = "10.0.0.1";
    const Bytes ba = FrameBuilder()
                         .ether("00:00:00:00:00:01", "00:00:00:00:00:02", 0x0800)
                         .raw(IPv4Packet(tcp, TCPHeader(40003, 40002, 0x10)))
                         .padTo(60)
                         .bytes();
    const Bytes arp = FrameBuilder()
                          .ether("ff:ff:ff:ff:ff:ff", "00:00:00:00:00:01", 0x0806)
                          .raw(ArpRequest("00:00:00:00:00:01", "10.0.0.1", "10.0.0.2"))
                          .padTo(60)
                          .bytes();
    return PcapFile({{ab, 100, 0, 1500}, {ba, 100, 5, 0}, {arp, 101, 0, 0}});
  }
  StatsCapture() : file(Build()) {}
};

TEST(KestleDumpStats, NodesSessionsAndGraphs) {
  StatsCapture c;
  const Result nodes = Dump({"--nodes", c.file.path()});
  ASSERT_EQ(nodes.status, 0) << nodes.err;
  EXPECT_EQ(nodes.out,
            "Mac Address\tIP Address\tHost Name\tFrames Recv\tFrames Sent\tBytes Recv\tBytes Sent\n"
            "00:00:00:00:00:01\t10.0.0.1\t\t1\t2\t60\t1560\n"
            "00:00:00:00:00:02\t10.0.0.2\t\t1\t1\t1500\t60\n"
            "FF:FF:FF:FF:FF:FF\t\t\t1\t0\t60\t0\n");

  const Result sessions = Dump({"--sessions", c.file.path()});
  ASSERT_EQ(sessions.status, 0);
  EXPECT_EQ(sessions.out,
            "Station MAC\tStation IP\tMAC Address\tIP Address\tProtocol\tFrames From\tBytes From\t"
            "Frames To\tBytes To\n"
            // By partner MAC; the two equal rows of each station as the sort leaves them.
            "00:00:00:00:00:01\t10.0.0.1\t00:00:00:00:00:02\t10.0.0.2\tUDP\t0\t0\t1\t1500\n"
            "00:00:00:00:00:01\t10.0.0.1\t00:00:00:00:00:02\t10.0.0.2\tTCP\t1\t60\t0\t0\n"
            "00:00:00:00:00:01\t10.0.0.1\tFF:FF:FF:FF:FF:FF\t\tARP\t0\t0\t1\t60\n"
            "00:00:00:00:00:02\t10.0.0.2\t00:00:00:00:00:01\t10.0.0.1\tUDP\t1\t1500\t0\t0\n"
            "00:00:00:00:00:02\t10.0.0.2\t00:00:00:00:00:01\t10.0.0.1\tTCP\t0\t0\t1\t60\n"
            "FF:FF:FF:FF:FF:FF\t\t00:00:00:00:00:01\t10.0.0.1\tARP\t1\t60\t0\t0\n");

  struct Case {
    int kind;
    std::string text;
  } cases[] = {
      {1,
       "Packet Size Distribution\nSize\tPackets\tPercent\n<64\t2\t66.67 %\n64-127\t0\t0 %\n"
       "128-255\t0\t0 %\n256-511\t0\t0 %\n512-1023\t0\t0 %\n>1023\t1\t33.33 %\n"},
      {2,
       "Frame Destination Type\nDestination Type\tPackets\tPercent\nUnicast\t2\t66.67 %\n"
       "Broadcast\t1\t33.33 %\nMulticast\t0\t0 %\n"},
      {3,
       "Protocol Distribution\nProtocol\tPackets\tPercent\nARP\t1\t33.33 %\nTCP\t1\t33.33 %\n"
       "UDP\t1\t33.33 %\n"},
      {4,
       "Most Traffic (Sender)\nNode\tPackets\tPercent\n10.0.0.1\t2\t66.67 %\n10.0.0.2\t1\t33.33 "
       "%\n"},
      {5,
       "Most Traffic (Receiver)\nNode\tPackets\tPercent\n10.0.0.1\t1\t33.33 %\n10.0.0.2\t1\t33.33 "
       "%\n"
       "Broadcast\t1\t33.33 %\n"},
      {6, "Packet Throughput\nTime\tPackets\n0\t0\n0\t2\n1\t1\n"},
  };
  for (const Case& k : cases) {
    const Result g = Dump({"--graph", std::to_string(k.kind), c.file.path()});
    EXPECT_EQ(g.status, 0);
    EXPECT_EQ(g.out, k.text) << "graph " << k.kind;
  }

  // Several at once, one after the other.
  const Result both = Dump({"--graph", "6", "--nodes", c.file.path()});
  EXPECT_EQ(both.out, nodes.out + "\n" + cases[5].text);
}

TEST(KestleDumpStats, OptionsAreDocumentedAndChecked) {
  const Result help = Dump({"--help"});
  for (const char* option : {"--nodes", "--sessions", "--graph N"})
    EXPECT_NE(help.out.find(option), std::string::npos) << option;
  for (const char* bad : {"0", "7", "x", "-1"}) {
    const Result r = Dump({"--graph", bad, "file.pcap"});
    EXPECT_EQ(r.status, 2) << bad;
    EXPECT_NE(r.err.find("--graph takes a number from 1 to 6"), std::string::npos) << r.err;
  }
  EXPECT_EQ(Dump({"--nodes", "/nonexistent.pcap"}).status, 1);
}

}  // namespace
}  // namespace kestle
