#include "protocols/udp.h"

#include <algorithm>

#include "decode/addresses.h"
#include "decode/config/environment.h"
#include "decode/config/port_table.h"
#include "decode/context.h"
#include "decode/dispatch.h"
#include "decode/fields.h"
#include "decode/frame_table.h"
#include "decode/protocol_ids.h"
#include "decode/text.h"
#include "decode/transport.h"

namespace kestle {

namespace {

constexpr size_t kHeader = 8;

// A datagram that a protocol's state claims (a transfer seen before) goes
// to its decoder; otherwise, unlike TCP, the source port picks the decoder
// first.
uint16_t DecoderFor(const DecodeContext& c, uint16_t src, uint16_t dst) {
  if (const uint16_t claimed = ClaimedDecoder(c, Transport::UDP, src, dst)) return claimed;
  const uint16_t code = c.Env.Ports.PortDecoder(src);
  return code ? code : c.Env.Ports.PortDecoder(dst);
}

// Enters the payload, cut to the Message Length when that is a length at
// all (8 or more); false when there is no header to skip.
bool EnterPayload(DecodeContext& c, uint16_t messageLen) {
  if (!c.enter(kHeader)) return false;
  if (messageLen >= kHeader) c.limit(messageLen - kHeader);
  c.Carrier = Transport::UDP;
  return true;
}

}  // namespace

void UDPSummary(DecodeContext& c) {
  c.AddDesc("/UDP");
  c.SetProtocol(ProtoUDP);
  // A header cut short records no ports: they are not there.
  if (!c.has(0, kHeader)) return;
  const uint16_t src = c.be16(0), dst = c.be16(2);
  RecordPorts(c, src, dst);
  const PortTable& ports = c.Env.Ports;
  std::string_view text = ports.KnownDescription(PortUDP, src);
  if (text.empty()) text = ports.PortDescription(PortUDP, dst);
  EnterPayload(c, c.be16(4));
  // A payload nothing decodes is named by its port's description, "Unknown"
  // included.
  PayloadSummary(c, DecoderFor(c, src, dst), text);
}

void UDPTree(DecodeContext& c, DetailNode* parent) {
  DetailNode* top = AddBranch(c, parent, c.Quoted ? "Original UDP Header ()" : "UDP Header ()", 0,
                              kHeader, TreeImage::Datagram);
  // A short header is shown up to its last whole field.
  if (!AddPortFields(c, top, Transport::UDP)) return;
  const uint16_t src = c.SrcPort, dst = c.DstPort, messageLen = c.be16(4);
  AddField(c, top, "Message Length () - " + std::to_string(messageLen), 4, 2);
  AddField(c, top, "Checksum () - 0x" + Hex(c.be16(6), 2), 6, 2);
  if (!c.has(0, kHeader) || !EnterPayload(c, messageLen)) return;
  PayloadTree(c, parent, DecoderFor(c, src, dst));
}

}  // namespace kestle
