// Where the programs find their data: beside the program, in the share
// folder of the tree they sit in (built or installed), in the prefix's.
#include "decode/config/data_files.h"

#include <gtest/gtest.h>

#include <fstream>
#include <random>

namespace kestle {
namespace {

namespace fs = std::filesystem;

class DataFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() / ("kestle-data-" + std::to_string(std::random_device{}()));
    fs::create_directories(root_ / "bin");
    fs::create_directories(root_ / "share" / "kestle" / "help");
    fs::create_directories(root_ / "prefix");
  }
  void TearDown() override { fs::remove_all(root_); }
  void Put(const fs::path& p) { std::ofstream(root_ / p) << "x\n"; }
  fs::path root_;
};

TEST_F(DataFiles, BesideTheProgramThenItsTreeThenThePrefix) {
  const fs::path bin = root_ / "bin";
  EXPECT_EQ(FindDataFile(bin, "Kestlemac.txt", root_ / "prefix"), "");

  Put("prefix/Kestlemac.txt");
  EXPECT_EQ(FindDataFile(bin, "Kestlemac.txt", root_ / "prefix"),
            (root_ / "prefix" / "Kestlemac.txt").string());

  Put("share/kestle/Kestlemac.txt");
  Put("share/kestle/help/index.html");
  EXPECT_EQ(FindDataFile(bin, "Kestlemac.txt", root_ / "prefix"),
            (root_ / "share" / "kestle" / "Kestlemac.txt").string());
  EXPECT_EQ(FindDataFile(bin, "help/index.html", root_ / "prefix"),
            (root_ / "share" / "kestle" / "help" / "index.html").string());

  Put("bin/Kestlemac.txt");
  EXPECT_EQ(FindDataFile(bin, "Kestlemac.txt", root_ / "prefix"), (bin / "Kestlemac.txt").string());

  // A folder of that name is not the file; no program folder leaves the prefix.
  fs::create_directories(bin / "Kestlesnmp.txt");
  EXPECT_EQ(FindDataFile(bin, "Kestlesnmp.txt", root_ / "prefix"), "");
  EXPECT_EQ(FindDataFile({}, "Kestlemac.txt", root_ / "prefix"),
            (root_ / "prefix" / "Kestlemac.txt").string());
}

TEST(ProgramFolderTest, IsTheTestProgramsFolder) {
  const fs::path folder = ProgramFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_TRUE(fs::exists(folder / "kestle_tests"));
}

}  // namespace
}  // namespace kestle
