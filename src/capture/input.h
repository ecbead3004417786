// Reading a capture file: opening it, recognising its format, loading its
// frames and reading one of them again. Each format's reader normalises its
// records to FrameHeaderRec and hands every frame to a FrameSink; what the
// frames become (a decoded frame table, an index, a count) is the sink's
// business, so the capture layer knows nothing of decoding.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "capture/fileio.h"
#include "capture/frame.h"
#include "capture/notifier.h"

namespace kestle {

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
// "N frames of an unsupported link type were skipped" (pcapng).
std::string SkippedFramesText(uint32_t n);
}  // namespace msg

// What a load reads: at most MaxPackets frames, from frame FirstFrame of the
// file on, through zlib (so gzip-compressed files too) when UseZLib is set.
struct LoadOptions {
  uint32_t MaxPackets = 512000;
  int32_t FirstFrame = 1;
  bool UseZLib = true;
};

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
  bool PcapNano = false;
};
// The format of a file from its first 17 bytes (None when no magic matches).
DetectedFormat DetectCaptureFormat(const uint8_t head[17]);

// One frame as a reader hands it on.
struct CapturedFrame {
  uint64_t RecordPos = 0;          // file offset of the frame's record
  FrameHeaderRec Header;           // normalised, with the link type; Header.Size bytes in Bytes
  double RelTime = 0;              // seconds since the first frame of the load
  uint32_t Seconds = 0;            // arrival, whole seconds since 1970-01-01 local time
  uint32_t Micro = 0;              // microseconds within that second
  std::span<const uint8_t> Bytes;  // valid during the call only
};

// Where a load's frames go, in file order.
class FrameSink {
 public:
  virtual ~FrameSink() = default;
  // About n frames are coming (a hint for reserving room).
  virtual void Reserve(uint64_t /*n*/) {}
  // Whether the sink takes frames of this link type. A pcap file of another
  // link type is refused; in a pcapng file, the frames of an interface of
  // another link type are skipped and counted.
  virtual bool TakesLinkType(uint16_t linkType) const { return linkType == kLinkTypeEthernet; }
  virtual void AddFrame(const CapturedFrame& frame) = 0;
};

// pcapng: where each section starts and the interfaces it describes, kept
// for re-reading its frames (a frame's record is read in its section's byte
// order; a simple packet's length depends on its interface's snap length).
struct PcapngInterface {
  uint16_t LinkType = 0;
  uint32_t SnapLength = 0;    // 0 = no limit
  int64_t OffsetSeconds = 0;  // if_tsoffset
  uint8_t Resolution = 6;     // if_tsresol: 10^-n seconds, or 2^-n with the top bit set
  bool Taken = false;         // the sink takes its link type
};
struct PcapngSection {
  uint64_t Start = 0;  // file offset of its section header block
  bool BigEndian = false;
  uint32_t FirstInterface = 0;  // index of its first interface in Interfaces
};
struct PcapngLayout {
  std::vector<PcapngSection> Sections;
  std::vector<PcapngInterface> Interfaces;
  void Clear() {
    Sections.clear();
    Interfaces.clear();
  }
};

class CaptureInput {
 public:
  explicit CaptureInput(Notifier& notifier);
  CaptureInput(const CaptureInput&) = delete;
  CaptureInput& operator=(const CaptureInput&) = delete;

  // Opens, detects and loads a capture into `sink`. True when frames were
  // loaded: the file then stays open for re-reading them. The messages of
  // the load go to the notifier; those that qualify a load that kept its
  // frames (some cut to kMaxFrameLength, the file damaged or cut short) come
  // last, after every frame was handed on. A failed load may have handed
  // frames to the sink before it failed; they count for nothing.
  bool Load(const std::string& name, const LoadOptions& options, FrameSink& sink,
            LoadObserver* observer = nullptr);
  // Reads the record at `recordPos` again into FrameHeader/RawFrame. False,
  // with no frame held, when it cannot be read or holds no frame.
  bool Reread(uint64_t recordPos);
  // Closes the file.
  void Close();

  // The bytes of the frame read last (empty when none is held).
  std::span<const uint8_t> FrameBytes() const {
    return {RawFrame.data(), std::min<size_t>(FrameHeader.Size, RawFrame.size())};
  }
  // Forgets the frame read last.
  void ForgetFrame() { FrameHeader = FrameHeaderRec{}; }
  // A message about the file: `text` as its first line; the second names
  // the file and then `detail` or, after a failure of the system, its
  // reason ("name: No such file or directory").
  void Notify(const std::string& text, const std::string& detail = {});
  // Whether the last load ended early: at a damaged record or the end of a
  // stream cut short, or at MaxPackets.
  bool LoadTruncated() const { return truncated_ || cutShort_; }
  bool LoadLimitReached() const { return limitReached_; }

  // ---- used by the readers
  const LoadOptions& Options() const { return options_; }
  void AcceptFile();  // the reader accepted the header
  bool TakesLinkType(uint16_t linkType) const { return sink_ && sink_->TakesLinkType(linkType); }
  // The link type of the frames read from here on (FakeFrame sets it in
  // FrameHeader), and whether their writer was big-endian.
  void SetLinkType(uint16_t linkType, bool bigEndian) {
    linkType_ = linkType;
    linkBigEndian_ = bigEndian;
  }
  // A frame of a link type the sink does not take was skipped.
  void SkipFrameOfOtherLinkType() { ++SkippedFrames; }
  // A description of an interface of a link type the sink does not take.
  void MetOtherLinkType() { otherLinkType_ = true; }
  // The message (with `detail`, see Notify), the file closed, FileOpen cleared.
  void Fail(const char* message, const std::string& detail = {});
  // Ends the load at a record that cannot be whole (cut short by the end of
  // the data, or with a length no frame can have); the frames before it stay.
  void EndTruncated() { truncated_ = true; }
  bool MaxPacketsReached();  // message when the limit is reached
  // Normalises a record header (ticks, captured and wire lengths) into
  // FrameHeader. A frame of more than kMaxFrameLength captured bytes keeps
  // its first kMaxFrameLength, its length on the wire staying what it was.
  void FakeFrame(int64_t ticks, uint32_t captured, uint32_t trueSize);
  // Reads a record's `captured` frame bytes into RawFrame: up to
  // kMaxFrameLength of them, skipping the rest. False when the record is
  // damaged: longer than kMaxRecordLength, or running past the end of the
  // data.
  bool ReadFrameBytes(uint32_t captured) {
    if (captured > kMaxRecordLength) return false;
    const uint32_t kept = std::min(captured, kMaxFrameLength);
    if (!File.ReadExact(RawFrame.data(), kept)) return false;
    return kept == captured || File.Skip(captured - kept);
  }
  // Hands the frame in FrameHeader/RawFrame, read from the record at
  // CurrentRecordPos, to the sink with its arrival time.
  void AddFrame(uint32_t seconds, uint32_t micro);
  void ReserveFrames(uint64_t n);
  // Skips the records before FirstFrame. `skipRecord` reads one record and
  // moves past it; it returns nullptr, or the message to fail with. False
  // (the file closed) when the file ends before the first frame.
  bool SkipToFirstFrame(const std::function<const char*()>& skipRecord);
  void StartProgress(uint64_t total);
  void Progress(uint64_t value);
  void EndProgress();

  // What a reader found in one record.
  enum class Record {
    Frame,      // a frame, read into FrameHeader/RawFrame (FakeFrame may wait for `add`)
    Skipped,    // a record without a frame, moved past
    End,        // the end of the frames (an end marker, padding)
    Truncated,  // a record cut short or damaged: the load ends, the frames before it stay
  };
  // The record loop every sequential reader shares, from the first frame to
  // the end of the data: `read()` reads the record at CurrentRecordPos and
  // says what it was; for a frame, after the MaxPackets check, `add()` hands
  // it on (its time, AddFrame). Progress follows the file position; the
  // load's progress ends with the loop.
  template <class ReadRecord, class AddRecord>
  void RecordLoop(ReadRecord read, AddRecord add) {
    for (;;) {
      CurrentRecordPos = File.Tell();
      if (File.Eof()) break;
      const Record r = read();
      if (r == Record::End) break;
      if (r == Record::Truncated) {
        EndTruncated();
        break;
      }
      if (r == Record::Frame) {
        if (MaxPacketsReached()) break;
        add();
      }
      Progress(File.Tell());
    }
    EndProgress();
  }
  // Local time of a UTC instant, with the zone offset in force then.
  uint32_t LocalSeconds(int64_t utc) {
    // Zone offsets change on quarter-hour boundaries: look each block up once.
    const int64_t block = utc >= 0 ? utc / 900 : (utc - 899) / 900;
    if (block != biasBlock_) LookUpBias(block, utc);
    return static_cast<uint32_t>(utc - 60 * int64_t{biasMinutes_});
  }

  // ---- the open file
  std::string FileName;
  CaptureFile File;
  CaptureFormat Format = CaptureFormat::None;
  bool PcapModified = false;
  bool PcapSwapped = false;
  bool PcapNano = false;  // pcap with nanosecond times
  bool FileOpen = false;
  uint32_t FrameCount = 0;     // frames handed to the sink by this load
  uint32_t SkippedFrames = 0;  // frames of a link type the sink does not take

  // ---- load-wide state
  double FirstFrameTicks = 0;  // seconds
  bool FirstFrameTicksSet = false;
  double TickMicroseconds = 1.0;
  double TimeBase = 0;         // milliseconds added to Netmon record times
  double CaptureDate = 25569;  // days since 1899-12-30
  double CaptureTime = 0;      // fraction of a day
  uint64_t CurrentRecordPos = 0;
  int64_t DayBase = 0;                       // pcap, 5View: midnight of the first frame, seconds
  uint32_t RecordHeaderBytes = 0;            // NetXRay: record header length of the file's version
  std::array<uint8_t, 18> SnifferVersion{};  // Sniffer: the version record as read
  PcapngLayout Pcapng;                       // pcapng: sections and interfaces
  unsigned LoadPercent = 0;
  uint64_t LoadStep = 1;

  // ---- the frame read last
  FrameHeaderRec FrameHeader;
  std::vector<uint8_t> RawFrame;  // kMaxFrameLength bytes; FrameHeader.Size valid

 private:
  void LookUpBias(int64_t block, int64_t utc);

  Notifier& notifier_;
  LoadOptions options_;
  FrameSink* sink_ = nullptr;
  LoadObserver* observer_ = nullptr;
  bool truncated_ = false;      // the load ended at a damaged record
  bool limitReached_ = false;   // the load ended at MaxPackets
  bool cutShort_ = false;       // the data ended before the file did
  bool frameCut_ = false;       // FrameHeader's frame was cut to kMaxFrameLength
  bool framesCut_ = false;      // a loaded frame was
  bool otherLinkType_ = false;  // an interface of a link type the sink does not take
  uint16_t linkType_ = kLinkTypeEthernet;
  bool linkBigEndian_ = false;
  int64_t biasBlock_ = INT64_MIN;
  int biasMinutes_ = 0;
};

}  // namespace kestle
