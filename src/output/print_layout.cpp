#include "output/print_layout.h"

#include <algorithm>

#include "decode/tree.h"
#include "output/grid.h"
#include "output/hexdump.h"
#include "output/textexport.h"

namespace kestle {

PrintLayout::PrintLayout(PrintMetrics metrics, std::string columnSel, std::string dateLine,
                         PageDone pageDone)
    : m_(std::move(metrics)),
      cols_(std::move(columnSel)),
      date_(std::move(dateLine)),
      done_(std::move(pageDone)) {
  gap_ = m_.DpiY / 100;
  line_ = std::max(1, m_.FontHeight + gap_);
  top_ = line_ + line_ / 2;
  usable_ = m_.PageHeight - 2 * top_;
  // A column of n characters is as wide as n capital letters "A".
  starts_.assign(1, 0);
  for (char c : cols_) {
    const int chars = PrintColumnWidth(c);
    starts_.push_back(starts_.back() + m_.TextWidth(std::string(static_cast<size_t>(chars), 'A')));
  }
}

bool PrintLayout::RowFits(const std::vector<std::string>& cells) const {
  int right = 0;
  for (size_t i = 0; i < cols_.size() && i < cells.size(); ++i)
    right = std::max(
        right, ColumnRightAligned(cols_[i]) ? starts_[i + 1] : starts_[i] + m_.TextWidth(cells[i]));
  return LeftMargin() + right <= m_.PageWidth - line_;
}

void PrintLayout::Text(int x, std::string text, bool bold) {
  PrintItem i;
  i.X = x;
  i.Y = y_;
  i.Bold = bold;
  i.Text = std::move(text);
  page_.Items.push_back(std::move(i));
}

void PrintLayout::Rule(int y, int thickness) {
  PrintItem i;
  i.What = PrintItem::Kind::Rule;
  i.X = LeftMargin();
  i.X2 = m_.PageWidth - line_;
  i.Y = y;
  i.Thickness = thickness;
  page_.Items.push_back(std::move(i));
}

void PrintLayout::PageHeader() {
  Text(LeftMargin(), "Kestle Frame Trace", true);
  Text((m_.PageWidth - m_.BoldTextWidth(date_)) / 2, date_, true);
  Rule(y_ + line_, 2);
  y_ += line_ + gap_;
  bodyTop_ = y_;
}

void PrintLayout::Begin() {
  page_ = {};
  y_ = top_;
  open_ = true;
  PageHeader();
}

void PrintLayout::NewPage() {
  if (open_ && done_) done_(page_);
  ++pagesDone_;
  Begin();
}

void PrintLayout::Room(int lines) {
  if (usable_ < y_ + lines * line_ && y_ > bodyTop_) NewPage();
}

void PrintLayout::AddFrame(const std::vector<std::string>& cells, const DetailTree* tree,
                           std::span<const uint8_t> bytes, bool withDump) {
  if (!open_) Begin();
  const int left = LeftMargin();
  Room(4);
  Rule(y_ + line_, 1);
  y_ += line_;
  for (size_t i = 0; i < cols_.size(); ++i)
    Text(left + starts_[i], std::string(ColumnHeader(cols_[i])));
  y_ += line_;
  Rule(y_, 1);
  y_ += line_;
  for (size_t i = 0; i < cols_.size() && i < cells.size(); ++i) {
    if (ColumnRightAligned(cols_[i])) {
      const std::string text = cells[i] + " ";
      Text(left + starts_[i + 1] - m_.TextWidth(text), text);
    } else {
      Text(left + starts_[i], cells[i]);
    }
  }
  y_ += line_ + gap_;

  if (tree) {
    const int indent = m_.PageWidth / 30;
    tree->Walk([&](const DetailNode& n, int depth) {
      Room(1);
      PrintLineParts parts = SplitPrintLine(n);
      Text(left + depth * indent, std::move(parts.Label));
      if (!parts.Value.empty()) Text(m_.PageWidth / 2, std::move(parts.Value));
      y_ += line_;
    });
    y_ += line_;
  }
  if (withDump) {
    for (size_t off = 0; off < bytes.size(); off += 16) {
      Room(1);
      const size_t n = std::min<size_t>(16, bytes.size() - off);
      Text(left, DumpLine(static_cast<uint32_t>(off), bytes.subspan(off, n)));
      y_ += line_;
    }
  }
}

void PrintLayout::End() {
  if (!open_) return;
  if (done_) done_(page_);
  ++pagesDone_;
  open_ = false;
  page_ = {};
}

}  // namespace kestle
