// Constant value-to-text tables of the decoders: the first entry with the
// code wins.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace kestle {

struct LookupTableRec {
  uint16_t Code;
  const char* Text;
};
struct LookupTableLongRec {
  uint32_t Code;
  const char* Text;
};
// The bits of one flags field: one line per entry (see AddFlagNodes).
struct FlagTabRec {
  uint32_t Mask;
  const char* SetText;    // "" = no line when set
  const char* ClearText;  // "" = no line when clear
};

std::string_view LookupCode(uint16_t code, std::span<const LookupTableRec> table,
                            std::string_view def);
std::string_view LookupLongCode(uint32_t code, std::span<const LookupTableLongRec> table,
                                std::string_view def);

}  // namespace kestle
