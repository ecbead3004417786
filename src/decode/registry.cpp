#include "decode/registry.h"

#include <algorithm>
#include <numeric>

#include "decode/addresses.h"
#include "decode/config/ini.h"
#include "decode/config/port_table.h"
#include "decode/fields.h"
#include "decode/text.h"

namespace kestle {

const char* const kFixedProtocolNames[kFixedProtocolCount + 1] = {
    "",         "802.1q",   "AH",      "ARP",      "BGP",      "CDP",
    "CGMP",     "DHCP",     "DNS",     "DLSw",     "DTP",      "EAP",
    "EIGRP",    "ESP",      "GRE",     "GVRP",     "HSRP",     "HTTP",
    "ICMP",     "ICMPV6",   "IGMP",    "IPV4",     "IPV6",     "IPX",
    "IPX-RIP",  "ISAKMP",   "iSCSI",   "IS-IS",    "ISL",      "LLDP",
    "Loopback", "MPLS",     "NBDG",    "NBNS",     "NBSS",     "Netbios",
    "NTP",      "OSPF",     "PPP",     "PPP CBCP", "PPP CCP",  "PPP Comp",
    "PPP CHAP", "PPP IPCP", "PPP LCP", "PPPoE",    "PPTP",     "PIM",
    "RIP",      "RADIUS",   "RIPng",   "RSVP",     "RTP",      "RTSP",
    "SAP",      "SIP",      "SMB",     "SMTP",     "SNA",      "SNMP",
    "Socks",    "SSDP",     "SSLv2",   "SSLv3",    "STP",      "TACACS",
    "TACACS+",  "TCP",      "Telnet",  "TFTP",     "TLS",      "UDP",
    "Unknown",  "VRRP",     "VTP",     "XTACACS",  "Ethernet", "Linux cooked",
    "Raw IP",   "Loopback"};

// ---------------------------------------------------------------- protocols

void ProtocolTable::Build(PortTable* ports) {
  Table.clear();
  Table.reserve(108);
  Table.resize(kFixedProtocolCount + 1);
  for (uint32_t i = 1; i <= kFixedProtocolCount; ++i) Table[i].Name = kFixedProtocolNames[i];
  if (ports) {
    for (size_t i = 0; i < ports->Entries().size(); ++i) {
      const WellKnownRec& e = ports->Entries()[i];
      if (e.ProtocolId != 0) continue;
      Table.push_back({e.Description, kWhite});
      ports->SetProtocolId(i, static_cast<uint16_t>(Table.size() - 1));
    }
  }
}

const std::string& ProtocolTable::Name(uint32_t id) const {
  static const std::string kEmpty;
  return id < Table.size() ? Table[id].Name : kEmpty;
}

void ProtocolTable::ApplyDefaultColours() {
  auto set = [this](uint32_t id, uint32_t c) {
    if (id < Table.size()) Table[id].Colour = c;
  };
  set(ProtoIPV4, 0x008000);
  set(ProtoIPV6, 0x008000);
  set(ProtoARP, 0x0000FF);
  set(ProtoTCP, 0xFF0000);
  set(ProtoUDP, 0x808000);
  set(ProtoIPX, 0x800080);
  set(ProtoUnknown, 0x000080);
}

uint32_t StoredColourKey(uint32_t id, uint32_t storedFixed) {
  if (id <= kFixedProtocolCount) return id <= storedFixed ? id : 0;
  return id - kFixedProtocolCount + storedFixed;
}

void ProtocolTable::LoadColours(const IniFile& ini) {
  // The identifiers after the fixed ones move up when fixed ones are added:
  // the file says how many fixed ones it was written with (the first files
  // do not, and had 76), so a colour stays with its protocol.
  const int64_t fixed =
      ini.ReadInteger("Options", kFixedProtocolsKey, kFixedProtocolCountBeforeLinkUnits);
  const uint32_t storedFixed = static_cast<uint32_t>(std::clamp<int64_t>(fixed, 1, 0xFFFF));
  bool allWhite = true;
  for (uint32_t id = 1; id < Table.size(); ++id) {
    const uint32_t key = StoredColourKey(id, storedFixed);
    const int64_t v =
        key == 0 ? kWhite
                 : ini.ReadInteger("Options", "ProtocolColour" + std::to_string(key), kWhite);
    Table[id].Colour = static_cast<uint32_t>(v) & 0xFFFFFFFFu;
    if (Table[id].Colour != kWhite) allWhite = false;
  }
  if (allWhite) ApplyDefaultColours();
}

void ProtocolTable::SaveColours(IniFile& ini) const {
  for (uint32_t id = 1; id < Table.size(); ++id)
    ini.WriteInteger("Options", "ProtocolColour" + std::to_string(id),
                     static_cast<int32_t>(Table[id].Colour));
  ini.WriteInteger("Options", kFixedProtocolsKey, kFixedProtocolCount);
}

// ---------------------------------------------------------------- stacks

void ProtocolPathTable::Clear() {
  Paths.assign(1, ProtocolPathRec{});
  index_.Clear();
}

uint32_t ProtocolPathTable::Extend(uint32_t path, uint16_t id) {
  const uint64_t key = (static_cast<uint64_t>(path) << 16) | id;
  if (const uint32_t found = index_.Find(key)) return found;
  ProtocolPathRec r;
  r.Protocol = id;
  r.Parent = path;
  Paths.push_back(r);
  const uint32_t n = static_cast<uint32_t>(Paths.size() - 1);
  index_.Insert(key, n);
  return n;
}

// ---------------------------------------------------------------- nodes

namespace {
uint64_t MacKey(const uint8_t mac[6]) {
  uint64_t k = 0;
  for (int i = 0; i < 6; ++i) k = (k << 8) | mac[i];
  return k;
}

bool MacFromText(std::string_view t, uint8_t mac[6]) {
  if (t.size() != 17) return false;
  for (int i = 0; i < 6; ++i) {
    unsigned v = 0;
    for (int j = 0; j < 2; ++j) {
      char c = t[i * 3 + j];
      v <<= 4;
      if (c >= '0' && c <= '9')
        v |= c - '0';
      else if (c >= 'A' && c <= 'F')
        v |= c - 'A' + 10;
      else if (c >= 'a' && c <= 'f')
        v |= c - 'a' + 10;
      else
        return false;
    }
    mac[i] = static_cast<uint8_t>(v);
  }
  return true;
}
}  // namespace

void NodeRegistry::Clear() {
  NodeTable.assign(1, NodeEntryRec{});
  NodeStatTable.assign(1, NodeStatRec{});
  macIndex_.Clear();
  ipv4Index_.Clear();
  nameIndex_.clear();
  pairIndex_.Clear();
  firstNetPair_.Clear();
}

uint32_t NodeRegistry::AddNode(std::string macText, uint32_t ipv4, std::string name) {
  NodeEntryRec e;
  e.MacText = std::move(macText);
  e.IPv4 = ipv4;
  e.Name = std::move(name);
  NodeTable.push_back(std::move(e));
  return static_cast<uint32_t>(NodeTable.size() - 1);
}

uint32_t NodeRegistry::RegisterNode(const uint8_t mac[6], uint32_t ipv4, std::string_view name) {
  if (NodeTable.capacity() < 512) NodeTable.reserve(512);
  uint32_t macIdx = 0;
  if (mac) {
    const uint64_t mk = MacKey(mac);
    macIdx = macIndex_.Find(mk);
    if (macIdx == 0) {
      macIdx = AddNode(FormatMAC(mac), 0, {});
      macIndex_.Insert(mk, macIdx);
    }
  }
  uint32_t netIdx = 0;
  if (ipv4 != 0) {
    netIdx = ipv4Index_.Find(ipv4);
    if (netIdx == 0) {
      netIdx = AddNode({}, ipv4, {});
      ipv4Index_.Insert(ipv4, netIdx);
    }
  } else if (!name.empty()) {
    if (auto it = nameIndex_.find(name); it != nameIndex_.end()) {
      netIdx = it->second;
    } else {
      netIdx = AddNode({}, 0, std::string(name));
      nameIndex_.emplace(std::string(name), netIdx);
    }
  }
  if (macIdx == 0 && netIdx == 0) return 0;  // no address at all: no station
  const uint64_t pk = (static_cast<uint64_t>(macIdx) << 32) | netIdx;
  if (const uint32_t found = pairIndex_.Find(pk)) return found;
  NodeStatRec r;
  r.MacNode = macIdx;
  r.NetNode = netIdx;
  NodeStatTable.push_back(r);
  const uint32_t n = static_cast<uint32_t>(NodeStatTable.size() - 1);
  pairIndex_.Insert(pk, n);
  if (netIdx != 0 && macIdx != 0) firstNetPair_.Insert(macIdx, n);
  return n;
}

uint32_t NodeRegistry::FirstNetworkPair(std::string_view macText) const {
  uint8_t mac[6];
  if (!MacFromText(macText, mac)) return 0;
  const uint32_t macIdx = macIndex_.Find(MacKey(mac));
  return macIdx == 0 ? 0 : firstNetPair_.Find(macIdx);
}

void NodeRegistry::SortNodes() {
  const uint32_t n = NodeCount();
  if (n == 0) return;
  auto rank = [](const NodeEntryRec& e) { return e.IPv4 != 0 ? 0 : !e.Name.empty() ? 1 : 2; };
  std::vector<uint32_t> order(n);
  std::iota(order.begin(), order.end(), 1u);
  std::stable_sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) {
    const NodeEntryRec& x = NodeTable[a];
    const NodeEntryRec& y = NodeTable[b];
    int rx = rank(x), ry = rank(y);
    if (rx != ry) return rx < ry;
    if (rx == 0) return x.IPv4 < y.IPv4;
    if (rx == 1) return x.Name < y.Name;
    return x.MacText < y.MacText;
  });
  std::vector<uint32_t> newPos(n + 1, 0);
  std::vector<NodeEntryRec> sorted(1);
  sorted.reserve(n + 1);
  for (uint32_t i = 0; i < n; ++i) {
    newPos[order[i]] = i + 1;
    sorted.push_back(std::move(NodeTable[order[i]]));
  }
  NodeTable = std::move(sorted);
  for (uint32_t i = 1; i < NodeStatTable.size(); ++i) {
    auto& r = NodeStatTable[i];
    if (r.MacNode <= n) r.MacNode = newPos[r.MacNode];
    if (r.NetNode <= n) r.NetNode = newPos[r.NetNode];
  }
  RebuildIndex();
}

void NodeRegistry::RebuildIndex() {
  macIndex_.Clear();
  ipv4Index_.Clear();
  nameIndex_.clear();
  pairIndex_.Clear();
  firstNetPair_.Clear();
  for (uint32_t i = 1; i < NodeTable.size(); ++i) {
    const auto& e = NodeTable[i];
    uint8_t mac[6];
    if (!e.MacText.empty() && MacFromText(e.MacText, mac))
      macIndex_.Insert(MacKey(mac), i);
    else if (e.IPv4 != 0)
      ipv4Index_.Insert(e.IPv4, i);
    else if (!e.Name.empty())
      nameIndex_.emplace(e.Name, i);
  }
  for (uint32_t i = 1; i < NodeStatTable.size(); ++i) {
    const auto& r = NodeStatTable[i];
    pairIndex_.Insert((static_cast<uint64_t>(r.MacNode) << 32) | r.NetNode, i);
    if (r.NetNode != 0 && r.MacNode != 0) firstNetPair_.Insert(r.MacNode, i);
  }
}

}  // namespace kestle
