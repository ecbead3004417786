// A profile-style INI file: "[Section]" lines followed by "Key=Value" lines.
// Section and key names compare without case; the first match wins; CR LF
// line ends are accepted; lines and sections the program does not know are
// kept as they are. Values are never quoted or escaped.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestle {

// An integer text: blanks around it, an optional sign, then decimal digits
// or hexadecimal ones after "0x", "0X" or "$"; at most 0xFFFFFFFF.
struct IntegerText {
  bool Negative = false;
  bool Hexadecimal = false;
  uint32_t Magnitude = 0;
};
std::optional<IntegerText> ScanIntegerText(std::string_view text);

class IniFile {
 public:
  // Reads the file; a missing file gives an empty document and false.
  bool Load(const std::string& path);
  void Parse(std::string_view text);
  // Writes to a temporary file beside the target and renames it over the
  // target, so a failed write never leaves a half-written file.
  bool Save(const std::string& path) const;
  std::string Text() const;

  std::optional<std::string> Get(std::string_view section, std::string_view key) const;
  std::string ReadString(std::string_view section, std::string_view key,
                         const std::string& def) const;
  // Decimal, or hexadecimal after "0x"/"0X"; anything else gives def.
  int64_t ReadInteger(std::string_view section, std::string_view key, int64_t def) const;
  bool ReadBool(std::string_view section, std::string_view key, bool def) const;

  void WriteString(std::string_view section, std::string_view key, std::string_view value);
  void WriteInteger(std::string_view section, std::string_view key, int64_t value);
  void EraseSection(std::string_view section);
  // Keys of a section in file order.
  std::vector<std::string> Keys(std::string_view section) const;

  // Parses an integer the way ReadInteger does: a signed 32-bit value,
  // hexadecimal texts taken as two's complement.
  static std::optional<int64_t> ParseInteger(std::string_view text);

 private:
  struct Line {
    std::string key;    // empty for a line that is not key=value
    std::string value;  // or the raw line
    bool isPair = false;
  };
  struct Section {
    std::string name;
    std::vector<Line> lines;
  };
  Section* Find(std::string_view name);
  const Section* Find(std::string_view name) const;
  std::vector<Line> preamble_;
  std::vector<Section> sections_;
};

}  // namespace kestle
