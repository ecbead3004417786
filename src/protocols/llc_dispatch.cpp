// Dispatch by LLC service access point and by SNAP organisation and type.
// The summary pass and the detail tree both look the carried protocol up
// here (by DSAP, or by the organisation and type of a SNAP header), so that
// a frame reaches the same decoder in both.
#include "decode/dispatch.h"
#include "protocols/ipv4.h"
#include "protocols/named.h"
#include "protocols/netbios.h"

namespace kestle {

namespace {

constexpr uint32_t kOuiEncapEther = 0x000000;  // the SNAP type is an EtherType
constexpr uint32_t kOuiCisco = 0x00000C;

constexpr LlcSapEntry kSaps[] = {
    {0x04, {SNASummary, nullptr}},
    {0x05, {SNASummary, nullptr}},
    {0x06, {IPv4Summary, IPv4Tree}},
    {0x08, {SNASummary, nullptr}},
    {0x0C, {SNASummary, nullptr}},
    {0x42, {STPSummary, nullptr}},
    {0xF0, {NetbiosLLCSummary, NetbiosLLCTree}},
};
// A SNAP header with an organisation listed here and a type it does not
// list gets "OC=... eType=..." in the Description.
constexpr SnapEntry kSnaps[] = {
    {kOuiCisco, 0x010B, {STPSummary, nullptr}},  {kOuiCisco, 0x2000, {CDPSummary, nullptr}},
    {kOuiCisco, 0x2001, {CGMPSummary, nullptr}}, {kOuiCisco, 0x2003, {VTPOverSNAPSummary, nullptr}},
    {kOuiCisco, 0x2004, {DTPSummary, nullptr}},
};

}  // namespace

std::span<const LlcSapEntry> LlcSapTable() { return kSaps; }
std::span<const SnapEntry> SnapTable() { return kSnaps; }

const DecoderUnit* LlcSapUnit(uint8_t dsap) {
  for (const auto& e : kSaps)
    if (e.Sap == dsap) return &e.Unit;
  return nullptr;
}

const DecoderUnit* SnapUnit(uint32_t oui, uint16_t type) {
  if (oui == kOuiEncapEther) {
    for (const auto& e : EtherTypeTable())
      if (e.Type == type && e.OverSnap) return &e.Unit;
    return nullptr;
  }
  for (const auto& e : kSnaps)
    if (e.Oui == oui && e.Type == type) return &e.Unit;
  return nullptr;
}

}  // namespace kestle
