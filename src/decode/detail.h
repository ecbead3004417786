// Frame detail assembly: the complete decode tree of one frame.
#pragma once

#include <cstdint>
#include <span>

namespace kestle {

class CaptureSession;
class DecodeContext;
class DetailTree;

// Reads frame n (1..FrameCount) from the file again and builds its tree:
// the frame header item with its information lines, then the link layer
// and the protocols it carries. Items go to `tree` (print mode when
// tree.PrintMode). Leaves the frame's bytes in `c` for the hex dump. False,
// with an empty tree and no bytes, when the frame could not be read.
// Expanding the items when AutoExpand is on is the detail view's part; the
// print tree is never expanded.
bool BuildFrameTree(CaptureSession& s, DecodeContext& c, DetailTree& tree, uint32_t n);

// The bytes the hex dump of a shown frame shows: those of the frame whose
// tree BuildFrameTree built last with `c`, which the tree's offsets point
// into; empty when that frame could not be read.
std::span<const uint8_t> ShownFrameBytes(const DecodeContext& c);

}  // namespace kestle
