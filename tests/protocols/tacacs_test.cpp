#include "protocols/tacacs.h"

#include <gtest/gtest.h>

#include "decode/protocol_ids.h"
#include "protocols/service_fixture.h"

namespace kestle::test {
namespace {

using TACACS = ServiceFixture;

// TACACS and XTACACS: version byte, type, nonce, lengths, then (XTACACS)
// the extended fields, then the user name and password.
Bytes Tacacs(uint8_t type, std::string_view user, std::string_view password,
             uint8_t userResponse = 0, uint8_t passwordResponse = 0) {
  FrameBuilder b;
  b.u8(0x00).u8(type).be16(0xBEEF);
  if (type == 2)
    b.u8(userResponse).u8(passwordResponse);
  else
    b.u8(static_cast<uint8_t>(user.size())).u8(static_cast<uint8_t>(password.size()));
  return b.text(user).text(password);
}
Bytes Xtacacs(uint8_t type, std::string_view user, std::string_view password) {
  return FrameBuilder()
      .u8(0x80)
      .u8(type)
      .be16(0x1234)
      .u8(static_cast<uint8_t>(user.size()))
      .u8(static_cast<uint8_t>(password.size()))
      .u8(1)
      .u8(3)
      .be32(0xDEADBEEF)
      .ipv4("10.1.2.3")
      .be16(23)
      .be16(7)
      .be32(0x0A0B0C0D)
      .be16(0xABCD)
      .text(user)
      .text(password);
}
// TACACS+: the 12-byte header and the body (Data Length from the body
// unless given).
Bytes Plus(uint8_t type, uint8_t sequence, uint8_t flags, const Bytes& body, int64_t length = -1) {
  return Concat(
      {FrameBuilder().u8(0xC0).u8(type).u8(sequence).u8(flags).be32(979307553).be32(
           length >= 0 ? static_cast<uint32_t>(length) : static_cast<uint32_t>(body.size())),
       body});
}
Bytes Start(std::string_view user, std::string_view port) {
  return FrameBuilder()
      .u8(1)
      .u8(1)
      .u8(1)
      .u8(1)
      .u8(static_cast<uint8_t>(user.size()))
      .u8(static_cast<uint8_t>(port.size()))
      .u8(0)
      .u8(0)
      .text(user)
      .text(port);
}
Bytes Reply(uint8_t status, std::string_view message, const Bytes& data) {
  return Concat({FrameBuilder()
                     .u8(status)
                     .u8(0)
                     .be16(static_cast<uint16_t>(message.size()))
                     .be16(static_cast<uint16_t>(data.size()))
                     .text(message),
                 data});
}

TEST_F(TACACS, SummaryByVariant) {
  struct Case {
    Bytes message;
    std::string summary;
    uint16_t protocol;  // 0 = none recorded
  } cases[] = {
      {Tacacs(1, "bob", "pw"), "/TACACS/Login", ProtoTACACS},
      {Tacacs(12, "", ""), "/TACACS/Unknown", ProtoTACACS},
      {{0x00}, "/TACACS", ProtoTACACS},
      {Xtacacs(2, "", ""), "/XTACACS/Response", ProtoXTACACS},
      {Plus(1, 1, 1, Start("admin", "tty2")), "/TACACS+/Authentication/Request", ProtoTACACSPlus},
      {Plus(2, 4, 0, {}), "/TACACS+/Authorization/Response", ProtoTACACSPlus},
      {{0xC0, 3}, "/TACACS+/Accounting", ProtoTACACSPlus},
      {{0x40, 1, 1}, "", 0},
      {{}, "", 0},
  };
  for (const auto& k : cases) {
    EXPECT_EQ(Summary(TACACSSummary, k.message), k.summary);
    if (k.protocol) {
      EXPECT_TRUE(StackHas(k.protocol)) << k.summary;
    } else {
      EXPECT_EQ(c.FrameProtocol, 0u);
    }
  }
}

TEST_F(TACACS, TacacsTrees) {
  EXPECT_EQ(Lines(TACACSTree, Tacacs(1, "bob", "pw")),
            (std::vector<std::string>{
                "0+11 TACACS", "  0+1 Version (1 byte) - 0x00", "  1+1 Type (1 byte) - 1 (Login)",
                "  2+2 Nonce (2 bytes) - 0xBEEF", "  4+1 User Length (1 byte) - 3",
                "  5+1 Password Length (1 byte) - 2", "  6+3 User (3 bytes) - bob",
                "  9+2 Password (2 bytes) - pw"}));
  // A response shows the response texts and neither user nor password.
  Lines(TACACSTree, Tacacs(2, "", "", 1, 2));
  EXPECT_EQ(Text("User Response"), "User Response (1 byte) - 1 (Accepted)");
  EXPECT_EQ(Text("Password Response"), "Password Response (1 byte) - 2 (Rejected)");
  EXPECT_FALSE(Has("User ("));
  // Lengths past the data: the user is not shown and neither is the
  // password; a password past the data alone is left out.
  Bytes cut = Tacacs(1, "bob", "pw");
  cut[4] = 9;
  Lines(TACACSTree, cut);
  EXPECT_FALSE(Has("User ("));
  EXPECT_FALSE(Has("Password ("));
  cut = Tacacs(1, "bob", "pw");
  cut[5] = 3;
  Lines(TACACSTree, cut);
  EXPECT_TRUE(Has("User ("));
  EXPECT_FALSE(Has("Password ("));
  // ... and the layer is cut short.
  EXPECT_TRUE(c.Truncated);
  // Six bytes at least.
  EXPECT_TRUE(Lines(TACACSTree, {0x00, 1, 2, 3, 4}).empty());
}

TEST_F(TACACS, XtacacsTree) {
  EXPECT_EQ(Lines(TACACSTree, Xtacacs(1, "al", "x")),
            (std::vector<std::string>{
                "0+29 XTACACS", "  0+1 Version (1 byte) - 0x80", "  1+1 Type (1 byte) - 1 (Login)",
                "  2+2 Nonce (2 bytes) - 0x1234", "  4+1 User Length (1 byte) - 2",
                "  5+1 Password Length (1 byte) - 1", "  6+1 Response (1 byte) - 1",
                "  7+1 Reason (1 byte) - 3", "  8+4 Result1 (4 bytes) - 0xDEADBEEF",
                "  12+4 Destination Host (4 bytes) - 10.1.2.3", "  16+2 Dest Port (2 bytes) - 23",
                "  18+2 Line (2 bytes) - 7", "  20+4 Result2 (4 bytes) - 0A0B0C0D",
                "  24+2 Result3 (2 bytes) - ABCD", "  26+2 User (2 bytes) - al",
                "  28+1 Password (1 byte) - x"}));
  Lines(TACACSTree, Xtacacs(2, "", ""));
  EXPECT_EQ(Text("Response"), "Response (1 byte) - 1 (Accepted)");
  EXPECT_EQ(Text("Reason"), "Reason (1 byte) - 3 (Denied)");
  // A short message ends at its last whole field.
  const Bytes login = Xtacacs(1, "", "");
  Lines(TACACSTree, Bytes(login.begin(), login.begin() + 15));
  EXPECT_TRUE(Has("Result1"));
  EXPECT_FALSE(Has("Destination Host"));
}

TEST_F(TACACS, PlusAuthenticationStart) {
  const auto lines = Lines(TACACSTree, Plus(1, 1, 0x01, Start("admin", "tty2")));
  const std::vector<std::string> want = {
      "0+29 Tacacs+",
      "  0+1 Major Version (1 byte) - 12",
      "  0+1 Minor Version (1 byte) - 0",
      "  1+1 Packet Type (1 byte) - 1 (Authentication)",
      "  2+1 Sequence Number (1 byte) - 1",
      "  3+1 Flags (1 byte) - 0x01 (Multiple Connections,Unencrypted Data)",
      "  4+4 Session ID (4 bytes) - 979307553",
      "  8+4 Data Length (4 bytes) - 17",
      "  12+1 Action (1 byte) - 1 (Login)",
      "  13+1 privilege level (1 byte) - 1",
      "  14+1 Authentication Type (1 byte) - 1 (ASCII)",
      "  15+1 Service (1 byte) - 1 (Login)",
      "  16+1 User Length (1 byte) - 5",
      "  17+1 Port Length (1 byte) - 4",
      "  18+1 Remote Address Length (1 byte) - 0",
      "  19+1 Data Length (1 byte) - 0",
      "  20+5 User (5 bytes) - admin",
      "  25+4 Port (4 bytes) - tty2",
  };
  EXPECT_EQ(lines, want);
  EXPECT_EQ(tree.Roots.at(0)->Children.at(4)->Image, TreeImage::Flags);
}

TEST_F(TACACS, PlusBodies) {
  // Reply: status, flags, server message and data.
  Lines(TACACSTree, Plus(1, 2, 0x05, Reply(5, "Password: ", {0xAB, 0xCD})));
  EXPECT_EQ(Text("Flags"), "Flags (1 byte) - 0x05 (Single Connection,Unencrypted Data)");
  EXPECT_EQ(Text("Status"), "Status (1 byte) - 5 (GetPass)");
  EXPECT_EQ(Text("Server Message ("), "Server Message (10 bytes) - Password: ");
  EXPECT_EQ(Text("Data ("), "Data (2 bytes) - 0xABCD");
  // Continue: user message, data and flags.
  const Bytes cont = Concat({FrameBuilder().be16(6).be16(1).u8(0).text("secret"), {0x7F}});
  Lines(TACACSTree, Plus(1, 3, 0x01, cont));
  EXPECT_EQ(Text("User Message Length"), "User Message Length (2 bytes) - 6");
  EXPECT_EQ(Text("User Message ("), "User Message (6 bytes) - secret");
  EXPECT_EQ(Text("Data ("), "Data (1 byte) - 0x7F");
  // Authorization bodies are not decoded.
  Lines(TACACSTree, Plus(2, 1, 0x01, Start("a", "b")));
  EXPECT_FALSE(Has("Action"));
  // A message longer than the body stops there.
  Lines(TACACSTree, Plus(1, 2, 0x01, Reply(1, "hello", {})));
  EXPECT_TRUE(Has("Server Message ("));
  Bytes longer = Plus(1, 2, 0x01, Reply(1, "hello", {}));
  longer[12 + 3] = 50;
  Lines(TACACSTree, longer);
  EXPECT_FALSE(Has("Server Message ("));
}

TEST_F(TACACS, PlusEncryptedAndLengthChecks) {
  Lines(TACACSTree, Plus(1, 2, 0x00, Bytes(40, 0x5A)));
  std::string hex;
  for (int i = 0; i < 32; ++i) hex += "5A";
  EXPECT_EQ(Text("Encrypted Data"), "Encrypted Data (40 bytes) - 0x" + hex + "...");
  Lines(TACACSTree, Plus(1, 2, 0x00, Bytes(32, 0x5A)));
  EXPECT_EQ(Text("Encrypted Data").find("..."), std::string::npos);
  // The body must be there whole; a Data Length near 2^32 must not wrap.
  for (int64_t length : {41ll, 0xFFFFFFFFll, 0xFFFFFFF4ll, 0xFFFFFFF8ll}) {
    Lines(TACACSTree, Plus(1, 1, 0x01, Start("admin", "tty2"), length));
    EXPECT_TRUE(Has("Data Length")) << length;
    EXPECT_FALSE(Has("Action")) << length;
    EXPECT_FALSE(Has("Encrypted")) << length;
  }
  // Twelve bytes at least.
  EXPECT_TRUE(Lines(TACACSTree, {0xC0, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0}).empty());
}

// Over TCP, by the port table (port 49), the same decoder.
TEST_F(TACACS, OverTcp) {
  Position(TcpFrame(Plus(1, 1, 0x01, Start("admin", "tty2"))), kTcpPayloadAt);
  EXPECT_EQ(Summarise(TACACSSummary), "/TACACS+/Authentication/Request");
}

TEST_F(TACACS, MalformedVariantsEndCleanly) {
  for (const Bytes& message :
       {Tacacs(1, "bob", "pw"), Xtacacs(1, "al", "x"), Plus(1, 1, 0x01, Start("admin", "tty2")),
        Plus(1, 2, 0x01, Reply(5, "Password: ", {1})),
        Plus(1, 3, 0x01, Concat({FrameBuilder().be16(2).be16(1).u8(0).text("ab"), {1}})),
        Plus(1, 2, 0x00, Bytes(40, 1))})
    for (const Bytes& m : MalformedVariants(message)) {
      Summary(TACACSSummary, m);
      Lines(TACACSTree, m);
    }
}

}  // namespace
}  // namespace kestle::test
