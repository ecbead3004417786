// The Sniffer (.enc) reader: a version record, then frame data records whose
// times are tick counts from midnight of the capture date.
#include <algorithm>

#include "capture/bytes.h"
#include "capture/dates.h"
#include "capture/input.h"
#include "capture/readers.h"
#include "capture/sniffer_format.h"

namespace kestle {

namespace {

constexpr const char* kUnsupportedFormat = "Selected file is an unsupported format";

struct RecordHeader {
  uint16_t Type = 0;
  uint32_t Length = 0;  // body bytes after the header
};

bool ReadRecordHeader(CaptureInput& s, RecordHeader& r) {
  uint8_t h[sniffer::kRecordHeaderSize];
  if (!s.File.ReadExact(h, sizeof h)) return false;
  r.Type = GetLE16(h);
  r.Length = GetLE16(h + 2);
  return true;
}

// Reads the body of a frame data record into FrameHeader and RawFrame. The
// frame is its Size bytes when set, never more than the body holds after
// the frame header; of a frame longer than kMaxFrameLength the first
// kMaxFrameLength bytes are kept.
bool ReadFrameBody(CaptureInput& s, uint32_t bodyLength) {
  uint8_t h[sniffer::kFrameHeaderSize];
  if (bodyLength < sizeof h || !s.File.ReadExact(h, sizeof h)) return false;
  namespace f = sniffer::frame;
  const uint32_t stored = bodyLength - sizeof h;
  const uint32_t size = GetLE16(h + f::kSize);
  const uint32_t captured = size != 0 ? std::min(size, stored) : stored;
  const uint32_t kept = std::min(captured, kMaxFrameLength);
  if (!s.File.ReadExact(s.RawFrame.data(), kept) || !s.File.Skip(stored - kept)) return false;

  const int64_t ticks = int64_t{GetLE16(h + f::kTimeLow)} |
                        (int64_t{GetLE16(h + f::kTimeMid)} << 16) |
                        (int64_t{h[f::kTimeHigh]} << 32);
  const uint32_t trueSize = GetLE16(h + f::kTrueSize);
  // A Size beyond the body is the frame's length on the wire.
  s.FakeFrame(ticks, captured, trueSize != 0 ? trueSize : (size > captured ? size : 0));
  FrameHeaderRec& fh = s.FrameHeader;
  fh.TimeDay = h[f::kTimeDay];
  fh.Fs = h[f::kFs];
  fh.Flags = h[f::kFlags];
  return true;
}

}  // namespace

void ReadSnifferFile(CaptureInput& s) {
  RecordHeader r;
  if (!ReadRecordHeader(s, r)) {
    s.Fail(msg::kReadError);
    return;
  }
  if (r.Type != sniffer::kVersionRecord || r.Length != sniffer::kVersionBodySize) {
    s.Fail(msg::kNotSupported);
    return;
  }
  uint8_t v[sniffer::kVersionBodySize];
  if (!s.File.ReadExact(v, sizeof v)) {
    s.Fail(msg::kReadError);
    return;
  }
  namespace ver = sniffer::version;
  const uint8_t network = v[ver::kNetwork];
  if (v[ver::kFormat] != sniffer::kFormatVersion || network != sniffer::kNetworkEthernet) {
    s.Fail(network == sniffer::kNetworkEthernet ? kUnsupportedFormat : msg::kNotEthernet);
    return;
  }
  const uint8_t unit = v[ver::kTimeUnit];
  if (unit >= sniffer::kTimeUnitCount) {
    s.Fail(msg::kTimeUnit);
    return;
  }
  s.AcceptFile();
  std::copy(v, v + sizeof v, s.SnifferVersion.begin());
  const uint32_t tickPs = sniffer::kTickPicoseconds[unit];
  s.TickMicroseconds = tickPs / 1e6;

  // Frame times count from midnight of the capture date, taken as local
  // time. An invalid date or time stands for 1970-01-01 00:00.
  const sniffer::DosDate date = sniffer::SplitDosDate(GetLE16(v + ver::kDate));
  const sniffer::DosTime time = sniffer::SplitDosTime(GetLE16(v + ver::kTime));
  int64_t dayStart = 0;  // seconds from 1970-01-01 to the capture date
  if (ValidCivilDate(date.Year, date.Month, date.Day) && sniffer::ValidDosTime(time)) {
    const int64_t days = DaysFromCivil(date.Year, date.Month, date.Day);
    dayStart = days * 86400;
    s.CaptureDate = kUnixEpochDays + static_cast<double>(days);
    s.CaptureTime = (time.Hour * 3600 + time.Minute * 60 + time.Second) / 86400.0;
  }

  s.StartProgress(s.File.Size());
  if (!s.SkipToFirstFrame([&]() -> const char* {
        return ReadRecordHeader(s, r) && s.File.Skip(r.Length) ? nullptr : msg::kFirstFrame;
      }))
    return;

  // A file may end without an end-of-file record; a record cut short at
  // its end ends the load, the frames before it staying.
  using Record = CaptureInput::Record;
  s.RecordLoop(
      [&] {
        if (!ReadRecordHeader(s, r)) return Record::Truncated;
        if (r.Type == sniffer::kEndOfFile) return Record::End;
        // Records of other types, and data records too short to hold a
        // frame header, are skipped.
        if (r.Type != sniffer::kFrameData || r.Length < sniffer::kFrameHeaderSize)
          return s.File.Skip(r.Length) ? Record::Skipped : Record::Truncated;
        return ReadFrameBody(s, r.Length) ? Record::Frame : Record::Truncated;
      },
      [&] {
        const uint64_t us =
            sniffer::TicksToMicroseconds(static_cast<uint64_t>(s.FrameHeader.Ticks), tickPs);
        s.AddFrame(static_cast<uint32_t>(dayStart + static_cast<int64_t>(us / 1000000)),
                   static_cast<uint32_t>(us % 1000000));
      });
}

bool RereadSnifferRecord(CaptureInput& s) {
  RecordHeader r;
  return ReadRecordHeader(s, r) && r.Type == sniffer::kFrameData && ReadFrameBody(s, r.Length);
}

}  // namespace kestle
