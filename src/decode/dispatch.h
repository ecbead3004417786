// The dispatch tables: which unit decodes a payload, by link type,
// EtherType, LLC SAP, SNAP organisation and type, IP protocol number (for
// IPv4 and for IPv6) and port decoder code (for TCP and for UDP). Each
// table lives in one file under src/protocols; adding a protocol adds one
// line to each table that reaches it. Which carrier hands a protocol on is a
// property of the table entry.
#pragma once

#include <cstdint>
#include <span>

namespace kestle {

class DecodeContext;
struct DetailNode;
enum class Transport : uint8_t;

// A protocol unit's two builders. Either may be absent: a unit without a
// summary adds nothing to the Description, one without a tree shows its
// payload as a top-level "Data ()" line.
struct DecoderUnit {
  // Summary pass: appends "/LABEL ..." to the Description, extends the stack.
  void (*Summary)(DecodeContext& c) = nullptr;
  // Detail tree: adds the unit's branch under `parent` (nullptr = top level).
  void (*Tree)(DecodeContext& c, DetailNode* parent) = nullptr;
};

// Runs a unit's summary builder, when it has one.
void CallSummary(DecodeContext& c, const DecoderUnit* unit);
// Runs a unit's tree builder under `parent`; a payload without one (no unit,
// or a unit without a tree) becomes a top-level "Data ()" line.
void CallTree(DecodeContext& c, const DecoderUnit* unit, DetailNode* parent);

// ---- link types (protocols/link_types.cpp): the unit a frame starts with
constexpr uint16_t kLinkNull = 0;  // BSD loopback, the family in the writer's byte order
constexpr uint16_t kLinkEthernet = 1;
constexpr uint16_t kLinkRawBsd = 12;   // raw IP as some systems number it
constexpr uint16_t kLinkRawBsd2 = 14;  // ... and others
constexpr uint16_t kLinkRaw = 101;
constexpr uint16_t kLinkLoop = 108;  // OpenBSD loopback, the family in network order
constexpr uint16_t kLinkLinuxSll = 113;
constexpr uint16_t kLinkIPv4 = 228;
constexpr uint16_t kLinkIPv6 = 229;
constexpr uint16_t kLinkLinuxSll2 = 276;
struct LinkTypeEntry {
  uint16_t LinkType;
  DecoderUnit Unit;
  const char* Name;    // as File Information names it
  uint32_t MinLength;  // shorter frames are not decoded in the summary pass
};
std::span<const LinkTypeEntry> LinkTypeTable();
// nullptr for a link type without a unit.
const LinkTypeEntry* LinkTypeOf(uint16_t linkType);
const DecoderUnit* LinkTypeUnit(uint16_t linkType);
// Whether frames of the link type are decoded (the loads' FrameSink answer).
bool DecodesLinkType(uint16_t linkType);

// ---- EtherTypes (protocols/ethertypes.cpp)
struct EtherTypeEntry {
  uint16_t Type;
  DecoderUnit Unit;
  bool OverSnap;  // also handed on by SNAP with the organisation code 00-00-00
};
std::span<const EtherTypeEntry> EtherTypeTable();
const DecoderUnit* EtherTypeUnit(uint16_t type);

// ---- LLC and SNAP (protocols/llc_dispatch.cpp)
struct LlcSapEntry {
  uint8_t Sap;  // the DSAP
  DecoderUnit Unit;
};
struct SnapEntry {
  uint32_t Oui;
  uint16_t Type;
  DecoderUnit Unit;
};
std::span<const LlcSapEntry> LlcSapTable();
std::span<const SnapEntry> SnapTable();
const DecoderUnit* LlcSapUnit(uint8_t dsap);
// Organisation 00-00-00 means the type is an EtherType: the EtherType
// table's entries marked OverSnap.
const DecoderUnit* SnapUnit(uint32_t oui, uint16_t type);

// ---- IP protocols (protocols/ip_protocols.cpp)
enum class IpVersion : uint8_t { V4, V6 };
struct IpProtocolEntry {
  uint8_t Protocol;
  DecoderUnit OverIPv4;  // both builders absent: IPv4 does not hand it on
  DecoderUnit OverIPv6;
};
std::span<const IpProtocolEntry> IpProtocolTable();
// nullptr when that IP version does not hand the protocol on.
const DecoderUnit* IpProtocolUnit(uint8_t protocol, IpVersion carrier);

// ---- port decoder codes (protocols/port_decoders.cpp)
// How one transport hands a payload to a decoder code. Summary: whether the
// code names the payload in the Description (by its decoder, or by the
// port's description while the decoder is not built in); Tree: whether the
// payload gets the decoder's tree (or "Data ()" while it is not built in).
struct PortDecoderUse {
  bool Summary = false;
  bool Tree = false;
  DecoderUnit Unit;
};
struct PortDecoderEntry {
  uint16_t Code;
  PortDecoderUse OverTCP;
  PortDecoderUse OverUDP;
};
std::span<const PortDecoderEntry> PortDecoderTable();
// The use of decoder `code` over the transport; one with neither Summary nor
// Tree when the transport does not hand the code on.
const PortDecoderUse& PortDecoderFor(uint16_t code, Transport carrier);

}  // namespace kestle
