// The kit's readers of names and strings in frames: domain names with
// compression pointers, and bounded ASCII and 16-bit strings.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "decode/config/environment.h"
#include "decode/context.h"
#include "decode/domain_name.h"
#include "decode/session.h"
#include "decode/strings.h"

namespace kestle {
namespace {

using Bytes = std::vector<uint8_t>;

// A context whose layer is exactly `layer`, 14 bytes into a frame.
struct LayerOf {
  Environment env;
  RecordingNotifier notes;
  CaptureSession s{env, notes};
  DecodeContext c{s, env};
  explicit LayerOf(const Bytes& layer) {
    Bytes frame(14, 0xEE);
    frame.insert(frame.end(), layer.begin(), layer.end());
    c.LoadFrame(frame.data(), static_cast<uint32_t>(frame.size()));
    c.enter(14);
  }
};

// "www.example.org" at 0, "ns1" + pointer to "example.org" at 17.
const Bytes kMessage = {3,   'w', 'w', 'w', 7, 'e', 'x', 'a', 'm',  'p', 'l',  'e', 3,
                        'o', 'r', 'g', 0,   3, 'n', 's', '1', 0xC0, 4,   0xC0, 17};

TEST(DomainName, LabelsPointersAndTheirLengths) {
  struct Case {
    const char* name;
    Bytes layer;
    size_t at;
    std::string text;
    size_t length;
    bool whole, loop;
  } cases[] = {
      {"plain labels", kMessage, 0, "www.example.org", 17, true, false},
      {"label then pointer", kMessage, 17, "ns1.example.org", 6, true, false},
      {"pointer to a name with a pointer", kMessage, 23, "ns1.example.org", 2, true, false},
      {"the root", {0}, 0, "", 1, true, false},
      {"a label byte of 64 to 191 is a length", {65, 'a'}, 0, "", 0, false, false},
      {"label past the layer", {5, 'a', 'b'}, 0, "", 0, false, false},
      {"no terminator", {1, 'a'}, 0, "a", 2, false, false},
      {"pointer cut short", {1, 'a', 0xC0}, 0, "a", 2, false, false},
      {"empty layer", {}, 0, "", 0, false, false},
      // A pointer must point before everything the name has read.
      {"pointer to itself", {0xC0, 0}, 0, std::string(kNameLoopText), 2, true, true},
      {"pointer forward", {0xC0, 2, 0}, 0, std::string(kNameLoopText), 2, true, true},
      {"pointer into its own labels",
       {1, 'a', 0xC0, 0},
       0,
       std::string(kNameLoopText),
       4,
       true,
       true},
      {"two pointers in a loop",
       {1, 'a', 0xC0, 4, 0xC0, 0},
       4,
       std::string(kNameLoopText),
       2,
       true,
       true},
  };
  for (const auto& k : cases) {
    LayerOf l(k.layer);
    const DomainName n = ReadDomainName(l.c, k.at);
    EXPECT_EQ(n.Text, k.text) << k.name;
    EXPECT_EQ(n.Whole, k.whole) << k.name;
    EXPECT_EQ(n.Loop, k.loop) << k.name;
    if (k.whole) EXPECT_EQ(n.Length, k.length) << k.name;
    EXPECT_FALSE(l.c.Truncated) << k.name;  // every read tested first
  }
}

TEST(DomainName, LongNamesEndWithTheLoopText) {
  // 40 labels of 9 characters grow past 256 characters.
  Bytes layer;
  for (int i = 0; i < 40; ++i) {
    layer.push_back(9);
    for (int j = 0; j < 9; ++j) layer.push_back('a');
  }
  layer.push_back(0);
  LayerOf l(layer);
  const DomainName n = ReadDomainName(l.c, 0);
  EXPECT_TRUE(n.Loop);
  EXPECT_EQ(n.Text, kNameLoopText);
  EXPECT_LT(n.Length, layer.size());  // the bytes read up to there
}

TEST(DomainName, ChainOfPointersBackwardsEnds) {
  // Each pointer points two bytes back: the chain ends at the first byte.
  Bytes layer = {0};
  for (int i = 0; i < 300; ++i) {
    const size_t prev = layer.size() - (i == 0 ? 1 : 2);
    layer.push_back(0xC0 | static_cast<uint8_t>(prev >> 8));
    layer.push_back(static_cast<uint8_t>(prev));
  }
  LayerOf l(layer);
  const DomainName n = ReadDomainName(l.c, layer.size() - 2);
  EXPECT_TRUE(n.Whole);
  EXPECT_EQ(n.Length, 2u);
}

TEST(FrameStrings, AsciiAndUnicodeWithinTheirLimits) {
  struct Case {
    const char* name;
    Bytes layer;
    bool unicode;
    size_t limit;
    std::string text;
    size_t length;
  } cases[] = {
      {"ascii to its zero", {'N', 'T', 0, 'x'}, false, 10, "NT", 3},
      {"ascii at the limit", {'N', 'T', 'L', 'M'}, false, 2, "NT", 2},
      {"ascii at the layer's end", {'N', 'T'}, false, 100, "NT", 2},
      {"ascii shown safely", {'a', 0x07, 0xE9, 'b', 0}, false, 10, "a..b", 5},
      {"unicode to its zero unit", {'W', 0, 'S', 0, 0, 0, 'x', 0}, true, 20, "WS", 6},
      {"unicode after a padding byte", {0, 'W', 0, 0, 0}, true, 20, "W", 5},
      {"unicode at the limit", {'W', 0, 'S', 0, 'X', 0}, true, 4, "WS", 4},
      {"unicode odd byte at the end", {'W', 0, 'S'}, true, 20, "W", 2},
      {"unicode outside ASCII", {0x41, 0x01, 'a', 0, 0, 0}, true, 20, ".a", 6},
      {"limit zero", {'a', 0}, false, 0, "", 0},
      {"nothing there", {}, true, 10, "", 0},
  };
  for (const auto& k : cases) {
    LayerOf l(k.layer);
    const FrameString s = ReadString(l.c, 0, k.unicode, k.limit);
    EXPECT_EQ(s.Text, k.text) << k.name;
    EXPECT_EQ(s.Length, k.length) << k.name;
    EXPECT_FALSE(l.c.Truncated) << k.name;
  }
  LayerOf l({'a', 'b'});
  EXPECT_EQ(ReadString(l.c, 5, false, 10).Length, 0u);  // a start past the layer
}

}  // namespace
}  // namespace kestle
