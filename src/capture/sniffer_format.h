// The Sniffer (.enc) file layout: the magic, the record header, the version
// record and the frame data record. The reader loads it and Save As writes
// it, so both share these definitions.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kestle::sniffer {

// "TRSNIFF data", four blanks and 1A.
inline constexpr char kMagic[] = "TRSNIFF data    \x1A";
inline constexpr size_t kMagicSize = 17;

// Record header: type, body length, length high word (not used).
inline constexpr size_t kRecordHeaderSize = 6;
enum RecordType : uint16_t {
  kVersionRecord = 1,
  kEndOfFile = 3,
  kFrameData = 4,
};

// Version record body (type 1).
inline constexpr size_t kVersionBodySize = 18;
namespace version {
inline constexpr size_t kMajor = 0;      // u16
inline constexpr size_t kMinor = 2;      // u16
inline constexpr size_t kTime = 4;       // u16, DOS time
inline constexpr size_t kDate = 6;       // u16, DOS date
inline constexpr size_t kFileType = 8;   // u8
inline constexpr size_t kNetwork = 9;    // u8, 1 = Ethernet
inline constexpr size_t kFormat = 10;    // u8, must be 1
inline constexpr size_t kTimeUnit = 11;  // u8, index into kTickPicoseconds
}  // namespace version
inline constexpr uint8_t kNetworkEthernet = 1;
inline constexpr uint8_t kFormatVersion = 1;

// Frame data record body (type 4): this 14-byte header, then the frame.
inline constexpr size_t kFrameHeaderSize = 14;
namespace frame {
inline constexpr size_t kTimeLow = 0;    // u16, tick bits 0-15
inline constexpr size_t kTimeMid = 2;    // u16, tick bits 16-31
inline constexpr size_t kTimeHigh = 4;   // u8, tick bits 32-39
inline constexpr size_t kTimeDay = 5;    // u8
inline constexpr size_t kSize = 6;       // u16, captured bytes (0 = the body's)
inline constexpr size_t kFs = 8;         // u8
inline constexpr size_t kFlags = 9;      // u8
inline constexpr size_t kTrueSize = 10;  // u16, length on the wire (0 = Size)
inline constexpr size_t kReserved = 12;  // u16
}  // namespace frame
// Tick lengths by time unit index, in picoseconds, so that frame times are
// computed in integers.
inline constexpr uint32_t kTickPicoseconds[] = {15000000, 838096,  15000000, 500000,
                                                2000000,  1000000, 100000};
inline constexpr size_t kTimeUnitCount = sizeof kTickPicoseconds / sizeof kTickPicoseconds[0];

// Microseconds of a tick count, truncated.
inline uint64_t TicksToMicroseconds(uint64_t ticks, uint32_t tickPicoseconds) {
  return ticks / 1000000 * tickPicoseconds + ticks % 1000000 * tickPicoseconds / 1000000;
}

// DOS date (year - 1980 << 9 | month << 5 | day) and time (hour << 11 |
// minute << 5 | seconds / 2) fields.
struct DosDate {
  int Year, Month, Day;
};
inline DosDate SplitDosDate(uint16_t v) { return {1980 + (v >> 9), (v >> 5) & 0x0F, v & 0x1F}; }
struct DosTime {
  int Hour, Minute, Second;
};
inline DosTime SplitDosTime(uint16_t v) { return {v >> 11, (v >> 5) & 0x3F, (v & 0x1F) * 2}; }
inline bool ValidDosTime(const DosTime& t) { return t.Hour < 24 && t.Minute < 60 && t.Second < 60; }
// The years a DOS date can hold.
inline constexpr int kFirstDosYear = 1980;
inline constexpr int kLastDosYear = 1980 + 127;
inline uint16_t MakeDosDate(int year, int month, int day) {
  return static_cast<uint16_t>(((year - kFirstDosYear) << 9) | (month << 5) | day);
}
inline uint16_t MakeDosTime(int hour, int minute, int second) {
  return static_cast<uint16_t>((hour << 11) | (minute << 5) | (second / 2));
}

}  // namespace kestle::sniffer
