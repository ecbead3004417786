// SNMP versions 1 and 2c over UDP: the version and PDU in the Description,
// the message and its variable bindings in the detail tree, object
// identifiers named from the SNMP object names file.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace kestle {

class DecodeContext;
struct DetailNode;

// "/SNMPv1/Get", "/SNMPv2c/Response"; "/SNMP" alone for other versions or a
// message that cannot be read that far.
void SNMPSummary(DecodeContext& c);
// "Simple Network Management Protocol (SNMP)": version, community, the PDU's
// fields and each variable binding; it ends at the first value it cannot read.
void SNMPTree(DecodeContext& c, DetailNode* parent);
// An object identifier as the tree shows it: with names, or as numbers when
// ShowSNMPOIDNumber is on.
std::string FormatOID(const DecodeContext& c, std::span<const uint32_t> subids);

}  // namespace kestle
