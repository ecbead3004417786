// The summary pass: every frame is decoded once while the file loads to
// fill its frame table entry (Description, protocol stack, stations, ports).
#pragma once

#include <cstdint>

namespace kestle {

class CaptureSession;
class DecodeContext;

// Fills entry FrameCount of the frame table from FrameHeader/RawFrame.
void ProcessFrame(CaptureSession& s, DecodeContext& c);

// Colour of a grid row's text: the innermost coloured protocol of the
// frame's stack, 0 (black) when none or when ColourGrid is off.
uint32_t GetProtocolColour(const CaptureSession& s, uint32_t frame);

}  // namespace kestle
