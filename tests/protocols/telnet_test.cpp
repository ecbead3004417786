#include "protocols/telnet.h"

#include <gtest/gtest.h>

#include "decode/protocol_ids.h"
#include "protocols/service_fixture.h"
#include "support/decode_fixture.h"

namespace kestle::test {
namespace {

using Telnet = ServiceFixture;

Bytes Chars(std::string_view t) { return FrameBuilder().text(t); }

TEST_F(Telnet, SummaryNamesTheProtocolOnly) {
  for (const Bytes& m : {Bytes{}, Bytes{0xFF, 0xFD, 24}, Chars("login: ")}) {
    EXPECT_EQ(Summary(TelnetSummary, m), "/Telnet");
    EXPECT_TRUE(StackHas(ProtoTelnet));
  }
  // Without the frame's stations no mark is made, and never on entry 0.
  Summary(TelnetSummary, {0xFF, 0xFD, 40});
  Summary(TelnetSummary, {0, 0, 0, 0, 1, 0x7D});
  EXPECT_EQ(session.Nodes.NodeTable[0].TN3270Host, 0);
}

TEST_F(Telnet, Commands) {
  struct Case {
    Bytes message;
    std::string line;
  } cases[] = {
      {{0xFF, 0xFD, 24}, "0+3 Command: Do TERMINAL-TYPE"},
      {{0xFF, 0xFB, 3}, "0+3 Command: Will SUPPRESS-GO-AHEAD"},
      {{0xFF, 0xFC, 1}, "0+3 Command: Won't ECHO"},
      {{0xFF, 0xFE, 39}, "0+3 Command: Dont New environmet option"},
      {{0xFF, 0xFD, 99}, "0+3 Command: Do Unknown"},
      {{0xFF, 0xFB, 255}, "0+3 Command: Will EXOPL"},
      {{0xFF, 0xEC}, "0+2 Command: End of file"},
      {{0xFF, 0xEF}, "0+2 Command: End Of Record"},
      {{0xFF, 0xF0}, "0+2 Command: Suboption End"},
      {{0xFF, 0xF1}, "0+2 Command: Unknown Command"},
  };
  for (const auto& k : cases) {
    const auto lines = Lines(TelnetTree, k.message);
    ASSERT_EQ(lines.size(), 2u) << k.line;
    EXPECT_EQ(lines[0], "0+" + std::to_string(k.message.size()) + " Telnet");
    EXPECT_EQ(lines[1], "  " + k.line);
  }
  // The walk goes on after each command, an unknown one too.
  EXPECT_EQ(Lines(TelnetTree, {0xFF, 0xF1, 0xFF, 0xFD, 1, 'o', 'k'}),
            (std::vector<std::string>{"0+7 Telnet", "  0+2 Command: Unknown Command",
                                      "  2+3 Command: Do ECHO", "  5+2 Data: ok"}));
  // A negotiation cut short shows no option; an IAC that ends the segment
  // is data.
  EXPECT_EQ(Lines(TelnetTree, {'a', 0xFF, 0xFD}),
            (std::vector<std::string>{"0+3 Telnet", "  0+1 Data: a"}));
  EXPECT_EQ(Lines(TelnetTree, {'a', 0xFF}),
            (std::vector<std::string>{"0+2 Telnet", "  0+2 Data: a."}));
  EXPECT_TRUE(Lines(TelnetTree, {}).empty());
}

TEST_F(Telnet, DataLines) {
  EXPECT_EQ(Lines(TelnetTree, Chars("User\r\nName:\r\n\bx\x01")),
            (std::vector<std::string>{"0+16 Telnet", "  0+6 Data: User/r/n",
                                      "  6+7 Data: Name:/r/n", "  13+3 Data: /bx."}));
  // A doubled IAC is data: both bytes stay in the line.
  EXPECT_EQ(Lines(TelnetTree, {'a', 0xFF, 0xFF, 'b'}),
            (std::vector<std::string>{"0+4 Telnet", "  0+4 Data: a..b"}));
  // A long line is cut after its 151st character.
  const auto lines = Lines(TelnetTree, Bytes(200, 'x'));
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[1], "  0+151 Data: " + std::string(151, 'x'));
  EXPECT_EQ(lines[2], "  151+49 Data: " + std::string(49, 'x'));
}

TEST_F(Telnet, SubNegotiations) {
  struct Case {
    Bytes message;
    std::vector<std::string> lines;  // below the root
  } cases[] = {
      {Concat({{0xFF, 0xFA, 24, 0}, Chars("VT100"), {0xFF, 0xF0}}),
       {"  0+9 SubOption: TERMINAL-TYPE IS VT100", "    2+1 Option (1 byte) - TERMINAL-TYPE",
        "    3+1 Type (1 byte) - IS", "    4+5 Value (5 bytes) - VT100",
        "  9+2 Command: Suboption End"}},
      {{0xFF, 0xFA, 32, 1, 0xFF, 0xF0},
       {"  0+4 SubOption: Terminal speed SEND ", "    2+1 Option (1 byte) - Terminal speed",
        "    3+1 Type (1 byte) - SEND", "  4+2 Command: Suboption End"}},
      {{0xFF, 0xFA, 31, 0, 80, 0, 24, 0xFF, 0xF0},
       {"  0+7 SubOption: Negotiate about window size",
        "    2+1 Option (1 byte) - Negotiate about window size",
        "    3+2 Window Width (2 bytes) - 80", "    5+2 Window Height (2 bytes) - 24",
        "  7+2 Command: Suboption End"}},
      {{0xFF, 0xFA, 33, 3},
       {"  0+4 SubOption: Remote flow control", "    2+1 Option (1 byte) - Remote flow control",
        "    3+1 Flow Control Type (1 byte) - Restart-XON"}},
      {{0xFF, 0xFA, 34, 1, 0x23, 0xFF, 0xF0},
       {"  0+5 SubOption: Linemode Mode EDIT+TRAPSIG+Unknown", "    2+1 Option (1 byte) - Linemode",
        "    3+1 Type (1 byte) - Mode", "    4+1 Mask (1 byte) - EDIT+TRAPSIG+Unknown",
        "  5+2 Command: Suboption End"}},
      {{0xFF, 0xFA, 34, 3, 3, 0x82, 0x7F, 99, 0x63, 0, 0xFF, 0xF0},
       {"  0+10 SubOption: Linemode SLC", "    2+1 Option (1 byte) - Linemode",
        "    3+1 Type (1 byte) - SLC", "    4+6 SLC Triplets",
        "      4+3 SLC_IP,SLC_VALUE+SLC_ACK,127",
        "      7+3 99,SLC_DEFAULT+SLC_FLUSHIN+SLC_FLUSHOUT,0", "  10+2 Command: Suboption End"}},
      {Concat({{0xFF, 0xFA, 40, 2, 7}, Chars("IBM-3278-2-E"), {1}, Chars("LU1"), {0xFF, 0xF0}}),
       {"  0+21 SubOption: TN3270E Device-Type Request IBM-3278-2-E Connect LU1",
        "    2+1 Option (1 byte) - TN3270E", "    3+1 TN3270 Type (1 byte) - Device-Type",
        "    4+1 Option (1 byte) - Request", "    5+12 Device-Type (12 bytes) - IBM-3278-2-E",
        "    17+1 Device-Type Option (1 byte) - Connect", "    18+3 Device-Name (3 bytes) - LU1",
        "  21+2 Command: Suboption End"}},
      {Concat({{0xFF, 0xFA, 40, 2, 4}, Chars("IBM"), {5, 'x'}, {0xFF, 0xF0}}),
       {"  0+10 SubOption: TN3270E Device-Type Is IBM", "    2+1 Option (1 byte) - TN3270E",
        "    3+1 TN3270 Type (1 byte) - Device-Type", "    4+1 Option (1 byte) - Is",
        "    5+3 Device-Type (3 bytes) - IBM", "    8+2 Malformed Data",
        "  10+2 Command: Suboption End"}},
      {{0xFF, 0xFA, 40, 8, 2, 0xFF, 0xF0},
       {"  0+5 SubOption: TN3270E Send Device-Type", "    2+1 Option (1 byte) - TN3270E",
        "    3+1 TN3270 Type (1 byte) - Send", "    4+1 Send What (1 byte) - Device-Type",
        "  5+2 Command: Suboption End"}},
      // Any other option: its data; a doubled IAC inside stays in it, and
      // without its closing IAC it runs to the end.
      {{0xFF, 0xFA, 5, 1, 0xFF, 0xFF, 2},
       {"  0+7 SubOption: STATUS", "    2+1 Option (1 byte) - STATUS", "    3+4 SubOption Data"}},
      {{0xFF, 0xFA}, {}},
  };
  for (const auto& k : cases) {
    auto lines = Lines(TelnetTree, k.message);
    ASSERT_FALSE(lines.empty());
    lines.erase(lines.begin());
    EXPECT_EQ(lines, k.lines) << k.lines.size();
  }
}

TEST_F(Telnet, MalformedVariantsEndCleanly) {
  for (const Bytes& message :
       {Concat({{0xFF, 0xFA, 24, 0}, Chars("VT100"), {0xFF, 0xF0, 0xFF, 0xFD, 1}}),
        Concat({{0xFF, 0xFA, 40, 2, 7}, Chars("IBM-3278-2-E"), {1}, Chars("LU1"), {0xFF, 0xF0}}),
        Bytes{0xFF, 0xFA, 34, 3, 3, 0x82, 0x7F, 99, 0x63, 0, 0xFF, 0xF0},
        Bytes{0xFF, 0xFA, 31, 0, 80, 0, 24, 0xFF, 0xF0, 'a', '\r', '\n'}})
    for (const Bytes& m : MalformedVariants(message)) {
      Summary(TelnetSummary, m);
      Lines(TelnetTree, m);
    }
}

// TN3270 between a host (10.0.0.1, port 23) and a terminal (10.0.0.2).
constexpr const char* kHost = "10.0.0.1";
constexpr const char* kTerminal = "10.0.0.2";
Bytes FromHost(const Bytes& data) {
  return EthernetFrame(IPv4Packet(6, Concat({TCPHeader(23, 40000, 0x18), data}), kHost, kTerminal),
                       0x0800);
}
Bytes ToHost(const Bytes& data) {
  return EthernetFrame(IPv4Packet(6, Concat({TCPHeader(40000, 23, 0x18), data}), kTerminal, kHost),
                       0x0800);
}
constexpr size_t kData = kTcpPayloadAt;

// The Telnet branch of a frame's tree, offsets from the segment's start.
std::vector<std::string> TelnetLines(DecodeFixture& fx, uint32_t frame) {
  std::vector<std::string> out;
  bool in = false;
  size_t depth = 0;
  for (const std::string& line : fx.Tree(frame)) {
    const size_t indent = line.find_first_not_of(' ');
    const size_t plus = line.find('+');
    const size_t offset = std::stoul(line.substr(indent, plus - indent));
    const std::string rest = line.substr(plus);
    if (rest.find(" Telnet") != std::string::npos && !in) {
      in = true;
      depth = indent;
    } else if (in && indent <= depth) {
      break;
    }
    if (in) out.push_back(std::string(indent - depth, ' ') + std::to_string(offset - kData) + rest);
  }
  return out;
}

TEST(TN3270, HostsAreMarkedAndTheirSegmentsDecoded) {
  // Host to terminal: Erase/Write with orders and text, sent before the
  // negotiation that marks the host; the terminal's answer with the Enter
  // AID; a Write Structured Field; a Query Reply.
  const Bytes write = {0,    0,    0,    0,    1,    0xF5, 0xC3, 0x11, 0x40, 0x40, 0x1D, 0xF0,
                       0x28, 0x42, 0xF2, 0x29, 2,    0x41, 0xF1, 0x42, 0xF4, 0x3C, 0x5D, 0x7F,
                       0x00, 0x13, 0x05, 0x00, 0x00, 0xC8, 0xC5, 0xD3, 0xD3, 0xD6, 0xFF, 0xEF};
  const Bytes enter = {0, 0, 0, 0, 2, 0x7D, 0x40, 0x40, 0x11, 0x40, 0xC1, 0xC8, 0xC9, 0xFF, 0xEF};
  const Bytes structured = {0, 0, 0, 0, 3, 0xF3, 0, 5, 1, 0xFF, 0xFF, 2, 0, 0, 0xFF, 0xEF};
  const Bytes query = {0, 0, 0, 0, 4, 0x88, 0, 6, 0x81, 0x86, 0, 8, 0, 1, 0xFF, 0xEF};
  DecodeFixture fx;
  ASSERT_TRUE(fx.Load(
      std::vector<Bytes>{FromHost(write), FromHost({0xFF, 0xFD, 40}), ToHost({0xFF, 0xFB, 40}),
                         ToHost(enter), FromHost(structured), ToHost(query), ToHost(Chars("ab"))}));
  EXPECT_EQ(fx.session.Description(1), "Ethernet II/IPV4/TCP (ACK PSH)/Telnet");
  EXPECT_EQ(fx.session.Nodes.NodeTable[0].TN3270Host, 0);

  EXPECT_EQ(TelnetLines(fx, 1),
            (std::vector<std::string>{
                "0+36 Telnet",
                "  0+5 TN3270 Header",
                "    0+1 Data Type (1 byte) - 0 3270-Data",
                "    1+1 Request Flag (1 byte) - 0",
                "    2+1 Response Flag (1 byte) - 0",
                "    3+2 Sequence Number (2 bytes) - 1",
                "  5+29 3270 Data",
                "    5+1 Command (1 byte) - Erase/Write",
                "    6+1 Write Control Character (1 byte) - 0xC3",
                "    7+3 Set Buffer Address (SBA) - 0 Row 1 Col 1",
                "    10+2 Start Field (SF) Attribute: 0xF0",
                "      11+1 Field Attribute (1 byte) - 0xF0",
                "    12+3 Set Attribute (SA) Foreground Colour: Red",
                "      13+1 Attribute Type (1 byte) - Foreground Colour",
                "      14+1 Attribute Value (1 byte) - Red",
                "    15+6 Start Field Extended (SFE)",
                "      17+2 Attribute Pair (2 bytes) - Extended Highlighting: Blink",
                "        17+1 Attribute Type (1 byte) - Extended Highlighting",
                "        18+1 Attribute Value (1 byte) - Blink",
                "      19+2 Attribute Pair (2 bytes) - Foreground Colour: Green",
                "        19+1 Attribute Type (1 byte) - Foreground Colour",
                "        20+1 Attribute Value (1 byte) - Green",
                "    21+4 Repeat to Address (RA) - 1919 Row 24 Col 80",
                "    25+1 Insert Cursos (IC)",
                "    26+1 Program Tab (PT)",
                "    27+2 Null Data (2 bytes)",
                "    29+5 Data (5 bytes) - HELLO",
                "  34+2 Command: End Of Record",
            }));
  EXPECT_EQ(TelnetLines(fx, 4), (std::vector<std::string>{
                                    "0+15 Telnet",
                                    "  0+5 TN3270 Header",
                                    "    0+1 Data Type (1 byte) - 0 3270-Data",
                                    "    1+1 Request Flag (1 byte) - 0",
                                    "    2+1 Response Flag (1 byte) - 0",
                                    "    3+2 Sequence Number (2 bytes) - 2",
                                    "  5+8 3270 Data",
                                    "    5+1 AID (1 byte) - Enter Key",
                                    "    6+2 Buffer Address (2 bytes) - 0 Row 1 Col 1",
                                    "    8+3 Set Buffer Address (SBA) - 1 Row 1 Col 2",
                                    "    11+2 Data (2 bytes) - HI",
                                    "  13+2 Command: End Of Record",
                                }));
  // A structured field's doubled IAC is one byte of its data.
  EXPECT_EQ(TelnetLines(fx, 5), (std::vector<std::string>{
                                    "0+16 Telnet",
                                    "  0+5 TN3270 Header",
                                    "    0+1 Data Type (1 byte) - 0 3270-Data",
                                    "    1+1 Request Flag (1 byte) - 0",
                                    "    2+1 Response Flag (1 byte) - 0",
                                    "    3+2 Sequence Number (2 bytes) - 3",
                                    "  5+9 3270 Data",
                                    "    5+1 Command (1 byte) - Write Structured Field",
                                    "    6+6 Structured Field Read Partition",
                                    "      6+2 Length (2 bytes) - 5",
                                    "      8+1 ID (1 byte) - Read Partition",
                                    "      9+3 Parameters/Data (3 bytes)",
                                    "    12+2 Structured Field",
                                    "      12+2 Length (2 bytes) - 0",
                                    "  14+2 Command: End Of Record",
                                }));
  EXPECT_EQ(TelnetLines(fx, 6), (std::vector<std::string>{
                                    "0+16 Telnet",
                                    "  0+5 TN3270 Header",
                                    "    0+1 Data Type (1 byte) - 0 3270-Data",
                                    "    1+1 Request Flag (1 byte) - 0",
                                    "    2+1 Response Flag (1 byte) - 0",
                                    "    3+2 Sequence Number (2 bytes) - 4",
                                    "  5+9 3270 Data",
                                    "    5+1 AID (1 byte) - Structured Field",
                                    "    6+6 Structured Field Query Reply(Color)",
                                    "      6+2 Length (2 bytes) - 6",
                                    "      8+2 ID (2 bytes) - Query Reply(Color)",
                                    "      10+2 Parameters/Data (2 bytes)",
                                    "    12+2 Structured Field",
                                    "      12+2 Length (2 bytes) - 1",
                                    "  14+2 Command: End Of Record",
                                }));
  // Too short for a TN3270E header: nothing but the root.
  EXPECT_EQ(TelnetLines(fx, 7), (std::vector<std::string>{"0+2 Telnet"}));
}

TEST(TN3270, UnmarkedStationsSeePlainData) {
  const Bytes enter = {0, 0, 0, 0, 2, 0x7E, 0x40, 0x40};  // no Enter AID: no mark
  DecodeFixture fx;
  ASSERT_TRUE(fx.Load(std::vector<Bytes>{ToHost(enter)}));
  EXPECT_EQ(TelnetLines(fx, 1), (std::vector<std::string>{"0+8 Telnet", "  0+8 Data: .....~@@"}));
}

TEST(TN3270, MalformedStreamsEndCleanly) {
  const Bytes write = {0,    0,    0,    0,    1,    0xF5, 0xC3, 0x11, 0x40, 0x40, 0x1D, 0xF0,
                       0x28, 0x42, 0xF2, 0x29, 2,    0x41, 0xF1, 0x42, 0xF4, 0x3C, 0x5D, 0x7F,
                       0x00, 0x13, 0x05, 0x12, 0x40, 0xC8, 0xC5, 0xD3, 0xD3, 0xD6};
  const Bytes sf = {0, 0, 0, 0, 3, 0xF3, 0, 5, 1, 0xFF, 0xFF, 2, 0, 1, 0x0F, 0, 0, 0x81};
  std::vector<Bytes> frames = {FromHost({0xFF, 0xFD, 40})};
  for (const Bytes& message : {write, sf}) {
    for (const Bytes& m : MalformedVariants(message)) {
      frames.push_back(FromHost(m));
      frames.push_back(ToHost(m));
    }
  }
  DecodeFixture fx;
  ASSERT_TRUE(fx.Load(frames));
  for (uint32_t n = 1; n <= fx.session.FrameCount; ++n)
    EXPECT_NE(fx.Tree(n), std::vector<std::string>{"not read"});
}

}  // namespace
}  // namespace kestle::test
