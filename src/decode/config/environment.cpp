#include "decode/config/environment.h"

#include <fstream>

#include "decode/config/ini.h"

namespace kestle {

namespace {
int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}
}  // namespace

void MacVendorList::AddLine(const std::string& raw) {
  std::string line = raw;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  if (line.size() < 6) return;
  uint32_t code = 0;
  for (int i = 0; i < 6; ++i) {
    int d = HexDigit(line[i]);
    if (d < 0) return;
    code = (code << 4) | static_cast<uint32_t>(d);
  }
  std::string name = line.substr(6, 100);
  lines_.push_back(std::move(name));
  index_.emplace(code, static_cast<uint32_t>(lines_.size() - 1));
}

bool MacVendorList::Load(const std::string& path) {
  lines_.clear();
  index_.clear();
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::string line;
  while (std::getline(in, line)) AddLine(line);
  return true;
}

const std::string* MacVendorList::Find(const uint8_t mac[3]) const {
  const uint32_t code = (uint32_t{mac[0]} << 16) | (uint32_t{mac[1]} << 8) | mac[2];
  auto it = index_.find(code);
  return it == index_.end() ? nullptr : &lines_[it->second];
}

Environment::Environment() {
  Ports.LoadBuiltIn();
  Protocols.Build(&Ports);
  Protocols.ApplyDefaultColours();
}

void Environment::Load(const IniFile& ini) {
  settings.Load(ini);
  recent.Load(ini);
  if (!Ports.Load(ini)) Ports.LoadBuiltIn();
  Protocols.Build(&Ports);
  Protocols.LoadColours(ini);
}

void Environment::Save(IniFile& ini) const {
  settings.Save(ini);
  Protocols.SaveColours(ini);
  recent.Save(ini);
  if (Ports.PortsChanged) Ports.Save(ini);
}

}  // namespace kestle
