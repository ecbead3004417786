// One frame decoded layer by layer: a session, a decode context positioned
// at a layer of the frame with the link layer's stations, and the checks that
// every decode tree must pass.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "capture/frame.h"
#include "decode/config/environment.h"
#include "decode/context.h"
#include "decode/session.h"
#include "decode/tree.h"
#include "support/packets.h"

namespace kestle::test {

// Every line describes bytes of the frame, and lies inside its parent's
// range when both describe bytes.
inline void ExpectRangesNested(const DetailTree& tree, size_t frameSize) {
  tree.Walk([&](const DetailNode& n, int) {
    EXPECT_LE(uint64_t{n.Offset} + n.Length, frameSize) << n.Text;
    const DetailNode* p = n.Parent;
    if (!p || n.Length == 0 || p->Length == 0) return;
    EXPECT_TRUE(n.Offset >= p->Offset &&
                uint64_t{n.Offset} + n.Length <= uint64_t{p->Offset} + p->Length)
        << n.Text << " [" << n.Offset << "+" << n.Length << "] outside " << p->Text << " ["
        << p->Offset << "+" << p->Length << "]";
  });
}

class LayerFixture : public ::testing::Test {
 protected:
  Environment env;
  RecordingNotifier notes;
  CaptureSession session{env, notes};
  DecodeContext c{session, env};
  FrameTabRec rec;
  DetailTree tree{true};  // print mode: texts keep their " - "
  Bytes frame;

  // Loads an Ethernet frame and positions the context `offset` bytes into
  // it, with the frame's MAC addresses as the link layer leaves them.
  void Position(const Bytes& f, size_t offset) {
    frame = f;
    c.LoadFrame(frame.data(), static_cast<uint32_t>(frame.size()));
    c.copy(0, c.DstMac, 6);
    c.copy(6, c.SrcMac, 6);
    c.enter(offset);
  }

  // The summary of the layer at the context's position.
  std::string Summarise(void (*summary)(DecodeContext&)) {
    rec = FrameTabRec{};
    c.Rec = &rec;
    c.Tree = nullptr;
    c.Desc.clear();
    c.FrameProtocol = 0;
    summary(c);
    c.Rec = nullptr;
    return c.Desc;
  }

  // The tree of the layer at the context's position, added under `parent`
  // (the tree is emptied first unless a parent is given).
  void Build(void (*build)(DecodeContext&, DetailNode*), DetailNode* parent = nullptr) {
    if (!parent) tree.Clear();
    c.Rec = nullptr;
    c.Tree = &tree;
    build(c, parent);
    c.Tree = nullptr;
    ExpectRangesNested(tree, frame.size());
  }

  bool StackHas(uint16_t id) const {
    for (uint32_t p = c.FrameProtocol; p != 0; p = session.Paths[p].Parent)
      if (session.Paths[p].Protocol == id) return true;
    return false;
  }
};

}  // namespace kestle::test
