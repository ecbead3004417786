// The view colours on light and dark palettes.
#include "output/palette.h"

#include <gtest/gtest.h>

#include "output/detailview.h"
#include "output/grid.h"

namespace kestle::test {
namespace {

constexpr uint32_t kWhite = 0xFFFFFF;
constexpr uint32_t kDarkBase = 0x2A2A2A;
constexpr uint32_t kDarkAlternate = 0x424242;
constexpr uint32_t kLightText = 0xFFFFFF;

TEST(ViewPalette, LightPaletteKeepsTheClassicColours) {
  for (const uint32_t base : {kWhite, 0xF0F0F0u, 0xDDEEFFu}) {
    const ViewPalette p = ViewPaletteFor(base, 0xE0E0E0, 0x101010);
    EXPECT_FALSE(p.Dark) << base;
    EXPECT_EQ(p.EvenRow, kEvenRowBackground);
    EXPECT_EQ(p.OddRow, kOddRowBackground);
    EXPECT_EQ(p.Text, 0u);
    // Protocol and layer colours stay exactly as configured.
    for (const uint32_t c : {0xFF0000u, 0x008000u, 0x800080u, 0x000080u, kDumpHighlight, 0u})
      EXPECT_EQ(ReadableTextColour(c, p.EvenRow, p), c);
  }
}

TEST(ViewPalette, DarkPaletteStripesFromThePaletteAndReadableText) {
  const ViewPalette p = ViewPaletteFor(kDarkBase, kDarkAlternate, kLightText);
  ASSERT_TRUE(p.Dark);
  EXPECT_EQ(p.EvenRow, kDarkAlternate);
  EXPECT_EQ(p.OddRow, kDarkBase);
  // No colour of its own: the palette's text.
  EXPECT_EQ(ReadableTextColour(0, kDarkBase, p), kLightText);
  struct Case {
    const char* name;
    uint32_t colour;
  } cases[] = {
      {"TCP blue", 0xFF0000},   {"IPv4 green", 0x008000}, {"ARP red", 0x0000FF},
      {"UDP teal", 0x808000},   {"IPX purple", 0x800080}, {"Unknown maroon", 0x000080},
      {"layer navy", 0x800000}, {"yellow", 0x00FFFF},     {"highlight", kDumpHighlight},
  };
  for (const Case& k : cases) {
    for (const uint32_t background : {p.EvenRow, p.OddRow}) {
      const uint32_t shown = ReadableTextColour(k.colour, background, p);
      EXPECT_GE(ContrastRatio(shown, background), 4.5) << k.name;
      // Lightened, never changed in hue: no channel falls.
      for (int shift = 0; shift <= 16; shift += 8)
        EXPECT_GE((shown >> shift) & 0xFF, (k.colour >> shift) & 0xFF) << k.name;
    }
  }
  // A colour that reads already stays.
  EXPECT_EQ(ReadableTextColour(0x00FFFF, kDarkBase, p), 0x00FFFFu);
  // Distinct colours stay distinct.
  EXPECT_NE(ReadableTextColour(0xFF0000, kDarkBase, p), ReadableTextColour(0x800080, kDarkBase, p));
}

TEST(ViewPalette, LuminanceAndContrast) {
  EXPECT_DOUBLE_EQ(RelativeLuminance(0), 0.0);
  EXPECT_DOUBLE_EQ(RelativeLuminance(kWhite), 1.0);
  EXPECT_NEAR(ContrastRatio(0, kWhite), 21.0, 1e-9);
  EXPECT_NEAR(ContrastRatio(0x777777, 0x777777), 1.0, 1e-9);
  EXPECT_TRUE(IsDarkColour(kDarkBase));
  EXPECT_TRUE(IsDarkColour(0x800000));  // navy
  EXPECT_FALSE(IsDarkColour(0xCCFFFF));
  EXPECT_FALSE(IsDarkColour(0x00FFFF));  // yellow
}

}  // namespace
}  // namespace kestle::test
