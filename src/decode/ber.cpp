#include "decode/ber.h"

#include <algorithm>

#include "decode/context.h"

namespace kestle {

BerReader::BerReader(const DecodeContext& c, size_t pos, size_t end)
    : c_(c), pos_(pos), end_(std::min<size_t>(end, c.PacketLen)) {}

bool BerReader::PeekTag(uint8_t& tag) const {
  if (pos_ >= end_) return false;
  tag = c_.u8(pos_);
  return true;
}

bool BerReader::Header(BerValue& v) const {
  size_t p = pos_;
  if (p >= end_) return false;
  v.At = p;
  v.Tag = c_.u8(p++);
  if (p >= end_) return false;
  const uint8_t first = c_.u8(p++);
  size_t length = first;
  if (first >= 0x80) {
    const size_t count = first & 0x7F;
    // The indefinite form and lengths of more than three bytes are not taken.
    if (count == 0 || count > 3 || count > end_ - p) return false;
    length = 0;
    for (size_t i = 0; i < count; ++i) length = length << 8 | c_.u8(p++);
  }
  if (length > end_ - p) return false;
  v.Contents = p;
  v.Length = length;
  return true;
}

bool BerReader::Enter(BerValue& v) {
  if (!Header(v)) return false;
  pos_ = v.Contents;
  return true;
}

bool BerReader::Enter(uint8_t tag, BerValue& v) {
  BerValue w;
  if (!Header(w) || w.Tag != tag) return false;
  v = w;
  pos_ = v.Contents;
  return true;
}

bool BerReader::Next(BerValue& v) {
  if (!Header(v)) return false;
  pos_ = v.End();
  return true;
}

bool BerReader::Next(uint8_t tag, BerValue& v) {
  BerValue w;
  if (!Header(w) || w.Tag != tag) return false;
  v = w;
  pos_ = v.End();
  return true;
}

std::string_view BerReader::Bytes(const BerValue& v) const {
  return c_.bytes(v.Contents, v.Length);
}

bool BerReader::Integer(const BerValue& v, int32_t& out) const {
  if (v.Length > 4 || !c_.has(v.Contents, v.Length)) return false;
  uint32_t u = 0;
  for (size_t i = 0; i < v.Length; ++i) u = u << 8 | c_.u8(v.Contents + i);
  // Sign-extend from the first contents byte.
  if (v.Length > 0 && v.Length < 4 && (c_.u8(v.Contents) & 0x80)) u |= ~0u << (8 * v.Length);
  out = static_cast<int32_t>(u);
  return true;
}

bool BerReader::Unsigned(const BerValue& v, uint32_t& out) const {
  if (!c_.has(v.Contents, v.Length)) return false;
  size_t from = v.Contents, n = v.Length;
  if (n == 5 && c_.u8(from) == 0) {
    ++from;
    --n;
  }
  if (n > 4) return false;
  uint32_t u = 0;
  for (size_t i = 0; i < n; ++i) u = u << 8 | c_.u8(from + i);
  out = u;
  return true;
}

bool BerReader::Oid(const BerValue& v, std::vector<uint32_t>& out, size_t maxCount) const {
  out.clear();
  if (v.Length == 0 || !c_.has(v.Contents, v.Length)) return false;
  uint64_t n = 0;
  bool open = false;  // a sub-identifier has begun and not yet ended
  for (size_t i = 0; i < v.Length; ++i) {
    const uint8_t b = c_.u8(v.Contents + i);
    n = n << 7 | (b & 0x7F);
    if (n > UINT32_MAX) return false;
    open = (b & 0x80) != 0;
    if (open) continue;
    if (out.empty()) {
      // The first number holds the first two sub-identifiers.
      const uint32_t first = n < 80 ? static_cast<uint32_t>(n / 40) : 2;
      out.push_back(first);
      out.push_back(static_cast<uint32_t>(n - 40u * first));
    } else {
      out.push_back(static_cast<uint32_t>(n));
    }
    if (out.size() > maxCount) return false;
    n = 0;
  }
  return !open;
}

}  // namespace kestle
