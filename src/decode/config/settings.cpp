#include "decode/config/settings.h"

#include <algorithm>
#include <cctype>

#include "decode/config/ini.h"

namespace kestle {

namespace {
constexpr std::string_view kOptions = "Options";

uint32_t ClampMaxPackets(int64_t v) {
  uint32_t u = static_cast<uint32_t>(v);
  if (u == 0) u = 1;
  if (u == 0xFFFFFFFFu) u = 0xFFFFFFFEu;
  return u;
}
}  // namespace

std::string ValidColumnSel(std::string_view text) {
  if (text.size() > 9) return "ABCDEFGH";
  for (char ch : text)
    if (ch < 'A' || ch > 'I') return "ABCDEFGH";
  // An empty value would leave the grid without columns.
  if (text.empty()) return "ABCDEFGIH";
  return std::string(text);
}

void Settings::Validate() {
  if (TimeFormat > 2) TimeFormat = 0;
  if (MaxPackets == 0) MaxPackets = 1;
  if (MaxPackets == 0xFFFFFFFFu) MaxPackets = 0xFFFFFFFEu;
  if (FirstFrame < 1) FirstFrame = 1;
  ColumnSel = ValidColumnSel(ColumnSel);
}

void Settings::Load(const IniFile& ini) {
  const Settings d;
  AutoExpand = ini.ReadBool(kOptions, "AutoExpand", d.AutoExpand);
  DisplayLength = ini.ReadBool(kOptions, "DisplayLength", d.DisplayLength);
  TimeFormat = static_cast<uint16_t>(ini.ReadInteger(kOptions, "TimeFormat", d.TimeFormat));
  MaxPackets = ClampMaxPackets(ini.ReadInteger(kOptions, "MaxPackets", d.MaxPackets));
  FirstFrame = static_cast<int32_t>(ini.ReadInteger(kOptions, "FirstFrame", d.FirstFrame));
  DecodeTosAsDSCP = ini.ReadBool(kOptions, "DecodeTosAsDSCP", d.DecodeTosAsDSCP);
  ShowSNMPOIDNumber = ini.ReadBool(kOptions, "ShowSNMPOIDNumber", d.ShowSNMPOIDNumber);
  ColourGrid = ini.ReadBool(kOptions, "ColourGrid", d.ColourGrid);
  BuildTCPSessions = ini.ReadBool(kOptions, "BuildTCPSessions", d.BuildTCPSessions);
  MaxTCPSessions =
      static_cast<uint16_t>(ini.ReadInteger(kOptions, "MaxTCPSessions", d.MaxTCPSessions));
  ShowToolBar = ini.ReadBool(kOptions, "ShowToolBar", d.ShowToolBar);
  ShowStatusbar = ini.ReadBool(kOptions, "ShowStatusbar", d.ShowStatusbar);
  NodeSeriesType =
      static_cast<uint16_t>(ini.ReadInteger(kOptions, "NodeSeriesType", d.NodeSeriesType));
  LookupHostNames = ini.ReadBool(kOptions, "LookupHostNames", d.LookupHostNames);
  UseZLib = ini.ReadBool(kOptions, "UseZLib", d.UseZLib);
  ColumnSel = ini.ReadString(kOptions, "ColumnSel", d.ColumnSel);
  Validate();
}

void Settings::Save(IniFile& ini) const {
  ini.WriteInteger(kOptions, "AutoExpand", AutoExpand);
  ini.WriteInteger(kOptions, "DisplayLength", DisplayLength);
  ini.WriteInteger(kOptions, "TimeFormat", TimeFormat);
  ini.WriteInteger(kOptions, "DecodeTosAsDSCP", DecodeTosAsDSCP);
  ini.WriteInteger(kOptions, "ShowSNMPOIDNumber", ShowSNMPOIDNumber);
  ini.WriteInteger(kOptions, "ColourGrid", ColourGrid);
  ini.WriteInteger(kOptions, "BuildTCPSessions", BuildTCPSessions);
  ini.WriteInteger(kOptions, "MaxTCPSessions", MaxTCPSessions);
  ini.WriteInteger(kOptions, "MaxPackets", static_cast<int32_t>(MaxPackets));
  ini.WriteInteger(kOptions, "FirstFrame", FirstFrame);
  ini.WriteString(kOptions, "ColumnSel", ColumnSel);
  ini.WriteInteger(kOptions, "LookupHostNames", LookupHostNames);
  ini.WriteInteger(kOptions, "ShowToolBar", ShowToolBar);
  ini.WriteInteger(kOptions, "ShowStatusbar", ShowStatusbar);
  ini.WriteInteger(kOptions, "NodeSeriesType", NodeSeriesType);
}

bool Settings::Set(std::string_view key, std::string_view value) {
  static constexpr std::string_view kKeys[] = {
      "AutoExpand",       "DisplayLength",   "TimeFormat",        "MaxPackets",
      "FirstFrame",       "DecodeTosAsDSCP", "ShowSNMPOIDNumber", "ColourGrid",
      "BuildTCPSessions", "MaxTCPSessions",  "ShowToolBar",       "ShowStatusbar",
      "NodeSeriesType",   "LookupHostNames", "UseZLib",           "ColumnSel"};
  bool known = false;
  std::string canonical;
  for (auto k : kKeys) {
    if (k.size() != key.size()) continue;
    bool eq = true;
    for (size_t i = 0; i < k.size(); ++i)
      if (std::tolower(static_cast<unsigned char>(k[i])) !=
          std::tolower(static_cast<unsigned char>(key[i])))
        eq = false;
    if (eq) {
      known = true;
      canonical = std::string(k);
    }
  }
  if (!known) return false;
  // Re-read every key from a file holding the current values plus this one.
  IniFile all;
  Save(all);
  all.WriteInteger(kOptions, "UseZLib", UseZLib);
  all.WriteString(kOptions, canonical, value);
  Load(all);
  return true;
}

void RecentFiles::Add(const std::string& path) {
  if (std::find(files_.begin(), files_.end(), path) != files_.end()) return;
  if (files_.size() >= kMax) files_.erase(files_.begin());
  files_.push_back(path);
}

void RecentFiles::Load(const IniFile& ini) {
  files_.clear();
  for (int i = 1; i <= static_cast<int>(kMax); ++i) {
    std::string v = ini.ReadString("Files", "File" + std::to_string(i), "");
    if (!v.empty()) files_.push_back(v);
  }
}

void RecentFiles::Save(IniFile& ini) const {
  ini.EraseSection("Files");
  for (size_t i = 0; i < files_.size(); ++i)
    ini.WriteString("Files", "File" + std::to_string(i + 1), files_[i]);
}

}  // namespace kestle
