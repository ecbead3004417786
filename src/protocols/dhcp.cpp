#include "protocols/dhcp.h"

#include <string>
#include <string_view>
#include <vector>

#include "decode/addresses.h"
#include "decode/context.h"
#include "decode/fields.h"
#include "decode/lookup.h"
#include "decode/protocol_ids.h"
#include "decode/strings.h"
#include "decode/text.h"

namespace kestle {

namespace {

constexpr LookupTableRec kMessageTypes[] = {{1, "Discover"}, {2, "Offer"}, {3, "Request"},
                                            {4, "Decline"},  {5, "Ack"},   {6, "Nak"},
                                            {7, "Release"},  {8, "Inform"}};

// How an option's value is shown.
enum class Kind : uint8_t {
  Hex,          // the data bytes in hex
  Addresses,    // IPv4 addresses
  MessageType,  // a DHCP message type name
  Text,         // characters up to a zero byte
  Duration,     // seconds as days, hours, minutes, seconds
  NodeType,     // NetBIOS node type
  RequestList,  // the codes of requested options, one line each
  Number,       // a 16-bit number
  ClientId,     // a hardware type and address
};

struct BootOptionRec {
  uint8_t Code;
  Kind Value;
  const char* Name;
};

constexpr BootOptionRec kOptions[] = {
    {0, Kind::Hex, "Pad"},
    {1, Kind::Addresses, "Subnet mask"},
    {2, Kind::Hex, "Time offset"},
    {3, Kind::Addresses, "Router"},
    {4, Kind::Addresses, "Time server"},
    {5, Kind::Addresses, "Name server"},
    {6, Kind::Addresses, "Domain Name Server"},
    {7, Kind::Addresses, "Log Server"},
    {8, Kind::Addresses, "Cookie server"},
    {9, Kind::Addresses, "LPR server"},
    {10, Kind::Addresses, "Impress server"},
    {11, Kind::Addresses, "Resource Location server"},
    {12, Kind::Text, "Host name"},
    {13, Kind::Number, "Boot File Size"},
    {15, Kind::Text, "Domain name"},
    {16, Kind::Addresses, "Swap server"},
    {28, Kind::Addresses, "Broadcast address"},
    {31, Kind::Hex, "Perform Router Discover"},
    {33, Kind::Addresses, "Static Route"},
    {42, Kind::Addresses, "NTP Servers"},
    {43, Kind::Hex, "Vendor information"},
    {44, Kind::Addresses, "NetBios over IP Address"},
    {45, Kind::Addresses, "NetBios over IP Name Server"},
    {46, Kind::NodeType, "NetBios over IP type"},
    {47, Kind::Hex, "NetBios over IP Scope"},
    {50, Kind::Addresses, "Requested IP Address"},
    {51, Kind::Duration, "Lease time"},
    {52, Kind::Hex, "Option Overload"},
    {53, Kind::MessageType, "DHCP Message Type"},
    {54, Kind::Addresses, "Server identifier"},
    {55, Kind::RequestList, "Requested Options"},
    {57, Kind::Number, "Maximum DHCP Message Size"},
    {58, Kind::Duration, "Renewal (T1) time"},
    {59, Kind::Duration, "Rebinding (T2) time"},
    {60, Kind::Text, "Vendor Class Identifier"},
    {61, Kind::ClientId, "Client identifier"},
    {63, Kind::Hex, "Novell Options"},
    {66, Kind::Text, "TFTP Server Name"},
    {67, Kind::Text, "Bootfile Name"},
    {69, Kind::Addresses, "SMTP  Server"},
    {70, Kind::Addresses, "POP3 Server"},
    {71, Kind::Addresses, "NNTP Server"},
    {74, Kind::Hex, "IRC Server"},
    {77, Kind::Text, "User class"},
    {78, Kind::Hex, "Directory Agent Information"},
    {79, Kind::Hex, "Service Location Agent Scope"},
    {81, Kind::Hex, "Client Domain Name"},
    {85, Kind::Hex, "Novell Directory Services Servers"},
    {86, Kind::Hex, "Novell Directory Services Tree Name"},
    {87, Kind::Hex, "Novell Directory Services Context"},
    {93, Kind::Hex, "Client System Architecture"},
    {94, Kind::Hex, "Client Network Device Interface"},
    {95, Kind::Hex, "LDAP"},
    {97, Kind::Hex, "UUID/GUID Client Identifier"},
    {112, Kind::Hex, "Netinfo Parent Server Address"},
    {113, Kind::Hex, "Netinfo Parent Server Tag"},
    {116, Kind::Hex, "DHCP Auto Configuration"},
    {249, Kind::Hex, "Classless Route"},
    {255, Kind::Hex, "End"},
};

constexpr uint8_t kPad = 0, kMessageType = 53, kEnd = 255;

// Fixed header, magic cookie and where the options start.
constexpr size_t kHeader = 236, kOptionsAt = 240;
constexpr size_t kServerName = 44, kServerNameLength = 64;
constexpr size_t kFileName = 108, kFileNameLength = 128;
constexpr size_t kYourAddress = 16;
// Hex and client identifier values are shown when shorter than this.
constexpr size_t kHexLimit = 32;

const BootOptionRec* FindOption(uint8_t code) {
  for (const auto& o : kOptions)
    if (o.Code == code) return &o;
  return nullptr;
}

std::string_view OptionName(uint8_t code) {
  if (const BootOptionRec* o = FindOption(code)) return o->Name;
  return code >= 128 && code <= 254 ? "Site Specific" : "Unknown Option";
}

// One option: where it starts and its whole length (code, length byte and
// data; a run of Pad bytes is one option).
struct Option {
  size_t At;
  size_t Length;
  uint8_t Code;
  size_t Data() const { return At + 2; }
  size_t DataLength() const { return Length >= 2 ? Length - 2 : 0; }
};

// The options in the message, up to the End option or the first one whose
// length byte is not there.
std::vector<Option> ReadOptions(const DecodeContext& c) {
  std::vector<Option> options;
  for (size_t at = kOptionsAt; at < c.PacketLen;) {
    const uint8_t code = c.u8(at);
    size_t length = 1;
    if (code == kPad) {
      while (at + length < c.PacketLen && c.u8(at + length) == kPad) ++length;
    } else if (code != kEnd) {
      if (!c.has(at + 1, 1)) break;
      length = size_t{c.u8(at + 1)} + 2;
    }
    options.push_back({at, length, code});
    if (code == kEnd) break;
    at += length;
  }
  return options;
}

// The data bytes in hex when the option is shorter than kHexLimit, else "".
std::string HexValue(const DecodeContext& c, const Option& o) {
  if (o.Length <= 2 || o.Length >= kHexLimit) return {};
  return HexBytes(c.bytes(o.Data(), o.DataLength()));
}

// The value text of an option; fixed-width values are read only when the
// option's length holds them. `literal`: the text comes from the frame.
std::string Value(const DecodeContext& c, const Option& o, Kind kind, bool& literal) {
  literal = false;
  const size_t n = o.DataLength();
  switch (kind) {
    case Kind::Hex:
      return HexValue(c, o);
    case Kind::Addresses: {
      std::string s;
      for (size_t i = 0; i + 4 <= n; i += 4) {
        if (!s.empty()) s += ',';
        s += FormatIPv4(c.be32(o.Data() + i));
      }
      return s;
    }
    case Kind::MessageType:
      if (n < 1) return {};
      return std::string(LookupCode(c.u8(o.Data()), kMessageTypes, "Unknown"));
    case Kind::Text:
      literal = true;
      return ReadString(c, o.Data(), false, n).Text;
    case Kind::Duration:
      if (n < 4) return {};
      return FormatDuration(c.be32(o.Data()));
    case Kind::NodeType: {
      if (n < 1) return {};
      static constexpr LookupTableRec kNodeTypes[] = {{1, "B"}, {2, "P"}, {4, "M"}, {8, "H"}};
      return std::string(LookupCode(c.u8(o.Data()), kNodeTypes, "")) + "-Node";
    }
    case Kind::Number:
      if (n < 2) return {};
      return std::to_string(c.be16(o.Data()));
    case Kind::ClientId:
      // A hardware type byte and a 6-byte MAC address.
      if (o.Length == 9) {
        uint8_t mac[6];
        c.copy(o.Data() + 1, mac, 6);
        return FormatMAC(c, mac, true);
      }
      return HexValue(c, o);
    case Kind::RequestList:
      break;
  }
  return {};
}

// The requested options: one line per listed code at its byte.
void AddRequestList(DecodeContext& c, DetailNode* options, const Option& o) {
  DetailNode* item = AddField(c, options,
                              std::to_string(o.Code) + " Requested options (" +
                                  std::to_string(o.DataLength()) + " in list)",
                              o.At, o.Length);
  for (size_t i = 0; i < o.DataLength(); ++i) {
    const uint8_t code = c.u8(o.Data() + i);
    const BootOptionRec* listed = FindOption(code);
    std::string text = std::to_string(code);
    text += listed ? " " : " unknown option";
    if (listed) text += listed->Name;
    AddField(c, item, std::move(text), o.Data() + i, 1);
  }
}

void AddOption(DecodeContext& c, DetailNode* options, const Option& o) {
  const BootOptionRec* known = FindOption(o.Code);
  const Kind kind = known ? known->Value : Kind::Hex;
  if (kind == Kind::RequestList) {
    AddRequestList(c, options, o);
    return;
  }
  const std::string name = std::to_string(o.Code) + " " + std::string(OptionName(o.Code));
  bool literal = false;
  const std::string value = Value(c, o, kind, literal);
  auto text = [&](std::string label) {
    return literal ? std::move(label) + Literal(std::string(value))
                   : FieldText(std::move(label) + value);
  };
  DetailNode* item = AddField(c, options, text(name + ": "), o.At, o.Length);
  if (o.Code == kPad || o.Code == kEnd) return;
  AddField(c, item, "Option Number () - " + name, o.At, 1);
  AddField(c, item, "Length () - " + std::to_string(o.DataLength()), o.At + 1, 1);
  AddField(c, item, text("Option () - "), o.Data(), o.DataLength());
}

// A zero-ended name field of the header; "(null)" when it starts with a zero.
FieldText NameField(const DecodeContext& c, const char* label, size_t at, size_t width) {
  const FrameString name = ReadString(c, at, false, width);
  if (name.Text.empty()) return std::string(label) + "(null)";
  return label + Literal(name.Text);
}

}  // namespace

void DHCPSummary(DecodeContext& c) {
  c.SetProtocol(ProtoDHCP);
  if (!c.has(0, kOptionsAt)) return;
  if (!c.has(kOptionsAt, 1) || c.u8(kOptionsAt) != kMessageType) {
    c.AddDesc("/Bootp");
    return;
  }
  // The message type needs its length byte and one data byte.
  if (!c.has(kOptionsAt + 1, 2) || c.u8(kOptionsAt + 1) < 1) {
    c.AddDesc("/DHCP");
    return;
  }
  const uint8_t type = c.u8(kOptionsAt + 2);
  c.AddDesc("/DHCP ");
  c.AddDesc(LookupCode(type, kMessageTypes, "Unknown"));
  if (type == 2) {
    c.AddDesc(" ");
    c.AddDesc(FormatIPv4(c.be32(kYourAddress)));
  }
}

void DHCPTree(DecodeContext& c, DetailNode* parent) {
  if (!c.has(0, kOptionsAt)) return;
  const std::vector<Option> options = ReadOptions(c);
  bool dhcp = false;
  for (const Option& o : options)
    if (o.Code == kMessageType && o.DataLength() >= 1 && c.has(o.At, o.Length)) dhcp = true;
  DetailNode* root = AddBranch(
      c, parent, dhcp ? "Dynamic Host Configuration Protocol (DHCP)" : "Bootstrap Protocol", 0,
      c.PacketLen);

  DetailNode* h = AddBranch(c, root, "BOOTP Header", 0, kHeader);
  const uint8_t op = c.u8(0);
  AddField(c, h,
           "Message operation code () - " + std::to_string(op) + " " +
               (op == 1 ? "(BOOTREQUEST)" : "(BOOTREPLY)"),
           0, 1);
  AddField(c, h, "Hardware type () - " + std::to_string(c.u8(1)), 1, 1);
  AddField(c, h, "Hardware address length () - " + std::to_string(c.u8(2)), 2, 1);
  AddField(c, h, "Hop count () - " + std::to_string(c.u8(3)), 3, 1);
  AddField(c, h, "Transaction ID () - 0x" + Hex(c.be32(4), 8), 4, 4);
  AddField(c, h, "Seconds ellapsed () - " + std::to_string(c.be16(8)), 8, 2);
  AddField(c, h, "Broadcast Flag () - 0x" + Hex(c.be16(10), 4), 10, 2, TreeImage::Flags);
  AddField(c, h, "Client IP Address () - " + FormatIPv4(c.be32(12)), 12, 4);
  AddField(c, h, "Your IP Address () - " + FormatIPv4(c.be32(16)), 16, 4);
  AddField(c, h, "Server IP Address () - " + FormatIPv4(c.be32(20)), 20, 4);
  AddField(c, h, "Relay IP Address () - " + FormatIPv4(c.be32(24)), 24, 4);
  uint8_t mac[6];
  c.copy(28, mac, 6);
  AddField(c, h, "Client Address () - " + FormatMAC(c, mac, true), 28, 16);
  AddField(c, h, NameField(c, "Server host name () - ", kServerName, kServerNameLength),
           kServerName, kServerNameLength);
  AddField(c, h, NameField(c, "Boot file name () - ", kFileName, kFileNameLength), kFileName,
           kFileNameLength);

  DetailNode* list = AddBranch(c, root, "Options ()", kHeader, c.PacketLen - kHeader);
  AddField(c, list, "Magic Cookie () - 0x" + Hex(c.be32(kHeader), 8), kHeader, 4);
  for (const Option& o : options) AddOption(c, list, o);
}

}  // namespace kestle
