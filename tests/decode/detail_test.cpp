// The frame header item and its information lines.
#include "decode/detail.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "support/decode_fixture.h"

namespace kestle {
namespace {

using test::Bytes;
using test::FrameBuilder;
using test::PcapFrame;

// 2021-03-14 09:20:00 UTC, a Sunday.
constexpr uint32_t kSunday = 1615713600;

// Two frames 1.5 ms apart, the first cut to 68 of its 1514 bytes, after
// `before` earlier frames (so that FirstFrame can skip them).
std::vector<PcapFrame> TwoFrames(uint32_t before = 0) {
  const Bytes f = FrameBuilder().ether("00:60:70:80:90:A0", "00:10:20:30:40:50", 0x1234).padTo(68);
  std::vector<PcapFrame> frames(before, PcapFrame{f, kSunday - 60, 0, 0});
  frames.push_back({f, kSunday, 274646, 1514});
  frames.push_back({f, kSunday, 276146, 0});
  return frames;
}

// Arrival times are shown in local time: pin the zone.
class FrameDetail : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("TZ", "UTC", 1);
    tzset();
  }
};

std::vector<std::string> Header(test::DecodeFixture& fx, uint32_t n) {
  auto lines = fx.Tree(n, /*withHeader=*/true);
  lines.resize(6);
  return lines;
}

TEST_F(FrameDetail, HeaderLines) {
  test::DecodeFixture fx;
  fx.env.settings.FirstFrame = 1000;
  ASSERT_TRUE(fx.Load(TwoFrames(999)));
  ASSERT_EQ(fx.session.FrameCount, 2u);
  EXPECT_EQ(Header(fx, 1),
            (std::vector<std::string>{"0+0 Frame 1,000 (True Size: 1514 captured: 68)",
                                      "  0+0 Arrival Time - Sun, Mar 14, 2021 09:20:00.274",
                                      "  0+0 Time delta from previous Packet - 0.00000",
                                      "  0+0 Frame Number - 1", "  0+0 Packet Length - 1514",
                                      "  0+0 Capture Length - 68"}));
  EXPECT_EQ(Header(fx, 2),
            (std::vector<std::string>{"0+0 Frame 1,001 (True Size: 68 captured: 68)",
                                      "  0+0 Arrival Time - Sun, Mar 14, 2021 09:20:00.276",
                                      "  0+0 Time delta from previous Packet - 0.00150",
                                      "  0+0 Frame Number - 2", "  0+0 Packet Length - 68",
                                      "  0+0 Capture Length - 68"}));
}

TEST_F(FrameDetail, LocaleNamesAndSeparators) {
  test::DecodeFixture fx;
  fx.env.Locale.ShortDayNames = {"So", "Mo", "Di", "Mi", "Do", "Fr", "Sa"};
  fx.env.Locale.ShortMonthNames = {"Jan", "Feb", "Mär", "Apr", "Mai", "Jun",
                                   "Jul", "Aug", "Sep", "Okt", "Nov", "Dez"};
  fx.env.Locale.ThousandsSep = ".";
  fx.env.Locale.DecimalSep = ",";
  fx.env.settings.FirstFrame = 1000;
  ASSERT_TRUE(fx.Load(TwoFrames(999)));
  const auto lines = Header(fx, 2);
  EXPECT_EQ(lines[0], "0+0 Frame 1.001 (True Size: 68 captured: 68)");
  EXPECT_EQ(lines[1], "  0+0 Arrival Time - So, Mär 14, 2021 09:20:00.276");
  EXPECT_EQ(lines[2], "  0+0 Time delta from previous Packet - 0,00150");
}

// The shown tree aligns values at column 50 and, with DisplayLength off,
// drops the "()" placeholders; the frame header items carry no byte range.
TEST_F(FrameDetail, ShownTreeAlignsValues) {
  test::DecodeFixture fx;
  fx.env.settings.DisplayLength = false;
  ASSERT_TRUE(fx.Load(TwoFrames()));
  DecodeContext c(fx.session, fx.env);
  DetailTree tree;
  ASSERT_TRUE(BuildFrameTree(fx.session, c, tree, 1));
  ASSERT_EQ(tree.Roots.size(), 3u);  // frame, Ethernet II, Data
  const DetailNode& frame = *tree.Roots[0];
  EXPECT_EQ(frame.Image, TreeImage::Frame);
  ASSERT_EQ(frame.Children.size(), 5u);
  EXPECT_EQ(frame.Children[3]->Text, "Packet Length" + std::string(37, ' ') + "1514");
  EXPECT_EQ(tree.Roots[1]->Text, "Ethernet II ");
  EXPECT_EQ(tree.Roots[1]->Children[2]->Text,
            "Protocol " + std::string(41, ' ') + "0x1234 Unknown");
  // The frame's bytes stay for the hex dump.
  EXPECT_EQ(c.FrameLen, 68u);
  EXPECT_FALSE(BuildFrameTree(fx.session, c, tree, 3));
  EXPECT_TRUE(tree.Empty());
}

// The hex dump shows the bytes the tree was built from, and nothing of a
// frame that could not be read, not even the frame shown before it.
TEST_F(FrameDetail, ShownBytesAreThoseOfTheFrameTheTreeWasBuiltFrom) {
  const Bytes one =
      FrameBuilder().ether("00:60:70:80:90:A0", "00:10:20:30:40:50", 0x1234).padTo(68);
  Bytes two = FrameBuilder().ether("00:10:20:30:40:50", "00:60:70:80:90:A0", 0x1234).padTo(90);
  two.back() = 0x5A;
  test::DecodeFixture fx;
  ASSERT_TRUE(fx.Load(std::vector<Bytes>{one, two}));
  DecodeContext c(fx.session, fx.env);
  DetailTree tree;
  auto shown = [&c] {
    const auto b = ShownFrameBytes(c);
    return Bytes(b.begin(), b.end());
  };
  ASSERT_TRUE(BuildFrameTree(fx.session, c, tree, 2));
  EXPECT_EQ(shown(), two);
  ASSERT_TRUE(BuildFrameTree(fx.session, c, tree, 1));
  EXPECT_EQ(shown(), one);

  EXPECT_FALSE(BuildFrameTree(fx.session, c, tree, 3));
  EXPECT_TRUE(shown().empty());
  ASSERT_TRUE(BuildFrameTree(fx.session, c, tree, 2));
  fx.session.FrameTable[1].RecordPos += 1;  // no longer the frame's record
  EXPECT_FALSE(BuildFrameTree(fx.session, c, tree, 1));
  EXPECT_TRUE(tree.Empty());
  EXPECT_TRUE(shown().empty());
  EXPECT_EQ(fx.LastMessage(), msg::kReadError);
}

}  // namespace
}  // namespace kestle
