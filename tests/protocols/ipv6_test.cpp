#include "protocols/ipv6.h"

#include <gtest/gtest.h>

#include <random>

#include "decode/protocol_ids.h"
#include "output/grid.h"
#include "protocols/ip_decode_fixture.h"

namespace kestle::test {
namespace {

constexpr uint32_t kIp = kEthernetLength;         // frame offset of the IPv6 header
constexpr uint32_t kPayload = kIp + kIPv6Length;  // frame offset of its payload

// Extension headers, each naming the header after it.
Bytes HopByHop(uint8_t next, const Bytes& options = {1, 4, 0, 0, 0, 0}) {
  return Concat({{next, static_cast<uint8_t>((options.size() + 2) / 8 - 1)}, options});
}
Bytes Routing(uint8_t next, std::initializer_list<std::string_view> addresses) {
  Bytes b = {next, static_cast<uint8_t>(addresses.size() * 2),
             0,    static_cast<uint8_t>(addresses.size()),
             0,    0,
             0,    0};
  for (auto a : addresses) b = Concat({b, IPv6Address(a)});
  return b;
}
Bytes Fragment(uint8_t next, uint16_t offsetBytes, bool more) {
  return FrameBuilder()
      .u8(next)
      .u8(0)
      .be16(static_cast<uint16_t>(offsetBytes | (more ? 1 : 0)))
      .be32(0x5EED0001);
}
Bytes Destination(uint8_t next) { return {next, 0, 1, 4, 0, 0, 0, 0}; }

class IPv6Test : public IpDecodeTest {};

TEST_F(IPv6Test, SummaryRegistersStationsByAddressText) {
  const Bytes f = EthernetFrame(IPv6Packet(58, Icmpv6Echo(), "2001:db8:10::23", "fe80::1"));
  EXPECT_EQ(RunSummary(f, IPv6Summary), "/IPV6/ICMPv6/Echo Request");
  EXPECT_TRUE(StackHas(ProtoIPV6));
  EXPECT_TRUE(StackHas(ProtoICMPV6));
  ASSERT_NE(rec.SrcNode, 0u);
  ASSERT_NE(rec.DstNode, 0u);
  EXPECT_EQ(NodeText(session, rec.SrcNode), "2001:DB8:10::23");
  EXPECT_EQ(NodeText(session, rec.DstNode), "FE80::1");
}

TEST_F(IPv6Test, TunnelledPacketLeavesTheStationsAlone) {
  Load(EthernetFrame(IPv6Packet(58, Icmpv6Echo())));
  rec = FrameTabRec{};
  rec.SrcNode = 7;
  rec.DstNode = 9;
  c.Rec = &rec;
  c.Tunnelled = true;
  IPv6Summary(c);
  EXPECT_EQ(rec.SrcNode, 7u);
  EXPECT_EQ(rec.DstNode, 9u);
  EXPECT_EQ(c.Desc, "/IPV6/ICMPv6/Echo Request");
}

TEST_F(IPv6Test, ShortHeaderGivesOnlyTheLabel) {
  Bytes packet = IPv6Packet(58, {});
  packet.resize(39);
  EXPECT_EQ(RunSummary(EthernetFrame(packet), IPv6Summary), "/IPV6");
  EXPECT_EQ(c.FrameProtocol, 0u);
  EXPECT_EQ(rec.SrcNode, 0u);

  // The tree shows the fields that are whole and no more.
  const auto lines = RunTree(EthernetFrame(packet), IPv6Tree);
  ExpectRangesInFrame(lines);
  EXPECT_NE(Find(lines, "Source Address"), nullptr);
  EXPECT_EQ(Find(lines, "Destination Address"), nullptr);
  EXPECT_EQ(lines[0].Length, 39u);
}

// The extension header chain, summary and tree side by side.
TEST_F(IPv6Test, ExtensionHeaderChain) {
  const Bytes echo = Icmpv6Echo();
  const std::string icmpv6 = "Internet Control Message Protocol Version 6 (ICMPv6)";
  const std::string ipv6 = "Internet Protocol Version 6 (IPV6)";
  struct Case {
    const char* name;
    uint8_t next;
    Bytes payload;
    std::string desc;
    std::vector<std::pair<std::string, uint32_t>> top;  // top-level items and their offsets
  } cases[] = {
      {"hop-by-hop",
       0,
       Concat({HopByHop(58), echo}),
       "/IPV6/ICMPv6/Echo Request",
       {{ipv6, kIp}, {"Hop-by-hop Options Header", kPayload}, {icmpv6, kPayload + 8}}},
      {"routing",
       43,
       Concat({Routing(58, {"2001:db8::9"}), echo}),
       "/IPV6/ICMPv6/Echo Request",
       {{ipv6, kIp}, {"Routing Header", kPayload}, {icmpv6, kPayload + 24}}},
      {"first fragment",
       44,
       Concat({Fragment(58, 0, true), echo}),
       "/IPV6/ICMPv6/Echo Request",
       {{ipv6, kIp}, {"Fragment Header", kPayload}, {icmpv6, kPayload + 8}}},
      {"later fragment",
       44,
       Concat({Fragment(58, 1200, false), echo}),
       "/IPV6",
       {{ipv6, kIp}, {"Fragment Header", kPayload}, {"Data (12 bytes)", kPayload + 8}}},
      {"destination options",
       60,
       Concat({Destination(58), echo}),
       "/IPV6/ICMPv6/Echo Request",
       {{ipv6, kIp}, {"Destination Options Header", kPayload}, {icmpv6, kPayload + 8}}},
      {"all four",
       0,
       Concat({HopByHop(43), Routing(44, {"2001:db8::9", "2001:db8::a"}), Fragment(60, 0, true),
               Destination(58), echo}),
       "/IPV6/ICMPv6/Echo Request",
       {{ipv6, kIp},
        {"Hop-by-hop Options Header", kPayload},
        {"Routing Header", kPayload + 8},
        {"Fragment Header", kPayload + 48},
        {"Destination Options Header", kPayload + 56},
        {icmpv6, kPayload + 64}}},
      {"header exactly fills the packet",
       0,
       HopByHop(59),
       "/IPV6",
       {{ipv6, kIp}, {"Hop-by-hop Options Header", kPayload}}},
      {"header runs past the packet",
       0,
       Concat({{58, 1}, {1, 4, 0, 0, 0, 0}}),
       "/IPV6",
       {{ipv6, kIp}, {"Hop-by-hop Options Header", kPayload}}},
      {"no next header", 59, {1, 2, 3}, "/IPV6", {{ipv6, kIp}, {"Data (3 bytes)", kPayload}}},
      {"no payload", 58, {}, "/IPV6/ICMPv6", {{ipv6, kIp}}},
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(k.name);
    const Bytes f = EthernetFrame(IPv6Packet(k.next, k.payload));
    EXPECT_EQ(RunSummary(f, IPv6Summary), k.desc);
    const auto lines = RunTree(f, IPv6Tree);
    ExpectRangesInFrame(lines);
    std::vector<std::pair<std::string, uint32_t>> top;
    for (const auto& l : lines)
      if (l.Depth == 0) top.emplace_back(l.Text, l.Offset);
    EXPECT_EQ(top, k.top);
  }
}

TEST_F(IPv6Test, ExtensionHeaderRunningPastThePacketEndsAtItsLastWholeField) {
  const auto lines =
      RunTree(EthernetFrame(IPv6Packet(0, Concat({{58, 1}, {1, 4, 0, 0, 0, 0}}))), IPv6Tree);
  const Line* header = Find(lines, "Hop-by-hop Options Header");
  ASSERT_NE(header, nullptr);
  EXPECT_EQ(header->Length, 8u);  // the bytes present, not the 16 announced
  ASSERT_NE(Find(lines, "Length (1 byte) - 1 (16 bytes)"), nullptr);
  EXPECT_EQ(Find(lines, "Options"), nullptr);
  EXPECT_EQ(Find(lines, "Internet Control Message"), nullptr);
}

TEST_F(IPv6Test, HeaderFields) {
  const Bytes f = EthernetFrame(
      IPv6Packet(58, Icmpv6Echo(), "fe80::21b:21ff:fe3a:4f10", "ff02::1:ff00:1", 0xB8, 0xABCDE));
  env.settings.DecodeTosAsDSCP = false;
  auto lines = RunTree(f, IPv6Tree);
  struct Want {
    std::string text;
    uint32_t offset, length;
  } wants[] = {
      {"Internet Protocol Version 6 (IPV6)", kIp, 40},
      {"Version  - 6", kIp, 1},
      {"Traffic Class - 0xB8", kIp, 2},
      {"Flow Label - 0xABCDE", kIp + 1, 3},
      {"Payload Length (2 bytes) - 12", kIp + 4, 2},
      {"Next Header (1 byte) - 58 (ICMPv6)", kIp + 6, 1},
      {"Hop Limit (1 byte) - 64", kIp + 7, 1},
      {"Source Address (16 bytes) - FE80::21B:21FF:FE3A:4F10 (Link-Local Unicast)", kIp + 8, 16},
      {"Destination Address (16 bytes) - FF02::1:FF00:1 (Multicast)", kIp + 24, 16},
  };
  for (const auto& w : wants) {
    const Line* l = Find(lines, w.text);
    ASSERT_NE(l, nullptr) << w.text;
    EXPECT_EQ(l->Text, w.text);
    EXPECT_EQ(l->Offset, w.offset) << w.text;
    EXPECT_EQ(l->Length, w.length) << w.text;
  }

  env.settings.DecodeTosAsDSCP = true;
  lines = RunTree(f, IPv6Tree);
  EXPECT_EQ(Find(lines, "Traffic Class"), nullptr);
  const Line* ds = Find(lines, "Differentiated Services Field");
  ASSERT_NE(ds, nullptr);
  EXPECT_EQ(ds->Text, "Differentiated Services Field DSCP=0x2E (Expedited Forwarding) ECN=0x00");
  EXPECT_NE(Find(lines, "Differentiated Services Code Point - 0x2E (Expedited Forwarding)"),
            nullptr);
  EXPECT_NE(Find(lines, "Explicit Congestion Notification (1 byte) - 0x00"), nullptr);
}

TEST_F(IPv6Test, HopByHopOptions) {
  struct Case {
    const char* name;
    Bytes options;  // after next header and length; a multiple of 8 minus 2
    std::vector<std::pair<std::string, uint32_t>> items;  // option items and their offsets
  } cases[] = {
      {"PadN", {1, 4, 0, 0, 0, 0}, {{"Option: 1 (PadN)", 2}}},
      {"Pad1 is a single byte",
       {0, 0, 1, 2, 0, 0},
       {{"Option: 0 (Pad1)", 2}, {"Option: 0 (Pad1)", 3}, {"Option: 1 (PadN)", 4}}},
      {"router alert then a PadN that ends the header",
       {5, 2, 0, 0, 1, 0},
       {{"Option: 5 (Unknown)", 2}, {"Option: 1 (PadN)", 6}}},
      {"jumbo payload", {194, 4, 0, 1, 0, 0}, {{"Option: 194 (Jumbo Payload)", 2}}},
      {"option runs past the header", {1, 2, 0, 0, 5, 9}, {{"Option: 1 (PadN)", 2}}},
      {"option longer than the header", {7, 200, 0, 0, 0, 0}, {}},
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(k.name);
    const auto lines = RunTree(
        EthernetFrame(IPv6Packet(0, Concat({HopByHop(58, k.options), Icmpv6Echo()}))), IPv6Tree);
    ExpectRangesInFrame(lines);
    const Line* list = Find(lines, "Options");
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->Offset, kPayload + 2);
    EXPECT_EQ(list->Length, 6u);
    std::vector<std::pair<std::string, uint32_t>> items;
    for (const auto& l : lines)
      if (l.Text.rfind("Option: ", 0) == 0) items.emplace_back(l.Text, l.Offset - kPayload);
    EXPECT_EQ(items, k.items);
    // The upper layer follows whatever the options hold.
    EXPECT_NE(Find(lines, "Internet Control Message Protocol Version 6"), nullptr);
  }
}

TEST_F(IPv6Test, JumboPayloadLength) {
  const auto lines =
      RunTree(EthernetFrame(IPv6Packet(0, Concat({HopByHop(59, {194, 4, 0, 1, 0x11, 0x70}), {}}))),
              IPv6Tree);
  const Line* jumbo = Find(lines, "Jumbo Payload Length");
  ASSERT_NE(jumbo, nullptr);
  EXPECT_EQ(jumbo->Text, "Jumbo Payload Length (4 bytes) - 70000");
  EXPECT_EQ(jumbo->Offset, kPayload + 4);
}

TEST_F(IPv6Test, RoutingHeaderAddresses) {
  const auto lines =
      RunTree(EthernetFrame(IPv6Packet(
                  43, Concat({Routing(58, {"2001:db8::9", "2001:db8::a"}), Icmpv6Echo()}))),
              IPv6Tree);
  const Line* header = Find(lines, "Routing Header");
  ASSERT_NE(header, nullptr);
  EXPECT_EQ(header->Length, 40u);
  struct Want {
    std::string text;
    uint32_t offset, length;
  } wants[] = {
      {"Next Header (1 byte) - 58 (ICMPv6)", 0, 1},
      {"Length (1 byte) - 4 (40 bytes)", 1, 1},
      {"Routing Type (1 byte) - 0", 2, 1},
      {"Segments Left (1 byte) - 2", 3, 1},
      {"Reserved", 4, 4},
      {"Address 1 (16 bytes) - 2001:DB8::9", 8, 16},
      {"Address 2 (16 bytes) - 2001:DB8::A", 24, 16},
  };
  for (const auto& w : wants) {
    const Line* l = Find(lines, w.text);
    ASSERT_NE(l, nullptr) << w.text;
    EXPECT_EQ(l->Offset, kPayload + w.offset) << w.text;
    EXPECT_EQ(l->Length, w.length) << w.text;
  }
  EXPECT_EQ(Count(lines, "Address "), 2u);
}

TEST_F(IPv6Test, FragmentHeaderFields) {
  const auto lines = RunTree(
      EthernetFrame(IPv6Packet(44, Concat({Fragment(17, 1200, true), Bytes(8)}))), IPv6Tree);
  for (const char* text : {"Next Header (1 byte) - 17 (UDP)", "Fragment Offset (2 bytes) - 1200",
                           "More Fragments (1 byte) - on", "Identification (4 bytes) - 0x5EED0001"})
    EXPECT_NE(Find(lines, text), nullptr) << text;
}

TEST_F(IPv6Test, PayloadLengthCutsLinkLayerPadding) {
  // An ICMPv6 message of 8 bytes in a minimum-size Ethernet frame.
  Bytes f = EthernetFrame(IPv6Packet(58, Icmpv6Echo(0)));
  f.resize(f.size() + 10, 0xEE);
  const auto lines = RunTree(f, IPv6Tree);
  const Line* icmp = Find(lines, "Internet Control Message Protocol Version 6");
  ASSERT_NE(icmp, nullptr);
  EXPECT_EQ(icmp->Length, 8u);
  EXPECT_EQ(Find(lines, "Data"), nullptr);
}

TEST_F(IPv6Test, QuotedPacketHangsUnderItsParent) {
  DetailNode* parent = tree.Add(nullptr, "ICMPv6", kPayload, 0, TreeImage::Protocol);
  Load(EthernetFrame(IPv6Packet(58, Icmpv6Echo())));
  c.Tree = &tree;
  c.Quoted = true;
  IPv6Tree(c, parent);
  ASSERT_EQ(tree.Roots.size(), 1u);
  ASSERT_GE(parent->Children.size(), 2u);
  EXPECT_EQ(parent->Children[0]->Text, "Original Internet Protocol Version 6 (IPV6)");
  EXPECT_EQ(parent->Children[1]->Text, "Internet Control Message Protocol Version 6 (ICMPv6)");
}

// IPv6 hands neither IPv6 (41) nor IPv4 (4) on: the inner packet is data,
// and nothing is added to the Description.
TEST_F(IPv6Test, TunnelsAreData) {
  for (const uint8_t nh : {4, 41}) {
    SCOPED_TRACE(int{nh});
    const Bytes inner = nh == 41 ? IPv6Packet(58, Icmpv6Echo())
                                 : Bytes{0x45, 0, 0,  28, 0, 0, 0, 0, 64, 1, 0, 0, 10, 0,
                                         0,    1, 10, 0,  0, 2, 8, 0, 0,  0, 0, 1, 0,  1};
    const Bytes f = EthernetFrame(IPv6Packet(nh, inner));
    const auto lines = RunTree(f, IPv6Tree);
    ExpectRangesInFrame(lines);
    EXPECT_EQ(Count(lines, "Internet Protocol Version 6"), 1u);
    EXPECT_EQ(tree.Roots.back()->Text, "Data (" + std::to_string(inner.size()) + " bytes)");
    EXPECT_EQ(RunSummary(f, IPv6Summary), "/IPV6");
    EXPECT_EQ(c.Nesting, 0);
  }
}

// Every cut of a packet with the whole chain decodes without reading past it.
TEST_F(IPv6Test, TruncatedAnywhere) {
  const Bytes packet =
      IPv6Packet(0, Concat({HopByHop(43, {0, 1, 1, 194, 4, 0}), Routing(44, {"2001:db8::9"}),
                            Fragment(60, 0, true), Destination(58), Icmpv6Echo(8)}));
  for (size_t n = 0; n <= packet.size(); ++n) {
    SCOPED_TRACE(n);
    const Bytes f = EthernetFrame(Bytes(packet.begin(), packet.begin() + n));
    const std::string desc = RunSummary(f, IPv6Summary);
    EXPECT_EQ(desc.rfind("/IPV6", 0), 0u);
    ExpectRangesInFrame(RunTree(f, IPv6Tree));
  }
}

// Random chains of extension headers and messages with random lengths: no
// read past the frame (the sanitizer build checks every access), no item
// outside it, the nesting balanced.
TEST_F(IPv6Test, RandomPacketsStayInsideTheFrame) {
  std::mt19937 rng(20240611);
  constexpr uint8_t kNext[] = {0, 43, 44, 60, 58, 58, 41, 17, 6, 1, 59, 200};
  auto pick = [&](auto& table) { return table[rng() % std::size(table)]; };
  for (int i = 0; i < 2000; ++i) {
    Bytes payload(rng() % 160);
    for (auto& b : payload) b = static_cast<uint8_t>(rng());
    // Make chains likely: each 8-byte step names a header or a message.
    for (size_t p = 0; p + 1 < payload.size(); p += 8) {
      payload[p] = pick(kNext);
      payload[p + 1] = static_cast<uint8_t>(rng() % 4);
    }
    if (!payload.empty() && rng() % 2) payload[0] = static_cast<uint8_t>(rng() % 2 ? 1 : 135);
    const Bytes f = EthernetFrame(IPv6Packet(pick(kNext), payload));
    SCOPED_TRACE(i);
    RunSummary(f, IPv6Summary);
    EXPECT_EQ(c.Nesting, 0);
    ExpectRangesInFrame(RunTree(f, IPv6Tree));
    EXPECT_EQ(c.Nesting, 0);
  }
}

}  // namespace
}  // namespace kestle::test
