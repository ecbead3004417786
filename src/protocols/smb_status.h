// NT status codes and their symbolic names, for the SMB header.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "decode/lookup.h"

namespace kestle {

// In order of value (a test checks).
std::span<const LookupTableLongRec> NtStatusTable();
// The name of the status, "" when the table does not hold it.
std::string_view NtStatusName(uint32_t code);

}  // namespace kestle
