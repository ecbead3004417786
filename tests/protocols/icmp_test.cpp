#include "protocols/icmp.h"

#include <gtest/gtest.h>

#include "decode/protocol_ids.h"
#include "protocols/ip_decode_fixture.h"
#include "protocols/ipv6.h"

namespace kestle::test {
namespace {

Bytes Udp(uint16_t src, uint16_t dst, size_t data = 4) { return UDPHeader(src, dst, -1, data, 0); }

class ICMPTest : public IpDecodeTest {
 protected:
  ICMPTest() { Skip = kIPv4Length; }
  Bytes Frame(const Bytes& icmp) { return EthernetFrame(IPv4Packet(1, icmp), 0x0800); }
};

class ICMPv6Test : public IpDecodeTest {
 protected:
  ICMPv6Test() { Skip = kIPv6Length; }
  Bytes Frame(const Bytes& icmp) { return EthernetFrame(IPv6Packet(58, icmp)); }
  // Frame offset of the ICMPv6 message.
  static constexpr uint32_t kAt = kEthernetLength + kIPv6Length;
};

// ---- ICMP

TEST_F(ICMPTest, Summary) {
  struct Case {
    Bytes message;
    std::string desc;
  } cases[] = {
      {{8, 0, 0, 0, 0, 1, 0, 1}, "/ICMP/Echo Request"},
      {{0, 0, 0, 0, 0, 1, 0, 1}, "/ICMP/Echo Reply"},
      {{18, 0, 0, 0}, "/ICMP/Address Mask Reply"},
      {{9, 0, 0, 0}, "/ICMP/"},  // an unassigned type within the table
      {{40, 0, 0, 0}, "/ICMP"},
      {{}, "/ICMP"},
  };
  for (const auto& k : cases) {
    EXPECT_EQ(RunSummary(Frame(k.message), ICMPSummary), k.desc);
    EXPECT_TRUE(StackHas(ProtoICMP));
  }
}

TEST_F(ICMPTest, TreeByType) {
  struct Case {
    const char* name;
    Bytes message;
    std::vector<std::string> fields;
  } cases[] = {
      {"echo request",
       {8, 0, 0xAB, 0xCD, 0x12, 0x34, 0, 1, 9, 9, 9},
       {"Type of message (1 byte) - 8 Echo Request", "Code (1 byte) - 0",
        "Checksum (2 bytes) - 0xABCD", "Identifier (2 bytes) - 0x1234",
        "Sequence Number (2 bytes) - 0x0001"}},
      {"port unreachable",
       {3, 3, 0, 0, 0, 0, 0, 0},
       {"Type of message (1 byte) - 3 Destination Unreachable",
        "Code (1 byte) - 3 Port Unreachable", "Checksum (2 bytes) - 0x0000",
        "Unused (4 bytes) - 0x00000000"}},
      {"unreachable code past the table",
       {3, 13, 0, 0, 0, 0, 0, 0},
       {"Type of message (1 byte) - 3 Destination Unreachable", "Code (1 byte) - 13",
        "Checksum (2 bytes) - 0x0000", "Unused (4 bytes) - 0x00000000"}},
      {"redirect",
       {5, 1, 0, 0, 192, 168, 10, 1},
       {"Type of message (1 byte) - 5 Redirect", "Code (1 byte) - 1 Redirect for host error",
        "Checksum (2 bytes) - 0x0000", "Gateway Address (4 bytes) - 192.168.10.1"}},
      {"time exceeded in reassembly",
       {11, 1, 0, 0, 0, 0, 0, 0},
       {"Type of message (1 byte) - 11 Time Exceeded",
        "Code (1 byte) - 1 Fragment reassembly time exceeded", "Checksum (2 bytes) - 0x0000"}},
      {"unknown type",
       {40, 0, 0, 0},
       {"Type of message (1 byte) - 40 unknown", "Code (1 byte) - 0",
        "Checksum (2 bytes) - 0x0000"}},
      {"timestamp request shows the fixed part only",
       {13, 0, 0, 0, 1, 2, 3, 4},
       {"Type of message (1 byte) - 13 Timestamp Request", "Code (1 byte) - 0",
        "Checksum (2 bytes) - 0x0000"}},
      // Short messages end at their last whole field.
      {"one byte", {3}, {"Type of message (1 byte) - 3 Destination Unreachable"}},
      {"three bytes",
       {3, 3, 0},
       {"Type of message (1 byte) - 3 Destination Unreachable",
        "Code (1 byte) - 3 Port Unreachable"}},
      {"short echo",
       {8, 0, 0, 0, 0x12},
       {"Type of message (1 byte) - 8 Echo Request", "Code (1 byte) - 0",
        "Checksum (2 bytes) - 0x0000"}},
      {"short unreachable",
       {3, 1, 0, 0, 0, 0, 0},
       {"Type of message (1 byte) - 3 Destination Unreachable",
        "Code (1 byte) - 1 Host Unreachable", "Checksum (2 bytes) - 0x0000"}},
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(k.name);
    const auto lines = RunTree(Frame(k.message), ICMPTree);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0].Text, "Internet Control Message Protocol (ICMP)");
    EXPECT_EQ(lines[0].Offset, kEthernetLength + kIPv4Length);
    EXPECT_EQ(lines[0].Length, k.message.size());
    EXPECT_EQ(AtDepth(lines, 1), k.fields);
    ExpectRangesInFrame(lines);
  }
  EXPECT_TRUE(RunTree(Frame({}), ICMPTree).empty());
}

// The quoted IPv4 header and ports hang under the ICMP item and point at
// their bytes in the frame.
TEST_F(ICMPTest, QuotedDatagramPointsAtItsBytes) {
  const Bytes quoted = IPv4Packet(17, Udp(40001, 33434), "192.168.10.23", "10.0.0.9");
  const Bytes f = Frame(Concat({{3, 3, 0, 0, 0, 0, 0, 0}, quoted}));
  const auto lines = RunTree(f, ICMPTree);
  ExpectRangesInFrame(lines);
  const Line* header = Find(lines, "Original IPv4 Header");
  ASSERT_NE(header, nullptr);
  const uint32_t at = kEthernetLength + kIPv4Length + 8;
  EXPECT_EQ(header->Depth, 1);
  EXPECT_EQ(header->Offset, at);
  const Line* src = Find(lines, "Source IP address");
  ASSERT_NE(src, nullptr);
  EXPECT_EQ(src->Offset, at + 12);
  EXPECT_NE(src->Text.find("192.168.10.23"), std::string::npos);
  const Line* udp = Find(lines, "Original UDP Header");
  ASSERT_NE(udp, nullptr);
  EXPECT_EQ(udp->Offset, at + kIPv4Length);
}

// ---- ICMPv6

TEST_F(ICMPv6Test, Summary) {
  struct Case {
    Bytes message;
    std::string desc;
  } cases[] = {
      {Icmpv6Echo(), "/ICMPv6/Echo Request"},
      {{129, 0, 0, 0, 0, 1, 0, 1}, "/ICMPv6/Echo Reply"},
      {{135, 0, 0, 0}, "/ICMPv6/Neighbor solicitation"},
      {{2}, "/ICMPv6/Packet too big"},
      {{200, 0, 0, 0}, "/ICMPv6/Unknown"},
      {{}, "/ICMPv6"},
  };
  for (const auto& k : cases) {
    EXPECT_EQ(RunSummary(Frame(k.message), ICMPv6Summary), k.desc);
    EXPECT_TRUE(StackHas(ProtoICMPV6));
  }
}

TEST_F(ICMPv6Test, TreeByType) {
  const Bytes target = IPv6Address("fe80::21a:a1ff:fe5c:2301");
  struct Case {
    const char* name;
    Bytes message;
    std::vector<std::string> fields;
  } cases[] = {
      {"echo request",
       Concat({{128, 0, 0x10, 0x8E, 0x1C, 0x2D, 0, 1}, Bytes(10)}),
       {"Type (1 byte) - 128 (Echo Request)", "Code (1 byte) - 0 ", "Checksum (2 bytes) - 0x108E",
        "Identifier (2 bytes) - 7213", "Sequence Number (2 bytes) - 1", "Data (10 bytes)"}},
      {"echo reply without data",
       {129, 0, 0, 0, 0, 1, 0, 2},
       {"Type (1 byte) - 129 (Echo Reply)", "Code (1 byte) - 0 ", "Checksum (2 bytes) - 0x0000",
        "Identifier (2 bytes) - 1", "Sequence Number (2 bytes) - 2"}},
      {"router solicitation",
       {133, 0, 0, 0, 0, 0, 0, 0},
       {"Type (1 byte) - 133 (Router solicitation)", "Code (1 byte) - 0 ",
        "Checksum (2 bytes) - 0x0000", "Reserved (4 bytes)"}},
      {"router advertisement without options",
       {134, 0, 0, 0, 64, 0xC0, 0x07, 0x08, 0, 0, 0x75, 0x30, 0, 0, 0x03, 0xE8},
       {"Type (1 byte) - 134 (Router Advertisement)", "Code (1 byte) - 0 ",
        "Checksum (2 bytes) - 0x0000", "Current Hop Count (1 byte) - 64", "Flags (1 byte) - 0xC0",
        "Router Lifetime (2 bytes) - 1800", "Reachable Time (4 bytes) - 30000",
        "Retrans Timer (4 bytes) - 1000"}},
      {"router advertisement cut in its fixed part",
       {134, 0, 0, 0, 64, 0xC0, 0x07, 0x08, 0, 0, 0x75, 0x30, 0, 0, 0x03},
       {"Type (1 byte) - 134 (Router Advertisement)", "Code (1 byte) - 0 ",
        "Checksum (2 bytes) - 0x0000"}},
      {"neighbor solicitation",
       Concat({{135, 0, 0, 0, 0, 0, 0, 0}, target}),
       {"Type (1 byte) - 135 (Neighbor solicitation)", "Code (1 byte) - 0 ",
        "Checksum (2 bytes) - 0x0000", "Reserved (4 bytes)",
        "Target Address (16 bytes) - FE80::21A:A1FF:FE5C:2301 (Link-Local Unicast)"}},
      {"neighbor advertisement",
       Concat({{136, 0, 0, 0, 0x60, 0, 0, 0}, target}),
       {"Type (1 byte) - 136 (Neighbor Advertisement)", "Code (1 byte) - 0 ",
        "Checksum (2 bytes) - 0x0000", "Flags (1 byte) - 0x60", "Reserved (3 bytes)",
        "Target Address (16 bytes) - FE80::21A:A1FF:FE5C:2301 (Link-Local Unicast)"}},
      {"neighbor advertisement cut in the target",
       {136, 0, 0, 0, 0x60, 0, 0, 0, 0xFE, 0x80},
       {"Type (1 byte) - 136 (Neighbor Advertisement)", "Code (1 byte) - 0 ",
        "Checksum (2 bytes) - 0x0000", "Flags (1 byte) - 0x60", "Reserved (3 bytes)"}},
      {"redirect",
       Concat({{137, 0, 0, 0, 0, 0, 0, 0}, target, target}),
       {"Type (1 byte) - 137 (Redirect)", "Code (1 byte) - 0 ", "Checksum (2 bytes) - 0x0000"}},
      {"unknown type",
       {200, 5, 0, 0},
       {"Type (1 byte) - 200 (Unknown)", "Code (1 byte) - 5 ", "Checksum (2 bytes) - 0x0000"}},
      {"port unreachable",
       {1, 4, 0, 0, 0, 0, 0, 0},
       {"Type (1 byte) - 1 (Destination Unreachable)", "Code (1 byte) - 4 (Port unreachable)",
        "Checksum (2 bytes) - 0x0000", "Reserved (4 bytes)"}},
      {"unreachable with an unlisted code",
       {1, 2, 0, 0, 0, 0, 0, 0},
       {"Type (1 byte) - 1 (Destination Unreachable)", "Code (1 byte) - 2 (Unknown)",
        "Checksum (2 bytes) - 0x0000", "Reserved (4 bytes)"}},
      {"packet too big",
       {2, 0, 0, 0, 0, 0, 0x05, 0xDC},
       {"Type (1 byte) - 2 (Packet too big)", "Code (1 byte) - 0 ", "Checksum (2 bytes) - 0x0000",
        "MTU (4 bytes) - 1500"}},
      {"hop limit exceeded",
       {3, 0, 0, 0, 0, 0, 0, 0},
       {"Type (1 byte) - 3 (Time exceeded)", "Code (1 byte) - 0 (Hop limit exceeded in transit)",
        "Checksum (2 bytes) - 0x0000", "Reserved (4 bytes)"}},
      {"parameter problem",
       {4, 1, 0, 0, 0, 0, 0, 40},
       {"Type (1 byte) - 4 (Parameter Problem)",
        "Code (1 byte) - 1 (Unrecognized Next Header type encountered)",
        "Checksum (2 bytes) - 0x0000", "Pointer (4 bytes) - 40"}},
      // An error message shorter than its 8-byte header shows what it has.
      {"short error",
       {2, 0, 0, 0, 0, 0},
       {"Type (1 byte) - 2 (Packet too big)", "Code (1 byte) - 0 ", "Checksum (2 bytes) - 0x0000"}},
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(k.name);
    const auto lines = RunTree(Frame(k.message), ICMPv6Tree);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0].Text, "Internet Control Message Protocol Version 6 (ICMPv6)");
    EXPECT_EQ(lines[0].Offset, kAt);
    EXPECT_EQ(lines[0].Length, k.message.size());
    EXPECT_EQ(AtDepth(lines, 1), k.fields);
    ExpectRangesInFrame(lines);
  }
  for (size_t n = 0; n <= 3; ++n)
    EXPECT_TRUE(RunTree(Frame(Bytes(n, 128)), ICMPv6Tree).empty()) << n;
}

TEST_F(ICMPv6Test, FlagPictures) {
  struct Case {
    Bytes message;
    std::vector<std::string> flags;
  } cases[] = {
      {{134, 0, 0, 0, 64, 0xA0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
       {"1... ....  = Managed", ".0.. ....  = Not Other", "..1. ....  = Home Agent"}},
      {Concat({{136, 0, 0, 0, 0x60, 0, 0, 0}, Bytes(16)}),
       {"0... ....  = Not Router", ".1.. ....  = Solicited", "..1. ....  = Override"}},
  };
  for (const auto& k : cases) {
    const auto lines = RunTree(Frame(k.message), ICMPv6Tree);
    EXPECT_EQ(AtDepth(lines, 2), k.flags);
    for (const auto& l : lines)
      if (l.Depth == 2) {
        EXPECT_EQ(l.Offset, kAt + (k.message[0] == 134 ? 5 : 4));
      }
  }
}

// Each neighbour discovery option, after a Neighbor Solicitation's 24 bytes.
TEST_F(ICMPv6Test, NeighbourDiscoveryOptions) {
  const Bytes ns = Concat({{135, 0, 0, 0, 0, 0, 0, 0}, IPv6Address("fe80::1")});
  const Bytes prefix = Concat({{3, 4, 64, 0xC0, 0, 0x27, 0x8D, 0, 0, 0, 0x93, 0xA8, 0, 0, 0, 0},
                               IPv6Address("2001:db8:10::")});
  struct Case {
    const char* name;
    Bytes options;
    std::vector<std::string> lines;  // under "ICMPv6 Options", in tree order
  } cases[] = {
      {"source link-layer address",
       {1, 1, 0x00, 0x1B, 0x21, 0x3A, 0x4F, 0x10},
       {"Option: 1 (Source Link-Layer Address)", "Type (1 byte) - 1 (Source Link-Layer Address)",
        "Length (1 byte) - 1 (8 bytes)", "Link Address (6 bytes) - 00:1B:21:3A:4F:10"}},
      {"target link-layer address",
       {2, 1, 0x00, 0x1A, 0xA1, 0x5C, 0x23, 0x01},
       {"Option: 2 (Target Link-Layer Address)", "Type (1 byte) - 2 (Target Link-Layer Address)",
        "Length (1 byte) - 1 (8 bytes)", "Link Address (6 bytes) - 00:1A:A1:5C:23:01"}},
      {"prefix information",
       prefix,
       {"Option: 3 (Prefix Information)", "Type (1 byte) - 3 (Prefix Information)",
        "Length (1 byte) - 4 (32 bytes)", "Prefix Length (1 byte) - 64", "Flags (1 byte) - 0xC0",
        "1... ....  = OnLink", ".1.. ....  = Autonomous", "..0. ....  = Not Router Address",
        "...0 ....  = Not Site Prefix", "Valid Lifetime (4 bytes) - 0x00278D00",
        "Preferred Lifetime (4 bytes) - 0x000093A8", "Reserved (4 bytes)",
        "Prefix (16 bytes) - 2001:DB8:10::"}},
      {"redirected header",
       {4, 1, 0, 0, 0, 0, 0, 0},
       {"Option: 4 (Redirected Header)", "Type (1 byte) - 4 (Redirected Header)",
        "Length (1 byte) - 1 (8 bytes)"}},
      {"MTU",
       {5, 1, 0, 0, 0, 0, 0x05, 0xDC},
       {"Option: 5 (MTU)", "Type (1 byte) - 5 (MTU)", "Length (1 byte) - 1 (8 bytes)",
        "Reserved (2 bytes)", "MTU (4 bytes) - 1500"}},
      {"unknown option",
       {14, 1, 1, 2, 3, 4, 5, 6},
       {"Option: 14 (Unknown)", "Type (1 byte) - 14 (Unknown)", "Length (1 byte) - 1 (8 bytes)"}},
      {"a prefix option too short for its fields shows only its head",
       {3, 1, 64, 0xC0, 0, 0, 0, 0},
       {"Option: 3 (Prefix Information)", "Type (1 byte) - 3 (Prefix Information)",
        "Length (1 byte) - 1 (8 bytes)"}},
      {"zero length ends the walk", {1, 0, 0, 0, 0, 0, 0, 0}, {}},
      {"option past the end ends the walk",
       {5, 1, 0, 0, 0, 0, 0x05, 0xDC, 1, 2, 0, 0, 0, 0, 0, 0},
       {"Option: 5 (MTU)", "Type (1 byte) - 5 (MTU)", "Length (1 byte) - 1 (8 bytes)",
        "Reserved (2 bytes)", "MTU (4 bytes) - 1500"}},
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(k.name);
    const auto lines = RunTree(Frame(Concat({ns, k.options})), ICMPv6Tree);
    ExpectRangesInFrame(lines);
    const Line* list = Find(lines, "ICMPv6 Options");
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->Offset, kAt + 24);
    EXPECT_EQ(list->Length, k.options.size());
    std::vector<std::string> under;
    for (const auto& l : lines)
      if (l.Depth > 1) under.push_back(l.Text);
    EXPECT_EQ(under, k.lines);
  }
  // The option's items point at its bytes.
  const auto lines = RunTree(Frame(Concat({ns, prefix})), ICMPv6Tree);
  const Line* p = Find(lines, "Prefix (16 bytes)");
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->Offset, kAt + 24 + 16);
  EXPECT_TRUE(Find(RunTree(Frame(ns), ICMPv6Tree), "ICMPv6 Options") == nullptr);
}

TEST_F(ICMPv6Test, RouterAdvertisementOptionsFollowTheFixedPart) {
  const Bytes ra = {134, 0, 0, 0, 64, 0, 0x07, 0x08, 0, 0, 0,    0,
                    0,   0, 0, 0, 5,  1, 0,    0,    0, 0, 0x05, 0xDC};
  const auto lines = RunTree(Frame(ra), ICMPv6Tree);
  const Line* list = Find(lines, "ICMPv6 Options");
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->Offset, kAt + 16);
  EXPECT_NE(Find(lines, "MTU (4 bytes) - 1500"), nullptr);
}

// An error message quotes the offending packet: its header items point at
// the quoted bytes of the frame.
TEST_F(ICMPv6Test, QuotedPacketPointsAtItsBytes) {
  const Bytes quoted = IPv6Packet(58, Icmpv6Echo(), "2001:db8:10::23", "2001:db8:300::1");
  const auto lines = RunTree(Frame(Concat({{2, 0, 0, 0, 0, 0, 0x05, 0x00}, quoted})), ICMPv6Tree);
  ExpectRangesInFrame(lines);
  const uint32_t at = kAt + 8;
  struct Want {
    std::string text;
    uint32_t offset, length;
    int depth;
  } wants[] = {
      {"Original Internet Protocol Version 6 (IPV6)", at, 40, 1},
      {"Payload Length (2 bytes) - 12", at + 4, 2, 2},
      {"Source Address (16 bytes) - 2001:DB8:10::23", at + 8, 16, 2},
      {"Destination Address (16 bytes) - 2001:DB8:300::1", at + 24, 16, 2},
      // The quoted packet's own upper layer hangs under the error message too.
      {"Internet Control Message Protocol Version 6 (ICMPv6)", at + 40, 12, 1},
      {"Identifier (2 bytes) - 7", at + 44, 2, 2},
  };
  for (const auto& w : wants) {
    const Line* l = nullptr;
    for (const auto& x : lines)
      if (x.Text == w.text && x.Offset == w.offset) l = &x;
    ASSERT_NE(l, nullptr) << w.text;
    EXPECT_EQ(l->Length, w.length) << w.text;
    EXPECT_EQ(l->Depth, w.depth) << w.text;
  }
  EXPECT_EQ(c.Nesting, 0);
  EXPECT_EQ(c.PacketOffset, kAt);  // the layer is restored after the quote
}

TEST_F(ICMPv6Test, QuotedUdpPortsAreShown) {
  const Bytes quoted = IPv6Packet(17, Udp(40001, 33434), "2001:db8:10::23", "2001:db8:300::1");
  const auto lines = RunTree(Frame(Concat({{1, 4, 0, 0, 0, 0, 0, 0}, quoted})), ICMPv6Tree);
  const Line* udp = Find(lines, "Original UDP Header");
  ASSERT_NE(udp, nullptr);
  EXPECT_EQ(udp->Offset, kAt + 8 + kIPv6Length);
  EXPECT_EQ(udp->Depth, 1);
}

TEST_F(ICMPv6Test, QuotesInsideQuotesStopAtTheNestingLimit) {
  Bytes message = Icmpv6Echo();
  for (int i = 0; i < 3 * kMaxNesting; ++i)
    message = Concat({{3, 0, 0, 0, 0, 0, 0, 0}, IPv6Packet(58, message)});
  const auto lines = RunTree(Frame(message), ICMPv6Tree);
  ExpectRangesInFrame(lines);
  EXPECT_EQ(Count(lines, "Original Internet Protocol Version 6"), size_t{kMaxNesting});
  EXPECT_EQ(c.Nesting, 0);
}

TEST_F(ICMPTest, QuotesInsideQuotesStopAtTheNestingLimit) {
  Bytes message = {8, 0, 0, 0, 0, 1, 0, 1};
  for (int i = 0; i < 3 * kMaxNesting; ++i)
    message = Concat({{3, 3, 0, 0, 0, 0, 0, 0}, IPv4Packet(1, message)});
  const auto lines = RunTree(Frame(message), ICMPTree);
  ExpectRangesInFrame(lines);
  EXPECT_EQ(Count(lines, "Original IPv4 Header"), size_t{kMaxNesting});
  EXPECT_EQ(c.Nesting, 0);
}

// Every cut of these messages decodes without reading past the frame.
TEST_F(ICMPv6Test, TruncatedAnywhere) {
  const Bytes messages[] = {
      Concat({{134, 0, 0, 0, 64, 0xC0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
              {1, 1, 0, 0x1B, 0x21, 0x3A, 0x4F, 0x10},
              {3, 4, 64, 0xC0, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 0},
              IPv6Address("2001:db8::")}),
      Concat({{1, 4, 0, 0, 0, 0, 0, 0},
              IPv6Packet(0, Concat({{58, 0, 1, 4, 0, 0, 0, 0}, Icmpv6Echo()}))}),
  };
  for (const auto& m : messages)
    for (size_t n = 0; n <= m.size(); ++n) {
      SCOPED_TRACE(n);
      const Bytes f = Frame(Bytes(m.begin(), m.begin() + n));
      RunSummary(f, ICMPv6Summary);
      ExpectRangesInFrame(RunTree(f, ICMPv6Tree));
    }
}

TEST_F(ICMPTest, TruncatedAnywhere) {
  const Bytes m = Concat({{3, 3, 0, 0, 0, 0, 0, 0}, IPv4Packet(17, Udp(1, 2))});
  for (size_t n = 0; n <= m.size(); ++n) {
    SCOPED_TRACE(n);
    const Bytes f = Frame(Bytes(m.begin(), m.begin() + n));
    RunSummary(f, ICMPSummary);
    ExpectRangesInFrame(RunTree(f, ICMPTree));
  }
}

}  // namespace
}  // namespace kestle::test
