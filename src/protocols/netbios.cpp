#include "protocols/netbios.h"

#include <cctype>
#include <string>
#include <string_view>
#include <vector>

#include "decode/addresses.h"
#include "decode/context.h"
#include "decode/dispatch.h"
#include "decode/domain_name.h"
#include "decode/fields.h"
#include "decode/lookup.h"
#include "decode/protocol_ids.h"
#include "decode/resource_records.h"
#include "decode/text.h"

namespace kestle {

namespace {

constexpr LookupTableRec kSuffixNames[] = {
    {0x00, "Workstation Service"},
    {0x01, "Messenger Service"},
    {0x03, "Messenger Service"},
    {0x06, "RAS Server Service"},
    {0x1B, "Domain Master Browser"},
    {0x1C, "Domain Controllers"},
    {0x1D, "Master Browser"},
    {0x1E, "Browser Service Elaction"},
    {0x1F, "NetDDE Service"},
    {0x20, "File Server Service"},
    {0x21, "RAS Client Service"},
    {0x22, "Exchange Interchange"},
    {0x23, "Exchange Store"},
    {0x24, "Exchange Directory"},
    {0x30, "Modem Sharing Server Service"},
    {0x31, "Modem Sharing Client Service"},
    {0x43, "SMS Clients Remote Control"},
    {0x44, "SMS Admin Tool"},
    {0x45, "SMS Clients Remote Chat"},
    {0x46, "SMS Clients Remote Transfer"},
    {0x6A, "Exchange IMC"},
    {0x87, "Exchange MTA"},
    {0xBE, "Network Monitor Agent"},
    {0xBF, "Network MonitorApplication"},
};

constexpr LookupTableRec kOpcodes[] = {
    {0, "Query"}, {5, "Registration"}, {6, "Release"}, {7, "WACK"}, {8, "Refresh"},
};

constexpr LookupTableRec kRecordTypes[] = {
    {1, "A"}, {2, "NS"}, {10, "NULL"}, {32, "NB"}, {33, "NBSTAT"},
};
constexpr LookupTableRec kQuestionTypes[] = {{0x20, "NB"}, {0x21, "NBSTAT"}};
constexpr LookupTableRec kClasses[] = {{1, "Internet"}};

constexpr LookupTableRec kSessionTypes[] = {
    {0x00, "Session Message"},           {0x81, "Session Request"},
    {0x82, "Positive Session Response"}, {0x83, "Negative Session Response"},
    {0x84, "Retarget Session Response"}, {0x85, "Session Keep Alive"},
};

constexpr LookupTableRec kDatagramTypes[] = {
    {0x10, "(Direct_Unique Datagram)"},
    {0x11, "(Direct_Group Datagram)"},
    {0x12, "(Broadcast Datagram)"},
    {0x13, "(Datagram Error)"},
    {0x14, "(Datagram Query Request)"},
    {0x15, "(Datagram Positive Query Response)"},
    {0x16, "(Datagram Negative Query Response)"},
};

constexpr LookupTableRec kFrameCommands[] = {
    {0x00, "Add Group Name Query"},
    {0x01, "Add Name Query"},
    {0x02, "Name in Conflict"},
    {0x03, "Status Query"},
    {0x07, "Terminate Trace"},
    {0x08, "Datagram"},
    {0x09, "Datagram Broadcast"},
    {0x0A, "Name Query"},
    {0x0D, "Add Name Response"},
    {0x0E, "Name Recognized"},
    {0x0F, "Status Response"},
    {0x13, "Terminate Remote/Local Trace"},
    {0x14, "Data Ack"},
    {0x15, "Data First Middle"},
    {0x16, "Data Only Last"},
    {0x17, "Session Confirm"},
    {0x18, "Session End"},
    {0x19, "Session Init"},
    {0x1A, "No Receive"},
    {0x1B, "Receive Outstanding"},
    {0x1C, "Receive Continue"},
    {0x1F, "Keep Alive"},
};

// Characters a raw name shows as they are (compared in upper case).
constexpr std::string_view kRawNameCharacters = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 _~";

constexpr size_t kNameHeader = 12;
constexpr size_t kDatagramHeader = 14;
constexpr size_t kSessionHeader = 4;
constexpr size_t kRawName = 16;
constexpr size_t kStatistics = 46;
constexpr uint16_t kTypeNB = 0x20, kTypeNBSTAT = 0x21;

// "<1D>": a byte that is not shown as a character.
std::string Escaped(uint8_t b) {
  std::string s(1, '<');
  s += Hex(b, 2);
  s += '>';
  return s;
}

std::string Suffix(uint8_t b) {
  const std::string_view name = LookupCode(b, kSuffixNames, "");
  return name.empty() ? std::string() : " (" + std::string(name) + ")";
}

// ---------------------------------------------------------------- names

// A name in the first-level encoding (two letters "A".."P" per byte) read
// as a domain name: its display text and the bytes it takes.
struct EncodedName {
  std::string Text;
  size_t Length = 0;
  bool Whole = false;
};

EncodedName ReadEncodedName(const DecodeContext& c, size_t at) {
  const DomainName n = ReadDomainName(c, at);
  EncodedName e{{}, n.Length, n.Whole};
  if (!n.Whole) return e;
  // Decoding stops at the first character that is not an upper-case
  // letter: a scope after the first label is not shown.
  std::string bytes;
  for (size_t i = 0; i + 1 < n.Text.size(); i += 2) {
    const char a = n.Text[i], b = n.Text[i + 1];
    if (a < 'A' || a > 'Z' || b < 'A' || b > 'Z') break;
    bytes += static_cast<char>(((a - 'A') * 16 + (b - 'A')) & 0xFF);
  }
  for (const char ch : bytes) {
    const auto v = static_cast<uint8_t>(ch);
    if (v < 0x20 || v > 0x7E)
      e.Text += Escaped(v);
    else
      e.Text += ch;
  }
  if (!e.Text.empty() && e.Text.back() == ' ') e.Text.replace(e.Text.size() - 1, 1, "<20>");
  if (bytes.size() == 16) e.Text += Suffix(static_cast<uint8_t>(bytes[15]));
  return e;
}

// A 16-byte name as it is on the wire.
std::string RawName(const DecodeContext& c, size_t at) {
  std::string s;
  for (size_t i = 0; i < kRawName; ++i) {
    const uint8_t b = c.u8(at + i);
    const char upper = static_cast<char>(std::toupper(b));
    if (b < 0x80 && kRawNameCharacters.find(upper) != std::string_view::npos)
      s += static_cast<char>(b);
    else
      s += Escaped(b);
  }
  return s + Suffix(c.u8(at + kRawName - 1));
}

// Hands the message at the start of the layer on to the unit its first
// bytes name (SMB's 0xFF "SMB"); anything else is not shown.
void MessageSummary(DecodeContext& c) {
  if (const DecoderUnit* u = SignatureUnit(c)) CallSummary(c, u);
}
void MessageTree(DecodeContext& c, DetailNode* parent) {
  if (const DecoderUnit* u = SignatureUnit(c)) CallTree(c, u, parent);
}

// ---------------------------------------------------------------- frames in LLC

void FrameSummary(DecodeContext& c) {
  if (!c.has(0, 2)) return;
  const size_t header = c.le16(0);
  if (header + 3 >= c.PacketLen) return;
  c.enter(header);
  MessageSummary(c);
}

void FrameTree(DecodeContext& c, DetailNode* parent) {
  if (!c.has(0, 2)) return;
  const size_t header = c.le16(0);
  DetailNode* root = AddBranch(c, parent, "NetBios", 0, header);
  // Only the fields within the header's length are the header's.
  auto within = [header](size_t at, size_t length) { return at + length <= header; };
  if (within(0, 2)) AddField(c, root, "Length () - " + std::to_string(header), 0, 2);
  if (within(2, 2)) AddField(c, root, "Delimeter () - 0x" + Hex(c.le16(2), 4), 2, 2);
  if (within(4, 1)) {
    const uint8_t command = c.u8(4);
    AddField(c, root,
             "Command () - 0x" + Hex(command, 2) + " " +
                 std::string(LookupCode(command, kFrameCommands, "Unknown")),
             4, 1);
  }
  constexpr size_t kDestination = 12, kSource = 28;
  if (within(kDestination, kRawName))
    AddField(c, root, "Destination Name () - " + Literal(RawName(c, kDestination)), kDestination,
             kRawName);
  if (within(kSource, kRawName))
    AddField(c, root, "Source Name () - " + Literal(RawName(c, kSource)), kSource, kRawName);
  if (header + 3 >= c.PacketLen) return;
  c.enter(header);
  MessageTree(c, parent);
}

// ---------------------------------------------------------------- name service

using Resource = NamedRecord<EncodedName>;

// False when the entry does not lie whole in the layer.
bool ReadResource(const DecodeContext& c, size_t p, bool question, Resource& r) {
  return ReadNamedRecord(c, p, !question, ReadEncodedName, r);
}

void AddQuestion(DecodeContext& c, DetailNode* section, const Resource& r) {
  const std::string type(LookupCode(r.Type, kQuestionTypes, "Unknown"));
  const std::string cls(LookupCode(r.Class, kClasses, "Unknown"));
  const size_t p = r.At, n = r.Name.Length;
  DetailNode* item =
      AddField(c, section, Literal(r.Name.Text) + ", Type=" + type + ", Class=" + cls, p, r.Length);
  AddField(c, item, "Name () - " + Literal(r.Name.Text), p, n);
  AddField(c, item, "Type () - " + type, p + n, 2);
  AddField(c, item, "Class () - " + cls, p + n + 2, 2);
}

void AddStatistics(DecodeContext& c, DetailNode* item, size_t p, size_t end) {
  struct Counter {
    const char* Label;
    uint8_t Width;
    bool HexValue;
  };
  static constexpr Counter kCounters[] = {
      {"Jumpers () - 0x", 1, true},
      {"Test Result () - 0x", 1, true},
      {"Version Number () - 0x", 2, true},
      {"Period of Statistics () - 0x", 2, true},
      {"Number of CRCs () - ", 2, false},
      {"Number of Alignment Errors () - ", 2, false},
      {"Number of Collisions () - ", 2, false},
      {"Number of Send Aborts () - ", 2, false},
      {"Number of Good Sends () - ", 4, false},
      {"Number of Good Receives () - ", 4, false},
      {"Number of Retransmits () - ", 2, false},
      {"Number of No Resource Conditions () - ", 2, false},
      {"Number of Free Command Blocks () - ", 2, false},
      {"Total Command Blocks () - ", 2, false},
      {"Max Total Command Blocks () - ", 2, false},
      {"Number of Pending Sessions () - ", 2, false},
      {"Max Number of Pending Sessions () - ", 2, false},
      {"Max Total Sessions Possible () - ", 2, false},
      {"Session Data Packet Size () - ", 2, false},
  };
  if (p + 6 > end) return;
  std::string unit;
  for (size_t i = 0; i < 6; ++i) {
    if (i) unit += ':';
    unit += Hex(c.u8(p + i), 2);
  }
  AddField(c, item, "Unit ID () - " + unit, p, 6);
  p += 6;
  for (const Counter& k : kCounters) {
    if (p + k.Width > end) return;
    const uint32_t v = k.Width == 1 ? c.u8(p) : k.Width == 2 ? c.be16(p) : c.be32(p);
    AddField(c, item, k.Label + (k.HexValue ? Hex(v, 2 * k.Width) : std::to_string(v)), p, k.Width);
    p += k.Width;
  }
}

void AddResource(DecodeContext& c, DetailNode* section, const Resource& r) {
  const std::string type(LookupCode(r.Type, kRecordTypes, "Unknown"));
  const std::string cls(LookupCode(r.Class, kClasses, "Unknown"));
  const size_t p = r.At, n = r.Name.Length, d = r.Data, end = r.Data + r.DataLength;
  FieldText text = Literal(r.Name.Text) + ", Type=" + type + ", Class=" + cls;
  const size_t entries = r.Type == kTypeNB ? r.DataLength / 6 : 0;
  for (size_t i = 0; i < entries; ++i)
    text = text + (i ? "," : ", Addr=") + FormatIPv4(c.be32(d + 6 * i + 2));
  DetailNode* item = AddField(c, section, std::move(text), p, r.Length);
  AddField(c, item, "Name () - " + Literal(r.Name.Text), p, n);
  AddField(c, item, "Type () - 0x" + Hex(r.Type, 4) + " (" + type + ")", p + n, 2);
  AddField(c, item, "Class () - 0x" + Hex(r.Class, 4) + " (" + cls + ")", p + n + 2, 2);
  AddField(c, item, "Time To Live () - " + FormatDuration(c.be32(p + n + 4)), p + n + 4, 4);
  AddField(c, item, "Data Length () - " + std::to_string(r.DataLength), p + n + 8, 2);
  if (r.Type == kTypeNB) {
    for (size_t i = 0, q = d; i < entries; ++i, q += 6) {
      AddField(c, item, "Flags () - 0x" + Hex(c.be16(q), 4), q, 2);
      AddField(c, item, "Addr () - " + FormatIPv4(c.be32(q + 2)), q + 2, 4);
    }
  } else if (r.Type == kTypeNBSTAT && r.DataLength >= 1) {
    // The name table and the statistics, within the record's data.
    const uint8_t names = c.u8(d);
    AddField(c, item, "Number of Names () - " + std::to_string(names), d, 1);
    size_t q = d + 1;
    for (uint8_t i = 0; i < names && q + kRawName + 2 <= end; ++i, q += kRawName + 2) {
      AddField(c, item, "Name () - " + Literal(RawName(c, q)), q, kRawName);
      AddField(c, item, "Flags () - 0x" + Hex(c.be16(q + kRawName), 4), q + kRawName, 2,
               TreeImage::Flags);
    }
    AddStatistics(c, item, q, std::min(end, q + kStatistics));
  }
}

// The entries of one section, as many as lie whole in the layer; false
// when the walk stopped early.
bool WalkResources(DecodeContext& c, size_t start, uint16_t count, bool questions,
                   std::vector<Resource>& out, size_t& length) {
  auto read = [questions](const DecodeContext& c, size_t p, Resource& r) {
    return ReadResource(c, p, questions, r);
  };
  return WalkRecords(c, start, count, SIZE_MAX, read, out, length) == WalkEnd::Complete;
}

void NameTree(DecodeContext& c, DetailNode* parent) {
  if (c.PacketLen < kNameHeader) return;
  DetailNode* root = AddBranch(c, parent, "Netbios Name Service", 0, kNameHeader);
  AddField(c, root, "Transaction ID () - 0x" + Hex(c.be16(0), 4), 0, 2);
  const uint16_t f = c.be16(2);
  AddField(c, root,
           "Opcode (5 bits) - 0x" + Hex(f >> 11, 2) + (f & 0x8000 ? " Response," : " Request,") +
               std::string(LookupCode((f >> 11) & 0xF, kOpcodes, "Unknown")),
           2, 1);
  AddField(c, root, "Flags (7 bits) - 0x" + Hex((f >> 4) & 0x7F, 2), 2, 2, TreeImage::Flags);
  AddField(c, root, "Rcode (4 bits) - 0x" + Hex(f & 0xF, 1), 3, 1);
  static constexpr const char* kCounts[4] = {"Questions () - ", "Answers () - ",
                                             "Authority Resources () - ",
                                             "Additional Resources () - "};
  static constexpr const char* kSections[4] = {"Questions", "Answers", "Authority Records",
                                               "Additional Records"};
  uint16_t counts[4];
  for (int i = 0; i < 4; ++i) {
    counts[i] = c.be16(4 + 2 * i);
    AddField(c, root, kCounts[i] + std::to_string(counts[i]), 4 + 2 * i, 2);
  }
  size_t p = kNameHeader;
  for (int i = 0; i < 4; ++i) {
    if (counts[i] == 0) continue;
    std::vector<Resource> entries;
    size_t length = 0;
    const bool whole = WalkResources(c, p, counts[i], i == 0, entries, length);
    DetailNode* section = AddBranch(c, root, kSections[i], p, length);
    for (const Resource& r : entries) (i == 0 ? AddQuestion : AddResource)(c, section, r);
    p += length;
    if (!whole) break;
  }
  // The branch covers the header and the sections shown.
  SetBranchRange(c, root, 0, p);
}

// ---------------------------------------------------------------- datagram service

bool HasNames(uint8_t type) { return type >= 0x10 && type <= 0x12; }

// Past a name: up to and including its zero byte, within the layer.
size_t SkipName(const DecodeContext& c, size_t p) {
  while (p < c.PacketLen && c.u8(p) != 0) ++p;
  return p < c.PacketLen ? p + 1 : p;
}

void DatagramSummary(DecodeContext& c) {
  c.AddDesc("/NBDG");
  c.SetProtocol(ProtoNBDG);
  if (c.PacketLen < kDatagramHeader || !HasNames(c.u8(0))) return;
  const size_t data = SkipName(c, SkipName(c, kDatagramHeader));
  if (c.PacketLen - data <= 4) return;
  c.enter(data);
  MessageSummary(c);
}

void DatagramTree(DecodeContext& c, DetailNode* parent) {
  if (c.PacketLen < kDatagramHeader) return;
  const uint8_t type = c.u8(0);
  EncodedName names[2];
  size_t length = kDatagramHeader;
  if (HasNames(type)) {
    for (EncodedName& n : names) {
      n = ReadEncodedName(c, length);
      if (!n.Whole) break;
      length += n.Length;
    }
  }
  DetailNode* root = AddBranch(c, parent, "Netbios Datagram Service", 0, length);
  AddField(c, root,
           "Message Type () - 0x" + Hex(type, 2) + " " +
               std::string(LookupCode(type, kDatagramTypes, "(Unknown)")),
           0, 1);
  AddField(c, root, "Flags () - 0x" + Hex(c.u8(1), 2), 1, 1);
  AddField(c, root, "Datagram ID () - 0x" + Hex(c.be16(2), 4), 2, 2);
  AddField(c, root, "Source IP () - " + FormatIPv4(c.be32(4)), 4, 4);
  AddField(c, root, "Source Port () - " + std::to_string(c.be16(8)), 8, 2);
  AddField(c, root, "Datagram Length () - " + std::to_string(c.be16(10)), 10, 2);
  AddField(c, root, "Packet Offset () - " + std::to_string(c.be16(12)), 12, 2);
  if (HasNames(type)) {
    if (!names[0].Whole) return;
    AddField(c, root, "Source Name () - " + Literal(names[0].Text), kDatagramHeader,
             names[0].Length);
    if (!names[1].Whole) return;
    AddField(c, root, "Dest Name () - " + Literal(names[1].Text), kDatagramHeader + names[0].Length,
             names[1].Length);
  }
  if (length >= c.PacketLen) return;
  c.enter(length);
  MessageTree(c, parent);
}

// ---------------------------------------------------------------- session service

// The message's length: the 16-bit field and the flags' extension bit, cut
// to the bytes after the header.
size_t SessionLength(const DecodeContext& c) {
  size_t length = c.be16(2) + ((c.u8(1) & 1) ? 0x10000u : 0u);
  return std::min(length, size_t{c.PacketLen} - kSessionHeader);
}

bool Continuation(const DecodeContext& c) {
  return !c.has(0, kSessionHeader) || LookupCode(c.u8(0), kSessionTypes, "").empty();
}

void SessionSummary(DecodeContext& c) {
  c.AddDesc("/NBSS");
  c.SetProtocol(ProtoNBSS);
  if (c.PacketLen == 0) return;
  if (Continuation(c)) {
    c.AddDesc("/continuation");
    return;
  }
  const uint8_t type = c.u8(0);
  if (type != 0) {
    c.AddDesc("/");
    c.AddDesc(LookupCode(type, kSessionTypes, ""));
    return;
  }
  const DecoderUnit* u = SignatureUnit(c, kSessionHeader);
  if (!u) return;
  const size_t length = SessionLength(c);
  c.enter(kSessionHeader);
  c.limit(length);
  CallSummary(c, u);
}

void SessionTree(DecodeContext& c, DetailNode* parent) {
  if (Continuation(c)) {
    // Data of a message that began in an earlier segment, or a piece too
    // short to hold a header.
    DetailNode* root = AddBranch(c, parent, "NetBios Session Service", 0, c.PacketLen);
    AddField(c, root, "Continuation", 0, c.PacketLen);
    return;
  }
  const size_t length = SessionLength(c);
  const uint8_t type = c.u8(0);
  DetailNode* root = AddBranch(c, parent, "NetBios Session Service", 0, length + kSessionHeader);
  AddField(c, root,
           "Type () - 0x" + Hex(type, 2) + " " + std::string(LookupCode(type, kSessionTypes, "")),
           0, 1);
  AddField(c, root, "Flag () - 0x" + Hex(c.u8(1), 2), 1, 1);
  AddField(c, root, "Length () - " + std::to_string(c.be16(2)), 2, 2);
  if (type != 0 || length <= kSessionHeader) {
    if (length != 0) AddField(c, root, "User Data ()", kSessionHeader, length);
    return;
  }
  c.enter(kSessionHeader);
  c.limit(length);
  MessageTree(c, parent);
}

}  // namespace

void NetbiosNameSummary(DecodeContext& c) {
  c.AddDesc("/Netbios/NBNS");
  c.SetProtocol(ProtoNBNS);
  if (c.PacketLen >= kNameHeader + 1) c.AddDesc(c.be16(2) & 0x8000 ? " Response" : " Query");
}
void NetbiosNameTree(DecodeContext& c, DetailNode* parent) { NameTree(c, parent); }

void NetbiosDatagramSummary(DecodeContext& c) {
  c.AddDesc("/Netbios");
  DatagramSummary(c);
}
void NetbiosDatagramTree(DecodeContext& c, DetailNode* parent) { DatagramTree(c, parent); }

void NetbiosSessionSummary(DecodeContext& c) {
  c.AddDesc("/Netbios");
  SessionSummary(c);
}
void NetbiosSessionTree(DecodeContext& c, DetailNode* parent) { SessionTree(c, parent); }

void NetbiosLLCSummary(DecodeContext& c) {
  c.SetProtocol(ProtoNetbios);
  c.AddDesc("/Netbios");
  FrameSummary(c);
}

void NetbiosLLCTree(DecodeContext& c, DetailNode* parent) { FrameTree(c, parent); }

}  // namespace kestle
