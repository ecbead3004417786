// The dispatch tables: which unit decodes a payload, by EtherType, LLC SAP,
// SNAP organisation and type, IP protocol number and port decoder code.
// Each table lives in one file; adding a protocol adds one line there.
#pragma once

#include <cstdint>

namespace kestle {

class DecodeContext;
struct DetailNode;

// Both functions of a unit in a table are set; a protocol without a tree of
// its own uses DataTree (decode/link.h).
struct DecoderUnit {
  // Summary pass: appends "/LABEL ..." to the Description, extends the stack.
  void (*Summary)(DecodeContext& c);
  // Detail tree: adds the unit's branch under `parent` (nullptr = top level).
  void (*Tree)(DecodeContext& c, DetailNode* parent);
};

const DecoderUnit* EtherTypeUnit(uint16_t type);            // decode/ethertypes.cpp
const DecoderUnit* LlcSapUnit(uint8_t dsap);                // decode/llc_dispatch.cpp
const DecoderUnit* SnapUnit(uint32_t oui, uint16_t type);   // decode/llc_dispatch.cpp
const DecoderUnit* IpProtocolUnit(uint8_t protocol);        // protocols/ip_protocols.cpp
const DecoderUnit* PortDecoderUnit(uint16_t decoderCode);   // protocols/port_decoders.cpp

}  // namespace kestle
