// The summary pass: every frame is decoded once while the file loads to
// fill its frame table entry (Description, protocol stack, stations, ports).
#pragma once

#include <cstdint>

namespace kestle {

class CaptureSession;
class DecodeContext;
struct CapturedFrame;

// Fills entry FrameCount of the frame table from a frame as the capture
// input hands it on, decoding it with `c`.
void ProcessFrame(CaptureSession& s, DecodeContext& c, const CapturedFrame& f);

// Colour of a grid row's text: the innermost coloured protocol of the
// frame's stack, 0 (black) when none or when ColourGrid is off.
uint32_t GetProtocolColour(const CaptureSession& s, uint32_t frame);

}  // namespace kestle
