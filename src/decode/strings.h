// Strings read from the frame for display, bounded by a byte limit and by
// the end of the layer.
#pragma once

#include <cstddef>
#include <string>

namespace kestle {

class DecodeContext;

struct FrameString {
  // Shown safely: characters outside printable ASCII are ".".
  std::string Text;
  // Bytes taken: padding and the terminator included.
  size_t Length = 0;
};

// The string at `at`, within at most `limit` bytes and the bytes present.
// ASCII: bytes up to a zero byte (taken). Unicode (16-bit units, low byte
// first): a zero byte followed by a non-zero one at the start is alignment
// padding and skipped; units up to a zero unit (taken). A string without
// its terminator ends at the limit.
FrameString ReadString(const DecodeContext& c, size_t at, bool unicode, size_t limit);

}  // namespace kestle
