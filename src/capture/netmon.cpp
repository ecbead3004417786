// The Netmon reader, versions 1 and 2: a file header with the capture start,
// an index of record offsets, and records timed from the capture start.
#include <algorithm>
#include <vector>

#include "capture/bytes.h"
#include "capture/dates.h"
#include "capture/input.h"
#include "capture/readers.h"

namespace kestle {

namespace {

// File header fields, as offsets into the 60 bytes after the magic.
constexpr size_t kHeaderSize = 60;
constexpr size_t kNetwork = 2;
constexpr size_t kYear = 4;
constexpr size_t kMonth = 6;
constexpr size_t kDay = 10;
constexpr size_t kHour = 12;
constexpr size_t kMinute = 14;
constexpr size_t kSecond = 16;
constexpr size_t kMillisecond = 18;
constexpr size_t kIndexOffset = 20;
constexpr size_t kIndexLength = 24;

constexpr uint32_t kIndexBlock = 4096;  // index entries read at a time

struct NetmonRecord {
  uint64_t Time = 0;  // version 1: milliseconds, version 2: microseconds
  uint32_t OrigLen = 0;
  uint32_t CapLen = 0;
};

bool IsVersion2(const CaptureInput& s) { return s.Format == CaptureFormat::NetmonV2; }

bool ReadRecordHeader(CaptureInput& s, NetmonRecord& r) {
  uint8_t h[16];
  if (IsVersion2(s)) {
    if (!s.File.ReadExact(h, 16)) return false;
    r.Time = GetLE64(h);
    r.OrigLen = GetLE32(h + 8);
    r.CapLen = GetLE32(h + 12);
  } else {
    if (!s.File.ReadExact(h, 8)) return false;
    r.Time = GetLE32(h);
    r.OrigLen = GetLE16(h + 4);
    r.CapLen = GetLE16(h + 6);
  }
  return true;
}

// Frame time in microseconds since midnight of the capture day.
int64_t RecordTicks(const CaptureInput& s, const NetmonRecord& r) {
  const uint64_t base = static_cast<uint64_t>(s.TimeBase) * 1000;
  return static_cast<int64_t>(base + (IsVersion2(s) ? r.Time : r.Time * 1000));
}

}  // namespace

void ReadNetmonFile(CaptureInput& s) {
  uint8_t h[kHeaderSize];
  if (!s.File.Seek(4) || !s.File.ReadExact(h, sizeof h)) {
    s.Fail(msg::kReadError);
    return;
  }
  if (GetLE16(h + kNetwork) != 1) {
    s.Fail(msg::kNotEthernet);
    return;
  }
  const int year = GetLE16(h + kYear), month = GetLE16(h + kMonth), day = GetLE16(h + kDay);
  const int hour = GetLE16(h + kHour), minute = GetLE16(h + kMinute);
  const int second = GetLE16(h + kSecond), milli = GetLE16(h + kMillisecond);
  // A start that is no real date, or 1970-01-01 00:00:00 exactly, is no
  // capture start.
  if (!ValidCivilDate(year, month, day) || hour > 23 || minute > 59 || second > 59 || milli > 999) {
    s.Fail(msg::kNotSupported);
    return;
  }
  const int64_t days = DaysFromCivil(year, month, day);
  const int64_t dayMs = hour * 3600000LL + minute * 60000LL + second * 1000LL + milli;
  const int64_t startSeconds = days * 86400 + dayMs / 1000;  // local time
  if (startSeconds == 0) {
    s.Fail(msg::kNotSupported);
    return;
  }
  const uint64_t indexOffset = GetLE32(h + kIndexOffset);
  const uint32_t indexLength = GetLE32(h + kIndexLength);
  // The size of a compressed file's data is not known before it is read:
  // there, an index past the end fails when it is read.
  if (s.File.Plain() && indexOffset + indexLength > s.File.Size()) {
    s.Fail(msg::kNotSupported);
    return;
  }
  // One u32 record offset per frame; an index shorter than one entry holds
  // no frame.
  const uint32_t entries = indexLength / 4;
  const uint32_t first = static_cast<uint32_t>(std::max(1, s.Options().FirstFrame));
  if (entries != 0 && entries < first) {
    s.Fail(msg::kFirstFrame);
    return;
  }

  s.AcceptFile();
  s.CaptureDate = kUnixEpochDays + static_cast<double>(days);
  s.CaptureTime = dayMs / 86400000.0;
  s.TimeBase = static_cast<double>(dayMs);
  s.StartProgress(entries);
  if (entries >= first) s.ReserveFrames(entries - first + 1);

  std::vector<uint8_t> index;
  uint32_t blockFirst = 0;  // first entry (1-based) in `index`; 0 = none held
  NetmonRecord r;
  for (uint32_t k = first; k <= entries; ++k) {
    s.Progress(k);
    if (blockFirst == 0 || k < blockFirst || k >= blockFirst + index.size() / 4) {
      blockFirst = (k - 1) / kIndexBlock * kIndexBlock + 1;
      index.resize(4 * std::min<uint64_t>(kIndexBlock, uint64_t{entries} - blockFirst + 1));
      if (!s.File.Seek(indexOffset + 4 * uint64_t{blockFirst - 1}) ||
          !s.File.ReadExact(index.data(), index.size())) {
        // Without an index there is no frame; a part of it lost at the end
        // of a compressed file leaves the frames it did locate.
        if (s.FrameCount == 0)
          s.Fail(msg::kReadError);
        else
          s.EndTruncated();
        break;
      }
    }
    const uint64_t pos = GetLE32(index.data() + 4 * (k - blockFirst));
    s.CurrentRecordPos = pos;
    // A record cut short at the end of the file ends the load; the frames
    // before it stay.
    if ((s.File.Tell() != pos && !s.File.Seek(pos)) || !ReadRecordHeader(s, r)) {
      s.EndTruncated();
      break;
    }
    if (r.OrigLen == 0) continue;
    if (!s.ReadFrameBytes(r.CapLen)) {
      s.EndTruncated();
      break;
    }
    if (s.MaxPacketsReached()) break;
    s.FakeFrame(RecordTicks(s, r), r.CapLen, r.OrigLen);
    const uint64_t us = uint64_t(milli) * 1000 + (IsVersion2(s) ? r.Time : r.Time * 1000);
    s.AddFrame(static_cast<uint32_t>(startSeconds + static_cast<int64_t>(us / 1000000)),
               static_cast<uint32_t>(us % 1000000));
  }
  s.EndProgress();
}

bool RereadNetmonRecord(CaptureInput& s) {
  NetmonRecord r;
  if (!ReadRecordHeader(s, r) || !s.ReadFrameBytes(r.CapLen)) return false;
  s.FakeFrame(RecordTicks(s, r), r.CapLen, r.OrigLen);
  return true;
}

}  // namespace kestle
