// Dispatch by port decoder code ("Decode As" of the port description table).
#include <array>

#include "decode/dispatch.h"
#include "protocols/ports.h"

namespace kestle {

namespace {
struct Entry {
  uint16_t Code;
  DecoderUnit Unit;
};
// Application decoders add their line here.
constexpr Entry kDecoders[] = {
    {DecodeDataOnly, {nullptr, nullptr}},
};
}  // namespace

const DecoderUnit* PortDecoderUnit(uint16_t code) {
  static const auto index = [] {
    std::array<const DecoderUnit*, kDecoderCount> a{};
    for (const auto& e : kDecoders)
      if (e.Code < kDecoderCount && e.Unit.Summary && !a[e.Code]) a[e.Code] = &e.Unit;
    return a;
  }();
  return code < kDecoderCount ? index[code] : nullptr;
}

}  // namespace kestle
