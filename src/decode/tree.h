// The decode tree: one item per line of the detail view, each carrying the
// byte range of the frame it describes.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kestle {

struct DetailNode {
  std::string Text;
  uint32_t Offset = 0;   // first byte described, counted from the frame start
  uint32_t Length = 0;   // bytes described; 0 = none
  int Image = 0;         // icon number
  bool Literal = false;  // text taken from the frame: never split or rewritten
  DetailNode* Parent = nullptr;
  std::vector<std::unique_ptr<DetailNode>> Children;

  bool HasChildren() const { return !Children.empty(); }
  int Depth() const {
    int d = 0;
    for (const DetailNode* p = Parent; p; p = p->Parent) ++d;
    return d;
  }
};

class DetailTree {
 public:
  // In print mode texts keep their " - " separator (no column alignment).
  explicit DetailTree(bool printMode = false) : PrintMode(printMode) {}

  DetailNode* Add(DetailNode* parent, std::string text, uint32_t offset, uint32_t length,
                  int image, bool literal = false);
  void Clear() { Roots.clear(); }
  bool Empty() const { return Roots.empty(); }
  size_t Count() const;
  // Visits every item in tree order with its depth (top level = 0).
  void Walk(const std::function<void(const DetailNode&, int depth)>& f) const;

  bool PrintMode;
  std::vector<std::unique_ptr<DetailNode>> Roots;
};

}  // namespace kestle
