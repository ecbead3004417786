#include "decode/config/port_table.h"

#include <gtest/gtest.h>

#include "decode/config/environment.h"
#include "decode/config/ini.h"
#include "protocols/transport_fixture.h"

namespace kestle::test {
namespace {

TEST(PortTable, BuiltInLookUps) {
  PortTable t;
  t.LoadBuiltIn();
  EXPECT_EQ(t.Entries().size(), 48u);
  EXPECT_EQ(t.PortDescription(PortTCP, 80), "HTTP");
  EXPECT_EQ(t.PortDescription(PortUDP, 80), "Unknown");
  EXPECT_EQ(t.PortDescription(PortUDP, 53), "DNS");
  EXPECT_EQ(t.PortDescription(PortTCP, 53), "DNS");
  EXPECT_EQ(t.PortDescription(PortTCP, 65535), "Unknown");
  EXPECT_EQ(t.PortDecoder(69), DecodeTFTP);  // whatever the entry's type
  EXPECT_EQ(t.PortDecoder(4), DecodeDataOnly);
  EXPECT_EQ(t.PortProtocol(PortUDP, "Radius"), ProtoRADIUS);
  EXPECT_EQ(t.PortProtocol(PortTCP, "Radius"), 0);
  EXPECT_EQ(t.PortProtocol(PortTCP, "radius"), 0);
}

TEST(PortTable, FirstMatchWins) {
  PortTable t;
  t.Replace({{PortUDP, 7000, "First UDP", 0, DecodeDNS},
             {PortBoth, 7000, "Both", 0, DecodeSNMP},
             {PortTCP, 7000, "Later TCP", 0, DecodeHTTP}});
  EXPECT_EQ(t.PortDescription(PortUDP, 7000), "First UDP");
  EXPECT_EQ(t.PortDescription(PortTCP, 7000), "Both");
  EXPECT_EQ(t.PortDecoder(7000), DecodeDNS);
}

TEST(PortTable, LoadFromSettings) {
  IniFile ini;
  ini.Parse(
      "[Ports]\n"
      "PortNum=9\n"
      "Port1=8080,1,5,0,Web proxy\n"
      "Port2=x80,1,5,0,Not a number\n"
      "Port3=0,1,0,0,Port zero\n"
      "Port4=70000,1,0,0,Port too large\n"
      "Port5=9000,3,0,0,Type too large\n"
      "Port6=9001,0,99,500,Codes out of range\n"
      "Port7=9002,2,3\n"
      "Port8=9003,0,0,59,Trap, with comma\n"
      "Port9=-5,0,0,0,Negative\n");
  PortTable t;
  ASSERT_TRUE(t.Load(ini));
  ASSERT_EQ(t.Entries().size(), 3u);
  EXPECT_EQ(t.Entries()[0].Port, 8080);
  EXPECT_EQ(t.Entries()[0].PortType, PortTCP);
  EXPECT_EQ(t.Entries()[0].DecodeAs, DecodeHTTP);
  EXPECT_EQ(t.PortDescription(PortTCP, 8080), "Web proxy");
  EXPECT_EQ(t.Entries()[1].DecodeAs, 0);
  EXPECT_EQ(t.Entries()[1].ProtocolId, 0);
  EXPECT_EQ(t.Entries()[2].Description, "Trap, with comma");
  EXPECT_EQ(t.Entries()[2].ProtocolId, ProtoSNMP);
  EXPECT_EQ(t.PortDescription(PortTCP, 80), "Unknown");  // no built-ins mixed in
}

// Values are read by their number, from 1 to PortNum, whatever gaps there
// are and in whatever order the file holds them.
TEST(PortTable, LoadFollowsValueNumbers) {
  struct Case {
    const char* name;
    const char* section;
    std::vector<uint16_t> ports;
  } cases[] = {
      {"gaps", "PortNum=7\nPort1=100,2,0,0,A\nPort7=700,2,0,0,G\n", {100, 700}},
      {"file order differs", "Port3=300,2,0,0,C\nPort1=100,2,0,0,A\nPortNum=3\n", {100, 300}},
      {"beyond PortNum", "PortNum=1\nPort1=100,2,0,0,A\nPort2=200,2,0,0,B\n", {100}},
      {"key in other case", "PortNum=2\nport2=200,2,0,0,B\n", {200}},
      {"leading zero is another key", "PortNum=2\nPort02=200,2,0,0,B\nPort1=1,2,0,0,A\n", {1}},
  };
  for (const auto& k : cases) {
    IniFile ini;
    ini.Parse(std::string("[Ports]\n") + k.section);
    PortTable t;
    t.Load(ini);
    std::vector<uint16_t> ports;
    for (const auto& e : t.Entries()) ports.push_back(e.Port);
    EXPECT_EQ(ports, k.ports) << k.name;
  }
}

TEST(PortTable, NothingUsableMeansNoTable) {
  IniFile ini;
  ini.Parse("[Ports]\nPortNum=2000000000\nPort1=abc\n");
  PortTable t;
  EXPECT_FALSE(t.Load(ini));
  EXPECT_TRUE(t.Entries().empty());
}

TEST(PortTable, SaveWritesStartUpIdentifiersAsZero) {
  Environment env;  // built-ins, identifiers from 77 given out
  EXPECT_EQ(env.Ports.Entries()[0].ProtocolId, kFixedProtocolCount + 1);
  IniFile ini;
  env.Ports.Save(ini);
  EXPECT_EQ(ini.ReadString("Ports", "Port1", ""), "20,1,0,0,FTP Data");
  EXPECT_EQ(ini.ReadString("Ports", "Port3", ""), "23,1,23,68,Telnet");
  EXPECT_EQ(ini.ReadInteger("Ports", "PortNum", 0), 48);
  PortTable again;
  ASSERT_TRUE(again.Load(ini));
  EXPECT_EQ(again.Entries().size(), 48u);
}

// The port dialog's OK replaces the entries: deleting the first entry and
// adding one must leave every look-up on the entry it names, and every
// identifier made at start-up on the entry it was made for.
TEST(PortTable, ReplacedEntriesAreLookedUpAgain) {
  Environment env;
  std::vector<WellKnownRec> edited = env.Ports.Entries();
  ASSERT_EQ(edited.front().Port, 20);
  edited.erase(edited.begin());
  edited.push_back({PortUDP, 16384, "RTP media", 0, DecodeRTP});
  env.Ports.Replace(edited);

  struct Case {
    uint8_t type;
    uint16_t port;
    const char* description;
    uint16_t decoder;
  } cases[] = {
      {PortTCP, 20, "Unknown", DecodeDataOnly}, {PortTCP, 21, "FTP", DecodeDataOnly},
      {PortTCP, 80, "HTTP", DecodeHTTP},        {PortTCP, 139, "NBSS", DecodeNetbios},
      {PortUDP, 161, "SNMP", DecodeSNMP},       {PortTCP, 179, "BGP", DecodeBGP},
      {PortUDP, 16384, "RTP media", DecodeRTP}, {PortTCP, 16384, "Unknown", DecodeRTP},
  };
  for (const Case& k : cases) {
    EXPECT_EQ(env.Ports.PortDescription(k.type, k.port), k.description) << k.port;
    EXPECT_EQ(env.Ports.PortDecoder(k.port), k.decoder) << k.port;
  }
  EXPECT_EQ(env.Ports.PortProtocol(PortTCP, "HTTP"), ProtoHTTP);
  EXPECT_EQ(env.Ports.PortProtocol(PortTCP, "FTP Data"), 0);
  // An entry added during the run has no identifier of its own.
  EXPECT_EQ(env.Ports.PortProtocol(PortUDP, "RTP media"), 0);
  for (const WellKnownRec& e : env.Ports.Entries()) {
    if (e.ProtocolId > kFixedProtocolCount) {
      EXPECT_EQ(env.Protocols.Name(e.ProtocolId), e.Description) << e.Port;
    }
    if (e.ProtocolId != 0) {
      EXPECT_EQ(env.Ports.PortProtocol(e.PortType == PortUDP ? PortUDP : PortTCP, e.Description),
                e.ProtocolId)
          << e.Port;
    }
  }
}

// Reading another settings file rebuilds the table, its index and the
// identifiers made for it.
TEST(PortTable, ReloadedSettingsAreLookedUpAgain) {
  Environment env;
  IniFile first, second;
  first.Parse("[Ports]\nPortNum=2\nPort1=8080,1,5,0,Web proxy\nPort2=8443,1,0,0,Admin\n");
  second.Parse("[Ports]\nPortNum=1\nPort1=8443,1,0,0,Console\n");
  env.Load(first);
  env.Load(second);
  EXPECT_EQ(env.Ports.PortDescription(PortTCP, 8080), "Unknown");
  EXPECT_EQ(env.Ports.PortDecoder(8080), DecodeDataOnly);
  EXPECT_EQ(env.Ports.PortDescription(PortTCP, 8443), "Console");
  EXPECT_EQ(env.Ports.PortProtocol(PortTCP, "Admin"), 0);
  const uint16_t id = env.Ports.PortProtocol(PortTCP, "Console");
  EXPECT_EQ(id, kFixedProtocolCount + 1);
  EXPECT_EQ(env.Protocols.Name(id), "Console");
}

// A port description from the settings file decides a TCP segment's
// Description and protocol.
using PortSettings = TransportFixture;

TEST_F(PortSettings, EntryNamesSegments) {
  IniFile ini;
  ini.Parse("[Ports]\nPortNum=1\nPort1=8080,1,0,0,Web proxy\n");
  env.Load(ini);
  const uint16_t id = env.Ports.PortProtocol(PortTCP, "Web proxy");
  EXPECT_EQ(id, kFixedProtocolCount + 1);
  EXPECT_EQ(env.Protocols.Name(id), "Web proxy");
  IPv4Spec s;
  EXPECT_EQ(Summary(IPv4Packet(s, TCPHeader(40000, 8080, 0x18))), "/IPV4/TCP (ACK PSH)/Web proxy");
  EXPECT_EQ(session.Paths.ProtocolOf(c.FrameProtocol), id);
  Tree(IPv4Packet(s, TCPHeader(40000, 8080, 0x18)));
  EXPECT_EQ(Find("Destination port")->Text, "Destination port (2 bytes) - 8080 (Web proxy)");
}

// Segments decoded after the dialog's OK follow the new entries.
TEST_F(PortSettings, EditedEntriesNameSegments) {
  std::vector<WellKnownRec> edited = env.Ports.Entries();
  edited.erase(edited.begin());
  edited.push_back({PortUDP, 16384, "RTP media", 0, DecodeDataOnly});
  env.Ports.Replace(edited);
  IPv4Spec s;
  EXPECT_EQ(Summary(IPv4Packet(s, TCPHeader(40000, 110, 0x18))), "/IPV4/TCP (ACK PSH)/POP3");
  EXPECT_EQ(env.Protocols.Name(session.Paths.ProtocolOf(c.FrameProtocol)), "POP3");
  s.protocol = 17;
  EXPECT_EQ(Summary(IPv4Packet(s, UDPHeader(5000, 16384, -1, 4))), "/IPV4/UDP/RTP media");
  EXPECT_EQ(session.Paths.ProtocolOf(c.FrameProtocol), ProtoUDP);
}

}  // namespace
}  // namespace kestle::test
