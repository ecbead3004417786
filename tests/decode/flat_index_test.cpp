#include "decode/flat_index.h"

#include <gtest/gtest.h>

#include <unordered_map>

namespace kestle {
namespace {

TEST(FlatIndex, BehavesLikeAMapThatKeepsTheFirstEntry) {
  FlatIndex idx;
  EXPECT_EQ(idx.Find(0), 0u);
  std::unordered_map<uint64_t, uint32_t> model;
  uint64_t x = 12345;
  for (uint32_t i = 1; i <= 50000; ++i) {
    x = x * 6364136223846793005ull + 1442695040888963407ull;
    // Many keys collide in their low bits; key 0 is an ordinary key.
    const uint64_t key = (i % 7 == 0) ? 0 : (x >> (i % 3 == 0 ? 40 : 0));
    idx.Insert(key, i);
    model.emplace(key, i);
  }
  EXPECT_EQ(idx.Size(), model.size());
  for (const auto& [k, v] : model) ASSERT_EQ(idx.Find(k), v) << k;
  EXPECT_EQ(idx.Find(0xDEADBEEFDEADBEEFull), 0u);
  idx.Clear();
  EXPECT_EQ(idx.Find(0), 0u);
  EXPECT_EQ(idx.Size(), 0u);
}

}  // namespace
}  // namespace kestle
