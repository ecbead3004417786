// The filter bar with the filter dialog: both must hold; nothing matching
// changes nothing; the history keeps the last expressions once each.
#include "output/filter_bar.h"

#include <gtest/gtest.h>

#include "decode/config/ini.h"
#include "decode/session.h"
#include "query/display_filter.h"
#include "query/filter_history.h"
#include "support/expected.h"
#include "support/session_fixture.h"

namespace kestle::test {
namespace {

std::vector<uint32_t> Shown(const CaptureSession& s) {
  return std::vector<uint32_t>(s.FrameOrder.begin() + 1, s.FrameOrder.begin() + 1 + s.VisibleCount);
}

FilterExpression Parse(const CaptureSession& s, const std::string& text) {
  FilterError e;
  auto x = FilterExpression::Parse(text, s.Env.Protocols, e);
  EXPECT_TRUE(x) << e.Message;
  return x ? *x : FilterExpression{};
}

TEST(FilterBar, TheDialogAndTheExpressionBothHold) {
  SessionFixture f;
  ASSERT_TRUE(f.Open(CapturePath("mixed.pcap")));
  CaptureSession& s = f.session;
  MarkProtocolsInUse(s);
  FilterChoice udp;
  udp.RootChecked = false;
  udp.CheckedPaths = FindStackEntries(s, "UDP");
  ASSERT_FALSE(udp.CheckedPaths.empty());

  const FilterExpression both = Parse(s, "udp and port == 53");
  const std::vector<uint32_t> want = MatchingFrames(BoundFilter(both, s), s);
  ASSERT_FALSE(want.empty());
  const FilterExpression port = Parse(s, "port == 53");
  FilterOutcome r = ApplyDialogAndExpression(s, &udp, &port);
  ASSERT_TRUE(r.Applied);
  EXPECT_EQ(Shown(s), want);
  EXPECT_EQ(r.Shown, want.size());

  // Nothing selected: the rows stay as they were.
  const FilterExpression none = Parse(s, "tcp and udp");
  r = ApplyDialogAndExpression(s, &udp, &none);
  EXPECT_FALSE(r.Applied);
  EXPECT_EQ(Shown(s), want);

  // The expression alone, the dialog alone, neither.
  r = ApplyDialogAndExpression(s, nullptr, &port);
  EXPECT_EQ(Shown(s), MatchingFrames(BoundFilter(port, s), s));
  r = ApplyDialogAndExpression(s, &udp, nullptr);
  EXPECT_EQ(Shown(s), MatchingFrames(BoundFilter(Parse(s, "udp"), s), s));
  r = ApplyDialogAndExpression(s, nullptr, nullptr);
  EXPECT_TRUE(r.Applied);
  EXPECT_EQ(s.VisibleCount, s.FrameCount);
}

TEST(FilterBar, HistoryKeepsTheLastExpressionsOnce) {
  FilterHistory h;
  for (int i = 0; i < 12; ++i) h.Add("frame.number == " + std::to_string(i));
  h.Add("frame.number == 5");
  h.Add("   ");
  ASSERT_EQ(h.Items().size(), FilterHistory::kMax);
  EXPECT_EQ(h.Items()[0], "frame.number == 5");
  EXPECT_EQ(h.Items()[1], "frame.number == 11");
  EXPECT_EQ(std::count(h.Items().begin(), h.Items().end(), "frame.number == 5"), 1);
  IniFile ini;
  h.Save(ini);
  FilterHistory back;
  back.Load(ini);
  EXPECT_EQ(back.Items(), h.Items());
}

}  // namespace
}  // namespace kestle::test
