#include "decode/detail.h"

#include "capture/session.h"
#include "decode/context.h"
#include "decode/tree.h"

namespace kestle {

bool BuildFrameTree(CaptureSession& s, DecodeContext& c, DetailTree& tree, uint32_t n) {
  tree.Clear();
  if (n < 1 || n > s.FrameCount) return false;
  const uint32_t len = s.ReadFrame(n);
  if (len == 0 && s.FrameTable[n].CapLen != 0) return false;
  c.LoadFrame(s.RawFrame.data(), s.FrameHeader.Size);
  return true;
}

}  // namespace kestle
