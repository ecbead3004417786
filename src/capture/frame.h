// Capture formats and the normalised header of the frame read last.
#pragma once

#include <cstdint>

namespace kestle {

// The longest frame kept: longer frames are cut to their first
// kMaxFrameLength bytes.
constexpr uint32_t kMaxFrameLength = 40000;
// The longest record length that can hold a frame at all; a longer one
// means the file is damaged.
constexpr uint32_t kMaxRecordLength = 262144;

enum class CaptureFormat : uint8_t {
  None = 0,
  Sniffer = 1,
  NetmonV1 = 2,
  NetmonV2 = 3,
  Pcap = 4,
  NetXRay = 5,
  FiveView = 6,
  Pcapng = 7,
};

// Link types as capture files name them (the pcap and pcapng link-type
// numbers); the readers hand each frame on with its own. Which of them a
// load takes is the sink's choice (FrameSink::TakesLinkType).
constexpr uint16_t kLinkTypeEthernet = 1;

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
  uint16_t LinkType = kLinkTypeEthernet;
  // The file (or pcapng section) was written big-endian: the byte order of
  // headers that a link type leaves to the writer (the BSD loopback family).
  bool BigEndian = false;
  // The arrival time as the file holds it, for formats that keep UTC times
  // (pcap, pcapng); TimeDigits 0 = not known. Saving a frame into such a
  // format again keeps its time to the resolution it was read with.
  int64_t UtcSeconds = 0;
  uint32_t Nanos = 0;       // within the second
  uint8_t TimeDigits = 0;   // 6: microseconds, 9: nanoseconds (finer ones kept to 9)
  uint32_t SnapLength = 0;  // pcapng: the frame's interface's snap length (0 = none)

  uint16_t TimeLow() const { return static_cast<uint16_t>(Ticks & 0xFFFF); }
  uint16_t TimeMid() const { return static_cast<uint16_t>((Ticks >> 16) & 0xFFFF); }
  uint8_t TimeHigh() const { return static_cast<uint8_t>((Ticks >> 32) & 0xFF); }
};

}  // namespace kestle
