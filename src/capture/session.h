// One open capture file: the file, its format, the frame table and its view
// order, the registries filled while it loads, and the frame being read.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "capture/fileio.h"
#include "capture/frame.h"
#include "capture/notifier.h"
#include "decode/registry.h"
#include "decode/decoder_state.h"

namespace kestle {

struct Environment;
class DecodeContext;

// Load messages, with their exact texts.
namespace msg {
inline constexpr const char* kReadError = "Error reading the sniffer file";
inline constexpr const char* kNotSupported = "Trace file format is not supported by Kestle";
inline constexpr const char* kTimeUnit = "Time unit value not valid";
inline constexpr const char* kNotEthernet = "File is not an Ethernet trace";
inline constexpr const char* kVersion = "File version not supported by Kestle";
inline constexpr const char* kMaxFrames = "Maximum Frames exceeded - display truncated";
inline constexpr const char* kNetmonIndex = "Insufficient memory to load netmon packet index";
inline constexpr const char* kEmpty = "The Trace file is empty";
inline constexpr const char* kXrayTimeUnit = "File header time unit index invalid: ";
inline constexpr const char* kTooLong =
    "File contains frames that exceed the maximum supported length";
inline constexpr const char* kMalformed = "File is malformed and has been truncated";
inline constexpr const char* kFirstFrame = "Requested First Frame not within file";
inline constexpr const char* kCannotOpen = "Selected file could not be opened";
inline constexpr const char* kHeaderRead = "An error occured reading the file header";
inline constexpr const char* kUnknownFormat =
    "The selected file is not in a format supported by Kestle";
}  // namespace msg

// Load progress: Started, then Progress with 0..99 at most about 100
// times, then Finished.
class LoadObserver {
 public:
  virtual ~LoadObserver() = default;
  virtual void LoadStarted() {}
  virtual void LoadProgress(unsigned /*percent*/) {}
  virtual void LoadFinished() {}
};

struct DetectedFormat {
  CaptureFormat Format = CaptureFormat::None;
  bool PcapModified = false;
  bool PcapSwapped = false;
};
// The format of a file from its first 17 bytes (None when no magic matches).
DetectedFormat DetectCaptureFormat(const uint8_t head[17]);

// Room for the largest record body any reader accepts before it checks the
// frame length against kMaxFrameLength.
constexpr size_t kRawFrameCapacity = 65536 + 64;

class CaptureSession {
 public:
  CaptureSession(const Environment& env, Notifier& notifier);
  ~CaptureSession();
  CaptureSession(const CaptureSession&) = delete;
  CaptureSession& operator=(const CaptureSession&) = delete;

  // Opens, detects and loads a capture. True when frames were loaded (the
  // file then stays open for re-reading frames).
  bool OpenSnifferFile(const std::string& name, LoadObserver* observer = nullptr);
  // Closes the file and empties every table.
  void Close();

  // Reads frame n (1..FrameCount) into FrameHeader/RawFrame again and
  // returns its length (TfrmMain_GetPacketLength). 0 and a message when the
  // record cannot be read or no longer matches the frame table.
  uint32_t ReadFrame(uint32_t n);
  uint32_t GetPacketLength() const;

  std::string_view Description(uint32_t frame) const {
    return frame >= 1 && frame <= FrameCount ? Descriptions.Get(FrameTable[frame].Description)
                                             : std::string_view{};
  }

  // ---- used by the readers
  void AcceptFile();                      // the reader accepted the header
  void Fail(const char* message);         // message, close, FileOpen cleared
  void Notify(const std::string& text) { notifier_.Message(text); }
  bool MaxPacketsReached();               // message when the limit is reached
  // Normalises a record header (TfrmMain_FakeFrame).
  void FakeFrame(int64_t ticks, uint32_t size, uint32_t trueSize);
  // Counts the frame in FrameHeader/RawFrame, stores its arrival time and
  // runs the summary pass on it.
  void AddFrame(uint32_t seconds, uint32_t micro);
  void ReserveFrames(uint64_t n);
  // Skips the records before FirstFrame. `skipRecord` reads one record and
  // moves past it; it returns nullptr, or the message to fail with. False
  // (the file closed) when the file ends before the first frame.
  bool SkipToFirstFrame(const std::function<const char*()>& skipRecord);
  void StartProgress(uint64_t total);
  void Progress(uint64_t value);
  void EndProgress();
  // Local time of a UTC instant, with the zone offset in force then.
  uint32_t LocalSeconds(int64_t utcSeconds);

  // ---- state of the open file
  const Environment& Env;
  std::string FileName;
  CaptureFile File;
  CaptureFormat Format = CaptureFormat::None;
  bool PcapModified = false;
  bool PcapSwapped = false;
  bool FileOpen = false;

  // ---- frame table (1-based; entry 0 unused)
  std::vector<FrameTabRec> FrameTable;
  uint32_t FrameCount = 0;
  std::vector<uint32_t> FrameOrder;  // row + 1 -> frame number
  uint32_t VisibleCount = 0;
  uint32_t SelectedFrame = 0;
  StringPool Descriptions;

  // ---- registries
  ProtocolPathTable Paths;
  NodeRegistry Nodes;
  DecoderState Decoders;

  // ---- load-wide state
  double FirstFrameTicks = 0;    // seconds
  bool FirstFrameTicksSet = false;
  double TickMicroseconds = 1.0;
  double TimeBase = 0;           // milliseconds added to Netmon record times
  double CaptureDate = 25569;    // days since 1899-12-30
  double CaptureTime = 0;        // fraction of a day
  uint64_t CurrentRecordPos = 0;
  int64_t DayBase = 0;           // pcap: UTC midnight of the first frame, seconds
  uint32_t RecordHeaderBytes = 0;  // NetXRay: record header length of the file's version
  unsigned LoadPercent = 0;
  uint64_t LoadStep = 1;

  // ---- the current frame
  FrameHeaderRec FrameHeader;
  std::vector<uint8_t> RawFrame;
  uint32_t RecordLength = 0;     // length word of the record header

 private:
  void ResetTables();
  void SummaryPass();

  Notifier& notifier_;
  LoadObserver* observer_ = nullptr;
  std::unique_ptr<DecodeContext> summary_;
  int64_t biasBlock_ = INT64_MIN;
  int biasMinutes_ = 0;
};

}  // namespace kestle
