#include "support/expected.h"

#include <cctype>
#include <fstream>
#include <sstream>

#include "support/builders.h"

namespace kestle::test {

namespace {
std::vector<std::string> Split(const std::string& line, char sep) {
  std::vector<std::string> out;
  std::string cur;
  for (char ch : line) {
    if (ch == sep) {
      out.push_back(cur);
      cur.clear();
    } else if (ch != '\r') {
      cur += ch;
    }
  }
  out.push_back(cur);
  return out;
}
}  // namespace

const std::string& ExpectedFrame::operator[](const std::string& k) const {
  static const std::string kEmpty;
  auto it = f.find(k);
  return it == f.end() ? kEmpty : it->second;
}

std::string CapturePath(const std::string& name) { return DataPath("captures/" + name); }

std::vector<ExpectedFrame> LoadExpected(const std::string& captureName) {
  std::ifstream in(CapturePath("expected/" + captureName + ".tsv"));
  std::string line;
  std::vector<std::string> header;
  std::vector<ExpectedFrame> rows;
  while (std::getline(in, line)) {
    auto cells = Split(line, '\t');
    if (header.empty()) {
      header = cells;
      continue;
    }
    ExpectedFrame e;
    for (size_t i = 0; i < header.size(); ++i) e.f[header[i]] = i < cells.size() ? cells[i] : "";
    rows.push_back(std::move(e));
  }
  return rows;
}

std::map<std::string, int> LoadExpectedCounts() {
  std::ifstream in(CapturePath("expected/counts.tsv"));
  std::string line;
  std::map<std::string, int> counts;
  bool first = true;
  while (std::getline(in, line)) {
    if (first) {
      first = false;
      continue;
    }
    auto cells = Split(line, '\t');
    if (cells.size() >= 3) counts[cells[0]] = std::stoi(cells[2]);
  }
  return counts;
}

std::string FirstValue(const std::string& v) { return v.substr(0, v.find(',')); }

std::string CaseName(std::string file) {
  for (char& ch : file)
    if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
  return file;
}

}  // namespace kestle::test
