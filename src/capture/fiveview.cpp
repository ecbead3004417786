// The 5View reader: a fixed file header, then records of which those of
// kind 0 hold a frame and its arrival time.
#include <algorithm>

#include "capture/bytes.h"
#include "capture/dates.h"
#include "capture/input.h"
#include "capture/readers.h"

namespace kestle {

namespace {

constexpr size_t kFileHeaderSize = 56;
constexpr size_t kVersion = 8;   // u32
constexpr size_t kNetwork = 16;  // u32
constexpr uint32_t kSupportedVersion = 0x00010000;
constexpr uint32_t kEthernet = 0x18001000;

constexpr uint32_t kRecordHeaderSize = 36;
constexpr size_t kKind = 12;         // u32, 0 = frame record
constexpr size_t kLength = 16;       // u32
constexpr size_t kSeconds = 24;      // u32, since 1970-01-01
constexpr size_t kNanoseconds = 28;  // u32

struct FiveViewRecord {
  uint32_t Kind = 0;
  uint32_t Length = 0;
  int64_t Seconds = 0;
  uint32_t Micro = 0;
};

bool ReadRecordHeader(CaptureInput& s, FiveViewRecord& r) {
  uint8_t h[kRecordHeaderSize];
  if (!s.File.ReadExact(h, sizeof h)) return false;
  r.Kind = GetLE32(h + kKind);
  r.Length = GetLE32(h + kLength);
  // The fraction of the second is written in nanoseconds.
  const uint32_t ns = GetLE32(h + kNanoseconds);
  r.Seconds = int64_t{GetLE32(h + kSeconds)} + ns / 1000000000;
  r.Micro = ns % 1000000000 / 1000;
  return true;
}

// Where the record after r starts: a frame's length counts the bytes after
// the header, another record's counts from the start of its header. False
// for a record shorter than its own header, which would never end.
bool NextRecordPos(uint64_t pos, const FiveViewRecord& r, uint64_t& next) {
  if (r.Kind == 0) {
    next = pos + kRecordHeaderSize + r.Length;
    return true;
  }
  next = pos + r.Length;
  return r.Length >= kRecordHeaderSize;
}

int64_t RecordTicks(const CaptureInput& s, const FiveViewRecord& r) {
  return (r.Seconds - s.DayBase) * 1000000 + r.Micro;
}

}  // namespace

void Read5ViewFile(CaptureInput& s) {
  uint8_t h[kFileHeaderSize];
  if (!s.File.Seek(0) || !s.File.ReadExact(h, sizeof h)) {
    s.Fail(msg::kReadError);
    return;
  }
  if (GetLE32(h + kVersion) != kSupportedVersion) {
    s.Fail(msg::kVersion);
    return;
  }
  if (GetLE32(h + kNetwork) != kEthernet) {
    s.Fail(msg::kNotEthernet);
    return;
  }
  s.AcceptFile();
  s.StartProgress(s.File.Size());
  s.ReserveFrames(s.File.Size() / 200);

  FiveViewRecord r;
  uint64_t next = 0;
  if (!s.SkipToFirstFrame([&]() -> const char* {
        const uint64_t pos = s.File.Tell();
        if (!ReadRecordHeader(s, r)) return msg::kFirstFrame;
        if (!NextRecordPos(pos, r, next)) return msg::kNotSupported;
        return s.File.Seek(next) ? nullptr : msg::kFirstFrame;
      }))
    return;

  for (;;) {
    if (s.File.Eof()) break;
    // The limit is checked before each record, whatever its kind.
    if (s.MaxPacketsReached()) break;
    s.CurrentRecordPos = s.File.Tell();
    // A record cut short at the end of the file ends the load; the frames
    // before it stay.
    if (!ReadRecordHeader(s, r)) {
      s.EndTruncated();
      break;
    }
    if (!NextRecordPos(s.CurrentRecordPos, r, next)) {
      s.Fail(msg::kNotSupported);
      break;
    }
    if (r.Kind != 0) {
      if (!s.File.Skip(next - s.File.Tell())) {
        s.EndTruncated();
        break;
      }
      s.Progress(next);
      continue;
    }
    if (!s.ReadFrameBytes(r.Length)) {
      s.EndTruncated();
      break;
    }
    if (s.FrameCount == 0) {
      // The capture starts with this file's first frame.
      const int64_t days = r.Seconds / 86400;
      s.DayBase = days * 86400;
      s.CaptureDate = kUnixEpochDays + static_cast<double>(days);
      s.CaptureTime = static_cast<double>(r.Seconds % 86400) / 86400.0;
    }
    // A record has one length: the frame was captured whole.
    s.FakeFrame(RecordTicks(s, r), r.Length, 0);
    s.AddFrame(static_cast<uint32_t>(r.Seconds), r.Micro);
    s.Progress(s.CurrentRecordPos);
  }
  s.EndProgress();
}

bool Reread5ViewRecord(CaptureInput& s) {
  FiveViewRecord r;
  if (!ReadRecordHeader(s, r) || r.Kind != 0 || !s.ReadFrameBytes(r.Length)) return false;
  s.FakeFrame(RecordTicks(s, r), r.Length, 0);
  return true;
}

}  // namespace kestle
