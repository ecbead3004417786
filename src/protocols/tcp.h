// The TCP decoder and the TCP session table.
//
// Callers (the IPv4 and IPv6 decoders, AH) position the layer at the TCP
// header and, before calling the summary builder, leave the enclosing IP
// header's addresses in c.Ip (Version 4 or 6, the address bytes). The
// session of a frame is the connection between (c.Ip.Src, source port) and
// (c.Ip.Dst, destination port), in either direction: two connections with
// the same ports between different stations are different sessions.
// Sessions live in the context's Decoders.TcpSessions; a frame's number
// goes to its FrameTabRec::TcpSession (0 = none).
#pragma once

#include <cstdint>

namespace kestle {

class DecodeContext;
struct DetailNode;

void TCPSummary(DecodeContext& c);
// The header branch and the payload's tree; a segment quoted inside an ICMP
// error shows its header as far as it was quoted.
void TCPTree(DecodeContext& c, DetailNode* parent);

}  // namespace kestle
