#include "decode/resource_records.h"

namespace kestle {

bool ReadRecordFields(const DecodeContext& c, size_t at, size_t nameLength, bool record,
                      ResourceRecord& r) {
  r.At = at;
  const size_t p = at + nameLength;
  if (!c.has(p, record ? 10 : 4)) return false;
  r.Type = c.be16(p);
  r.Class = c.be16(p + 2);
  if (!record) {
    r.Length = nameLength + 4;
    return true;
  }
  r.Ttl = c.be32(p + 4);
  r.DataLength = c.be16(p + 8);
  r.Data = p + 10;
  r.Length = nameLength + 10 + r.DataLength;
  return c.has(r.Data, r.DataLength);
}

}  // namespace kestle
