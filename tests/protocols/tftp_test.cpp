#include "protocols/tftp.h"

#include <gtest/gtest.h>

#include "decode/protocol_ids.h"
#include "protocols/service_fixture.h"
#include "support/decode_fixture.h"

namespace kestle::test {
namespace {

using TFTP = ServiceFixture;

Bytes Request(uint16_t op, std::string_view file, std::string_view mode) {
  return FrameBuilder().be16(op).text(file).u8(0).text(mode).u8(0);
}
Bytes Block(uint16_t op, uint16_t block, size_t data = 0) {
  return FrameBuilder().be16(op).be16(block).zeros(data);
}
Bytes Error(uint16_t code, std::string_view text) {
  return FrameBuilder().be16(5).be16(code).text(text).u8(0);
}

TEST_F(TFTP, Summaries) {
  struct Case {
    Bytes message;
    std::string summary;
  } cases[] = {
      {Request(1, "boot.img", "octet"), "/TFTP Read Request,File=boot.img"},
      {Request(2, "up\x01load", "netascii"), "/TFTP Write Request,File=up.load"},
      {FrameBuilder().be16(1).text("noend"), "/TFTP Read Request,File=noend"},
      {Block(3, 1, 512), "/TFTP Data,Block=1"},
      {Block(4, 65535), "/TFTP Acknowledgment,Block=65535"},
      {Error(1, "nope"), "/TFTP Error:File not found"},
      {Error(9, ""), "/TFTP Error:Unknown"},
      {FrameBuilder().be16(3).u8(0), "/TFTP Data"},
      {FrameBuilder().be16(5), "/TFTP Error"},
      {FrameBuilder().be16(9), "/TFTP Unknown"},
      // Nothing is read from a message without a whole opcode.
      {{0x00}, "/TFTP"},
      {{}, "/TFTP"},
  };
  for (const auto& k : cases) {
    EXPECT_EQ(Summary(TFTPSummary, k.message), k.summary);
    EXPECT_TRUE(StackHas(ProtoTFTP));
    EXPECT_FALSE(c.Truncated) << k.summary;
  }
}

TEST_F(TFTP, Trees) {
  EXPECT_EQ(
      Lines(TFTPTree, Request(1, "boot.img", "octet")),
      (std::vector<std::string>{
          "0+17 Trivial File Transport Protocol (TFTP)", "  0+2 Opcode (2 bytes) - 1 Read Request",
          "  2+9 Filename (9 bytes) - boot.img", "  11+6 Mode (6 bytes) - octet"}));
  EXPECT_EQ(Lines(TFTPTree, Error(1, "File () - x")),
            (std::vector<std::string>{"0+16 Trivial File Transport Protocol (TFTP)",
                                      "  0+2 Opcode (2 bytes) - 5 Error",
                                      "  2+2 Error Code (2 bytes) - 1 File not found",
                                      "  4+12 Error Message (12 bytes) - File () - x"}));
  EXPECT_EQ(Lines(TFTPTree, Block(3, 2, 100)),
            (std::vector<std::string>{"0+104 Trivial File Transport Protocol (TFTP)",
                                      "  0+2 Opcode (2 bytes) - 3 Data",
                                      "  2+2 Block No. (2 bytes) - 2"}));
  // Strings end at the end of the message without a zero byte; a mode
  // needs more than one byte after the file name.
  EXPECT_EQ(Lines(TFTPTree, FrameBuilder().be16(1).text("ab").u8(0).text("o")),
            (std::vector<std::string>{"0+6 Trivial File Transport Protocol (TFTP)",
                                      "  0+2 Opcode (2 bytes) - 1 Read Request",
                                      "  2+3 Filename (3 bytes) - ab"}));
  EXPECT_EQ(Lines(TFTPTree, FrameBuilder().be16(2).text("abc")).back(),
            "  2+3 Filename (3 bytes) - abc");
  EXPECT_EQ(Lines(TFTPTree, FrameBuilder().be16(1).text("a").u8(0).text("oc")).back(),
            "  4+2 Mode (2 bytes) - oc");
  // The fields need more than one byte after the opcode.
  EXPECT_EQ(Lines(TFTPTree, FrameBuilder().be16(3).u8(0)).size(), 2u);
  EXPECT_TRUE(Lines(TFTPTree, {0x00}).empty());
  EXPECT_FALSE(c.Truncated);
}

TEST_F(TFTP, MalformedVariantsEndCleanly) {
  for (const Bytes& message : {Request(1, "pxelinux.cfg/default", "octet"), Error(2, "denied")})
    for (const Bytes& m : MalformedVariants(message)) {
      Summary(TFTPSummary, m);
      Lines(TFTPTree, m);
    }
}

// A transfer's datagrams on ports of their own are TFTP once its request
// to port 69 was seen; others between the same hosts are not.
TEST(TFTPTransfers, FollowTheRequest) {
  auto v4 = [](std::string_view src, std::string_view dst, uint16_t sport, uint16_t dport,
               const Bytes& message) {
    return EthernetFrame(IPv4Packet(17,
                                    Concat({FrameBuilder()
                                                .be16(sport)
                                                .be16(dport)
                                                .be16(static_cast<uint16_t>(8 + message.size()))
                                                .be16(0),
                                            message}),
                                    src, dst),
                         0x0800);
  };
  auto v6 = [](std::string_view src, std::string_view dst, uint16_t sport, uint16_t dport,
               const Bytes& message) {
    return EthernetFrame(IPv6Packet(17,
                                    Concat({FrameBuilder()
                                                .be16(sport)
                                                .be16(dport)
                                                .be16(static_cast<uint16_t>(8 + message.size()))
                                                .be16(0),
                                            message}),
                                    src, dst));
  };
  const char* client = "192.168.10.101";
  const char* server = "192.168.10.1";
  struct Case {
    Bytes frame;
    std::string desc;
  } cases[] = {
      {v4(client, server, 2000, 3000, Block(4, 1)), "Ethernet II/IPV4/UDP/Unknown"},  // before
      {v4(client, server, 2000, 69, Request(1, "boot.img", "octet")),
       "Ethernet II/IPV4/UDP/TFTP Read Request,File=boot.img"},
      {v4(server, client, 3000, 2000, Block(3, 1, 512)), "Ethernet II/IPV4/UDP/TFTP Data,Block=1"},
      {v4(client, server, 2000, 3000, Block(4, 1)),
       "Ethernet II/IPV4/UDP/TFTP Acknowledgment,Block=1"},
      {v4(server, client, 3000, 2000, Error(1, "x")),
       "Ethernet II/IPV4/UDP/TFTP Error:File not found"},
      // The same request again adds no transfer.
      {v4(client, server, 2000, 69, Request(1, "boot.img", "octet")),
       "Ethernet II/IPV4/UDP/TFTP Read Request,File=boot.img"},
      // Another client port, another host: not the transfer.
      {v4(client, server, 2001, 3000, Block(4, 1)), "Ethernet II/IPV4/UDP/Unknown"},
      {v4("192.168.10.7", server, 2000, 3000, Block(4, 1)), "Ethernet II/IPV4/UDP/Unknown"},
      // A server answering from port 69 records the client it answers.
      {v4(server, "192.168.10.9", 69, 4000, Error(0, "")),
       "Ethernet II/IPV4/UDP/TFTP Error:Not defined"},
      {v4("192.168.10.9", server, 4000, 5000, Block(4, 0)),
       "Ethernet II/IPV4/UDP/TFTP Acknowledgment,Block=0"},
      // Over IPv6 the transfer is kept by the IPv6 addresses.
      {v6("2001:db8::5", "2001:db8::1", 2000, 69, Request(2, "up", "octet")),
       "Ethernet II/IPV6/UDP/TFTP Write Request,File=up"},
      {v6("2001:db8::1", "2001:db8::5", 3000, 2000, Block(4, 0)),
       "Ethernet II/IPV6/UDP/TFTP Acknowledgment,Block=0"},
      {v6("2001:db8::1", "2001:db8::6", 3000, 2000, Block(4, 0)), "Ethernet II/IPV6/UDP/Unknown"},
  };
  std::vector<Bytes> frames;
  for (const auto& k : cases) frames.push_back(k.frame);
  DecodeFixture fx;
  ASSERT_TRUE(fx.Load(frames));
  for (uint32_t i = 0; i < std::size(cases); ++i) {
    EXPECT_EQ(fx.session.Description(i + 1), cases[i].desc) << "frame " << i + 1;
  }
  EXPECT_EQ(fx.session.Decoders.TftpTransfers.Count(), 3u);
  EXPECT_EQ(fx.Stack(3), "Ethernet/IPV4/UDP/TFTP");
  // The trees consult the transfers too.
  const auto tree = fx.Tree(3);
  ASSERT_GE(tree.size(), 2u);
  EXPECT_EQ(tree[tree.size() - 3], "42+516 Trivial File Transport Protocol (TFTP)");
  EXPECT_EQ(tree.back(), "  44+2 Block No. (2 bytes) - 1");
  EXPECT_EQ(fx.Tree(1).back(), "42+4 Data (4 bytes)");
  // Opening another capture forgets them.
  ASSERT_TRUE(fx.Load(std::vector<Bytes>{cases[2].frame}));
  EXPECT_EQ(fx.session.Decoders.TftpTransfers.Count(), 0u);
  EXPECT_EQ(fx.session.Description(1), "Ethernet II/IPV4/UDP/Unknown");
}

}  // namespace
}  // namespace kestle::test
