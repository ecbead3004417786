#include "protocols/tftp.h"

#include <string>
#include <string_view>

#include "decode/context.h"
#include "decode/fields.h"
#include "decode/lookup.h"
#include "decode/protocol_ids.h"
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

TcpEndpoint Endpoint(const DecodeContext& c, const std::array<uint8_t, 16>& addr, uint16_t port) {
  return {c.Ip.Version, addr, port};
}

// A zero-ended string from `at`: its characters and the bytes it covers
// (with the zero byte, when the message holds one before its end).
struct ZeroEnded {
  std::string_view Text;
  size_t Length;
};
ZeroEnded ReadString(const DecodeContext& c, size_t at) {
  const std::string_view rest = c.bytes(at, c.PacketLen);
  const size_t zero = rest.find('\0');
  if (zero == std::string_view::npos) return {rest, rest.size()};
  return {rest.substr(0, zero), zero + 1};
}

}  // namespace

bool TFTPTransferSeen(const DecodeContext& c, uint16_t srcPort, uint16_t dstPort) {
  return c.Decoders.TftpTransfers.Find(Endpoint(c, c.Ip.Src, srcPort),
                                       Endpoint(c, c.Ip.Dst, dstPort), c.FrameNo) != 0;
}

void TFTPSummary(DecodeContext& c) {
  c.SetProtocol(ProtoTFTP);
  const uint16_t src = c.SrcPort, dst = c.DstPort;
  if ((src == kTFTPPort || dst == kTFTPPort) && !TFTPTransferSeen(c, src, dst)) {
    // The client is the side that is not port 69.
    if (src == kTFTPPort)
      c.Decoders.TftpTransfers.Add(Endpoint(c, c.Ip.Dst, dst), c.Ip.Src, c.FrameNo);
    else
      c.Decoders.TftpTransfers.Add(Endpoint(c, c.Ip.Src, src), c.Ip.Dst, c.FrameNo);
  }
  c.AddDesc("/TFTP");
  // Nothing more is read from a message without a whole opcode.
  if (!c.has(0, 2)) return;
  const uint16_t op = c.be16(0);
  c.AddDesc(" ");
  c.AddDesc(LookupCode(op, kOpcodes, "Unknown"));
  if (op == kReadRequest || op == kWriteRequest) {
    c.AddDesc(",File=");
    c.AddDesc(SafeText(ReadString(c, 2).Text));
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
    const ZeroEnded name = ReadString(c, 2);
    AddField(c, root, "Filename () - " + Literal(SafeText(name.Text)), 2, name.Length);
    const size_t mode = 2 + name.Length;
    if (c.PacketLen - mode > 1) {
      const ZeroEnded text = ReadString(c, mode);
      AddField(c, root, "Mode () - " + Literal(SafeText(text.Text)), mode, text.Length);
    }
  } else if (op == kData || op == kAck) {
    AddField(c, root, "Block No. () - " + std::to_string(c.be16(2)), 2, 2);
  } else if (op == kError) {
    const uint16_t code = c.be16(2);
    AddField(c, root,
             "Error Code () - " + std::to_string(code) + " " +
                 std::string(LookupCode(code, kErrors, "Unknown")),
             2, 2);
    const ZeroEnded text = ReadString(c, 4);
    AddField(c, root, "Error Message () - " + Literal(SafeText(text.Text)), 4, text.Length);
  }
}

}  // namespace kestle
