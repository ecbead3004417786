// The printed layout: where every text and rule of a print job lies on
// its pages, in the printer's pixels. The window's printer code only draws
// what this computes.
//
// A page starts with its header ("Kestle Frame Trace", the date line
// centred, a thick rule). Each frame takes a rule, the column headings, a
// rule, its row, then its decode tree (labels indented by depth, values at
// half the page width) and its dump lines, breaking to a new page where a
// line no longer fits.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kestle {

class DetailTree;

// What the layout needs to know of the printer and its font.
struct PrintMetrics {
  int PageWidth = 0;  // printable area, pixels
  int PageHeight = 0;
  int DpiY = 0;        // vertical resolution, pixels per inch
  int FontHeight = 0;  // height of a line of the font ("X")
  std::function<int(std::string_view)> TextWidth;
  std::function<int(std::string_view)> BoldTextWidth;
};

struct PrintItem {
  enum class Kind : uint8_t { Text, Rule };
  Kind What = Kind::Text;
  int X = 0;          // text: left end; rule: left end
  int Y = 0;          // text: top of its line; rule: its height on the page
  int X2 = 0;         // rule: right end
  int Thickness = 1;  // rule: pen width in pixels
  bool Bold = false;
  std::string Text;
};

struct PrintPage {
  std::vector<PrintItem> Items;
};

class PrintLayout {
 public:
  // `pageDone` receives each finished page in turn.
  using PageDone = std::function<void(const PrintPage&)>;
  PrintLayout(PrintMetrics metrics, std::string columnSel, std::string dateLine, PageDone pageDone);

  // The first page and its header.
  void Begin();
  // One frame: its row's cell texts in ColumnSel order, its print tree
  // (nullptr: no detail) and, when `withDump`, its dump of `bytes`.
  void AddFrame(const std::vector<std::string>& cells, const DetailTree* tree,
                std::span<const uint8_t> bytes, bool withDump);
  // Hands on the last page.
  void End();

  int LineHeight() const { return line_; }
  int Gap() const { return gap_; }
  int LeftMargin() const { return line_; }
  int TopMargin() const { return top_; }
  // Usable height: the page less its top and bottom margins.
  int UsableHeight() const { return usable_; }
  // Start of the i-th shown column, from the left margin.
  int ColumnStart(size_t i) const { return starts_[i]; }
  int PagesDone() const { return pagesDone_; }
  // Whether a row of these cells (in ColumnSel order) ends inside the
  // page's rules; one that does not is cut at the page's edge.
  bool RowFits(const std::vector<std::string>& cells) const;

 private:
  void NewPage();
  void PageHeader();
  // Begins a new page when `lines` more lines do not fit below y, unless
  // nothing but the header is on this page yet: a line taller than a page
  // then goes on it as it is, so every page holds something.
  void Room(int lines);
  void Text(int x, std::string text, bool bold = false);
  void Rule(int y, int thickness);

  PrintMetrics m_;
  std::string cols_;
  std::string date_;
  PageDone done_;
  int gap_ = 0;
  int line_ = 0;
  int top_ = 0;
  int usable_ = 0;
  int y_ = 0;
  int bodyTop_ = 0;  // y just below the page header
  bool open_ = false;
  int pagesDone_ = 0;
  std::vector<int> starts_;  // ColumnSel.size() + 1 entries
  PrintPage page_;
};

}  // namespace kestle
