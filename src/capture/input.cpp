#include "capture/input.h"

#include <algorithm>
#include <cstring>
#include <ctime>

#include "capture/readers.h"

namespace kestle {

namespace {

struct Magic {
  size_t Length;
  const char* Bytes;
  CaptureFormat Format;
  bool Modified;
  bool Swapped;
  bool Nano = false;
  // Compared as bytes, not as text up to the first zero byte, with four
  // more bytes at offset 8 (a pcapng section header: its block type, its
  // length, which is not compared, and its byte-order magic).
  const char* BytesAt8 = nullptr;
};

// The first match wins. The later formats come after the first eight, so
// that no file of those changes its format.
constexpr Magic kMagics[] = {
    {17, "TRSNIFF data    \x1A", CaptureFormat::Sniffer, false, false},
    {4, "RTSS", CaptureFormat::NetmonV1, false, false},
    {4, "\xD4\xC3\xB2\xA1", CaptureFormat::Pcap, false, false},
    {4, "\x34\xCD\xB2\xA1", CaptureFormat::Pcap, true, false},
    {3, "XCP", CaptureFormat::NetXRay, false, false},
    {4, "\xA1\xB2\xC3\xD4", CaptureFormat::Pcap, false, true},
    {4, "GMBU", CaptureFormat::NetmonV2, false, false},
    {4, "\xAA\xAA\xAA\xAA", CaptureFormat::FiveView, false, false},
    {4, "\x4D\x3C\xB2\xA1", CaptureFormat::Pcap, false, false, true},
    {4, "\xA1\xB2\x3C\x4D", CaptureFormat::Pcap, false, true, true},
    {4, "\x0A\x0D\x0D\x0A", CaptureFormat::Pcapng, false, false, false, "\x4D\x3C\x2B\x1A"},
    {4, "\x0A\x0D\x0D\x0A", CaptureFormat::Pcapng, false, true, false, "\x1A\x2B\x3C\x4D"},
};

// Minutes to add to local time to get UTC at the given instant.
int ZoneBiasMinutes(std::time_t at) {
  struct tm local {};
  if (!localtime_r(&at, &local)) return 0;
  return static_cast<int>(-local.tm_gmtoff / 60);
}

}  // namespace

DetectedFormat DetectCaptureFormat(const uint8_t head[17]) {
  // The header is taken as text up to its first zero byte.
  const size_t textLen = std::find(head, head + 17, 0) - head;
  for (const Magic& m : kMagics) {
    if (m.BytesAt8 ? std::memcmp(head + 8, m.BytesAt8, 4) != 0 : textLen < m.Length) continue;
    if (std::memcmp(head, m.Bytes, m.Length) == 0) return {m.Format, m.Modified, m.Swapped, m.Nano};
  }
  return {};
}

namespace msg {
std::string SkippedFramesText(uint32_t n) {
  return std::to_string(n) + " frames of an unsupported link type were skipped";
}
}  // namespace msg

CaptureInput::CaptureInput(Notifier& notifier)
    : RawFrame(kMaxFrameLength, 0), notifier_(notifier) {}

void CaptureInput::Close() {
  File.Close();
  FileOpen = false;
  Format = CaptureFormat::None;
  FrameCount = 0;
  SkippedFrames = 0;
  Pcapng.Clear();
  ForgetFrame();
}

bool CaptureInput::Load(const std::string& name, const LoadOptions& options, FrameSink& sink,
                        LoadObserver* observer) {
  Close();
  FileName = name;
  PcapModified = PcapSwapped = PcapNano = false;
  options_ = options;

  if (!File.Open(name, options.UseZLib)) {
    Notify(msg::kCannotOpen);
    return false;
  }
  if (File.Size() < 17) {
    Notify(msg::kEmpty);
    File.Close();
    return false;
  }
  uint8_t head[17];
  if (!File.ReadExact(head, sizeof head)) {
    // A compressed stream shorter than 17 bytes holds no capture either.
    Notify(File.Compressed() && !File.Failed() ? msg::kUnknownFormat : msg::kHeaderRead);
    File.Close();
    return false;
  }
  const DetectedFormat detected = DetectCaptureFormat(head);
  Format = detected.Format;
  PcapModified = detected.PcapModified;
  PcapSwapped = detected.PcapSwapped;
  PcapNano = detected.PcapNano;
  if (Format == CaptureFormat::None) {
    Notify(msg::kUnknownFormat);
    File.Close();
    return false;
  }
  const CaptureReader* reader = ReaderFor(Format);
  if (!reader) {
    Notify(msg::kNotSupported);
    Close();
    return false;
  }

  sink_ = &sink;
  observer_ = observer;
  truncated_ = limitReached_ = framesCut_ = otherLinkType_ = cutShort_ = false;
  reader->Load(*this);
  sink_ = nullptr;
  observer_ = nullptr;

  if (!FileOpen) {
    Close();
    return false;
  }
  if (FrameCount == 0) {
    // Nothing of a link type the sink takes: not an empty file.
    Notify(SkippedFrames != 0 || otherLinkType_ ? msg::kNotEthernet : msg::kEmpty);
    Close();
    return false;
  }
  // A gzip stream may end early at a record boundary, or lack only its
  // end mark; a load stopped at MaxPackets never reached that end.
  if (framesCut_) Notify(msg::kTooLong);
  if (SkippedFrames != 0) Notify(msg::SkippedFramesText(SkippedFrames));
  cutShort_ = !limitReached_ && File.CutShort();
  if (truncated_ || cutShort_) Notify(msg::kMalformed);
  return true;
}

bool CaptureInput::Reread(uint64_t recordPos) {
  const CaptureReader* reader = ReaderFor(Format);
  CurrentRecordPos = recordPos;
  if (!File.IsOpen() || !reader || !File.Seek(recordPos) || !reader->Reread(*this)) {
    ForgetFrame();
    return false;
  }
  return true;
}

// ---------------------------------------------------------------- readers' side

void CaptureInput::AcceptFile() {
  FileOpen = true;
  FrameCount = 0;
  SkippedFrames = 0;
  FirstFrameTicks = 0;
  FirstFrameTicksSet = false;
  TickMicroseconds = 1.0;
  TimeBase = 0;
  CaptureDate = 25569;  // 1970-01-01
  CaptureTime = 0;
  CurrentRecordPos = 0;
  DayBase = 0;
  RecordHeaderBytes = 0;
  SnifferVersion = {};
  Pcapng.Clear();
  SetLinkType(kLinkTypeEthernet, false);
  biasBlock_ = INT64_MIN;
}

void CaptureInput::Notify(const std::string& text, const std::string& detail) {
  notifier_.Message(FileMessage(text, FileName, File.Error(), detail));
}

void CaptureInput::Fail(const char* message, const std::string& detail) {
  Notify(message, detail);
  File.Close();
  FileOpen = false;
}

bool CaptureInput::MaxPacketsReached() {
  if (FrameCount < options_.MaxPackets) return false;
  Notify(msg::kMaxFrames);
  limitReached_ = true;
  return true;
}

void CaptureInput::FakeFrame(int64_t ticks, uint32_t captured, uint32_t trueSize) {
  FrameHeader.Ticks = ticks;
  FrameHeader.TimeDay = 0;
  FrameHeader.Fs = FrameHeader.Flags = 0;
  frameCut_ = captured > kMaxFrameLength;
  FrameHeader.Size = frameCut_ ? kMaxFrameLength : captured;
  FrameHeader.TrueSize = frameCut_ && trueSize == 0 ? captured : trueSize;
  FrameHeader.LinkType = linkType_;
  FrameHeader.BigEndian = linkBigEndian_;
  FrameHeader.UtcSeconds = 0;
  FrameHeader.Nanos = 0;
  FrameHeader.TimeDigits = 0;
  FrameHeader.SnapLength = 0;
}

void CaptureInput::ReserveFrames(uint64_t n) {
  n = std::min<uint64_t>(n, uint64_t{options_.MaxPackets} + 1);
  n = std::min<uint64_t>(n, 64u << 20);
  if (sink_) sink_->Reserve(n);
}

void CaptureInput::AddFrame(uint32_t seconds, uint32_t micro) {
  ++FrameCount;
  if (frameCut_) framesCut_ = true;
  const double t = static_cast<double>(FrameHeader.Ticks) / 1000000.0 * TickMicroseconds;
  if (!FirstFrameTicksSet) {
    FirstFrameTicks = t;
    FirstFrameTicksSet = true;
  }
  CapturedFrame f;
  f.RecordPos = CurrentRecordPos;
  f.Header = FrameHeader;
  f.RelTime = t - FirstFrameTicks;
  f.Seconds = seconds;
  f.Micro = micro;
  f.Bytes = FrameBytes();
  sink_->AddFrame(f);
}

void CaptureInput::LookUpBias(int64_t block, int64_t utc) {
  biasBlock_ = block;
  biasMinutes_ = ZoneBiasMinutes(static_cast<std::time_t>(utc));
}

bool CaptureInput::SkipToFirstFrame(const std::function<const char*()>& skipRecord) {
  const int64_t first = std::max<int64_t>(1, options_.FirstFrame);
  for (int64_t n = 1; n < first; ++n) {
    // Every record counts, whatever it holds.
    const char* error = File.Eof() ? msg::kFirstFrame : skipRecord();
    if (error) {
      Fail(error);
      EndProgress();
      return false;
    }
    Progress(static_cast<uint64_t>(n + 1));
  }
  // Skipping to the very end leaves no first frame either.
  if (first > 1 && File.Eof()) {
    Fail(msg::kFirstFrame);
    EndProgress();
    return false;
  }
  return true;
}

void CaptureInput::StartProgress(uint64_t total) {
  LoadPercent = 0;
  LoadStep = total <= 100 ? 1 : total / 100 + 1;
  if (observer_) observer_->LoadStarted();
}

void CaptureInput::Progress(uint64_t value) {
  const uint64_t p = value / LoadStep;
  if (p > LoadPercent) {
    LoadPercent = static_cast<unsigned>(std::min<uint64_t>(p, 99));
    if (observer_) observer_->LoadProgress(LoadPercent);
  }
}

void CaptureInput::EndProgress() {
  if (observer_) observer_->LoadFinished();
}

}  // namespace kestle
