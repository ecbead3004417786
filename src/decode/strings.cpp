#include "decode/strings.h"

#include <algorithm>

#include "decode/context.h"

namespace kestle {

namespace {
char Shown(uint32_t ch) { return ch >= 0x20 && ch <= 0x7E ? static_cast<char>(ch) : '.'; }
}  // namespace

FrameString ReadString(const DecodeContext& c, size_t at, bool unicode, size_t limit) {
  FrameString s;
  if (at >= c.PacketLen) return s;
  const size_t n = std::min(limit, c.PacketLen - at);
  size_t p = 0;
  if (!unicode) {
    for (; p < n; ++p) {
      const uint8_t b = c.u8(at + p);
      if (b == 0) {
        s.Length = p + 1;
        return s;
      }
      s.Text += Shown(b);
    }
    s.Length = n;
    return s;
  }
  if (n >= 2 && c.u8(at) == 0 && c.u8(at + 1) != 0) p = 1;
  for (; p + 2 <= n; p += 2) {
    const uint16_t unit = c.le16(at + p);
    if (unit == 0) {
      s.Length = p + 2;
      return s;
    }
    s.Text += Shown(unit);
  }
  s.Length = p;
  return s;
}

}  // namespace kestle
