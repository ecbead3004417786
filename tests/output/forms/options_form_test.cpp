#include "output/forms/options_form.h"

#include <gtest/gtest.h>

namespace kestle {
namespace {

std::string Letters(const std::vector<ColumnListEntry>& l) {
  std::string s;
  for (auto& e : l) s += e.Checked ? e.Letter : static_cast<char>(e.Letter - 'A' + 'a');
  return s;
}

TEST(OptionsColumns, ShownColumnsInOrderHiddenInTheirSlots) {
  struct Case {
    const char* sel;
    const char* list;  // capital = checked
  };
  const Case cases[] = {
      {"CA", "CbAdefghi"},
      {"ABCDEFGIH", "ABCDEFGIH"},
      {"HA", "HbcdefgAi"},
      {"I", "abcdefghI"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Letters(FillColumnList(c.sel)), c.list) << c.sel;
    EXPECT_EQ(ColumnSelFromList(FillColumnList(c.sel)), c.sel);
  }
  EXPECT_EQ(ColumnLongName('G'), "Destination Port");
}

TEST(OptionsOk, ChecksEverythingBeforeStoring) {
  Settings s;
  OptionsForm f = FormFromSettings(s);
  f.AutoExpand = true;
  for (auto& e : f.Columns) e.Checked = false;
  EXPECT_EQ(ApplyOptionsForm(f, s), "At least one column must be selected");
  EXPECT_FALSE(s.AutoExpand);

  f = FormFromSettings(s);
  f.Columns[0].Checked = false;
  f.AutoExpand = true;
  f.MaxPackets = "abc";
  EXPECT_EQ(ApplyOptionsForm(f, s), "'abc' is not a valid integer value");
  EXPECT_FALSE(s.AutoExpand);
  EXPECT_EQ(s.ColumnSel, "ABCDEFGIH");

  f.MaxPackets = "100";
  f.FirstFrame = "x1";
  EXPECT_EQ(ApplyOptionsForm(f, s), "'x1' is not a valid integer value");
  EXPECT_EQ(s.MaxPackets, 512000u);
}

TEST(OptionsOk, NumberRules) {
  struct Case {
    const char* maxPackets;
    const char* firstFrame;
    const char* sessions;
    uint32_t wantMax;
    int32_t wantFirst;
    uint16_t wantSessions;
  };
  const Case cases[] = {
      {"0", "0", "abc", 1, 1, 5000},
      {"4294967295", "-7", " 12 ", 4294967294u, 1, 12},
      {"-2", "5", "70000", 4294967294u, 5, 65535},
      {"$10", "0x10", "", 16, 16, 5000},
  };
  for (const Case& c : cases) {
    Settings s;
    OptionsForm f = FormFromSettings(s);
    f.MaxPackets = c.maxPackets;
    f.FirstFrame = c.firstFrame;
    f.MaxSessions = c.sessions;
    EXPECT_EQ(ApplyOptionsForm(f, s), "") << c.maxPackets;
    EXPECT_EQ(s.MaxPackets, c.wantMax) << c.maxPackets;
    EXPECT_EQ(s.FirstFrame, c.wantFirst) << c.firstFrame;
    EXPECT_EQ(s.MaxTCPSessions, c.wantSessions) << c.sessions;
  }
  Settings s;
  OptionsForm f = FormFromSettings(s);
  f.MaxPackets = "4294967296";
  EXPECT_NE(ApplyOptionsForm(f, s), "");
  f = FormFromSettings(s);
  f.FirstFrame = "2147483648";
  EXPECT_NE(ApplyOptionsForm(f, s), "");
}

TEST(OptionsOk, StoresEveryField) {
  Settings s;
  OptionsForm f = FormFromSettings(s);
  f.Columns = FillColumnList("HA");
  f.AutoExpand = true;
  f.ColourGrid = false;
  f.LookupHostNames = true;
  f.DisplayLength = false;
  f.TimeFormat = 2;
  f.DecodeTosAsDSCP = false;
  f.ShowSNMPOIDNumber = true;
  f.BuildTCPSessions = false;
  ASSERT_EQ(ApplyOptionsForm(f, s), "");
  EXPECT_EQ(s.ColumnSel, "HA");
  EXPECT_TRUE(s.AutoExpand);
  EXPECT_FALSE(s.ColourGrid);
  EXPECT_TRUE(s.LookupHostNames);
  EXPECT_FALSE(s.DisplayLength);
  EXPECT_EQ(s.TimeFormat, 2);
  EXPECT_FALSE(s.DecodeTosAsDSCP);
  EXPECT_TRUE(s.ShowSNMPOIDNumber);
  EXPECT_FALSE(s.BuildTCPSessions);
}

}  // namespace
}  // namespace kestle
