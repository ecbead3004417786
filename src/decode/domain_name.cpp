#include "decode/domain_name.h"

#include "decode/context.h"

namespace kestle {

namespace {
constexpr size_t kMaxNameText = 256;
constexpr uint8_t kPointer = 0xC0;
// No name of at most 256 characters needs more pointers than this.
constexpr int kMaxJumps = 128;
}  // namespace

DomainName ReadDomainName(const DecodeContext& c, size_t at) {
  DomainName n;
  size_t p = at;
  size_t earliest = at;  // no pointer may reach this byte or a later one
  bool jumped = false;
  int jumps = 0;
  auto loop = [&n] {
    n.Text = std::string(kNameLoopText);
    n.Loop = true;
    n.Whole = true;
    return n;
  };
  while (true) {
    if (!c.has(p, 1)) return n;
    const uint8_t b = c.u8(p);
    if (b == 0) {
      if (!jumped) ++n.Length;
      n.Whole = true;
      return n;
    }
    if (b < kPointer) {
      if (!c.has(p + 1, b)) return n;
      if (!n.Text.empty()) n.Text += '.';
      n.Text.append(c.bytes(p + 1, b));
      if (!jumped) n.Length += size_t{b} + 1;
      p += size_t{b} + 1;
      if (n.Text.size() > kMaxNameText) return loop();
      continue;
    }
    if (!c.has(p, 2)) return n;
    const size_t target = (size_t{b} & 0x3F) << 8 | c.u8(p + 1);
    if (!jumped) n.Length += 2;
    jumped = true;
    if (target >= earliest || ++jumps > kMaxJumps) return loop();
    p = earliest = target;
  }
}

}  // namespace kestle
