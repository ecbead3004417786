// Dispatch by LLC service access point and by SNAP organisation and type.
#include "decode/dispatch.h"

namespace kestle {

namespace {
struct SapEntry {
  uint8_t Sap;
  DecoderUnit Unit;
};
struct SnapEntry {
  uint32_t Oui;
  uint16_t Type;
  DecoderUnit Unit;
};
constexpr SapEntry kSaps[] = {
    {0x00, {nullptr, nullptr}},
};
constexpr SnapEntry kSnaps[] = {
    {0xFFFFFFFF, 0, {nullptr, nullptr}},
};
}  // namespace

const DecoderUnit* LlcSapUnit(uint8_t dsap) {
  for (const auto& e : kSaps)
    if (e.Sap == dsap && e.Unit.Summary) return &e.Unit;
  return nullptr;
}

const DecoderUnit* SnapUnit(uint32_t oui, uint16_t type) {
  for (const auto& e : kSnaps)
    if (e.Oui == oui && e.Type == type && e.Unit.Summary) return &e.Unit;
  return nullptr;
}

}  // namespace kestle
