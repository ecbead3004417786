// The pcap (tcpdump) reader: little-endian, big-endian, the modified
// variant with 24-byte record headers, and nanosecond times (kept to the
// microsecond, as the frame table holds them). Every frame has the file's
// link type.
#include <algorithm>
#include <string>

#include "capture/bytes.h"
#include "capture/input.h"
#include "capture/readers.h"

namespace kestle {

namespace {

struct PcapRecord {
  uint32_t Seconds = 0;
  uint32_t Micro = 0;
  uint32_t Nanos = 0;
  uint32_t InclLen = 0;
  uint32_t OrigLen = 0;
  bool AllZero = false;
};

size_t RecordHeaderSize(const CaptureInput& s) { return s.PcapModified ? 24 : 16; }

// Reads one record header; false when the file holds fewer bytes than a
// whole header.
bool ReadRecordHeader(CaptureInput& s, PcapRecord& r) {
  uint8_t h[24];
  const size_t n = RecordHeaderSize(s);
  if (!s.File.ReadExact(h, n)) return false;
  auto get = [&s](const uint8_t* p) { return s.PcapSwapped ? GetBE32(p) : GetLE32(p); };
  r.Seconds = get(h);
  // Nanoseconds in a file with nanosecond times.
  r.Micro = s.PcapNano ? get(h + 4) / 1000 : get(h + 4);
  r.Nanos = s.PcapNano
                ? get(h + 4)
                : static_cast<uint32_t>(std::min<uint64_t>(uint64_t{get(h + 4)} * 1000, 999999999));
  r.InclLen = get(h + 8);
  r.OrigLen = get(h + 12);
  r.AllZero = std::all_of(h, h + 16, [](uint8_t b) { return b == 0; });
  return true;
}

// Normalises the record read into FrameHeader, with the time as the file
// holds it.
void FakeRecord(CaptureInput& s, const PcapRecord& r) {
  const int64_t ticks = (static_cast<int64_t>(r.Seconds) - s.DayBase) * 1000000 + r.Micro;
  s.FakeFrame(ticks, r.InclLen, r.OrigLen);
  s.FrameHeader.UtcSeconds = r.Seconds;
  s.FrameHeader.Nanos = r.Nanos;
  s.FrameHeader.TimeDigits = s.PcapNano ? 9 : 6;
}

}  // namespace

void ReadWindumpFile(CaptureInput& s) {
  uint8_t h[20];
  if (!s.File.Seek(4) || !s.File.ReadExact(h, sizeof h)) {
    s.Fail(msg::kReadError);
    return;
  }
  const uint32_t linkType = s.PcapSwapped ? GetBE32(h + 16) : GetLE32(h + 16);
  if (linkType > 0xFFFF || !s.TakesLinkType(static_cast<uint16_t>(linkType))) {
    s.Fail(msg::kNotSupported, "link type " + std::to_string(linkType));
    return;
  }
  s.AcceptFile();
  s.SetLinkType(static_cast<uint16_t>(linkType), s.PcapSwapped);
  s.StartProgress(s.File.Size());
  s.ReserveFrames(s.File.Size() / 200);

  PcapRecord r;
  if (!s.SkipToFirstFrame([&]() -> const char* {
        return ReadRecordHeader(s, r) && s.File.Skip(r.InclLen) ? nullptr : msg::kFirstFrame;
      }))
    return;
  using Record = CaptureInput::Record;
  s.RecordLoop(
      [&] {
        // A record cut short at the end of the file, or with a length no
        // frame can have, ends the load; a zero header is padding at the end
        // of a preallocated file.
        if (!ReadRecordHeader(s, r)) return Record::Truncated;
        if (r.AllZero) return Record::End;
        return s.ReadFrameBytes(r.InclLen) ? Record::Frame : Record::Truncated;
      },
      [&] {
        if (s.FrameCount == 0) {
          s.DayBase = static_cast<int64_t>(r.Seconds / 86400) * 86400;
          s.CaptureDate = 25569.0 + r.Seconds / 86400;
        }
        FakeRecord(s, r);
        s.AddFrame(s.LocalSeconds(r.Seconds), r.Micro);
      });
}

bool RereadWindumpRecord(CaptureInput& s) {
  PcapRecord r;
  if (!ReadRecordHeader(s, r) || !s.ReadFrameBytes(r.InclLen)) return false;
  FakeRecord(s, r);
  return true;
}

}  // namespace kestle
