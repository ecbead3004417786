// One open capture as the program shows it: the capture input (the file,
// its format, the frame read last), the frame table filled by the summary
// pass with its view order and Descriptions, and the registries that pass
// fills.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "capture/input.h"
#include "decode/decoder_state.h"
#include "decode/frame_table.h"
#include "decode/registry.h"
#include "decode/stringpool.h"

namespace kestle {

struct Environment;

class CaptureSession {
 public:
  CaptureSession(const Environment& env, Notifier& notifier);
  ~CaptureSession();
  CaptureSession(const CaptureSession&) = delete;
  CaptureSession& operator=(const CaptureSession&) = delete;

  // Opens, detects and loads a capture with the load settings of the
  // environment, decoding every frame for its summary. True when frames
  // were loaded (the file then stays open for re-reading frames).
  bool OpenSnifferFile(const std::string& name, LoadObserver* observer = nullptr);
  // Closes the file and empties every table.
  void Close();

  // Reads frame n (1..FrameCount) again and returns its captured length;
  // its bytes are then Input.FrameBytes(). 0, with no frame held, when n is
  // no frame, and 0 and a message when the record cannot be read or no
  // longer matches the frame table.
  uint32_t ReadFrame(uint32_t n);

  std::string_view Description(uint32_t frame) const {
    return frame >= 1 && frame <= FrameCount ? Descriptions.Get(FrameTable[frame].Description)
                                             : std::string_view{};
  }
  bool FileOpen() const { return Input.FileOpen; }
  const std::string& FileName() const { return Input.FileName; }
  CaptureFormat Format() const { return Input.Format; }

  const Environment& Env;
  CaptureInput Input;

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

 private:
  class SummarySink;
  void ResetTables();
};

// The load settings of the environment.
LoadOptions LoadOptionsOf(const Environment& env);

}  // namespace kestle
