// TFTP over UDP: the opcode and its file, block or error in the
// Description, the message in the detail tree, and the transfers seen, so
// that the datagrams of a transfer are known on whatever ports they use.
#pragma once

#include <cstdint>

namespace kestle {

class DecodeContext;
struct DetailNode;

// The port of TFTP requests.
constexpr uint16_t kTFTPPort = 69;

// Whether the datagram of frame c.FrameNo between the ports (source first)
// and the addresses of the IP header in c.Ip belongs to a TFTP transfer
// requested before: TFTP's claim on a datagram (the port decoder table's
// claims), whatever its ports.
bool TFTPTransferSeen(const DecodeContext& c, uint16_t srcPort, uint16_t dstPort);

// "/TFTP Read Request,File=boot.img", "/TFTP Data,Block=1",
// "/TFTP Error:File not found"; a message to or from port 69 records its
// transfer.
void TFTPSummary(DecodeContext& c);
// "Trivial File Transport Protocol (TFTP)": the opcode and the fields it has.
void TFTPTree(DecodeContext& c, DetailNode* parent);

}  // namespace kestle
