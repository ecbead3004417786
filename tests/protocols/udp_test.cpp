#include "protocols/udp.h"

#include <gtest/gtest.h>

#include "protocols/ipv4.h"
#include "protocols/transport_fixture.h"

namespace kestle::test {
namespace {

using UDP = TransportFixture;

Bytes Datagram(uint16_t src, uint16_t dst, size_t payload, int length = -1) {
  IPv4Spec s;
  s.protocol = 17;
  return IPv4Packet(s, UDPHeader(src, dst, length, payload));
}

TEST_F(UDP, DescriptionAndDecoderByPort) {
  struct Case {
    uint16_t src, dst;
    std::string summary;
    uint16_t protocol;
  } cases[] = {
      {1030, 53, "/IPV4/UDP/DNS/Query", ProtoDNS},
      {53, 1030, "/IPV4/UDP/DNS/Query", ProtoDNS},
      {5000, 161, "/IPV4/UDP/SNMP", ProtoSNMP},
      {40000, 40001, "/IPV4/UDP/Unknown", ProtoUDP},
      {40000, 80, "/IPV4/UDP/Unknown", ProtoUDP},  // port 80 is listed for TCP only
      {123, 161, "/IPV4/UDP/NTP", ProtoNTP},       // the source port first
      // RADIUS has no summary over UDP, BGP no decoder over UDP at all: the
      // description is not used for them.
      {40000, 1812, "/IPV4/UDP", ProtoUDP},
      {1813, 40000, "/IPV4/UDP", ProtoUDP},
      {40000, 179, "/IPV4/UDP", ProtoUDP},
      {1723, 40000, "/IPV4/UDP", ProtoUDP},
  };
  for (const auto& k : cases) {
    EXPECT_EQ(Summary(Datagram(k.src, k.dst, 4)), k.summary);
    EXPECT_EQ(rec.SrcPort, k.src);
    EXPECT_EQ(rec.DstPort, k.dst);
    EXPECT_EQ(session.Paths.ProtocolOf(c.FrameProtocol), k.protocol) << k.summary;
  }
}

TEST_F(UDP, HeaderLines) {
  Tree(Datagram(1030, 53, 4));
  EXPECT_EQ(Find("UDP Header")->Text, "UDP Header (8 bytes)");
  EXPECT_EQ(Find("UDP Header")->Image, TreeImage::Datagram);
  EXPECT_EQ(Find("Source port")->Text, "Source port (2 bytes) - 1030 (Unknown)");
  EXPECT_EQ(Find("Destination port")->Text, "Destination port (2 bytes) - 53 (DNS)");
  EXPECT_EQ(Find("Message Length")->Text, "Message Length (2 bytes) - 12");
  EXPECT_EQ(Find("Checksum (2 bytes) - 0xABCD")->Offset, 14u + 20 + 6);
}

// What is handed on after the header when the Message Length disagrees
// with the bytes present.
TEST_F(UDP, MessageLength) {
  struct Case {
    const char* name;
    size_t payload;
    int length;
    uint32_t data;  // length of "Data ()", 0 = none
  } cases[] = {
      {"exact", 10, -1, 10},
      {"longer than the bytes", 10, 200, 10},
      {"shorter than the bytes", 10, 12, 4},
      {"below the header", 10, 3, 10},
      {"zero", 10, 0, 10},
      {"no payload", 0, -1, 0},
  };
  for (const auto& k : cases) {
    const Bytes packet = Datagram(40000, 40001, k.payload, k.length);
    Summary(packet);
    EXPECT_EQ(c.PacketLen, k.data) << k.name;
    Tree(packet);
    const DetailNode* data = Find("Data");
    EXPECT_EQ(data ? data->Length : 0u, k.data) << k.name;
    if (data) {
      EXPECT_EQ(data->Parent, nullptr) << k.name;
    }
  }
}

// What follows the header, by the port's decoder: data for code 0 (and for
// a decoder not built in), nothing for a code UDP does not decode.
TEST_F(UDP, PayloadBranchByDecoder) {
  struct Case {
    uint16_t src, dst;
    bool data;
  } cases[] = {
      {40000, 40001, true},  // no entry: "Data Only"
      {40000, 179, false},   // BGP: TCP only
      {2065, 40000, false},  // DLSw
      {40000, 443, false},   // SSL/TLS
      {40000, 25, false},    // SMTP
  };
  for (const auto& k : cases) {
    Tree(Datagram(k.src, k.dst, 6));
    const DetailNode* data = Find("Data");
    EXPECT_EQ(data != nullptr, k.data) << k.src << " -> " << k.dst;
    EXPECT_EQ(tree.Roots.size(), k.data ? 3u : 2u) << k.src << " -> " << k.dst;
  }
}

TEST_F(UDP, ShortDatagramRecordsNoPorts) {
  IPv4Spec s;
  s.protocol = 17;
  const Bytes packet = IPv4Packet(s, {0x9C, 0x40, 0x00, 0x35, 0x00});
  EXPECT_EQ(Summary(packet), "/IPV4/UDP");
  EXPECT_EQ(rec.SrcPort, 0u);
  EXPECT_EQ(rec.DstPort, 0u);
  Tree(packet);
  EXPECT_EQ(Find("UDP Header")->Length, 5u);
  EXPECT_NE(Find("Destination port"), nullptr);
  EXPECT_EQ(Find("Message Length"), nullptr);
}

TEST_F(UDP, QuotedHeaderAndPayloadHangUnderTheParent) {
  const Bytes udp = UDPHeader(1030, 40001, -1, 3);
  Load(udp);
  c.Tree = &tree;
  DetailNode* icmp = tree.Add(nullptr, "ICMP", 0, 0, TreeImage::Protocol);
  c.Quoted = true;
  UDPTree(c, icmp);
  ASSERT_EQ(icmp->Children.size(), 2u);
  EXPECT_EQ(icmp->Children[0]->Text, "Original UDP Header (8 bytes)");
  EXPECT_EQ(icmp->Children[1]->Text, "Data (3 bytes)");
}

}  // namespace
}  // namespace kestle::test
