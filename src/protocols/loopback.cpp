#include "protocols/loopback.h"

#include <string>

#include "decode/context.h"
#include "decode/dispatch.h"
#include "decode/fields.h"
#include "decode/lookup.h"
#include "decode/protocol_ids.h"

namespace kestle {

namespace {

// AF_INET, and AF_INET6 as the different systems number it.
constexpr LookupTableRec kFamilies[] = {
    {2, "IPv4"},
    {24, "IPv6"},
    {28, "IPv6"},
    {30, "IPv6"},
};

constexpr size_t kHeader = 4;
constexpr uint16_t kIPv4Type = 0x0800;
constexpr uint16_t kIPv6Type = 0x86DD;

uint32_t FamilyOf(const DecodeContext& c, bool networkOrder) {
  return networkOrder || c.LinkBigEndian ? c.be32(0) : c.le32(0);
}

// The family's unit, as the EtherType table names it.
const DecoderUnit* UnitOf(uint32_t family) {
  if (family == 2) return EtherTypeUnit(kIPv4Type);
  if (family == 24 || family == 28 || family == 30) return EtherTypeUnit(kIPv6Type);
  return nullptr;
}

void Summary(DecodeContext& c, bool networkOrder) {
  c.SetProtocol(ProtoBSDLoopback);
  c.Tunnelled = false;
  c.AddDesc("Loopback");
  if (!c.has(0, kHeader)) return;
  const DecoderUnit* u = UnitOf(FamilyOf(c, networkOrder));
  if (!u) {
    c.AddDesc("/Unknown");
    return;
  }
  if (!c.beginNest()) return;
  c.enter(kHeader);
  CallSummary(c, u);
  c.endNest();
}

void Tree(DecodeContext& c, bool networkOrder) {
  DetailNode* top = AddBranch(c, nullptr, "Loopback ()", 0, kHeader, TreeImage::Link);
  const uint32_t family = FamilyOf(c, networkOrder);
  AddField(c, top,
           "Address Family () - " + std::to_string(family) + " (" +
               std::string(family > 0xFFFF
                               ? "Unknown"
                               : LookupCode(static_cast<uint16_t>(family), kFamilies, "Unknown")) +
               ")",
           0, kHeader);
  if (!c.has(0, kHeader) || !c.beginNest()) return;
  c.enter(kHeader);
  CallTree(c, UnitOf(family), nullptr);
  c.endNest();
}

}  // namespace

void BSDLoopbackSummary(DecodeContext& c) { Summary(c, false); }
void BSDLoopbackTree(DecodeContext& c, DetailNode*) { Tree(c, false); }
void OpenBSDLoopbackSummary(DecodeContext& c) { Summary(c, true); }
void OpenBSDLoopbackTree(DecodeContext& c, DetailNode*) { Tree(c, true); }

}  // namespace kestle
