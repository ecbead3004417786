#include "decode/config/settings.h"

#include <gtest/gtest.h>

#include "decode/config/ini.h"

namespace kestle {
namespace {

Settings Read(const std::string& options) {
  IniFile ini;
  ini.Parse("[Options]\r\n" + options);
  Settings s;
  s.Load(ini);
  return s;
}

TEST(Settings, DefaultsWithoutAnOptionsSection) {
  IniFile ini;
  ini.Parse("[Files]\nFile1=a.cap\n");
  Settings s;
  s.MaxPackets = 7;
  s.Load(ini);
  const Settings d;
  EXPECT_EQ(s.MaxPackets, d.MaxPackets);
  EXPECT_EQ(s.ColumnSel, "ABCDEFGIH");
  EXPECT_TRUE(s.DisplayLength);
  EXPECT_FALSE(s.AutoExpand);
  EXPECT_EQ(s.MaxTCPSessions, 5000);
}

TEST(Settings, ValidationRules) {
  EXPECT_EQ(Read("TimeFormat=3\n").TimeFormat, 0);
  EXPECT_EQ(Read("TimeFormat=2\n").TimeFormat, 2);
  EXPECT_EQ(Read("MaxPackets=0\n").MaxPackets, 1u);
  EXPECT_EQ(Read("MaxPackets=-1\n").MaxPackets, 4294967294u);
  EXPECT_EQ(Read("MaxPackets=abc\n").MaxPackets, 512000u);
  EXPECT_EQ(Read("ColumnSel=ABZ\n").ColumnSel, "ABCDEFGH");
  EXPECT_EQ(Read("ColumnSel=ABCDEFGHIA\n").ColumnSel, "ABCDEFGH");
  EXPECT_EQ(Read("ColumnSel=HA\n").ColumnSel, "HA");
  EXPECT_EQ(Read("FirstFrame=0\n").FirstFrame, 1);
  EXPECT_EQ(Read("FirstFrame=-5\n").FirstFrame, 1);
  EXPECT_TRUE(Read("AutoExpand=5\n").AutoExpand);
  EXPECT_EQ(Read("MaxTCPSessions=0x10\n").MaxTCPSessions, 16);
  // Names compare without case; the first key wins.
  EXPECT_EQ(Read("timeformat=1\nTimeFormat=2\n").TimeFormat, 1);
}

TEST(Settings, MaxPacketsIsWrittenBackSigned) {
  Settings s = Read("MaxPackets=-1\n");
  IniFile out;
  s.Save(out);
  EXPECT_EQ(out.ReadString("Options", "MaxPackets", ""), "-2");
  EXPECT_FALSE(out.Get("Options", "UseZLib").has_value());
}

TEST(Settings, SetOneKeyFromText) {
  Settings s;
  EXPECT_TRUE(s.Set("MaxPackets", "10"));
  EXPECT_TRUE(s.Set("firstframe", "5"));
  EXPECT_TRUE(s.Set("ColumnSel", "HA"));
  EXPECT_TRUE(s.Set("UseZLib", "0"));
  EXPECT_FALSE(s.Set("NoSuchKey", "1"));
  EXPECT_EQ(s.MaxPackets, 10u);
  EXPECT_EQ(s.FirstFrame, 5);
  EXPECT_EQ(s.ColumnSel, "HA");
  EXPECT_FALSE(s.UseZLib);
}

TEST(RecentFiles, GapsCloseAndTheOldestIsDropped) {
  IniFile ini;
  ini.Parse("[Files]\nFile1=a\nFile3=c\n");
  RecentFiles r;
  r.Load(ini);
  ASSERT_EQ(r.Files(), (std::vector<std::string>{"a", "c"}));
  IniFile out;
  out.Parse("[Files]\nFile7=stale\n");
  r.Save(out);
  EXPECT_EQ(out.ReadString("Files", "File2", ""), "c");
  EXPECT_FALSE(out.Get("Files", "File7").has_value());

  RecentFiles full;
  for (int i = 1; i <= 8; ++i) full.Add("f" + std::to_string(i));
  full.Add("f3");  // already there: nothing moves
  EXPECT_EQ(full.Files().front(), "f1");
  full.Add("f9");
  EXPECT_EQ(full.Files().size(), 8u);
  EXPECT_EQ(full.Files().front(), "f2");
  EXPECT_EQ(full.Files().back(), "f9");
}

TEST(IniFile, KeepsUnknownLinesAndParsesIntegers) {
  IniFile ini;
  ini.Parse("; comment\r\n[Custom]\r\nKey=Value, with comma\\x\r\n[Options]\r\nTimeFormat=1\r\n");
  ini.WriteInteger("Options", "TimeFormat", 2);
  const std::string text = ini.Text();
  EXPECT_NE(text.find("; comment"), std::string::npos);
  EXPECT_NE(text.find("Key=Value, with comma\\x"), std::string::npos);
  EXPECT_NE(text.find("TimeFormat=2"), std::string::npos);
  EXPECT_EQ(IniFile::ParseInteger("0x10"), 16);
  EXPECT_EQ(IniFile::ParseInteger("0XFFFFFFFF"), -1);
  EXPECT_EQ(IniFile::ParseInteger("-2147483648"), INT32_MIN);
  EXPECT_FALSE(IniFile::ParseInteger("2147483648"));
  EXPECT_FALSE(IniFile::ParseInteger("12a"));
  EXPECT_FALSE(IniFile::ParseInteger(""));
  EXPECT_EQ(IniFile::ParseInteger(" 42 "), 42);
}

}  // namespace
}  // namespace kestle
