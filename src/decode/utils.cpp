#include "decode/utils.h"

#include <algorithm>
#include <cstdio>
#include <unordered_map>

#include "decode/context.h"
#include "decode/environment.h"
#include "decode/registry.h"
#include "decode/tree.h"

namespace kestle {

// ---------------------------------------------------------------- tree items

std::string DetailText(std::string_view text, uint32_t length, bool displayLength, bool align) {
  std::string t(text);
  if (size_t p = t.find("()"); p != std::string::npos) {
    if (displayLength) {
      std::string n = length == 1 ? "1 byte" : std::to_string(length) + " bytes";
      t.replace(p + 1, 0, n);
    } else {
      t.erase(p, 2);
    }
  }
  if (align) {
    size_t p = t.find(" - ");
    if (p != std::string::npos && p < 49) {
      std::string head = t.substr(0, p);
      head.resize(50, ' ');
      t = head + t.substr(p + 3);
    }
  }
  return t;
}

namespace {
DetailNode* AddItem(DecodeContext& c, DetailNode* parent, std::string text, uint32_t offset,
                    int image, uint32_t length, bool literal) {
  if (!c.Tree) return nullptr;
  if (!literal)
    text = DetailText(text, length, c.Set.DisplayLength, !c.Tree->PrintMode && parent != nullptr);
  if (!parent && image == 1) image = 0;
  return c.Tree->Add(parent, std::move(text), offset, length, image, literal);
}
}  // namespace

DetailNode* AddDetailNode(DecodeContext& c, DetailNode* parent, std::string text, uint32_t offset,
                          int image, uint32_t length) {
  return AddItem(c, parent, std::move(text), offset, image, length, false);
}

DetailNode* AddDetailNodeLiteral(DecodeContext& c, DetailNode* parent, std::string text,
                                 uint32_t offset, int image, uint32_t length) {
  return AddItem(c, parent, std::move(text), offset, image, length, true);
}

DetailNode* AddField(DecodeContext& c, DetailNode* parent, std::string text, size_t at,
                     size_t length, int image) {
  return AddItem(c, parent, std::move(text), c.at(at), image, static_cast<uint32_t>(length),
                 false);
}

std::string FlagPicture(uint32_t value, uint32_t mask, int width) {
  const int bits = width == 1 ? 8 : width == 2 ? 16 : width == 3 ? 24 : 32;
  std::string s;
  for (int i = bits - 1, pos = 1; i >= 0; --i, ++pos) {
    const uint32_t bit = 1u << i;
    s += (mask & bit) ? ((value & bit) ? '1' : '0') : '.';
    if (pos % 8 == 0 && pos != bits)
      s += "  ";
    else if (pos % 4 == 0)
      s += ' ';
  }
  return s;
}

void AddFlagNodes(DecodeContext& c, DetailNode* item, uint32_t value, int width,
                  std::span<const FlagTabRec> table) {
  if (!item) return;
  for (const auto& f : table) {
    const char* text = nullptr;
    if ((value & f.Mask) == f.Mask && f.SetText[0] != '\0')
      text = f.SetText;
    else if (f.ClearText[0] != '\0')
      text = f.ClearText;
    if (!text) continue;
    AddDetailNode(c, item, FlagPicture(value, f.Mask, width) + " = " + text, item->Offset, 1,
                  item->Length);
  }
}

// ---------------------------------------------------------------- code tables

std::string_view LookupCode(uint16_t code, std::span<const LookupTableRec> table,
                            std::string_view def) {
  for (const auto& e : table)
    if (e.Code == code) return e.Text;
  return def;
}

std::string_view LookupLongCode(uint32_t code, std::span<const LookupTableLongRec> table,
                                std::string_view def) {
  for (const auto& e : table)
    if (e.Code == code) return e.Text;
  return def;
}

// ---------------------------------------------------------------- multicast

namespace {
struct MulticastEntryRec {
  uint32_t Key;
  const char* Name;
};
constexpr MulticastEntryRec kMulticast[] = {
    {0x000001, "All Systems on this Subnet"},
    {0x000002, "All Routers on this Subnet"},
    {0x000004, "DVMRP Routers"},
    {0x000005, "OSPF All Routers"},
    {0x000006, "OSPF Designated Routers"},
    {0x000007, "ST Routers"},
    {0x000008, "ST Hosts"},
    {0x000009, "RIP2 Routers"},
    {0x00000A, "IGRP Routers"},
    {0x00000B, "Mobile-Agents"},
    {0x00000C, "DHCP Server/Relay Agent"},
    {0x00000D, "All PIM Routers"},
    {0x00000E, "RSVP-ENCAPSULATION"},
    {0x00000F, "all-cbt-routers"},
    {0x000010, "designated-sbm"},
    {0x000011, "all-sbms"},
    {0x000012, "VRRP"},
    {0x000013, "IPAllL1ISs"},
    {0x000014, "IPAllL2ISs"},
    {0x000015, "IPAllIntermediate Systems"},
    {0x000016, "IGMP"},
    {0x000017, "GLOBECAST-ID"},
    {0x000019, "router-to-switch"},
    {0x00001B, "Al MPP Hello"},
    {0x00001C, "ETC Control"},
    {0x00001D, "GE-FANUC"},
    {0x00001E, "indigo-vhdp"},
    {0x00001F, "shinbroadband"},
    {0x000020, "digistar"},
    {0x000021, "ff-system-management"},
    {0x000022, "pt2-discover"},
    {0x000023, "DXCLUSTER"},
    {0x000024, "DTCP Announcement"},
    {0x000065, "cisco-nhap"},
    {0x000066, "HSRP"},
    {0x000067, "MDAP"},
    {0x0000FB, "mDNS"},
    {0x000100, "VMTP Managers Group"},
    {0x000101, "Network Time Protocol"},
    {0x000102, "SGI-Dogfight"},
    {0x000103, "Rwhod"},
    {0x000104, "VNP"},
    {0x000105, "Artificial Horizons Aviator"},
    {0x000106, "Name Service Server"},
    {0x000107, "Audio News Multicast"},
    {0x000108, "SUN NIS+ Information Service"},
    {0x000109, "Multicast Transport Protocol"},
    {0x00010A, "IETF-1-LOW-AUDIO"},
    {0x00010B, "IETF-1-AUDIO"},
    {0x00010C, "IETF-1-VIDEO"},
    {0x00010D, "IETF-2-LOW-AUDIO"},
    {0x00010E, "IETF-2-AUDIO"},
    {0x00010F, "IETF-2-VIDEO"},
    {0x000110, "MUSIC-SERVICE"},
    {0x000111, "SEANET-TELEMETRY"},
    {0x000112, "SEANET-IMAGE"},
    {0x000113, "MLOADD"},
    {0x000114, "any private experiment"},
    {0x000115, "DVMRP on MOSPF"},
    {0x000116, "SVRLOC"},
    {0x000117, "XINGTV"},
    {0x000118, "microsoft-ds"},
    {0x000119, "nbc-pro"},
    {0x00011A, "nbc-pfn"},
    {0x00011B, "lmsc-calren-1"},
    {0x00011C, "lmsc-calren-2"},
    {0x00011D, "lmsc-calren-3"},
    {0x00011E, "lmsc-calren-4"},
    {0x00011F, "ampr-info"},
    {0x000120, "mtrace"},
    {0x000121, "RSVP-encap-1"},
    {0x000122, "RSVP-encap-2"},
    {0x000123, "SVRLOC-DA"},
    {0x000124, "rln-server"},
    {0x000125, "proshare-mc"},
    {0x000126, "dantz"},
    {0x000127, "cisco-rp-announce"},
    {0x000128, "cisco-rp-discovery"},
    {0x000129, "gatekeeper"},
    {0x00012A, "iberiagames"},
    {0x00012B, "nwn-discovery"},
    {0x00012C, "nwn-adaptor"},
    {0x00012D, "isma-1"},
    {0x00012E, "isma-2"},
    {0x00012F, "telerate"},
    {0x000130, "ciena"},
    {0x000131, "dcap-servers"},
    {0x000132, "dcap-clients"},
    {0x000133, "mcntp-directory"},
    {0x000134, "mbone-vcr-directory"},
    {0x000135, "heartbeat"},
    {0x000136, "sun-mc-grp"},
    {0x000137, "extended-sys"},
    {0x000138, "pdrncs"},
    {0x000139, "tns-adv-multi"},
    {0x00013A, "vcals-dmu"},
    {0x00013B, "zuba"},
    {0x00013C, "hp-device-disc"},
    {0x00013D, "tms-production"},
    {0x00013E, "sunscalar"},
    {0x00013F, "mmtp-poll"},
    {0x000140, "compaq-peer"},
    {0x000141, "iapp"},
    {0x000142, "multihasc-com"},
    {0x000143, "serv-discovery"},
    {0x000144, "mdhcpdisover"},
    {0x000145, "MMP-bundle-discovery1"},
    {0x000146, "MMP-bundle-discovery2"},
    {0x000147, "XYPOINT DGPS Data Feed"},
    {0x000148, "GilatSkySurfer"},
    {0x000149, "SharesLive"},
    {0x00014A, "NorthernData"},
    {0x00014B, "SIP"},
    {0x00014C, "IAPP"},
    {0x00014D, "AGENTVIEW"},
    {0x00014E, "Tibco Multicast1"},
    {0x00014F, "Tibco Multicast2"},
    {0x000150, "MSP"},
    {0x000151, "One-way Trip Time"},
    {0x000152, "TRACKTICKER"},
    {0x000153, "dtn-mc"},
    {0x000154, "jini-announcement"},
    {0x000155, "jini-request"},
    {0x000156, "sde-discovery"},
    {0x000157, "DirecPC-SI"},
    {0x000158, "B1RMonitor"},
    {0x000159, "3Com-AMP3 dRMON"},
    {0x00015A, "imFtmSvc"},
    {0x00015B, "NQDS4"},
    {0x00015C, "NQDS5"},
    {0x00015D, "NQDS6"},
    {0x00015E, "NLVL12"},
    {0x00015F, "NTDS1"},
    {0x000160, "NTDS2"},
    {0x000161, "NODSA"},
    {0x000162, "NODSB"},
    {0x000163, "NODSC"},
    {0x000164, "NODSD"},
    {0x000165, "NQDS4R"},
    {0x000166, "NQDS5R"},
    {0x000167, "NQDS6R"},
    {0x000168, "NLVL12R"},
    {0x000169, "NTDS1R"},
    {0x00016A, "NTDS2R"},
    {0x00016B, "NODSAR"},
    {0x00016C, "NODSBR"},
    {0x00016D, "NODSCR"},
    {0x00016E, "NODSDR"},
    {0x00016F, "MRM"},
    {0x000170, "TVE-FILE"},
    {0x000171, "TVE-ANNOUNCE"},
    {0x000172, "Mac Srv Loc"},
    {0x000173, "Simple Multicast"},
    {0x000174, "SpectraLinkGW"},
    {0x000175, "dieboldmcast"},
    {0x000176, "Tivoli Systems"},
    {0x000177, "pq-lic-mcast"},
    {0x000178, "HYPERFEED"},
    {0x000179, "Pipesplatform"},
    {0x00017A, "LiebDevMgmg-DM"},
    {0x00017B, "TRIBALVOICE"},
    {0x00017D, "PolyCom Relay1"},
    {0x00017E, "Infront Multi1"},
    {0x00017F, "XRX DEVICE DISC"},
    {0x000180, "CNN"},
    {0x000181, "PTP-primary"},
    {0x000182, "PTP-alternate1"},
    {0x000183, "PTP-alternate2"},
    {0x000184, "PTP-alternate3"},
    {0x000185, "ProCast"},
    {0x000186, "3Com Discp"},
    {0x000187, "CS-Multicasting"},
    {0x000188, "TS-MC-1"},
    {0x000189, "Make Source"},
    {0x00018A, "Teleborsa"},
    {0x00018B, "SUMAConfig"},
    {0x00018D, "DHCP-SERVERS"},
    {0x00018E, "CN Router-LL"},
    {0x00018F, "EMWIN"},
    {0x000190, "Alchemy Cluster"},
    {0x000191, "Satcast One"},
    {0x000192, "Satcast Two"},
    {0x000193, "Satcast Three"},
    {0x000194, "Intline"},
    {0x000195, "8x8 Multicast"},
    {0x000197, "Intline-1"},
    {0x000198, "Intline-2"},
    {0x000199, "Intline-3"},
    {0x00019A, "Intline-4"},
    {0x00019B, "Intline-5"},
    {0x00019C, "Intline-6"},
    {0x00019D, "Intline-7"},
    {0x00019E, "Intline-8"},
    {0x00019F, "Intline-9"},
    {0x0001A0, "Intline-10"},
    {0x0001A1, "Intline-11"},
    {0x0001A2, "Intline-12"},
    {0x0001A3, "Intline-13"},
    {0x0001A4, "Intline-14"},
    {0x0001A5, "Intline-15"},
    {0x0001A6, "marratech-cc"},
    {0x0001A7, "EMS-InterDev"},
    {0x0001A8, "itb301"},
    {0x0001A9, "rtv-audio"},
    {0x0001AA, "rtv-video"},
    {0x0001AB, "HAVI-Sim"},
    {0x0001AC, "Nokia Cluster"},
    {0x0001AD, "host-request"},
    {0x0001AE, "host-announce"},
    {0x0001AF, "ptk-cluster"},
    {0x0001B0, "Proxim Protocol"},
    {0x000202, "SUN RPC PMAPPROC_CALLIT"},
    {0x027FFE, "SAPv1 Announcements"},
};

const std::unordered_map<uint32_t, const char*>& MulticastTable() {
  static const auto table = [] {
    std::unordered_map<uint32_t, const char*> m;
    for (const auto& e : kMulticast) m.emplace(e.Key, e.Name);  // first entry wins
    return m;
  }();
  return table;
}
}  // namespace

const char* MulticastName(uint32_t key24) {
  const auto& t = MulticastTable();
  auto it = t.find(key24 & 0xFFFFFF);
  return it == t.end() ? nullptr : it->second;
}

// ---------------------------------------------------------------- addresses

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

// ---------------------------------------------------------------- bytes etc.

std::string Hex(uint64_t value, int width) {
  char buf[24];
  std::snprintf(buf, sizeof buf, "%0*llX", width, static_cast<unsigned long long>(value));
  return buf;
}

std::string HexBytes(std::string_view bytes, size_t limit) {
  if (bytes.empty()) return {};
  static const char kHex[] = "0123456789ABCDEF";
  std::string s = "0x";
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (limit != 0 && i == limit + 1) {
      s += "...";
      break;
    }
    const auto b = static_cast<uint8_t>(bytes[i]);
    s += kHex[b >> 4];
    s += kHex[b & 15];
  }
  return s;
}

std::string FormatHexBytes(const DecodeContext& c, size_t start, size_t count, size_t limit) {
  if (count == 0 || start == 0) return {};
  std::string_view b = c.bytes(start - 1, count);
  return HexBytes(b, limit);
}

std::string FormatBits(uint32_t value, int digits) {
  std::string s;
  for (int i = digits - 1; i >= 0; --i) s += (i < 16 && ((value >> i) & 1)) ? '1' : '0';
  return s;
}

std::string FormatDuration(uint32_t secs) {
  const uint32_t parts[4] = {secs / 86400, secs / 3600 % 24, secs / 60 % 60, secs % 60};
  static const char* const kOne[4] = {"1 day ", "1 hour ", "1 minute ", "1 second "};
  static const char* const kMany[4] = {" days ", " hours ", " minutes ", " seconds "};
  std::string s;
  for (int i = 0; i < 4; ++i) {
    if (parts[i] == 0) continue;
    s += parts[i] == 1 ? kOne[i] : std::to_string(parts[i]) + kMany[i];
  }
  return s;
}

std::string PadLeft(std::string_view text, size_t width) {
  if (text.size() >= width) return std::string(text);
  return std::string(width - text.size(), ' ') + std::string(text);
}

std::string FormatThousands(uint64_t n, std::string_view sep) {
  std::string digits = std::to_string(n);
  std::string s;
  const size_t len = digits.size();
  for (size_t i = 0; i < len; ++i) {
    s += digits[i];
    const size_t left = len - 1 - i;
    if (left > 0 && left % 3 == 0) s += sep;
  }
  return s;
}

double UnixToDateTime(uint32_t seconds, int biasMinutes) {
  return static_cast<double>(seconds / 86400) + 25569.0 + (seconds % 86400) / 86400.0 -
         biasMinutes / 1440.0;
}

int GetTimeZoneBias(std::time_t at) {
  struct tm local {};
  if (!localtime_r(&at, &local)) return 0;
  return static_cast<int>(-local.tm_gmtoff / 60);
}

int GetTimeZoneBias() { return GetTimeZoneBias(std::time(nullptr)); }

std::string SafeText(std::string_view bytes) {
  std::string s(bytes);
  for (char& ch : s) {
    const auto b = static_cast<unsigned char>(ch);
    if (b < 0x20 || b > 0x7E) ch = '.';
  }
  return s;
}

}  // namespace kestle
