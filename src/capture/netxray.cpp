// The NetXRay reader, file versions 1.x and 2.x: records timed in ticks whose
// length the version (and for 2.x a time unit field) sets.
#include <algorithm>
#include <string>
#include <string_view>

#include "capture/bytes.h"
#include "capture/input.h"
#include "capture/readers.h"

namespace kestle {

namespace {

// File header fields, as offsets into the 56 bytes after the magic.
constexpr size_t kHeaderSize = 56;
constexpr size_t kVersion = 0;       // 8 bytes of text
constexpr size_t kStartTime = 8;     // u32, seconds since 1970-01-01
constexpr size_t kFirstRecord = 20;  // u32
constexpr size_t kNetwork = 40;      // u16, 0 = Ethernet
constexpr size_t kTimeUnit = 44;     // u8, version 2 only
constexpr size_t kStartTicks = 48;   // u64

struct XrayRecord {
  uint64_t Ticks = 0;
  uint32_t OrigLen = 0;
  uint32_t CapLen = 0;
};

// Record header length by major version.
size_t RecordHeaderSize(int major) { return major == 1 ? 28 : 40; }

// 1 or 2 for "001"/"002"; a minor version is also written as "100"/"200".
int VersionCode(std::string_view text, bool minor) {
  if (text == "001" || (minor && text == "100")) return 1;
  if (text == "002" || (minor && text == "200")) return 2;
  return 0;
}

// Ticks per second by version and time unit; 0 = not valid.
uint32_t TicksPerSecond(int major, int minor, uint8_t unit) {
  if (major == 1) {
    constexpr uint32_t kV1[] = {1000, 1000000, 1};
    return kV1[minor];
  }
  constexpr uint32_t kV2[] = {1000000, 1193000, 1193180};
  return unit < 3 ? kV2[unit] : 0;
}

bool ReadRecordHeader(CaptureInput& s, XrayRecord& r) {
  uint8_t h[40];
  if (s.RecordHeaderBytes < 12 || s.RecordHeaderBytes > sizeof h ||
      !s.File.ReadExact(h, s.RecordHeaderBytes))
    return false;
  r.Ticks = GetLE64(h);
  r.OrigLen = GetLE16(h + 8);
  r.CapLen = GetLE16(h + 10);
  return true;
}

}  // namespace

void ReadNetXRayFile(CaptureInput& s) {
  uint8_t h[kHeaderSize];
  if (!s.File.Seek(4) || !s.File.ReadExact(h, sizeof h)) {
    s.Fail(msg::kReadError);
    return;
  }
  if (GetLE16(h + kNetwork) != 0) {
    s.Fail(msg::kNotEthernet);
    return;
  }
  const char* vt = reinterpret_cast<const char*>(h + kVersion);
  const std::string version(vt, std::find(vt, vt + 8, '\0'));
  const int major =
      version.size() >= 3 ? VersionCode(std::string_view(version).substr(0, 3), false) : 0;
  const int minor =
      version.size() >= 7 ? VersionCode(std::string_view(version).substr(4, 3), true) : 0;
  if (major == 0) {
    s.Fail(msg::kVersion);
    return;
  }
  const uint8_t unit = h[kTimeUnit];
  const uint32_t perSecond = TicksPerSecond(major, minor, unit);
  if (perSecond == 0) {
    s.Fail((std::string(msg::kXrayTimeUnit) + std::to_string(unit)).c_str());
    return;
  }
  const uint32_t startTime = GetLE32(h + kStartTime);
  const uint64_t startTicks = GetLE64(h + kStartTicks);

  s.AcceptFile();
  s.TickMicroseconds = 1e6 / perSecond;
  s.RecordHeaderBytes = RecordHeaderSize(major);
  // The capture start as a date-time value: the date with its time of day.
  s.CaptureTime = (startTime % 86400) / 86400.0;
  s.CaptureDate = 25569.0 + startTime / 86400 + s.CaptureTime;

  if (!s.File.Seek(GetLE32(h + kFirstRecord))) {
    s.Fail(msg::kReadError);
    return;
  }
  s.StartProgress(s.File.Size());
  s.ReserveFrames(s.File.Size() / 200);
  XrayRecord r;
  if (!s.SkipToFirstFrame([&]() -> const char* {
        return ReadRecordHeader(s, r) && s.File.Skip(r.CapLen) ? nullptr : msg::kFirstFrame;
      }))
    return;
  using Record = CaptureInput::Record;
  s.RecordLoop(
      [&] {
        // A record cut short at the end of the file ends the load; a
        // captured length of 0 marks the end of the frames.
        if (!ReadRecordHeader(s, r)) return Record::Truncated;
        if (r.CapLen == 0) return Record::End;
        return s.ReadFrameBytes(r.CapLen) ? Record::Frame : Record::Truncated;
      },
      [&] {
        // Ticks since the capture start, split in integers into whole
        // seconds and microseconds.
        const int64_t sinceStart = static_cast<int64_t>(r.Ticks - startTicks);
        int64_t secs = sinceStart / perSecond, rest = sinceStart % perSecond;
        if (rest < 0) {
          rest += perSecond;
          --secs;
        }
        s.FakeFrame(static_cast<int64_t>(r.Ticks), r.CapLen, r.OrigLen);
        s.AddFrame(static_cast<uint32_t>(startTime + secs),
                   static_cast<uint32_t>(rest * 1000000 / perSecond));
      });
}

bool RereadNetXRayRecord(CaptureInput& s) {
  XrayRecord r;
  if (!ReadRecordHeader(s, r) || !s.ReadFrameBytes(r.CapLen)) return false;
  s.FakeFrame(static_cast<int64_t>(r.Ticks), r.CapLen, r.OrigLen);
  return true;
}

}  // namespace kestle
