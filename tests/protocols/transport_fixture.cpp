#include "protocols/transport_fixture.h"

#include "protocols/ipv4.h"

namespace kestle::test {

std::string TransportFixture::Summary(const Bytes& ip, uint32_t frameNo) {
  Load(ip, frameNo);
  return Summarise(IPv4Summary);
}

std::vector<std::string> TransportFixture::Tree(const Bytes& ip) {
  Load(ip);
  Build(IPv4Tree);
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
