#include "protocols/transport_fixture.h"

#include "protocols/ipv4.h"

namespace kestle::test {

std::string TransportFixture::Summary(const Bytes& ip, uint32_t frameNo) {
  Load(ip, frameNo);
  rec = FrameTabRec{};
  c.Rec = &rec;
  c.Tree = nullptr;
  IPv4Summary(c);
  c.Rec = nullptr;
  return c.Desc;
}

std::vector<std::string> TransportFixture::Tree(const Bytes& ip) {
  Load(ip);
  tree.Clear();
  c.Tree = &tree;
  IPv4Tree(c, nullptr);
  c.Tree = nullptr;
  std::vector<std::string> lines;
  tree.Walk([&](const DetailNode& n, int depth) {
    lines.push_back(std::string(2 * depth, ' ') + n.Text);
  });
  return lines;
}

const DetailNode* TransportFixture::Find(std::string_view prefix) const {
  const DetailNode* found = nullptr;
  tree.Walk([&](const DetailNode& n, int) {
    if (!found && n.Text.starts_with(prefix)) found = &n;
  });
  return found;
}

}  // namespace kestle::test
