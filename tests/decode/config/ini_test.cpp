#include "decode/config/ini.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "decode/config/environment.h"

namespace kestle {
namespace {

TEST(IniFile, NamesWithoutCaseFirstMatchCrLf) {
  IniFile ini;
  ini.Parse(
      "\xEF\xBB\xBF[options]\r\nTimeFormat=2\r\ntimeformat=1\r\n"
      "  Spaced Key  =  v = w  \r\n[OPTIONS]\r\nColourGrid=0\r\n");
  EXPECT_EQ(ini.ReadInteger("Options", "TIMEFORMAT", 0), 2);
  EXPECT_EQ(ini.ReadString("Options", "spaced key", ""), "v = w");
  // keys of a repeated section are not seen: the first section wins
  EXPECT_EQ(ini.ReadInteger("Options", "ColourGrid", 7), 7);
  EXPECT_EQ(ini.ReadString("Options", "Missing", "def"), "def");
}

TEST(IniFile, IntegersAndEmptyStrings) {
  IniFile ini;
  ini.Parse("[S]\nhex=0x8000\nHEX=1\nneg=-2\nbad=12a\nempty=\nbig=4294967294\n");
  EXPECT_EQ(ini.ReadInteger("S", "hex", 0), 32768);
  EXPECT_EQ(ini.ReadInteger("S", "neg", 0), -2);
  EXPECT_EQ(ini.ReadInteger("S", "bad", 5), 5);
  EXPECT_EQ(ini.ReadInteger("S", "empty", 5), 5);
  EXPECT_EQ(ini.ReadString("S", "empty", "def"), "");
  EXPECT_EQ(ini.ReadInteger("S", "big", 9), 9);  // not a signed 32-bit number
  EXPECT_TRUE(ini.ReadBool("S", "neg", false));
}

TEST(IniFile, UnknownLinesKeptAndSectionErasedBeforeRewrite) {
  IniFile ini;
  ini.Parse(
      "; comment\n[Files]\nFile1=a\nFile2=b\nFile3=c\n[Mine]\nKeep=1\n"
      "[Files]\nFile4=stale\n");
  ini.EraseSection("files");
  ini.WriteString("Files", "File1", "x");
  EXPECT_FALSE(ini.Get("Files", "File2"));
  EXPECT_FALSE(ini.Get("Files", "File4"));
  EXPECT_EQ(ini.Text(), "; comment\r\n[Mine]\r\nKeep=1\r\n[Files]\r\nFile1=x\r\n");
}

TEST(IniFile, WriteReplacesInPlaceAndAppendsBeforeBlankLines) {
  IniFile ini;
  ini.Parse("[A]\nk=1\n\n[B]\nz=2\n");
  ini.WriteString("a", "K", "3");
  ini.WriteInteger("A", "n", -4);
  EXPECT_EQ(ini.Text(), "[A]\r\nk=3\r\nn=-4\r\n\r\n[B]\r\nz=2\r\n");
  EXPECT_EQ(ini.Keys("a"), (std::vector<std::string>{"k", "n"}));
}

class IniSave : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = std::filesystem::temp_directory_path() /
          ("kestle-ini-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
           std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    std::filesystem::create_directories(dir);
  }
  void TearDown() override { std::filesystem::remove_all(dir); }
  static std::string Slurp(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }
  std::filesystem::path dir;
};

TEST_F(IniSave, AtomicReplaceLeavesNoTemporaryFile) {
  const auto path = dir / "Kestle.ini";
  { std::ofstream(path) << "[Old]\nx=1\n"; }
  IniFile ini;
  ASSERT_TRUE(ini.Load(path.string()));
  ini.WriteString("New", "y", "2");
  ASSERT_TRUE(ini.Save(path.string()));
  EXPECT_EQ(Slurp(path), "[Old]\r\nx=1\r\n[New]\r\ny=2\r\n");
  EXPECT_FALSE(std::filesystem::exists(dir / "Kestle.ini.tmp"));
}

TEST_F(IniSave, FailedSaveKeepsTheOldFile) {
  const auto path = dir / "Kestle.ini";
  { std::ofstream(path) << "[Old]\nx=1\n"; }
  // a directory in the way of the temporary file makes the write fail
  std::filesystem::create_directories(dir / "Kestle.ini.tmp");
  IniFile ini;
  ini.Parse("[New]\ny=2\n");
  EXPECT_FALSE(ini.Save(path.string()));
  EXPECT_EQ(Slurp(path), "[Old]\nx=1\n");
  EXPECT_FALSE(ini.Save((dir / "missing" / "Kestle.ini").string()));
}

TEST_F(IniSave, EnvironmentRoundTripKeepsPortsUnknownKeysAndRecentFiles) {
  const auto path = dir / "Kestle.ini";
  {
    std::ofstream(path) << "[Options]\nTimeFormat=1\nFutureKey=abc\n"
                        << "[Files]\nFile1=/a.cap\nFile3=/c.cap\n"
                        << "[Ports]\nPortNum=1\nPort1=8080,1,5,0,Web proxy\n"
                        << "[Extra]\nwho=me\n";
  }
  IniFile ini;
  ASSERT_TRUE(ini.Load(path.string()));
  Environment env;
  env.Load(ini);
  EXPECT_EQ(env.settings.TimeFormat, 1);
  ASSERT_EQ(env.recent.Files(), (std::vector<std::string>{"/a.cap", "/c.cap"}));
  env.recent.Add("/d.cap");
  env.Save(ini);
  ASSERT_TRUE(ini.Save(path.string()));

  IniFile again;
  ASSERT_TRUE(again.Load(path.string()));
  EXPECT_EQ(again.ReadString("Options", "FutureKey", ""), "abc");
  EXPECT_EQ(again.ReadString("Extra", "who", ""), "me");
  EXPECT_EQ(again.ReadString("Ports", "Port1", ""), "8080,1,5,0,Web proxy");
  EXPECT_EQ(again.ReadString("Files", "File2", ""), "/c.cap");
  EXPECT_EQ(again.ReadString("Files", "File3", ""), "/d.cap");
  EXPECT_FALSE(again.Get("Files", "File4"));
}

}  // namespace
}  // namespace kestle
