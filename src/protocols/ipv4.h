#pragma once

#include <cstddef>
#include <cstdint>

#include "decode/utils.h"

namespace kestle {

class DecodeContext;
struct DetailNode;

// Protocol numbers by name; the IPv6 decoder uses it for next headers.
extern const LookupTableRec IPProtocolNames[20];

// Summary: "/IPV4", fragments, the stations of the frame (unless
// Tunnelled), then the carried protocol's summary. Before handing the
// payload on it leaves the addresses in c.Ip.
void IPv4Summary(DecodeContext& c);
void IPv4Tree(DecodeContext& c, DetailNode* parent);
// A datagram quoted inside an ICMP error: its header and ports, shown under
// the ICMP branch; no stations or ports are recorded.
void IPv4QuotedTree(DecodeContext& c, DetailNode* parent);

// The "Differentiated Services Field" branch of a Type of Service or traffic
// class byte `b` at frame offset `offset`.
void AddDiffServNodes(DecodeContext& c, DetailNode* parent, uint8_t b, uint32_t offset);

// RFC 1071 checksum of n bytes from `at` in the current layer, with the
// 16-bit checksum field at `zeroAt` (relative to `at`) taken as zero; bytes
// past the layer count as zero.
uint16_t InternetChecksum(const DecodeContext& c, size_t at, size_t n, size_t zeroAt = SIZE_MAX);

// RSVP is only named: "/RSVP" and its protocol identifier.
void RSVPSummary(DecodeContext& c);

}  // namespace kestle
