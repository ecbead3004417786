// The frame table and the normalised per-frame header.
#pragma once

#include <cstdint>

#include "capture/stringpool.h"

namespace kestle {

enum class CaptureFormat : uint8_t {
  None = 0,
  Sniffer = 1,
  NetmonV1 = 2,
  NetmonV2 = 3,
  Pcap = 4,
  NetXRay = 5,
  FiveView = 6,
};

// One loaded frame. Frame bytes are never kept: RecordPos locates the
// record in the file so that the frame can be read again.
struct FrameTabRec {
  uint64_t RecordPos = 0;  // file offset of the frame's record
  double RelTime = 0;      // seconds since the first frame
  uint32_t Seconds = 0;    // arrival, whole seconds since 1970-01-01 local time
  uint32_t Micro = 0;      // microseconds within that second
  uint32_t CapLen = 0;     // captured bytes
  uint32_t TrueLen = 0;    // length on the wire
  uint32_t SrcNode = 0;    // NodeStatTable index of the sender; 0 = none
  uint32_t DstNode = 0;    // NodeStatTable index of the receiver; 0 = none
  uint32_t Protocol = 0;   // ProtocolPathTable index of the frame's stack
  uint32_t TcpSession = 0; // TCP session number; 0 = none
  StrRef Description;      // in CaptureSession::Descriptions
  uint16_t SrcPort = 0;
  uint16_t DstPort = 0;
  uint8_t Visible = 1;
  uint8_t Tagged = 0;
  uint8_t Cast = 0;        // 0 unicast, 1 broadcast, 2 multicast destination
};

// The current frame's header, normalised from every format's record header
// to the Sniffer data record's meaning. The frame time is kept as a 64-bit
// tick count (one tick = TickMicroseconds) so that captures longer than the
// Sniffer record's 40 bits stay ordered.
struct FrameHeaderRec {
  int64_t Ticks = 0;
  uint8_t TimeDay = 0;    // Sniffer only
  uint32_t Size = 0;      // captured bytes in RawFrame
  uint8_t Fs = 0;         // Sniffer frame status
  uint8_t Flags = 0;      // Sniffer flags
  uint32_t TrueSize = 0;  // length on the wire; 0 = same as Size

  uint16_t TimeLow() const { return static_cast<uint16_t>(Ticks & 0xFFFF); }
  uint16_t TimeMid() const { return static_cast<uint16_t>((Ticks >> 16) & 0xFFFF); }
  uint8_t TimeHigh() const { return static_cast<uint8_t>((Ticks >> 32) & 0xFF); }
};

}  // namespace kestle
