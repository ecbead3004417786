// Append-only store of short texts (the frames' Descriptions). A text is
// referred to by a StrRef; texts never move once added.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

namespace kestle {

struct StrRef {
  uint32_t Block = 0;
  uint32_t Offset = 0;
  uint32_t Length = 0;
};

class StringPool {
 public:
  StrRef Add(std::string_view text);
  std::string_view Get(StrRef r) const {
    if (r.Length == 0 || r.Block >= blocks_.size()) return {};
    return {blocks_[r.Block].data.get() + r.Offset, r.Length};
  }
  void Clear() { blocks_.clear(); }
  uint64_t BytesUsed() const;

 private:
  struct Block {
    std::unique_ptr<char[]> data;
    uint32_t size = 0;
    uint32_t used = 0;
  };
  std::vector<Block> blocks_;
};

}  // namespace kestle
