// The user's preferences (section Options of the settings file) and the
// RecentFiles list (section Files).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kestle {

class IniFile;

struct Settings {
  bool AutoExpand = false;
  bool DisplayLength = true;
  uint16_t TimeFormat = 0;
  uint32_t MaxPackets = 512000;
  int32_t FirstFrame = 1;
  bool DecodeTosAsDSCP = true;
  bool ShowSNMPOIDNumber = false;
  bool ColourGrid = true;
  bool BuildTCPSessions = true;
  uint16_t MaxTCPSessions = 5000;
  bool ShowToolBar = true;
  bool ShowStatusbar = true;
  uint16_t NodeSeriesType = 1;
  bool LookupHostNames = false;
  bool UseZLib = true;
  std::string ColumnSel = "ABCDEFGIH";

  // Reads the Options keys with their validation rules. Unknown keys and
  // malformed values give the defaults.
  void Load(const IniFile& ini);
  // Writes the Options keys (UseZLib is read only and never written).
  void Save(IniFile& ini) const;

  // Sets one Options key from its text form, as read from the file.
  // Returns false for an unknown key.
  bool Set(std::string_view key, std::string_view value);

  // Applies the validation rules of the settings file to every field.
  void Validate();
};

// The ColumnSel rule: letters A..I only, at most nine; otherwise "ABCDEFGH".
std::string ValidColumnSel(std::string_view text);

// Up to 8 recently opened files, oldest first.
class RecentFiles {
 public:
  static constexpr size_t kMax = 8;
  void Add(const std::string& path);
  const std::vector<std::string>& Files() const { return files_; }
  void Load(const IniFile& ini);
  void Save(IniFile& ini) const;

 private:
  std::vector<std::string> files_;
};

}  // namespace kestle
