// Questions and resource records as DNS and the NetBIOS name service write
// them: a name, then type and class, and for a record the TTL, the data
// length and the data. Each protocol reads its own kind of name; the fixed
// fields and the walk over a section are read here, so both stop at the
// first entry that does not lie whole in the layer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "decode/context.h"

namespace kestle {

struct ResourceRecord {
  size_t At = 0;  // where the name starts
  uint16_t Type = 0;
  uint16_t Class = 0;
  uint32_t Ttl = 0;
  uint16_t DataLength = 0;
  size_t Data = 0;    // where the data starts
  size_t Length = 0;  // the name, the fixed fields and the data
};

// Reads the fields after a name of `nameLength` bytes at `at`; false when
// the question (4 bytes) or the record (10 bytes and its data) does not lie
// whole in the layer.
bool ReadRecordFields(const DecodeContext& c, size_t at, size_t nameLength, bool record,
                      ResourceRecord& r);

// A question or record with its name, read by `readName(c, at)`, which
// gives a name with `Whole` and `Length`.
template <class NameT>
struct NamedRecord : ResourceRecord {
  NameT Name;
};
template <class NameT, class ReadName>
bool ReadNamedRecord(const DecodeContext& c, size_t at, bool record, ReadName readName,
                     NamedRecord<NameT>& r) {
  r = {};
  r.At = at;
  r.Name = readName(c, at);
  return r.Name.Whole && ReadRecordFields(c, at, r.Name.Length, record, r);
}

// How a walk over a section ended: after `count` entries, at an entry that
// did not lie whole (the counts promise more than the layer holds: the
// layer is marked truncated), or at an entry starting past `lastStart`.
enum class WalkEnd { Complete, Short, PastLimit };

// Reads up to `count` entries from `start` with `read(c, at, entry)` into
// `out`; `length` is the bytes the whole entries cover.
template <class Entry, class Read>
WalkEnd WalkRecords(DecodeContext& c, size_t start, uint32_t count, size_t lastStart, Read read,
                    std::vector<Entry>& out, size_t& length) {
  size_t p = start;
  WalkEnd end = WalkEnd::Complete;
  for (uint32_t i = 0; i < count; ++i) {
    if (p > lastStart) {
      end = WalkEnd::PastLimit;
      break;
    }
    Entry e;
    if (!read(c, p, e)) {
      c.Truncated = true;
      end = WalkEnd::Short;
      break;
    }
    p += e.Length;
    out.push_back(std::move(e));
  }
  length = p - start;
  return end;
}

}  // namespace kestle
