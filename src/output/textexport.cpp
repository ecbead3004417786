#include "output/textexport.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "decode/config/environment.h"
#include "decode/session.h"
#include "decode/tree.h"
#include "output/grid.h"
#include "output/hexdump.h"

namespace kestle {

std::string PrintDateLine(const LocaleInfo& locale, std::time_t now) {
  struct tm t {};
  localtime_r(&now, &t);
  char buf[64];
  std::snprintf(buf, sizeof buf, "%s %02d/%02d/%04d %02d:%02d:%02d",
                locale.ShortDayNames[t.tm_wday % 7].c_str(), t.tm_mday, t.tm_mon + 1,
                t.tm_year + 1900, t.tm_hour, t.tm_min, t.tm_sec);
  return buf;
}

PrintLineParts SplitPrintLine(const DetailNode& n) {
  // Text taken from the frame is never split.
  const std::string_view own = std::string_view(n.Text).substr(0, n.LiteralFrom);
  if (own.find("- ") == std::string_view::npos) return {n.Text, {}};
  const size_t p = own.find('-');
  return {n.Text.substr(0, p), n.Text.substr(p + 1)};
}

TextExportWriter::TextExportWriter(std::ostream& out, const CaptureSession& s, bool detail,
                                   bool dump)
    : out_(out), s_(s), detail_(detail), dump_(dump) {}

void TextExportWriter::WriteTitle(const std::string& captureName, const std::string& dateLine) {
  out_ << " Kestle print from file " << captureName << " on " << dateLine << "\n";
  out_ << " \n";
}

std::string TextExportWriter::ColumnLine(const std::string* texts) const {
  const std::string& cols = s_.Env.settings.ColumnSel;
  std::string line;
  size_t start = 0;
  for (size_t i = 0; i < cols.size(); ++i) {
    if (line.size() < start) line.resize(start, ' ');
    line += texts[i];
    start += static_cast<size_t>(PrintColumnWidth(cols[i]));
  }
  return line;
}

void TextExportWriter::WriteTree(std::ostream& out, const DetailTree& tree) {
  tree.Walk([&out](const DetailNode& n, int depth) {
    const PrintLineParts parts = SplitPrintLine(n);
    std::string line(static_cast<size_t>(2 * depth + 2), ' ');
    line += parts.Label;
    if (!parts.Value.empty()) {
      if (line.size() < 50) line.resize(50, ' ');
      line += ' ';
      line += parts.Value;
    }
    out << line << "\n";
  });
}

void TextExportWriter::WriteDump(std::ostream& out, std::span<const uint8_t> bytes) {
  for (size_t off = 0; off < bytes.size(); off += 16) {
    const size_t n = std::min<size_t>(16, bytes.size() - off);
    out << "  " << DumpLine(static_cast<uint32_t>(off), bytes.subspan(off, n)) << "\n";
  }
}

void TextExportWriter::WriteFrame(uint32_t frame, const DetailTree* tree,
                                  std::span<const uint8_t> bytes) {
  const std::string& cols = s_.Env.settings.ColumnSel;
  std::vector<std::string> texts(cols.size());
  if (headingDue_ || detail_ || dump_) {
    for (size_t i = 0; i < cols.size(); ++i) texts[i] = std::string(ColumnHeader(cols[i]));
    out_ << ColumnLine(texts.data()) << "\n";
    headingDue_ = false;
  }
  for (size_t i = 0; i < cols.size(); ++i) texts[i] = FrameCellText(s_, frame, cols[i]);
  out_ << ColumnLine(texts.data()) << "\n";
  if (detail_ && tree) {
    out_ << " \n";
    WriteTree(out_, *tree);
  }
  if (dump_) {
    out_ << " \n";
    WriteDump(out_, bytes);
    out_ << " \n";
  }
}

}  // namespace kestle
