#include "decode/dispatch.h"

#include "decode/context.h"
#include "decode/fields.h"

namespace kestle {

void CallSummary(DecodeContext& c, const DecoderUnit* unit) {
  if (unit && unit->Summary) unit->Summary(c);
}

void CallTree(DecodeContext& c, const DecoderUnit* unit, DetailNode* parent) {
  if (unit && unit->Tree)
    unit->Tree(c, parent);
  else
    AddField(c, nullptr, "Data ()", 0, c.PacketLen);
}

}  // namespace kestle
