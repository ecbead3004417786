#include "protocols/tftp.h"

#include <string>
#include <string_view>

#include "decode/context.h"
#include "decode/fields.h"
#include "decode/lookup.h"
#include "decode/protocol_ids.h"
#include "decode/strings.h"
#include "decode/text.h"

namespace kestle {

namespace {

constexpr uint16_t kReadRequest = 1, kWriteRequest = 2, kData = 3, kAck = 4, kError = 5;

constexpr LookupTableRec kOpcodes[] = {{kReadRequest, "Read Request"},
                                       {kWriteRequest, "Write Request"},
                                       {kData, "Data"},
                                       {kAck, "Acknowledgment"},
                                       {kError, "Error"}};

constexpr LookupTableRec kErrors[] = {{0, "Not defined"},
                                      {1, "File not found"},
                                      {2, "Access violation"},
                                      {3, "Disk Full"},
                                      {4, "Illegal TFTP operation"},
                                      {5, "Unknown transfer ID"},
                                      {6, "File already exists"},
                                      {7, "No such user"}};

}  // namespace

bool TFTPTransferSeen(const DecodeContext& c, uint16_t srcPort, uint16_t dstPort) {
  return c.Decoders.TftpTransfers.Find(c.Endpoint(c.Ip.Src, srcPort), c.Endpoint(c.Ip.Dst, dstPort),
                                       c.FrameNo) != 0;
}

void TFTPSummary(DecodeContext& c) {
  c.SetProtocol(ProtoTFTP);
  const uint16_t src = c.SrcPort, dst = c.DstPort;
  if ((src == kTFTPPort || dst == kTFTPPort) && !TFTPTransferSeen(c, src, dst)) {
    // The client is the side that is not port 69.
    if (src == kTFTPPort)
      c.Decoders.TftpTransfers.Add(c.Endpoint(c.Ip.Dst, dst), c.Ip.Src, c.FrameNo);
    else
      c.Decoders.TftpTransfers.Add(c.Endpoint(c.Ip.Src, src), c.Ip.Dst, c.FrameNo);
  }
  c.AddDesc("/TFTP");
  // Nothing more is read from a message without a whole opcode.
  if (!c.has(0, 2)) return;
  const uint16_t op = c.be16(0);
  c.AddDesc(" ");
  c.AddDesc(LookupCode(op, kOpcodes, "Unknown"));
  if (op == kReadRequest || op == kWriteRequest) {
    c.AddDesc(",File=");
    c.AddDesc(ReadString(c, 2, false, SIZE_MAX).Text);
  } else if ((op == kData || op == kAck) && c.has(2, 2)) {
    c.AddDesc(",Block=" + std::to_string(c.be16(2)));
  } else if (op == kError && c.has(2, 2)) {
    c.AddDesc(":");
    c.AddDesc(LookupCode(c.be16(2), kErrors, "Unknown"));
  }
}

void TFTPTree(DecodeContext& c, DetailNode* parent) {
  if (!c.has(0, 2)) return;
  DetailNode* root = AddBranch(c, parent, "Trivial File Transport Protocol (TFTP)", 0, c.PacketLen);
  const uint16_t op = c.be16(0);
  AddField(
      c, root,
      "Opcode () - " + std::to_string(op) + " " + std::string(LookupCode(op, kOpcodes, "Unknown")),
      0, 2);
  // The fields need more than one byte after the opcode.
  if (c.PacketLen <= 3) return;
  if (op == kReadRequest || op == kWriteRequest) {
    const FrameString name = ReadString(c, 2, false, SIZE_MAX);
    AddField(c, root, "Filename () - " + Literal(name.Text), 2, name.Length);
    const size_t mode = 2 + name.Length;
    if (c.PacketLen - mode > 1) {
      const FrameString text = ReadString(c, mode, false, SIZE_MAX);
      AddField(c, root, "Mode () - " + Literal(text.Text), mode, text.Length);
    }
  } else if (op == kData || op == kAck) {
    AddField(c, root, "Block No. () - " + std::to_string(c.be16(2)), 2, 2);
  } else if (op == kError) {
    const uint16_t code = c.be16(2);
    AddField(c, root,
             "Error Code () - " + std::to_string(code) + " " +
                 std::string(LookupCode(code, kErrors, "Unknown")),
             2, 2);
    const FrameString text = ReadString(c, 4, false, SIZE_MAX);
    AddField(c, root, "Error Message () - " + Literal(text.Text), 4, text.Length);
  }
}

}  // namespace kestle
