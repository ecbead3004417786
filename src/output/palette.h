// Colours of the frame grid, the statistics grids and the hex dump for the
// window's palette. On a light palette they are the classic ones (yellow
// and white row stripes, the protocol and layer colours as they are); on a
// dark one the stripes come from the palette and every text colour is
// lightened until it reads on the background.
#pragma once

#include <cstdint>

namespace kestle {

// Colours are 0x00BBGGRR, as in the settings file.
struct ViewPalette {
  uint32_t EvenRow = 0xCCFFFF;  // rows 0, 2, 4, ...
  uint32_t OddRow = 0xFFFFFF;
  uint32_t Text = 0x000000;  // text without a colour of its own
  bool Dark = false;
};

// Relative luminance (0 black .. 1 white) and the contrast ratio of two
// colours (1 .. 21), as used for judging legibility.
double RelativeLuminance(uint32_t bgr);
double ContrastRatio(uint32_t a, uint32_t b);
// A dark colour is one on which white reads better than black.
bool IsDarkColour(uint32_t bgr);

// The view colours for a palette's base, alternate base and text colours:
// the classic ones when the base is light.
ViewPalette ViewPaletteFor(uint32_t base, uint32_t alternateBase, uint32_t text);

// A text colour as drawn on `background`: unchanged on a light palette;
// on a dark one mixed towards white until its contrast reaches 4.5:1, and
// black (no colour) becomes the palette's text colour.
uint32_t ReadableTextColour(uint32_t colour, uint32_t background, const ViewPalette& p);

}  // namespace kestle
