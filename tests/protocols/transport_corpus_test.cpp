// The IPv4 addresses and TCP/UDP ports of the capture corpus against the
// reference decoder's values.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <optional>

#include "decode/context.h"
#include "output/grid.h"
#include "protocols/ipv4.h"
#include "support/builders.h"
#include "support/expected.h"
#include "support/session_fixture.h"

namespace kestle::test {
namespace {

// The protocol right after the outermost IPv4 header, from the reference
// decoder's protocol list ("eth:ethertype:ip:tcp:http" -> "tcp").
std::string CarriedByOuterIP(const std::string& protocols) {
  const size_t ip = protocols.find(":ip:");
  if (ip == std::string::npos) return {};
  const size_t start = ip + 4;
  return protocols.substr(start, protocols.find(':', start) - start);
}

struct Row {
  std::string src, dst, srcPort, dstPort;  // ports empty: not compared
};

// What our grid must show for a frame, or nothing to compare. Ports are
// those of a TCP or UDP header right after the outermost IPv4 header (the
// reference takes an ICMP error's ports from the quoted datagram, which
// records none here). A fragmented datagram's ports sit on its first
// fragment with us and on the reassembling one with the reference, so
// fragments are left out of the port comparison. 0.0.0.0 names no station.
std::optional<Row> Expect(const ExpectedFrame& e) {
  if (e["ip.src"].empty()) return std::nullopt;
  Row r{FirstValue(e["ip.src"]), FirstValue(e["ip.dst"]), "", ""};
  const std::string carried = CarriedByOuterIP(e["frame.protocols"]);
  if (carried == "tcp") {
    r.srcPort = FirstValue(e["tcp.srcport"]);
    r.dstPort = FirstValue(e["tcp.dstport"]);
  } else if (carried == "udp") {
    r.srcPort = FirstValue(e["udp.srcport"]);
    r.dstPort = FirstValue(e["udp.dstport"]);
  }
  return r;
}

struct OuterHeader {
  bool Fragment = false;
  // The reference shows a source route's final address as the destination;
  // we show the header's Destination field.
  bool SourceRouted = false;
};

OuterHeader Inspect(const uint8_t* ip, size_t len) {
  OuterHeader h;
  h.Fragment = ((ip[6] << 8 | ip[7]) & 0x3FFF) != 0;
  const size_t end = std::min<size_t>((ip[0] & 0x0F) * 4, len);
  for (size_t p = 20; p < end;) {
    const uint8_t type = ip[p];
    if (type == 0x83 || type == 0x89) h.SourceRouted = true;
    if (type == 0 || type == 1 || p + 1 >= end || ip[p + 1] < 2) {
      ++p;
      continue;
    }
    p += ip[p + 1];
  }
  return h;
}

// IPv4 carried in PPPoE sessions or behind MPLS labels is reached only once
// those carriers have decoders of their own; until then such frames show
// their MAC addresses.
bool BehindUndecodedCarrier(const std::string& protocols) {
  return protocols.find("pppoes") != std::string::npos ||
         protocols.find("mpls") != std::string::npos;
}

void Compare(const Row& want, const std::string& src, const std::string& dst,
             const std::string& sport, const std::string& dport, OuterHeader h, int frame) {
  const bool fragment = h.Fragment;
  if (want.src != "0.0.0.0") {
    EXPECT_EQ(src, want.src) << "frame " << frame;
  }
  if (!h.SourceRouted) {
    EXPECT_EQ(dst, want.dst) << "frame " << frame;
  }
  if (want.srcPort.empty() || fragment) return;
  EXPECT_EQ(sport, want.srcPort) << "frame " << frame;
  EXPECT_EQ(dport, want.dstPort) << "frame " << frame;
}

// The IPv4 decoder on every untagged IPv4 frame of the capture.
TEST(TransportCorpus, IPv4DecoderOnEthernetFrames) {
  SessionFixture f;
  ASSERT_TRUE(f.Open(CapturePath("mixed.pcap")));
  const auto expected = LoadExpected("mixed.pcap");
  ASSERT_EQ(expected.size(), f.session.FrameCount);
  DecodeContext c(f.session, f.env);
  int compared = 0;
  for (uint32_t n = 1; n <= f.session.FrameCount; ++n) {
    const uint32_t len = f.session.ReadFrame(n);
    const auto& raw = f.session.Input.RawFrame;
    if (len < 34 || raw[12] != 0x08 || raw[13] != 0x00) continue;
    const auto want = Expect(expected[n - 1]);
    ASSERT_TRUE(want) << "frame " << n;
    FrameTabRec rec;
    c.LoadFrame(raw.data(), len);
    std::memcpy(c.DstMac, raw.data(), 6);
    std::memcpy(c.SrcMac, raw.data() + 6, 6);
    c.enter(14);
    c.FrameNo = n;
    c.Rec = &rec;
    c.Desc.clear();
    IPv4Summary(c);
    c.Rec = nullptr;
    Compare(*want, NodeText(f.session, rec.SrcNode), NodeText(f.session, rec.DstNode),
            std::to_string(rec.SrcPort), std::to_string(rec.DstPort), Inspect(&raw[14], len - 14),
            n);
    ++compared;
  }
  EXPECT_GT(compared, 150);
}

// The grid's Source Node, Dest Node, S-Port and D-Port columns of every
// frame with IPv4, through the whole summary pass: behind Ethernet, and
// behind the other link units (the IP frames of the same capture).
struct GridCase {
  const char* file;
  uint32_t linkHeader;  // where the search for the outermost IPv4 header starts
};

class GridShowsOuterAddressesAndPorts : public ::testing::TestWithParam<GridCase> {};

TEST_P(GridShowsOuterAddressesAndPorts, AsTheReferenceReadsThem) {
  SessionFixture f;
  ASSERT_TRUE(f.Open(CapturePath(GetParam().file)));
  const auto expected = LoadExpected(GetParam().file);
  ASSERT_EQ(expected.size(), f.session.FrameCount);
  int compared = 0;
  for (uint32_t n = 1; n <= f.session.FrameCount; ++n) {
    const auto want = Expect(expected[n - 1]);
    if (!want || BehindUndecodedCarrier(expected[n - 1]["frame.protocols"])) continue;
    const uint32_t len = f.session.ReadFrame(n);
    const auto& raw = f.session.Input.RawFrame;
    // The outermost IPv4 header, wherever the link layer put it: the first
    // position holding a version 4 header with its own source address.
    OuterHeader outer;
    const uint32_t want32 = ParseIPv4(want->src);
    for (uint32_t at = GetParam().linkHeader; at + 20 <= len; ++at)
      if ((raw[at] & 0xF0) == 0x40 && (uint32_t{raw[at + 12]} << 24 | raw[at + 13] << 16 |
                                       raw[at + 14] << 8 | raw[at + 15]) == want32) {
        outer = Inspect(&raw[at], len - at);
        break;
      }
    Compare(*want, FrameCellText(f.session, n, 'D'), FrameCellText(f.session, n, 'F'),
            FrameCellText(f.session, n, 'E'), FrameCellText(f.session, n, 'G'), outer, n);
    ++compared;
  }
  EXPECT_GT(compared, 150);
}

INSTANTIATE_TEST_SUITE_P(
    LinkTypes, GridShowsOuterAddressesAndPorts,
    ::testing::Values(GridCase{"mixed.pcap", 14}, GridCase{"mixed-cooked.pcap", 16},
                      GridCase{"mixed-cooked2.pcap", 20}, GridCase{"mixed-raw.pcap", 0},
                      GridCase{"mixed-null.pcap", 4}, GridCase{"mixed-null-be.pcap", 4},
                      GridCase{"mixed-loop.pcap", 4}),
    [](const ::testing::TestParamInfo<GridCase>& info) { return CaseName(info.param.file); });

// Both directions of each TCP connection share a session; different
// connections do not.
TEST(TransportCorpus, TcpSessionsFollowConnections) {
  SessionFixture f;
  ASSERT_TRUE(f.Open(CapturePath("mixed.pcap")));
  const auto expected = LoadExpected("mixed.pcap");
  std::map<std::string, uint32_t> sessionOf;  // connection -> session
  std::map<uint32_t, std::string> connectionOf;
  for (uint32_t n = 1; n <= f.session.FrameCount; ++n) {
    const ExpectedFrame& e = expected[n - 1];
    if (CarriedByOuterIP(e["frame.protocols"]) != "tcp" ||
        BehindUndecodedCarrier(e["frame.protocols"]))
      continue;
    std::string a = FirstValue(e["ip.src"]) + ":" + FirstValue(e["tcp.srcport"]);
    std::string b = FirstValue(e["ip.dst"]) + ":" + FirstValue(e["tcp.dstport"]);
    if (b < a) std::swap(a, b);
    const std::string conn = a + "-" + b;
    const uint32_t s = f.session.FrameTable[n].TcpSession;
    ASSERT_NE(s, 0u) << "frame " << n;
    auto [it, added] = sessionOf.emplace(conn, s);
    EXPECT_EQ(it->second, s) << "frame " << n << " " << conn;
    auto [jt, fresh] = connectionOf.emplace(s, conn);
    EXPECT_EQ(jt->second, conn) << "frame " << n;
  }
  EXPECT_GT(sessionOf.size(), 5u);
}

}  // namespace
}  // namespace kestle::test
