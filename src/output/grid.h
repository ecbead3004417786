// The frame grid as a view model: the text of every cell, computed on
// demand from the frame table. The desktop grid, the text export and
// kestle-dump all show these texts.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

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

}  // namespace kestle
