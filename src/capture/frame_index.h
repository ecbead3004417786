// A sink that decodes nothing: what the capture itself says of each frame.
// Reading a capture into it costs only the reading, so saving frames, file
// information and benchmarks can load a capture without decoding it.
#pragma once

#include <cstdint>
#include <vector>

#include "capture/input.h"

namespace kestle {

static_assert(kMaxFrameLength <= 0xFFFF, "FrameIndexRec::CapLen holds a kept frame's length");

struct FrameIndexRec {
  uint64_t RecordPos = 0;  // file offset of the frame's record
  double RelTime = 0;      // seconds since the first frame
  uint32_t Seconds = 0;    // arrival, whole seconds since 1970-01-01 local time
  uint32_t Micro = 0;      // microseconds within that second
  uint16_t CapLen = 0;     // captured bytes kept
  uint16_t LinkType = kLinkTypeEthernet;
  uint32_t TrueLen = 0;  // length on the wire
};
static_assert(sizeof(FrameIndexRec) <= 32, "an index of a million frames stays small");

class FrameIndex final : public FrameSink {
 public:
  // The link types it takes: those `takes` accepts (the decoder's, for a
  // load that must take what a decoding load takes), Ethernet without it.
  explicit FrameIndex(bool (*takes)(uint16_t linkType) = nullptr) : takes_(takes) {}

  void Reserve(uint64_t n) override { frames_.reserve(n); }
  bool TakesLinkType(uint16_t linkType) const override {
    return takes_ ? takes_(linkType) : FrameSink::TakesLinkType(linkType);
  }
  void AddFrame(const CapturedFrame& f) override {
    const FrameHeaderRec& h = f.Header;
    frames_.push_back({f.RecordPos, f.RelTime, f.Seconds, f.Micro, static_cast<uint16_t>(h.Size),
                       h.LinkType, h.TrueSize != 0 ? h.TrueSize : h.Size});
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
  bool (*takes_)(uint16_t) = nullptr;
  std::vector<FrameIndexRec> frames_;
};

}  // namespace kestle
