// What the detail tree and hex dump views show beyond the texts themselves:
// the colours of the dump's byte slots and the text of "Copy Complete Tree".
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "decode/tree.h"

namespace kestle {

// Colours are 0x00BBGGRR.
constexpr uint32_t kDumpHighlight = 0x0000FF;
constexpr uint32_t kDumpNormal = 0x000000;
// Colour of top-level item k (1-based): blue, purple, maroon, navy, green, ...
uint32_t LayerColour(size_t k);

struct DumpRun {
  uint32_t Slot = 0;   // first byte slot of the line (0..15)
  uint32_t Count = 0;  // slots in the run
  uint32_t Colour = kDumpNormal;
  bool Bold = false;  // the highlight
};

// Bytes of the frame the dump highlights: a tree line's, or what Find
// matched. Length 0 highlights nothing.
struct DumpSpan {
  uint32_t Offset = 0;
  uint32_t Length = 0;
  bool operator==(const DumpSpan&) const = default;
};
// The span of a tree line (none for nullptr).
DumpSpan SpanOf(const DetailNode* node);

// Colour runs of the 16 byte slots of the dump line starting at
// lineOffset: the highlighted bytes in bold red, other bytes in the colour
// of the first top-level item that holds them (black when colourLayers is
// off or no item holds them). An item of length 0 colours nothing. The
// character column takes the same runs as the hex column.
std::vector<DumpRun> DumpLineRuns(const DetailTree& tree, DumpSpan highlight, uint32_t lineOffset,
                                  bool colourLayers);
// The same with the selected tree line's bytes highlighted.
std::vector<DumpRun> DumpLineRuns(const DetailTree& tree, const DetailNode* selected,
                                  uint32_t lineOffset, bool colourLayers);

// The byte slot (0..15) under character column `column` of a dump line
// ("0xOOOO  HH HH ...  chars"): a hex digit pair, the blank after it, or a
// character; -1 for the offset, the gap and past the end.
int DumpSlotAtColumn(int column);
// The deepest tree line whose bytes hold `offset`, the first one in tree
// order where several do; nullptr when none does.
const DetailNode* DeepestNodeAt(const DetailTree& tree, uint32_t offset);

// Splits a tree text into label and value at the first " - " separator
// before `literalFrom` (where the text taken from the frame starts); a
// text without one is all label.
struct TreeTextParts {
  std::string Label;
  std::string Value;
};
TreeTextParts SplitTreeText(std::string_view text, uint32_t literalFrom = kNotLiteral);
// The same split without a limit on the value; nullopt for a text without
// a separator.
std::optional<TreeTextParts> SplitTreeLine(std::string_view text,
                                           uint32_t literalFrom = kNotLiteral);
// The whole tree as text, one line per item in tree order, joined by CR LF:
// 3 blanks per level (at most 40), "+" before items with children, the
// label padded to 45 characters, a blank, the value (at most 999 chars).
std::string CopyTreeText(const DetailTree& tree);

}  // namespace kestle
