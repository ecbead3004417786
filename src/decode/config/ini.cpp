#include "decode/config/ini.h"

#include <fcntl.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace kestle {

namespace {

bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
    s.remove_suffix(1);
  return s;
}

}  // namespace

bool IniFile::Load(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    Parse("");
    return false;
  }
  std::stringstream ss;
  ss << in.rdbuf();
  Parse(ss.str());
  return true;
}

void IniFile::Parse(std::string_view text) {
  preamble_.clear();
  sections_.clear();
  std::vector<Line>* cur = &preamble_;
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);  // UTF-8 byte order mark
  size_t pos = 0;
  while (pos < text.size()) {
    size_t nl = text.find('\n', pos);
    std::string_view raw = text.substr(pos, nl == std::string_view::npos ? text.npos : nl - pos);
    pos = nl == std::string_view::npos ? text.size() : nl + 1;
    if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
    std::string_view t = Trim(raw);
    if (t.size() >= 2 && t.front() == '[') {
      size_t close = t.find(']');
      if (close != std::string_view::npos) {
        sections_.push_back({std::string(Trim(t.substr(1, close - 1))), {}});
        cur = &sections_.back().lines;
        continue;
      }
    }
    size_t eq = t.find('=');
    if (eq != std::string_view::npos && eq > 0 && t.front() != ';') {
      cur->push_back(
          {std::string(Trim(t.substr(0, eq))), std::string(Trim(t.substr(eq + 1))), true});
    } else {
      cur->push_back({"", std::string(raw), false});
    }
  }
}

std::string IniFile::Text() const {
  std::string out;
  auto emit = [&out](const std::vector<Line>& lines) {
    for (const auto& l : lines) {
      if (l.isPair)
        out += l.key + "=" + l.value;
      else
        out += l.value;
      out += "\r\n";
    }
  };
  emit(preamble_);
  for (const auto& s : sections_) {
    out += "[" + s.name + "]\r\n";
    emit(s.lines);
  }
  return out;
}

bool IniFile::Save(const std::string& path) const {
  const std::string tmp = path + ".tmp";
  {
    const int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    const std::string text = Text();
    size_t done = 0;
    bool ok = true;
    while (ok && done < text.size()) {
      const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0)
        ok = false;
      else
        done += static_cast<size_t>(n);
    }
    // The data must be on disk before the rename makes it the settings file.
    if (ok && ::fsync(fd) != 0) ok = false;
    if (::close(fd) != 0) ok = false;
    if (!ok) {
      std::remove(tmp.c_str());
      return false;
    }
  }
  if (std::rename(tmp.c_str(), path.c_str()) != 0) {
    std::remove(tmp.c_str());
    return false;
  }
  return true;
}

IniFile::Section* IniFile::Find(std::string_view name) {
  for (auto& s : sections_)
    if (EqualNoCase(s.name, name)) return &s;
  return nullptr;
}

const IniFile::Section* IniFile::Find(std::string_view name) const {
  for (const auto& s : sections_)
    if (EqualNoCase(s.name, name)) return &s;
  return nullptr;
}

std::optional<std::string> IniFile::Get(std::string_view section, std::string_view key) const {
  if (const Section* s = Find(section))
    for (const auto& l : s->lines)
      if (l.isPair && EqualNoCase(l.key, key)) return l.value;
  return std::nullopt;
}

std::string IniFile::ReadString(std::string_view section, std::string_view key,
                                const std::string& def) const {
  auto v = Get(section, key);
  return v ? *v : def;
}

std::optional<IntegerText> ScanIntegerText(std::string_view t) {
  t = Trim(t);
  IntegerText r;
  if (!t.empty() && (t.front() == '-' || t.front() == '+')) {
    r.Negative = t.front() == '-';
    t.remove_prefix(1);
  }
  if (t.size() > 2 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X')) {
    r.Hexadecimal = true;
    t.remove_prefix(2);
  } else if (t.size() > 1 && t[0] == '$') {
    r.Hexadecimal = true;
    t.remove_prefix(1);
  }
  if (t.empty()) return std::nullopt;
  const int base = r.Hexadecimal ? 16 : 10;
  uint64_t v = 0;
  for (char ch : t) {
    int d;
    if (ch >= '0' && ch <= '9')
      d = ch - '0';
    else if (base == 16 && ch >= 'a' && ch <= 'f')
      d = ch - 'a' + 10;
    else if (base == 16 && ch >= 'A' && ch <= 'F')
      d = ch - 'A' + 10;
    else
      return std::nullopt;
    v = v * static_cast<uint64_t>(base) + static_cast<uint64_t>(d);
    if (v > 0xFFFFFFFFull) return std::nullopt;
  }
  r.Magnitude = static_cast<uint32_t>(v);
  return r;
}

std::optional<int64_t> IniFile::ParseInteger(std::string_view t) {
  const auto r = ScanIntegerText(t);
  if (!r) return std::nullopt;
  int64_t v = r->Magnitude;
  // Signed 32-bit values: hexadecimal texts are two's complement.
  if (r->Hexadecimal && v > 0x7FFFFFFF) v -= 0x100000000LL;
  if (!r->Hexadecimal && !r->Negative && v > 0x7FFFFFFF) return std::nullopt;
  if (!r->Hexadecimal && r->Negative && v > 0x80000000LL) return std::nullopt;
  return r->Negative ? -v : v;
}

int64_t IniFile::ReadInteger(std::string_view section, std::string_view key, int64_t def) const {
  auto v = Get(section, key);
  if (!v) return def;
  auto n = ParseInteger(*v);
  return n ? *n : def;
}

bool IniFile::ReadBool(std::string_view section, std::string_view key, bool def) const {
  return ReadInteger(section, key, def ? 1 : 0) != 0;
}

void IniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  Section* s = Find(section);
  if (!s) {
    sections_.push_back({std::string(section), {}});
    s = &sections_.back();
  }
  for (auto& l : s->lines)
    if (l.isPair && EqualNoCase(l.key, key)) {
      l.value = std::string(value);
      return;
    }
  // Keep trailing blank lines after the new key's predecessors.
  auto it = s->lines.end();
  while (it != s->lines.begin() && !(it - 1)->isPair && Trim((it - 1)->value).empty()) --it;
  s->lines.insert(it, {std::string(key), std::string(value), true});
}

void IniFile::WriteInteger(std::string_view section, std::string_view key, int64_t value) {
  WriteString(section, key, std::to_string(value));
}

void IniFile::EraseSection(std::string_view section) {
  // Every section of that name goes: a second copy would otherwise become
  // the first match and bring its stale keys back.
  std::erase_if(sections_, [&](const Section& s) { return EqualNoCase(s.name, section); });
}

std::vector<std::string> IniFile::Keys(std::string_view section) const {
  std::vector<std::string> keys;
  if (const Section* s = Find(section))
    for (const auto& l : s->lines)
      if (l.isPair) keys.push_back(l.key);
  return keys;
}

}  // namespace kestle
