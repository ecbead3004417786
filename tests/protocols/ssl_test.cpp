#include "protocols/ssl.h"

#include <gtest/gtest.h>

#include "decode/protocol_ids.h"
#include "protocols/service_fixture.h"

namespace kestle::test {
namespace {

using SSL = ServiceFixture;

Bytes Hex(std::string_view hex) {
  Bytes b;
  for (size_t i = 0; i + 1 < hex.size(); i += 2)
    b.push_back(static_cast<uint8_t>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16)));
  return b;
}

// A TLS 1.2 Client Hello and the Server Hello that answers it (with a
// session ID, 14 suites and extensions; the suite and one compression
// method): the values below agree with an independent decoder's.
const Bytes kClientHello = Hex(
    "16030300cb010000c70303604dd4f2a39dedf13340917f66b15597e5b34a36935b10d6ff120460bd28785c2020a3"
    "2d4f0791dabb0ef31d6848fe5f2f321ec991cbb9c79f5b80618ba18780fe001c130113031302c02bc02fcca9cca8"
    "c02cc030c013c014009c002f0035010000620000001700150000127365637572652e6578616d706c652e636f6d00"
    "170000ff01000100000a000a0008001d001700180019000b000201000010000e000c02683208687474702f312e31"
    "000d00140012040305030603080408050806040105010601");
const Bytes kServerHello = Hex(
    "160303006a020000660303604dd4f3ee397c8dad316022fa54e25d1f3caf4a16d48a1c80ef48f7a4f0e61220278d"
    "7f93273e77bd58b7fd020d7ef48481eb369d0c84433ada2030c2a01a53efc02f00001eff0100010000170000000b"
    "000201000010000b000908687474702f312e31");

// A record of `type` holding `body`.
Bytes Record(uint8_t type, const Bytes& body, uint8_t minor = 1) {
  return Concat(
      {FrameBuilder().u8(type).u8(3).u8(minor).be16(static_cast<uint16_t>(body.size())), body});
}
// A handshake message of `type` holding `body`.
Bytes Message(uint8_t type, const Bytes& body) {
  return Concat({FrameBuilder().u8(type).u8(0).be16(static_cast<uint16_t>(body.size())), body});
}
// A Client Hello body: version 3.1, a random of 32 bytes, a session ID,
// the suites and the compression methods.
Bytes HelloBody(const Bytes& sessionId, const Bytes& suites, const Bytes& methods) {
  return Concat({FrameBuilder().u8(3).u8(1).be32(0).zeros(28),
                 {static_cast<uint8_t>(sessionId.size())},
                 sessionId,
                 FrameBuilder().be16(static_cast<uint16_t>(suites.size())),
                 suites,
                 {static_cast<uint8_t>(methods.size())},
                 methods});
}
// An SSL version 2 Client Hello: N bytes of 3-byte cipher kinds, a session ID, C
// challenge bytes.
Bytes V2Hello(const Bytes& ciphers, const Bytes& session, const Bytes& challenge) {
  const size_t length = 9 + ciphers.size() + session.size() + challenge.size();
  return Concat({FrameBuilder()
                     .be16(static_cast<uint16_t>(0x8000 | length))
                     .u8(1)
                     .u8(0)
                     .u8(2)
                     .be16(static_cast<uint16_t>(ciphers.size()))
                     .be16(static_cast<uint16_t>(session.size()))
                     .be16(static_cast<uint16_t>(challenge.size())),
                 ciphers, session, challenge});
}

TEST_F(SSL, Summaries) {
  struct Case {
    Bytes message;
    std::string summary;
    uint16_t protocol;  // 0 = none recorded
  } cases[] = {
      {kClientHello, "/TLSv3 Client Hello", ProtoTLS},
      {kServerHello, "/TLSv3 Server Hello", ProtoTLS},
      {Record(22, Message(2, {}), 0), "/SSLv3 Server Hello", ProtoSSLv3},
      {Record(21, {1, 0}, 0), "/SSLv3", ProtoSSLv3},
      {Record(20, {1}), "/TLSv3 Change Cipher Spec", ProtoTLS},
      {Record(23, {1, 2, 3}), "/TLSv3 Application Data", ProtoTLS},
      {Record(22, {99, 0, 0, 0}), "/TLSv3", ProtoTLS},
      {V2Hello({1, 0, 0x80}, {}, Bytes(16, 7)), "/SSLv2 Client Hello", ProtoSSLv2},
      {{0x16, 3, 1, 0, 5}, "/SSL", ProtoSSLv3},  // no byte after the header
      {{'G', 'E', 'T', ' '}, "/SSL", ProtoSSLv3},
      {{0x16, 3}, "/SSL", 0},
      {{}, "/SSL", 0},
  };
  for (const auto& k : cases) {
    EXPECT_EQ(Summary(SSLSummary, k.message), k.summary);
    if (k.protocol) {
      EXPECT_TRUE(StackHas(k.protocol)) << k.summary;
    } else {
      EXPECT_EQ(c.FrameProtocol, 0u) << k.summary;
    }
  }
}

TEST_F(SSL, ClientHello) {
  const auto lines = Lines(SSLTree, kClientHello);
  ASSERT_GE(lines.size(), 30u);
  EXPECT_EQ(lines[0], "0+208 Transport Layer Security Protocol (TLS)");
  EXPECT_EQ(lines[1], "  0+208 SSLv3 Record Layer: Client Hello");
  EXPECT_EQ(Text("Content Type"), "Content Type (1 byte) - 22 Handshake");
  EXPECT_EQ(Text("Version"), "Version (2 bytes) - 3.3");
  EXPECT_EQ(Text("Length"), "Length (2 bytes) - 203");
  EXPECT_EQ(Text("Handshake Protocol"), "Handshake Protocol: Client Hello");
  EXPECT_EQ(Text("Handshake Type"), "Handshake Type (1 byte) - 1 Client Hello");
  // 0x604DD4F2 is 2021-03-14 09:18:42 UTC.
  EXPECT_EQ(Text("Random GMT Time"), "Random GMT Time (4 bytes) - 14/03/2021  09:18:42");
  EXPECT_EQ(Text("Random Bytes"),
            "Random Bytes (28 bytes) - "
            "0xA39DEDF13340917F66B15597E5B34A36935B10D6FF120460BD28785C");
  EXPECT_EQ(Text("Session ID Length"), "Session ID Length (1 byte) - 32");
  EXPECT_EQ(Text("Session ID ("),
            "Session ID (32 bytes) - "
            "0x20A32D4F0791DABB0EF31D6848FE5F2F321EC991CBB9C79F5B80618BA18780FE");
  EXPECT_EQ(Text("Cipher Suite Length"), "Cipher Suite Length (2 bytes) - 28");
  const DetailNode* suites = Find("Cipher Suite Data");
  ASSERT_NE(suites, nullptr);
  EXPECT_EQ(suites->Text, "Cipher Suite Data (14 entries)");
  ASSERT_EQ(suites->Children.size(), 14u);
  EXPECT_EQ(suites->Children[0]->Text, "Cipher Spec 1 (2 bytes) - 0x1301 Unknown");
  EXPECT_EQ(suites->Children[12]->Text, "Cipher Spec 13 (2 bytes) - 0x002F Unknown");
  EXPECT_EQ(Text("Compression Methods Length"), "Compression Methods Length (1 byte) - 1");
  EXPECT_EQ(Text("Compression Methods ("), "Compression Methods (1 entry)");
  EXPECT_EQ(Text("Method 1"), "Method 1 (1 byte) - 0");
}

TEST_F(SSL, ServerHello) {
  Lines(SSLTree, kServerHello);
  EXPECT_EQ(Text("SSLv3 Record Layer"), "SSLv3 Record Layer: Server Hello");
  EXPECT_EQ(Text("Random GMT Time"), "Random GMT Time (4 bytes) - 14/03/2021  09:18:43");
  EXPECT_EQ(Text("Cipher Suite ("), "Cipher Suite (2 bytes) - 0xC02F Unknown");
  EXPECT_EQ(Text("Compression Method ("), "Compression Method (1 byte) - 0");
  ASSERT_NE(Find("Cipher Suite ("), nullptr);
  EXPECT_EQ(Find("Cipher Suite (")->Offset, kUdpPayloadAt + 76);
}

TEST_F(SSL, RecordsAndLengths) {
  // Two records in a segment: a cipher change and an encrypted
  // handshake message.
  EXPECT_EQ(
      Lines(SSLTree, Concat({Record(20, {1}, 0), Record(22, Bytes(8, 0x5A), 0)})),
      (std::vector<std::string>{
          "0+19 Secure Socket Layer Protocol (SSL)", "  0+6 SSLv3 Record Layer: Change Cipher Spec",
          "    0+1 Content Type (1 byte) - 20 Change Cipher Spec",
          "    1+2 Version (2 bytes) - 3.0", "    3+2 Length (2 bytes) - 1",
          "    5+1 Change Cipher Message (1 byte) - 1 Change Cipher Spec",
          "  6+13 SSLv3 Record Layer: Encrypted", "    6+1 Content Type (1 byte) - 22 Handshake",
          "    7+2 Version (2 bytes) - 3.0", "    9+2 Length (2 bytes) - 8",
          "    11+8 Handshake Protocol: Encrypted"}));
  Lines(SSLTree, Record(20, {2}));
  EXPECT_EQ(Text("Change Cipher Message"), "Change Cipher Message (1 byte) - 2 Invalid");
  Lines(SSLTree, Record(20, {1, 1}));
  EXPECT_EQ(Text("Change Cipher Message"), "Change Cipher Message (2 bytes) - Invalid length");
  // A record past the segment is shown as far as it goes.
  Bytes cut = Record(23, Bytes(10, 1));
  cut.resize(9);
  EXPECT_EQ(
      Lines(SSLTree, cut),
      (std::vector<std::string>{"0+9 Transport Layer Security Protocol (TLS)",
                                "  0+9 SSLv3 Record Layer: Application Data",
                                "    0+1 Content Type (1 byte) - 23 Application Data",
                                "    1+2 Version (2 bytes) - 3.1", "    3+2 Length (2 bytes) - 10",
                                "    5+4 Application Data (4 bytes)"}));
  // A Client Key Exchange and a Certificate message.
  Lines(SSLTree, Record(22, Message(16, {1, 2, 3})));
  EXPECT_EQ(Text("KeyExchange"), "KeyExchange (3 bytes)");
  Lines(SSLTree, Record(22, Message(11, Concat({{0, 0, 8}, {0, 0, 2, 0xAB, 0xCD}, {0, 0, 0}}))));
  EXPECT_EQ(Text("Certificates Length"), "Certificates Length (3 bytes) - 8");
  const DetailNode* handshake = Find("Handshake Protocol");
  ASSERT_NE(handshake, nullptr);
  ASSERT_EQ(handshake->Children.size(), 4u);
  const DetailNode* certs = handshake->Children[3].get();
  EXPECT_EQ(certs->Text, "Certificates");
  ASSERT_EQ(certs->Children.size(), 3u);
  EXPECT_EQ(certs->Children[1]->Text, "Certificate (2 bytes) - 0xABCD");
  EXPECT_EQ(certs->Children[2]->Text, "Certificate Length (3 bytes) - 0");
  // A certificate longer than the message is not shown.
  Lines(SSLTree, Record(22, Message(11, {0, 0, 5, 0, 0, 9, 1, 2})));
  EXPECT_TRUE(Has("Certificate Length"));
  EXPECT_FALSE(Has("Certificate ("));
}

TEST_F(SSL, ClientHelloCounts) {
  // One suite: still " entries)"; suites that end the message are not listed.
  Lines(SSLTree, Record(22, Message(1, HelloBody({}, {0, 4}, {0}))));
  EXPECT_EQ(Text("Cipher Suite Data"), "Cipher Suite Data (1 entries)");
  EXPECT_EQ(Text("Cipher Spec 1"), "Cipher Spec 1 (2 bytes) - 0x0004 TLS_RSA_WITH_RC4_128_MD5");
  EXPECT_EQ(Text("Compression Methods ("), "Compression Methods (1 entry)");
  Bytes body = HelloBody({}, {0, 4}, {});
  body.pop_back();  // no compression methods length
  Lines(SSLTree, Record(22, Message(1, body)));
  EXPECT_TRUE(Has("Cipher Suite Length"));
  EXPECT_FALSE(Has("Cipher Suite Data"));
  EXPECT_FALSE(Has("Compression"));
  // Lengths past the message: the lines concerned are left out, the
  // compression methods are not looked for behind them.
  body = HelloBody({}, {0, 4}, {0, 1});
  body[35] = 0x40;  // suite length 0x4002
  Lines(SSLTree, Record(22, Message(1, body)));
  EXPECT_FALSE(Has("Cipher Suite Data"));
  EXPECT_FALSE(Has("Compression"));
  body = HelloBody({1, 2}, {0, 4}, {0});
  body[34] = 5;  // session ID length 5, 2 bytes of it and 5 after
  Lines(SSLTree, Record(22, Message(1, body)));
  EXPECT_TRUE(Has("Session ID ("));
  body[34] = 8;  // the ID and its length byte take the rest exactly
  Lines(SSLTree, Record(22, Message(1, body)));
  EXPECT_TRUE(Has("Session ID ("));
  EXPECT_FALSE(Has("Cipher Suite Length"));
  body[34] = 9;  // one past the message
  Lines(SSLTree, Record(22, Message(1, body)));
  EXPECT_FALSE(Has("Session ID ("));
  EXPECT_FALSE(Has("Cipher Suite Length"));
  // Too short for the random bytes: version and time only.
  Lines(SSLTree, Record(22, Message(1, FrameBuilder().u8(3).u8(1).be32(0).zeros(27))));
  EXPECT_TRUE(Has("Random GMT Time"));
  EXPECT_FALSE(Has("Random Bytes"));
  // A length that does not fill the record: not readable.
  Bytes two = Record(22, Concat({Message(14, {}), Message(14, {})}));
  Lines(SSLTree, two);
  EXPECT_EQ(Text("Handshake Protocol"), "Handshake Protocol: Encrypted");
}

TEST_F(SSL, SSLv2ClientHello) {
  const Bytes hello = V2Hello({1, 0, 0x80, 7, 0, 0xC0}, Bytes(16, 0xEE), Bytes(16, 0x11));
  EXPECT_EQ(
      Lines(SSLTree, hello),
      (std::vector<std::string>{
          "0+49 Secure Socket Layer Protocol (SSL)", "  0+49 SSLv2 Record Layer: Client Hello",
          "    0+2 Length (2 bytes) - 47", "    2+1 Message Type (1 byte) - 1 (Client Hello)",
          "    3+2 Version (2 bytes) - 0.2", "    5+2 Cipher Spec Length (2 bytes) - 6",
          "    7+2 Cipher ID (2 bytes) - 16", "    9+2 Challange Length (2 bytes) - 16",
          "    11+6 Cipher Specs Data (2 entries)",
          "      11+3 Cipher Spec 1 (3 bytes) - 0x010080 SSL2_RC4_128_WITH_MD5",
          "      14+3 Cipher Spec 2 (3 bytes) - 0x0700C0 SSL2_DES_192_EDE3_CBC_WITH_MD5",
          // The challenge is taken directly after the list of ciphers.
          "    17+16 Challange (16 bytes) - 0xEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEE"}));
  Lines(SSLTree, V2Hello({1, 0, 0x80, 7}, {}, Bytes(16, 0x11)));
  EXPECT_EQ(Text("Cipher Spec Length"), "Cipher Spec Length (2 bytes) - 4 <--- Invalid Value");
  EXPECT_FALSE(Has("Cipher Specs Data"));
}

TEST_F(SSL, MalformedVariantsEndCleanly) {
  for (const Bytes& message :
       {kClientHello, kServerHello, V2Hello({1, 0, 0x80}, {9}, Bytes(16, 0x11)),
        Record(22, Message(11, Concat({{0, 0, 8}, {0, 0, 2, 0xAB, 0xCD}, {0, 0, 0}}))),
        Concat({Record(20, {1}), Record(23, {1, 2}), Record(22, Message(16, {1}))})})
    for (const Bytes& m : MalformedVariants(message)) {
      Summary(SSLSummary, m);
      Lines(SSLTree, m);
    }
}

}  // namespace
}  // namespace kestle::test
