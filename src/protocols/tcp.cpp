#include "protocols/tcp.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "decode/context.h"
#include "decode/dispatch.h"
#include "decode/environment.h"
#include "decode/frame_table.h"
#include "decode/utils.h"
#include "protocols/ports.h"

namespace kestle {

namespace {

constexpr FlagTabRec kTcpFlagLines[] = {
    {0x20, "Urgent: on", "Urgent: off"}, {0x10, "Ack: on", "Ack: off"},
    {0x08, "Push: on", "Push: off"},     {0x04, "Reset: on", "Reset: off"},
    {0x02, "Syn: on", "Syn: off"},       {0x01, "Fin: on", "Fin: off"}};

struct FlagName {
  uint8_t Mask;
  const char* Summary;  // in the Description
  const char* Tree;     // on the Flags line
};
constexpr FlagName kTcpFlagNames[] = {{0x20, "URG", "Urg"}, {0x10, "ACK", "Ack"},
                                      {0x08, "PSH", "Psh"}, {0x04, "RST", "Rst"},
                                      {0x02, "SYN", "Syn"}, {0x01, "FIN", "Fin"}};

constexpr LookupTableRec kTcpOptionNames[] = {
    {0, " End of Option List"}, {1, " No Operation"},  {2, " Maximum Segment Size - "},
    {3, " Window Scale Factor - "}, {4, " SACK Permitted"}, {5, ""},
    {8, " Time Stamp: "}};

constexpr std::string_view kUnknownOption = " Unknown Option";

constexpr size_t kMinHeader = 20;

// Header length in bytes; a data offset below 5 counts as 5, in the
// summary and the tree alike.
size_t HeaderLength(const DecodeContext& c) {
  return std::max(size_t{c.u8(12)} >> 4 << 2, kMinHeader);
}

// The port whose table entry picks the decoder first: the lower one.
uint16_t DecoderFor(const DecodeContext& c, uint16_t src, uint16_t dst) {
  const PortTable& ports = c.Env.Ports;
  const uint16_t first = std::min(src, dst), second = std::max(src, dst);
  const uint16_t code = ports.PortDecoder(first);
  return code ? code : ports.PortDecoder(second);
}

TcpEndpoint Endpoint(const DecodeContext& c, const std::array<uint8_t, 16>& addr, uint16_t port) {
  return {c.Ip.Version, addr, port};
}

void AddOptions(DecodeContext& c, DetailNode* parent, size_t headerLen) {
  const size_t end = std::min(headerLen, size_t{c.PacketLen});
  for (size_t i = kMinHeader; i < end;) {
    const uint8_t kind = c.u8(i);
    const std::string_view name = LookupCode(kind, kTcpOptionNames, kUnknownOption);
    std::string text = "Kind: " + std::to_string(kind) + std::string(name);
    if (name.data() == kUnknownOption.data()) {
      AddField(c, parent, text, i, 1);
      return;
    }
    if (kind <= 1) {
      AddField(c, parent, text, i, 1);
      if (kind == 0) return;
      ++i;
      continue;
    }
    const size_t len = c.u8(i + 1);
    if (kind == 2) text += std::to_string(c.be16(i + 2));
    if (kind == 3) text += std::to_string(c.u8(i + 2));
    if (kind == 8)
      text += "TS Value " + std::to_string(c.be32(i + 2)) + " TS Echo Reply " +
              std::to_string(c.be32(i + 6));
    // A length below 2 would never move on and one past the header would
    // read the payload: either ends the walk with this option.
    if (len < 2 || len > end - i) {
      AddField(c, parent, text, i, end - i);
      return;
    }
    AddField(c, parent, text, i, len);
    i += len;
  }
}

void BuildTree(DecodeContext& c, DetailNode* parent) {
  const size_t headerLen = HeaderLength(c);
  DetailNode* top =
      AddField(c, parent, "TCP Header ()", 0, std::min(headerLen, size_t{c.PacketLen}), 4);
  // A short header is shown up to its last whole field.
  if (!AddPortFields(c, top, PortTCP)) return;
  const uint16_t src = c.SrcPort, dst = c.DstPort;
  if (!c.has(4, 4)) return;
  AddField(c, top, "Sequence Number () - " + std::to_string(c.be32(4)), 4, 4);
  if (!c.has(8, 4)) return;
  AddField(c, top, "Acknowledgement Number () - " + std::to_string(c.be32(8)), 8, 4);
  if (!c.has(12, 2)) return;
  const uint16_t word = c.be16(12);
  const unsigned dataOffset = word >> 12;
  AddField(c, top,
           "Header length (4 bits) - " + std::to_string(dataOffset) + " (" +
               std::to_string(dataOffset * 4) + ")" +
               (dataOffset * 4 < kMinHeader ? " Invalid Length" : ""),
           12, 1);
  AddField(c, top, "Reserved (6 bits) - 0x" + Hex((word >> 6) & 0x3F, 2), 12, 1);
  const uint8_t flags = word & 0x3F;
  std::string flagText = "Flags (6 bits) - 0x" + Hex(flags, 2);
  std::string words;
  for (const auto& f : kTcpFlagNames)
    if (flags & f.Mask) words += (words.empty() ? "" : " ") + std::string(f.Tree);
  if (!words.empty()) flagText += " (" + words + ")";
  AddFlagNodes(c, AddField(c, top, flagText, 13, 1, 8), flags, 1, kTcpFlagLines);
  if (!c.has(14, 2)) return;
  AddField(c, top, "Window Size () - " + std::to_string(c.be16(14)), 14, 2);
  if (!c.has(16, 2)) return;
  AddField(c, top, "Chcksum () - 0x" + Hex(c.be16(16), 2), 16, 2);
  if (!c.has(18, 2)) return;
  AddField(c, top, "Urgent pointer () - 0x" + Hex(c.be16(18), 4), 18, 2);
  if (headerLen > kMinHeader && c.PacketLen > kMinHeader)
    AddOptions(c,
               AddField(c, top, "Options ()", kMinHeader,
                        std::min(headerLen, size_t{c.PacketLen}) - kMinHeader),
               headerLen);

  if (c.PacketLen <= headerLen) return;
  c.enter(headerLen);
  AddPayloadTree(c, parent, PortTCP, DecoderFor(c, src, dst));
}

}  // namespace

void TCPSummary(DecodeContext& c) {
  c.AddDesc("/TCP");
  c.SetProtocol(ProtoTCP);
  // A header cut short records no ports: they are not there.
  if (!c.has(0, kMinHeader)) return;
  const uint16_t src = c.be16(0), dst = c.be16(2);
  RecordPorts(c, src, dst);
  if (!c.Tunnelled && c.Rec) {
    // The table holds MaxTCPSessions + 1 sessions at most.
    c.Rec->TcpSession =
        c.Set.BuildTCPSessions
            ? c.Decoders.TcpSessions.Lookup(Endpoint(c, c.Ip.Src, src),
                                              Endpoint(c, c.Ip.Dst, dst), c.FrameNo,
                                              uint32_t{c.Set.MaxTCPSessions} + 1)
            : 0;
  }
  const uint8_t flags = c.u8(13) & 0x3F;
  if (flags) {
    c.AddDesc(" (");
    bool first = true;
    for (const auto& f : kTcpFlagNames) {
      if (!(flags & f.Mask)) continue;
      if (!first) c.AddDesc(" ");
      c.AddDesc(f.Summary);
      first = false;
    }
    c.AddDesc(")");
  }
  c.enter(std::min(HeaderLength(c), size_t{c.PacketLen}));

  const uint16_t code = DecoderFor(c, src, dst);
  if (code != DecodeDataOnly) {
    // A decoder that does not decode over TCP adds nothing.
    if (!DecoderHasSummary(PortTCP, code)) return;
    if (const DecoderUnit* unit = PortDecoderUnit(code)) {
      unit->Summary(c);
      return;
    }
  }
  // No decoder for the port (or none built in): its description names the
  // payload.
  const PortTable& ports = c.Env.Ports;
  std::string_view text = ports.PortDescription(PortTCP, std::min(src, dst));
  if (text == "Unknown") text = ports.PortDescription(PortTCP, std::max(src, dst));
  if (text == "Unknown") return;
  c.AddDesc("/");
  c.AddDesc(text);
  if (const uint16_t id = ports.PortProtocol(PortTCP, text)) c.SetProtocol(id);
}

void TCPTree(DecodeContext& c, DetailNode* parent) { BuildTree(c, parent); }

void TCPQuotedTree(DecodeContext& c, DetailNode* parent) { BuildTree(c, parent); }

}  // namespace kestle
