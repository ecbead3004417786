// An open-addressing hash index from 64-bit keys to non-zero 32-bit table
// indexes (1-based table positions). The registries search it once or more
// per frame, so it keeps keys and values in flat arrays: one cache line per
// probe instead of a node per entry.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kestle {

class FlatIndex {
 public:
  // The index stored for `key`, 0 when there is none.
  uint32_t Find(uint64_t key) const {
    if (values_.empty()) return 0;
    for (size_t i = Slot(key);; i = (i + 1) & mask_) {
      if (values_[i] == 0) return 0;
      if (keys_[i] == key) return values_[i];
    }
  }
  // Stores `value` (non-zero) for `key` unless the key is there already:
  // the first entry stays.
  void Insert(uint64_t key, uint32_t value) {
    if ((count_ + 1) * 2 > values_.size()) Grow();
    for (size_t i = Slot(key);; i = (i + 1) & mask_) {
      if (values_[i] == 0) {
        keys_[i] = key;
        values_[i] = value;
        ++count_;
        return;
      }
      if (keys_[i] == key) return;
    }
  }
  void Clear() {
    keys_.clear();
    values_.clear();
    count_ = 0;
    mask_ = 0;
  }
  size_t Size() const { return count_; }

 private:
  size_t Slot(uint64_t key) const {
    // splitmix64 finaliser: nearby keys (MAC addresses, table positions)
    // spread over the whole table.
    key ^= key >> 30;
    key *= 0xBF58476D1CE4E5B9ull;
    key ^= key >> 27;
    key *= 0x94D049BB133111EBull;
    key ^= key >> 31;
    return static_cast<size_t>(key) & mask_;
  }
  void Grow() {
    std::vector<uint64_t> keys;
    std::vector<uint32_t> values;
    keys.swap(keys_);
    values.swap(values_);
    const size_t size = values.empty() ? 64 : values.size() * 2;
    keys_.assign(size, 0);
    values_.assign(size, 0);
    mask_ = size - 1;
    count_ = 0;
    for (size_t i = 0; i < values.size(); ++i)
      if (values[i] != 0) Insert(keys[i], values[i]);
  }

  std::vector<uint64_t> keys_;
  std::vector<uint32_t> values_;  // 0 = empty slot
  size_t count_ = 0;
  size_t mask_ = 0;
};

}  // namespace kestle
