#include "output/palette.h"

#include <algorithm>
#include <cmath>

namespace kestle {

namespace {

constexpr double kReadableContrast = 4.5;

double Channel(uint32_t v) {
  const double c = static_cast<double>(v & 0xFF) / 255.0;
  return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

// `bgr` moved the fraction `t` (0..1) of the way towards white.
uint32_t TowardsWhite(uint32_t bgr, double t) {
  uint32_t out = 0;
  for (int shift = 0; shift <= 16; shift += 8) {
    const double c = static_cast<double>((bgr >> shift) & 0xFF);
    const auto mixed = static_cast<uint32_t>(std::lround(c + (255.0 - c) * t));
    out |= std::min<uint32_t>(mixed, 255) << shift;
  }
  return out;
}

}  // namespace

double RelativeLuminance(uint32_t bgr) {
  return 0.2126 * Channel(bgr) + 0.7152 * Channel(bgr >> 8) + 0.0722 * Channel(bgr >> 16);
}

double ContrastRatio(uint32_t a, uint32_t b) {
  const double la = RelativeLuminance(a), lb = RelativeLuminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

bool IsDarkColour(uint32_t bgr) { return ContrastRatio(bgr, 0xFFFFFF) > ContrastRatio(bgr, 0); }

ViewPalette ViewPaletteFor(uint32_t base, uint32_t alternateBase, uint32_t text) {
  if (!IsDarkColour(base)) return ViewPalette{};
  return ViewPalette{alternateBase, base, text, true};
}

uint32_t ReadableTextColour(uint32_t colour, uint32_t background, const ViewPalette& p) {
  if (!p.Dark) return colour;
  if (colour == 0) return p.Text;
  // The least mixing that reads: the contrast grows with the mix, so halve
  // the interval a few times.
  if (ContrastRatio(colour, background) >= kReadableContrast) return colour;
  double lo = 0, hi = 1;
  for (int i = 0; i < 12; ++i) {
    const double mid = (lo + hi) / 2;
    (ContrastRatio(TowardsWhite(colour, mid), background) >= kReadableContrast ? hi : lo) = mid;
  }
  return TowardsWhite(colour, hi);
}

}  // namespace kestle
