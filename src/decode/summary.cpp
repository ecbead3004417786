#include "decode/summary.h"

#include <cstring>

#include "decode/config/environment.h"
#include "decode/context.h"
#include "decode/dispatch.h"
#include "decode/protocol_ids.h"
#include "decode/session.h"

namespace kestle {

void ProcessFrame(CaptureSession& s, DecodeContext& c, const CapturedFrame& f) {
  const FrameHeaderRec& h = f.Header;
  FrameTabRec& rec = s.FrameTable[s.FrameCount];
  rec = FrameTabRec{};

  rec.RelTime = f.RelTime;
  rec.RecordPos = f.RecordPos;
  rec.Seconds = f.Seconds;
  rec.Micro = f.Micro;
  rec.CapLen = h.Size;
  rec.TrueLen = h.TrueSize != 0 ? h.TrueSize : h.Size;
  rec.LinkType = h.LinkType;
  rec.BigEndian = h.BigEndian ? 1 : 0;

  c.FrameProtocol = 0;
  const uint8_t* bytes = f.Bytes.data();
  const LinkTypeEntry* link = LinkTypeOf(h.LinkType);
  if (link && f.Bytes.size() >= link->MinLength) {
    c.FrameNo = s.FrameCount;
    c.Rec = &rec;
    c.Tree = nullptr;
    c.Desc.clear();
    c.LoadFrame(bytes, static_cast<uint32_t>(f.Bytes.size()));
    c.LinkType = h.LinkType;
    c.LinkBigEndian = h.BigEndian;
    const bool ethernet = h.LinkType == kLinkEthernet;
    if (ethernet) std::memcpy(c.DstMac, bytes, 6);
    CallSummary(c, &link->Unit);
    // A frame whose link unit hands nothing on is of an unknown protocol.
    if (c.FrameProtocol == 0 || IsLinkUnit(s.Paths.ProtocolOf(c.FrameProtocol)))
      c.SetProtocol(ProtoUnknown);
    rec.Description = s.Descriptions.Add(c.Desc);
    rec.Protocol = c.FrameProtocol;
    // Stations by their MAC addresses when nothing above named them; a
    // link without MAC addresses names only those it has.
    if (rec.SrcNode == 0 && c.NamesMac(c.SrcMac))
      rec.SrcNode = s.Nodes.RegisterNode(c.SrcMac, 0, {});
    if (rec.DstNode == 0 && c.NamesMac(c.DstMac))
      rec.DstNode = s.Nodes.RegisterNode(c.DstMac, 0, {});
    c.Rec = nullptr;
  } else {
    rec.Protocol = s.Paths.Extend(0, ProtoUnknown);
  }
}

uint32_t GetProtocolColour(const CaptureSession& s, uint32_t frame) {
  if (!s.Env.settings.ColourGrid || frame < 1 || frame > s.FrameCount) return 0;
  uint32_t p = s.FrameTable[frame].Protocol;
  // Each entry's parent was added before it, so the walk always ends.
  while (p != 0 && p <= s.Paths.Count()) {
    const ProtocolPathRec& r = s.Paths[p];
    if (r.Protocol == 0) return 0;
    const uint32_t colour = s.Env.Protocols.Colour(r.Protocol);
    if (colour != kWhite) return colour;
    if (r.Parent >= p) return 0;
    p = r.Parent;
  }
  return 0;
}

}  // namespace kestle
