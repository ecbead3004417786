#include "protocols/arp.h"

#include <algorithm>
#include <string>

#include "capture/frame.h"
#include "decode/addresses.h"
#include "decode/context.h"
#include "decode/fields.h"
#include "decode/frame_table.h"
#include "decode/protocol_ids.h"
#include "decode/text.h"

namespace kestle {

namespace {

constexpr size_t kArpLength = 28;
constexpr uint16_t kHardwareEthernet = 1;
constexpr uint16_t kProtocolIPv4 = 0x0800;
constexpr uint16_t kOpRequest = 1;
constexpr uint16_t kOpReply = 2;

constexpr LookupTableRec kHardwareTypes[] = {{kHardwareEthernet, " (Ethernet)"}};
constexpr LookupTableRec kProtocolTypes[] = {{kProtocolIPv4, " (IP)"}};
constexpr LookupTableRec kOperations[] = {{kOpRequest, " (Request)"}, {kOpReply, " (Reply)"}};

// Field offsets within the packet.
constexpr size_t kHType = 0, kPType = 2, kHSize = 4, kPSize = 5, kOp = 6, kSha = 8, kSpa = 14,
                 kTha = 18, kTpa = 24;

}  // namespace

void ARPSummary(DecodeContext& c) {
  c.AddDesc("/ARP");
  c.SetProtocol(ProtoARP);
  if (!c.has(0, kArpLength)) return;
  const bool ipv4 = c.be16(kPType) == kProtocolIPv4;
  const uint16_t op = c.be16(kOp);
  const uint32_t spa = c.be32(kSpa);
  const uint32_t tpa = c.be32(kTpa);
  if (op == kOpRequest) {
    if (ipv4 && c.Rec) c.Rec->SrcNode = c.RegisterNode(c.SrcMac, spa, {});
    c.AddDesc(" Request - Who is ");
    c.AddDesc(FormatIPv4(tpa));
  } else if (op == kOpReply) {
    if (ipv4 && c.Rec) {
      c.Rec->SrcNode = c.RegisterNode(c.SrcMac, spa, {});
      c.Rec->DstNode = c.RegisterNode(c.DstMac, tpa, {});
    }
    c.AddDesc(" Reply - I am ");
    c.AddDesc(FormatIPv4(spa));
  }
}

void ARPTree(DecodeContext& c, DetailNode* parent) {
  std::string title = "Address Resolution Protocol (ARP)";
  const uint16_t op = c.has(kOp, 2) ? c.be16(kOp) : 0;
  if (op == kOpRequest && c.has(kTpa, 4))
    title += " - Request: Who is " + FormatIPv4(c.be32(kTpa));
  else if (op == kOpReply && c.has(kSpa, 4))
    title += " - Reply: I am " + FormatIPv4(c.be32(kSpa));
  DetailNode* arp = AddBranch(c, parent, std::move(title), 0, kArpLength, TreeImage::Message);
  // A packet cut short is shown to its last whole field.
  const uint16_t htype = c.be16(kHType), ptype = c.be16(kPType);
  AddField(
      c, arp,
      "Hardware Type () - 0x" + Hex(htype, 2) + std::string(LookupCode(htype, kHardwareTypes, "")),
      kHType, 2);
  AddField(
      c, arp,
      "Protocol Type () - 0x" + Hex(ptype, 2) + std::string(LookupCode(ptype, kProtocolTypes, "")),
      kPType, 2);
  AddField(c, arp, "Hardware Size () - " + std::to_string(c.u8(kHSize)), kHSize, 1);
  AddField(c, arp, "Protocol Size () - " + std::to_string(c.u8(kPSize)), kPSize, 1);
  AddField(c, arp, "Operation () - 0x" + Hex(op, 2) + std::string(LookupCode(op, kOperations, "")),
           kOp, 2);
  uint8_t mac[6];
  c.copy(kSha, mac, 6);
  AddField(c, arp, "Sender MAC Address () - " + FormatMAC(c, mac, true), kSha, 6);
  AddField(c, arp, "Sender IP Address () - " + FormatIPv4(c.be32(kSpa)), kSpa, 4);
  c.copy(kTha, mac, 6);
  AddField(c, arp, "Target MAC Address () - " + FormatMAC(c, mac, true), kTha, 6);
  AddField(c, arp, "Target IP Address () - " + FormatIPv4(c.be32(kTpa)), kTpa, 4);
}

}  // namespace kestle
