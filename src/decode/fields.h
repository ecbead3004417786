// The field writer: the one way decoders add lines to the decode tree.
//
// A line has a text, the range of the current layer it describes and a
// picture. A field that does not lie whole within the layer is not added:
// the branch ends there (its item and the items above it take no further
// lines) and the layer is marked Truncated, so a branch is always shown to
// its last whole field and a value that is not in the frame is never shown.
//
// Texts are written as label, "()", " - " and the value: "()" becomes the
// field's length ("(1 byte)", "(N bytes)") or disappears when DisplayLength
// is off, and outside print mode a " - " before column 50 of a child line
// becomes padding to column 50. Text taken from the frame is marked
// Literal() and is shown exactly as it is; a label of the program's may
// stand before it ("Name () - " + Literal(name)) and is rewritten alone.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "decode/lookup.h"
#include "decode/tree.h"

namespace kestle {

class DecodeContext;

// The text of a line; Literal() marks text that must not be rewritten.
struct FieldText {
  FieldText(std::string text) : Text(std::move(text)) {}  // NOLINT: implicit by design
  FieldText(const char* text) : Text(text) {}             // NOLINT
  std::string Text;
  // Where the literal part starts; kNotLiteral: the whole text is the
  // program's own.
  size_t LiteralFrom = kNotLiteral;
};
// Text taken from the frame (made safe for display by the caller: SafeText).
FieldText Literal(std::string text);
// A label followed by a literal: the label alone is rewritten.
FieldText operator+(std::string label, FieldText text);
// More text after a literal joins the literal part.
FieldText operator+(FieldText text, std::string_view more);

// Adds a field line under `parent` (nullptr: at the top level) for the
// `length` bytes at `at` within the current layer. Returns the new line; when
// nothing was added (the field does not fit, the branch has ended, or no
// tree is being built) it returns the context's ended line, which takes no
// lines either. Never nullptr.
DetailNode* AddField(DecodeContext& c, DetailNode* parent, FieldText text, size_t at, size_t length,
                     TreeImage image = TreeImage::Field);

// Adds the title line of a branch (a protocol's header, a group of fields)
// that stands for the `length` bytes at `at`: it covers those of them that
// the layer holds, so a header cut short still gets its title. The fields
// below it are added with AddField.
DetailNode* AddBranch(DecodeContext& c, DetailNode* parent, FieldText text, size_t at,
                      size_t length, TreeImage image = TreeImage::Field);

// Sets the range of a branch title added before its length was known (a
// section whose items are walked first): the `length` bytes at `at`, of
// which it covers those the layer holds. Nothing for the ended line.
void SetBranchRange(DecodeContext& c, DetailNode* line, size_t at, size_t length);

// Appends `more` to the text of a line already added (an item whose text
// tells what the fields below it found); text from the frame in `more` stays
// literal. Nothing for the ended line.
void AppendText(const DecodeContext& c, DetailNode* line, const FieldText& more);
// Whether `line` is a line of the tree (not the ended line).
bool Added(const DecodeContext& c, const DetailNode* line);

// One line per table entry under `item`: the bit picture of the field
// (width code 1 = 8 bits, 2 = 16, 3 = 24, other = 32), " = ", the text.
void AddFlagNodes(DecodeContext& c, DetailNode* item, uint32_t value, int width,
                  std::span<const FlagTabRec> table);
std::string FlagPicture(uint32_t value, uint32_t mask, int width);

// The text a line shows (exposed for tests and the print tree).
std::string DetailText(std::string_view text, uint32_t length, bool displayLength, bool align);

}  // namespace kestle
