// The dispatch tables: which unit decodes a payload, by link type,
// EtherType, LLC SAP, SNAP organisation and type, IP protocol number (for
// IPv4 and for IPv6) and port decoder code (for TCP and for UDP). Each
// table lives in one file under src/protocols; adding a protocol adds one
// line to each table that reaches it. Which carrier hands a protocol on is a
// property of the table entry.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

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
// Names of EtherTypes ("" when unknown).
std::string_view EtherTypeName(uint16_t type);
// A type or length field's line: `lengthLabel` and the length for a value
// up to 1500, else `typeLabel`, the type in hex and its name.
std::string EtherTypeLine(const char* lengthLabel, const char* typeLabel, uint16_t type);

// What an EtherType above 1500 names, its payload at `at` of the current
// layer: 802.1q tags, then 802.3 or the EtherType's unit. Ethernet and the
// link units that carry an EtherType share it, so the same protocols decode
// behind them. The tree adds its lines at the top.
void EtherTypePayloadSummary(DecodeContext& c, uint16_t type, size_t at);
void EtherTypePayloadTree(DecodeContext& c, uint16_t type, size_t at);
// How many 802.1q tags in a row are unwrapped (tags inside tags are common
// on provider networks); the summary and the tree stop at the same tag.
constexpr int kMaxVlanTags = 8;

// The unit of an IP header of `version` (4 or 6), as the EtherType table
// names it; nullptr for any other version. Link units without an EtherType
// (raw IP, loopback) and quoted datagrams hand on through it.
const DecoderUnit* IpVersionUnit(unsigned version);

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
// Names of LLC service access points ("" when unknown).
std::string_view SapName(uint8_t sap);
// 802.3 after its length field `len`, the LLC header at `h`: Novell raw
// (IPX), SNAP or LLC and the unit they name. Bytes after the length are
// padding and never payload. The summary starts with "802.3".
void Dot3PayloadSummary(DecodeContext& c, size_t h, uint16_t len);
void Dot3PayloadTree(DecodeContext& c, size_t h, uint16_t len);

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
// A decoder code that means another unit when either port is `Port` (the
// NetBIOS datagram service on 138 beside the name service).
struct PortVariantEntry {
  uint16_t Code;
  Transport Carrier;
  uint16_t Port;
  PortDecoderUse Use;
};
std::span<const PortVariantEntry> PortVariantTable();
// The use of decoder `code` over the transport between the two ports; one
// with neither Summary nor Tree when the transport does not hand the code
// on.
const PortDecoderUse& PortDecoderFor(uint16_t code, Transport carrier, uint16_t srcPort,
                                     uint16_t dstPort);

// A datagram or segment that a protocol's state from earlier frames claims,
// whatever its ports (the datagrams of a TFTP transfer): `Claims` answers
// for the payload at the current layer between the ports (source first)
// and the addresses of c.Ip, and the payload goes to decoder `Code`.
struct ClaimEntry {
  Transport Carrier;
  bool (*Claims)(const DecodeContext& c, uint16_t srcPort, uint16_t dstPort);
  uint16_t Code;
};
std::span<const ClaimEntry> ClaimTable();
// The decoder code of the first entry for the transport that claims the
// payload; 0 when none does.
uint16_t ClaimedDecoder(const DecodeContext& c, Transport carrier, uint16_t srcPort,
                        uint16_t dstPort);

// ---- payload signatures (protocols/signatures.cpp)
struct SignatureEntry {
  std::string_view Signature;  // the payload's first bytes
  DecoderUnit Unit;
};
std::span<const SignatureEntry> SignatureTable();
// The unit of the first signature that the bytes at `at` of the current
// layer start with; nullptr when none does.
const DecoderUnit* SignatureUnit(const DecodeContext& c, size_t at = 0);

}  // namespace kestle
