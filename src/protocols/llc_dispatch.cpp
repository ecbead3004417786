// Dispatch by LLC service access point and by SNAP organisation and type.
// The summary pass and the detail tree both look the carried protocol up
// here (by DSAP, or by the organisation and type of a SNAP header), so that
// a frame reaches the same decoder in both.
#include <string>

#include "decode/config/environment.h"
#include "decode/context.h"
#include "decode/dispatch.h"
#include "decode/fields.h"
#include "decode/lookup.h"
#include "decode/text.h"
#include "protocols/ipv4.h"
#include "protocols/named.h"
#include "protocols/netbios.h"

namespace kestle {

namespace {

constexpr uint32_t kOuiEncapEther = 0x000000;  // the SNAP type is an EtherType
constexpr uint32_t kOuiCisco = 0x00000C;
constexpr size_t kLlcHeader = 3;
constexpr size_t kSnapHeader = 8;  // LLC and SNAP
constexpr uint16_t kIpxType = 0x8137;
constexpr uint8_t kSapSnap = 0xAA;
constexpr uint8_t kSapRaw = 0xFF;

constexpr LookupTableRec kSapNames[] = {
    {0x00, "Null LSAP"},
    {0x86, "Nestar"},
    {0x02, "Individual LLC"},
    {0x8E, "Proway"},
    {0x03, "Group LLC"},
    {0x98, "ARP"},
    {0x04, "SNA"},
    {0xBA, "Banyan Vines"},
    {0x05, "SNA"},
    {0xBC, "Banyan Vines"},
    {0x06, "IP"},
    {0xAA, "SNAP"},
    {0x08, "SNA"},
    {0xE0, "IPX"},
    {0x0C, "SNA"},
    {0xF0, "Netbios"},
    {0x0E, "PROWAY"},
    {0xF4, "IBM LANMAN"},
    {0x18, "Texas Instruments"},
    {0xF5, "IBM LANMAN"},
    {0x42, "BPDU"},
    {0xF8, "IBM RPL"},
    {0x4E, "EIA RS-511"},
    {0xFA, "Ungermann-Bass"},
    {0x7E, "ISO 8208"},
    {0xFE, "ISO Network Layer"},
    {0x80, "XNS"},
    {0xFF, "Global LSAP"},
};

std::string SapLine(const char* label, uint8_t sap) {
  const std::string_view name = SapName(sap);
  return label + Hex(sap, 2) + " (" + std::string(name.empty() ? "Unknown" : name) + ")";
}

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

std::string_view SapName(uint8_t sap) { return LookupCode(sap, kSapNames, ""); }

// ---- 802.3 after its length field

// 802.3 after the length field: h is where the LLC header starts, len the
// 802.3 length. Bytes after the length are padding and never payload.
void Dot3PayloadSummary(DecodeContext& c, size_t h, uint16_t len) {
  c.AddDesc("802.3");
  c.limit(h + len);
  if (!c.has(h, 1)) return;
  const uint8_t dsap = c.u8(h);
  if (dsap == kSapRaw) {  // Novell raw 802.3: IPX right after the length
    c.AddDesc("-Raw");
    c.enter(h);
    CallSummary(c, EtherTypeUnit(kIpxType));
    return;
  }
  if (dsap == kSapSnap) {
    c.AddDesc("/SNAP");
    if (!c.has(h, kSnapHeader)) return;
    const uint32_t oui = c.be24(h + 3);
    const uint16_t type = c.be16(h + 6);
    const DecoderUnit* u = SnapUnit(oui, type);
    if (oui == kOuiEncapEther) {
      c.AddDesc("/Encap Ether");
    } else if (!u) {
      c.AddDesc(" OC=");
      c.AddDesc(Hex(oui, 6));
      c.AddDesc(" eType=");
      c.AddDesc(Hex(type, 4));
    }
    c.enter(h + kSnapHeader);
    CallSummary(c, u);
    return;
  }
  if (!c.has(h, kLlcHeader)) return;
  c.enter(h + kLlcHeader);
  CallSummary(c, LlcSapUnit(dsap));
}

void Dot3PayloadTree(DecodeContext& c, size_t h, uint16_t len) {
  const LayerState frame = c.save();
  c.limit(h + len);
  if (c.has(h, 1) && c.u8(h) == kSapRaw) {
    c.enter(h);
    CallTree(c, EtherTypeUnit(kIpxType), nullptr);
    return;
  }
  if (!c.has(h, 1)) {
    // A length of 0 leaves no header at all: what follows it is data.
    c.restore(frame);
    if (len == 0 && c.enter(h) && c.PacketLen != 0) AddField(c, nullptr, "Data ()", 0, c.PacketLen);
    return;
  }
  DetailNode* llc = AddBranch(c, nullptr, "Logical Link Control ()", h, kLlcHeader);
  const uint8_t dsap = c.u8(h);
  AddField(c, llc, SapLine("DSAP () - 0x", dsap), h, 1);
  AddField(c, llc, SapLine("SSAP () - 0x", c.u8(h + 1)), h + 1, 1);
  AddField(c, llc, "Control () - 0x" + Hex(c.u8(h + 2), 2), h + 2, 1);
  if (!c.has(h, kLlcHeader)) return;  // the header is cut short

  const DecoderUnit* u = nullptr;
  if (dsap == kSapSnap) {
    const size_t o = h + kLlcHeader;
    DetailNode* snap = AddBranch(c, nullptr, "SNAP", o, kSnapHeader - kLlcHeader);
    if (!c.has(o, 3)) return;
    uint8_t oui[3];
    c.copy(o, oui, 3);
    std::string text = "Organization Code () - ";
    for (uint8_t b : oui) text += Hex(b, 2) + " ";
    if (const std::string* vendor = c.Env.Vendors.Find(oui)) text += " (" + *vendor + ")";
    AddField(c, snap, std::move(text), o, 3);
    if (!c.has(o + 3, 2)) return;
    const uint16_t type = c.be16(o + 3);
    AddField(c, snap, "eType () - 0x" + Hex(type, 4), o + 3, 2);
    u = SnapUnit(c.be24(o), type);
    c.enter(h + kSnapHeader);
  } else {
    u = LlcSapUnit(dsap);
    c.enter(h + kLlcHeader);
  }
  // The summary pass looks the carried protocol up in the same tables, so a
  // frame reaches the same decoder in both.
  CallTree(c, u, nullptr);
}

}  // namespace kestle
