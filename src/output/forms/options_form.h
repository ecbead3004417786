// The rules of the Options dialog that need no window: the order of the
// column list and the checks made when OK is pressed.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "decode/config/settings.h"

namespace kestle {

struct ColumnListEntry {
  char Letter;
  bool Checked;
};

// The nine entries of the column list for a ColumnSel value: shown columns
// in their shown order, hidden columns in their alphabetical slots.
// ("CA" gives C, B, A, D, E, F, G, H, I with C and A checked.)
std::vector<ColumnListEntry> FillColumnList(std::string_view columnSel);
// The checked letters in list order.
std::string ColumnSelFromList(const std::vector<ColumnListEntry>& list);
// Long name of a column letter as the Options dialog shows it.
std::string_view ColumnLongName(char letter);

// An integer typed into a dialog field: optional sign, decimal digits, or
// hexadecimal after "$", "0x" or "0X"; blanks around it are ignored.
std::optional<int64_t> ParseDialogInteger(std::string_view text);

// What the Options dialog holds when OK is pressed.
struct OptionsForm {
  std::vector<ColumnListEntry> Columns;
  bool AutoExpand = false;
  bool ColourGrid = true;
  bool LookupHostNames = false;
  bool DisplayLength = true;
  int TimeFormat = 0;
  std::string MaxPackets;
  std::string FirstFrame;
  bool DecodeTosAsDSCP = true;
  bool ShowSNMPOIDNumber = false;
  bool BuildTCPSessions = true;
  std::string MaxSessions;
};

// The form showing the current settings.
OptionsForm FormFromSettings(const Settings& s);

inline constexpr const char* kNoColumnMessage = "At least one column must be selected";
// "'%s' is not a valid integer value" with the text.
std::string NotIntegerMessage(std::string_view text);

// Checks the whole form and, only when every field is valid, stores it in
// `s` and returns an empty text; otherwise returns the message to show and
// leaves `s` unchanged (so Cancel afterwards really changes nothing).
std::string ApplyOptionsForm(const OptionsForm& form, Settings& s);

}  // namespace kestle
