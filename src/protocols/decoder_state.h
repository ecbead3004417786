// State that decoders keep across the frames of one open capture (the TCP
// session table and the like). Owned by CaptureSession, emptied with it.
#pragma once

namespace kestle {

struct DecoderState {
  void Clear() {}
};

}  // namespace kestle
