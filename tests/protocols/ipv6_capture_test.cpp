// The IPv6 frames of the mixed capture against the reference decode: the
// stations by address, and the ports behind extension headers; behind
// Ethernet, and behind the other link units (the IP frames of the capture).
#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <array>
#include <set>
#include <string>
#include <utility>

#include "decode/protocol_ids.h"
#include "output/grid.h"
#include "support/expected.h"
#include "support/session_fixture.h"

namespace kestle::test {
namespace {

// The 16 bytes of an address text (ours is upper-case and compressed, the
// reference's lower-case): equal addresses compare equal.
std::array<uint8_t, 16> Parse(const std::string& text) {
  std::array<uint8_t, 16> a{};
  EXPECT_EQ(inet_pton(AF_INET6, text.c_str(), a.data()), 1) << "'" << text << "'";
  return a;
}

class MixedCaptureIPv6 : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(fx.Open(CapturePath(GetParam()))) << fx.LastMessage();
    expected = LoadExpected(GetParam());
    ASSERT_EQ(expected.size(), fx.session.FrameCount);
  }
  bool StackHas(uint32_t frame, uint16_t id) const {
    const auto& paths = fx.session.Paths;
    for (uint32_t p = fx.session.FrameTable[frame].Protocol; p != 0; p = paths[p].Parent)
      if (paths[p].Protocol == id) return true;
    return false;
  }
  std::string Cell(uint32_t frame, char column) const {
    return FrameCellText(fx.session, frame, column);
  }
  static bool Has(const ExpectedFrame& e, const std::string& layer) {
    return (":" + e["frame.protocols"] + ":").find(":" + layer + ":") != std::string::npos;
  }

  SessionFixture fx;
  std::vector<ExpectedFrame> expected;
};

TEST_P(MixedCaptureIPv6, StationsAreTheIPv6Addresses) {
  int checked = 0;
  for (uint32_t n = 1; n <= expected.size(); ++n) {
    const auto& e = expected[n - 1];
    if (e["ipv6.src"].empty() || !e["ip.src"].empty()) continue;
    SCOPED_TRACE("frame " + std::to_string(n));
    EXPECT_TRUE(StackHas(n, ProtoIPV6));
    EXPECT_EQ(Parse(Cell(n, 'D')), Parse(FirstValue(e["ipv6.src"])));
    EXPECT_EQ(Parse(Cell(n, 'F')), Parse(FirstValue(e["ipv6.dst"])));
    ++checked;
  }
  EXPECT_GT(checked, 0);
}

TEST_P(MixedCaptureIPv6, PortsBehindExtensionHeaders) {
  // The reference reassembles fragments and shows the ports on the last
  // one; the ports are in the first. Compare the ports per fragment train.
  std::set<std::pair<std::string, std::string>> ours, theirs;
  for (uint32_t n = 1; n <= expected.size(); ++n) {
    const auto& e = expected[n - 1];
    if (e["ipv6.src"].empty() || !e["ip.src"].empty()) continue;
    const bool udp = Has(e, "udp"), tcp = Has(e, "tcp");
    const std::string src = e[udp ? "udp.srcport" : "tcp.srcport"];
    const std::string dst = e[udp ? "udp.dstport" : "tcp.dstport"];
    if (Has(e, "ipv6.fraghdr")) {
      if (Cell(n, 'E') != "0") ours.emplace(Cell(n, 'E'), Cell(n, 'G'));
      if (!src.empty()) theirs.emplace(FirstValue(src), FirstValue(dst));
      continue;
    }
    if (!udp && !tcp) continue;
    SCOPED_TRACE("frame " + std::to_string(n));
    EXPECT_EQ(Cell(n, 'E'), FirstValue(src));
    EXPECT_EQ(Cell(n, 'G'), FirstValue(dst));
  }
  EXPECT_FALSE(theirs.empty());
  EXPECT_EQ(ours, theirs);
}

INSTANTIATE_TEST_SUITE_P(LinkTypes, MixedCaptureIPv6,
                         ::testing::Values("mixed.pcap", "mixed-cooked.pcap", "mixed-cooked2.pcap",
                                           "mixed-raw.pcap", "mixed-null.pcap",
                                           "mixed-null-be.pcap", "mixed-loop.pcap"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                           return CaseName(info.param);
                         });

}  // namespace
}  // namespace kestle::test
