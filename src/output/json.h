// The frame list and decode trees as JSON, for scripts: one document
//   {"file": ..., "format": ..., "frames": [ {frame}, ... ]}
// written frame by frame as the frames come (nothing is held back, so the
// memory used does not grow with the number of frames). Each frame holds the
// nine grid fields as typed values, and with a tree its lines as nested
// {"text", "offset", "length", "children"} objects.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <span>
#include <string>
#include <string_view>

namespace kestle {

class CaptureSession;
class DetailTree;

// `text` as a JSON string, quotes included. Texts taken from frames are not
// always UTF-8: a byte that does not start a well-formed UTF-8 sequence is
// written as U+FFFD, as the window shows it.
std::string JsonString(std::string_view text);

class JsonFrameWriter {
 public:
  JsonFrameWriter(std::ostream& out, const CaptureSession& s);
  // Ends the document when End() was not called.
  ~JsonFrameWriter();
  JsonFrameWriter(const JsonFrameWriter&) = delete;
  JsonFrameWriter& operator=(const JsonFrameWriter&) = delete;

  // Writes the frame's object; `tree` (when not null) becomes its "tree",
  // `bytes` (when not empty) its "bytes" as hex digits.
  void WriteFrame(uint32_t frame, const DetailTree* tree, std::span<const uint8_t> bytes);
  void End();

 private:
  std::ostream& out_;
  const CaptureSession& s_;
  bool first_ = true;
  bool ended_ = false;
};

}  // namespace kestle
