// Every entry of every dispatch table, reached by a frame through the whole
// summary pass: the protocol stack and the Description it records. A table
// entry without a case here fails the coverage checks at the end.
#include "decode/dispatch.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "decode/config/port_table.h"
#include "decode/context.h"
#include "decode/protocol_ids.h"
#include "output/grid.h"
#include "support/decode_fixture.h"
#include "support/packets.h"

namespace kestle::test {
namespace {

constexpr const char* kB = "ff:ff:ff:ff:ff:ff";
constexpr const char* kA = "00:11:22:33:44:55";

Bytes Ether(uint16_t type, const Bytes& payload) {
  return FrameBuilder().ether(kB, kA, type).raw(payload).padTo(60);
}
Bytes Llc(uint8_t sap, const Bytes& payload) {
  const Bytes body = Concat({{sap, sap, 0x03}, payload});
  return FrameBuilder().ether(kB, kA, static_cast<uint16_t>(body.size())).raw(body).padTo(60);
}
Bytes Snap(uint32_t oui, uint16_t type, const Bytes& payload) {
  const Bytes body = Concat({FrameBuilder()
                                 .raw({0xAA, 0xAA, 0x03})
                                 .u8(static_cast<uint8_t>(oui >> 16))
                                 .u8(static_cast<uint8_t>(oui >> 8))
                                 .u8(static_cast<uint8_t>(oui))
                                 .be16(type),
                             payload});
  return FrameBuilder().ether(kB, kA, static_cast<uint16_t>(body.size())).raw(body).padTo(60);
}
const Bytes kArp = ArpRequest(kA, "10.0.0.1", "10.0.0.2");
Bytes V4(uint8_t protocol, const Bytes& payload = Bytes(8, 0)) {
  return Ether(0x0800, IPv4Packet(protocol, payload, "10.0.0.1", "10.0.0.2"));
}
Bytes V6(uint8_t nh, const Bytes& payload = Bytes(8, 0)) {
  return Ether(0x86DD, IPv6Packet(nh, payload));
}
// A UDP datagram from port 40200 carrying `message`.
Bytes Udp(uint16_t port, const Bytes& message) {
  return V4(17, Concat({FrameBuilder()
                            .be16(40200)
                            .be16(port)
                            .be16(static_cast<uint16_t>(8 + message.size()))
                            .be16(0),
                        message}));
}

struct Case {
  std::string name;
  Bytes frame;
  std::string stack;  // outermost first
  std::string desc;   // "" = not checked
  uint16_t link = kLinkEthernet;
};

std::vector<Case> Cases() {
  std::vector<Case> k = {
      // link types: each unit hands an IP datagram on
      {"link 1", Ether(0x0806, kArp), "Ethernet/ARP", ""},
      {"link 0", Concat({{2, 0, 0, 0}, IPv4Packet(0xFD, {})}), "Loopback/IPV4", "Loopback/IPV4",
       kLinkNull},
      {"link 12", IPv4Packet(0xFD, {}), "Raw IP/IPV4", "Raw IP/IPV4", kLinkRawBsd},
      {"link 14", IPv6Packet(59, {}), "Raw IP/IPV6", "Raw IP/IPV6", kLinkRawBsd2},
      {"link 101", IPv4Packet(0xFD, {}), "Raw IP/IPV4", "Raw IP/IPV4", kLinkRaw},
      {"link 108", Concat({{0, 0, 0, 24}, IPv6Packet(59, {})}), "Loopback/IPV6", "Loopback/IPV6",
       kLinkLoop},
      {"link 113",
       Concat({FrameBuilder().be16(0).be16(1).be16(6).mac(kA).zeros(2).be16(0x0806), kArp}),
       "Linux cooked/ARP", "Linux cooked/ARP Request - Who is 10.0.0.2", kLinkLinuxSll},
      {"link 228", IPv4Packet(0xFD, {}), "Raw IP/IPV4", "Raw IP/IPV4", kLinkIPv4},
      {"link 229", IPv6Packet(59, {}), "Raw IP/IPV6", "Raw IP/IPV6", kLinkIPv6},
      {"link 276",
       Concat({FrameBuilder().be16(0x86DD).be16(0).be32(1).be16(1).u8(0).u8(6).mac(kA).zeros(2),
               IPv6Packet(59, {})}),
       "Linux cooked/IPV6", "Linux cooked/IPV6", kLinkLinuxSll2},
      // EtherTypes
      {"ether 0800", V4(0xFD), "Ethernet/IPV4", "Ethernet II/IPV4"},
      {"ether 0806", Ether(0x0806, kArp), "Ethernet/ARP",
       "Ethernet II/ARP Request - Who is 10.0.0.2"},
      {"ether 86DD", V6(59), "Ethernet/IPV6", "Ethernet II/IPV6"},
      {"ether 9000", Ether(0x9000, {}), "Ethernet/Loopback", "Ethernet II/Loopback"},
      // SNAP with the zero organisation: the EtherTypes marked for it
      {"snap-ether 0800", Snap(0, 0x0800, IPv4Packet(0xFD, {}, "10.0.0.1", "10.0.0.2")),
       "Ethernet/IPV4", "802.3/SNAP/Encap Ether/IPV4"},
      {"snap-ether 0806", Snap(0, 0x0806, kArp), "Ethernet/ARP", ""},
      {"snap-ether 86DD not handed on", Snap(0, 0x86DD, IPv6Packet(59, {})), "Ethernet/Unknown",
       "802.3/SNAP/Encap Ether"},
      // LLC by DSAP
      {"sap 04", Llc(0x04, {1}), "Ethernet/SNA", "802.3/SNA"},
      {"sap 05", Llc(0x05, {1}), "Ethernet/SNA", "802.3/SNA"},
      {"sap 06", Llc(0x06, IPv4Packet(0xFD, {}, "10.0.0.1", "10.0.0.2")), "Ethernet/IPV4",
       "802.3/IPV4"},
      {"sap 08", Llc(0x08, {1}), "Ethernet/SNA", "802.3/SNA"},
      {"sap 0C", Llc(0x0C, {1}), "Ethernet/SNA", "802.3/SNA"},
      {"sap 42", Llc(0x42, {0, 0, 0}), "Ethernet/Unknown", "802.3"},
      {"sap F0", Llc(0xF0, {1}), "Ethernet/Netbios", "802.3/Netbios"},
      // SNAP by organisation and type
      {"snap 00000C 010B", Snap(0x0C, 0x010B, {}), "Ethernet/Unknown", "802.3/SNAP"},
      {"snap 00000C 2000", Snap(0x0C, 0x2000, {}), "Ethernet/CDP", "802.3/SNAP/CDP"},
      {"snap 00000C 2001", Snap(0x0C, 0x2001, {}), "Ethernet/CGMP", "802.3/SNAP/CGMP"},
      {"snap 00000C 2003", Snap(0x0C, 0x2003, {}), "Ethernet/VTP", "802.3/SNAP"},
      {"snap 00000C 2004", Snap(0x0C, 0x2004, {}), "Ethernet/DTP", "802.3/SNAP/DTP"},
      {"snap 00000C other", Snap(0x0C, 0x1234, {}), "Ethernet/Unknown",
       "802.3/SNAP OC=00000C eType=1234"},
      // IP protocols over IPv4
      {"v4 1", V4(1, {8, 0, 0, 0, 0, 1, 0, 1}), "Ethernet/IPV4/ICMP",
       "Ethernet II/IPV4/ICMP/Echo Request"},
      {"v4 2", V4(2), "Ethernet/IPV4", "Ethernet II/IPV4"},
      {"v4 6", V4(6, TCPHeader(40000, 40001, 0)), "Ethernet/IPV4/TCP", "Ethernet II/IPV4/TCP"},
      {"v4 17", V4(17, UDPHeader(40000, 40001, -1, 0)), "Ethernet/IPV4/UDP",
       "Ethernet II/IPV4/UDP/Unknown"},
      {"v4 46", V4(46), "Ethernet/IPV4/RSVP", "Ethernet II/IPV4/RSVP"},
      {"v4 47", V4(47), "Ethernet/IPV4", "Ethernet II/IPV4"},
      {"v4 50", V4(50), "Ethernet/IPV4", "Ethernet II/IPV4"},
      {"v4 58", V4(58, Icmpv6Echo()), "Ethernet/IPV4", "Ethernet II/IPV4"},
      {"v4 88", V4(88), "Ethernet/IPV4", "Ethernet II/IPV4"},
      {"v4 89", V4(89), "Ethernet/IPV4", "Ethernet II/IPV4"},
      {"v4 103", V4(103), "Ethernet/IPV4", "Ethernet II/IPV4"},
      // IP protocols over IPv6
      {"v6 1", V6(1, {8, 0, 0, 0, 0, 1, 0, 1}), "Ethernet/IPV6/ICMP",
       "Ethernet II/IPV6/Echo Request"},
      {"v6 2", V6(2, {0x11, 0, 0, 0}), "Ethernet/IPV6/IGMP", "Ethernet II/IPV6"},
      {"v6 6", V6(6, TCPHeader(40000, 40001, 0)), "Ethernet/IPV6/TCP", "Ethernet II/IPV6/TCP"},
      {"v6 17", V6(17, UDPHeader(40000, 40001, -1, 0)), "Ethernet/IPV6/UDP",
       "Ethernet II/IPV6/UDP/Unknown"},
      {"v6 46", V6(46), "Ethernet/IPV6/RSVP", "Ethernet II/IPV6"},
      {"v6 47", V6(47), "Ethernet/IPV6/GRE", "Ethernet II/IPV6"},
      {"v6 50", V6(50), "Ethernet/IPV6/ESP", "Ethernet II/IPV6"},
      {"v6 58", V6(58, Icmpv6Echo()), "Ethernet/IPV6/ICMPV6",
       "Ethernet II/IPV6/ICMPv6/Echo Request"},
      {"v6 88", V6(88, {2, 5, 0, 0}), "Ethernet/IPV6/EIGRP", "Ethernet II/IPV6/Hello"},
      {"v6 89", V6(89, {2, 1, 0, 0}), "Ethernet/IPV6/OSPF", "Ethernet II/IPV6/Hello"},
      {"v6 89 unknown type", V6(89, {2, 9, 0, 0}), "Ethernet/IPV6/OSPF",
       "Ethernet II/IPV6/Unknown"},
      {"v6 103", V6(103, {0x20, 0, 0, 0}), "Ethernet/IPV6/PIM", "Ethernet II/IPV6"},
      {"v6 4 is data", V6(4, IPv4Packet(1, {8, 0, 0, 0})), "Ethernet/IPV6", "Ethernet II/IPV6"},
      {"v6 41 is data", V6(41, IPv6Packet(59, {})), "Ethernet/IPV6", "Ethernet II/IPV6"},
  };
  // Port decoder codes over each transport: the built-in port of each code.
  // A code the transport hands on names the payload (by the decoder, or by
  // the port's description while the decoder is not built in); one it does
  // not hand on adds nothing.
  struct PortCase {
    uint16_t code;
    uint16_t port;
    const char* overTcp;  // the stack's last protocols
    const char* overUdp;
  };
  const PortCase ports[] = {
      {DecodeBGP, 179, "TCP/BGP", "UDP"},
      {DecodeDHCP, 67, "TCP", "UDP/DHCP"},
      {DecodeDNS, 53, "TCP/DNS", "UDP/DNS"},
      {DecodeHSRP, 1985, "TCP", "UDP/HSRP"},
      {DecodeHTTP, 80, "TCP/HTTP", "UDP"},
      {DecodeNetbios, 137, "TCP/NBSS", "UDP/NBNS"},
      {DecodeNTP, 123, "TCP", "UDP/NTP"},
      {DecodeRADIUS, 1812, "TCP", "UDP"},
      {DecodeRIP, 520, "TCP", "UDP/RIP"},
      {DecodeRIPng, 521, "TCP", "UDP/RIPng"},
      {DecodeSNMP, 161, "TCP", "UDP/SNMP"},
      {DecodeTacacs, 49, "TCP", "UDP/TACACS"},  // an empty segment names no variant
      {DecodeTFTP, 69, "TCP", "UDP/TFTP"},
      {DecodeISAKMP, 500, "TCP", "UDP/ISAKMP"},
      {DecodePPTP, 1723, "TCP/PPTP", "UDP"},
      {DecodeRTP, 5002, "TCP", "UDP/RTP"},
      {DecodeSocks, 1080, "TCP/Socks", "UDP"},
      {DecodeSSL, 443, "TCP", "UDP"},  // an empty segment names no version
      {DecodeSSDP, 1900, "TCP", "UDP/SSDP"},
      {DecodeRTSP, 554, "TCP/RTSP", "UDP"},
      {DecodeSIP, 5060, "TCP/SIP", "UDP/SIP"},
      {DecodeSMTP, 25, "TCP/SMTP", "UDP"},
      {DecodeTelnet, 23, "TCP/Telnet", "UDP"},
      {DecodeDLSw, 2065, "TCP/DLSw", "UDP"},
      {DecodeiSCSI, 3260, "TCP/iSCSI", "UDP"},
  };
  // The decoders built in, with a message each: DNS over both transports
  // (over TCP after its length), NetBIOS by transport and port.
  const Bytes query =
      Concat({FrameBuilder().be16(0x1234).be16(0x0100).be16(1).be16(0).be16(0).be16(0),
              DomainNameBytes("a.example"), FrameBuilder().be16(1).be16(1)});
  k.push_back({"udp code 3 query", V4(17, UDPDatagram(40000, 53, query)), "Ethernet/IPV4/UDP/DNS",
               "Ethernet II/IPV4/UDP/DNS/Query a.example"});
  k.push_back({"tcp code 3 query",
               V4(6, Concat({TCPHeader(40000, 53, 0x18),
                             FrameBuilder().be16(static_cast<uint16_t>(query.size())), query})),
               "Ethernet/IPV4/TCP/DNS", "Ethernet II/IPV4/TCP (ACK PSH)/DNS/Query a.example"});
  const Bytes smb = FrameBuilder().raw({0xFF, 'S', 'M', 'B', 0x72}).zeros(28);
  k.push_back({"variant udp 6 port 138", V4(17, UDPDatagram(138, 138, Bytes(14, 0))),
               "Ethernet/IPV4/UDP/NBDG", "Ethernet II/IPV4/UDP/Netbios/NBDG"});
  // Behind the NetBIOS session service, the datagram service and NetBIOS
  // frames, SMB by its signature.
  k.push_back({"signature FF534D42",
               V4(6, Concat({TCPHeader(40000, 445, 0x18), {0, 0, 0, 33}, smb})),
               "Ethernet/IPV4/TCP/NBSS/SMB",
               "Ethernet II/IPV4/TCP (ACK PSH)/Netbios/NBSS/SMB/SmbNegotiate"});
  k.push_back({"sap F0 smb", Llc(0xF0, Concat({{14, 0}, Bytes(12, 0), smb})),
               "Ethernet/Netbios/SMB", "802.3/Netbios/SMB/SmbNegotiate"});
  for (const auto& p : ports) {
    const std::string code = std::to_string(p.code);
    k.push_back({"tcp code " + code, V4(6, TCPHeader(40000, p.port, 0, {})),
                 std::string("Ethernet/IPV4/") + p.overTcp, ""});
    // A port of its own for each: a TFTP request makes its client port a
    // transfer's, whatever port it sends to later.
    k.push_back({"udp code " + code, V4(17, UDPHeader(40100 + p.code, p.port, -1, 4)),
                 std::string("Ethernet/IPV4/") + p.overUdp, ""});
  }
  // The network service decoders on messages of their own.
  const Bytes bootp =
      FrameBuilder().u8(1).u8(1).u8(6).zeros(233).be32(0x63825363).raw({53, 1, 3, 255});
  k.push_back({"udp code 2 request", Udp(67, bootp), "Ethernet/IPV4/UDP/DHCP",
               "Ethernet II/IPV4/UDP/DHCP Request"});
  k.push_back({"udp code 7 message", Udp(123, Bytes(48, 0x23)), "Ethernet/IPV4/UDP/NTP",
               "Ethernet II/IPV4/UDP/NTP"});
  // RADIUS has a tree only: UDP's Description.
  const Bytes radius = FrameBuilder().u8(1).u8(1).be16(20).zeros(16);
  k.push_back({"udp code 8 access-request", Udp(1812, radius), "Ethernet/IPV4/UDP",
               "Ethernet II/IPV4/UDP"});
  const Bytes snmpGet = {0x30, 0x19, 0x02, 0x01, 0x00, 0x04, 0x06, 'p',  'u',  'b',
                         'l',  'i',  'c',  0xA0, 0x0C, 0x02, 0x01, 0x01, 0x02, 0x01,
                         0x00, 0x02, 0x01, 0x00, 0x30, 0x00, 0x00, 0x00};
  k.push_back({"udp code 11 get", Udp(161, snmpGet), "Ethernet/IPV4/UDP/SNMP",
               "Ethernet II/IPV4/UDP/SNMPv1/Get"});
  // TACACS by the first byte's high nibble, over both transports.
  k.push_back({"udp code 12 xtacacs", Udp(49, {0x80, 1, 0, 0, 0, 0}), "Ethernet/IPV4/UDP/XTACACS",
               "Ethernet II/IPV4/UDP/XTACACS/Login"});
  const Bytes plusStart = {0xC0, 1, 1, 1, 0, 0, 0, 1, 0, 0, 0, 0};
  k.push_back({"tcp code 12 tacacs+", V4(6, Concat({TCPHeader(40000, 49, 0x18), plusStart})),
               "Ethernet/IPV4/TCP/TACACS+",
               "Ethernet II/IPV4/TCP (ACK PSH)/TACACS+/Authentication/Request"});
  k.push_back({"tcp code 12 no payload", V4(6, TCPHeader(40000, 49, 0x02)), "Ethernet/IPV4/TCP",
               "Ethernet II/IPV4/TCP (SYN)"});
  // Telnet, SSL and TLS over TCP; ISAKMP over UDP.
  k.push_back({"tcp code 23 negotiation",
               V4(6, Concat({TCPHeader(40000, 23, 0x18), {0xFF, 0xFD, 24}})),
               "Ethernet/IPV4/TCP/Telnet", "Ethernet II/IPV4/TCP (ACK PSH)/Telnet"});
  k.push_back({"tcp code 18 client hello",
               V4(6, Concat({TCPHeader(40000, 443, 0x18), {0x16, 3, 1, 0, 4, 1, 0, 0, 0}})),
               "Ethernet/IPV4/TCP/TLS", "Ethernet II/IPV4/TCP (ACK PSH)/TLSv3 Client Hello"});
  k.push_back({"tcp code 18 sslv2 hello",
               V4(6, Concat({TCPHeader(40000, 443, 0x18), {0x80, 9, 1, 0, 2, 0, 0, 0, 0, 0, 0}})),
               "Ethernet/IPV4/TCP/SSLv2", "Ethernet II/IPV4/TCP (ACK PSH)/SSLv2 Client Hello"});
  k.push_back({"udp code 14 main mode",
               Udp(500, FrameBuilder().zeros(16).u8(0).u8(0x10).u8(2).u8(0).be32(0).be32(28)),
               "Ethernet/IPV4/UDP/ISAKMP", "Ethernet II/IPV4/UDP/ISAKMP Identity Protection"});
  k.push_back({"udp code 16 packet", Udp(5002, FrameBuilder().u8(0x80).u8(0).zeros(10)),
               "Ethernet/IPV4/UDP/RTP", "Ethernet II/IPV4/UDP/RTP"});
  // Last: its client port is a TFTP transfer's from here on.
  k.push_back({"udp code 13 read request",
               Udp(69, FrameBuilder().be16(1).text("f").u8(0).text("octet").u8(0)),
               "Ethernet/IPV4/UDP/TFTP", "Ethernet II/IPV4/UDP/TFTP Read Request,File=f"});
  // ... so that the client's acknowledgement to the server's own port is
  // TFTP's, which neither port names.
  k.push_back({"claim udp 13",
               V4(17, UDPDatagram(40200, 50000, FrameBuilder().be16(4).be16(1).bytes())),
               "Ethernet/IPV4/UDP/TFTP", "Ethernet II/IPV4/UDP/TFTP Acknowledgment,Block=1"});
  return k;
}

// Loads the frames of the cases, in their order.
void LoadCases(DecodeFixture& fx, const std::vector<Case>& cases) {
  std::vector<DecodeFixture::LinkedFrame> frames;
  for (const auto& k : cases) frames.push_back({k.link, k.frame});
  ASSERT_TRUE(fx.Load(frames));
}

TEST(DispatchTables, EveryEntryReachesItsProtocol) {
  const auto cases = Cases();
  DecodeFixture fx;
  ASSERT_NO_FATAL_FAILURE(LoadCases(fx, cases));
  ASSERT_EQ(fx.session.FrameCount, cases.size());
  for (uint32_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(cases[i].name);
    EXPECT_EQ(fx.Stack(i + 1), cases[i].stack);
    if (!cases[i].desc.empty()) {
      EXPECT_EQ(fx.session.Description(i + 1), cases[i].desc);
    }
    // The tree reaches the same units; every line inside its parent.
    EXPECT_NE(fx.Tree(i + 1), std::vector<std::string>{"not read"});
  }
}

// Each table entry has a case above.
TEST(DispatchTables, EveryEntryHasACase) {
  std::set<std::string> names;
  for (const auto& k : Cases()) names.insert(k.name);
  auto hex = [](uint32_t v, int w) {
    char b[16];
    std::snprintf(b, sizeof b, "%0*X", w, v);
    return std::string(b);
  };
  for (const auto& e : LinkTypeTable())
    EXPECT_TRUE(names.count("link " + std::to_string(e.LinkType)));
  for (const auto& e : EtherTypeTable()) {
    EXPECT_TRUE(names.count("ether " + hex(e.Type, 4))) << hex(e.Type, 4);
    if (e.OverSnap) {
      EXPECT_TRUE(names.count("snap-ether " + hex(e.Type, 4))) << hex(e.Type, 4);
    }
  }
  for (const auto& e : LlcSapTable())
    EXPECT_TRUE(names.count("sap " + hex(e.Sap, 2))) << hex(e.Sap, 2);
  for (const auto& e : SnapTable())
    EXPECT_TRUE(names.count("snap " + hex(e.Oui, 6) + " " + hex(e.Type, 4))) << hex(e.Type, 4);
  for (const auto& e : IpProtocolTable()) {
    EXPECT_TRUE(names.count("v4 " + std::to_string(e.Protocol))) << int{e.Protocol};
    EXPECT_TRUE(names.count("v6 " + std::to_string(e.Protocol))) << int{e.Protocol};
  }
  for (const auto& e : PortDecoderTable()) {
    EXPECT_TRUE(names.count("tcp code " + std::to_string(e.Code))) << e.Code;
    EXPECT_TRUE(names.count("udp code " + std::to_string(e.Code))) << e.Code;
  }
  for (const auto& e : PortVariantTable()) {
    const std::string name =
        std::string(e.Carrier == Transport::TCP ? "variant tcp " : "variant udp ") +
        std::to_string(e.Code) + " port " + std::to_string(e.Port);
    EXPECT_TRUE(names.count(name)) << name;
  }
  for (const auto& e : ClaimTable()) {
    const std::string name =
        std::string(e.Carrier == Transport::TCP ? "claim tcp " : "claim udp ") +
        std::to_string(e.Code);
    EXPECT_TRUE(names.count(name)) << name;
  }
  for (const auto& e : SignatureTable()) {
    std::string name = "signature ";
    for (char ch : e.Signature) name += hex(static_cast<uint8_t>(ch), 2);
    EXPECT_TRUE(names.count(name)) << name;
  }
}

// The headers of the link, network and transport layers, ARP and ISAKMP
// carry the pictures of their kinds; every other top-level line, the other
// application protocols' roots among them, is a plain line.
TEST(DispatchTables, TopLevelLinesCarryTheirPictures) {
  const auto cases = Cases();
  DecodeFixture fx;
  ASSERT_NO_FATAL_FAILURE(LoadCases(fx, cases));
  const std::pair<std::string_view, TreeImage> kPictures[] = {
      {"Ethernet II", TreeImage::Link},
      {"IEEE 802.3 Ethernet", TreeImage::Link},
      {"Linux cooked", TreeImage::Link},
      {"Raw IP", TreeImage::Link},
      {"Loopback", TreeImage::Link},
      {"Inter-Switch Link", TreeImage::Protocol},
      {"Address Resolution Protocol", TreeImage::Message},
      {"IPv4 Header", TreeImage::Network},
      {"Internet Protocol Version 6", TreeImage::Network},
      {"TCP Header", TreeImage::Segment},
      {"UDP Header", TreeImage::Datagram},
      {"Internet Security Association and Key Management Protocol", TreeImage::Security},
  };
  std::set<std::string> roots;
  for (uint32_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(cases[i].name);
    for (const auto& [text, image] : fx.TopLines(i + 1)) {
      TreeImage want = TreeImage::Plain;
      for (const auto& [prefix, picture] : kPictures)
        if (text.starts_with(prefix)) want = picture;
      EXPECT_EQ(image, want) << text;
      if (want == TreeImage::Plain) roots.insert(text.substr(0, text.find(" (")));
    }
  }
  // The application roots are among the lines checked.
  for (const char* root :
       {"Domain Name System", "Dynamic Host Configuration Protocol", "Network Time Protocol",
        "Simple Network Management Protocol", "Trivial File Transport Protocol",
        "Netbios Datagram Service", "Server Message Block Protocol(SMB)", "Telnet",
        "Transport Layer Security Protocol", "Secure Socket Layer Protocol"})
    EXPECT_TRUE(roots.count(root)) << root;
}

// The settings file stores protocol identifiers: they keep their numbers,
// and new ones are only appended.
TEST(ProtocolIds, KeepTheirNumbers) {
  const std::vector<std::string> names = {
      "802.1q",   "AH",       "ARP",     "BGP",      "CDP",     "CGMP",     "DHCP",
      "DNS",      "DLSw",     "DTP",     "EAP",      "EIGRP",   "ESP",      "GRE",
      "GVRP",     "HSRP",     "HTTP",    "ICMP",     "ICMPV6",  "IGMP",     "IPV4",
      "IPV6",     "IPX",      "IPX-RIP", "ISAKMP",   "iSCSI",   "IS-IS",    "ISL",
      "LLDP",     "Loopback", "MPLS",    "NBDG",     "NBNS",    "NBSS",     "Netbios",
      "NTP",      "OSPF",     "PPP",     "PPP CBCP", "PPP CCP", "PPP Comp", "PPP CHAP",
      "PPP IPCP", "PPP LCP",  "PPPoE",   "PPTP",     "PIM",     "RIP",      "RADIUS",
      "RIPng",    "RSVP",     "RTP",     "RTSP",     "SAP",     "SIP",      "SMB",
      "SMTP",     "SNA",      "SNMP",    "Socks",    "SSDP",    "SSLv2",    "SSLv3",
      "STP",      "TACACS",   "TACACS+", "TCP",      "Telnet",  "TFTP",     "TLS",
      "UDP",      "Unknown",  "VRRP",    "VTP",      "XTACACS", "Ethernet", "Linux cooked",
      "Raw IP",   "Loopback"};
  ASSERT_GE(kFixedProtocolCount, names.size());
  for (size_t i = 0; i < names.size(); ++i)
    EXPECT_EQ(kFixedProtocolNames[i + 1], names[i]) << i + 1;
  EXPECT_EQ(ProtoIPV4, 21);
  EXPECT_EQ(ProtoTCP, 67);
  EXPECT_EQ(ProtoEthernet, 76);
  EXPECT_EQ(ProtoLinuxCooked, 77);
  EXPECT_EQ(ProtoRawIP, 78);
  EXPECT_EQ(ProtoBSDLoopback, 79);
  EXPECT_EQ(kFixedProtocolCount, 79);
}

}  // namespace
}  // namespace kestle::test
