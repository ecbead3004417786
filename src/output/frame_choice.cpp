#include "output/frame_choice.h"

#include <algorithm>
#include <cstdint>

#include "decode/config/environment.h"
#include "decode/session.h"
#include "output/forms/options_form.h"

namespace kestle {

const char* ParseFrameRange(std::string_view firstBox, std::string_view lastBox,
                            int64_t firstFrameSetting, const char* invalidMessage,
                            FrameRange& range) {
  const auto a = ParseDialogInteger(firstBox);
  const auto b = ParseDialogInteger(lastBox);
  // The boxes hold 32-bit integers.
  auto fits = [](const std::optional<int64_t>& v) {
    return v && *v >= INT32_MIN && *v <= INT32_MAX;
  };
  if (!fits(a) || !fits(b)) return rangemsg::kNonNumeric;
  const int64_t first = *a - firstFrameSetting + 1;
  const int64_t last = *b - firstFrameSetting + 1;
  if (first < 1 || first > last) return invalidMessage;
  range.First = static_cast<uint32_t>(first);
  range.Last = static_cast<uint32_t>(std::min<int64_t>(last, UINT32_MAX));
  return nullptr;
}

std::vector<uint32_t> ChosenFrames(const CaptureSession& s, FrameChoice choice, FrameRange range) {
  std::vector<uint32_t> frames;
  if (choice == FrameChoice::Selected) {
    if (s.SelectedFrame >= 1 && s.SelectedFrame <= s.FrameCount) frames.push_back(s.SelectedFrame);
    return frames;
  }
  for (uint32_t row = 1; row <= s.VisibleCount && row < s.FrameOrder.size(); ++row) {
    const uint32_t f = s.FrameOrder[row];
    if (f < 1 || f > s.FrameCount) continue;
    if (choice == FrameChoice::Range && (f < range.First || f > range.Last)) continue;
    if (choice == FrameChoice::Tagged && !s.FrameTable[f].Tagged) continue;
    frames.push_back(f);
  }
  return frames;
}

std::string RangeBoxFirst(const CaptureSession& s) {
  return std::to_string(ShownFrameNumber(s.Env.settings, 1));
}

std::string RangeBoxLast(const CaptureSession& s) {
  return std::to_string(ShownFrameNumber(s.Env.settings, s.FrameCount));
}

}  // namespace kestle
