#include "capture/fileio.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "support/builders.h"

namespace kestle {
namespace {

TEST(ZLib, VersionRule) {
  struct Case {
    const char* v;
    bool ok;
  } cases[] = {{"1.2.13", true}, {"1.3", true},    {"1.3.1.1-motley", true},
               {"2.0.0", true},  {"1.1.4", false}, {"1.0.9", false},
               {"", false},      {"abc", false},   {nullptr, false}};
  for (const auto& c : cases) EXPECT_EQ(ZLibVersionAcceptable(c.v), c.ok) << (c.v ? c.v : "null");
  EXPECT_TRUE(ZLibUsable());
}

TEST(CaptureFile, PlainAndGzipReadAlike) {
  test::Bytes data;
  for (int i = 0; i < 600000; ++i) data.push_back(static_cast<uint8_t>(i * 7));
  test::TempFile plain(data, ".bin");
  test::TempFile gz(test::Gzip(data), ".bin.GZ");
  for (const auto& [path, useZLib] : {std::pair{plain.path(), false}, std::pair{plain.path(), true},
                                      std::pair{gz.path(), true}}) {
    CaptureFile f;
    ASSERT_TRUE(f.Open(path, useZLib));
    uint8_t buf[16];
    ASSERT_TRUE(f.ReadExact(buf, 16));
    EXPECT_EQ(buf[15], data[15]);
    // Backwards and forwards seeks, inside and outside the buffered block.
    for (uint64_t pos : {599990ull, 10ull, 300000ull, 262143ull, 262144ull, 5ull}) {
      ASSERT_TRUE(f.Seek(pos)) << pos;
      EXPECT_EQ(f.Tell(), pos);
      ASSERT_TRUE(f.ReadExact(buf, 4)) << pos;
      EXPECT_EQ(buf[0], data[pos]) << pos;
      EXPECT_EQ(buf[3], data[pos + 3]) << pos;
    }
    // A large read straight into the caller's buffer.
    std::vector<uint8_t> big(400000);
    ASSERT_TRUE(f.Seek(1000));
    ASSERT_TRUE(f.ReadExact(big.data(), big.size()));
    EXPECT_EQ(big[399999], data[400999]);
    // Reading past the end delivers what is there and reports the end.
    ASSERT_TRUE(f.Seek(data.size() - 3));
    EXPECT_FALSE(f.Eof());
    EXPECT_EQ(f.Read(buf, 16), 3u);
    EXPECT_TRUE(f.Eof());
    EXPECT_EQ(f.Read(buf, 1), 0u);
    EXPECT_FALSE(f.Failed());
    // Skipping forward, inside and outside the buffered block, to the very
    // end, and past it.
    ASSERT_TRUE(f.Seek(100));
    ASSERT_TRUE(f.Skip(20));
    EXPECT_EQ(f.Tell(), 120u);
    ASSERT_TRUE(f.Skip(400000));
    ASSERT_TRUE(f.ReadExact(buf, 1));
    EXPECT_EQ(buf[0], data[400120]);
    ASSERT_TRUE(f.Skip(data.size() - 400121));
    EXPECT_TRUE(f.Eof());
    ASSERT_TRUE(f.Seek(data.size() - 10));
    EXPECT_FALSE(f.Skip(11));
    EXPECT_TRUE(f.Eof());
    EXPECT_FALSE(f.CutShort());
  }
  CaptureFile est;
  ASSERT_TRUE(est.Open(gz.path(), true));
  EXPECT_EQ(est.Size(), test::ReadFile(gz.path()).size() * 4);
  CaptureFile missing;
  EXPECT_FALSE(missing.Open("/nonexistent/file", true));
  EXPECT_FALSE(missing.Open("/tmp", true));
}

// zlib ends a stream cut short like a whole one; the file tells them apart.
TEST(CaptureFile, CompressedStreamCutShort) {
  test::Bytes data(300000);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 13 / 7);
  const test::Bytes gz = test::Gzip(data);
  struct Case {
    const char* name;
    size_t keep;  // bytes of the compressed file kept
    bool cutShort;
  } cases[] = {
      {"whole", gz.size(), false},
      {"without its end mark", gz.size() - 8, true},
      {"cut in the middle", gz.size() / 2, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::TempFile file(test::Bytes(gz.begin(), gz.begin() + static_cast<long>(c.keep)), ".gz");
    CaptureFile f;
    ASSERT_TRUE(f.Open(file.path(), true));
    std::vector<uint8_t> all(data.size() + 1);
    const size_t got = f.Read(all.data(), all.size());
    EXPECT_TRUE(f.Eof());
    EXPECT_EQ(f.CutShort(), c.cutShort);
    EXPECT_EQ(got == data.size(), c.keep >= gz.size() - 8);
    EXPECT_TRUE(std::equal(all.begin(), all.begin() + static_cast<long>(got), data.begin()));
  }
  // A plain file is never cut short: its end is its end.
  test::TempFile plain(test::Bytes(data.begin(), data.begin() + 1000), ".bin");
  CaptureFile f;
  ASSERT_TRUE(f.Open(plain.path(), true));
  EXPECT_FALSE(f.Skip(1001));
  EXPECT_FALSE(f.CutShort());
}

}  // namespace
}  // namespace kestle
