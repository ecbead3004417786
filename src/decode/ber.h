// Reading BER-encoded values (tag, length, contents) from the current layer,
// as SNMP messages carry them. A value whose length runs past the end given
// to the reader is an error; so are lengths of more than three bytes and the
// indefinite form (0x80).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace kestle {

class DecodeContext;

namespace ber {
constexpr uint8_t kInteger = 0x02;
constexpr uint8_t kOctetString = 0x04;
constexpr uint8_t kNull = 0x05;
constexpr uint8_t kOid = 0x06;
constexpr uint8_t kSequence = 0x30;
constexpr uint8_t kIpAddress = 0x40;
constexpr uint8_t kCounter = 0x41;
constexpr uint8_t kGauge = 0x42;
constexpr uint8_t kTimeTicks = 0x43;
constexpr uint8_t kOpaque = 0x44;
}  // namespace ber

// One value: its tag byte and where its contents lie within the layer.
struct BerValue {
  uint8_t Tag = 0;
  size_t At = 0;        // the tag byte
  size_t Contents = 0;  // the first byte of the contents
  size_t Length = 0;    // of the contents
  size_t End() const { return Contents + Length; }
};

class BerReader {
 public:
  // Reads the layer's bytes from `pos` up to `end` (cut to the layer).
  BerReader(const DecodeContext& c, size_t pos, size_t end);

  size_t Pos() const { return pos_; }
  size_t End() const { return end_; }
  bool AtEnd() const { return pos_ >= end_; }
  // The tag byte at the position, if there is one.
  bool PeekTag(uint8_t& tag) const;

  // Reads the tag and length of the next value and moves into its contents
  // (for constructed values: SEQUENCE, a PDU). False on an error; the
  // position does not move then.
  bool Enter(BerValue& v);
  // The same, with the tag required to be `tag`.
  bool Enter(uint8_t tag, BerValue& v);
  // Reads the next value whole and moves past it.
  bool Next(BerValue& v);
  bool Next(uint8_t tag, BerValue& v);

  // ---- contents of a value read by this reader
  std::string_view Bytes(const BerValue& v) const;
  // Two's complement, 0 to 4 contents bytes.
  bool Integer(const BerValue& v, int32_t& out) const;
  // Unsigned, 0 to 4 contents bytes, or 5 whose first is a zero (values
  // from 2^31 up are sent with a leading zero).
  bool Unsigned(const BerValue& v, uint32_t& out) const;
  // The sub-identifiers of an object identifier, the first contents
  // number giving the first two; at least one contents byte, at most
  // `maxCount` sub-identifiers, each of at most 32 bits, and the last one
  // complete within the contents.
  bool Oid(const BerValue& v, std::vector<uint32_t>& out, size_t maxCount) const;

 private:
  bool Header(BerValue& v) const;
  const DecodeContext& c_;
  size_t pos_;
  size_t end_;
};

}  // namespace kestle
