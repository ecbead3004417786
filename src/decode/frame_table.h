// The frame table: one entry per loaded frame, filled by the summary pass.
#pragma once

#include <algorithm>
#include <cstdint>

#include "decode/config/settings.h"
#include "decode/stringpool.h"

namespace kestle {

// One loaded frame. Frame bytes are never kept: RecordPos locates the
// record in the file so that the frame can be read again.
struct FrameTabRec {
  uint64_t RecordPos = 0;   // file offset of the frame's record
  double RelTime = 0;       // seconds since the first frame
  uint32_t Seconds = 0;     // arrival, whole seconds since 1970-01-01 local time
  uint32_t Micro = 0;       // microseconds within that second
  uint32_t CapLen = 0;      // captured bytes
  uint32_t TrueLen = 0;     // length on the wire
  uint32_t SrcNode = 0;     // NodeStatTable index of the sender; 0 = none
  uint32_t DstNode = 0;     // NodeStatTable index of the receiver; 0 = none
  uint32_t Protocol = 0;    // ProtocolPathTable index of the frame's stack
  uint32_t TcpSession = 0;  // TCP session number; 0 = none
  StrRef Description;       // in CaptureSession::Descriptions
  uint16_t SrcPort = 0;
  uint16_t DstPort = 0;
  uint8_t Visible = 1;
  uint8_t Tagged = 0;
  uint8_t Cast = 0;       // 0 unicast, 1 broadcast, 2 multicast destination
  uint8_t BigEndian = 0;  // the frame's writer was big-endian (see FrameHeaderRec)
  uint16_t LinkType = 1;  // the capture's link type of the frame (1: Ethernet)
};
// A million-frame capture keeps a million of these.
static_assert(sizeof(FrameTabRec) <= 72, "FrameTabRec stays compact");

// The number the user knows frame `frame` (1-based in the frame table) by:
// counted from the FirstFrame setting, as the No. column, the tree's first
// line, Find, Goto, Save As and Print show it. Never below 0, whatever the
// setting holds.
inline int64_t ShownFrameNumber(const Settings& set, uint32_t frame) {
  return std::max<int64_t>(0, int64_t{set.FirstFrame} + frame - 1);
}

}  // namespace kestle
