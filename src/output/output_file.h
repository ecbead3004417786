// A file written whole or not at all: the bytes go to a temporary file
// beside the target, which replaces the target only when every write, the
// flush to disk and the rename succeeded. Until then the target is
// untouched; a failed or abandoned file leaves nothing behind.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kestle {

// True when both names lead to the same existing file (links included).
bool SameFile(const std::string& a, const std::string& b);

class OutputFile {
 public:
  OutputFile() = default;
  ~OutputFile();  // discards the file unless it was committed
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // Creates the temporary file beside `target`. False when it cannot be.
  bool Create(const std::string& target);
  // Appends bytes. False, from the first failure on, when they could not
  // be written.
  bool Write(const void* data, size_t n);
  bool Write(const std::string& text) { return Write(text.data(), text.size()); }
  // Writes what is buffered, flushes the file to disk, closes it and
  // renames it to the target. False when any step failed; the temporary
  // file is then removed.
  bool Commit();
  // Removes the temporary file.
  void Discard();

  bool Failed() const { return failed_; }
  // The system's error number of the first failure (0: none).
  int Error() const { return error_; }
  const std::string& TempName() const { return temp_; }

 private:
  bool Flush();

  int fd_ = -1;
  bool failed_ = false;
  int error_ = 0;
  std::string target_;
  std::string temp_;
  std::vector<uint8_t> buf_;
};

}  // namespace kestle
