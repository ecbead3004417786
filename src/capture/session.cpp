#include "capture/session.h"

#include <algorithm>
#include <cstring>
#include <ctime>

#include "capture/readers.h"
#include "decode/context.h"
#include "decode/config/environment.h"
#include "decode/summary.h"
#include "decode/addresses.h"
#include "decode/fields.h"
#include "decode/text.h"

namespace kestle {

namespace {

struct Magic {
  size_t Length;
  const char* Bytes;
  CaptureFormat Format;
  bool Modified;
  bool Swapped;
};

// The first match wins.
constexpr Magic kMagics[] = {
    {17, "TRSNIFF data    \x1A", CaptureFormat::Sniffer, false, false},
    {4, "RTSS", CaptureFormat::NetmonV1, false, false},
    {4, "\xD4\xC3\xB2\xA1", CaptureFormat::Pcap, false, false},
    {4, "\x34\xCD\xB2\xA1", CaptureFormat::Pcap, true, false},
    {3, "XCP", CaptureFormat::NetXRay, false, false},
    {4, "\xA1\xB2\xC3\xD4", CaptureFormat::Pcap, false, true},
    {4, "GMBU", CaptureFormat::NetmonV2, false, false},
    {4, "\xAA\xAA\xAA\xAA", CaptureFormat::FiveView, false, false},
};

}  // namespace

DetectedFormat DetectCaptureFormat(const uint8_t head[17]) {
  // The header is taken as text up to its first zero byte.
  const size_t textLen = std::find(head, head + 17, 0) - head;
  for (const Magic& m : kMagics)
    if (textLen >= m.Length && std::memcmp(head, m.Bytes, m.Length) == 0)
      return {m.Format, m.Modified, m.Swapped};
  return {};
}

CaptureSession::CaptureSession(const Environment& env, Notifier& notifier)
    : Env(env), RawFrame(kRawFrameCapacity, 0), notifier_(notifier) {
  ResetTables();
}

CaptureSession::~CaptureSession() = default;

void CaptureSession::ResetTables() {
  FrameTable.clear();
  FrameTable.shrink_to_fit();
  FrameTable.resize(1);
  FrameOrder.clear();
  FrameOrder.shrink_to_fit();
  FrameOrder.resize(1, 0);
  FrameCount = VisibleCount = SelectedFrame = 0;
  Descriptions.Clear();
  Paths.Clear();
  Nodes.Clear();
  Decoders.Clear();
}

void CaptureSession::Close() {
  File.Close();
  FileOpen = false;
  Format = CaptureFormat::None;
  ResetTables();
}

bool CaptureSession::OpenSnifferFile(const std::string& name, LoadObserver* observer) {
  Close();
  observer_ = observer;
  FileName = name;
  PcapModified = PcapSwapped = false;

  if (!File.Open(name, Env.settings.UseZLib)) {
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

  summary_ = std::make_unique<DecodeContext>(*this, Env);
  reader->Load(*this);
  summary_.reset();

  FrameTable.resize(FrameCount + 1);
  FrameTable.shrink_to_fit();
  FrameOrder.resize(FrameCount + 1);
  FrameOrder.shrink_to_fit();
  observer_ = nullptr;

  if (!FileOpen) {
    // A failed load leaves nothing behind for the next open.
    Close();
    return false;
  }
  if (FrameCount == 0) {
    Notify(msg::kEmpty);
    Close();
    return false;
  }
  VisibleCount = FrameCount;
  if (Nodes.NodeCount() != 0) Nodes.SortNodes();
  return true;
}

// ---------------------------------------------------------------- readers' side

void CaptureSession::AcceptFile() {
  FileOpen = true;
  FirstFrameTicks = 0;
  FirstFrameTicksSet = false;
  TickMicroseconds = 1.0;
  TimeBase = 0;
  CaptureDate = 25569;  // 1970-01-01
  CaptureTime = 0;
  CurrentRecordPos = 0;
  DayBase = 0;
  RecordHeaderBytes = 0;
  biasBlock_ = INT64_MIN;
}

void CaptureSession::Fail(const char* message) {
  Notify(message);
  File.Close();
  FileOpen = false;
}

bool CaptureSession::MaxPacketsReached() {
  if (FrameCount < Env.settings.MaxPackets) return false;
  Notify(msg::kMaxFrames);
  return true;
}

void CaptureSession::FakeFrame(int64_t ticks, uint32_t size, uint32_t trueSize) {
  FrameHeader.Ticks = ticks;
  FrameHeader.TimeDay = 0;
  FrameHeader.Fs = FrameHeader.Flags = 0;
  FrameHeader.Size = size;
  FrameHeader.TrueSize = trueSize;
  RecordLength = size;
}

void CaptureSession::ReserveFrames(uint64_t n) {
  n = std::min<uint64_t>(n, uint64_t{Env.settings.MaxPackets} + 1);
  n = std::min<uint64_t>(n, 64u << 20);
  FrameTable.reserve(n + 1);
  FrameOrder.reserve(n + 1);
}

void CaptureSession::AddFrame(uint32_t seconds, uint32_t micro) {
  ++FrameCount;
  if (FrameTable.size() <= FrameCount) {
    FrameTable.resize(FrameCount + 1);
    FrameOrder.resize(FrameCount + 1);
  }
  FrameOrder[FrameCount] = FrameCount;
  ProcessFrame(*this, *summary_);
  FrameTable[FrameCount].Seconds = seconds;
  FrameTable[FrameCount].Micro = micro;
}

uint32_t CaptureSession::LocalSeconds(int64_t utc) {
  // Zone offsets change on quarter-hour boundaries: look each block up once.
  const int64_t block = utc >= 0 ? utc / 900 : (utc - 899) / 900;
  if (block != biasBlock_) {
    biasBlock_ = block;
    biasMinutes_ = GetTimeZoneBias(static_cast<std::time_t>(utc));
  }
  return static_cast<uint32_t>(utc - 60 * int64_t{biasMinutes_});
}

bool CaptureSession::SkipToFirstFrame(const std::function<const char*()>& skipRecord) {
  const int64_t first = std::max<int64_t>(1, Env.settings.FirstFrame);
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

void CaptureSession::StartProgress(uint64_t total) {
  LoadPercent = 0;
  LoadStep = total <= 100 ? 1 : total / 100 + 1;
  if (observer_) observer_->LoadStarted();
}

void CaptureSession::Progress(uint64_t value) {
  const uint64_t p = value / LoadStep;
  if (p > LoadPercent) {
    LoadPercent = static_cast<unsigned>(std::min<uint64_t>(p, 99));
    if (observer_) observer_->LoadProgress(LoadPercent);
  }
}

void CaptureSession::EndProgress() {
  if (observer_) observer_->LoadFinished();
}

// ---------------------------------------------------------------- re-reading

uint32_t CaptureSession::GetPacketLength() const {
  const uint32_t size = FrameHeader.Size;
  if (size != 0 && size < RecordLength) return size;
  return Format == CaptureFormat::Sniffer ? RecordLength : size;
}

uint32_t CaptureSession::ReadFrame(uint32_t n) {
  if (n < 1 || n > FrameCount || !File.IsOpen()) return 0;
  const CaptureReader* reader = ReaderFor(Format);
  if (!reader) return 0;
  const FrameTabRec& rec = FrameTable[n];
  CurrentRecordPos = rec.RecordPos;
  if (!File.Seek(rec.RecordPos) || !reader->Reread(*this, rec) ||
      FrameHeader.Size != rec.CapLen) {
    Notify(msg::kReadError);
    FrameHeader = FrameHeaderRec{};
    RecordLength = 0;
    return 0;
  }
  // Bytes after the frame read as zero.
  const uint32_t len = std::min<uint32_t>(FrameHeader.Size, kMaxFrameLength);
  std::fill(RawFrame.begin() + len, RawFrame.end(), 0);
  return std::min(GetPacketLength(), len);
}

}  // namespace kestle
