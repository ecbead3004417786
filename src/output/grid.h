// The frame grid as a view model: the text of every cell, computed on
// demand from the frame table. The desktop grid, the text export and
// kestle-dump all show these texts.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "output/palette.h"

namespace kestle {

class CaptureSession;

// Column letters A..I.
std::string_view ColumnHeader(char letter);
// Weight of a column in the grid layout and its width in the text export.
int ColumnWeight(char letter);
int PrintColumnWidth(char letter);
bool ColumnRightAligned(char letter);

// Cell text of a frame for a column letter.
std::string FrameCellText(const CaptureSession& s, uint32_t frame, char letter);
// Cell text at a grid row (0-based) and a position in ColumnSel; empty for
// rows at or beyond VisibleCount.
std::string GetGridCell(const CaptureSession& s, uint32_t row, size_t column);
// Node text of a NodeStatTable index: host name, address, or MAC text.
std::string NodeText(const CaptureSession& s, uint32_t statIndex);
// Relative time as shown in the Time column (4 decimals, "> Nd", "> Nh").
std::string FormatRelativeTime(double v, std::string_view decimalSep = ".");
// Absolute time of day "hh:mm:ss.zzz".
std::string FormatTimeOfDay(uint32_t seconds, uint32_t micro);

// ---- sorting: modes 1..9 sort ascending by the column with letter A..I,
// 10..18 descending by the letter (mode - 9).
constexpr int kSortByNumber = 1;
bool ValidSortMode(int sortMode);
char SortLetter(int sortMode);
bool SortDescending(int sortMode);
// The mode after a click on the header of the column with this letter:
// the sort column toggles its direction, another column sorts ascending.
int SortModeAfterClick(int sortMode, char letter);
// Reorders the grid rows (FrameOrder[1..VisibleCount]). No. and Time
// rebuild the rows from the visible frames in capture order (ascending or
// descending); the other columns sort the current rows by their key with
// ties broken by ascending frame number in both directions.
void SortFrameOrder(CaptureSession& s, int sortMode);
// Grid row (0-based) that shows the frame, or -1.
int64_t RowOfFrame(const CaptureSession& s, uint32_t frame);

// ---- copying
// The cells of a row joined by " | ", starting at the first non-empty cell
// (later empty cells keep their separators).
std::string JoinRowCells(const std::vector<std::string>& cells);
std::string CopyRowText(const CaptureSession& s, uint32_t row);

// ---- drawing
struct RowColours {
  uint32_t Background;  // 0x00BBGGRR
  uint32_t Text;
};
constexpr uint32_t kTaggedBackground = 0x00FF00;
constexpr uint32_t kEvenRowBackground = ViewPalette{}.EvenRow;
constexpr uint32_t kOddRowBackground = ViewPalette{}.OddRow;
// Colours of an unselected row: lime with black text when tagged, else the
// alternating background with the frame's protocol colour (made readable
// on a dark palette).
RowColours GridRowColours(const CaptureSession& s, uint32_t row, const ViewPalette& p = {});
// Column widths for the available width: each column gets its weight
// times width / (sum of weights); the Time column also takes the rest.
std::vector<int> ColumnWidths(std::string_view columnSel, int availableWidth);
// The widths of ColumnWidths, each at least its `least` (one per letter);
// what the minimums add comes off the Description column, down to its own
// least, so that the grid still fits when it can.
std::vector<int> FitColumnWidths(std::string_view columnSel, int availableWidth,
                                 const std::vector<int>& least);
// Texts a column is never narrower than: a time of day in the Time column,
// and in the node columns a MAC address and a typical IPv6 address.
inline constexpr const char* kTimeSample = "00:00:00.000";
inline constexpr const char* kMacSample = "00:00:00:00:00:00";
inline constexpr const char* kIPv6Sample = "2001:db8:85a3::8a2e:370:7334";

}  // namespace kestle
