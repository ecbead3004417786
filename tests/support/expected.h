// The reference values of the capture corpus (tests/data/captures/expected):
// one row per frame with the independent decoder's fields.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace kestle::test {

struct ExpectedFrame {
  std::map<std::string, std::string> f;  // field name -> text ("" when empty)
  const std::string& operator[](const std::string& k) const;
};

std::vector<ExpectedFrame> LoadExpected(const std::string& captureName);
// capture file name -> frame count, from counts.tsv
std::map<std::string, int> LoadExpectedCounts();
std::string CapturePath(const std::string& name);
// The first comma-separated value of a field (the outermost header's).
std::string FirstValue(const std::string& v);
// A capture file's name as a test case name: "mixed.pcap" -> "mixed_pcap".
std::string CaseName(std::string file);

}  // namespace kestle::test
