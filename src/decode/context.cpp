#include "decode/context.h"

#include <algorithm>
#include <cstring>

#include "decode/config/environment.h"
#include "decode/dispatch.h"
#include "decode/frame_table.h"
#include "decode/session.h"

namespace kestle {

DecodeContext::DecodeContext(ProtocolPathTable& paths, NodeRegistry& nodes, DecoderState& decoders,
                             const Environment& env)
    : Paths(paths), Nodes(nodes), Decoders(decoders), Env(env), Set(env.settings) {
  ended_.Ended = true;
}

DecodeContext::DecodeContext(CaptureSession& session, const Environment& env)
    : DecodeContext(session.Paths, session.Nodes, session.Decoders, env) {}

void DecodeContext::LoadFrame(const uint8_t* data, uint32_t len) {
  len = std::min(len, kMaxFrameLength);
  if (len) std::memcpy(PacketBuf.data(), data, len);
  // Bytes after the valid length read as zero.
  if (len < FrameLen) std::fill(PacketBuf.begin() + len, PacketBuf.begin() + FrameLen, 0);
  FrameLen = len;
  PacketOffset = 0;
  PacketLen = len;
  std::memset(SrcMac, 0, 6);
  std::memset(DstMac, 0, 6);
  FrameProtocol = 0;
  Tunnelled = false;
  Quoted = false;
  Carrier = Transport::None;
  Ip = {};
  SrcPort = DstPort = 0;
  Depth = Nesting = 0;
  Truncated = false;
}

void DecodeContext::SetProtocol(uint16_t id) { SetFrameProtocol(Paths, FrameProtocol, id); }

bool DecodeContext::NamesMac(const uint8_t mac[6]) const {
  static constexpr uint8_t kNoMac[6] = {};
  return LinkType == kLinkEthernet || std::memcmp(mac, kNoMac, 6) != 0;
}

uint32_t DecodeContext::RegisterNode(const uint8_t mac[6], uint32_t ipv4, std::string_view name) {
  // A link without MAC addresses (raw IP, loopback), or without the one
  // asked for (a cooked frame names its sender only), leaves the station
  // its network address alone: no MAC entry of zeros is made for it.
  if (NamesMac(mac)) return Nodes.RegisterNode(mac, ipv4, name);
  // Without a MAC, the IPv4 address 0.0.0.0 (a DHCP client's, an ARP
  // probe's) is all there is to name the station by.
  if (ipv4 == 0 && name.empty()) name = "0.0.0.0";
  return Nodes.RegisterNode(nullptr, ipv4, name);
}

NodeEntryRec* DecodeContext::NetworkNode(bool source) const {
  const FrameTabRec* entry = Rec ? Rec : Shown;
  if (!entry) return nullptr;
  const uint32_t pair = source ? entry->SrcNode : entry->DstNode;
  if (pair == 0 || pair >= Nodes.NodeStatTable.size()) return nullptr;
  const uint32_t net = Nodes.NodeStatTable[pair].NetNode;
  // Entry 0 is never a station.
  if (net == 0 || net >= Nodes.NodeTable.size()) return nullptr;
  return &Nodes.NodeTable[net];
}

}  // namespace kestle
