#include "protocols/netbios.h"

#include <gtest/gtest.h>

#include <string>

#include "protocols/link.h"
#include "protocols/transport_fixture.h"

namespace kestle::test {
namespace {

struct Netbios : TransportFixture {
  const DetailNode* Exact(std::string_view text) const {
    const DetailNode* found = nullptr;
    tree.Walk([&](const DetailNode& n, int) {
      if (!found && n.Text == text) found = &n;
    });
    return found;
  }
};

// The first-level encoding of a 16-byte name: two letters per byte.
Bytes Encoded(std::string name, uint8_t suffix, std::string_view scope = {}) {
  name.resize(15, ' ');
  name += static_cast<char>(suffix);
  Bytes b = {32};
  for (const char ch : name) {
    const auto v = static_cast<uint8_t>(ch);
    b.push_back(static_cast<uint8_t>('A' + (v >> 4)));
    b.push_back(static_cast<uint8_t>('A' + (v & 15)));
  }
  if (!scope.empty()) {
    const Bytes s = DomainNameBytes(scope);
    b.insert(b.end(), s.begin(), s.end());
  } else {
    b.push_back(0);
  }
  return b;
}

Bytes Raw16(std::string name, uint8_t suffix) {
  name.resize(15, ' ');
  Bytes b(name.begin(), name.end());
  b.push_back(suffix);
  return b;
}

Bytes OverUDP(uint16_t src, uint16_t dst, const Bytes& payload) {
  IPv4Spec s;
  s.protocol = 17;
  return IPv4Packet(s, UDPDatagram(src, dst, payload));
}
Bytes OverTCP(uint16_t dst, const Bytes& payload) {
  IPv4Spec s;
  return IPv4Packet(s, Concat({TCPHeader(49671, dst, 0x18), payload}));
}

Bytes NameHeader(uint16_t flags, std::initializer_list<uint16_t> counts) {
  FrameBuilder b;
  b.be16(0x8012).be16(flags);
  for (uint16_t n : counts) b.be16(n);
  return b;
}

Bytes Resource(const Bytes& name, uint16_t type, const Bytes& data, uint32_t ttl = 300000) {
  return FrameBuilder()
      .raw(name)
      .be16(type)
      .be16(1)
      .be32(ttl)
      .be16(static_cast<uint16_t>(data.size()))
      .raw(data);
}

// A minimal SMB message: the header with a command, nothing after it.
Bytes SmbHeader(uint8_t command) {
  return FrameBuilder().raw({0xFF, 'S', 'M', 'B', command}).zeros(27).raw({0, 0});
}

Bytes Session(uint8_t type, const Bytes& data) {
  return Concat({FrameBuilder().u8(type).u8(0).be16(static_cast<uint16_t>(data.size())), data});
}

constexpr size_t kUdpData = 14 + 20 + 8;
constexpr size_t kTcpData = 14 + 20 + 20;

TEST_F(Netbios, NameQueryForAWorkgroup) {
  const Bytes msg = Concat({NameHeader(0x0110, {1, 0, 0, 0}), Encoded("WORKGROUP", 0x1D),
                            FrameBuilder().be16(0x20).be16(1)});
  EXPECT_EQ(Summary(OverUDP(137, 137, msg)), "/IPV4/UDP/Netbios/NBNS Query");
  EXPECT_EQ(session.Paths.ProtocolOf(c.FrameProtocol), ProtoNBNS);
  Tree(OverUDP(137, 137, msg));
  const DetailNode* root = Exact("Netbios Name Service");
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(root->Length, msg.size());  // the header and its sections
  EXPECT_EQ(Find("Transaction ID")->Text, "Transaction ID (2 bytes) - 0x8012");
  EXPECT_EQ(Find("Opcode")->Text, "Opcode (5 bits) - 0x00 Request,Query");
  EXPECT_EQ(Find("Flags (7 bits)")->Text, "Flags (7 bits) - 0x11");
  EXPECT_EQ(Find("Rcode")->Text, "Rcode (4 bits) - 0x0");
  EXPECT_EQ(Find("Questions (")->Text, "Questions (2 bytes) - 1");
  const DetailNode* q = Exact("Questions")->Children[0].get();
  EXPECT_EQ(q->Text, "WORKGROUP      <1D> (Master Browser), Type=NB, Class=Internet");
  EXPECT_EQ(q->Offset, kUdpData + 12);
  EXPECT_EQ(q->Length, 34u + 4);
  EXPECT_EQ(q->Children[0]->Text, "Name (34 bytes) - WORKGROUP      <1D> (Master Browser)");
  EXPECT_EQ(q->Children[1]->Text, "Type (2 bytes) - NB");
  EXPECT_EQ(q->Children[2]->Text, "Class (2 bytes) - Internet");
}

TEST_F(Netbios, EncodedNames) {
  struct Case {
    const char* name;
    Bytes encoded;
    std::string text;
  } cases[] = {
      {"blank suffix", Encoded("FILESERVER", 0x20), "FILESERVER     <20> (File Server Service)"},
      {"suffix without a name", Encoded("HOST", 0x99), "HOST           <99>"},
      {"control bytes",
       Encoded("A\x01"
               "B",
               0x00),
       "A<01>B            <00> (Workstation Service)"},
      {"a scope is not shown", Encoded("HOST", 0x00, "corp.example"),
       "HOST           <00> (Workstation Service)"},
      {"a letter outside A to Z ends it", {4, 'E', 'J', 'a', 'A', 0}, "I"},
  };
  for (const auto& k : cases) {
    const Bytes msg =
        Concat({NameHeader(0x0110, {1, 0, 0, 0}), k.encoded, FrameBuilder().be16(0x21).be16(1)});
    Tree(OverUDP(137, 137, msg));
    const DetailNode* name = Find("Name (");
    ASSERT_NE(name, nullptr) << k.name;
    EXPECT_EQ(name->Text.substr(name->Text.find(" - ") + 3), k.text) << k.name;
    EXPECT_EQ(name->Length, k.encoded.size()) << k.name;
  }
}

TEST_F(Netbios, PositiveResponseWithTwoAddresses) {
  const Bytes data = {0x00, 0x00, 192, 168, 10, 5, 0x60, 0x00, 10, 0, 0, 7};
  const Bytes msg = Concat(
      {NameHeader(0x8500, {0, 1, 0, 0}), Resource(Encoded("FILESRV", 0x00), 0x20, data, 300000)});
  EXPECT_EQ(Summary(OverUDP(137, 137, msg)), "/IPV4/UDP/Netbios/NBNS Response");
  Tree(OverUDP(137, 137, msg));
  EXPECT_EQ(Find("Opcode")->Text, "Opcode (5 bits) - 0x10 Response,Query");
  const DetailNode* record = Exact("Answers")->Children[0].get();
  EXPECT_EQ(record->Text,
            "FILESRV        <00> (Workstation Service), Type=NB, Class=Internet, "
            "Addr=192.168.10.5,10.0.0.7");
  EXPECT_EQ(record->Length, 34u + 10 + 12);
  EXPECT_EQ(Find("Type (")->Text, "Type (2 bytes) - 0x0020 (NB)");
  EXPECT_EQ(Find("Class (")->Text, "Class (2 bytes) - 0x0001 (Internet)");
  EXPECT_EQ(Find("Time To Live")->Text, "Time To Live (4 bytes) - 3 days 11 hours 20 minutes ");
  EXPECT_EQ(Find("Data Length")->Text, "Data Length (2 bytes) - 12");
  EXPECT_EQ(Find("Flags (2")->Text, "Flags (2 bytes) - 0x0000");
  EXPECT_EQ(record->Children.back()->Text, "Addr (4 bytes) - 10.0.0.7");
}

TEST_F(Netbios, StatusResponse) {
  Bytes data = {2};
  data = Concat({data, Raw16("FILESRV", 0x00), {0x04, 0x00}, Raw16("WORKGROUP", 0x1D), {0x84, 0}});
  FrameBuilder stats;
  stats.raw({0x00, 0x50, 0x56, 0x8A, 0x10, 0x05})
      .u8(1)
      .u8(2)
      .be16(0x0304)
      .be16(0x0506)
      .be16(7)
      .be16(8)
      .be16(9)
      .be16(10)
      .be32(100000)
      .be32(200000);
  for (int i = 0; i < 9; ++i) stats.be16(static_cast<uint16_t>(i + 11));
  data = Concat({data, stats});
  ASSERT_EQ(stats.size(), 46u);
  const Bytes msg =
      Concat({NameHeader(0x8400, {0, 1, 0, 0}), Resource(Encoded("*", 0x00), 0x21, data, 0)});
  Tree(OverUDP(137, 137, msg));
  EXPECT_EQ(Find("Number of Names")->Text, "Number of Names (1 byte) - 2");
  EXPECT_EQ(Find("Name (16")->Text, "Name (16 bytes) - FILESRV        <00> (Workstation Service)");
  EXPECT_EQ(Find("Unit ID")->Text, "Unit ID (6 bytes) - 00:50:56:8A:10:05");
  EXPECT_EQ(Find("Jumpers")->Text, "Jumpers (1 byte) - 0x01");
  EXPECT_EQ(Find("Version Number")->Text, "Version Number (2 bytes) - 0x0304");
  EXPECT_EQ(Find("Number of Good Receives")->Text, "Number of Good Receives (4 bytes) - 200000");
  const DetailNode* last = Find("Session Data Packet Size");
  EXPECT_EQ(last->Text, "Session Data Packet Size (2 bytes) - 19");
  EXPECT_EQ(last->Offset + last->Length, kUdpData + msg.size());
  // Statistics past the record's data length are not shown.
  Bytes cut = msg;
  cut[12 + 34 + 8] = 0;
  cut[12 + 34 + 9] = static_cast<uint8_t>(data.size() - 30);
  Tree(OverUDP(137, 137, cut));
  EXPECT_NE(Find("Number of CRCs"), nullptr);
  EXPECT_EQ(Find("Number of Collisions"), nullptr);
}

TEST_F(Netbios, SessionService) {
  const Bytes names = Concat({Encoded("FILESRV", 0x20), Encoded("BOB-PC", 0x00)});
  EXPECT_EQ(Summary(OverTCP(139, Session(0x81, names))),
            "/IPV4/TCP (ACK PSH)/Netbios/NBSS/Session Request");
  EXPECT_EQ(session.Paths.ProtocolOf(c.FrameProtocol), ProtoNBSS);
  Tree(OverTCP(139, Session(0x81, names)));
  EXPECT_EQ(Find("NetBios Session Service")->Length, names.size() + 4);
  EXPECT_EQ(Find("Type (")->Text, "Type (1 byte) - 0x81 Session Request");
  EXPECT_EQ(Find("Flag (")->Text, "Flag (1 byte) - 0x00");
  EXPECT_EQ(Find("Length (")->Text, "Length (2 bytes) - 68");
  const DetailNode* data = Find("User Data");
  EXPECT_EQ(data->Offset, kTcpData + 4);
  EXPECT_EQ(data->Length, names.size());
  // A keep-alive has no data.
  Tree(OverTCP(139, Session(0x85, {})));
  EXPECT_EQ(Find("User Data"), nullptr);
  // An SMB message follows the session branch at the top level, over 445 too.
  for (uint16_t port : {139, 445}) {
    const Bytes msg = Session(0x00, SmbHeader(0x72));
    EXPECT_EQ(Summary(OverTCP(port, msg)), "/IPV4/TCP (ACK PSH)/Netbios/NBSS/SMB/SmbNegotiate");
    Tree(OverTCP(port, msg));
    const DetailNode* smb = Find("Server Message Block Protocol(SMB)");
    ASSERT_NE(smb, nullptr);
    EXPECT_EQ(smb->Parent, nullptr);
    EXPECT_EQ(smb->Offset, kTcpData + 4);
  }
  // Session data that is not SMB gets no line; 1 to 4 bytes are user data.
  Tree(OverTCP(139, Session(0x00, {1, 2, 3, 4, 5, 6})));
  EXPECT_EQ(Find("User Data"), nullptr);
  Tree(OverTCP(139, Session(0x00, {1, 2, 3})));
  EXPECT_EQ(Find("User Data")->Length, 3u);
}

// The session length is cut to the bytes there; the SMB message ends where
// the session message does.
TEST_F(Netbios, SessionLength) {
  Bytes msg = Session(0x00, SmbHeader(0x2E));
  msg[1] = 1;  // 65536 more
  Tree(OverTCP(139, msg));
  EXPECT_EQ(Find("NetBios Session Service")->Length, msg.size());
  const Bytes two = Concat({Session(0x00, Concat({SmbHeader(0x2E), {9}})), Session(0x85, {})});
  Tree(OverTCP(139, two));
  EXPECT_EQ(Find("Server Message Block")->Length, SmbHeader(0x2E).size() + 1);
}

TEST_F(Netbios, ContinuationAndShortMessages) {
  struct Case {
    const char* name;
    Bytes payload;
  } cases[] = {
      {"unknown type", {0x90, 0x01, 0x02, 0x03, 0x04, 0x05}},
      {"one byte", {0x81}},
      {"three bytes", {0x00, 0x00, 0x00}},
  };
  for (const auto& k : cases) {
    EXPECT_EQ(Summary(OverTCP(139, k.payload)), "/IPV4/TCP (ACK PSH)/Netbios/NBSS/continuation")
        << k.name;
    Tree(OverTCP(139, k.payload));
    const DetailNode* line = Exact("Continuation");
    ASSERT_NE(line, nullptr) << k.name;
    EXPECT_EQ(line->Length, k.payload.size()) << k.name;
    EXPECT_EQ(line->Parent->Length, k.payload.size()) << k.name;
  }
  // A segment without payload names the service only.
  IPv4Spec s;
  EXPECT_EQ(Summary(IPv4Packet(s, TCPHeader(49671, 139, 0x02))), "/IPV4/TCP (SYN)/Netbios/NBSS");
}

// A browser announcement: a datagram to port 138 that carries SMB.
TEST_F(Netbios, DatagramService) {
  const Bytes names = Concat({Encoded("BOB-PC", 0x00), Encoded("WORKGROUP", 0x1D)});
  const Bytes smb = SmbHeader(0x25);
  const Bytes msg = Concat({FrameBuilder()
                                .u8(0x11)
                                .u8(0x0A)
                                .be16(0x8001)
                                .ipv4("192.168.10.57")
                                .be16(138)
                                .be16(static_cast<uint16_t>(names.size() + smb.size()))
                                .be16(0),
                            names, smb});
  EXPECT_EQ(Summary(OverUDP(138, 138, msg)), "/IPV4/UDP/Netbios/NBDG/SMB/SmbTransaction");
  EXPECT_EQ(session.Paths.ProtocolOf(c.FrameProtocol), ProtoSMB);
  Tree(OverUDP(138, 138, msg));
  const DetailNode* root = Find("Netbios Datagram Service");
  EXPECT_EQ(root->Length, 14 + names.size());
  EXPECT_EQ(Find("Message Type")->Text, "Message Type (1 byte) - 0x11 (Direct_Group Datagram)");
  EXPECT_EQ(Find("Flags (")->Text, "Flags (1 byte) - 0x0A");
  EXPECT_EQ(Find("Datagram ID")->Text, "Datagram ID (2 bytes) - 0x8001");
  EXPECT_EQ(Find("Source IP (")->Text, "Source IP (4 bytes) - 192.168.10.57");
  EXPECT_EQ(Find("Source Port")->Text, "Source Port (2 bytes) - 138");
  EXPECT_EQ(Find("Packet Offset")->Text, "Packet Offset (2 bytes) - 0");
  EXPECT_EQ(Find("Source Name")->Text,
            "Source Name (34 bytes) - BOB-PC         <00> (Workstation Service)");
  EXPECT_EQ(Find("Dest Name")->Text, "Dest Name (34 bytes) - WORKGROUP      <1D> (Master Browser)");
  const DetailNode* smbRoot = Find("Server Message Block");
  ASSERT_NE(smbRoot, nullptr);
  EXPECT_EQ(smbRoot->Parent, nullptr);
  // The other port alone decides the service too; 137 is the name service.
  EXPECT_EQ(Summary(OverUDP(40000, 138, msg)), "/IPV4/UDP/Netbios/NBDG/SMB/SmbTransaction");
  // An error datagram has no names.
  Bytes error = msg;
  error[0] = 0x13;
  EXPECT_EQ(Summary(OverUDP(138, 138, error)), "/IPV4/UDP/Netbios/NBDG");
  Tree(OverUDP(138, 138, error));
  EXPECT_EQ(Find("Message Type")->Text, "Message Type (1 byte) - 0x13 (Datagram Error)");
  EXPECT_EQ(Find("Netbios Datagram Service")->Length, 14u);
  EXPECT_EQ(Find("Source Name"), nullptr);
}

// NetBIOS frames in LLC: the header's fields within its length, and an SMB
// message after the header.
TEST_F(Netbios, FramesInLlc) {
  const Bytes query = Concat({FrameBuilder().le16(44).le16(0xEFFF).u8(0x0A).zeros(7),
                              Raw16("FILESRV", 0x20), Raw16("BOB-PC", 0x00)});
  auto dot3 = [](const Bytes& body) {
    const Bytes llc = Concat({{0xF0, 0xF0, 0x03}, body});
    return FrameBuilder()
        .ether("03:00:00:00:00:01", "00:11:22:33:44:55", static_cast<uint16_t>(llc.size()))
        .raw(llc)
        .bytes();
  };
  Position(dot3(query), 0);
  EXPECT_EQ(Summarise(EthernetFrameSummary), "802.3/Netbios");
  EXPECT_TRUE(StackHas(ProtoNetbios));
  Position(dot3(query), 0);
  Build(EthernetFrameTree);
  const DetailNode* root = Exact("NetBios");
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(root->Offset, 17u);
  EXPECT_EQ(root->Length, 44u);
  EXPECT_EQ(Find("Delimeter")->Text, "Delimeter (2 bytes) - 0xEFFF");
  EXPECT_EQ(Find("Command")->Text, "Command (1 byte) - 0x0A Name Query");
  EXPECT_EQ(Find("Destination Name")->Text,
            "Destination Name (16 bytes) - FILESRV          (File Server Service)");
  EXPECT_EQ(Find("Source Name")->Text,
            "Source Name (16 bytes) - BOB<2D>PC         <00> (Workstation Service)");
  // A session frame's 14-byte header has no names; the SMB follows it.
  const Bytes data =
      Concat({FrameBuilder().le16(14).le16(0xEFFF).u8(0x16).zeros(9), SmbHeader(0x73), {0}});
  Position(dot3(data), 0);
  EXPECT_EQ(Summarise(EthernetFrameSummary), "802.3/Netbios/SMB/SmbSessionSetupAndx");
  Position(dot3(data), 0);
  Build(EthernetFrameTree);
  EXPECT_EQ(Exact("NetBios")->Children.size(), 3u);
  EXPECT_EQ(Find("Command")->Text, "Command (1 byte) - 0x16 Data Only Last");
  ASSERT_NE(Find("Server Message Block"), nullptr);
  EXPECT_EQ(Find("Server Message Block")->Offset, 17u + 14);
}

// Malformed messages of each service end cleanly, every line inside its
// parent (the fixture checks).
TEST_F(Netbios, MalformedMessages) {
  struct Case {
    const char* name;
    uint16_t port;  // 137, 138 over UDP; 139 over TCP
    Bytes payload;
  } cases[] = {
      {"name: length 0", 137, {}},
      {"name: header one byte short", 137, Bytes(11, 0)},
      {"name: counts of 0xFFFF", 137, NameHeader(0x8500, {0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF})},
      {"name: data length past the end", 137,
       Concat({NameHeader(0x8500, {0, 1, 0, 0}),
               Encoded("A", 0),
               {0, 0x20, 0, 1, 0, 0, 0, 0, 0xFF, 0xFF}})},
      {"name: NBSTAT with names past its data", 137,
       Concat({NameHeader(0x8500, {0, 1, 0, 0}), Resource(Encoded("A", 0), 0x21, {200, 1, 2})})},
      {"name: pointer loop", 137,
       Concat({NameHeader(0x0100, {1, 0, 0, 0}), {0xC0, 12, 0, 0x20, 0, 1}})},
      {"datagram: one byte short", 138, Bytes(13, 0x11)},
      {"datagram: names past the end", 138, Concat({Bytes{0x11}, Bytes(13, 0), {32, 'A', 'B'}})},
      {"datagram: 0xFFFF lengths", 138, Bytes(14, 0xFF)},
      {"session: length past the end", 139, {0x00, 0x00, 0xFF, 0xFF, 0xFF, 'S', 'M', 'B'}},
      {"session: user data past the end", 139, {0x81, 0x01, 0xFF, 0xFF, 1}},
  };
  for (const auto& k : cases) {
    const Bytes packet =
        k.port == 139 ? OverTCP(139, k.payload) : OverUDP(k.port, k.port, k.payload);
    Summary(packet);
    Tree(packet);
    SCOPED_TRACE(k.name);
    EXPECT_GE(tree.Roots.size(), 2u);
  }
}

}  // namespace
}  // namespace kestle::test
