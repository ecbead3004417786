#include "output/forms/options_form.h"

#include <algorithm>

#include "decode/config/ini.h"

namespace kestle {

namespace {
constexpr std::string_view kLongNames[9] = {"Frame Number",     "Capture Time", "Frame Length",
                                            "Source Node",      "Source Port",  "Destination Node",
                                            "Destination Port", "Description",  "Protocol"};
}  // namespace

std::string_view ColumnLongName(char letter) {
  return letter >= 'A' && letter <= 'I' ? kLongNames[letter - 'A'] : std::string_view{};
}

std::vector<ColumnListEntry> FillColumnList(std::string_view w) {
  std::vector<ColumnListEntry> list;
  size_t cursor = 0;
  for (char letter = 'A'; letter <= 'I'; ++letter) {
    char shown = letter;
    if (w.find(letter) != std::string_view::npos && cursor < w.size()) shown = w[cursor++];
    list.push_back({shown, w.find(shown) != std::string_view::npos});
  }
  return list;
}

std::string ColumnSelFromList(const std::vector<ColumnListEntry>& list) {
  std::string out;
  for (const auto& e : list)
    if (e.Checked) out += e.Letter;
  return out;
}

std::optional<int64_t> ParseDialogInteger(std::string_view t) {
  const auto r = ScanIntegerText(t);
  if (!r) return std::nullopt;
  return r->Negative ? -int64_t{r->Magnitude} : int64_t{r->Magnitude};
}

OptionsForm FormFromSettings(const Settings& s) {
  OptionsForm f;
  f.Columns = FillColumnList(s.ColumnSel);
  f.AutoExpand = s.AutoExpand;
  f.ColourGrid = s.ColourGrid;
  f.LookupHostNames = s.LookupHostNames;
  f.DisplayLength = s.DisplayLength;
  f.TimeFormat = s.TimeFormat;
  f.MaxPackets = std::to_string(s.MaxPackets);
  f.FirstFrame = std::to_string(s.FirstFrame);
  f.DecodeTosAsDSCP = s.DecodeTosAsDSCP;
  f.ShowSNMPOIDNumber = s.ShowSNMPOIDNumber;
  f.BuildTCPSessions = s.BuildTCPSessions;
  f.MaxSessions = std::to_string(s.MaxTCPSessions);
  return f;
}

std::string NotIntegerMessage(std::string_view text) {
  return "'" + std::string(text) + "' is not a valid integer value";
}

std::string ApplyOptionsForm(const OptionsForm& f, Settings& s) {
  const std::string columns = ColumnSelFromList(f.Columns);
  if (columns.empty()) return kNoColumnMessage;

  // Maximum Frames: 0..4294967295 (a negative number counts from the top,
  // as the settings file stores it); 0 becomes 1, the largest value one less.
  auto maxPackets = ParseDialogInteger(f.MaxPackets);
  if (!maxPackets || *maxPackets < -2147483648LL) return NotIntegerMessage(f.MaxPackets);
  uint32_t mp = static_cast<uint32_t>(*maxPackets);
  if (mp == 0) mp = 1;
  if (mp == 0xFFFFFFFFu) mp = 0xFFFFFFFEu;

  // First Frame: frame numbers start at 1.
  auto firstFrame = ParseDialogInteger(f.FirstFrame);
  if (!firstFrame || *firstFrame > 0x7FFFFFFF || *firstFrame < -2147483648LL)
    return NotIntegerMessage(f.FirstFrame);
  const int32_t ff = *firstFrame < 1 ? 1 : static_cast<int32_t>(*firstFrame);

  // Max Sessions: not a number gives 5000 without a message; kept in 16 bits.
  auto sessions = ParseDialogInteger(f.MaxSessions);
  const int64_t ms = sessions ? std::clamp<int64_t>(*sessions, 0, 65535) : 5000;

  s.ColumnSel = columns;
  s.AutoExpand = f.AutoExpand;
  s.DisplayLength = f.DisplayLength;
  s.TimeFormat = static_cast<uint16_t>(f.TimeFormat >= 0 && f.TimeFormat <= 2 ? f.TimeFormat : 0);
  s.MaxPackets = mp;
  s.FirstFrame = ff;
  s.DecodeTosAsDSCP = f.DecodeTosAsDSCP;
  s.ShowSNMPOIDNumber = f.ShowSNMPOIDNumber;
  s.ColourGrid = f.ColourGrid;
  s.BuildTCPSessions = f.BuildTCPSessions;
  s.MaxTCPSessions = static_cast<uint16_t>(ms);
  s.LookupHostNames = f.LookupHostNames;
  return {};
}

}  // namespace kestle
