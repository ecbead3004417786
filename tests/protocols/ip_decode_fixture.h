// A decode context positioned at the network layer of an Ethernet frame,
// with tree look-ups for the IP-layer decoder tests.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "decode/config/environment.h"
#include "decode/context.h"
#include "decode/frame_table.h"
#include "decode/session.h"
#include "decode/tree.h"
#include "support/builders.h"
#include "support/layer_fixture.h"

namespace kestle::test {

struct Line {
  std::string Text;
  uint32_t Offset;
  uint32_t Length;
  int Depth;
};

class IpDecodeTest : public LayerFixture {
 protected:
  size_t Skip = 0;  // bytes between the Ethernet header and the layer decoded

  // Loads an Ethernet frame and positions the context `Skip` bytes after its
  // header, with the stations of the link layer.
  void Load(const Bytes& f) { Position(f, kEthernetLength + Skip); }

  std::string RunSummary(const Bytes& f, void (*summary)(DecodeContext&)) {
    Load(f);
    return Summarise(summary);
  }

  std::vector<Line> RunTree(const Bytes& f, void (*build)(DecodeContext&, DetailNode*),
                            DetailNode* parent = nullptr) {
    Load(f);
    Build(build, parent);
    return Lines();
  }

  std::vector<Line> Lines() const {
    std::vector<Line> out;
    tree.Walk([&](const DetailNode& n, int depth) {
      out.push_back({n.Text, n.Offset, n.Length, depth});
    });
    return out;
  }

  // The first item whose text starts with `prefix`, or nullptr.
  const Line* Find(const std::vector<Line>& lines, std::string_view prefix) const {
    for (const auto& l : lines)
      if (std::string_view(l.Text).substr(0, prefix.size()) == prefix) return &l;
    return nullptr;
  }
  size_t Count(const std::vector<Line>& lines, std::string_view prefix) const {
    size_t n = 0;
    for (const auto& l : lines)
      if (std::string_view(l.Text).substr(0, prefix.size()) == prefix) ++n;
    return n;
  }
  // Texts of the items at one depth, in tree order.
  std::vector<std::string> AtDepth(const std::vector<Line>& lines, int depth) const {
    std::vector<std::string> out;
    for (const auto& l : lines)
      if (l.Depth == depth) out.push_back(l.Text);
    return out;
  }
  // Every item describes bytes of the frame (Build checks the nesting too).
  void ExpectRangesInFrame(const std::vector<Line>& lines) const {
    for (const auto& l : lines) EXPECT_LE(uint64_t{l.Offset} + l.Length, frame.size()) << l.Text;
  }
};

}  // namespace kestle::test
