#include "protocols/rtp.h"

#include <gtest/gtest.h>

#include "decode/protocol_ids.h"
#include "protocols/service_fixture.h"

namespace kestle::test {
namespace {

using RTP = ServiceFixture;

Bytes Packet(uint8_t first, uint8_t second, std::initializer_list<uint32_t> sources,
             size_t payload) {
  FrameBuilder b;
  b.u8(first).u8(second).be16(21304).be32(0xFFFFFC18).be32(0x5A3C9E01);
  for (uint32_t s : sources) b.be32(s);
  for (size_t i = 0; i < payload; ++i) b.u8(static_cast<uint8_t>(i));
  return b;
}

TEST_F(RTP, Summary) {
  EXPECT_EQ(Summary(RTPSummary, Packet(0x80, 0x80, {}, 160)), "/RTP");
  EXPECT_TRUE(StackHas(ProtoRTP));
  EXPECT_EQ(Summary(RTPSummary, {}), "/RTP");
}

TEST_F(RTP, VersionTwoTree) {
  const auto lines = Lines(RTPTree, Packet(0x80, 0x80, {}, 40));
  const std::vector<std::string> want = {
      "0+52 Realtime Transport Protocol (RTP)",
      "  0+1 Version (V) - 2 (rfc1889)",
      "  0+1 Padding (P) - False",
      "  0+1 Extention (E) - False",
      "  0+1 CSRC Count - 0",
      "  1+1 Marker (M) - 1",
      "  1+1 Payload Type (1 byte) - 0 (PCMU)",
      "  2+2 Sequence Number (2 bytes) - 21304",
      "  4+4 Timestamp (4 bytes) - -1000",
      "  8+4 Synchronization Source Id (SSRC) (4 bytes) - 1513922049",
      "  12+40 Payload (40 bytes) - "
      "0x000102030405060708090A0B0C0D0E0F101112131415161718191A1B1C1D1E1F...",
  };
  EXPECT_EQ(lines, want);
  EXPECT_FALSE(c.Truncated);
}

TEST_F(RTP, Fields) {
  Lines(RTPTree, Packet(0xB2, 0x60, {7, 0xFFFFFFFF}, 3));
  EXPECT_EQ(Text("Padding"), "Padding (P) - True");
  EXPECT_EQ(Text("Extention"), "Extention (E) - True");
  EXPECT_EQ(Text("CSRC Count"), "CSRC Count - 2");
  EXPECT_EQ(Text("Marker"), "Marker (M) - 0");
  EXPECT_EQ(Text("Payload Type"), "Payload Type (1 byte) - 96 (Unknown)");
  EXPECT_EQ(tree.Roots.at(0)->Children.at(9)->Text, "Contributing Source Id (CSRC) (4 bytes) - 7");
  EXPECT_EQ(tree.Roots.at(0)->Children.at(10)->Text,
            "Contributing Source Id (CSRC) (4 bytes) - 4294967295");
  EXPECT_EQ(Text("Payload ("), "Payload (3 bytes) - 0x000102");
  // Not version 2: the version line only.
  EXPECT_EQ(Lines(RTPTree, Packet(0x40, 0x00, {}, 4)),
            (std::vector<std::string>{"0+16 Realtime Transport Protocol (RTP)",
                                      "  0+1 Version (V) - 1"}));
  // A source list cut short shows neither the rest nor a payload: two
  // sources announced in 14 bytes, then one of two present.
  Lines(RTPTree, Packet(0x82, 0x00, {}, 2));
  EXPECT_FALSE(Has("Contributing"));
  EXPECT_FALSE(Has("Payload ("));
  Bytes cut = Packet(0x82, 0x00, {7}, 0);
  cut.push_back(0xEE);
  cut.push_back(0xEE);
  Lines(RTPTree, cut);
  EXPECT_TRUE(Has("Contributing"));
  EXPECT_FALSE(Has("Payload ("));
  EXPECT_EQ(tree.Roots.at(0)->Children.size(), 10u);
  // No payload after the header: no payload line; a header cut short: no tree.
  Lines(RTPTree, Packet(0x80, 0x00, {}, 0));
  EXPECT_FALSE(Has("Payload ("));
  EXPECT_TRUE(Lines(RTPTree, Bytes(11, 0x80)).empty());
}

TEST_F(RTP, MalformedVariantsEndCleanly) {
  for (const Bytes& m : MalformedVariants(Packet(0x83, 0x80, {1, 2, 3}, 20))) {
    Summary(RTPSummary, m);
    Lines(RTPTree, m);
  }
}

}  // namespace
}  // namespace kestle::test
