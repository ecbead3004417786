#include "output/tagging.h"

#include <algorithm>

#include "decode/session.h"

namespace kestle {

namespace {

bool IsFrame(const CaptureSession& s, uint32_t frame) {
  return frame >= 1 && frame <= s.FrameCount && frame < s.FrameTable.size();
}

template <typename Visit>
void ForShownFrames(CaptureSession& s, Visit visit) {
  const size_t held = s.FrameOrder.empty() ? 0 : s.FrameOrder.size() - 1;
  const size_t rows = std::min<size_t>(s.VisibleCount, held);
  for (size_t row = 1; row <= rows; ++row)
    if (const uint32_t f = s.FrameOrder[row]; IsFrame(s, f)) visit(s.FrameTable[f]);
}

}  // namespace

bool ToggleFrameTag(CaptureSession& s, uint32_t frame) {
  if (!IsFrame(s, frame)) return false;
  s.FrameTable[frame].Tagged = s.FrameTable[frame].Tagged ? 0 : 1;
  return true;
}

uint32_t TagTcpSession(CaptureSession& s, uint32_t frame) {
  if (!IsFrame(s, frame)) return 0;
  const uint32_t session = s.FrameTable[frame].TcpSession;
  if (session == 0) return 0;
  const uint8_t tag = s.FrameTable[frame].Tagged ? 0 : 1;
  uint32_t changed = 0;
  ForShownFrames(s, [&](FrameTabRec& f) {
    if (f.TcpSession != session || f.Tagged == tag) return;
    f.Tagged = tag;
    ++changed;
  });
  return changed;
}

void UntagShownFrames(CaptureSession& s) {
  ForShownFrames(s, [](FrameTabRec& f) { f.Tagged = 0; });
}

GridMenuState GridMenuFor(const CaptureSession& s, int64_t selectedRow, int popupColumn) {
  GridMenuState m;
  const bool rows = s.VisibleCount > 0 && selectedRow >= 0 &&
                    selectedRow < int64_t{s.VisibleCount} &&
                    static_cast<size_t>(selectedRow) + 1 < s.FrameOrder.size();
  if (!rows) return m;
  const uint32_t frame = s.FrameOrder[static_cast<size_t>(selectedRow) + 1];
  const bool known = IsFrame(s, frame);
  const bool tagged = known && s.FrameTable[frame].Tagged;
  m.CopyCell = popupColumn >= 0;
  m.CopyRow = m.TagFrame = m.UntagAll = true;
  m.TagSession = known && s.FrameTable[frame].TcpSession != 0;
  m.TagFrameText = tagged ? "Un-Tag Frame" : "Tag Frame";
  m.TagSessionText = tagged ? "Un-Tag TCP Session" : "Tag TCP Session";
  return m;
}

}  // namespace kestle
