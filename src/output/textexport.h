// The text decode written by "Print to file": a title, then for every frame
// its grid row and, when chosen, its decode tree and its hex/ASCII dump.
#pragma once

#include <cstdint>
#include <ctime>
#include <ostream>
#include <span>
#include <string>

namespace kestle {

class CaptureSession;
class DetailTree;
struct DetailNode;
struct LocaleInfo;

// A print tree line as label and value: split at the first "-" when the
// text holds "- " (the value keeps the blank after the "-"); text taken
// from the frame is never split.
struct PrintLineParts {
  std::string Label;
  std::string Value;
};
PrintLineParts SplitPrintLine(const DetailNode& n);

// "Tue 09/12/2026 22:11:14": today's short day name, date and time.
std::string PrintDateLine(const LocaleInfo& locale, std::time_t now);

class TextExportWriter {
 public:
  TextExportWriter(std::ostream& out, const CaptureSession& s, bool detail, bool dump);

  // " Kestle print from file NAME on DATE" and a line holding one blank.
  void WriteTitle(const std::string& captureName, const std::string& dateLine);
  // The heading (when due), the row line of `frame`, and when chosen the
  // tree and the dump (the frame's bytes).
  void WriteFrame(uint32_t frame, const DetailTree* tree, std::span<const uint8_t> bytes);

  // Places texts at the column starts of ColumnSel.
  std::string ColumnLine(const std::string* texts) const;
  static void WriteTree(std::ostream& out, const DetailTree& tree);
  static void WriteDump(std::ostream& out, std::span<const uint8_t> bytes);

 private:
  std::ostream& out_;
  const CaptureSession& s_;
  bool detail_;
  bool dump_;
  bool headingDue_ = true;
};

}  // namespace kestle
