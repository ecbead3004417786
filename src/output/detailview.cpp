#include "output/detailview.h"

#include <algorithm>

#include "decode/tree.h"

namespace kestle {

uint32_t LayerColour(size_t k) {
  static constexpr uint32_t kColours[5] = {0x008000, 0xFF0000, 0x800080, 0x000080, 0x800000};
  return kColours[k % 5];
}

namespace {

bool Holds(const DetailNode& n, uint64_t a) {
  return n.Length != 0 && a >= n.Offset && a < uint64_t{n.Offset} + n.Length;
}

}  // namespace

DumpSpan SpanOf(const DetailNode* node) {
  return node ? DumpSpan{node->Offset, node->Length} : DumpSpan{};
}

std::vector<DumpRun> DumpLineRuns(const DetailTree& tree, const DetailNode* selected,
                                  uint32_t lineOffset, bool colourLayers) {
  return DumpLineRuns(tree, SpanOf(selected), lineOffset, colourLayers);
}

int DumpSlotAtColumn(int column) {
  // "0xOOOO" and two blanks, 16 slots of three characters, two blanks, 16
  // characters.
  if (column >= 8 && column < 8 + 3 * 16) return (column - 8) / 3;
  if (column >= 58 && column < 58 + 16) return column - 58;
  return -1;
}

const DetailNode* DeepestNodeAt(const DetailTree& tree, uint32_t offset) {
  // Every line is looked at: a title may stand for fewer bytes than a line
  // below it.
  const DetailNode* found = nullptr;
  int foundDepth = -1;
  tree.Walk([&](const DetailNode& n, int depth) {
    if (depth > foundDepth && Holds(n, offset)) {
      found = &n;
      foundDepth = depth;
    }
  });
  return found;
}

std::vector<DumpRun> DumpLineRuns(const DetailTree& tree, DumpSpan highlight, uint32_t lineOffset,
                                  bool colourLayers) {
  std::vector<DumpRun> runs;
  for (uint32_t slot = 0; slot < 16; ++slot) {
    const uint64_t a = uint64_t{lineOffset} + slot;
    uint32_t colour = kDumpNormal;
    bool bold = false;
    if (highlight.Length != 0 && a >= highlight.Offset &&
        a < uint64_t{highlight.Offset} + highlight.Length) {
      colour = kDumpHighlight;
      bold = true;
    } else {
      for (size_t k = 0; k < tree.Roots.size(); ++k)
        if (Holds(*tree.Roots[k], a)) {
          colour = colourLayers ? LayerColour(k + 1) : kDumpNormal;
          break;
        }
    }
    if (!runs.empty() && runs.back().Colour == colour && runs.back().Bold == bold)
      ++runs.back().Count;
    else
      runs.push_back({slot, 1, colour, bold});
  }
  return runs;
}

std::optional<TreeTextParts> SplitTreeLine(std::string_view text, uint32_t literalFrom) {
  // A separator must lie wholly before the frame's text.
  const size_t p = text.substr(0, literalFrom).find(" - ");
  if (p == std::string_view::npos || p + 3 > literalFrom) return std::nullopt;
  return TreeTextParts{std::string(text.substr(0, p)), std::string(text.substr(p + 3))};
}

TreeTextParts SplitTreeText(std::string_view text, uint32_t literalFrom) {
  std::optional<TreeTextParts> parts = SplitTreeLine(text, literalFrom);
  if (!parts) return {std::string(text), {}};
  parts->Value.resize(std::min<size_t>(parts->Value.size(), 999));
  return std::move(*parts);
}

std::string CopyTreeText(const DetailTree& tree) {
  std::string out;
  bool first = true;
  tree.Walk([&](const DetailNode& n, int depth) {
    TreeTextParts parts = SplitTreeText(n.Text, n.LiteralFrom);
    std::string label;
    if (depth > 0) label.assign(std::min(3 * depth, 40), ' ');
    if (n.HasChildren()) label += '+';
    label += parts.Label;
    if (label.size() < 45) label.resize(45, ' ');
    if (!first) out += "\r\n";
    first = false;
    out += label;
    out += ' ';
    out += parts.Value;
  });
  return out;
}

}  // namespace kestle
