#include "output/save.h"

#include <algorithm>
#include <cmath>

#include "capture/bytes.h"
#include "capture/dates.h"
#include "capture/frame_index.h"
#include "capture/input.h"
#include "capture/sniffer_format.h"
#include "decode/session.h"
#include "output/output_file.h"

namespace kestle {

namespace {

namespace ver = sniffer::version;
namespace fr = sniffer::frame;

constexpr uint64_t kMaxTicks = (uint64_t{1} << 40) - 1;
constexpr int64_t kDay = 86400;

// The time units tried for frames of other formats, finest first.
constexpr uint8_t kUnitsFinestFirst[] = {5, 4, 0};  // 1 µs, 2 µs, 15 µs

static_assert(kMaxFrameLength + sniffer::kFrameHeaderSize <= 0xFFFF,
              "a frame record's body length is 16 bits");

struct Civil {
  int64_t Year;
  int Month, Day;
};

// The date of a day counted from 1970-01-01.
Civil CivilFromDays(int64_t z) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  const int d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  const int m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  return {yoe + era * 400 + (m <= 2), m, d};
}

// The DOS date of a day, kept within the years a DOS date holds.
uint16_t DosDateOfDay(int64_t days) {
  const Civil c = CivilFromDays(days);
  if (c.Year < sniffer::kFirstDosYear) return sniffer::MakeDosDate(sniffer::kFirstDosYear, 1, 1);
  if (c.Year > sniffer::kLastDosYear) return sniffer::MakeDosDate(sniffer::kLastDosYear, 12, 31);
  return sniffer::MakeDosDate(static_cast<int>(c.Year), c.Month, c.Day);
}

// The DOS time of a time of day given as a fraction of a day.
uint16_t DosTimeOfFraction(double fraction) {
  const double f = fraction - std::floor(fraction);
  const int64_t ms = std::clamp<int64_t>(std::llround(f * 86400000.0), 0, 86399999);
  const int s = static_cast<int>(ms / 1000);
  return sniffer::MakeDosTime(s / 3600, s / 60 % 60, s % 60);
}

void PutRecordHeader(uint8_t* p, uint16_t type, uint16_t length) {
  PutLE16(p, type);
  PutLE16(p + 2, length);
  PutLE16(p + 4, 0);
}

// Reads a frame again and checks it against what the load found.
bool RereadFrame(CaptureInput& in, const SaveFrameRef& f) {
  return in.Reread(f.RecordPos) && in.FrameHeader.Size == f.CapLen;
}

// A Sniffer record as it is in the file: its header and body.
bool ReadSnifferRecord(CaptureInput& in, const SaveFrameRef& f, std::vector<uint8_t>& record) {
  if (!RereadFrame(in, f)) return false;
  uint8_t h[sniffer::kRecordHeaderSize];
  if (!in.File.Seek(f.RecordPos) || !in.File.ReadExact(h, sizeof h)) return false;
  const uint16_t type = GetLE16(h);
  const uint16_t length = GetLE16(h + 2);
  record.resize(sniffer::kRecordHeaderSize + length);
  PutRecordHeader(record.data(), type, length);
  return in.File.ReadExact(record.data() + sniffer::kRecordHeaderSize, length);
}

// The frame record of a frame of another format, from its normalised header.
void BuildFrameRecord(const CaptureInput& in, uint64_t ticks, std::vector<uint8_t>& record) {
  const FrameHeaderRec& h = in.FrameHeader;
  const std::span<const uint8_t> bytes = in.FrameBytes();
  const size_t body = sniffer::kFrameHeaderSize + bytes.size();
  record.assign(sniffer::kRecordHeaderSize + body, 0);
  PutRecordHeader(record.data(), sniffer::kFrameData, static_cast<uint16_t>(body));
  uint8_t* p = record.data() + sniffer::kRecordHeaderSize;
  PutLE16(p + fr::kTimeLow, static_cast<uint16_t>(ticks & 0xFFFF));
  PutLE16(p + fr::kTimeMid, static_cast<uint16_t>((ticks >> 16) & 0xFFFF));
  p[fr::kTimeHigh] = static_cast<uint8_t>((ticks >> 32) & 0xFF);
  PutLE16(p + fr::kSize, static_cast<uint16_t>(bytes.size()));
  // A length on the wire beyond 16 bits is kept as the largest it can be.
  PutLE16(p + fr::kTrueSize, static_cast<uint16_t>(std::min<uint32_t>(h.TrueSize, 0xFFFF)));
  std::copy(bytes.begin(), bytes.end(), p + sniffer::kFrameHeaderSize);
}

}  // namespace

std::vector<SaveFrameRef> SaveFrameRefs(const CaptureSession& s, std::span<const uint32_t> frames) {
  std::vector<SaveFrameRef> refs;
  refs.reserve(frames.size());
  for (uint32_t n : frames) {
    if (n < 1 || n > s.FrameCount) continue;
    const FrameTabRec& r = s.FrameTable[n];
    refs.push_back({r.RecordPos, r.Seconds, r.Micro, r.CapLen, r.LinkType});
  }
  return refs;
}

std::vector<SaveFrameRef> SaveFrameRefs(const FrameIndex& index, std::span<const uint32_t> frames) {
  std::vector<SaveFrameRef> refs;
  refs.reserve(frames.size());
  for (uint32_t n : frames) {
    if (n < 1 || n > index.Count()) continue;
    const FrameIndexRec& r = index[n];
    refs.push_back({r.RecordPos, r.Seconds, r.Micro, r.CapLen, r.LinkType});
  }
  return refs;
}

bool SnifferHoldsFrame(const CaptureInput& /*in*/, const SaveFrameRef& frame) {
  return frame.LinkType == kLinkTypeEthernet;
}

std::string SkippedFramesNote(uint32_t skipped) {
  if (skipped == 0) return {};
  return std::to_string(skipped) + " frame(s) of another link type were not saved";
}

SnifferTiming PlanSnifferTiming(const CaptureInput& in, std::span<const SaveFrameRef> frames) {
  SnifferTiming t;
  int64_t day;
  if (frames.empty()) {
    day = static_cast<int64_t>(std::floor(in.CaptureDate - kUnixEpochDays));
  } else {
    uint32_t first = UINT32_MAX;
    for (const SaveFrameRef& f : frames) first = std::min(first, f.Seconds);
    day = first / kDay;
  }
  t.DaySeconds = day * kDay;
  uint64_t latest = 0;
  for (const SaveFrameRef& f : frames)
    latest = std::max(latest, static_cast<uint64_t>(f.Seconds - t.DaySeconds) * 1000000 + f.Micro);
  for (uint8_t unit : kUnitsFinestFirst) {
    t.TimeUnit = unit;
    t.TickPicoseconds = sniffer::kTickPicoseconds[unit];
    if (latest / (t.TickPicoseconds / 1000000) <= kMaxTicks) break;
  }
  t.DosDate = DosDateOfDay(day);
  t.DosTime = DosTimeOfFraction(in.CaptureTime);
  return t;
}

uint64_t SnifferTicks(const SnifferTiming& t, const SaveFrameRef& f) {
  const int64_t seconds = int64_t{f.Seconds} - t.DaySeconds;
  if (seconds < 0) return 0;
  const uint64_t us = static_cast<uint64_t>(seconds) * 1000000 + f.Micro;
  return std::min(us / (t.TickPicoseconds / 1000000), kMaxTicks);
}

std::array<uint8_t, 18> NewVersionRecord(const SnifferTiming& t) {
  std::array<uint8_t, 18> v{};
  PutLE16(&v[ver::kMajor], 1);
  PutLE16(&v[ver::kMinor], 16);
  PutLE16(&v[ver::kTime], t.DosTime);
  PutLE16(&v[ver::kDate], t.DosDate);
  v[ver::kFileType] = 4;
  v[ver::kNetwork] = sniffer::kNetworkEthernet;
  v[ver::kFormat] = sniffer::kFormatVersion;
  v[ver::kTimeUnit] = t.TimeUnit;
  return v;
}

SaveOutcome SaveAsSniffer(CaptureInput& in, std::span<const SaveFrameRef> frames,
                          const std::string& target, const SaveProgress& progress) {
  SaveOutcome out;
  if (SameFile(target, in.FileName)) {
    out.Message = FileMessage(savemsg::kOpenCapture, target);
    return out;
  }
  // A file of none of the frames chosen would look like a save that worked.
  if (!frames.empty() && std::none_of(frames.begin(), frames.end(), [&](const SaveFrameRef& f) {
        return SnifferHoldsFrame(in, f);
      })) {
    out.Skipped = static_cast<uint32_t>(frames.size());
    out.Message = FileMessage(savemsg::kNothingToSave, target, 0, SkippedFramesNote(out.Skipped));
    return out;
  }
  OutputFile file;
  if (!file.Create(target)) {
    out.Message = FileMessage(savemsg::kCannotCreate, target, file.Error());
    return out;
  }
  const bool copy = in.Format == CaptureFormat::Sniffer;
  const SnifferTiming timing = PlanSnifferTiming(in, frames);

  uint8_t head[sniffer::kMagicSize + sniffer::kRecordHeaderSize];
  std::copy(sniffer::kMagic, sniffer::kMagic + sniffer::kMagicSize, head);
  PutRecordHeader(head + sniffer::kMagicSize, sniffer::kVersionRecord, sniffer::kVersionBodySize);
  const std::array<uint8_t, 18> version = copy ? in.SnifferVersion : NewVersionRecord(timing);
  file.Write(head, sizeof head);
  file.Write(version.data(), version.size());

  std::vector<uint8_t> record;
  const uint32_t total = static_cast<uint32_t>(frames.size());
  for (const SaveFrameRef& f : frames) {
    if (!SnifferHoldsFrame(in, f)) {
      ++out.Skipped;
      continue;
    }
    const bool read = copy ? ReadSnifferRecord(in, f, record) : RereadFrame(in, f);
    if (!read) {
      out.Message = FileMessage(msg::kReadError, in.FileName, in.File.Error());
      return out;
    }
    if (!copy) BuildFrameRecord(in, SnifferTicks(timing, f), record);
    if (!file.Write(record.data(), record.size())) break;
    ++out.Written;
    if (progress && !progress(out.Written, total)) {
      out.Cancelled = true;
      break;
    }
  }
  if (file.Failed() || !file.Commit()) {
    out.Message = FileMessage(savemsg::kWriteError, target, file.Error());
    out.Written = 0;
    return out;
  }
  out.Ok = true;
  return out;
}

}  // namespace kestle
