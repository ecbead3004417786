// Which frames Save As and Print write: the selected frame, the tagged
// frames, every shown frame, or a range of frame numbers, with the range
// boxes' checks.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kestle {

class CaptureSession;

enum class FrameChoice { Selected, Tagged, All, Range };

namespace rangemsg {
inline constexpr const char* kNonNumeric = "Non numeric print range";
inline constexpr const char* kInvalidFrameRange = "Invalid frame range";  // Save As
inline constexpr const char* kInvalidPrintRange = "Invalid print range";  // Print
}  // namespace rangemsg

// Frame numbers 1..FrameCount (Last may lie beyond the loaded frames).
struct FrameRange {
  uint32_t First = 0;
  uint32_t Last = 0;
};

// Reads the two range boxes, which show the numbers of the No. column, as
// frame numbers. Returns nullptr, or the message to show: kNonNumeric when
// a box holds no integer, `invalidMessage` unless 1 <= first <= last.
const char* ParseFrameRange(std::string_view firstBox, std::string_view lastBox,
                            int64_t firstFrameSetting, const char* invalidMessage,
                            FrameRange& range);

// The frames a choice writes, in display order: the selected frame (shown
// or not), or the shown rows that are tagged, all of them, or within the
// range.
std::vector<uint32_t> ChosenFrames(const CaptureSession& s, FrameChoice choice,
                                   FrameRange range = {});

// The range boxes' first texts: the numbers of the first and last loaded
// frame as the No. column shows them.
std::string RangeBoxFirst(const CaptureSession& s);
std::string RangeBoxLast(const CaptureSession& s);

}  // namespace kestle
