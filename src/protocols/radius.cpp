#include "protocols/radius.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <span>
#include <string_view>

#include "decode/addresses.h"
#include "decode/config/environment.h"
#include "decode/context.h"
#include "decode/fields.h"
#include "decode/lookup.h"
#include "decode/text.h"

namespace kestle {

namespace {

constexpr size_t kHeader = 20;

constexpr LookupTableRec kCodes[] = {
    {1, "Access-Request"},     {2, "Access-Accept"},       {3, "Access-Reject"},
    {4, "Accounting-Request"}, {5, "Accounting-Response"}, {11, "Access-Challenge"},
    {12, "Status-Server"},     {13, "Status-Client"},      {255, "Reserved"}};

// Each attribute's value format (a address, i integer, s string, t time,
// x hex), "-" and its name.
constexpr LookupTableRec kAttributes[] = {
    {1, "s-User-Name"},
    {2, "x-User-Password"},
    {3, "x-CHAP-Password"},
    {4, "a-NAS-IP-Address"},
    {5, "i-NAS-Port"},
    {6, "i-Service-Type"},
    {7, "i-Frame-Protocol"},
    {8, "a-Framed-IP-Address"},
    {9, "a-Framed-IP-Netmask"},
    {10, "i-Framed-Routing"},
    {11, "s-Filter-ID"},
    {12, "i-Framed-MTU"},
    {13, "i-Framed-Compression"},
    {14, "a-Login-IP-Host"},
    {15, "i-Login-Service"},
    {16, "i-Login-TCP-Port"},
    {18, "s-Reply-Message"},
    {19, "x-Callback-Number"},
    {20, "x-Callback-ID"},
    {22, "s-Framed-Route"},
    {23, "i-Framed-IPX-Network"},
    {24, "x-State"},
    {25, "x-Class"},
    {26, "x-Vendor-Specific"},
    {27, "i-Session-Timeout"},
    {28, "i-Idle-Timeout"},
    {29, "i-Termination-Action"},
    {30, "s-Called-Station-ID"},
    {31, "x-Calling-Station-ID"},
    {32, "s-NAS-Identifier"},
    {33, "x-Proxy-State"},
    {34, "s-Login-LAT-Service"},
    {35, "s-Login-LAT-Node"},
    {36, "x-Login-LAT-Group"},
    {37, "i-Framed-Appletalk-Link"},
    {38, "i-Framed-Appletalk-Network"},
    {39, "x-Framed-Appletalk-Zone"},
    {40, "i-Acct-Status-Type"},
    {41, "i-Acct-Delay-Time"},
    {42, "i-Acct-Input-Octets"},
    {43, "i-Acct-Output-Octets"},
    {44, "x-Acct-Session-Id"},
    {45, "i-Acct-Authentic"},
    {46, "i-Acct-Session-Time"},
    {47, "i-Acct-Input-Packets"},
    {48, "i-Acct-Output-Packets"},
    {49, "i-Acct-Terminate-Cause"},
    {50, "x-Acct-Multi-Session-Id"},
    {51, "i-Acct-Link-Count"},
    {55, "t-Event-Timestamp"},
    {60, "x-CHAP-Challange"},
    {61, "i-NAS-Port-Type"},
    {62, "i-Port-Limit"},
    {63, "s-Login-LAT-Port"},
    {222, "x-Handle-IPX"},
    {223, "i-Netware-Timeout"},
};

constexpr LookupTableRec kServiceTypes[] = {{1, "Login"},
                                            {2, "Framed"},
                                            {3, "Callback Login"},
                                            {4, "Callback Framed"},
                                            {5, "Outbound"},
                                            {6, "Administrative"},
                                            {7, "NAS Prompt"},
                                            {8, "Authenticate Only"},
                                            {9, "Callback NAS Prompt"}};
constexpr LookupTableRec kFramedProtocols[] = {
    {1, "PPP"},
    {2, "SLIP"},
    {3, "AppleTalk Remote Access Protocol (ARAP)"},
    {4, "Gandalf proprietary SingleLink/MultiLink protocol"},
    {5, "Xylogics proprietary IPX/SLIP"}};
constexpr LookupTableRec kFramedRouting[] = {{0, "None"},
                                             {1, "Send routing packets"},
                                             {2, "Listen for routing packets"},
                                             {3, "Send and Listen"}};
constexpr LookupTableRec kFramedCompression[] = {
    {0, "None"}, {1, "VJ TCP/IP header compression"}, {2, "IPX header compression"}};
constexpr LookupTableRec kLoginServices[] = {
    {0, "Telnet"}, {1, "Rlogin"}, {2, "TCP Clear"}, {3, "PortMaster"}, {4, "LAT"}};
constexpr LookupTableRec kAcctStatusTypes[] = {{1, "Start"},
                                               {2, "Stop"},
                                               {3, "Interim Update"},
                                               {7, "Accounting-On"},
                                               {8, "Accounting-Off"},
                                               {9, "Tunnel Start"},
                                               {10, "Tunnel Stop"},
                                               {11, "Tunnel Reject"},
                                               {12, "Tunnel Link Start"},
                                               {13, "Tunnel Link Stop"},
                                               {14, "Tunnel Link Reject"}};
constexpr LookupTableRec kAcctAuthentic[] = {{1, "RADIUS"}, {2, "Local"}, {3, "Remote"}};
constexpr LookupTableRec kTerminateCauses[] = {
    {1, "User Request"},    {2, "Lost Carrier"},    {3, "Lost Service"},
    {4, "Idle Timeout"},    {5, "Session Timeout"}, {6, "Admin Reset"},
    {7, "Admin Reboot"},    {8, "Port Error"},      {9, "NAS Error"},
    {10, "NAS Request"},    {11, "NAS Reboot"},     {12, "Port Unneeded"},
    {13, "Port Preempted"}, {14, "Port Suspended"}, {15, "Service Unavailable"},
    {16, "Callback"},       {17, "User Error"},     {18, "Host Request"}};
constexpr LookupTableRec kNasPortTypes[] = {
    {0, "Async"},  {1, "Sync"}, {2, "ISDN Sync"}, {3, "ISDN Async V.120"}, {4, "ISDN Async V.110"},
    {5, "Virtual"}};

// The value names of the integer attributes that have them.
struct IntegerNames {
  uint8_t Type;
  std::span<const LookupTableRec> Names;
};
constexpr IntegerNames kIntegerNames[] = {
    {6, kServiceTypes},       {7, kFramedProtocols},  {10, kFramedRouting},
    {13, kFramedCompression}, {15, kLoginServices},   {40, kAcctStatusTypes},
    {45, kAcctAuthentic},     {49, kTerminateCauses}, {61, kNasPortTypes}};

// A value that would stand in the attribute item's text from this length on
// is left out of it.
constexpr size_t kItemValueLimit = 40;

std::string ValueText(const DecodeContext& c, uint8_t type, char format, size_t at, size_t n) {
  switch (format) {
    case 'a':
      return n == 6 ? FormatIPv4(c.be32(at)) : std::string();
    case 'i': {
      if (n != 6) return {};
      const uint32_t v = c.be32(at);
      std::string s = std::to_string(v);
      for (const auto& e : kIntegerNames)
        if (e.Type == type)
          s += " (" + std::string(LookupCode(static_cast<uint16_t>(v), e.Names, "Unknown")) + ")";
      return s;
    }
    case 's':
      return SafeText(c.bytes(at, n - 2));
    case 't':
      // The four bytes of the time; a shorter value is not read.
      return n >= 6 ? RADIUSTime(c.Env.Locale, static_cast<int32_t>(c.be32(at))) : std::string();
    default:
      return n < 3 ? "Null" : HexBytes(c.bytes(at, n - 2));
  }
}

}  // namespace

std::string RADIUSTime(const LocaleInfo& locale, int32_t seconds) {
  const std::time_t t = seconds;
  struct tm tm {};
  if (!gmtime_r(&t, &tm)) return {};
  char buf[96];
  std::snprintf(buf, sizeof buf, "%s, %s %d, %04d %02d:%02d:%02d",
                locale.ShortDayNames[tm.tm_wday % 7].c_str(),
                locale.ShortMonthNames[tm.tm_mon % 12].c_str(), tm.tm_mday, tm.tm_year + 1900,
                tm.tm_hour, tm.tm_min, tm.tm_sec);
  return buf;
}

void RADIUSTree(DecodeContext& c, DetailNode* parent) {
  if (!c.has(0, kHeader)) return;
  DetailNode* root =
      AddBranch(c, parent, "Remote Authentication Dial In User Service (RADIUS)", 0, c.PacketLen);
  const uint8_t code = c.u8(0);
  const uint16_t length = c.be16(2);
  AddField(c, root,
           "Code () - " + std::to_string(code) + " (" +
               std::string(LookupCode(code, kCodes, "Unknown")) + ")",
           0, 1);
  AddField(c, root, "Identifier () - " + std::to_string(c.u8(1)), 1, 1);
  AddField(c, root, "Length () - " + std::to_string(length), 2, 2);
  AddField(c, root, "Authenticator () - " + HexBytes(c.bytes(4, 16)), 4, 16);

  // The attributes within the header's Length and the bytes present. An
  // attribute longer than what is left, or too short to hold its own type
  // and length, ends the walk.
  size_t q = kHeader;
  size_t r = std::min<size_t>(length, c.PacketLen);
  r = r > kHeader ? r - kHeader : 0;
  while (r > 2) {
    const uint8_t t = c.u8(q);
    const size_t n = c.u8(q + 1);
    if (n < 2 || n > r) break;
    const std::string_view entry = LookupCode(t, kAttributes, "");
    const std::string name =
        entry.empty() ? "Unknown(" + std::to_string(t) + "}" : std::string(entry.substr(2));
    const char format = entry.empty() ? 'x' : entry[0];
    const std::string value = ValueText(c, t, format, q + 2, n);
    std::string item = "Attribute Type=" + name + ",Len=" + std::to_string(n);
    if (value.size() < kItemValueLimit) item += ",Value=";
    DetailNode* attribute = AddField(
        c, root,
        value.size() < kItemValueLimit ? item + Literal(std::string(value)) : FieldText(item), q,
        n);
    AddField(c, attribute, "Type () - " + std::to_string(t) + " (" + name + ")", q, 1);
    AddField(c, attribute, "Length () - " + std::to_string(n), q + 1, 1);
    AddField(c, attribute, "Value () - " + Literal(std::string(value)), q + 2, n - 2);
    q += n;
    r -= n;
  }
}

}  // namespace kestle
