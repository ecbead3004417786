#include "protocols/tcp.h"

#include <gtest/gtest.h>

#include "decode/fields.h"
#include "protocols/ipv4.h"
#include "protocols/transport_fixture.h"

namespace kestle::test {
namespace {

using TCP = TransportFixture;

Bytes Segment(uint16_t src, uint16_t dst, uint8_t flags, const Bytes& payload = {},
              const std::string& from = "10.0.0.1", const std::string& to = "10.0.0.2") {
  IPv4Spec s;
  s.src = from;
  s.dst = to;
  return IPv4Packet(s, Concat({TCPHeader(src, dst, flags), payload}));
}

TEST_F(TCP, FlagsInSummaryAndTree) {
  struct Case {
    uint8_t flags;
    std::string summary;
    std::string line;
  } cases[] = {
      {0x00, "/IPV4/TCP", "Flags (6 bits) - 0x00"},
      {0x12, "/IPV4/TCP (ACK SYN)", "Flags (6 bits) - 0x12 (Ack Syn)"},
      {0x18, "/IPV4/TCP (ACK PSH)", "Flags (6 bits) - 0x18 (Ack Psh)"},
      {0x3F, "/IPV4/TCP (URG ACK PSH RST SYN FIN)",
       "Flags (6 bits) - 0x3F (Urg Ack Psh Rst Syn Fin)"},
  };
  for (const auto& k : cases) {
    EXPECT_EQ(Summary(Segment(2000, 3000, k.flags)), k.summary);
    Tree(Segment(2000, 3000, k.flags));
    const DetailNode* flags = Find("Flags (6 bits)");
    ASSERT_NE(flags, nullptr);
    EXPECT_EQ(flags->Text, k.line);
    EXPECT_EQ(flags->Image, TreeImage::Flags);
    ASSERT_EQ(flags->Children.size(), 6u);
    EXPECT_EQ(flags->Children[1]->Text,
              FlagPicture(k.flags, 0x10, 1) + " = Ack: " + (k.flags & 0x10 ? "on" : "off"));
  }
}

TEST_F(TCP, HeaderLines) {
  Tree(Segment(1025, 80, 0x18, {'G', 'E', 'T'}));
  EXPECT_EQ(Find("TCP Header")->Text, "TCP Header (20 bytes)");
  EXPECT_EQ(Find("TCP Header")->Image, TreeImage::Segment);
  EXPECT_EQ(Find("Source port")->Text, "Source port (2 bytes) - 1025 (Unknown)");
  EXPECT_EQ(Find("Destination port")->Text, "Destination port (2 bytes) - 80 (HTTP)");
  EXPECT_EQ(Find("Sequence Number")->Text, "Sequence Number (4 bytes) - 1000");
  EXPECT_EQ(Find("Acknowledgement Number")->Text, "Acknowledgement Number (4 bytes) - 2000");
  EXPECT_EQ(Find("Header length")->Text, "Header length (4 bits) - 5 (20)");
  EXPECT_EQ(Find("Reserved")->Text, "Reserved (6 bits) - 0x00");
  EXPECT_EQ(Find("Window Size")->Text, "Window Size (2 bytes) - 8192");
  EXPECT_EQ(Find("Chcksum")->Text, "Chcksum (2 bytes) - 0xBEEF");
  EXPECT_EQ(Find("Urgent pointer")->Text, "Urgent pointer (2 bytes) - 0x0000");
  EXPECT_EQ(Find("Urgent pointer")->Offset, 14u + 20 + 18);
  // No HTTP decoder yet: the payload is shown as data at root level.
  EXPECT_EQ(tree.Roots.back()->Text, "Data (3 bytes)");
  EXPECT_EQ(tree.Roots.back()->Offset, 14u + 40);
}

TEST_F(TCP, OptionsWalk) {
  struct Case {
    const char* name;
    Bytes options;
    std::vector<std::pair<std::string, uint32_t>> items;  // text, length
  } cases[] = {
      {"MSS, no-op, window scale",
       {0x02, 0x04, 0x05, 0xB4, 0x01, 0x03, 0x03, 0x02},
       {{"Kind: 2 Maximum Segment Size - 1460", 4},
        {"Kind: 1 No Operation", 1},
        {"Kind: 3 Window Scale Factor - 2", 3}}},
      {"SACK permitted, timestamps",
       {0x04, 0x02, 0x08, 0x0A, 0, 0, 0, 7, 0, 0, 1, 0, 0x01, 0x01, 0x01, 0x00},
       {{"Kind: 4 SACK Permitted", 2},
        {"Kind: 8 Time Stamp: TS Value 7 TS Echo Reply 256", 10},
        {"Kind: 1 No Operation", 1},
        {"Kind: 1 No Operation", 1},
        {"Kind: 1 No Operation", 1},
        {"Kind: 0 End of Option List", 1}}},
      {"SACK block",
       {0x01, 0x01, 0x05, 0x0A, 0, 0, 0, 1, 0, 0, 0, 2},
       {{"Kind: 1 No Operation", 1}, {"Kind: 1 No Operation", 1}, {"Kind: 5", 10}}},
      {"unknown kind ends the walk", {0x1E, 0x04, 0x00, 0x00}, {{"Kind: 30 Unknown Option", 1}}},
      // A malformed option is not shown: its value cannot be trusted.
      {"zero length ends the walk", {0x02, 0x00, 0x05, 0xB4}, {}},
      {"option past the header ends the walk",
       {0x01, 0x03, 0x09, 0x00},
       {{"Kind: 1 No Operation", 1}}},
      {"time stamp shorter than its values", {0x08, 0x06, 0, 0, 0, 1, 0, 0}, {}},
      {"window scale of length 2", {0x03, 0x02, 0x01, 0x00}, {}},
      {"length byte missing",
       {0x01, 0x01, 0x01, 0x02},
       {{"Kind: 1 No Operation", 1}, {"Kind: 1 No Operation", 1}, {"Kind: 1 No Operation", 1}}},
  };
  for (const auto& k : cases) {
    IPv4Spec s;
    Tree(IPv4Packet(s, TCPHeader(2000, 3000, 0x02, k.options)));
    const DetailNode* options = Find("Options");
    ASSERT_NE(options, nullptr) << k.name;
    EXPECT_EQ(options->Length, k.options.size()) << k.name;
    std::vector<std::pair<std::string, uint32_t>> got;
    uint32_t next = 14 + 20 + 20;
    for (const auto& item : options->Children) {
      got.emplace_back(item->Text, item->Length);
      EXPECT_EQ(item->Offset, next) << k.name << ": " << item->Text;
      next += item->Length;
    }
    EXPECT_EQ(got, k.items) << k.name;
  }
}

// A data offset below 5 counts as 20 bytes, in the summary and in the tree.
TEST_F(TCP, DataOffsetBelowFive) {
  IPv4Spec s;
  const Bytes packet = IPv4Packet(s, Concat({TCPHeader(2000, 3000, 0, {}, 4), {9, 9}}));
  Summary(packet);
  EXPECT_EQ(c.PacketLen, 2u);
  EXPECT_EQ(c.PacketOffset, 14u + 20 + 20);
  Tree(packet);
  EXPECT_EQ(Find("Header length")->Text, "Header length (4 bits) - 4 (16) Invalid Length");
  EXPECT_EQ(Find("TCP Header")->Length, 20u);
  EXPECT_EQ(tree.Roots.back()->Text, "Data (2 bytes)");
}

TEST_F(TCP, ShortSegmentRecordsNoPorts) {
  IPv4Spec s;
  const Bytes packet = IPv4Packet(s, {0x07, 0xD0, 0x0B, 0xB8, 0, 0, 0, 1});
  EXPECT_EQ(Summary(packet), "/IPV4/TCP");
  EXPECT_EQ(rec.SrcPort, 0u);
  EXPECT_EQ(rec.TcpSession, 0u);
  Tree(packet);
  EXPECT_EQ(Find("TCP Header")->Length, 8u);
  EXPECT_NE(Find("Sequence Number"), nullptr);
  EXPECT_EQ(Find("Acknowledgement Number"), nullptr);
}

// A one-byte field is shown when its byte is there, though the word it
// shares with the next field is not.
TEST_F(TCP, HeaderCutInsideAWord) {
  IPv4Spec s;
  const Bytes header = TCPHeader(2000, 3000, 0x18);
  const Bytes packet = IPv4Packet(s, Bytes(header.begin(), header.begin() + 13));
  Tree(packet);
  ASSERT_NE(Find("Header length"), nullptr);
  EXPECT_EQ(Find("Header length")->Text, "Header length (4 bits) - 5 (20)");
  EXPECT_EQ(Find("Reserved"), nullptr);
}

TEST_F(TCP, DecoderAndDescriptionByPort) {
  struct Case {
    uint16_t src, dst;
    std::string summary;
    uint16_t protocol;
  } cases[] = {
      {1025, 80, "/IPV4/TCP/HTTP", ProtoHTTP},  // no HTTP decoder yet: its description
      {80, 1025, "/IPV4/TCP/HTTP", ProtoHTTP}, {2000, 3000, "/IPV4/TCP", ProtoTCP},
      {21, 40000, "/IPV4/TCP/FTP", 0},  // the FTP entry's own identifier
      {40000, 53, "/IPV4/TCP/DNS", ProtoDNS},
  };
  for (const auto& k : cases) {
    EXPECT_EQ(Summary(Segment(k.src, k.dst, 0)), k.summary);
    EXPECT_EQ(rec.SrcPort, k.src);
    EXPECT_EQ(rec.DstPort, k.dst);
    const uint16_t expected = k.protocol ? k.protocol : env.Ports.PortProtocol(PortTCP, "FTP");
    EXPECT_GT(expected, 0);
    EXPECT_EQ(session.Paths.ProtocolOf(c.FrameProtocol), expected) << k.summary;
  }
  EXPECT_EQ(env.Protocols.Name(env.Ports.PortProtocol(PortTCP, "FTP")), "FTP");
}

// A decoder code that is not decoded over TCP adds neither text nor a
// branch of its own; DLSw is named in the summary only, its payload is data.
TEST_F(TCP, DecoderCodesNotDecodedOverTCP) {
  std::vector<WellKnownRec> entries = env.Ports.Entries();
  entries.insert(entries.begin(), {{PortBoth, 8123, "Clock", ProtoNTP, DecodeNTP},
                                   {PortBoth, 8124, "Auth", ProtoRADIUS, DecodeRADIUS},
                                   {PortTCP, 8125, "Switch", ProtoDLSw, DecodeDLSw}});
  env.Ports.Replace(entries);
  struct Case {
    uint16_t dst;
    std::string summary;
    uint16_t protocol;
  } cases[] = {
      {8123, "/IPV4/TCP (ACK)", ProtoTCP},
      {8124, "/IPV4/TCP (ACK)", ProtoTCP},
      {8125, "/IPV4/TCP (ACK)/Switch", ProtoDLSw},  // no DLSw decoder yet: its description
  };
  for (const auto& k : cases) {
    EXPECT_EQ(Summary(Segment(40000, k.dst, 0x10)), k.summary);
    EXPECT_EQ(session.Paths.ProtocolOf(c.FrameProtocol), k.protocol) << k.summary;
    Tree(Segment(40000, k.dst, 0x10, {1, 2, 3, 4}));
    EXPECT_EQ(tree.Roots.back()->Text, "Data (4 bytes)") << k.summary;
  }
}

// ---- sessions

struct TcpSessions : TransportFixture {
  uint32_t frameNo = 0;
  uint32_t Send(uint16_t src, uint16_t dst, const std::string& from, const std::string& to) {
    Summary(Segment(src, dst, 0x10, {}, from, to), ++frameNo);
    return rec.TcpSession;
  }
};

TEST_F(TcpSessions, OneNumberPerConnection) {
  const uint32_t a = Send(1025, 80, "10.0.0.1", "10.0.0.2");
  EXPECT_EQ(a, 1u);
  EXPECT_EQ(Send(80, 1025, "10.0.0.2", "10.0.0.1"), a);   // the reply
  EXPECT_EQ(Send(1026, 80, "10.0.0.1", "10.0.0.2"), 2u);  // another client port
  EXPECT_EQ(Send(1025, 80, "10.0.0.3", "10.0.0.2"), 3u);  // another client
  EXPECT_EQ(Send(80, 1025, "10.0.0.1", "10.0.0.2"), 4u);  // ports crossed: not the same
  EXPECT_EQ(Send(1025, 80, "10.0.0.1", "10.0.0.2"), a);
  EXPECT_EQ(session.Decoders.TcpSessions.Count(), 4u);
  EXPECT_EQ(session.Decoders.TcpSessions.Session(2).StartFrame, 3u);
}

TEST_F(TcpSessions, EndpointsAreComparedByStation) {
  // Two IPv6 connections with the same ports between different stations,
  // as the IPv6 decoder leaves them in the context.
  auto segment = [&](uint8_t host) {
    Load(IPv4Packet({}, TCPHeader(1025, 80, 0x10)));
    c.enter(20);
    c.Ip = {};
    c.Ip.Version = 6;
    c.Ip.Src[0] = 0xFE;
    c.Ip.Src[15] = host;
    c.Ip.Dst[0] = 0xFE;
    c.Ip.Dst[15] = 0xFF;
    rec = FrameTabRec{};
    c.Rec = &rec;
    TCPSummary(c);
    return rec.TcpSession;
  };
  EXPECT_EQ(segment(1), 1u);
  EXPECT_EQ(segment(2), 2u);
  EXPECT_EQ(segment(1), 1u);
}

TEST_F(TcpSessions, SettingsLimitTheTable) {
  env.settings.BuildTCPSessions = false;
  EXPECT_EQ(Send(1025, 80, "10.0.0.1", "10.0.0.2"), 0u);
  EXPECT_EQ(session.Decoders.TcpSessions.Count(), 0u);

  env.settings.BuildTCPSessions = true;
  env.settings.MaxTCPSessions = 1;  // the table then holds two sessions
  EXPECT_EQ(Send(1025, 80, "10.0.0.1", "10.0.0.2"), 1u);
  EXPECT_EQ(Send(1026, 80, "10.0.0.1", "10.0.0.2"), 2u);
  EXPECT_EQ(Send(1027, 80, "10.0.0.1", "10.0.0.2"), 0u);
  // Frames of the sessions already known keep their numbers.
  EXPECT_EQ(Send(80, 1025, "10.0.0.2", "10.0.0.1"), 1u);
  EXPECT_EQ(Send(80, 1026, "10.0.0.2", "10.0.0.1"), 2u);
}

TEST_F(TcpSessions, EmptiedWhenTheSessionCloses) {
  Send(1025, 80, "10.0.0.1", "10.0.0.2");
  session.Close();
  EXPECT_EQ(session.Decoders.TcpSessions.Count(), 0u);
}

// Session numbers and first frames are 32-bit: neither wraps at 65536.
TEST(TcpSessionTable, PastFrameAndSessionSixtyFiveThousand) {
  TcpSessionTable t;
  auto end = [](uint32_t host, uint16_t port) {
    TcpEndpoint e{4, {}, port};
    e.Addr[0] = 10;
    e.Addr[2] = static_cast<uint8_t>(host >> 8);
    e.Addr[3] = static_cast<uint8_t>(host);
    return e;
  };
  const TcpEndpoint server = end(0xFFFF, 80);
  const uint32_t capacity = uint32_t{UINT16_MAX} + 1;  // MaxTCPSessions 65535
  for (uint32_t i = 1; i <= 65536; ++i)
    ASSERT_EQ(
        t.Lookup(end(i >> 4, static_cast<uint16_t>(1024 + (i & 15))), server, 70000 + i, capacity),
        i);
  EXPECT_EQ(t.Count(), 65536u);
  EXPECT_EQ(t.Session(65536).StartFrame, 70000u + 65536);
  EXPECT_EQ(t.Session(1).StartFrame, 70001u);
  // The table is full: a new connection gets none, the known ones keep theirs.
  EXPECT_EQ(t.Lookup(end(1, 9), server, 200000, capacity), 0u);
  EXPECT_EQ(t.Lookup(server, end(65536 >> 4, 1024), 200001, capacity), 65536u);
  EXPECT_EQ(t.Lookup(server, end(0, 1025), 200002, capacity), 1u);
}

}  // namespace
}  // namespace kestle::test
