// The decode tree: one item per line of the detail view, each carrying the
// byte range of the frame it describes.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kestle {

// The picture shown before a tree line, named after what the line is. The
// numbers are stable (the window maps each to a picture; text output
// ignores them).
enum class TreeImage : uint8_t {
  Plain = 0,      // a plain line at the top level
  Field = 1,      // a field
  Frame = 2,      // the frame's first line
  Network = 3,    // an IPv4 or IPv6 header
  Segment = 4,    // a TCP header
  Link = 5,       // an Ethernet or 802.3 header
  Message = 6,    // a message of its own (ARP, mail)
  Datagram = 7,   // a UDP header
  Flags = 8,      // a flags field with one line per flag below it
  Protocol = 9,   // any other protocol's branch
  Security = 10,  // a key management branch (ISAKMP)
};

inline constexpr uint32_t kNotLiteral = UINT32_MAX;

struct DetailNode {
  std::string Text;
  uint32_t Offset = 0;  // first byte described, counted from the frame start
  uint32_t Length = 0;  // bytes described; 0 = none
  TreeImage Image = TreeImage::Plain;
  // Where the text taken from the frame starts (kNotLiteral: nowhere): from
  // there on the text is never split or rewritten.
  uint32_t LiteralFrom = kNotLiteral;
  // The branch ended here: a field did not fit in the layer, so no later
  // line is added under this item (see AddField).
  bool Ended = false;
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
                  TreeImage image, uint32_t literalFrom = kNotLiteral);
  void Clear() { Roots.clear(); }
  bool Empty() const { return Roots.empty(); }
  size_t Count() const;
  // Visits every item in tree order with its depth (top level = 0).
  void Walk(const std::function<void(const DetailNode&, int depth)>& f) const;

  bool PrintMode;
  std::vector<std::unique_ptr<DetailNode>> Roots;
};

}  // namespace kestle
