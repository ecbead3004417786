#include "protocols/ipv4.h"

#include <gtest/gtest.h>

#include "decode/text.h"
#include "output/grid.h"
#include "protocols/transport_fixture.h"

namespace kestle::test {
namespace {

using IPv4 = TransportFixture;

// Lines under "IP Options ()" for the options of a header.
TEST_F(IPv4, OptionsWalk) {
  struct Case {
    const char* name;
    Bytes options;
    std::vector<std::string> lines;
  } cases[] = {
      {"record route",
       {0x07, 0x07, 0x04, 0x0A, 0x00, 0x00, 0x01, 0x00},
       {"  IP Options (8 bytes)", "    Option 7 Record Route", "      Class (2 bits) - 0",
        "      Number (2 bits) - 7 (Record Route)", "      Length (1 byte) - 7",
        "      Option Data (5 bytes) - 0x040A000001", "    Option 0 End of Option List",
        "      Class (2 bits) - 0", "      Number (2 bits) - 0 (End of Option List)"}},
      {"timestamp, class 2",
       {0x44, 0x04, 0x05, 0x00},
       {"  IP Options (4 bytes)", "    Option 4 Internet TimeStamp", "      Class (2 bits) - 2",
        "      Number (2 bits) - 4 (Internet TimeStamp)", "      Length (1 byte) - 4",
        "      Option Data (2 bytes) - 0x0500"}},
      {"loose source route and no-op",
       {0x83, 0x07, 0x04, 0xC0, 0xA8, 0x00, 0x01, 0x01},
       {"  IP Options (8 bytes)", "    Option 3 Loose Source Routing", "      Class (2 bits) - 0",
        "      Number (2 bits) - 3 (Loose Source Routing)", "      Length (1 byte) - 7",
        "      Option Data (5 bytes) - 0x04C0A80001", "    Option 1 No Operation",
        "      Class (2 bits) - 0", "      Number (2 bits) - 1 (No Operation)"}},
      {"two-byte option has no data digits",
       {0x94, 0x02, 0x00, 0x00},
       {"  IP Options (4 bytes)", "    Option 20 Router Alert", "      Class (2 bits) - 0",
        "      Number (2 bits) - 20 (Router Alert)", "      Length (1 byte) - 2",
        "      Option Data (0 bytes) - 0x", "    Option 0 End of Option List",
        "      Class (2 bits) - 0", "      Number (2 bits) - 0 (End of Option List)",
        "    Option 0 End of Option List", "      Class (2 bits) - 0",
        "      Number (2 bits) - 0 (End of Option List)"}},
      // A zero length would never move on: the walk ends at that option.
      {"zero length ends the walk",
       {0x07, 0x00, 0x07, 0x03},
       {"  IP Options (4 bytes)", "    Option 7 Record Route", "      Class (2 bits) - 0",
        "      Number (2 bits) - 7 (Record Route)", "      Length (1 byte) - 0"}},
      {"option past the header ends the walk",
       {0x01, 0x07, 0x20, 0x01},
       {"  IP Options (4 bytes)", "    Option 1 No Operation", "      Class (2 bits) - 0",
        "      Number (2 bits) - 1 (No Operation)", "    Option 7 Record Route",
        "      Class (2 bits) - 0", "      Number (2 bits) - 7 (Record Route)",
        "      Length (1 byte) - 32"}},
      {"unknown number",
       {0x1F, 0x03, 0xAA, 0x00},
       {"  IP Options (4 bytes)", "    Option 31 Unknown", "      Class (2 bits) - 0",
        "      Number (2 bits) - 31 (Unknown)", "      Length (1 byte) - 3",
        "      Option Data (1 byte) - 0xAA", "    Option 0 End of Option List",
        "      Class (2 bits) - 0", "      Number (2 bits) - 0 (End of Option List)"}},
  };
  for (const auto& k : cases) {
    IPv4Spec s;
    s.protocol = 200;  // nothing decoded after the header
    s.options = k.options;
    auto lines = Tree(IPv4Packet(s, {}));
    auto first = std::find(lines.begin(), lines.end(), k.lines.front());
    ASSERT_NE(first, lines.end()) << k.name;
    std::vector<std::string> got(first, lines.end());
    EXPECT_EQ(got, k.lines) << k.name;
  }
}

TEST_F(IPv4, OptionItemsCarryTheirByteRanges) {
  IPv4Spec s;
  s.protocol = 200;
  s.options = {0x01, 0x07, 0x03, 0x00};  // a no-op, then a 3-byte record route
  Tree(IPv4Packet(s, {}));
  const DetailNode* nop = Find("Option 1 ");
  const DetailNode* rr = Find("Option 7 ");
  ASSERT_TRUE(nop && rr);
  EXPECT_EQ(nop->Offset, 14u + 20);
  EXPECT_EQ(nop->Length, 1u);
  EXPECT_EQ(rr->Offset, 14u + 21);
  EXPECT_EQ(rr->Length, 3u);
}

TEST_F(IPv4, Fragments) {
  struct Case {
    uint16_t flagsFragment;
    std::string summary;
    bool transportDecoded;
  } cases[] = {
      {0x0000, "/IPV4/UDP/Unknown", true},
      {0x2000, "/IPV4/UDP/Unknown", true},  // first fragment: decoded through
      {0x20B9, "/IPV4 (Fragmented Offset=1480)", false},
      {0x00B9, "/IPV4 (Fragmented Offset=1480)", false},  // the last one
  };
  for (const auto& k : cases) {
    IPv4Spec s;
    s.protocol = 17;
    s.flagsFragment = k.flagsFragment;
    const Bytes packet = IPv4Packet(s, UDPHeader(40000, 40001, -1, 4));
    EXPECT_EQ(Summary(packet), k.summary) << std::hex << k.flagsFragment;
    auto lines = Tree(packet);
    EXPECT_EQ(Find("UDP Header") != nullptr, k.transportDecoded);
    const DetailNode* data = Find("Data ");
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->Parent, nullptr) << "Data is a root item";
    EXPECT_EQ(data->Offset, k.transportDecoded ? 14u + 28 : 14u + 20);
  }
}

TEST_F(IPv4, FragmentationLines) {
  IPv4Spec s;
  s.protocol = 200;
  s.flagsFragment = 0x4000;
  auto lines = Tree(IPv4Packet(s, {}));
  EXPECT_NE(
      std::find(lines.begin(), lines.end(),
                "  Fragmentation Flags (3 bits) - 010 (Don't Fragment: on More Fragments: off)"),
      lines.end());
  EXPECT_NE(std::find(lines.begin(), lines.end(), "  Fragment offset (13 bits) - 0"), lines.end());
}

TEST_F(IPv4, DiffServOrTypeOfService) {
  struct Case {
    bool dscp;
    uint8_t tos;
    std::vector<std::string> lines;
  } cases[] = {
      {true,
       0xB8,
       {"  Differentiated Services Field DSCP=0x2E (Expedited Forwarding) ECN=0x00",
        "    Differentiated Services Code Point - 0x2E (Expedited Forwarding)",
        "    Explicit Congestion Notification (1 byte) - 0x00"}},
      {true,
       0x29,
       {"  Differentiated Services Field DSCP=0x0A (Assured Forwarding 11) ECN=0x01",
        "    Differentiated Services Code Point - 0x0A (Assured Forwarding 11)",
        "    Explicit Congestion Notification (1 byte) - 0x01"}},
      {true,
       0x06,
       {"  Differentiated Services Field DSCP=0x01 (Unknown) ECN=0x02",
        "    Differentiated Services Code Point - 0x01 (Unknown)",
        "    Explicit Congestion Notification (1 byte) - 0x02"}},
      {false, 0xB8, {"  Type of Service (1 byte) - 0xB8", "  Total Length (2 bytes) - 20"}},
  };
  for (const auto& k : cases) {
    env.settings.DecodeTosAsDSCP = k.dscp;
    IPv4Spec s;
    s.protocol = 200;
    s.tos = k.tos;
    auto lines = Tree(IPv4Packet(s, {}));
    ASSERT_GE(lines.size(), 3u + k.lines.size());
    const std::vector<std::string> got(lines.begin() + 3, lines.begin() + 3 + k.lines.size());
    EXPECT_EQ(got, k.lines);
  }
}

TEST_F(IPv4, ChecksumLine) {
  struct Case {
    int checksum;  // -1: the correct one
    std::string verdict;
  } cases[] = {
      {-1, " (Correct)"},
      {0x0000, " (Incorrect)"},
      {0x1234, " (Incorrect)"},
  };
  for (const auto& k : cases) {
    IPv4Spec s;
    s.protocol = 200;
    s.checksum = k.checksum;
    Tree(IPv4Packet(s, {}));
    const DetailNode* line = Find("Checksum ");
    ASSERT_NE(line, nullptr);
    EXPECT_TRUE(line->Text.ends_with(k.verdict)) << line->Text;
    EXPECT_EQ(line->Offset, 14u + 10);
    EXPECT_EQ(line->Length, 2u);
  }
  // The line shows the stored value.
  IPv4Spec s;
  s.protocol = 200;
  Tree(IPv4Packet(s, {}));
  EXPECT_EQ(Find("Checksum ")->Text,
            "Checksum (2 bytes) - 0x" + Hex(frame[24] << 8 | frame[25], 4) + " (Correct)");
}

TEST_F(IPv4, HeaderLinesWithTheirRanges) {
  IPv4Spec s;
  s.protocol = 17;
  s.dst = "224.0.0.5";
  const auto lines = Tree(IPv4Packet(s, UDPHeader(40000, 40001, -1, 0)));
  const std::vector<std::string> head(lines.begin(), lines.begin() + 3);
  EXPECT_EQ(head, (std::vector<std::string>{"IPv4 Header (20 bytes)", "  Version (4 bits) - 4",
                                            "  Header Length (4 bits) - 5"}));
  EXPECT_EQ(Find("Protocol ")->Text, "Protocol (1 byte) - 0x11 (17) (UDP)");
  EXPECT_EQ(Find("Identification ")->Text, "Identification (2 bytes) - 0x1234");
  EXPECT_EQ(Find("Time to Live ")->Text, "Time to Live (1 byte) - 64");
  EXPECT_EQ(Find("Source IP address ")->Offset, 14u + 12);
  EXPECT_EQ(Find("Destination IP address ")->Text,
            "Destination IP address (4 bytes) - 224.0.0.5 (OSPF All Routers)");
  EXPECT_EQ(tree.Roots[0]->Image, TreeImage::Network);
  EXPECT_EQ(Find("Fragmentation Flags")->Image, TreeImage::Flags);
}

TEST_F(IPv4, TotalLengthDropsPadding) {
  IPv4Spec s;
  s.protocol = 17;
  Bytes packet = IPv4Packet(s, UDPHeader(40000, 40001, -1, 4));
  packet.resize(packet.size() + 14);  // Ethernet padding
  EXPECT_EQ(Summary(packet), "/IPV4/UDP/Unknown");
  EXPECT_EQ(c.PacketLen, 4u);
  Tree(packet);
  EXPECT_EQ(Find("Data ")->Length, 4u);
}

// Malformed headers: nothing read past the bytes present, no stations from
// a header that does not hold them, no payload where its start is unknown.
TEST_F(IPv4, MalformedHeaders) {
  struct Case {
    const char* name;
    Bytes packet;
    std::string summary;
    bool stations;
  } cases[] = {
      {"10 bytes", Bytes{0x45, 0, 0, 40, 0, 0, 0, 0, 64, 6}, "/IPV4", false},
      {"header length 3",
       [] {
         IPv4Spec s;
         s.headerWords = 3;
         return IPv4Packet(s, TCPHeader(1, 2, 0));
       }(),
       "/IPV4", true},
      {"total length below the header",
       [] {
         IPv4Spec s;
         s.totalLength = 12;
         return IPv4Packet(s, TCPHeader(1, 2, 0));
       }(),
       "/IPV4", true},
      {"header length past the bytes",
       [] {
         IPv4Spec s;
         s.headerWords = 15;
         return IPv4Packet(s, {0x01, 0x01});
       }(),
       "/IPV4", true},
      {"header length 0",
       [] {
         IPv4Spec s;
         s.headerWords = 0;
         return IPv4Packet(s, TCPHeader(1, 2, 0));
       }(),
       "/IPV4", true},
  };
  for (const auto& k : cases) {
    EXPECT_EQ(Summary(k.packet), k.summary) << k.name;
    EXPECT_EQ(rec.SrcNode != 0, k.stations) << k.name;
    EXPECT_EQ(rec.SrcPort, 0u) << k.name;
    auto lines = Tree(k.packet);  // every line inside its parent, or the fixture fails
    EXPECT_FALSE(lines.empty()) << k.name;
    EXPECT_EQ(Find("TCP Header"), nullptr) << k.name;
    // A header length below 20 still shows the fixed header's fields, and
    // the branch covers them.
    if (std::string_view(k.name) == "header length 0" ||
        std::string_view(k.name) == "header length 3") {
      EXPECT_EQ(tree.Roots[0]->Text, "IPv4 Header (20 bytes)") << k.name;
    }
    tree.Walk([&](const DetailNode& n, int) {
      EXPECT_LE(n.Offset + n.Length, frame.size()) << k.name << ": " << n.Text;
    });
  }
}

// A one-byte field is shown when its byte is there, though the word it
// shares with the next field is not.
TEST_F(IPv4, HeaderCutInsideAWord) {
  Tree(Bytes{0x45, 0, 0, 40, 0, 1, 0x40});
  ASSERT_NE(Find("Fragmentation Flags"), nullptr);
  EXPECT_EQ(Find("Fragmentation Flags")->Text,
            "Fragmentation Flags (3 bits) - 010 (Don't Fragment: on More Fragments: off)");
  EXPECT_EQ(Find("Fragment offset"), nullptr);
}

TEST_F(IPv4, StationsUnlessTunnelled) {
  IPv4Spec s;
  s.protocol = 200;
  s.src = "192.168.1.10";
  s.dst = "192.168.1.20";
  Summary(IPv4Packet(s, {1, 2, 3}));
  EXPECT_EQ(NodeText(session, rec.SrcNode), "192.168.1.10");
  EXPECT_EQ(NodeText(session, rec.DstNode), "192.168.1.20");
  EXPECT_EQ(c.Ip.Version, 4);
  EXPECT_EQ(c.Ip.Src[0], 192);
  EXPECT_EQ(c.Ip.Dst[3], 20);

  Load(IPv4Packet(s, {1, 2, 3}));
  rec = FrameTabRec{};
  rec.SrcNode = 7;
  c.Rec = &rec;
  c.Tunnelled = true;
  IPv4Summary(c);
  EXPECT_EQ(rec.SrcNode, 7u);
  EXPECT_EQ(rec.DstNode, 0u);
}

TEST_F(IPv4, CarriedProtocols) {
  struct Case {
    uint8_t protocol;
    std::string summary;
    uint16_t frameProtocol;
  } cases[] = {
      {46, "/IPV4/RSVP", ProtoRSVP},
      {200, "/IPV4", ProtoIPV4},
      {6, "/IPV4/TCP", ProtoTCP},
      // Not handed on from IPv4: IP in IP, IPv6 in IPv4, ICMPv6.
      {4, "/IPV4", ProtoIPV4},
      {41, "/IPV4", ProtoIPV4},
      {58, "/IPV4", ProtoIPV4},
  };
  for (const auto& k : cases) {
    IPv4Spec s;
    s.protocol = k.protocol;
    EXPECT_EQ(Summary(IPv4Packet(s, TCPHeader(2000, 3000, 0))), k.summary);
    EXPECT_EQ(session.Paths.ProtocolOf(c.FrameProtocol), k.frameProtocol);
  }
  // In the tree, everything but a decoded protocol is a top-level "Data ()",
  // also under the ICMP item that quotes the datagram.
  for (const uint8_t protocol : {4, 41, 46, 58, 200}) {
    IPv4Spec s;
    s.protocol = protocol;
    s.src = "10.0.0.9";
    Tree(IPv4Packet(s, {0x45, 0, 0, 20, 0, 0, 0, 0, 64, 6, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8}));
    ASSERT_EQ(tree.Roots.size(), 2u) << int{protocol};
    EXPECT_EQ(tree.Roots.back()->Text, "Data (20 bytes)") << int{protocol};

    Load(IPv4Packet(s, {1, 2, 3}));
    c.Tree = &tree;
    DetailNode* icmp = tree.Add(nullptr, "ICMP", 0, 0, TreeImage::Protocol);
    c.Quoted = true;
    IPv4Tree(c, icmp);
    EXPECT_EQ(icmp->Children.size(), 1u) << int{protocol};
    EXPECT_EQ(tree.Roots.back()->Text, "Data (3 bytes)") << int{protocol};
  }
  IPv4Spec s;
  s.protocol = 200;
  Tree(IPv4Packet(s, {1, 2, 3}));
  EXPECT_EQ(Find("Protocol ")->Text, "Protocol (1 byte) - 0xC8 (200) (Unknown)");
  EXPECT_EQ(tree.Roots.back()->Text, "Data (3 bytes)");
}

// ICMP shows the datagram it quotes under its own item.
TEST_F(IPv4, QuotedDatagram) {
  IPv4Spec s;
  s.protocol = 17;
  const Bytes packet = IPv4Packet(s, UDPHeader(1030, 53, 40, 0));
  Load(packet);
  c.Tree = &tree;
  DetailNode* icmp = tree.Add(nullptr, "ICMP", 0, 0, TreeImage::Protocol);
  c.Quoted = true;
  IPv4Tree(c, icmp);
  ASSERT_EQ(icmp->Children.size(), 2u);
  EXPECT_EQ(icmp->Children[0]->Text, "Original IPv4 Header (20 bytes)");
  EXPECT_EQ(icmp->Children[1]->Text, "Original UDP Header (8 bytes)");
  EXPECT_EQ(tree.Roots.size(), 1u);
}

}  // namespace
}  // namespace kestle::test

namespace kestle::test {
namespace {

// Random headers and payloads: every decode ends, and every tree item lies
// within the frame.
TEST_F(IPv4, ArbitraryBytesStayInBounds) {
  uint32_t seed = 12345;
  auto next = [&seed] {
    seed = seed * 1103515245 + 12345;
    return static_cast<uint8_t>(seed >> 16);
  };
  for (int i = 0; i < 3000; ++i) {
    Bytes packet(next() % 80);
    for (auto& b : packet) b = next();
    if (!packet.empty()) packet[0] = 0x40 | (packet[0] & 0x0F);
    if (packet.size() > 9) packet[9] = (i % 3 == 0) ? 6 : (i % 3 == 1) ? 17 : packet[9];
    if (packet.size() > 7) packet[6] &= 0xE0, packet[7] = 0;  // first fragments
    Summary(packet);
    Tree(packet);
    tree.Walk(
        [&](const DetailNode& n, int) { ASSERT_LE(n.Offset + n.Length, frame.size()) << n.Text; });
  }
}

}  // namespace
}  // namespace kestle::test
