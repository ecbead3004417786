#include "decode/fields.h"

#include <algorithm>

#include "decode/config/settings.h"
#include "decode/context.h"

namespace kestle {

std::string DetailText(std::string_view text, uint32_t length, bool displayLength, bool align) {
  std::string t(text);
  if (size_t p = t.find("()"); p != std::string::npos) {
    if (displayLength) {
      std::string n = length == 1 ? "1 byte" : std::to_string(length) + " bytes";
      t.replace(p + 1, 0, n);
    } else {
      t.erase(p, 2);
    }
  }
  if (align) {
    size_t p = t.find(" - ");
    if (p != std::string::npos && p < 49) {
      std::string head = t.substr(0, p);
      head.resize(50, ' ');
      t = head + t.substr(p + 3);
    }
  }
  return t;
}

namespace {

// Adds a line at a frame offset; the texts are rewritten unless literal.
DetailNode* AddLine(DecodeContext& c, DetailNode* parent, FieldText text, uint32_t offset,
                    uint32_t length, TreeImage image) {
  const bool align = !c.Tree->PrintMode && parent != nullptr;
  uint32_t literalFrom = kNotLiteral;
  if (text.LiteralFrom == kNotLiteral) {
    text.Text = DetailText(text.Text, length, c.Set.DisplayLength, align);
  } else {
    // Only the label before the frame's text is rewritten.
    std::string label = DetailText(std::string_view(text.Text).substr(0, text.LiteralFrom), length,
                                   c.Set.DisplayLength, align);
    literalFrom = static_cast<uint32_t>(label.size());
    text.Text = label + text.Text.substr(text.LiteralFrom);
  }
  // A field picture at the top level is the plain one.
  if (!parent && image == TreeImage::Field) image = TreeImage::Plain;
  return c.Tree->Add(parent, std::move(text.Text), offset, length, image, literalFrom);
}

// Ends the branch of `parent`: neither it nor the items above it take lines.
void EndBranch(DetailNode* parent) {
  for (DetailNode* p = parent; p && !p->Ended; p = p->Parent) p->Ended = true;
}

bool Closed(const DecodeContext& c, const DetailNode* parent) {
  return !c.Tree || (parent && parent->Ended);
}

}  // namespace

FieldText Literal(std::string text) {
  FieldText t(std::move(text));
  t.LiteralFrom = 0;
  return t;
}

FieldText operator+(std::string label, FieldText text) {
  const size_t from =
      text.LiteralFrom == kNotLiteral ? kNotLiteral : label.size() + text.LiteralFrom;
  FieldText t(std::move(label) + text.Text);
  t.LiteralFrom = from;
  return t;
}

FieldText operator+(FieldText text, std::string_view more) {
  text.Text.append(more);
  return text;
}

DetailNode* AddField(DecodeContext& c, DetailNode* parent, FieldText text, size_t at, size_t length,
                     TreeImage image) {
  if (Closed(c, parent)) return c.EndedLine();
  if (!c.has(at, length)) {
    c.Truncated = true;
    EndBranch(parent);
    return c.EndedLine();
  }
  return AddLine(c, parent, std::move(text), c.at(at), static_cast<uint32_t>(length), image);
}

DetailNode* AddBranch(DecodeContext& c, DetailNode* parent, FieldText text, size_t at,
                      size_t length, TreeImage image) {
  if (Closed(c, parent)) return c.EndedLine();
  const size_t present = at < c.PacketLen ? std::min(length, c.PacketLen - at) : 0;
  return AddLine(c, parent, std::move(text), c.at(std::min<size_t>(at, c.PacketLen)),
                 static_cast<uint32_t>(present), image);
}

void SetBranchRange(DecodeContext& c, DetailNode* line, size_t at, size_t length) {
  if (!Added(c, line)) return;
  const size_t present = at < c.PacketLen ? std::min(length, c.PacketLen - at) : 0;
  line->Offset = c.at(std::min<size_t>(at, c.PacketLen));
  line->Length = static_cast<uint32_t>(present);
}

void AppendText(const DecodeContext& c, DetailNode* line, const FieldText& more) {
  if (!Added(c, line)) return;
  if (more.LiteralFrom != kNotLiteral && line->LiteralFrom == kNotLiteral)
    line->LiteralFrom = static_cast<uint32_t>(line->Text.size() + more.LiteralFrom);
  line->Text += more.Text;
}

bool Added(const DecodeContext& c, const DetailNode* line) { return line && line != c.EndedLine(); }

std::string FlagPicture(uint32_t value, uint32_t mask, int width) {
  const int bits = width == 1 ? 8 : width == 2 ? 16 : width == 3 ? 24 : 32;
  std::string s;
  for (int i = bits - 1, pos = 1; i >= 0; --i, ++pos) {
    const uint32_t bit = 1u << i;
    s += (mask & bit) ? ((value & bit) ? '1' : '0') : '.';
    if (pos % 8 == 0 && pos != bits)
      s += "  ";
    else if (pos % 4 == 0)
      s += ' ';
  }
  return s;
}

void AddFlagNodes(DecodeContext& c, DetailNode* item, uint32_t value, int width,
                  std::span<const FlagTabRec> table) {
  if (!c.Tree || !item || item->Ended) return;
  for (const auto& f : table) {
    const char* text = nullptr;
    if ((value & f.Mask) == f.Mask && f.SetText[0] != '\0')
      text = f.SetText;
    else if (f.ClearText[0] != '\0')
      text = f.ClearText;
    if (!text) continue;
    // Each line describes the flags field's own bytes.
    AddLine(c, item, FlagPicture(value, f.Mask, width) + " = " + text, item->Offset, item->Length,
            TreeImage::Field);
  }
}

}  // namespace kestle
