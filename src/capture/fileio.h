// Capture file access: every read of a capture file goes through CaptureFile.
// Plain files and gzip-compressed files are read alike when zlib is in use;
// zlib passes uncompressed files through unchanged.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace kestle {

// True when the linked zlib is recent enough to be trusted with untrusted
// input (1.2 or later). Older versions had exploitable inflate faults.
bool ZLibUsable();
// The rule behind ZLibUsable for a version text such as "1.2.13".
bool ZLibVersionAcceptable(const char* version);
// The version text the linked zlib reports.
std::string ZLibVersionText();

class CaptureFile {
 public:
  CaptureFile();
  ~CaptureFile();
  CaptureFile(const CaptureFile&) = delete;
  CaptureFile& operator=(const CaptureFile&) = delete;

  // Opens the file for reading; through zlib when useZLib is set and the
  // library is usable. Returns false when the file cannot be opened.
  bool Open(const std::string& name, bool useZLib);
  void Close();
  bool IsOpen() const { return open_; }
  bool Compressed() const { return gz_ != nullptr; }
  // True when the data are the file's own bytes, not gzip-compressed ones,
  // so that Size() is their exact size. Known once the first bytes are read.
  bool Plain() const;

  // Reads up to n bytes; returns how many were delivered (fewer only at the
  // end of the data or on an error).
  size_t Read(void* buf, size_t n);
  // Reads exactly n bytes; false when fewer were available.
  bool ReadExact(void* buf, size_t n) { return Read(buf, n) == n; }
  // Positions the stream at an absolute offset of the uncompressed data.
  bool Seek(uint64_t pos);
  // Skips n bytes forward; false when the data end before n bytes, the
  // stream then standing at their end.
  bool Skip(uint64_t n);
  uint64_t Tell() const { return pos_; }
  // True when no further byte can be read.
  bool Eof();
  // The size estimate taken at open: the file's size, times 4 for a name
  // ending in ".gz" (an estimate of the uncompressed size for progress).
  uint64_t Size() const { return FileSizeEstimate; }
  // True after an input error other than the end of the data.
  bool Failed() const { return failed_; }
  // The system's error number of the last open or input that failed (0:
  // none since the last Open).
  int Error() const { return error_; }
  // True when the data ended before the file's own end: a gzip stream cut
  // short or damaged, or an input error.
  bool CutShort() const { return failed_ || cutShort_; }

  uint64_t FileSizeEstimate = 0;

 private:
  bool Fill();
  size_t RawRead(uint8_t* buf, size_t n);
  bool RawSeek(uint64_t pos);

  bool open_ = false;
  bool failed_ = false;
  int error_ = 0;
  void* gz_ = nullptr;  // gzFile when reading through zlib
  int fd_ = -1;         // plain file otherwise
  std::vector<uint8_t> buf_;
  size_t bufPos_ = 0;       // next byte to deliver in buf_
  size_t bufLen_ = 0;       // valid bytes in buf_
  uint64_t pos_ = 0;        // stream position of the next byte delivered
  uint64_t rawPos_ = 0;     // stream position just after buf_
  bool rawEnd_ = false;     // the underlying stream reported its end
  bool cutShort_ = false;   // the gzip stream ended before its end mark
  uint64_t fileBytes_ = 0;  // the file's size on disk
};

}  // namespace kestle
