#include "decode/transport.h"

#include <string>

#include "decode/config/environment.h"
#include "decode/context.h"
#include "decode/dispatch.h"
#include "decode/fields.h"
#include "decode/frame_table.h"

namespace kestle {

namespace {
uint8_t PortType(Transport t) { return t == Transport::TCP ? PortTCP : PortUDP; }
}  // namespace

bool AddPortFields(DecodeContext& c, DetailNode* header, Transport carrier) {
  static constexpr const char* kLabels[2] = {"Source port () - ", "Destination port () - "};
  uint16_t port[2] = {};
  for (int i = 0; i < 2; ++i) {
    if (!c.has(2 * i, 2)) return false;
    port[i] = c.be16(2 * i);
    AddField(c, header,
             kLabels[i] + std::to_string(port[i]) + " (" +
                 std::string(c.Env.Ports.PortDescription(PortType(carrier), port[i])) + ")",
             2 * i, 2);
  }
  c.SrcPort = port[0];
  c.DstPort = port[1];
  return true;
}

void RecordPorts(DecodeContext& c, uint16_t src, uint16_t dst) {
  c.SrcPort = src;
  c.DstPort = dst;
  if (!c.Tunnelled && c.Rec) {
    c.Rec->SrcPort = src;
    c.Rec->DstPort = dst;
  }
}

void PayloadSummary(DecodeContext& c, uint16_t code, std::string_view description) {
  if (code != DecodeDataOnly) {
    const PortDecoderUse& use = PortDecoderFor(code, c.Carrier, c.SrcPort, c.DstPort);
    if (!use.Summary) return;
    if (use.Unit.Summary) {
      use.Unit.Summary(c);
      return;
    }
  }
  // No decoder for the port (or none built in): its description names the
  // payload.
  if (description.empty()) return;
  c.AddDesc("/");
  c.AddDesc(description);
  if (const uint16_t id = c.Env.Ports.PortProtocol(PortType(c.Carrier), description))
    c.SetProtocol(id);
}

void PayloadTree(DecodeContext& c, DetailNode* parent, uint16_t code) {
  const PortDecoderUse& use = PortDecoderFor(code, c.Carrier, c.SrcPort, c.DstPort);
  const bool decoded = code != DecodeDataOnly && use.Tree;
  if (decoded && use.Unit.Tree) {
    use.Unit.Tree(c, parent);
    return;
  }
  // A code that UDP does not decode shows nothing; data otherwise (also
  // for a decoder that is not built in).
  if (c.Carrier == Transport::UDP && code != DecodeDataOnly && !decoded) return;
  if (c.PacketLen != 0) AddField(c, parent, "Data ()", 0, c.PacketLen);
}

}  // namespace kestle
