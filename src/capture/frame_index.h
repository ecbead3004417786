// A sink that decodes nothing: what the capture itself says of each frame.
// Reading a capture into it costs only the reading, so saving frames, file
// information and benchmarks can load a capture without decoding it.
#pragma once

#include <cstdint>
#include <vector>

#include "capture/input.h"

namespace kestle {

struct FrameIndexRec {
  uint64_t RecordPos = 0;  // file offset of the frame's record
  double RelTime = 0;      // seconds since the first frame
  uint32_t Seconds = 0;    // arrival, whole seconds since 1970-01-01 local time
  uint32_t Micro = 0;      // microseconds within that second
  uint32_t CapLen = 0;     // captured bytes kept
  uint32_t TrueLen = 0;    // length on the wire
};

class FrameIndex final : public FrameSink {
 public:
  void Reserve(uint64_t n) override { frames_.reserve(n); }
  void AddFrame(const CapturedFrame& f) override {
    const FrameHeaderRec& h = f.Header;
    frames_.push_back({f.RecordPos, f.RelTime, f.Seconds, f.Micro, h.Size,
                       h.TrueSize != 0 ? h.TrueSize : h.Size});
    CapturedBytes += h.Size;
  }

  uint32_t Count() const { return static_cast<uint32_t>(frames_.size()); }
  // Frame n, 1..Count().
  const FrameIndexRec& operator[](uint32_t n) const { return frames_[n - 1]; }
  void Clear() {
    frames_.clear();
    CapturedBytes = 0;
  }

  uint64_t CapturedBytes = 0;  // captured bytes of all frames

 private:
  std::vector<FrameIndexRec> frames_;
};

}  // namespace kestle
