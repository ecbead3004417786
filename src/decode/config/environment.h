// What the program sets up once at start-up and every open capture reads:
// the settings, the protocol and port tables, the MAC vendor list, the SNMP
// object names and the locale's number and date conventions. Read-only while a file loads.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "decode/config/port_table.h"
#include "decode/config/settings.h"
#include "decode/config/snmp_names.h"
#include "decode/registry.h"

namespace kestle {

class IniFile;

struct LocaleInfo {
  std::string ThousandsSep = ",";
  std::string DecimalSep = ".";
  std::array<std::string, 7> ShortDayNames = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  std::array<std::string, 12> ShortMonthNames = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                 "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  std::array<std::string, 7> LongDayNames = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                             "Thursday", "Friday", "Saturday"};
  std::array<std::string, 12> LongMonthNames = {"January",   "February", "March",    "April",
                                                "May",       "June",     "July",     "August",
                                                "September", "October",  "November", "December"};
};

// Lines of the MAC vendor file: six upper-case hex digits, then the name.
class MacVendorList {
 public:
  bool Load(const std::string& path);
  void AddLine(const std::string& line);
  bool Empty() const { return lines_.empty(); }
  // The vendor text (at most 100 characters) of the first line whose code
  // matches the first three bytes, or nullptr.
  const std::string* Find(const uint8_t mac[3]) const;
  size_t Size() const { return lines_.size(); }

 private:
  std::vector<std::string> lines_;
  std::unordered_map<uint32_t, uint32_t> index_;  // OUI -> first line
};

struct Environment {
  Settings settings;
  RecentFiles recent;
  PortTable Ports;
  ProtocolTable Protocols;
  MacVendorList Vendors;
  SnmpNameTree SnmpNames;
  LocaleInfo Locale;

  // Defaults: built-in ports, the protocol table with default colours.
  Environment();
  // Start-up from a settings file: Options, Files, Ports (built-in when the
  // file has none), then the protocol table and its colours.
  void Load(const IniFile& ini);
  void Save(IniFile& ini) const;
};

}  // namespace kestle
