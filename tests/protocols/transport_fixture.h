// Decoding one IPv4 packet at a time, from its IPv4 header.
#pragma once

#include <string>
#include <vector>

#include "decode/config/environment.h"
#include "decode/context.h"
#include "decode/frame_table.h"
#include "decode/session.h"
#include "decode/tree.h"
#include "support/builders.h"
#include "support/layer_fixture.h"

namespace kestle::test {

struct TransportFixture : LayerFixture {
  // Positions the context at the IPv4 header of an Ethernet frame.
  void Load(const Bytes& ip, uint32_t frameNo = 1) {
    Position(FrameBuilder().ether("00:00:00:00:00:02", "00:00:00:00:00:01", 0x0800).raw(ip),
             kEthernetLength);
    c.FrameNo = frameNo;
    c.Desc.clear();
  }
  std::string Summary(const Bytes& ip, uint32_t frameNo = 1);
  // All item texts in tree order, children indented by two blanks.
  std::vector<std::string> Tree(const Bytes& ip);
  // The first item whose text starts with `prefix`, or nullptr.
  const DetailNode* Find(std::string_view prefix) const;
};

}  // namespace kestle::test
