// A capture written from frames in memory and loaded, with the views the
// decoder tests compare: the protocol stack as names and the decode tree as
// "offset+length text" lines.
#pragma once

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "decode/context.h"
#include "decode/detail.h"
#include "decode/tree.h"
#include "support/builders.h"
#include "support/session_fixture.h"

namespace kestle::test {

struct DecodeFixture : SessionFixture {
  std::unique_ptr<TempFile> file;

  bool Load(const std::vector<PcapFrame>& frames) {
    file = std::make_unique<TempFile>(PcapFile(frames));
    return Open(file->path());
  }
  bool Load(const std::vector<Bytes>& frames) {
    std::vector<PcapFrame> pf;
    for (const auto& f : frames) pf.push_back({f});
    return Load(pf);
  }
  // Frames of several link types: a pcapng file with an interface of each.
  struct LinkedFrame {
    uint16_t linkType;
    Bytes data;
  };
  bool Load(const std::vector<LinkedFrame>& frames) {
    PcapngWriter w;
    w.Section();
    std::vector<uint16_t> interfaces;
    for (const auto& f : frames) {
      if (std::find(interfaces.begin(), interfaces.end(), f.linkType) != interfaces.end()) continue;
      interfaces.push_back(f.linkType);
      w.Interface(f.linkType);
    }
    uint64_t t = 1615713600000000;
    for (const auto& f : frames) {
      const auto i = std::find(interfaces.begin(), interfaces.end(), f.linkType);
      w.Packet(static_cast<uint32_t>(i - interfaces.begin()), t++, f.data);
    }
    file = std::make_unique<TempFile>(w.bytes(), ".pcapng");
    return Open(file->path());
  }

  // "Ethernet/802.1q/ARP": the frame's stack, outermost first.
  std::string Stack(uint32_t frame) const {
    std::vector<std::string> names;
    for (uint32_t p = session.FrameTable[frame].Protocol; p != 0; p = session.Paths[p].Parent)
      names.insert(names.begin(), env.Protocols.Name(session.Paths[p].Protocol));
    std::string s;
    for (const auto& n : names) s += (s.empty() ? "" : "/") + n;
    return s;
  }

  // The print tree of a frame (texts keep their " - "), one "offset+length
  // text" line per item, indented by depth; the frame header item and its
  // lines are left out unless asked for.
  std::vector<std::string> Tree(uint32_t frame, bool withHeader = false) {
    DecodeContext c(session, env);
    DetailTree tree(/*printMode=*/true);
    if (!BuildFrameTree(session, c, tree, frame)) return {"not read"};
    std::vector<std::string> lines;
    bool header = false;
    tree.Walk([&](const DetailNode& n, int depth) {
      if (depth == 0) header = n.Image == TreeImage::Frame;
      if (header && !withHeader) return;
      lines.push_back(std::string(static_cast<size_t>(2 * depth), ' ') + std::to_string(n.Offset) +
                      "+" + std::to_string(n.Length) + " " + n.Text);
    });
    return lines;
  }

  // The top-level lines of a frame's tree after the frame header: text and
  // picture.
  std::vector<std::pair<std::string, TreeImage>> TopLines(uint32_t frame) {
    DecodeContext c(session, env);
    DetailTree tree(/*printMode=*/true);
    std::vector<std::pair<std::string, TreeImage>> lines;
    if (!BuildFrameTree(session, c, tree, frame)) return lines;
    tree.Walk([&](const DetailNode& n, int depth) {
      if (depth == 0 && n.Image != TreeImage::Frame) lines.emplace_back(n.Text, n.Image);
    });
    return lines;
  }
};

}  // namespace kestle::test
