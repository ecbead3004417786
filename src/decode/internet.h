// What the Internet protocols share beyond one unit: the names of IP
// protocol numbers (IPv4 protocol, IPv6 next header, and wherever a message
// names one), the RFC 1071 checksum, and the Differentiated Services lines
// of a type of service or traffic class byte.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "decode/lookup.h"

namespace kestle {

class DecodeContext;
struct DetailNode;

// Protocol numbers by name, looked up with LookupCode (default "Unknown").
extern const LookupTableRec IPProtocolNames[20];

// RFC 1071 checksum of n bytes from `at` in the current layer, with the
// 16-bit checksum field at `zeroAt` (relative to `at`) taken as zero; bytes
// past the layer count as zero.
uint16_t InternetChecksum(const DecodeContext& c, size_t at, size_t n, size_t zeroAt = SIZE_MAX);

// The "Differentiated Services Field" branch of a Type of Service or traffic
// class byte `b` at layer position `at`.
void AddDiffServNodes(DecodeContext& c, DetailNode* parent, uint8_t b, size_t at);

}  // namespace kestle
