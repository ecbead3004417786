#pragma once

#include <cstddef>
#include <cstdint>

#include "decode/lookup.h"

namespace kestle {

class DecodeContext;
struct DetailNode;

// Protocol numbers by name; the IPv6 decoder uses it for next headers.
extern const LookupTableRec IPProtocolNames[20];

// Summary: "/IPV4", fragments, the stations of the frame (unless
// Tunnelled), then the carried protocol's summary. Before handing the
// payload on it leaves the addresses in c.Ip.
void IPv4Summary(DecodeContext& c);
// The header branch and the carried protocol's. Quoted inside an ICMP error
// (c.Quoted) the branch reads "Original IPv4 Header ()"; the ICMP decoder
// calls it directly.
void IPv4Tree(DecodeContext& c, DetailNode* parent);

// The "Differentiated Services Field" branch of a Type of Service or traffic
// class byte `b` at layer position `at`.
void AddDiffServNodes(DecodeContext& c, DetailNode* parent, uint8_t b, size_t at);

// RFC 1071 checksum of n bytes from `at` in the current layer, with the
// 16-bit checksum field at `zeroAt` (relative to `at`) taken as zero; bytes
// past the layer count as zero.
uint16_t InternetChecksum(const DecodeContext& c, size_t at, size_t n, size_t zeroAt = SIZE_MAX);

}  // namespace kestle
