#include "decode/ber.h"

#include <gtest/gtest.h>

#include <vector>

#include "decode/config/environment.h"
#include "decode/context.h"
#include "decode/session.h"

namespace kestle {
namespace {

// A layer holding the given bytes.
struct BerFixture {
  Environment env;
  RecordingNotifier notes;
  CaptureSession s{env, notes};
  DecodeContext c{s, env};
  explicit BerFixture(const std::vector<uint8_t>& bytes) {
    c.LoadFrame(bytes.data(), static_cast<uint32_t>(bytes.size()));
  }
};

TEST(BerReader, LengthForms) {
  struct Case {
    std::vector<uint8_t> bytes;
    bool ok;
    size_t contents, length;
  } cases[] = {
      {{0x04, 0x02, 'a', 'b'}, true, 2, 2},
      {{0x04, 0x00}, true, 2, 0},
      {{0x04, 0x81, 0x01, 'a'}, true, 3, 1},
      {{0x04, 0x82, 0x00, 0x01, 'a'}, true, 4, 1},
      {{0x04, 0x83, 0x00, 0x00, 0x01, 'a'}, true, 5, 1},
      {{0x04, 0x84, 0x00, 0x00, 0x00, 0x01, 'a'}, false, 0, 0},  // four length bytes
      {{0x04, 0x80, 'a', 0x00, 0x00}, false, 0, 0},              // indefinite
      {{0x04, 0x03, 'a', 'b'}, false, 0, 0},                     // past the end
      {{0x04, 0x82, 0xFF, 0xFF, 'a'}, false, 0, 0},
      {{0x04, 0x82, 0x00}, false, 0, 0},  // length bytes cut
      {{0x04}, false, 0, 0},
      {{}, false, 0, 0},
  };
  for (const auto& k : cases) {
    BerFixture f(k.bytes);
    BerReader r(f.c, 0, f.c.PacketLen);
    BerValue v;
    ASSERT_EQ(r.Next(v), k.ok) << k.bytes.size();
    if (k.ok) {
      EXPECT_EQ(v.Contents, k.contents);
      EXPECT_EQ(v.Length, k.length);
      EXPECT_EQ(r.Pos(), v.End());
      EXPECT_TRUE(r.AtEnd());
    } else {
      EXPECT_EQ(r.Pos(), 0u);
    }
    EXPECT_FALSE(f.c.Truncated);
  }
}

TEST(BerReader, EnterAndTags) {
  BerFixture f({0x30, 0x05, 0x02, 0x01, 0x07, 0x05, 0x00, 0xEE});
  BerReader r(f.c, 0, 7);  // the last byte lies beyond the end given
  BerValue seq, v;
  EXPECT_FALSE(r.Enter(0x31, seq));
  ASSERT_TRUE(r.Enter(0x30, seq));
  EXPECT_EQ(r.Pos(), 2u);
  EXPECT_FALSE(r.Next(0x04, v));
  EXPECT_EQ(r.Pos(), 2u);
  int32_t n = 0;
  ASSERT_TRUE(r.Next(0x02, v));
  ASSERT_TRUE(r.Integer(v, n));
  EXPECT_EQ(n, 7);
  uint8_t tag = 0;
  ASSERT_TRUE(r.PeekTag(tag));
  EXPECT_EQ(tag, 0x05);
  ASSERT_TRUE(r.Next(v));
  EXPECT_TRUE(r.AtEnd());
  EXPECT_FALSE(r.PeekTag(tag));
}

TEST(BerReader, Numbers) {
  struct Case {
    std::vector<uint8_t> contents;
    bool integerOk;
    int32_t integer;
    bool unsignedOk;
    uint32_t value;
  } cases[] = {
      {{}, true, 0, true, 0},
      {{0x7F}, true, 127, true, 127},
      {{0x80}, true, -128, true, 128},
      {{0xFF, 0x38}, true, -200, true, 0xFF38},
      {{0x00, 0x80}, true, 128, true, 128},
      {{0x80, 0x00, 0x00}, true, -8388608, true, 0x800000},
      {{0x7F, 0xFF, 0xFF, 0xFF}, true, 2147483647, true, 0x7FFFFFFF},
      {{0xFF, 0xFF, 0xFF, 0xFF}, true, -1, true, 0xFFFFFFFF},
      {{0x00, 0x80, 0x00, 0x00, 0x00}, false, 0, true, 0x80000000},
      {{0x01, 0x00, 0x00, 0x00, 0x00}, false, 0, false, 0},
      {{0x00, 0x00, 0x00, 0x00, 0x00, 0x01}, false, 0, false, 0},
  };
  for (const auto& k : cases) {
    std::vector<uint8_t> bytes = {0x02, static_cast<uint8_t>(k.contents.size())};
    bytes.insert(bytes.end(), k.contents.begin(), k.contents.end());
    BerFixture f(bytes);
    BerReader r(f.c, 0, f.c.PacketLen);
    BerValue v;
    ASSERT_TRUE(r.Next(v));
    int32_t i = 0;
    uint32_t u = 0;
    EXPECT_EQ(r.Integer(v, i), k.integerOk) << k.contents.size();
    if (k.integerOk) {
      EXPECT_EQ(i, k.integer);
    }
    EXPECT_EQ(r.Unsigned(v, u), k.unsignedOk) << k.contents.size();
    if (k.unsignedOk) {
      EXPECT_EQ(u, k.value);
    }
  }
}

TEST(BerReader, ObjectIdentifiers) {
  struct Case {
    std::vector<uint8_t> contents;
    std::vector<uint32_t> subids;  // empty = not readable
  } cases[] = {
      {{0x2B, 6, 1, 2, 1, 1, 1, 0}, {1, 3, 6, 1, 2, 1, 1, 1, 0}},
      {{0x00}, {0, 0}},
      {{0x4F}, {1, 39}},
      {{0x50}, {2, 0}},
      {{0x7F}, {2, 47}},
      {{0x88, 0x37}, {2, 999}},
      {{0x2B, 0x82, 0x37}, {1, 3, 311}},
      {{0x2B, 0x8F, 0xFF, 0xFF, 0xFF, 0x7F}, {1, 3, 0xFFFFFFFF}},
      {{0x2B, 0x90, 0x80, 0x80, 0x80, 0x00}, {}},  // 2^32
      {{0x2B, 0x82}, {}},                          // the last sub-identifier unended
      {{}, {}},
  };
  for (const auto& k : cases) {
    std::vector<uint8_t> bytes = {0x06, static_cast<uint8_t>(k.contents.size())};
    bytes.insert(bytes.end(), k.contents.begin(), k.contents.end());
    bytes.push_back(0x01);  // a byte after the contents is never read as part of them
    BerFixture f(bytes);
    BerReader r(f.c, 0, f.c.PacketLen);
    BerValue v;
    ASSERT_TRUE(r.Next(v));
    std::vector<uint32_t> subids;
    EXPECT_EQ(r.Oid(v, subids, 31), !k.subids.empty());
    if (!k.subids.empty()) {
      EXPECT_EQ(subids, k.subids);
    }
  }
  // At most the count asked for.
  BerFixture f({0x06, 0x03, 0x2B, 0x06, 0x01});
  BerReader r(f.c, 0, f.c.PacketLen);
  BerValue v;
  ASSERT_TRUE(r.Next(v));
  std::vector<uint32_t> subids;
  EXPECT_TRUE(r.Oid(v, subids, 4));
  EXPECT_FALSE(r.Oid(v, subids, 3));
}

}  // namespace
}  // namespace kestle
