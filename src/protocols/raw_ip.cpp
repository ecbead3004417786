#include "protocols/raw_ip.h"

#include <string>

#include "decode/context.h"
#include "decode/dispatch.h"
#include "decode/fields.h"
#include "decode/protocol_ids.h"

namespace kestle {

namespace {

// Which IP the frame holds: 4 or 6, or by the version nibble (0); -1 when
// the frame holds no byte to tell.
int VersionOf(const DecodeContext& c, int fixed) {
  if (fixed != 0) return fixed;
  return c.has(0, 1) ? c.u8(0) >> 4 : -1;
}

void Summary(DecodeContext& c, int fixed) {
  c.SetProtocol(ProtoRawIP);
  c.Tunnelled = false;
  c.AddDesc("Raw IP");
  const int version = VersionOf(c, fixed);
  const DecoderUnit* u = version < 0 ? nullptr : IpVersionUnit(version);
  if (!u) {
    c.AddDesc("/Unknown");
    return;
  }
  if (!c.beginNest()) return;
  CallSummary(c, u);
  c.endNest();
}

void Tree(DecodeContext& c, int fixed) {
  const int version = VersionOf(c, fixed);
  // An empty frame has no version to show.
  if (version < 0) return;
  const DecoderUnit* u = IpVersionUnit(version);
  AddField(c, nullptr,
           u ? "Raw IP - IPv" + std::to_string(version)
             : "Raw IP - IP version " + std::to_string(version) + " (Unknown)",
           0, 0, TreeImage::Link);
  if (!c.beginNest()) return;
  CallTree(c, u, nullptr);
  c.endNest();
}

}  // namespace

void RawIPSummary(DecodeContext& c) { Summary(c, 0); }
void RawIPTree(DecodeContext& c, DetailNode*) { Tree(c, 0); }
void RawIPv4Summary(DecodeContext& c) { Summary(c, 4); }
void RawIPv4Tree(DecodeContext& c, DetailNode*) { Tree(c, 4); }
void RawIPv6Summary(DecodeContext& c) { Summary(c, 6); }
void RawIPv6Tree(DecodeContext& c, DetailNode*) { Tree(c, 6); }

}  // namespace kestle
