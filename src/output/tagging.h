// Tagging frames: one frame at a time, a whole TCP session, or untagging
// every shown frame; and the entries of the grid's pop-up menu with the
// rules that enable them. Tags live in the frame table (Tagged), survive
// filtering and sorting, and go with the file.
#pragma once

#include <cstdint>

namespace kestle {

class CaptureSession;

// Toggles the tag of a frame (1..FrameCount); false when there is no such frame.
bool ToggleFrameTag(CaptureSession& s, uint32_t frame);
// Gives every shown frame of the frame's TCP session the opposite of the
// frame's own tag. Returns the number of frames changed; a frame outside
// any TCP session changes nothing.
uint32_t TagTcpSession(CaptureSession& s, uint32_t frame);
// Clears the tag of every shown frame; hidden frames keep theirs.
void UntagShownFrames(CaptureSession& s);

// The grid's pop-up menu for the selected row (0-based, -1 for none) and
// the column under the pointer at the right-click (-1 outside the cells).
struct GridMenuState {
  bool CopyCell = false;
  bool CopyRow = false;
  bool TagFrame = false;
  bool TagSession = false;
  bool UntagAll = false;
  const char* TagFrameText = "Tag Frame";
  const char* TagSessionText = "Tag TCP Session";
};
GridMenuState GridMenuFor(const CaptureSession& s, int64_t selectedRow, int popupColumn);

}  // namespace kestle
