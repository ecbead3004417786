// ICMP (over IPv4) and ICMPv6 with its neighbour discovery options. Error
// messages hand the datagram they quote back to the IP decoders, whose
// branch then hangs under the ICMP item.
#include "protocols/icmp.h"

#include <span>
#include <string>
#include <string_view>

#include "decode/addresses.h"
#include "decode/context.h"
#include "decode/dispatch.h"
#include "decode/fields.h"
#include "decode/protocol_ids.h"
#include "decode/text.h"

namespace kestle {

namespace {

// ---- ICMP

constexpr uint8_t kLastIcmpType = 18;

constexpr LookupTableRec kUnreachableCodes[] = {
    {0, "Network Unreachable"},       {1, "Host Unreachable"},
    {2, "Protocol Unreachable"},      {3, "Port Unreachable"},
    {4, "Fragmentation needed"},      {5, "Source Route Failed"},
    {6, "Dest network unknown"},      {7, "Dest host unknown"},
    {8, "Source host isolated"},      {9, "Communication prohibited"},
    {10, "Communication prohibited"}, {11, "Network unreachable (TOS)"},
    {12, "Host unreachable (TSO)"},
};

constexpr LookupTableRec kRedirectCodes[] = {
    {0, "Redirect for network error"},
    {1, "Redirect for host error"},
    {2, "Redirect for TSO and network error"},
    {3, "Redirect for TSO and host error"},
};

constexpr LookupTableRec kTimeExceededCodes[] = {
    {0, "Time To Live (TTL) exceeded"},
    {1, "Fragment reassembly time exceeded"},
};

// A message type: its name and the names of its codes (none: the code is
// shown as a number only).
struct IcmpTypeRec {
  uint8_t Type;
  const char* Name;
  std::span<const LookupTableRec> Codes;
};

const IcmpTypeRec* FindType(uint8_t type, std::span<const IcmpTypeRec> table) {
  for (const auto& t : table)
    if (t.Type == type) return &t;
  return nullptr;
}

constexpr IcmpTypeRec kIcmpTypes[] = {
    {0, "Echo Reply", {}},
    {3, "Destination Unreachable", kUnreachableCodes},
    {4, "Source Quench", {}},
    {5, "Redirect", kRedirectCodes},
    {8, "Echo Request", {}},
    {10, "Router Solicitation", {}},
    {11, "Time Exceeded", kTimeExceededCodes},
    {12, "Parameter Problem", {}},
    {13, "Timestamp Request", {}},
    {14, "Timestamp Reply", {}},
    {15, "Information Request", {}},
    {16, "Information Reply", {}},
    {17, "Address Mask Request", {}},
    {18, "Address Mask Reply", {}},
};

// ---- ICMPv6

constexpr LookupTableRec kIcmpv6UnreachableCodes[] = {
    {0, "No route to destination"},
    {1, "Communication with destination prohibited"},
    {3, "Address unreachable"},
    {4, "Port unreachable"},
};

constexpr LookupTableRec kIcmpv6TimeExceededCodes[] = {
    {0, "Hop limit exceeded in transit"},
    {1, "Fragment reassembly time exceeded"},
};

constexpr LookupTableRec kIcmpv6ParameterCodes[] = {
    {0, "Erroneous header field encountered"},
    {1, "Unrecognized Next Header type encountered"},
    {2, "Unrecognized IPv6 option encountered"},
};

constexpr IcmpTypeRec kIcmpv6Types[] = {
    {1, "Destination Unreachable", kIcmpv6UnreachableCodes},
    {2, "Packet too big", {}},
    {3, "Time exceeded", kIcmpv6TimeExceededCodes},
    {4, "Parameter Problem", kIcmpv6ParameterCodes},
    {128, "Echo Request", {}},
    {129, "Echo Reply", {}},
    {133, "Router solicitation", {}},
    {134, "Router Advertisement", {}},
    {135, "Neighbor solicitation", {}},
    {136, "Neighbor Advertisement", {}},
    {137, "Redirect", {}},
};

std::string_view TypeName(const IcmpTypeRec* t, std::string_view unknown) {
  return t ? std::string_view(t->Name) : unknown;
}

constexpr LookupTableRec kNdOptionNames[] = {
    {1, "Source Link-Layer Address"},
    {2, "Target Link-Layer Address"},
    {3, "Prefix Information"},
    {4, "Redirected Header"},
    {5, "MTU"},
};

constexpr FlagTabRec kRouterAdvertFlags[] = {
    {0x80, "Managed", "Not Managed"},
    {0x40, "Other", "Not Other"},
    {0x20, "Home Agent", "Not Home Agent"},
};

constexpr FlagTabRec kPrefixFlags[] = {
    {0x80, "OnLink", "Not OnLink"},
    {0x40, "Autonomous", "Not Automonous"},
    {0x20, "Router Address", "Not Router Address"},
    {0x10, "Site Prefix", "Not Site Prefix"},
};

constexpr FlagTabRec kNeighborAdvertFlags[] = {
    {0x80, "Router", "Not Router"},
    {0x40, "Solicited", "Not Solicited"},
    {0x20, "Override", "Not Override"},
};

constexpr size_t kErrorHeaderLength = 8;

// The datagram quoted after the 8-byte header of an error message, decoded
// by the unit of its IP version under the ICMP item; quotes inside quotes
// end at the nesting limit.
void AddQuoted(DecodeContext& c, DetailNode* root, unsigned ipVersion) {
  if (c.PacketLen <= kErrorHeaderLength || !c.beginNest()) return;
  const LayerState saved = c.save();
  const bool wasQuoted = c.Quoted, wasTruncated = c.Truncated;
  c.enter(kErrorHeaderLength);
  c.Quoted = true;
  CallTree(c, IpVersionUnit(ipVersion), root);
  // A quoted datagram is cut short by design: only its first bytes are sent.
  c.Quoted = wasQuoted;
  c.Truncated = wasTruncated;
  c.restore(saved);
  c.endNest();
}

// A flags byte with its one line per flag.
void AddFlagsByte(DecodeContext& c, DetailNode* parent, size_t at,
                  std::span<const FlagTabRec> table) {
  const uint8_t v = c.u8(at);
  AddFlagNodes(c, AddField(c, parent, "Flags () - 0x" + Hex(v, 2), at, 1, TreeImage::Flags), v, 1,
               table);
}

std::string Icmpv6Address(const DecodeContext& c, size_t at) {
  uint8_t a[16];
  c.copy(at, a, sizeof a);
  return FormatIPv6(a, true);
}

// Neighbour discovery options: `r` bytes from `s`. An option longer than
// the bytes left, or of length 0, ends the walk.
void AddNdOptions(DecodeContext& c, DetailNode* root, size_t s, size_t r) {
  if (r < 1) return;
  DetailNode* list = AddBranch(c, root, "ICMPv6 Options", s, r);
  while (r > 2) {
    const uint8_t t = c.u8(s);
    const size_t n = c.u8(s + 1), len = n * 8;
    if (n == 0 || len > r) break;
    const std::string head =
        std::to_string(t) + " (" + std::string(LookupCode(t, kNdOptionNames, "Unknown")) + ")";
    DetailNode* o = AddField(c, list, "Option: " + head, s, len);
    AddField(c, o, "Type () - " + head, s, 1);
    AddField(c, o, "Length () - " + std::to_string(n) + " (" + std::to_string(len) + " bytes)",
             s + 1, 1);
    if ((t == 1 || t == 2) && n == 1) {
      uint8_t mac[6];
      c.copy(s + 2, mac, sizeof mac);
      AddField(c, o, "Link Address () - " + FormatMAC(c, mac, true), s + 2, 6);
    } else if (t == 3 && n >= 4) {
      AddField(c, o, "Prefix Length () - " + std::to_string(c.u8(s + 2)), s + 2, 1);
      AddFlagsByte(c, o, s + 3, kPrefixFlags);
      AddField(c, o, "Valid Lifetime () - 0x" + Hex(c.be32(s + 4), 8), s + 4, 4);
      AddField(c, o, "Preferred Lifetime () - 0x" + Hex(c.be32(s + 8), 8), s + 8, 4);
      AddField(c, o, "Reserved ()", s + 12, 4);
      AddField(c, o, "Prefix () - " + Icmpv6Address(c, s + 16), s + 16, 16);
    } else if (t == 5) {
      AddField(c, o, "Reserved ()", s + 2, 2);
      AddField(c, o, "MTU () - " + std::to_string(c.be32(s + 4)), s + 4, 4);
    }
    s += len;
    r -= len;
  }
}

// The fields of a Neighbor Solicitation or Advertisement after its first
// word: the target address and the options.
void AddNeighborTarget(DecodeContext& c, DetailNode* root) {
  if (!c.has(8, 16)) return;
  AddField(c, root, "Target Address () - " + Icmpv6Address(c, 8), 8, 16);
  AddNdOptions(c, root, 24, c.PacketLen - 24);
}

void AddIcmpv6Info(DecodeContext& c, DetailNode* root, uint8_t type) {
  switch (type) {
    case 128:
    case 129:
      AddField(c, root, "Identifier () - " + std::to_string(c.be16(4)), 4, 2);
      AddField(c, root, "Sequence Number () - " + std::to_string(c.be16(6)), 6, 2);
      if (c.PacketLen > 8) AddField(c, root, "Data ()", 8, c.PacketLen - 8);
      break;
    case 133:
      AddField(c, root, "Reserved ()", 4, 4);
      break;
    case 134:
      if (!c.has(0, 16)) break;
      AddField(c, root, "Current Hop Count () - " + std::to_string(c.u8(4)), 4, 1);
      AddFlagsByte(c, root, 5, kRouterAdvertFlags);
      AddField(c, root, "Router Lifetime () - " + std::to_string(c.be16(6)), 6, 2);
      AddField(c, root, "Reachable Time () - " + std::to_string(c.be32(8)), 8, 4);
      AddField(c, root, "Retrans Timer () - " + std::to_string(c.be32(12)), 12, 4);
      AddNdOptions(c, root, 16, c.PacketLen - 16);
      break;
    case 135:
      AddField(c, root, "Reserved ()", 4, 4);
      AddNeighborTarget(c, root);
      break;
    case 136:
      AddFlagsByte(c, root, 4, kNeighborAdvertFlags);
      AddField(c, root, "Reserved ()", 5, 3);
      AddNeighborTarget(c, root);
      break;
    default:
      break;
  }
}

void AddIcmpv6Error(DecodeContext& c, DetailNode* root, uint8_t type) {
  if (type == 2)
    AddField(c, root, "MTU () - " + std::to_string(c.be32(4)), 4, 4);
  else if (type == 4)
    AddField(c, root, "Pointer () - " + std::to_string(c.be32(4)), 4, 4);
  else
    AddField(c, root, "Reserved ()", 4, 4);
  AddQuoted(c, root, 6);
}

// "/" and the message type's name, for the types up to 18.
void AddTypeName(DecodeContext& c) {
  if (!c.has(0, 1) || c.u8(0) > kLastIcmpType) return;
  c.AddDesc("/");
  c.AddDesc(TypeName(FindType(c.u8(0), kIcmpTypes), ""));
}

}  // namespace

void ICMPSummary(DecodeContext& c) {
  c.AddDesc("/ICMP");
  c.SetProtocol(ProtoICMP);
  AddTypeName(c);
}

void ICMPOverIPv6Summary(DecodeContext& c) {
  c.SetProtocol(ProtoICMP);
  AddTypeName(c);
}

void ICMPTree(DecodeContext& c, DetailNode* parent) {
  if (c.PacketLen == 0) return;
  DetailNode* root =
      AddBranch(c, parent, "Internet Control Message Protocol (ICMP)", 0, c.PacketLen);
  const uint8_t type = c.u8(0), code = c.u8(1);
  std::string text = "Type of message () - " + std::to_string(type);
  text += ' ';
  const IcmpTypeRec* known = FindType(type, kIcmpTypes);
  text += type > kLastIcmpType ? std::string_view("unknown") : TypeName(known, "");
  AddField(c, root, std::move(text), 0, 1);
  const std::span<const LookupTableRec> codes =
      known ? known->Codes : std::span<const LookupTableRec>{};
  text = "Code () - " + std::to_string(code);
  if (std::string_view name = LookupCode(code, codes, ""); !name.empty()) {
    text += ' ';
    text += name;
  }
  AddField(c, root, std::move(text), 1, 1);
  AddField(c, root, "Checksum () - 0x" + Hex(c.be16(2), 4), 2, 2);
  switch (type) {
    case 0:
    case 8:
      AddField(c, root, "Identifier () - 0x" + Hex(c.be16(4), 4), 4, 2);
      AddField(c, root, "Sequence Number () - 0x" + Hex(c.be16(6), 4), 6, 2);
      break;
    case 3:
      AddField(c, root, "Unused () - 0x" + Hex(c.be32(4), 8), 4, 4);
      AddQuoted(c, root, 4);
      break;
    case 5:
      AddField(c, root, "Gateway Address () - " + FormatIPv4(c.be32(4)), 4, 4);
      AddQuoted(c, root, 4);
      break;
    case 11:
      AddQuoted(c, root, 4);
      break;
    default:
      break;
  }
}

void ICMPv6Summary(DecodeContext& c) {
  c.AddDesc("/ICMPv6");
  c.SetProtocol(ProtoICMPV6);
  if (c.PacketLen == 0) return;
  c.AddDesc("/");
  c.AddDesc(TypeName(FindType(c.u8(0), kIcmpv6Types), "Unknown"));
}

void ICMPv6Tree(DecodeContext& c, DetailNode* parent) {
  if (c.PacketLen <= 3) return;
  DetailNode* root =
      AddBranch(c, parent, "Internet Control Message Protocol Version 6 (ICMPv6)", 0, c.PacketLen);
  const uint8_t type = c.u8(0), code = c.u8(1);
  const IcmpTypeRec* known = FindType(type, kIcmpv6Types);
  AddField(
      c, root,
      "Type () - " + std::to_string(type) + " (" + std::string(TypeName(known, "Unknown")) + ")", 0,
      1);
  const std::span<const LookupTableRec> codes =
      known ? known->Codes : std::span<const LookupTableRec>{};
  std::string text = "Code () - " + std::to_string(code) + " ";
  if (!codes.empty()) {
    text += '(';
    text += LookupCode(code, codes, "Unknown");
    text += ')';
  }
  AddField(c, root, std::move(text), 1, 1);
  AddField(c, root, "Checksum () - 0x" + Hex(c.be16(2), 4), 2, 2);
  if (type >= 128)
    AddIcmpv6Info(c, root, type);
  else if (type >= 1 && type <= 4)
    AddIcmpv6Error(c, root, type);
}

}  // namespace kestle
