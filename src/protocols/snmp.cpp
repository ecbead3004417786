#include "protocols/snmp.h"

#include <string_view>
#include <vector>

#include "decode/addresses.h"
#include "decode/ber.h"
#include "decode/config/environment.h"
#include "decode/context.h"
#include "decode/fields.h"
#include "decode/lookup.h"
#include "decode/protocol_ids.h"
#include "decode/text.h"

namespace kestle {

namespace {

constexpr LookupTableRec kPduNames[] = {{0xA0, "Get"},    {0xA1, "GetNext"}, {0xA2, "Response"},
                                        {0xA3, "SET "},   {0xA4, "TRAPv1"},  {0xA5, "GetBulk"},
                                        {0xA6, "Inform"}, {0xA7, "TrapV2"},  {0xA8, "Report"}};
// The PDUs of version 1.
constexpr std::span<const LookupTableRec> kV1PduNames(kPduNames, 5);

constexpr LookupTableRec kErrorStatus[] = {{0, "NoError"},
                                           {1, "TooBig"},
                                           {2, "NoSuchName"},
                                           {3, "BadValue"},
                                           {4, "ReadOnly"},
                                           {5, "GenErr"},
                                           {6, "NoAccess"},
                                           {7, "WrongType"},
                                           {8, "WrongLength"},
                                           {9, "WrongEncoding"},
                                           {10, "WrongValue"},
                                           {11, "NoCreation"},
                                           {12, "InconsistantValue"},
                                           {13, "ResourceUnavailable"},
                                           {14, "CommitFailed"},
                                           {15, "UndoFailed"},
                                           {16, "AuthorizationFailed"},
                                           {17, "NotWritable"},
                                           {18, "InconsistentName"}};

constexpr LookupTableRec kGenericTraps[] = {{0, "Cold Start"},
                                            {1, "Warm Start"},
                                            {2, "Link Down"},
                                            {3, "Link Up"},
                                            {4, "Authentication Failure"},
                                            {5, "Egp Neighbor Loss"},
                                            {6, "Enterprise Specific"}};

constexpr LookupTableRec kValueTypes[] = {
    {ber::kInteger, "Integer"}, {ber::kOctetString, "Octet String"}, {ber::kNull, "Null"},
    {ber::kOid, "OID"},         {ber::kIpAddress, "IP Address"},     {ber::kCounter, "Counter"},
    {ber::kGauge, "Gauge"},     {ber::kTimeTicks, "TimeTicks"},      {ber::kOpaque, "Opaque"}};

constexpr uint8_t kTrapV1 = 0xA4, kGetBulk = 0xA5;
constexpr int32_t kVersion1 = 0, kVersion2c = 1;
// Sub-identifiers an object identifier may have.
constexpr size_t kMaxSubids = 31;

// Characters that make an octet string text (compared in lower case); the
// pound sign is Latin-1 0xA3.
bool Printable(unsigned char ch) {
  if (ch >= 'A' && ch <= 'Z') ch = static_cast<unsigned char>(ch - 'A' + 'a');
  if ((ch >= 'a' && ch <= 'z') || (ch >= '0' && ch <= '9') || ch == 0xA3) return true;
  return std::string_view(" /!\"$%^&*()-_+={}[],.;#@").find(static_cast<char>(ch)) !=
         std::string_view::npos;
}

std::string Dotted(std::string_view bytes) {
  std::string s;
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (i) s += '.';
    s += std::to_string(static_cast<uint8_t>(bytes[i]));
  }
  return s;
}

// An octet string: its characters (a zero byte as a blank, blanks trimmed)
// when they are all printable, else its bytes in decimal. `text`: the
// characters were taken.
std::string OctetString(std::string_view bytes, bool& text) {
  std::string chars(bytes);
  text = true;
  for (char& ch : chars) {
    if (ch == '\0') ch = ' ';
    if (!Printable(static_cast<unsigned char>(ch))) text = false;
  }
  if (!text) return Dotted(bytes);
  const size_t first = chars.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return chars.substr(first, chars.find_last_not_of(' ') - first + 1);
}

// A value and its text; false when it cannot be read (an unknown type, a
// length its type does not take). `literal`: the text comes from the frame.
bool ValueText(const DecodeContext& c, const BerReader& r, const BerValue& v, std::string& out,
               bool& literal) {
  literal = false;
  switch (v.Tag) {
    case ber::kInteger: {
      int32_t n = 0;
      if (!r.Integer(v, n)) return false;
      out = std::to_string(n);
      return true;
    }
    case ber::kCounter:
    case ber::kGauge:
    case ber::kTimeTicks: {
      uint32_t n = 0;
      if (!r.Unsigned(v, n)) return false;
      out = std::to_string(n);
      return true;
    }
    case ber::kIpAddress:
      if (v.Length != 4) return false;
      out = FormatIPv4(c.be32(v.Contents));
      return true;
    case ber::kNull:
      if (v.Length != 0) return false;
      out.clear();
      return true;
    case ber::kOpaque:
      out = Dotted(r.Bytes(v));
      return true;
    case ber::kOctetString:
      out = OctetString(r.Bytes(v), literal);
      if (literal) out = SafeText(out);
      return true;
    case ber::kOid: {
      std::vector<uint32_t> subids;
      if (!r.Oid(v, subids, kMaxSubids)) return false;
      out = FormatOID(c, subids);
      return true;
    }
    default:
      return false;
  }
}

// A line for a value of the message, at its contents.
DetailNode* AddValue(DecodeContext& c, DetailNode* root, std::string label, const std::string& text,
                     bool literal, const BerValue& v) {
  return AddField(c, root,
                  literal ? std::move(label) + Literal(std::string(text)) : FieldText(label + text),
                  v.Contents, v.Length);
}

// Reads an Integer field; false when there is none.
bool ReadInteger(BerReader& r, BerValue& v, int32_t& n) {
  return r.Next(ber::kInteger, v) && r.Integer(v, n);
}

// The message header up to the community; the reader then stands at the PDU.
struct Header {
  BerValue Version, Community;
  int32_t VersionNumber = 0;
};
bool ReadHeader(BerReader& r, Header& h, bool& sequence) {
  BerValue seq;
  sequence = r.Enter(ber::kSequence, seq);
  return sequence && ReadInteger(r, h.Version, h.VersionNumber);
}

// The fields of a version 1 trap; false when a field cannot be read.
bool TrapFields(DecodeContext& c, DetailNode* root, BerReader& r) {
  BerValue v;
  std::string text;
  bool literal = false;
  if (!r.Next(ber::kOid, v) || !ValueText(c, r, v, text, literal)) return false;
  AddValue(c, root, "Enterprise () - ", text, false, v);
  if (!r.Next(ber::kIpAddress, v) || !ValueText(c, r, v, text, literal)) return false;
  AddValue(c, root, "Area Address () - ", text, false, v);
  int32_t generic = 0, specific = 0;
  if (!ReadInteger(r, v, generic)) return false;
  if (generic >= 0 && generic <= 6) {
    AddValue(c, root, "Trap Type () - ",
             std::to_string(generic) + " (" +
                 std::string(LookupCode(static_cast<uint16_t>(generic), kGenericTraps, "")) + ")",
             false, v);
    if (!ReadInteger(r, v, specific)) return false;
    AddValue(c, root, "Specific TRap Code () - ", std::to_string(specific), false, v);
  } else {
    // An unknown generic trap is shown as the code; the specific code that
    // follows is passed over, so the time stamp is read from its own field.
    AddValue(c, root, "Specific TRap Code () - ", std::to_string(generic), false, v);
    BerValue skipped;
    if (!ReadInteger(r, skipped, specific)) return false;
  }
  uint32_t ticks = 0;
  uint8_t tag = 0;
  if (!r.PeekTag(tag) || tag < ber::kCounter || tag > ber::kTimeTicks || !r.Next(v) ||
      !r.Unsigned(v, ticks))
    return false;
  AddValue(c, root, "Time Stamp () - ", std::to_string(ticks), false, v);
  return true;
}

// Request-ID, then error status and index (or, for GetBulk, non-repeaters
// and max-repetitions); false when a field cannot be read.
bool RequestFields(DecodeContext& c, DetailNode* root, BerReader& r, uint8_t pdu) {
  BerValue v;
  int32_t n = 0;
  if (!ReadInteger(r, v, n)) return false;
  AddValue(c, root, "Request-ID () - ", std::to_string(n), false, v);
  if (!ReadInteger(r, v, n)) return false;
  if (pdu == kGetBulk) {
    AddValue(c, root, "Non-Repeaters () - ", std::to_string(n), false, v);
  } else {
    const std::string_view name =
        n >= 0 && n <= 0xFFFF ? LookupCode(static_cast<uint16_t>(n), kErrorStatus, "Unknown")
                              : "Unknown";
    AddValue(c, root, "Error Status () - ", std::to_string(n) + " " + std::string(name), false, v);
  }
  if (!ReadInteger(r, v, n)) return false;
  AddValue(c, root, pdu == kGetBulk ? "Max-Repititions () - " : "Error Index () - ",
           std::to_string(n), false, v);
  return true;
}

// The variable bindings up to the end of the message or the first that
// cannot be read.
void Bindings(DecodeContext& c, DetailNode* root, BerReader& r) {
  BerValue v;
  if (!r.Enter(ber::kSequence, v)) return;
  for (uint32_t k = 1; !r.AtEnd(); ++k) {
    BerValue binding, oid, value;
    std::string text;
    bool literal = false;
    if (!r.Enter(ber::kSequence, binding) || !r.Next(ber::kOid, oid) ||
        !ValueText(c, r, oid, text, literal))
      return;
    AddValue(c, root, "Object ID " + std::to_string(k) + " () - ", text, false, oid);
    if (!r.Next(value) || !ValueText(c, r, value, text, literal)) return;
    AddValue(c, root,
             "Value " + std::to_string(k) + " () - " +
                 std::string(LookupCode(value.Tag, kValueTypes, "")) + ":",
             text, literal, value);
  }
}

}  // namespace

std::string FormatOID(const DecodeContext& c, std::span<const uint32_t> subids) {
  if (!c.Set.ShowSNMPOIDNumber) return c.Env.SnmpNames.Format(subids);
  std::string s;
  for (size_t i = 0; i < subids.size(); ++i) {
    if (i) s += '.';
    s += std::to_string(subids[i]);
  }
  return s;
}

void SNMPSummary(DecodeContext& c) {
  c.AddDesc("/SNMP");
  c.SetProtocol(ProtoSNMP);
  BerReader r(c, 0, c.PacketLen);
  Header h;
  bool sequence = false;
  if (!ReadHeader(r, h, sequence)) return;
  if (h.VersionNumber == kVersion1)
    c.AddDesc("v1");
  else if (h.VersionNumber == kVersion2c)
    c.AddDesc("v2c");
  else
    return;
  uint8_t pdu = 0;
  if (!r.Next(ber::kOctetString, h.Community) || !r.PeekTag(pdu)) return;
  c.AddDesc("/");
  c.AddDesc(LookupCode(pdu, kPduNames, "Unknown"));
}

void SNMPTree(DecodeContext& c, DetailNode* parent) {
  DetailNode* root =
      AddBranch(c, parent, "Simple Network Management Protocol (SNMP)", 0, c.PacketLen);
  BerReader r(c, 0, c.PacketLen);
  Header h;
  bool sequence = false;
  const bool read = ReadHeader(r, h, sequence);
  if (!sequence) {
    AddField(c, root, "Malformed Frame", 0, 1);
    return;
  }
  if (!read) return;
  if (h.VersionNumber != kVersion1 && h.VersionNumber != kVersion2c) {
    AddValue(c, root, "Unknown SNMP Version", "", false, h.Version);
    return;
  }
  AddValue(c, root, "SNMP Version () - ", h.VersionNumber == kVersion1 ? "SNMPv1" : "SNMPv2c",
           false, h.Version);
  if (!r.Next(ber::kOctetString, h.Community)) return;
  bool text = false;
  const std::string community = OctetString(r.Bytes(h.Community), text);
  AddValue(c, root, "Community () - ", text ? SafeText(community) : community, text, h.Community);

  BerValue pdu;
  uint8_t tag = 0;
  if (!r.PeekTag(tag)) return;
  const auto names = h.VersionNumber == kVersion1 ? kV1PduNames : std::span(kPduNames);
  AddField(c, root, "PDU Type () - " + std::string(LookupCode(tag, names, "Unknown")), r.Pos(), 1);
  if (!r.Enter(pdu)) return;
  if (tag == kTrapV1 ? TrapFields(c, root, r) : RequestFields(c, root, r, tag))
    Bindings(c, root, r);
}

}  // namespace kestle
