#include "decode/registry.h"

#include <gtest/gtest.h>

#include "decode/config/environment.h"
#include "decode/config/ini.h"
#include "decode/session.h"
#include "decode/summary.h"
#include "support/session_fixture.h"

namespace kestle {
namespace {

TEST(ProtocolTable, FixedIdentifiersAndDefaultColours) {
  Environment env;
  const ProtocolTable& t = env.Protocols;
  EXPECT_GE(t.ProtocolCount(), 76u);
  EXPECT_EQ(t.Name(1), "802.1q");
  EXPECT_EQ(t.Name(ProtoIPV4), "IPV4");
  EXPECT_EQ(t.Name(ProtoTACACSPlus), "TACACS+");
  EXPECT_EQ(t.Name(76), "Ethernet");
  EXPECT_EQ(t.Name(77), "Linux cooked");
  EXPECT_EQ(t.Name(78), "Raw IP");
  EXPECT_EQ(t.Name(79), "Loopback");
  EXPECT_EQ(t.Colour(ProtoTCP), 0xFF0000u);
  EXPECT_EQ(t.Colour(ProtoUnknown), 0x000080u);
  EXPECT_EQ(t.Colour(ProtoDNS), kWhite);
}

TEST(ProtocolTable, ColoursFromTheSettingsFile) {
  Environment env;
  IniFile ini;
  // One colour of its own disables all the defaults; hexadecimal is read too.
  ini.Parse("[Options]\r\nProtocolColour8=0x8000\r\n");
  env.Load(ini);
  EXPECT_EQ(env.Protocols.Colour(ProtoDNS), 0x8000u);
  EXPECT_EQ(env.Protocols.Colour(ProtoTCP), kWhite);
  // All white brings the defaults back.
  ini.Parse("[Options]\r\nProtocolColour8=16777215\r\n");
  env.Load(ini);
  EXPECT_EQ(env.Protocols.Colour(ProtoTCP), 0xFF0000u);
  // Saved colours read back.
  IniFile out;
  env.Protocols.SaveColours(out);
  EXPECT_EQ(out.ReadInteger("Options", "ProtocolColour67", 0), 0xFF0000);
}

// The identifiers of the port descriptions follow the fixed ones, which
// grow: a file says how many fixed ones its numbers were given with, and
// one that does not was written with 76, so its colours stay with their
// protocols.
TEST(ProtocolTable, ColoursStayWithTheirProtocolsWhenFixedIdentifiersAreAdded) {
  Environment env;
  const uint32_t firstPort = kFixedProtocolCount + 1;
  ASSERT_GT(env.Protocols.ProtocolCount(), firstPort);
  const std::string firstPortName = env.Protocols.Name(firstPort);
  struct Case {
    const char* name;
    std::string ini;
    uint32_t dns, firstPort, cooked;
  } cases[] = {
      {"written with 76", "ProtocolColour8=255\r\nProtocolColour77=4660\r\n", 255, 4660, kWhite},
      {"written with 79",
       "ProtocolColour8=255\r\nProtocolColour77=17\r\nProtocolColour80=4660\r\nFixedProtocols="
       "79\r\n",
       255, 4660, 17},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    IniFile ini;
    ini.Parse("[Options]\r\n" + c.ini);
    env.Load(ini);
    EXPECT_EQ(env.Protocols.Name(firstPort), firstPortName);
    EXPECT_EQ(env.Protocols.Colour(ProtoDNS), c.dns);
    EXPECT_EQ(env.Protocols.Colour(firstPort), c.firstPort);
    EXPECT_EQ(env.Protocols.Colour(ProtoLinuxCooked), c.cooked);
    // Written back with this program's numbers, and read back alike.
    IniFile out;
    env.Protocols.SaveColours(out);
    EXPECT_EQ(out.ReadInteger("Options", "FixedProtocols", 0), kFixedProtocolCount);
    EXPECT_EQ(out.ReadInteger("Options", "ProtocolColour" + std::to_string(firstPort), 0), 4660);
    Environment again;
    again.Load(out);
    EXPECT_EQ(again.Protocols.Colour(firstPort), 4660u);
  }
  EXPECT_EQ(StoredColourKey(ProtoDNS, 76), ProtoDNS);
  EXPECT_EQ(StoredColourKey(ProtoRawIP, 76), 0u);
  EXPECT_EQ(StoredColourKey(firstPort + 2, 76), 79u);
  EXPECT_EQ(StoredColourKey(firstPort, 79), firstPort);
}

TEST(ProtocolPathTable, StacksShareTheirPrefixes) {
  ProtocolPathTable t;
  uint32_t a = 0, b = 0;
  SetFrameProtocol(t, a, ProtoEthernet);
  SetFrameProtocol(t, a, ProtoIPV4);
  SetFrameProtocol(t, a, ProtoUDP);
  SetFrameProtocol(t, b, ProtoEthernet);
  SetFrameProtocol(t, b, ProtoIPV4);
  SetFrameProtocol(t, b, ProtoTCP);
  EXPECT_EQ(t.Count(), 4u);
  EXPECT_EQ(t[a].Protocol, ProtoUDP);
  EXPECT_EQ(t[t[a].Parent].Protocol, ProtoIPV4);
  EXPECT_EQ(t[a].Parent, t[b].Parent);
  uint32_t c = 0;
  SetFrameProtocol(t, c, ProtoEthernet);
  SetFrameProtocol(t, c, ProtoIPV4);
  SetFrameProtocol(t, c, ProtoUDP);
  EXPECT_EQ(c, a);
  t.Clear();
  EXPECT_EQ(t.Count(), 0u);
}

TEST(NodeRegistry, PairsAndSharedNetworkEntries) {
  NodeRegistry r;
  const uint8_t m1[6] = {0, 0, 0x0C, 1, 2, 3}, m2[6] = {0, 0, 0x0C, 1, 2, 4};
  const uint8_t bc[6] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
  const uint32_t a = r.RegisterNode(m1, 0x0A000001, {});
  EXPECT_EQ(r.RegisterNode(m1, 0x0A000001, {}), a);
  const uint32_t b = r.RegisterNode(m2, 0x0A000001, {});
  EXPECT_NE(a, b);
  EXPECT_EQ(r.NodeStatTable[a].NetNode, r.NodeStatTable[b].NetNode);
  EXPECT_EQ(r.RegisterNode(m1, 0, {}), 3u);
  EXPECT_EQ(r.RegisterNode(bc, 0, {}), 4u);
  EXPECT_EQ(r.NodeStatTable[4].NetNode, 0u);
  const uint32_t v6 = r.RegisterNode(m1, 0, "FE80::1");
  EXPECT_EQ(r.NodeTable[r.NodeStatTable[v6].NetNode].Name, "FE80::1");
  EXPECT_EQ(r.NodeCount(), 5u);  // two MACs, one IPv4, broadcast, one IPv6
}

TEST(NodeRegistry, SortOrdersAddressesAndKeepsPairsPointingRight) {
  NodeRegistry r;
  const uint8_t m1[6] = {0, 0, 0, 0, 0, 9}, m2[6] = {0, 0, 0, 0, 0, 1};
  const uint32_t p10 = r.RegisterNode(m1, 0x0A00000A, {});
  const uint32_t p2 = r.RegisterNode(m2, 0x0A000002, {});
  const uint32_t pv6 = r.RegisterNode(m2, 0, "2001::1");
  const uint32_t pmac = r.RegisterNode(m1, 0, {});
  r.SortNodes();
  ASSERT_EQ(r.NodeCount(), 5u);
  EXPECT_EQ(r.NodeTable[1].IPv4, 0x0A000002u);
  EXPECT_EQ(r.NodeTable[2].IPv4, 0x0A00000Au);
  EXPECT_EQ(r.NodeTable[3].Name, "2001::1");
  EXPECT_EQ(r.NodeTable[4].MacText, "00:00:00:00:00:01");
  EXPECT_EQ(r.NodeTable[5].MacText, "00:00:00:00:00:09");
  EXPECT_EQ(r.NodeTable[r.NodeStatTable[p10].NetNode].IPv4, 0x0A00000Au);
  EXPECT_EQ(r.NodeTable[r.NodeStatTable[p10].MacNode].MacText, "00:00:00:00:00:09");
  EXPECT_EQ(r.NodeTable[r.NodeStatTable[p2].MacNode].MacText, "00:00:00:00:00:01");
  EXPECT_EQ(r.NodeTable[r.NodeStatTable[pv6].NetNode].Name, "2001::1");
  EXPECT_EQ(r.NodeStatTable[pmac].NetNode, 0u);
  // Registering after the sort still finds the existing entries.
  EXPECT_EQ(r.RegisterNode(m1, 0x0A00000A, {}), p10);
  EXPECT_EQ(r.FirstNetworkPair("00:00:00:00:00:09"), p10);
}

TEST(NodeRegistry, MoreThan65535StationsStayDistinct) {
  NodeRegistry r;
  uint32_t last = 0;
  for (uint32_t i = 0; i < 70000; ++i) {
    const uint8_t mac[6] = {0,
                            1,
                            0,
                            static_cast<uint8_t>(i >> 16),
                            static_cast<uint8_t>(i >> 8),
                            static_cast<uint8_t>(i)};
    last = r.RegisterNode(mac, 0, {});
  }
  EXPECT_EQ(last, 70000u);
  EXPECT_EQ(r.NodeCount(), 70000u);
}

TEST(GetProtocolColour, InnermostColouredProtocolWins) {
  test::SessionFixture fx;
  CaptureSession& s = fx.session;
  auto frameWith = [&](std::initializer_list<uint16_t> stack) {
    uint32_t p = 0;
    for (uint16_t id : stack) SetFrameProtocol(s.Paths, p, id);
    s.FrameTable.push_back({});
    s.FrameTable.back().Protocol = p;
    return ++s.FrameCount;
  };
  const uint32_t tcp = frameWith({ProtoEthernet, ProtoIPV4, ProtoTCP, ProtoHTTP});
  const uint32_t icmp = frameWith({ProtoEthernet, ProtoIPV4, ProtoICMP});
  const uint32_t unknown = frameWith({ProtoEthernet, ProtoUnknown});
  const uint32_t none = frameWith({ProtoEthernet});
  EXPECT_EQ(GetProtocolColour(s, tcp), 0xFF0000u);
  EXPECT_EQ(GetProtocolColour(s, icmp), 0x008000u);
  EXPECT_EQ(GetProtocolColour(s, unknown), 0x000080u);
  EXPECT_EQ(GetProtocolColour(s, none), 0u);
  EXPECT_EQ(GetProtocolColour(s, 99), 0u);
  fx.env.settings.ColourGrid = false;
  EXPECT_EQ(GetProtocolColour(s, tcp), 0u);
}

}  // namespace
}  // namespace kestle
