#include "protocols/dns.h"

#include <string>
#include <vector>

#include "decode/addresses.h"
#include "decode/context.h"
#include "decode/domain_name.h"
#include "decode/fields.h"
#include "decode/lookup.h"
#include "decode/protocol_ids.h"
#include "decode/resource_records.h"
#include "decode/text.h"

namespace kestle {

namespace {

constexpr LookupTableRec kResponseCodes[] = {
    {0, "no error"},        {1, "format error"}, {2, "server failure"}, {3, "name error"},
    {4, "not implemented"}, {5, "refused"},      {6, "YXDOMAIN"},       {7, "YXRRSET"},
    {8, "NXRREST"},         {9, "NOTAUTH"},      {10, "NOTZONE"},
};

constexpr LookupTableRec kOpcodeWords[] = {
    {0, "Standard "}, {1, "Inverse "}, {5, "Dynamic Update "}};

constexpr LookupTableRec kOpcodeNames[] = {
    {0, "Standard query"},
    {1, "Inverse query"},
    {2, "Server status request"},
    {5, "Dynamic Update (5)"},
};

constexpr LookupTableRec kClassNames[] = {{1, "IN"}, {2, "CS"}, {3, "CH"}, {4, "HS"}};

constexpr LookupTableRec kTypeNames[] = {
    {1, "A"},        {2, "NS"},      {3, "ND"},        {4, "MF"},     {5, "CNAME"},
    {6, "SOA"},      {7, "MB"},      {8, "MG"},        {9, "MR"},     {10, "NULL"},
    {11, "WKS"},     {12, "PTR"},    {13, "HINFO"},    {14, "MINFO"}, {15, "MX"},
    {16, "TXT"},     {17, "RB"},     {18, "AFSDB"},    {19, "X25"},   {20, "ISDN"},
    {21, "RT"},      {22, "NSAP"},   {23, "NSAP-PTR"}, {24, "SIG"},   {25, "KEY"},
    {26, "PX"},      {27, "GPOS"},   {28, "AAAA"},     {29, "LOC"},   {30, "NXT"},
    {31, "EID"},     {32, "NIMLOC"}, {33, "SRV"},      {34, "ATMA"},  {35, "NAPTR"},
    {36, "KX"},      {37, "CERT"},   {38, "A6"},       {39, "DNAME"}, {40, "SINK"},
    {41, "OPT"},     {42, "APL"},    {100, "UINFO"},   {101, "UID"},  {102, "GID"},
    {103, "UNSPEC"}, {249, "TKEY"},  {250, "TSIG"},    {251, "IXFR"}, {252, "AXFR"},
    {253, "MAILB"},  {254, "MAILA"}, {255, "*"},
};

constexpr size_t kHeader = 12;
constexpr size_t kTcpPrefix = 2;
constexpr uint16_t kOpUpdate = 5;
constexpr uint16_t kClassIN = 1;
constexpr uint16_t kTypeA = 1, kTypeNS = 2, kTypeCNAME = 5, kTypeSOA = 6, kTypePTR = 12,
                   kTypeMX = 15, kTypeAAAA = 28, kTypeSRV = 33;
// Questions are walked while they start at or before this offset, records
// while they start at or before kLastRecordStart; a section that reaches
// past it ends the decode.
constexpr size_t kLastQuestionStart = 1023;
constexpr size_t kLastRecordStart = 1399;

std::string TypeText(uint16_t type) {
  const std::string_view name = LookupCode(type, kTypeNames, "");
  return name.empty() ? std::to_string(type) : std::string(name);
}

std::string ClassText(uint16_t cls) {
  const std::string_view name = LookupCode(cls, kClassNames, "");
  return name.empty() ? std::to_string(cls) : std::string(name);
}

// Over TCP a message starts with its length: the layer is moved past it.
void SkipTcpPrefix(DecodeContext& c) {
  if (c.Carrier == Transport::TCP && c.has(0, kTcpPrefix)) c.enter(kTcpPrefix);
}

// ---------------------------------------------------------------- records

// A question or a resource record, with its domain name.
using Entry = NamedRecord<DomainName>;

// False when the entry does not lie whole in the layer.
bool ReadEntry(const DecodeContext& c, size_t p, bool record, Entry& e) {
  return ReadNamedRecord(c, p, record, ReadDomainName, e);
}

// What the data of a class IN record holds, read within its data length; a
// value that does not fit there is shown as plain data.
struct RecordData {
  enum Form { Plain, Address, Address6, Name, Service };
  Form Kind = Plain;
  std::string Label;  // the Type line's value
  std::string Value;  // the address or the name, shown safely
  DomainName Target;  // the name of Name and Service
  size_t TargetAt = 0;
};

// The class IN records whose data is shown as an address or a name: the
// form, the bytes before the name, and the label of the value (nullptr:
// the type's name).
struct RecordFormRec {
  uint16_t Type;
  RecordData::Form Form;
  size_t Skip;
  const char* Label;
};
constexpr RecordFormRec kRecordForms[] = {
    {kTypeA, RecordData::Address, 0, "ADDR"},
    {kTypeAAAA, RecordData::Address6, 0, "IPV6 ADDR"},
    {kTypeNS, RecordData::Name, 0, nullptr},
    {kTypeCNAME, RecordData::Name, 0, nullptr},
    {kTypeSOA, RecordData::Name, 0, nullptr},
    {kTypePTR, RecordData::Name, 0, "Domain Name Pointer"},
    {kTypeMX, RecordData::Name, 2, nullptr},
    {kTypeSRV, RecordData::Service, 6, nullptr},
};

const RecordFormRec* FindForm(uint16_t type) {
  for (const auto& f : kRecordForms)
    if (f.Type == type) return &f;
  return nullptr;
}

RecordData Interpret(const DecodeContext& c, const Entry& e) {
  RecordData r;
  r.Label = TypeText(e.Type);
  if (e.Class != kClassIN) return r;
  const size_t d = e.Data, len = e.DataLength;
  auto name = [&](size_t skip, std::string label, RecordData::Form kind) {
    if (len <= skip) return;
    DomainName n = ReadDomainName(c, d + skip);
    if (!n.Whole || skip + n.Length > len) return;
    r.Kind = kind;
    r.Label = std::move(label);
    r.Value = n.Loop ? n.Text : SafeText(n.Text);
    r.Target = std::move(n);
    r.TargetAt = d + skip;
  };
  const RecordFormRec* form = FindForm(e.Type);
  if (!form) return r;
  switch (form->Form) {
    case RecordData::Address:
      if (len < 4) break;
      r.Kind = RecordData::Address;
      r.Label = form->Label;
      r.Value = FormatIPv4(c.be32(d));
      break;
    case RecordData::Address6: {
      if (len < 16) break;
      uint8_t a[16];
      c.copy(d, a, 16);
      r.Kind = RecordData::Address6;
      r.Label = form->Label;
      r.Value = FormatIPv6(a);
      break;
    }
    case RecordData::Name:
    case RecordData::Service:
      name(form->Skip, form->Label ? std::string(form->Label) : TypeText(e.Type), form->Form);
      break;
    case RecordData::Plain:
      break;
  }
  return r;
}

// The entries of one section: as many as are whole in the layer, up to
// `count`. `Length` is 0 when an entry starts past the section's limit;
// `Complete` is false when the walk stopped early (the following sections
// are not shown).
struct Section {
  std::vector<Entry> Entries;
  size_t Length = 0;
  bool Complete = true;
};

Section WalkSection(DecodeContext& c, size_t start, uint16_t count, bool records) {
  Section s;
  const size_t last = records ? kLastRecordStart : kLastQuestionStart;
  auto read = [records](const DecodeContext& c, size_t p, Entry& e) {
    return ReadEntry(c, p, records, e);
  };
  const WalkEnd end = WalkRecords(c, start, count, last, read, s.Entries, s.Length);
  s.Complete = end == WalkEnd::Complete;
  if (end == WalkEnd::PastLimit) s.Length = 0;
  return s;
}

std::string NameText(const DomainName& n) { return n.Loop ? n.Text : SafeText(n.Text); }

// "1 hour 1 minute 1 second": hours are split off above 3659 seconds only.
std::string TtlText(int32_t ttl) {
  int64_t t = ttl;
  std::string s;
  if (t > 3659) {
    const int64_t h = t / 3600;
    t %= 3600;
    s += std::to_string(h) + (h == 1 ? " hour " : " hours ");
  }
  if (t > 59) {
    const int64_t m = t / 60;
    t %= 60;
    s += std::to_string(m) + (m == 1 ? " minute " : " minutes ");
  }
  if (t > 0) s += std::to_string(t) + (t == 1 ? " second" : " seconds");
  return s;
}

// ---------------------------------------------------------------- tree

void AddQuestion(DecodeContext& c, DetailNode* section, const Entry& e) {
  const std::string name = NameText(e.Name);
  const std::string type = TypeText(e.Type), cls = ClassText(e.Class);
  const size_t p = e.At, n = e.Name.Length;
  DetailNode* item =
      AddField(c, section, Literal(name) + ": type " + type + ", class " + cls, p, e.Length);
  AddField(c, item, "Name () - " + Literal(name), p, n);
  AddField(c, item, "Type () - " + type, p + n, 2);
  AddField(c, item, "Class () - " + cls, p + n + 2, 2);
}

void AddRecord(DecodeContext& c, DetailNode* section, const Entry& e) {
  const std::string name = NameText(e.Name);
  const std::string cls = ClassText(e.Class);
  const RecordData r = Interpret(c, e);
  const size_t p = e.At, n = e.Name.Length, d = e.Data;
  FieldText text = Literal(name) + ": type " + TypeText(e.Type) + ", class " + cls;
  uint16_t priority = 0, weight = 0, port = 0;
  switch (r.Kind) {
    case RecordData::Address:
    case RecordData::Address6:
      text = text + ", addr " + r.Value;
      break;
    case RecordData::Name:
      text = text + ", " + r.Label + " " + r.Value;
      break;
    case RecordData::Service:
      priority = c.be16(d), weight = c.be16(d + 2), port = c.be16(d + 4);
      text = text + ", Priority " + std::to_string(priority) + ", Weight " +
             std::to_string(weight) + ", Port " + std::to_string(port) + ", Target " + r.Value;
      break;
    case RecordData::Plain:
      break;
  }
  DetailNode* item = AddField(c, section, std::move(text), p, e.Length);
  AddField(c, item, "Name () - " + Literal(name), p, n);
  AddField(c, item, "Type () - " + r.Label, p + n, 2);
  AddField(c, item, "Class () - " + cls, p + n + 2, 2);
  AddField(c, item, "Time to live () - " + TtlText(static_cast<int32_t>(e.Ttl)), p + n + 4, 4);
  AddField(c, item, "Data Length () - " + std::to_string(e.DataLength), p + n + 8, 2);
  if (e.Type == kTypeMX && e.DataLength >= 2)
    AddField(c, item, "Preference () - " + std::to_string(c.be16(d)), d, 2);
  if (e.Class != kClassIN) return;
  const size_t len = e.DataLength;
  switch (r.Kind) {
    case RecordData::Address:
      AddField(c, item, "IP Address () - " + r.Value, d, len);
      break;
    case RecordData::Address6:
      AddField(c, item, "IPV6 Address () - " + r.Value, d, len);
      break;
    case RecordData::Name: {
      const char* label = e.Type == kTypeNS      ? "Name server () - "
                          : e.Type == kTypeCNAME ? "Primary name () - "
                          : e.Type == kTypeSOA   ? "SOA() - "
                          : e.Type == kTypePTR   ? "Domain Name() - "
                                                 : "Mail exchange () - ";
      AddField(c, item, label + Literal(r.Value), d, len);
      break;
    }
    case RecordData::Service:
      AddField(c, item, "Priority () - " + std::to_string(priority), d, 2);
      AddField(c, item, "Weight () - " + std::to_string(weight), d + 2, 2);
      AddField(c, item, "Port () - " + std::to_string(port), d + 4, 2);
      AddField(c, item, "Target () - " + Literal(r.Value), r.TargetAt, r.Target.Length);
      break;
    case RecordData::Plain:
      AddField(c, item, "Data", d, len);
      break;
  }
}

// One section under the root: its title, then its entries. False when the
// decode ends with it.
bool AddSection(DecodeContext& c, DetailNode* root, const char* title, size_t& p, uint16_t count,
                bool records) {
  if (count == 0) return true;
  const Section s = WalkSection(c, p, count, records);
  DetailNode* item = AddBranch(c, root, title, p, 0);
  for (const Entry& e : s.Entries) (records ? AddRecord : AddQuestion)(c, item, e);
  SetBranchRange(c, item, p, s.Length);
  p += s.Length;
  return s.Complete && s.Length != 0;
}

// ".... .1.. .... ...." and the text: the `count` bits of `flags` from
// position `first` (1 = the top bit), dots elsewhere.
std::string FlagLine(uint16_t flags, int first, int count, std::string_view text) {
  std::string s;
  for (int pos = 1; pos <= 16; ++pos) {
    if (pos > 1 && pos % 4 == 1) s += ' ';
    s += pos < first || pos >= first + count ? '.' : ((flags >> (16 - pos)) & 1 ? '1' : '0');
  }
  return s + " = " + std::string(text);
}

void AddFlags(DecodeContext& c, DetailNode* root, uint16_t flags) {
  const bool response = flags & 0x8000;
  const uint16_t opcode = (flags >> 11) & 0xF, rcode = flags & 0xF;
  std::string text =
      "Flags : 0x" + Hex(flags, 4) + " (" + std::string(LookupCode(opcode, kOpcodeWords, ""));
  if (response) {
    text += "response";
    if (rcode <= 10) text += ", " + std::string(LookupCode(rcode, kResponseCodes, ""));
    text += ")";
  } else {
    text += "query)";
  }
  DetailNode* f = AddField(c, root, text, 2, 2, TreeImage::Flags);
  AddField(c, f, FlagLine(flags, 1, 1, response ? "Response" : "Query"), 2, 2);
  AddField(c, f, FlagLine(flags, 2, 4, LookupCode(opcode, kOpcodeNames, "Reserved")), 2, 2);
  AddField(c, f,
           FlagLine(flags, 6, 1,
                    flags & 0x0400 ? "Authoritative answer" : "Not an authoritative answer"),
           2, 2);
  AddField(c, f, FlagLine(flags, 7, 1, flags & 0x0200 ? "Truncated" : "Not truncated"), 2, 2);
  AddField(c, f,
           FlagLine(flags, 8, 1, flags & 0x0100 ? "Recursion desired" : "Recursion not desired"), 2,
           2);
  AddField(c, f,
           FlagLine(flags, 9, 1,
                    flags & 0x0080 ? "Recursion is available" : "Recursion is not available"),
           2, 2);
  AddField(c, f, FlagLine(flags, 13, 4, LookupCode(rcode, kResponseCodes, "Reserved")), 2, 2);
}

}  // namespace

void DNSSummary(DecodeContext& c) {
  SkipTcpPrefix(c);
  c.AddDesc("/DNS");
  c.SetProtocol(ProtoDNS);
  if (c.PacketLen <= 3) return;
  const uint16_t flags = c.be16(2);
  const bool response = flags & 0x8000;
  c.AddDesc(response ? "/Response" : "/Query");
  if (((flags >> 11) & 0xF) == kOpUpdate) c.AddDesc(" Dynamic Update");
  if (c.PacketLen < kHeader) return;
  const uint16_t questions = c.be16(4), answers = c.be16(6);
  const Section q = WalkSection(c, kHeader, questions, false);
  if (!response) {
    if (questions != 0 && q.Length != 0 && !q.Entries.empty()) {
      c.AddDesc(" ");
      c.AddDesc(NameText(q.Entries.front().Name));
    }
    return;
  }
  if (answers == 0 || !q.Complete || (questions != 0 && q.Length == 0)) return;
  Entry e;
  if (!ReadEntry(c, kHeader + q.Length, true, e)) return;
  const RecordData r = Interpret(c, e);
  if (r.Kind == RecordData::Plain) return;
  c.AddDesc(" ");
  c.AddDesc(r.Value);
}

void DNSTree(DecodeContext& c, DetailNode* parent) {
  const bool tcp = c.Carrier == Transport::TCP && c.has(0, kTcpPrefix);
  const size_t prefix = tcp ? kTcpPrefix : 0;
  if (!c.has(prefix, kHeader)) return;
  const uint16_t flags = c.be16(prefix + 2);
  // Over TCP the branch covers the length before the message, too.
  DetailNode* root = AddBranch(
      c, parent,
      std::string("Domain Name System (DNS)") + (flags & 0x8000 ? " (Response)" : " (Query)"), 0,
      c.PacketLen);
  if (tcp) {
    if (const uint16_t length = c.be16(0))
      AddField(c, root, "Length () - " + std::to_string(length), 0, 2);
    c.enter(kTcpPrefix);
  }
  const bool update = ((flags >> 11) & 0xF) == kOpUpdate;
  AddField(c, root, "Transaction ID () - 0x" + Hex(c.be16(0), 4), 0, 2);
  AddFlags(c, root, flags);
  const uint16_t counts[4] = {c.be16(4), c.be16(6), c.be16(8), c.be16(10)};
  AddField(c, root,
           std::string(update ? "Zones" : "Questions") + " () - " + std::to_string(counts[0]), 4,
           2);
  AddField(c, root,
           std::string(update ? "Prerequisites" : "Answers") + " () - " + std::to_string(counts[1]),
           6, 2);
  AddField(c, root,
           std::string(update ? "Updates" : "Authority RRs") + " () - " + std::to_string(counts[2]),
           8, 2);
  AddField(c, root, "Additional RRs () - " + std::to_string(counts[3]), 10, 2);
  size_t p = kHeader;
  if (!AddSection(c, root, update ? "Zones" : "Queries", p, counts[0], false)) return;
  if (!AddSection(c, root, update ? "Prerequisites" : "Answers", p, counts[1], true)) return;
  if (!AddSection(c, root, update ? "Updates" : "Authoritative nameservers", p, counts[2], true))
    return;
  AddSection(c, root, "Additional records", p, counts[3], true);
}

}  // namespace kestle
