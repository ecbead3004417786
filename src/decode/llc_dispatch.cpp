// Dispatch by LLC service access point and by SNAP organisation and type.
// The summary pass and the detail tree both look the carried protocol up
// here (by DSAP, or by the organisation and type of a SNAP header), so that
// a frame reaches the same decoder in both.
#include "decode/context.h"
#include "decode/dispatch.h"
#include "decode/link.h"
#include "protocols/ipv4.h"

namespace kestle {

namespace {
struct SapEntry {
  uint8_t Sap;  // the DSAP
  DecoderUnit Unit;
};
struct SnapEntry {
  uint32_t Oui;
  uint16_t Type;
  DecoderUnit Unit;
};

constexpr uint32_t kOuiEncapEther = 0x000000;  // the SNAP type is an EtherType
constexpr uint32_t kOuiCisco = 0x00000C;

// The link layer records these protocols itself; their own decoders add
// the rest of the Description.
void NetbiosOverLlc(DecodeContext& c) { c.SetProtocol(ProtoNetbios); }
void VtpOverSnap(DecodeContext& c) { c.SetProtocol(ProtoVTP); }
// Spanning tree: its decoder names the frame.
void SpanningTree(DecodeContext&) {}

constexpr SapEntry kSaps[] = {
    {0x04, {SnaSummary, DataTree}},
    {0x05, {SnaSummary, DataTree}},
    {0x06, {IPv4Summary, IPv4Tree}},
    {0x08, {SnaSummary, DataTree}},
    {0x0C, {SnaSummary, DataTree}},
    {0x42, {SpanningTree, DataTree}},
    {0xF0, {NetbiosOverLlc, DataTree}},
};
constexpr SnapEntry kSnaps[] = {
    {kOuiCisco, 0x010B, {SpanningTree, DataTree}},
    {kOuiCisco, 0x2000, {CdpSummary, DataTree}},
    {kOuiCisco, 0x2001, {CgmpSummary, DataTree}},
    {kOuiCisco, 0x2003, {VtpOverSnap, DataTree}},
    {kOuiCisco, 0x2004, {DtpSummary, DataTree}},
};
// EtherTypes that SNAP with the zero organisation code hands on; any other
// type adds nothing to the Description.
constexpr uint16_t kEncapEtherTypes[] = {0x0800, 0x0806, 0x8137, 0x888E};

}  // namespace

const DecoderUnit* LlcSapUnit(uint8_t dsap) {
  for (const auto& e : kSaps)
    if (e.Sap == dsap) return &e.Unit;
  return nullptr;
}

const DecoderUnit* SnapUnit(uint32_t oui, uint16_t type) {
  if (oui == kOuiEncapEther) {
    for (uint16_t t : kEncapEtherTypes)
      if (t == type) return EtherTypeUnit(type);
    return nullptr;
  }
  for (const auto& e : kSnaps)
    if (e.Oui == oui && e.Type == type) return &e.Unit;
  return nullptr;
}

}  // namespace kestle
