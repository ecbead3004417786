// The link layer against the independent decoder's reading of the corpus.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>

#include "decode/context.h"
#include "decode/detail.h"
#include "decode/dispatch.h"
#include "output/grid.h"
#include "support/decode_fixture.h"
#include "support/expected.h"
#include "support/layer_fixture.h"

namespace kestle {
namespace {

std::string Upper(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char ch) { return std::toupper(ch); });
  return s;
}

bool HasLine(const std::vector<std::string>& tree, const std::string& text) {
  return std::any_of(tree.begin(), tree.end(),
                     [&](const std::string& l) { return l.find(text) != std::string::npos; });
}

// The tagged frames of the corpus all travel in VLAN 20.
constexpr char kCorpusVlan[] = "VLAN ID (12 bits) - 20";

TEST(LinkCorpus, MixedPcapAgreesWithTheReference) {
  const auto expected = test::LoadExpected("mixed.pcap");
  test::DecodeFixture fx;
  ASSERT_TRUE(fx.Open(test::CapturePath("mixed.pcap")));
  ASSERT_EQ(fx.session.FrameCount, expected.size());
  int tagged = 0;
  for (uint32_t n = 1; n <= fx.session.FrameCount; ++n) {
    const auto& e = expected[n - 1];
    SCOPED_TRACE("frame " + std::to_string(n) + " " + e["frame.protocols"]);
    const std::string src = Upper(test::FirstValue(e["eth.src"]));
    const std::string dst = Upper(test::FirstValue(e["eth.dst"]));

    const std::string stack = fx.Stack(n);
    EXPECT_TRUE(stack.starts_with("Ethernet/") || stack.starts_with("ISL/")) << stack;

    const auto tree = fx.Tree(n);
    EXPECT_TRUE(HasLine(tree, "Destination Ethernet Address (6 bytes) - " + dst));
    EXPECT_TRUE(HasLine(tree, "Source Ethernet Address (6 bytes) - " + src));

    const std::string protocols = ":" + e["frame.protocols"] + ":";
    const bool network = protocols.find(":ip:") != std::string::npos ||
                         protocols.find(":ipv6:") != std::string::npos ||
                         protocols.find(":arp:") != std::string::npos;
    if (!network) {
      EXPECT_EQ(FrameCellText(fx.session, n, 'D'), src);
      EXPECT_EQ(FrameCellText(fx.session, n, 'F'), dst);
    }

    const bool vlan = protocols.find(":vlan:") != std::string::npos;
    tagged += vlan;
    EXPECT_EQ(HasLine(tree, kCorpusVlan), vlan);
    EXPECT_EQ(fx.session.Description(n).find("/802.1q") != std::string_view::npos, vlan);
    EXPECT_EQ(stack.find("/802.1q") != std::string::npos, vlan);
  }
  EXPECT_GT(tagged, 0);
}

// Every frame of the corpus that was captured whole decodes without a read
// outside its layers, in the summary and the tree, and every tree line lies
// inside its parent.
TEST(LinkCorpus, WholeFramesReadOnlyTheirLayers) {
  test::DecodeFixture fx;
  ASSERT_TRUE(fx.Open(test::CapturePath("mixed.pcap")));
  DecodeContext c(fx.session, fx.env);
  for (uint32_t n = 1; n <= fx.session.FrameCount; ++n) {
    SCOPED_TRACE("frame " + std::to_string(n));
    DetailTree tree;
    ASSERT_TRUE(BuildFrameTree(fx.session, c, tree, n));
    test::ExpectRangesNested(tree, fx.session.FrameTable[n].CapLen);
    const FrameTabRec& rec = fx.session.FrameTable[n];
    if (rec.CapLen != rec.TrueLen) continue;  // cut short by the capture
    EXPECT_FALSE(c.Truncated) << fx.session.Description(n);
    c.LoadFrame(fx.session.Input.FrameBytes().data(), rec.CapLen);
    c.Desc.clear();
    CallSummary(c, LinkTypeUnit(kLinkEthernet));
    EXPECT_FALSE(c.Truncated) << c.Desc;
  }
}

}  // namespace
}  // namespace kestle
