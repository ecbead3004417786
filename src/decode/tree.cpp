#include "decode/tree.h"

namespace kestle {

DetailNode* DetailTree::Add(DetailNode* parent, std::string text, uint32_t offset, uint32_t length,
                            TreeImage image, uint32_t literalFrom) {
  auto n = std::make_unique<DetailNode>();
  n->Text = std::move(text);
  n->Offset = offset;
  n->Length = length;
  n->Image = image;
  n->LiteralFrom = literalFrom;
  n->Parent = parent;
  DetailNode* raw = n.get();
  (parent ? parent->Children : Roots).push_back(std::move(n));
  return raw;
}

size_t DetailTree::Count() const {
  size_t n = 0;
  Walk([&n](const DetailNode&, int) { ++n; });
  return n;
}

namespace {
void WalkNode(const DetailNode& n, int depth,
              const std::function<void(const DetailNode&, int)>& f) {
  f(n, depth);
  for (const auto& c : n.Children) WalkNode(*c, depth + 1, f);
}
}  // namespace

void DetailTree::Walk(const std::function<void(const DetailNode&, int)>& f) const {
  for (const auto& r : Roots) WalkNode(*r, 0, f);
}

}  // namespace kestle
