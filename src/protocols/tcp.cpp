#include "protocols/tcp.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>

#include "capture/frame.h"
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

// The options by kind: the name that follows "Kind: N", the shortest
// option of the kind that is shown (its value included) and the value.
enum class OptionValue : uint8_t { None, Be16, Byte, TimeStamps };
struct TcpOptionRec {
  uint8_t Kind;
  const char* Name;
  size_t MinLength;  // 1: a single byte without a length
  OptionValue Value;
};
constexpr TcpOptionRec kTcpOptions[] = {{0, " End of Option List", 1, OptionValue::None},
                                        {1, " No Operation", 1, OptionValue::None},
                                        {2, " Maximum Segment Size - ", 4, OptionValue::Be16},
                                        {3, " Window Scale Factor - ", 3, OptionValue::Byte},
                                        {4, " SACK Permitted", 2, OptionValue::None},
                                        {5, "", 2, OptionValue::None},
                                        {8, " Time Stamp: ", 10, OptionValue::TimeStamps}};

constexpr std::string_view kUnknownOption = " Unknown Option";

const TcpOptionRec* FindOption(uint8_t kind) {
  for (const auto& o : kTcpOptions)
    if (o.Kind == kind) return &o;
  return nullptr;
}

std::string OptionValueText(const DecodeContext& c, const TcpOptionRec& o, size_t at) {
  switch (o.Value) {
    case OptionValue::Be16:
      return std::to_string(c.be16(at + 2));
    case OptionValue::Byte:
      return std::to_string(c.u8(at + 2));
    case OptionValue::TimeStamps:
      return "TS Value " + std::to_string(c.be32(at + 2)) + " TS Echo Reply " +
             std::to_string(c.be32(at + 6));
    case OptionValue::None:
      break;
  }
  return {};
}

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

// The options after the fixed header, up to the header's end. An option is
// shown when all its bytes are there; one that is not (a length below 2,
// one past the header, one cut by the capture) ends the walk, as does an
// unknown kind, whose length cannot be trusted.
void AddOptions(DecodeContext& c, DetailNode* parent, size_t headerLen) {
  const size_t end = std::min(headerLen, size_t{c.PacketLen});
  for (size_t i = kMinHeader; i < end;) {
    const uint8_t kind = c.u8(i);
    const TcpOptionRec* option = FindOption(kind);
    std::string text = "Kind: " + std::to_string(kind);
    text += option ? std::string_view(option->Name) : kUnknownOption;
    if (!option || option->MinLength == 1) {
      AddField(c, parent, text, i, 1);
      if (kind != 1) return;
      ++i;
      continue;
    }
    if (i + 1 >= end) return;
    const size_t len = c.u8(i + 1);
    if (len < 2 || len > end - i) return;
    // A value shorter than its kind's is not shown at all.
    if (len < option->MinLength) return;
    AddField(c, parent, text + OptionValueText(c, *option, i), i, len);
    i += len;
  }
}

void BuildTree(DecodeContext& c, DetailNode* parent) {
  const size_t headerLen = HeaderLength(c);
  DetailNode* top = AddBranch(c, parent, "TCP Header ()", 0, headerLen, TreeImage::Segment);
  // A short header is shown up to its last whole field.
  if (!AddPortFields(c, top, Transport::TCP)) return;
  const uint16_t src = c.SrcPort, dst = c.DstPort;
  AddField(c, top, "Sequence Number () - " + std::to_string(c.be32(4)), 4, 4);
  AddField(c, top, "Acknowledgement Number () - " + std::to_string(c.be32(8)), 8, 4);
  const unsigned dataOffset = c.u8(12) >> 4;
  AddField(c, top,
           "Header length (4 bits) - " + std::to_string(dataOffset) + " (" +
               std::to_string(dataOffset * 4) + ")" +
               (dataOffset * 4 < kMinHeader ? " Invalid Length" : ""),
           12, 1);
  // The reserved bits reach into the flags byte.
  if (!c.has(12, 2)) return;
  const uint16_t word = c.be16(12);
  AddField(c, top, "Reserved (6 bits) - 0x" + Hex((word >> 6) & 0x3F, 2), 12, 1);
  const uint8_t flags = word & 0x3F;
  std::string flagText = "Flags (6 bits) - 0x" + Hex(flags, 2);
  std::string words;
  for (const auto& f : kTcpFlagNames)
    if (flags & f.Mask) words += (words.empty() ? "" : " ") + std::string(f.Tree);
  if (!words.empty()) flagText += " (" + words + ")";
  AddFlagNodes(c, AddField(c, top, flagText, 13, 1, TreeImage::Flags), flags, 1, kTcpFlagLines);
  AddField(c, top, "Window Size () - " + std::to_string(c.be16(14)), 14, 2);
  AddField(c, top, "Chcksum () - 0x" + Hex(c.be16(16), 2), 16, 2);
  AddField(c, top, "Urgent pointer () - 0x" + Hex(c.be16(18), 4), 18, 2);
  if (!c.has(0, kMinHeader)) return;
  if (headerLen > kMinHeader && c.PacketLen > kMinHeader)
    AddOptions(c, AddBranch(c, top, "Options ()", kMinHeader, headerLen - kMinHeader), headerLen);

  if (c.PacketLen <= headerLen) return;
  c.enter(headerLen);
  c.Carrier = Transport::TCP;
  PayloadTree(c, parent, DecoderFor(c, src, dst));
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
            ? c.Decoders.TcpSessions.Lookup(c.Endpoint(c.Ip.Src, src), c.Endpoint(c.Ip.Dst, dst),
                                            c.FrameNo, uint32_t{c.Set.MaxTCPSessions} + 1)
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
  c.Carrier = Transport::TCP;

  // No decoder for the port (or none built in): its description names the
  // payload, unless neither port has one.
  const PortTable& ports = c.Env.Ports;
  std::string_view text = ports.KnownDescription(PortTCP, std::min(src, dst));
  if (text.empty()) text = ports.KnownDescription(PortTCP, std::max(src, dst));
  PayloadSummary(c, DecoderFor(c, src, dst), text);
}

void TCPTree(DecodeContext& c, DetailNode* parent) { BuildTree(c, parent); }

}  // namespace kestle
