// The rules of the port description dialogs: the grid texts, the checks of
// the edit dialog and where a new entry goes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "decode/config/port_table.h"

namespace kestle {

// "UDP", "TCP" or "Both".
std::string_view PortTypeName(uint8_t type);
// Decoder codes in the alphabetical order of their names.
std::vector<uint16_t> DecoderCodesByName();

namespace portmsg {
inline constexpr const char* kNotNumeric = "Port number is not numeric";
inline constexpr const char* kOutOfRange = "Port number must be between 1 and 65535";
inline constexpr const char* kExists = "Port number already exists";
inline constexpr const char* kBlank = "Description cannot be blank";
inline constexpr const char* kComma = "Description cannot contain a comma";
}  // namespace portmsg

struct PortEditCheck {
  std::string Message;     // empty when the input is valid
  bool PortField = false;  // the port field is at fault (focus goes there)
  uint16_t Port = 0;
};

// Checks the edit dialog's input. In add mode the port must not be in
// `entries` already (whatever its type). Ports outside 1..65535 are
// refused: a larger number would wrap to another port, and 0 is dropped
// when the settings file is read again.
PortEditCheck CheckPortEdit(const std::vector<WellKnownRec>& entries, bool addMode,
                            std::string_view portText, std::string_view description);

// Inserts the entry so that a table sorted by port stays sorted: before the
// first entry with a larger port, else at the end. Returns its index.
size_t InsertPortSorted(std::vector<WellKnownRec>& entries, WellKnownRec entry);

}  // namespace kestle
