#include "protocols/loopback.h"

#include <string>

#include "decode/context.h"
#include "decode/dispatch.h"
#include "decode/fields.h"
#include "decode/protocol_ids.h"

namespace kestle {

namespace {

// AF_INET, and AF_INET6 as the different systems number it: the name and
// the IP version of the header that follows.
struct FamilyRec {
  uint32_t Family;
  const char* Name;
  unsigned IpVersion;
};
constexpr FamilyRec kFamilies[] = {
    {2, "IPv4", 4},
    {24, "IPv6", 6},
    {28, "IPv6", 6},
    {30, "IPv6", 6},
};

constexpr size_t kHeader = 4;

uint32_t FamilyOf(const DecodeContext& c, bool networkOrder) {
  return networkOrder || c.LinkBigEndian ? c.be32(0) : c.le32(0);
}

const FamilyRec* FindFamily(uint32_t family) {
  for (const auto& f : kFamilies)
    if (f.Family == family) return &f;
  return nullptr;
}

// The family's unit, by the IP version it names.
const DecoderUnit* UnitOf(uint32_t family) {
  const FamilyRec* f = FindFamily(family);
  return f ? IpVersionUnit(f->IpVersion) : nullptr;
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
  const FamilyRec* known = FindFamily(family);
  AddField(c, top,
           "Address Family () - " + std::to_string(family) + " (" +
               std::string(known ? known->Name : "Unknown") + ")",
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
