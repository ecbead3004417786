// Address texts: IPv4, IPv6 and MAC addresses, plain or annotated with what
// the program knows of them.
#pragma once

#include <cstdint>
#include <string>

namespace kestle {

class DecodeContext;
class NodeRegistry;
struct Environment;

std::string FormatIPv4(uint32_t addr);
// Annotated: multicast group names, host names found by the lookup.
std::string FormatIPv4(const DecodeContext& c, uint32_t addr, bool annotate);
std::string FormatIPv6(const uint8_t addr[16], bool annotate = false);
std::string FormatMAC(const uint8_t mac[6]);
// Annotated: broadcast, locally administered, multicast group, vendor and
// the IPv4 address learnt for the station.
std::string FormatMAC(const DecodeContext& c, const uint8_t mac[6], bool annotate);
std::string FormatMAC(const Environment& env, const NodeRegistry* nodes, const uint8_t mac[6],
                      bool annotate);

}  // namespace kestle
