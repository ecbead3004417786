#include "decode/addresses.h"

#include <algorithm>
#include <cstdio>

#include "decode/config/environment.h"
#include "decode/context.h"
#include "decode/multicast.h"
#include "decode/registry.h"

namespace kestle {

std::string FormatIPv4(uint32_t a) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%u.%u.%u.%u", a >> 24, (a >> 16) & 0xFF, (a >> 8) & 0xFF,
                a & 0xFF);
  return buf;
}

std::string FormatIPv4(const DecodeContext& c, uint32_t a, bool annotate) {
  std::string s = FormatIPv4(a);
  if (!annotate) return s;
  if ((a >> 24) == 224) {
    if (const char* n = MulticastName(a & 0xFFFFFF)) s += std::string(" (") + n + ")";
  } else if (c.Set.LookupHostNames) {
    const auto& nodes = c.Nodes.NodeTable;
    for (size_t i = 1; i < nodes.size(); ++i)
      if (nodes[i].IPv4 == a && !nodes[i].HostName.empty()) {
        s += " (" + nodes[i].HostName + ")";
        break;
      }
  }
  return s;
}

std::string FormatIPv6(const uint8_t addr[16], bool annotate) {
  uint16_t g[8];
  for (int i = 0; i < 8; ++i) g[i] = static_cast<uint16_t>((addr[2 * i] << 8) | addr[2 * i + 1]);
  int bestStart = -1, bestLen = 0;
  for (int i = 0; i < 8; ++i) {
    int len = 0;
    while (i + len < 8 && g[i + len] == 0) ++len;
    if (len > bestLen) {
      bestLen = len;
      bestStart = i;
    }
  }
  std::string s;
  char buf[8];
  for (int i = 0; i < 8; ++i) {
    if (i == bestStart && bestLen >= 2) {
      s += "::";
      i += bestLen - 1;
      continue;
    }
    if (!s.empty() && s.back() != ':') s += ':';
    std::snprintf(buf, sizeof buf, "%X", g[i]);
    s += buf;
  }
  if (annotate) {
    if (addr[0] == 0xFF)
      s += " (Multicast)";
    else if (addr[0] == 0xFE && (addr[1] & 0xC0) == 0x80)
      s += " (Link-Local Unicast)";
    else if (addr[0] == 0xFE && (addr[1] & 0xC0) == 0xC0)
      s += " (Site-Local Unicast)";
  }
  return s;
}

std::string FormatMAC(const uint8_t m[6]) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string s(17, ':');
  for (int i = 0; i < 6; ++i) {
    s[i * 3] = kHex[m[i] >> 4];
    s[i * 3 + 1] = kHex[m[i] & 15];
  }
  return s;
}

std::string FormatMAC(const Environment& env, const NodeRegistry* nodes, const uint8_t m[6],
                      bool annotate) {
  std::string s = FormatMAC(m);
  if (!annotate) return s;
  static const uint8_t kBroadcast[6] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
  if (std::equal(m, m + 6, kBroadcast)) return s + " Broadcast";
  if (m[0] & 0x02) {
    s += " Locally administered Address";
  } else if (m[0] & 0x01) {
    // Only IPv4 group addresses (01:00:5E, bit 23 clear) map to group names.
    const char* name = nullptr;
    if (m[0] == 0x01 && m[1] == 0x00 && m[2] == 0x5E && !(m[3] & 0x80))
      name = MulticastName((uint32_t{m[3]} << 16) | (uint32_t{m[4]} << 8) | m[5]);
    s += name ? std::string(" (") + name + ")" : std::string(" Multicast");
  } else if (!env.Vendors.Empty()) {
    if (const std::string* v = env.Vendors.Find(m)) s += " (" + *v + ")";
  }
  if (nodes) {
    const auto& reg = *nodes;
    if (uint32_t pair = reg.FirstNetworkPair(FormatMAC(m))) {
      const auto& net = reg.NodeTable[reg.NodeStatTable[pair].NetNode];
      if (net.IPv4 != 0) s += " (" + FormatIPv4(net.IPv4) + ")";
    }
  }
  return s;
}

std::string FormatMAC(const DecodeContext& c, const uint8_t m[6], bool annotate) {
  return FormatMAC(c.Env, &c.Nodes, m, annotate);
}

}  // namespace kestle
