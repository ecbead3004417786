#include "decode/config/port_table.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <span>

#include "decode/addresses.h"
#include "decode/config/environment.h"
#include "decode/config/ini.h"
#include "decode/context.h"
#include "decode/dispatch.h"
#include "decode/fields.h"
#include "decode/frame_table.h"
#include "decode/protocol_ids.h"
#include "decode/text.h"

namespace kestle {

const char* const DecoderNames[kDecoderCount] = {
    "Data Only", "BGP",   "BOOTP/DHCP", "DNS",    "HSRP", "HTTP",   "Netbios", "NTP",  "RADIUS",
    "RIP",       "RIPng", "SNMP",       "Tacacs", "TFTP", "ISAKMP", "PPTP",    "RTP",  "Socks",
    "SSL/TLS",   "SSDP",  "RTSP",       "SIP",    "SMTP", "Telnet", "DLSw",    "iSCSI"};

namespace {

struct BuiltInPort {
  uint16_t Port;
  uint8_t Type;
  const char* Description;
  uint16_t ProtocolId;  // 0: an identifier is made for the entry at start-up
  uint16_t DecodeAs;
};

constexpr BuiltInPort kBuiltInPorts[] = {
    {20, PortTCP, "FTP Data", 0, DecodeDataOnly},
    {21, PortTCP, "FTP", 0, DecodeDataOnly},
    {23, PortTCP, "Telnet", ProtoTelnet, DecodeTelnet},
    {25, PortTCP, "SMTP", ProtoSMTP, DecodeSMTP},
    {49, PortTCP, "TACACS", ProtoTACACS, DecodeTacacs},
    {53, PortBoth, "DNS", ProtoDNS, DecodeDNS},
    {67, PortUDP, "BOOTPS", ProtoDHCP, DecodeDHCP},
    {68, PortUDP, "BOOTPC", ProtoDHCP, DecodeDHCP},
    {69, PortUDP, "TFTP", ProtoTFTP, DecodeTFTP},
    {79, PortBoth, "Finger", 0, DecodeDataOnly},
    {80, PortTCP, "HTTP", ProtoHTTP, DecodeHTTP},
    {88, PortBoth, "kerberos", 0, DecodeDataOnly},
    {110, PortTCP, "POP3", 0, DecodeDataOnly},
    {123, PortUDP, "NTP", ProtoNTP, DecodeNTP},
    {137, PortUDP, "NBNS", ProtoNBNS, DecodeNetbios},
    {138, PortUDP, "NBDG", ProtoNBDG, DecodeNetbios},
    {139, PortTCP, "NBSS", ProtoNBSS, DecodeNetbios},
    {144, PortTCP, "News", 0, DecodeDataOnly},
    {161, PortUDP, "SNMP", ProtoSNMP, DecodeSNMP},
    {162, PortUDP, "SNMP-Trap", ProtoSNMP, DecodeSNMP},
    {179, PortTCP, "BGP", ProtoBGP, DecodeBGP},
    {389, PortBoth, "LDAP", 0, DecodeDataOnly},
    {443, PortTCP, "HTTPS", ProtoSSLv3, DecodeSSL},
    {445, PortTCP, "SMB", ProtoNBSS, DecodeNetbios},
    {500, PortUDP, "ISAKMP", ProtoISAKMP, DecodeISAKMP},
    {520, PortUDP, "RIP", ProtoRIP, DecodeRIP},
    {521, PortUDP, "RIPng", ProtoRIPng, DecodeRIPng},
    {554, PortBoth, "RTSP", ProtoRTSP, DecodeRTSP},
    {995, PortBoth, "TLS", ProtoTLS, DecodeSSL},
    {1080, PortTCP, "Socks", ProtoSocks, DecodeSocks},
    {1243, PortBoth, "Sub7(1243)", 0, DecodeDataOnly},
    {1723, PortTCP, "PPTP", ProtoPPTP, DecodePPTP},
    {1812, PortUDP, "Radius", ProtoRADIUS, DecodeRADIUS},
    {1813, PortUDP, "Radius", ProtoRADIUS, DecodeRADIUS},
    {1900, PortUDP, "SSDP", ProtoSSDP, DecodeSSDP},
    {1985, PortUDP, "HSRP", ProtoHSRP, DecodeHSRP},
    {2065, PortTCP, "DLSw", ProtoDLSw, DecodeDLSw},
    {2140, PortBoth, "DeepThroat", 0, DecodeDataOnly},
    {3260, PortTCP, "iSCSI", ProtoiSCSI, DecodeiSCSI},
    {5002, PortUDP, "RTP", ProtoRTP, DecodeRTP},
    {5060, PortBoth, "SIP", ProtoSIP, DecodeSIP},
    {5631, PortBoth, "PCAnywhere data", 0, DecodeDataOnly},
    {5632, PortBoth, "PCAnywhere", 0, DecodeDataOnly},
    {6699, PortBoth, "Napster", 0, DecodeDataOnly},
    {6776, PortBoth, "Sub7(6776)", 0, DecodeDataOnly},
    {27374, PortBoth, "Sub7(27374)", 0, DecodeDataOnly},
    {31337, PortBoth, "Back Orifice", 0, DecodeDataOnly},
    {31789, PortBoth, "HackaTack", 0, DecodeDataOnly},
};

constexpr const char* kSection = "Ports";
constexpr size_t kMaxDescription = 100;
constexpr std::string_view kUnknown = "Unknown";

// "port,type,decoder,protocol,description" -> an entry; false when the
// value is not one (a number that does not convert, port outside 1..65535,
// type outside 0..2). Identifiers and codes out of range become 0.
bool ParsePortValue(std::string_view v, WellKnownRec& out) {
  int64_t n[4] = {};
  for (auto& x : n) {
    const size_t comma = v.find(',');
    if (comma == std::string_view::npos) return false;
    auto parsed = IniFile::ParseInteger(v.substr(0, comma));
    if (!parsed) return false;
    x = *parsed;
    v.remove_prefix(comma + 1);
  }
  const auto [port, type, decoder, protocol] = n;
  if (port < 1 || port > 65535 || type < 0 || type > 2) return false;
  out.Port = static_cast<uint16_t>(port);
  out.PortType = static_cast<uint8_t>(type);
  out.DecodeAs = decoder >= 0 && decoder < kDecoderCount ? static_cast<uint16_t>(decoder) : 0;
  out.ProtocolId =
      protocol >= 0 && protocol <= kFixedProtocolCount ? static_cast<uint16_t>(protocol) : 0;
  out.Description = std::string(v.substr(0, kMaxDescription));
  return true;
}

// The number of a key "Port<n>" (n in decimal, no leading zeros, the name
// in any case); nothing for any other key.
std::optional<int64_t> ValueNumber(std::string_view key) {
  constexpr std::string_view kPrefix = "port";
  if (key.size() <= kPrefix.size()) return std::nullopt;
  for (size_t i = 0; i < kPrefix.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(key[i])) != kPrefix[i]) return std::nullopt;
  const std::string_view digits = key.substr(kPrefix.size());
  if (digits.size() > 10 || digits[0] == '0') return std::nullopt;
  int64_t n = 0;
  for (const char ch : digits) {
    if (ch < '0' || ch > '9') return std::nullopt;
    n = n * 10 + (ch - '0');
  }
  return n;
}

bool TypeMatches(uint8_t entryType, uint8_t type) {
  return entryType == type || entryType == PortBoth;
}

}  // namespace

void PortTable::LoadBuiltIn() {
  entries_.clear();
  for (const auto& b : kBuiltInPorts)
    entries_.push_back({b.Type, b.Port, b.Description, b.ProtocolId, b.DecodeAs});
  Reindex();
}

void PortTable::Replace(std::vector<WellKnownRec> entries) {
  entries_ = std::move(entries);
  Reindex();
}

bool PortTable::Load(const IniFile& ini) {
  entries_.clear();
  const int64_t count = ini.ReadInteger(kSection, "PortNum", 0);
  // Values are numbered Port1 to PortNum, and gaps are allowed. Only the
  // keys the section has are visited: a huge PortNum would otherwise mean
  // billions of look-ups.
  std::vector<int64_t> numbers;
  for (const std::string& key : ini.Keys(kSection)) {
    const auto i = ValueNumber(key);
    if (i && *i >= 1 && *i <= count) numbers.push_back(*i);
  }
  std::sort(numbers.begin(), numbers.end());
  numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
  for (const int64_t i : numbers) {
    auto value = ini.Get(kSection, "Port" + std::to_string(i));
    WellKnownRec e;
    if (value && ParsePortValue(*value, e)) entries_.push_back(std::move(e));
  }
  Reindex();
  return !entries_.empty();
}

void PortTable::Save(IniFile& ini) const {
  ini.EraseSection(kSection);
  for (size_t i = 0; i < entries_.size(); ++i) {
    const WellKnownRec& e = entries_[i];
    const uint16_t id = e.ProtocolId > kFixedProtocolCount ? 0 : e.ProtocolId;
    ini.WriteString(kSection, "Port" + std::to_string(i + 1),
                    std::to_string(e.Port) + "," + std::to_string(e.PortType) + "," +
                        std::to_string(e.DecodeAs) + "," + std::to_string(id) + "," +
                        e.Description);
  }
  ini.WriteInteger(kSection, "PortNum", static_cast<int64_t>(entries_.size()));
}

void PortTable::Reindex() {
  byPort_.clear();
  byDescription_.clear();
  auto note = [](Firsts& f, uint8_t type, uint32_t index) {
    if (!f.Any) f.Any = index;
    if (!f.Udp && TypeMatches(type, PortUDP)) f.Udp = index;
    if (!f.Tcp && TypeMatches(type, PortTCP)) f.Tcp = index;
  };
  for (uint32_t i = 0; i < entries_.size(); ++i) {
    note(byPort_[entries_[i].Port], entries_[i].PortType, i + 1);
    note(byDescription_[entries_[i].Description], entries_[i].PortType, i + 1);
  }
}

namespace {
template <class Map, class Key>
uint32_t FirstOf(const Map& m, const Key& key, uint8_t type) {
  auto it = m.find(key);
  if (it == m.end()) return 0;
  return type == PortTCP ? it->second.Tcp : it->second.Udp;
}
}  // namespace

std::string_view PortTable::PortDescription(uint8_t type, uint16_t port) const {
  const uint32_t i = FirstOf(byPort_, port, type);
  return i && i <= entries_.size() ? std::string_view(entries_[i - 1].Description) : kUnknown;
}

std::string_view PortTable::KnownDescription(uint8_t type, uint16_t port) const {
  const uint32_t i = FirstOf(byPort_, port, type);
  return i && i <= entries_.size() ? std::string_view(entries_[i - 1].Description)
                                   : std::string_view{};
}

uint16_t PortTable::PortDecoder(uint16_t port) const {
  auto it = byPort_.find(port);
  if (it == byPort_.end() || !it->second.Any || it->second.Any > entries_.size()) return 0;
  return entries_[it->second.Any - 1].DecodeAs;
}

uint16_t PortTable::PortProtocol(uint8_t type, std::string_view description) const {
  const uint32_t i = FirstOf(byDescription_, std::string(description), type);
  return i && i <= entries_.size() ? entries_[i - 1].ProtocolId : 0;
}

}  // namespace kestle
