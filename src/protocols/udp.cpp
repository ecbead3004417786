#include "protocols/udp.h"

#include <algorithm>

#include "decode/context.h"
#include "decode/dispatch.h"
#include "decode/environment.h"
#include "decode/frame_table.h"
#include "decode/utils.h"
#include "protocols/ports.h"

namespace kestle {

namespace {

constexpr size_t kHeader = 8;

// Unlike TCP, the source port picks the decoder first.
uint16_t DecoderFor(const DecodeContext& c, uint16_t src, uint16_t dst) {
  const uint16_t code = c.Env.Ports.PortDecoder(src);
  return code ? code : c.Env.Ports.PortDecoder(dst);
}

// Enters the payload, cut to the Message Length when that is a length at
// all (8 or more); false when there is no header to skip.
bool EnterPayload(DecodeContext& c, uint16_t messageLen) {
  if (!c.enter(kHeader)) return false;
  if (messageLen >= kHeader) c.limit(messageLen - kHeader);
  return true;
}

void BuildTree(DecodeContext& c, DetailNode* parent) {
  DetailNode* top = AddField(c, parent, parent ? "Original UDP Header ()" : "UDP Header ()", 0,
                             std::min(kHeader, size_t{c.PacketLen}), 7);
  // A short header is shown up to its last whole field.
  if (!AddPortFields(c, top, PortUDP)) return;
  const uint16_t src = c.SrcPort, dst = c.DstPort, messageLen = c.be16(4);
  if (!c.has(4, 2)) return;
  AddField(c, top, "Message Length () - " + std::to_string(messageLen), 4, 2);
  if (!c.has(6, 2)) return;
  AddField(c, top, "Checksum () - 0x" + Hex(c.be16(6), 2), 6, 2);

  if (!EnterPayload(c, messageLen)) return;
  AddPayloadTree(c, parent, PortUDP, DecoderFor(c, src, dst));
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
  std::string_view text = ports.PortDescription(PortUDP, src);
  if (text == "Unknown") text = ports.PortDescription(PortUDP, dst);
  EnterPayload(c, c.be16(4));

  const uint16_t code = DecoderFor(c, src, dst);
  if (code != DecodeDataOnly) {
    // A decoder without a summary over UDP (RADIUS among them) adds nothing.
    if (!DecoderHasSummary(PortUDP, code)) return;
    if (const DecoderUnit* unit = PortDecoderUnit(code)) {
      unit->Summary(c);
      return;
    }
  }
  // No decoder for the port (or none built in): its description names the
  // payload, "Unknown" included.
  c.AddDesc("/");
  c.AddDesc(text);
  if (const uint16_t id = ports.PortProtocol(PortUDP, text)) c.SetProtocol(id);
}

void UDPTree(DecodeContext& c, DetailNode* parent) { BuildTree(c, parent); }

void UDPQuotedTree(DecodeContext& c, DetailNode* parent) { BuildTree(c, parent); }

}  // namespace kestle
