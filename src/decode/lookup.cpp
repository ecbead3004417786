#include "decode/lookup.h"

namespace kestle {

std::string_view LookupCode(uint16_t code, std::span<const LookupTableRec> table,
                            std::string_view def) {
  for (const auto& e : table)
    if (e.Code == code) return e.Text;
  return def;
}

std::string_view LookupLongCode(uint32_t code, std::span<const LookupTableLongRec> table,
                                std::string_view def) {
  for (const auto& e : table)
    if (e.Code == code) return e.Text;
  return def;
}

}  // namespace kestle
