#include "decode/stringpool.h"

#include <algorithm>
#include <cstring>

namespace kestle {

namespace {
constexpr uint32_t kBlockSize = 1u << 20;
}

StrRef StringPool::Add(std::string_view text) {
  if (text.empty()) return {};
  const uint32_t len = static_cast<uint32_t>(std::min<size_t>(text.size(), 1u << 30));
  if (blocks_.empty() || blocks_.back().size - blocks_.back().used < len) {
    Block b;
    b.size = std::max(kBlockSize, len);
    b.data = std::make_unique<char[]>(b.size);
    blocks_.push_back(std::move(b));
  }
  Block& b = blocks_.back();
  std::memcpy(b.data.get() + b.used, text.data(), len);
  StrRef r{static_cast<uint32_t>(blocks_.size() - 1), b.used, len};
  b.used += len;
  return r;
}

uint64_t StringPool::BytesUsed() const {
  uint64_t n = 0;
  for (const auto& b : blocks_) n += b.size;
  return n;
}

}  // namespace kestle
