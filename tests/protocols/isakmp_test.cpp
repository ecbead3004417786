#include "protocols/isakmp.h"

#include <gtest/gtest.h>

#include "decode/protocol_ids.h"
#include "protocols/service_fixture.h"

namespace kestle::test {
namespace {

using ISAKMP = ServiceFixture;

Bytes Hex(std::string_view hex) {
  Bytes b;
  for (size_t i = 0; i + 1 < hex.size(); i += 2)
    b.push_back(static_cast<uint8_t>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16)));
  return b;
}

std::string Repeat(std::string_view text, int n) {
  std::string s;
  for (int i = 0; i < n; ++i) s += text;
  return s;
}

// A payload: its generic header (next payload, reserved, length) and body.
Bytes Payload(uint8_t next, const Bytes& body) {
  return Concat({FrameBuilder().u8(next).u8(0).be16(static_cast<uint16_t>(4 + body.size())), body});
}
// A message of `exchange` whose first payload is `first`.
Bytes Message(uint8_t exchange, uint8_t first, const Bytes& payloads, uint8_t flags = 0) {
  return Concat({FrameBuilder()
                     .be32(0x64DB621E)
                     .be32(0xF21998A3)
                     .zeros(8)
                     .u8(first)
                     .u8(0x10)
                     .u8(exchange)
                     .u8(flags)
                     .be32(0x01020304)
                     .be32(static_cast<uint32_t>(28 + payloads.size())),
                 payloads});
}
Bytes Proposal(uint8_t next, uint8_t number, uint8_t protocol, const Bytes& spi, uint8_t transforms,
               const Bytes& rest) {
  return Payload(
      next, Concat({{number, protocol, static_cast<uint8_t>(spi.size()), transforms}, spi, rest}));
}
Bytes Transform(uint8_t next, uint8_t number, uint8_t id, const Bytes& attributes) {
  return Payload(next, Concat({{number, id, 0, 0}, attributes}));
}
Bytes SA(uint8_t next, const Bytes& proposals) {
  return Payload(next, Concat({FrameBuilder().be32(1).be32(1), proposals}));
}

// The first message of a main mode exchange: one SA with one proposal and
// one transform, and a Vendor ID. The values below agree with an
// independent decoder's.
const Bytes kMainMode = Hex(
    "64db621ef21998a300000000000000000110020000000000000000680d00003800000001000000010000002c0101"
    "0001000000240001000080010007800e010080020004800300018004000e800b0001800c7080000000144048b7d5"
    "6ebce88525e7de7f00d6c2d3");

TEST_F(ISAKMP, Summaries) {
  struct Case {
    Bytes message;
    std::string summary;
  } cases[] = {
      {kMainMode, "/ISAKMP Identity Protection"},
      {Message(32, 0, {}), "/ISAKMP Quick Mode"},
      {Message(99, 0, {}), "/ISAKMP Unknown"},
      {Bytes(27, 0), "/ISAKMP"},
      {{}, "/ISAKMP"},
  };
  for (const auto& k : cases) {
    EXPECT_EQ(Summary(ISAKMPSummary, k.message), k.summary);
    EXPECT_TRUE(StackHas(ProtoISAKMP));
  }
}

TEST_F(ISAKMP, MainModeFirstMessage) {
  EXPECT_EQ(Lines(ISAKMPTree, kMainMode),
            (std::vector<std::string>{
                "0+104 Internet Security Association and Key Management Protocol (ISAKMP)",
                "  0+8 Initiator Cookie (8 bytes) - 0x64DB621EF21998A3",
                "  8+8 Responder Cookie (8 bytes) - 0x0000000000000000",
                "  16+1 Next Payload (1 byte) - 1 Security Association",
                "  17+1 Version (1 byte) - 1.0",
                "  18+1 Exchange Type (1 byte) - 2 Identity Protection",
                "  19+1 Flags",
                "    19+1 .... ...0  = Not Encrypted",
                "    19+1 .... ..0.  = No Commit",
                "    19+1 .... .0..  = No Authentication",
                "  20+4 Message ID (4 bytes) - 0x00000000",
                "  24+4 Length (4 bytes) - 104",
                "  28+56 Payload: Security Association",
                "    28+1 Next Payload (1 byte) - 13 Vendor ID",
                "    29+1 Reserved (1 byte)",
                "    30+2 Length (2 bytes) - 56",
                "    32+4 Domain of Interpretaion (4 bytes) - 1 IPSEC",
                "    36+4 Situation (4 bytes) - 1",
                "    40+44 Payload: Proposal 1",
                "      40+1 Next Payload (1 byte) - 0 None",
                "      41+1 Reserved (1 byte)",
                "      42+2 Length (2 bytes) - 44",
                "      44+1 Proposal Number (1 byte) - 1",
                "      45+1 Protocol ID (1 byte) - 1 ISAKMP",
                "      46+1 SPI Size (1 byte) - 0",
                "      47+1 Number of Transforms (1 byte) - 1",
                "      48+36 Payload: Transform 0",
                "        48+1 Next Payload (1 byte) - 0 None",
                "        49+1 Reserved (1 byte)",
                "        50+2 Length (2 bytes) - 36",
                "        52+1 Transform Number (1 byte) - 0",
                "        53+1 Transform ID (1 byte) - 1 KEY_IKE",
                "        54+2 Reserved",
                "        56+4 Attribute: Encryption Algorithm = Unknown",
                "        60+4 Attribute: Key Length = 256",
                "        64+4 Attribute: Hash Algorithm = Unknown",
                "        68+4 Attribute: Authentication Method = pre-shared key",
                "        72+4 Attribute: Group Description = Unknown",
                "        76+4 Attribute: Life Type = Seconds",
                "        80+4 Attribute: Life Duration = 28800",
                "  84+20 Payload: Vendor ID: FRAGMENTATION",
                "    84+1 Next Payload (1 byte) - 0 None",
                "    85+1 Reserved (1 byte)",
                "    86+2 Length (2 bytes) - 20",
                "    88+16 Vendor ID (Hashed) (16 bytes) - 0x4048B7D56EBCE88525E7DE7F00D6C2D3 "
                "(FRAGMENTATION)",
            }));
}

TEST_F(ISAKMP, TransformsAndAttributes) {
  // ESP proposal with two transforms; attributes: basic, variable of 4
  // bytes, variable of 8 bytes (value 0), and a basic one that ends the
  // transform.
  const Bytes attributes =
      Concat({FrameBuilder().be16(0x8001).be16(5), FrameBuilder().be16(12).be16(4).be32(86400),
              FrameBuilder().be16(14).be16(8).zeros(8), FrameBuilder().be16(0x8002).be16(2)});
  const Bytes message =
      Message(32, 1,
              SA(0, Proposal(0, 1, 3, {0xDE, 0xAD, 0xBE, 0xEF}, 2,
                             Concat({Transform(3, 1, 3, attributes), Transform(0, 2, 11, {})}))));
  Lines(ISAKMPTree, message);
  EXPECT_EQ(Text("Payload: Proposal"), "Payload: Proposal 1");
  EXPECT_EQ(Text("Security Parameter Index"),
            "Security Parameter Index (SPI) (4 bytes) - 0xDEADBEEF");
  EXPECT_EQ(Text("Transform ID"), "Transform ID (1 byte) - 3 ESP_3DES");
  EXPECT_EQ(Text("Attribute: Encryption"), "Attribute: Encryption Algorithm = 3DES-CBC");
  EXPECT_EQ(Text("Attribute: Life"), "Attribute: Life Duration = 86400");
  EXPECT_EQ(Text("Attribute: Key"), "Attribute: Key Length = 0");
  EXPECT_EQ(Text("Attribute: Hash"), "Attribute: Hash Algorithm = SHA");
  const DetailNode* proposal = Find("Payload: Proposal");
  ASSERT_NE(proposal, nullptr);
  ASSERT_EQ(proposal->Children.size(), 10u);
  EXPECT_EQ(proposal->Children[8]->Text, "Payload: Transform 1");
  EXPECT_EQ(proposal->Children[9]->Text, "Payload: Transform 2");
  EXPECT_EQ(proposal->Children[9]->Children[4]->Text, "Transform ID (1 byte) - 11 ESP_NULL");
  // A variable attribute past the transform ends the attribute walk.
  Lines(
      ISAKMPTree,
      Message(2, 1,
              SA(0, Proposal(
                        0, 1, 1, {}, 1,
                        Transform(0, 1, 1,
                                  FrameBuilder().be16(0x8001).be16(1).be16(12).be16(9).be32(1))))));
  EXPECT_TRUE(Has("Attribute: Encryption Algorithm = DES-CBC"));
  EXPECT_FALSE(Has("Attribute: Life"));
  // The proposal's protocol names transforms within the message only.
  Lines(ISAKMPTree, Message(2, 3, Transform(0, 1, 1, {})));
  EXPECT_EQ(Text("Transform ID"), "Transform ID (1 byte) - 1 Unknown");
}

TEST_F(ISAKMP, OtherPayloads) {
  struct Case {
    uint8_t type;
    Bytes body;
    std::vector<std::string> lines;  // below the three header lines
  } cases[] = {
      {4,
       Bytes(32, 0xAB),
       {"    32+32 Key Exchange Data (32 bytes) - 0x" + Repeat("AB", 32) + "..."}},
      {4, Bytes(31, 0xAB), {"    32+31 Key Exchange Data (31 bytes) - 0x" + Repeat("AB", 31)}},
      {5,
       FrameBuilder().u8(1).u8(17).be16(500).ipv4("10.1.2.3"),
       {"    32+1 ID Type (1 byte) - 1 IPV4_ADDR", "    33+1 Protocol ID (1 byte) - 17 UDP",
        "    34+2 Port (2 bytes) - 500", "    36+4 Identification Data (4 bytes) - 0x0A010203"}},
      {6,
       {4, 0x30, 0x82},
       {"    32+1 Certificate Encoding (1 byte) - 4 X.509 Certificate - Signature",
        "    33+2 Certificate Data (2 bytes) - 0x3082"}},
      {7,
       {4, 0x30},
       {"    32+1 Certificate Encoding (1 byte) - 4 X.509 Certificate - Signature",
        "    33+1 Certificate Authority (1 byte) - 0x30"}},
      {8, {1, 2}, {"    32+2 Hash Data (2 bytes) - 0x0102"}},
      {9, {3}, {"    32+1 Signature Data (1 byte) - 0x03"}},
      {10, {0xC0, 0xFF, 0xEE}, {"    32+3 Nonce Data (3 bytes) - 0xC0FFEE"}},
      {11,
       Concat({FrameBuilder().be32(1).u8(3).u8(4).be16(14), {1, 2, 3, 4, 9, 9}}),
       {"    32+4 Domain of Interpretaion (4 bytes) - 1 IPSEC",
        "    36+1 Protocol ID (1 byte) - 3 IPSEC_ESP", "    37+1 SPI Size (1 byte) - 4",
        "    38+2 Notify Message Type (2 bytes) - 14 NO-PROPOSAL-CHOSEN",
        "    40+4 Security Parameter Index (SPI) (4 bytes) - 0x01020304",
        "    44+2 Nofification Data (2 bytes) - 0x0909"}},
      // An SPI size past the payload: neither SPI nor data.
      {11,
       Concat({FrameBuilder().be32(1).u8(3).u8(40).be16(24), {1, 2}}),
       {"    32+4 Domain of Interpretaion (4 bytes) - 1 IPSEC",
        "    36+1 Protocol ID (1 byte) - 3 IPSEC_ESP", "    37+1 SPI Size (1 byte) - 40",
        "    38+2 Notify Message Type (2 bytes) - 24 AUTHENTICATION-FAILED"}},
      // A count of SPIs larger than the payload holds: those it holds.
      {12,
       Concat({FrameBuilder().be32(1).u8(2).u8(2).be16(500), {1, 2, 3, 4, 5}}),
       {"    32+4 Domain of Interpretaion (4 bytes) - 1 IPSEC",
        "    36+1 Protocol ID (1 byte) - 2 IPSEC_AH", "    37+1 SPI Size (1 byte) - 2",
        "    38+2 Number of SPIs (2 bytes) - 500", "    40+2 SPI #1 (2 bytes) - 0x0102",
        "    42+2 SPI #2 (2 bytes) - 0x0304"}},
      {13,
       Hex("afcad71368a1f1c96b8696fc77570100"),
       {"    32+16 Vendor ID (Hashed) (16 bytes) - 0xAFCAD71368A1F1C96B8696FC77570100 (Dead Peer "
        "Detection)"}},
      {13,
       Hex("1e2b516905991c7d7c96fcbfb587e46100000003"),
       {"    32+20 Vendor ID (Hashed) (20 bytes) - 0x1E2B516905991C7D7C96FCBFB587E46100000003 (MS "
        "NT5 ISAKMP OAKLEY)"}},
      {13, {1, 2}, {"    32+2 Vendor ID (Hashed) (2 bytes) - 0x0102"}},
      {99, {1, 2}, {}},
  };
  for (const auto& k : cases) {
    auto lines = Lines(ISAKMPTree, Message(5, k.type, Payload(0, k.body)));
    ASSERT_GE(lines.size(), 16u) << int{k.type};
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 16, lines.end()), k.lines) << int{k.type};
  }
  Lines(ISAKMPTree, Message(5, 13, Payload(0, Hex("afcad71368a1f1c96b8696fc77570100"))));
  EXPECT_EQ(Text("Payload:"), "Payload: Vendor ID: Dead Peer Detection");
}

TEST_F(ISAKMP, ChainEnds) {
  // Encrypted: the header and the encrypted payload only.
  auto lines = Lines(ISAKMPTree, Message(2, 1, Bytes(20, 0x55), 0x01));
  EXPECT_EQ(lines.back(), "  28+20 Encrypted Payload (20 bytes)");
  EXPECT_FALSE(Has("Payload:"));
  // A payload length of 0 ends the chain after its header lines.
  Bytes zero = Message(2, 10, Concat({Payload(10, {1}), Payload(0, {2})}));
  zero[30] = 0;
  zero[31] = 0;
  lines = Lines(ISAKMPTree, zero);
  EXPECT_EQ(lines.back(), "    30+2 Length (2 bytes) - 0");
  // A payload longer than the message: its header lines only.
  Bytes longer = Message(2, 10, Payload(0, {1, 2, 3}));
  longer[31] = 40;
  lines = Lines(ISAKMPTree, longer);
  EXPECT_EQ(lines.back(), "    30+2 Length (2 bytes) - 40");
  // Two payloads follow each other by their lengths.
  Lines(ISAKMPTree, Message(2, 10, Concat({Payload(8, {1}), Payload(0, {2})})));
  EXPECT_EQ(Text("Hash Data"), "Hash Data (1 byte) - 0x02");
}

TEST_F(ISAKMP, MalformedVariantsEndCleanly) {
  const Bytes attributes =
      Concat({FrameBuilder().be16(0x8001).be16(5), FrameBuilder().be16(12).be16(4).be32(86400)});
  for (const Bytes& message :
       {kMainMode,
        Message(32, 1,
                SA(0, Proposal(0, 1, 3, {0xDE, 0xAD}, 2,
                               Concat({Transform(3, 1, 3, attributes), Transform(0, 2, 11, {})})))),
        Message(5, 11,
                Payload(12, Concat({FrameBuilder().be32(1).u8(3).u8(2).be16(14), {1, 2, 9}}))),
        Message(5, 12,
                Payload(0, Concat({FrameBuilder().be32(1).u8(2).u8(2).be16(2), {1, 2, 3, 4}})))})
    for (const Bytes& m : MalformedVariants(message)) {
      Summary(ISAKMPSummary, m);
      Lines(ISAKMPTree, m);
    }
}

}  // namespace
}  // namespace kestle::test
