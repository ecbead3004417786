#include "protocols/telnet.h"

#include <algorithm>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "decode/context.h"
#include "decode/ebcdic.h"
#include "decode/fields.h"
#include "decode/lookup.h"
#include "decode/protocol_ids.h"
#include "decode/registry.h"
#include "decode/text.h"

namespace kestle {

namespace {

constexpr uint8_t kIAC = 0xFF;
constexpr uint8_t kSB = 0xFA, kWill = 0xFB, kWont = 0xFC, kDo = 0xFD, kDont = 0xFE;
constexpr uint8_t kOptTerminalType = 24, kOptWindowSize = 31, kOptTerminalSpeed = 32,
                  kOptFlowControl = 33, kOptLinemode = 34, kOptXDisplay = 35, kOptTN3270E = 40;
// 3270 text is any byte from 64 up; a byte below it is an order.
constexpr uint8_t kFirstText = 64;
constexpr uint8_t kAidStructuredField = 0x88, kCommandWriteStructured = 0xF3;
// Lines of data grow to this many characters before they are cut.
constexpr size_t kMaxLineText = 150;
constexpr size_t kMaxText3270 = 9999;

constexpr LookupTableRec kOptions[] = {{0, "TRANSMIT-BINARY"},
                                       {1, "ECHO"},
                                       {2, "Reconnection"},
                                       {3, "SUPPRESS-GO-AHEAD"},
                                       {4, "Approx msg size negotiation"},
                                       {5, "STATUS"},
                                       {6, "TIMING-MARK"},
                                       {7, "Remote controlled trans and echo"},
                                       {8, "Output line width"},
                                       {9, "Output page size"},
                                       {10, "Output carriage-return disposition"},
                                       {11, "Output horizontal tab stops"},
                                       {12, "Output horizontal tab disposition"},
                                       {13, "Output form feed disposition"},
                                       {14, "Output vertical tabstops"},
                                       {15, "Output vertical tab disposition"},
                                       {16, "Output linefeed disposition"},
                                       {17, "Extended ASCII"},
                                       {18, "Logout"},
                                       {19, "Byte macro"},
                                       {20, "Data entry terminal"},
                                       {21, "SUPDUP"},
                                       {22, "SUPDUP output"},
                                       {23, "Send location"},
                                       {24, "TERMINAL-TYPE"},
                                       {25, "End of record"},
                                       {26, "TACACS user identification"},
                                       {27, "Outut marking"},
                                       {28, "Terminal location number"},
                                       {29, "3270-REGIME"},
                                       {30, "X.3 Pad"},
                                       {31, "Negotiate about window size"},
                                       {32, "Terminal speed"},
                                       {33, "Remote flow control"},
                                       {34, "Linemode"},
                                       {35, "X display location"},
                                       {36, "Environment option"},
                                       {37, "Authentication option"},
                                       {38, "Encryption option"},
                                       {39, "New environmet option"},
                                       {40, "TN3270E"},
                                       {255, "EXOPL"}};

constexpr LookupTableRec kQualifiers[] = {{0, "IS"}, {1, "SEND"}};

constexpr LookupTableRec kTN3270EWords[] = {{0, "Associate"}, {1, "Connect"}, {2, "Device-Type"},
                                            {3, "Functions"}, {4, "Is"},      {5, "Reason"},
                                            {6, "Reject"},    {7, "Request"}, {8, "Send"}};
constexpr uint8_t kWordDeviceType = 2, kWordSend = 8;

constexpr LookupTableRec kFlowControl[] = {
    {0, "Off"}, {1, "On"}, {2, "Restart-ANY"}, {3, "Restart-XON"}};

constexpr LookupTableRec kLinemodeCommands[] = {{1, "Mode"}, {2, "Forwardmask"}, {3, "SLC"}};
constexpr uint8_t kLinemodeMode = 1, kLinemodeSLC = 3;

constexpr LookupTableRec kModeBits[] = {
    {1, "EDIT"}, {2, "TRAPSIG"}, {4, "MODE_ACK"}, {8, "SOFT_TAB"}, {16, "LIT_ECHO"}};

constexpr LookupTableRec kSlcLevels[] = {
    {0, "SLC_NOSUPPORT"}, {1, "SLC_CANTCHANGE"}, {2, "SLC_VALUE"}, {3, "SLC_DEFAULT"}};

constexpr LookupTableRec kSlcFunctions[] = {
    {1, "SLC_SYNCH"}, {2, "SLC_BRK"},    {3, "SLC_IP"},     {4, "SLC_AO"},     {5, "SLC_AYT"},
    {6, "SLC_EOR"},   {7, "SLC_ABORT"},  {8, "SLC_EOF"},    {9, "SLC_SUSP"},   {10, "SLC_EC"},
    {11, "SLC_EL"},   {12, "SLC_EW"},    {13, "SLC_RP"},    {14, "SLC_LNEXT"}, {15, "SLC_XON"},
    {16, "SLC_XOFF"}, {17, "SLC_FORW1"}, {18, "SLC_FORW2"}, {19, "SLC_MCL"},   {20, "SLC_MCR"},
    {21, "SLC_MCWL"}, {22, "SLC_MCWR"},  {23, "SLC_MCBOL"}, {24, "SLC_MCEOL"}, {25, "SLC_INSRT"},
    {26, "SLC_OVER"}, {27, "SLC_ECR"},   {28, "SLC_EWR"},   {29, "SLC_EBOL"},  {30, "SLC_EEOL"}};

constexpr LookupTableRec kDataTypes[] = {{0, "3270-Data"},  {1, "SCS-DATA"},    {2, "Response"},
                                         {3, "Bind-Image"}, {4, "Unbind"},      {5, "NVT-Data"},
                                         {6, "Request"},    {7, "SSCP-LU-Data"}};

constexpr LookupTableRec kCommands3270[] = {{0xF1, "Write"},
                                            {0xF5, "Erase/Write"},
                                            {0x7E, "Erase/Write Alternate"},
                                            {0xF2, "Read Buffer"},
                                            {0xF6, "Read Modified"},
                                            {0x6E, "Read Modified All"},
                                            {0x6F, "Erase All Unprotected"},
                                            {0xF3, "Write Structured Field"}};

constexpr LookupTableRec kAids[] = {{0x7D, "Enter Key"},
                                    {0x88, "Structured Field"},
                                    {0x61, "Read Partition"},
                                    {0x7F, "Trigger Action"},
                                    {0xF0, "SYS REQ"},
                                    {0xF1, "PF1"},
                                    {0xF2, "PF2"},
                                    {0xF3, "PF3"},
                                    {0xF4, "PF4"},
                                    {0xF5, "PF5"},
                                    {0xF6, "PF6"},
                                    {0xF7, "PF7"},
                                    {0xF8, "PF8"},
                                    {0xF9, "PF9"},
                                    {0x7A, "PF10"},
                                    {0x7B, "PF11"},
                                    {0x7C, "PF12"},
                                    {0xC1, "PF13"},
                                    {0xC2, "PF14"},
                                    {0xC3, "PF15"},
                                    {0xC4, "PF16"},
                                    {0xC5, "PF17"},
                                    {0xC6, "PF18"},
                                    {0xC7, "PF19"},
                                    {0xC8, "PF20"},
                                    {0xC9, "PF21"},
                                    {0x4A, "PF22"},
                                    {0x4B, "PF23"},
                                    {0x4C, "PF24"},
                                    {0x6C, "PA1"},
                                    {0x6E, "PA2"},
                                    {0x6B, "PA3"},
                                    {0x6D, "Clear"},
                                    {0x6A, "Clear Partition"},
                                    {0x7E, "Selector Pen"},
                                    {0xE6, "Operator ID"},
                                    {0xE7, "Mag Reader"}};

constexpr LookupTableRec kAttributeTypes[] = {{0x00, "All Character Attributes"},
                                              {0xC0, "3270 Field Attribute"},
                                              {0xC1, "Field Validation"},
                                              {0xC2, "Field Outlining"},
                                              {0x41, "Extended Highlighting"},
                                              {0x42, "Foreground Colour"},
                                              {0x43, "Character Set"},
                                              {0x45, "Background Colour"},
                                              {0x46, "Transparency"}};
constexpr uint8_t kAttrHighlighting = 0x41, kAttrForeground = 0x42, kAttrBackground = 0x45;

constexpr LookupTableRec kHighlighting[] = {{0x00, "Default"},
                                            {0xF0, "Normal"},
                                            {0xF1, "Blink"},
                                            {0xF2, "Reverse Video"},
                                            {0xF4, "Underscore"}};

constexpr LookupTableRec kColours[] = {
    {0xF0, "Neutral"},    {0xF1, "Blue"},           {0xF2, "Red"},    {0xF3, "Pink"},
    {0xF4, "Green"},      {0xF5, "Turquoise"},      {0xF6, "Yellow"}, {0xF7, "Neutral"},
    {0xF8, "Black"},      {0xF9, "Deep Blue"},      {0xFA, "Orange"}, {0xFB, "Purple"},
    {0xFC, "Pale Green"}, {0xFD, "Pale Turquoise"}, {0xFE, "Grey"},   {0xFF, "White"}};

constexpr LookupTableRec kQueryReplies[] = {{0x84, "Alphanumeric Partitions"},
                                            {0x9D, "Anomoly"},
                                            {0x99, "Auxilliary Device"},
                                            {0x9F, "Begin/End of File"},
                                            {0x85, "Character Sets"},
                                            {0x86, "Color"},
                                            {0xAB, "Cooperative Processing Requester"},
                                            {0x98, "Data Chaining"},
                                            {0xA2, "Data Streams"},
                                            {0xA0, "Device Characteristics"},
                                            {0x91, "DBDC Asias"},
                                            {0x95, "Distributed Data Management"},
                                            {0x97, "Document Interchange Architecture"},
                                            {0xB5, "Extended Drawing Routine"},
                                            {0x8A, "Field Validation"},
                                            {0x8C, "Field Outlining"},
                                            {0x90, "Format Presentation"},
                                            {0x94, "Format Storage Auxilliary Device"},
                                            {0xB4, "Graphic Colour"},
                                            {0xB6, "Graphic Symbol Sets"},
                                            {0x87, "Highlight"},
                                            {0x9E, "IBM Auxilliary Device"},
                                            {0x82, "Image"},
                                            {0xA6, "Implicit Partitions"},
                                            {0xAA, "IOCA Auxilliary Device"},
                                            {0xB2, "Line Type"},
                                            {0x8B, "MSR Control"},
                                            {0xFF, "Null"},
                                            {0x8F, "OEM Auxilliary Device"},
                                            {0xA7, "Paper Feed Techniques"},
                                            {0x8E, "Partition Characteristics"},
                                            {0xB3, "Port"},
                                            {0xB1, "Procedure"},
                                            {0x9C, "Product Defined Data Stream"},
                                            {0x88, "Reply Modes"},
                                            {0xA1, "RPQ Names"},
                                            {0x92, "Save/Restore Format"},
                                            {0xB0, "Segment"},
                                            {0xA9, "Settable Printer Characteristics"},
                                            {0x96, "Storage Pools"},
                                            {0x80, "Summary"},
                                            {0x83, "Text Partitions"},
                                            {0xA8, "Transparency"},
                                            {0x81, "Usable Area"},
                                            {0x9A, "3270 IPDS"}};

std::string Name(uint16_t code, std::span<const LookupTableRec> table,
                 std::string_view def = "Unknown") {
  return std::string(LookupCode(code, table, def));
}

std::string OptionName(const DecodeContext& c, size_t at) { return Name(c.u8(at), kOptions); }

// ---- the 3270 byte reader

// Bytes of the 3270 data stream as read: a doubled 0xFF is one byte.
struct Taken {
  std::vector<uint8_t> Out;
  std::vector<size_t> At;  // where each byte starts in the layer
  size_t Start = 0;
  size_t Raw = 0;  // bytes of the layer consumed
  size_t size() const { return Out.size(); }
  size_t End() const { return Start + Raw; }
  size_t Pos(size_t j) const { return j < At.size() ? At[j] : End(); }
  // The bytes of the layer that the read bytes j .. j + k - 1 came from.
  size_t Len(size_t j, size_t k) const { return Pos(j + k) - Pos(j); }
};

// Up to `want` bytes from `at`, within `bound` bytes of the layer and the
// layer's end; with `stopBelowText` it stops before a byte below 64.
Taken Take(const DecodeContext& c, size_t at, size_t want, size_t bound,
           bool stopBelowText = false) {
  Taken t;
  t.Start = at;
  if (at >= c.PacketLen) return t;
  if (bound > c.PacketLen - at) bound = c.PacketLen - at;
  size_t i = 0;
  while (t.Out.size() < want && i < bound) {
    const uint8_t b = c.u8(at + i);
    if (stopBelowText && b < kFirstText) break;
    t.At.push_back(at + i);
    t.Out.push_back(b);
    i += (b == kIAC && i + 1 < bound && c.u8(at + i + 1) == kIAC) ? 2 : 1;
  }
  t.Raw = i;
  return t;
}

// A buffer address of the 12-bit or the 14-bit form, with its row and
// column on an 80-column screen.
std::string AddressText(const Taken& t, size_t from) {
  if (t.size() < from + 2) return "Invalid";
  const uint8_t a1 = t.Out[from], a2 = t.Out[from + 1];
  const unsigned address =
      a1 >= kFirstText ? (a1 & 0x3Fu) * 64 + (a2 & 0x3Fu) : unsigned{a1} * 256 + a2;
  return std::to_string(address) + " Row " + std::to_string(address / 80 + 1) + " Col " +
         std::to_string(address % 80 + 1);
}

std::string AttributeValue(uint8_t type, uint8_t value) {
  if (type == kAttrHighlighting) return Name(value, kHighlighting);
  if (type == kAttrForeground || type == kAttrBackground) return Name(value, kColours);
  return "0x" + Hex(value, 2);
}

// The type and value lines of an attribute pair (bytes j, j + 1 of `t`)
// under `item`, and their names appended to its text.
void AttributePair(DecodeContext& c, DetailNode* item, const Taken& t, size_t j) {
  const uint8_t type = t.Out[j], value = t.Out[j + 1];
  const std::string typeName = Name(type, kAttributeTypes);
  const std::string valueText = AttributeValue(type, value);
  AddField(c, item, "Attribute Type () - " + typeName, t.Pos(j), t.Len(j, 1));
  AddField(c, item, "Attribute Value () - " + valueText, t.Pos(j + 1), t.Len(j + 1, 1));
  AppendText(c, item, typeName + ": " + valueText);
}

struct StructuredFieldId {
  std::string Name;
  size_t Length;
};
StructuredFieldId FieldId(const Taken& t) {
  const uint8_t f = t.Out[0];
  const int g = t.size() > 1 ? t.Out[1] : -1;
  switch (f) {
    case 0x01:
      return {"Read Partition", 1};
    case 0x09:
      return {"Set Reply Mode", 1};
    case 0x0F:
      return {g == 0x22   ? "Exception/Status"
              : g == 0xB1 ? "Inbound Text Header"
              : g == 0xC1 ? "Type 1 Text Inbound"
                          : "Unknown",
              2};
    case 0x10:
      return {g == 0x31 ? "Recovery Data" : "Unknown", 2};
    case 0x40:
      return {"Outbound 3270DS", 1};
    case 0x80:
      return {"Inbound 3270DS", 1};
    case 0x81:
      return {
          g >= 0 ? "Query Reply(" + Name(static_cast<uint8_t>(g), kQueryReplies) + ")" : "Unknown",
          2};
    default:
      return {"Unknown", 1};
  }
}

// Structured fields from p to end, each after its 2-byte length.
void StructuredFields(DecodeContext& c, DetailNode* data, size_t p, size_t end) {
  while (end > p + 1) {
    const Taken length = Take(c, p, 2, end - p);
    if (length.size() < 2 || length.Raw == 0) return;
    const size_t wire = size_t{length.Out[0]} << 8 | length.Out[1];
    // A length of 0 runs to the end of the data; one below the length
    // field's own two bytes holds nothing more.
    const size_t rest = end - length.End();
    const size_t want = wire == 0 ? rest : wire < 2 ? 0 : wire - 2;
    const Taken body = Take(c, length.End(), want, rest);
    DetailNode* field = AddBranch(c, data, "Structured Field", p, length.Raw + body.Raw);
    AddField(c, field, "Length () - " + std::to_string(wire), p, length.Raw);
    if (body.size() > 0) {
      const StructuredFieldId id = FieldId(body);
      if (body.size() >= id.Length) {
        AddField(c, field, "ID () - " + id.Name, body.Pos(0), body.Len(0, id.Length));
        AppendText(c, field, " " + id.Name);
        const size_t idRaw = body.Len(0, id.Length);
        if (body.Raw > idRaw)
          AddField(c, field, "Parameters/Data ()", body.Pos(id.Length), body.Raw - idRaw);
      }
    }
    p = body.End();
  }
}

// The orders and text of the 3270 data stream from p to end.
void Orders(DecodeContext& c, DetailNode* data, size_t p, size_t end) {
  while (p < end) {
    const size_t r = end - p;
    const uint8_t order = c.u8(p);
    size_t used = 1;
    switch (order) {
      case 0x00: {
        while (used < r && c.u8(p + used) == 0) ++used;
        AddField(c, data, "Null Data ()", p, used);
        break;
      }
      case 0x05:
        AddField(c, data, "Program Tab (PT)", p, 1);
        break;
      case 0x11:
      case 0x12: {
        const Taken a = Take(c, p + 1, 2, r - 1);
        if (a.size() == 2)
          AddField(c, data,
                   (order == 0x11 ? "Set Buffer Address (SBA) - "
                                  : "Erase Unprotected to Address (EUA) - ") +
                       AddressText(a, 0),
                   p, 1 + a.Raw);
        used += a.Raw;
        break;
      }
      case 0x13:
        AddField(c, data, "Insert Cursos (IC)", p, 1);
        break;
      case 0x1D: {
        const Taken a = Take(c, p + 1, 1, r - 1);
        DetailNode* item = AddField(c, data, "Start Field (SF)", p, 1 + a.Raw);
        if (a.size() == 1) {
          const std::string value = "0x" + Hex(a.Out[0], 2);
          AddField(c, item, "Field Attribute () - " + value, a.Pos(0), a.Len(0, 1));
          AppendText(c, item, " Attribute: " + value);
        }
        used += a.Raw;
        break;
      }
      case 0x28: {
        const Taken a = Take(c, p + 1, 2, r - 1);
        DetailNode* item = AddField(c, data, "Set Attribute (SA) ", p, 1 + a.Raw);
        if (a.size() == 2) AttributePair(c, item, a, 0);
        used += a.Raw;
        break;
      }
      case 0x29: {
        // Order, count and at least one pair.
        if (r < 4) {
          used = r;
          break;
        }
        const Taken count = Take(c, p + 1, 1, r - 1);
        const size_t n = count.size() == 1 ? count.Out[0] : 0;
        const Taken pairs = Take(c, count.End(), 2 * n, end - count.End());
        used = 1 + count.Raw + pairs.Raw;
        if (pairs.size() > 1) {
          DetailNode* item = AddField(c, data, "Start Field Extended (SFE)", p, used);
          for (size_t j = 0; j + 1 < pairs.size(); j += 2) {
            DetailNode* pair =
                AddField(c, item, "Attribute Pair () - ", pairs.Pos(j), pairs.Len(j, 2));
            AttributePair(c, pair, pairs, j);
          }
        }
        break;
      }
      case 0x3C: {
        const Taken a = Take(c, p + 1, 2, r - 1);
        const Taken ch = Take(c, a.End(), 1, end - a.End());
        used += a.Raw + ch.Raw;
        if (a.size() == 2)
          AddField(c, data, "Repeat to Address (RA) - " + AddressText(a, 0), p, used);
        break;
      }
      default: {
        if (order < kFirstText) return;  // an order not known ends the walk
        const Taken text = Take(c, p, kMaxText3270, r, true);
        std::string ascii;
        ascii.reserve(text.size());
        for (uint8_t b : text.Out) ascii += static_cast<char>(EbcdicToAscii[b]);
        AddField(c, data, "Data () - " + Literal(SafeText(ascii)), p, text.Raw);
        used = text.Raw;
        break;
      }
    }
    p += used;
  }
}

bool MarkedHost(const DecodeContext& c, bool source) {
  const NodeEntryRec* node = c.NetworkNode(source);
  return node && node->TN3270Host;
}

void Mark(DecodeContext& c, bool source) {
  if (NodeEntryRec* node = c.NetworkNode(source)) node->TN3270Host = 1;
}

// 3270 data from a (m bytes): the command or the AID, then structured
// fields or orders.
void Data3270(DecodeContext& c, DetailNode* root, size_t a, size_t m) {
  DetailNode* data = AddBranch(c, root, "3270 Data", a, m);
  const size_t end = a + m;
  size_t p = a;
  if (MarkedHost(c, true)) {
    // Host to terminal: the command and the write control character.
    const Taken t = Take(c, p, 2, m);
    if (t.size() == 0) return;
    const uint8_t command = t.Out[0];
    const std::string name = Name(command, kCommands3270, "");
    if (!name.empty()) {
      AddField(c, data, "Command () - " + name, t.Pos(0), t.Len(0, 1));
      if (t.size() == 2 && command != kCommandWriteStructured)
        AddField(c, data, "Write Control Character () - 0x" + Hex(t.Out[1], 2), t.Pos(1),
                 t.Len(1, 1));
    }
    if (command == kCommandWriteStructured) {
      StructuredFields(c, data, t.Pos(1), end);
      return;
    }
    p = t.End();
  } else {
    // Terminal to host: the AID and the cursor address.
    const Taken t = Take(c, p, 1, m);
    if (t.size() == 0) return;
    const uint8_t aid = t.Out[0];
    const std::string name = Name(aid, kAids, "");
    AddField(c, data, "AID () - " + name, p, t.Raw);
    p = t.End();
    if (aid == kAidStructuredField) {
      StructuredFields(c, data, p, end);
      return;
    }
    if (!name.empty()) {
      if (end - p < 2) return;
      const Taken address = Take(c, p, 2, end - p);
      AddField(c, data, "Buffer Address () - " + AddressText(address, 0), p, address.Raw);
      p = address.End();
    }
  }
  Orders(c, data, p, end);
}

// A data segment between TN3270 stations: the TN3270E header, then the 3270
// data when it carries some.
void Segment3270(DecodeContext& c, DetailNode* root, size_t a, size_t m) {
  if (m <= 4) return;
  const Taken h = Take(c, a, 5, m);
  if (h.size() < 5) return;
  DetailNode* header = AddBranch(c, root, "TN3270 Header", a, h.Raw);
  const uint8_t type = h.Out[0];
  AddField(c, header, "Data Type () - " + std::to_string(type) + " " + Name(type, kDataTypes),
           h.Pos(0), h.Len(0, 1));
  AddField(c, header, "Request Flag () - " + std::to_string(h.Out[1]), h.Pos(1), h.Len(1, 1));
  AddField(c, header, "Response Flag () - " + std::to_string(h.Out[2]), h.Pos(2), h.Len(2, 1));
  AddField(c, header, "Sequence Number () - " + std::to_string(h.Out[3] << 8 | h.Out[4]), h.Pos(3),
           h.Len(3, 2));
  if (type == 0 && h.Raw < m) Data3270(c, root, h.End(), m - h.Raw);
}

// Text lines of plain data from a (m bytes).
void DataLines(DecodeContext& c, DetailNode* root, size_t a, size_t m) {
  std::string line;
  size_t first = a;
  for (size_t i = a; i < a + m; ++i) {
    const uint8_t b = c.u8(i);
    if (b == 0x08)
      line += "/b";
    else if (b == 0x0D)
      line += "/r";
    else if (b == 0x0A)
      line += "/n";
    else
      line += SafeText(std::string_view(reinterpret_cast<const char*>(&b), 1));
    if (b == 0x0A || line.size() > kMaxLineText) {
      AddField(c, root, "Data: " + Literal(line), first, i + 1 - first);
      line.clear();
      first = i + 1;
    }
  }
  if (first < a + m) AddField(c, root, "Data: " + Literal(line), first, a + m - first);
}

void DataSegment(DecodeContext& c, DetailNode* root, size_t a, size_t m) {
  if (MarkedHost(c, true) || MarkedHost(c, false))
    Segment3270(c, root, a, m);
  else
    DataLines(c, root, a, m);
}

// The TN3270E sub-negotiation's lines under `item` (s bytes from i); the
// words they show, for the item's text.
std::string TN3270ESubOption(DecodeContext& c, DetailNode* item, size_t i, size_t s) {
  if (s <= 3) return {};
  const uint8_t word = c.u8(i + 3);
  std::string detail = Name(word, kTN3270EWords);
  AddField(c, item, "TN3270 Type () - " + detail, i + 3, 1);
  if (word == kWordDeviceType && s > 5) {
    const std::string option = Name(c.u8(i + 4), kTN3270EWords);
    AddField(c, item, "Option () - " + option, i + 4, 1);
    detail += " " + option;
    // The device type runs to a control byte or to the end.
    const size_t from = i + 5, end = i + s;
    size_t n = 0;
    while (from + n < end && c.u8(from + n) >= 20) ++n;
    const std::string type = SafeText(c.bytes(from, n));
    AddField(c, item, "Device-Type () - " + Literal(type), from, n);
    detail += " " + type;
    const size_t next = from + n;
    if (next < end) {
      const uint8_t b = c.u8(next);
      if (b < 2) {
        const std::string w = Name(b, kTN3270EWords);
        AddField(c, item, "Device-Type Option () - " + w, next, 1);
        detail += " " + w;
        const std::string name = SafeText(c.bytes(next + 1, end - next - 1));
        if (next + 1 < end) {
          AddField(c, item, "Device-Name () - " + Literal(name), next + 1, end - next - 1);
          detail += " " + name;
        }
      } else {
        AddField(c, item, "Malformed Data", next, end - next);
      }
    }
  } else if (word == kWordSend && s > 4) {
    const std::string what = Name(c.u8(i + 4), kTN3270EWords);
    AddField(c, item, "Send What () - " + what, i + 4, 1);
    detail += " " + what;
  }
  return detail;
}

// The linemode sub-negotiation's lines; the words for the item's text.
std::string LinemodeSubOption(DecodeContext& c, DetailNode* item, size_t i, size_t s) {
  if (s <= 3) return {};
  const uint8_t type = c.u8(i + 3);
  std::string detail = Name(type, kLinemodeCommands);
  AddField(c, item, "Type () - " + detail, i + 3, 1);
  if (type == kLinemodeMode && s > 4) {
    const uint8_t mask = c.u8(i + 4);
    std::string bits;
    for (uint8_t bit = 1; bit <= 32; bit <<= 1) {
      if (!(mask & bit)) continue;
      if (!bits.empty()) bits += "+";
      bits += Name(bit, kModeBits);
    }
    AddField(c, item, "Mask () - " + bits, i + 4, 1);
    detail += " " + bits;
  } else if (type == kLinemodeSLC && s > 6) {
    const size_t d = s - 4;
    DetailNode* triplets = AddField(c, item, "SLC Triplets", i + 4, d);
    for (size_t k = 0; 3 * k + 3 <= d; ++k) {
      const size_t at = i + 4 + 3 * k;
      const uint8_t function = c.u8(at), modifier = c.u8(at + 1), value = c.u8(at + 2);
      std::string text = Name(function, kSlcFunctions, std::to_string(function)) + "," +
                         Name(modifier & 0x0F, kSlcLevels);
      if (modifier & 0x80) text += "+SLC_ACK";
      if (modifier & 0x40) text += "+SLC_FLUSHIN";
      if (modifier & 0x20) text += "+SLC_FLUSHOUT";
      AddField(c, triplets, text + "," + std::to_string(value), at, 3);
    }
  }
  return detail;
}

// The sub-negotiation at i (IAC SB option ...), up to the IAC that closes
// it or the end of the segment; returns its length.
size_t SubNegotiation(DecodeContext& c, DetailNode* root, size_t i) {
  const size_t n = c.PacketLen;
  size_t j = std::min(i + 3, n);
  while (j < n) {
    if (c.u8(j) != kIAC)
      ++j;
    else if (j + 1 < n && c.u8(j + 1) == kIAC)
      j += 2;
    else
      break;
  }
  const size_t s = j - i;
  if (s < 3) return s;  // no option byte
  const uint8_t option = c.u8(i + 2);
  const std::string name = Name(option, kOptions);
  DetailNode* item = AddField(c, root, "", i, s);
  AddField(c, item, "Option () - " + name, i + 2, 1);
  AppendText(c, item, "SubOption: " + name);
  switch (option) {
    case kOptTerminalType:
    case kOptTerminalSpeed:
    case kOptXDisplay: {
      if (s <= 3) break;
      const uint8_t q = c.u8(i + 3);
      const std::string qualifier = Name(q, kQualifiers);
      AddField(c, item, "Type () - " + qualifier, i + 3, 1);
      std::string text;
      if (q == 0 && s > 4) {
        text = SafeText(c.bytes(i + 4, s - 4));
        AddField(c, item, "Value () - " + Literal(text), i + 4, s - 4);
      }
      AppendText(c, item, " " + qualifier + " " + Literal(text));
      break;
    }
    case kOptWindowSize:
      if (s > 4) AddField(c, item, "Window Width () - " + std::to_string(c.be16(i + 3)), i + 3, 2);
      if (s > 6) AddField(c, item, "Window Height () - " + std::to_string(c.be16(i + 5)), i + 5, 2);
      break;
    case kOptFlowControl:
      if (s > 3)
        AddField(c, item, "Flow Control Type () - " + Name(c.u8(i + 3), kFlowControl), i + 3, 1);
      break;
    case kOptLinemode: {
      const std::string detail = LinemodeSubOption(c, item, i, s);
      if (!detail.empty()) AppendText(c, item, " " + detail);
      break;
    }
    case kOptTN3270E: {
      const std::string detail = TN3270ESubOption(c, item, i, s);
      if (!detail.empty()) AppendText(c, item, " " + Literal(detail));
      break;
    }
    default:
      if (s > 3) AddField(c, item, "SubOption Data", i + 3, s - 3);
      break;
  }
  return s;
}

// The command at i (IAC and the byte after it); returns its length.
size_t Command(DecodeContext& c, DetailNode* root, size_t i) {
  const uint8_t command = c.u8(i + 1);
  std::string text;
  size_t length = 2;
  switch (command) {
    case 0xEC:
      text = "End of file";
      break;
    case 0xEF:
      text = "End Of Record";
      break;
    case 0xF0:
      text = "Suboption End";
      break;
    case kSB:
      return SubNegotiation(c, root, i);
    case kWill:
    case kWont:
    case kDo:
    case kDont: {
      static constexpr const char* kVerbs[] = {"Will", "Won't", "Do", "Dont"};
      text = std::string(kVerbs[command - kWill]) + " " + OptionName(c, i + 2);
      length = 3;
      break;
    }
    default:
      text = "Unknown Command";
      break;
  }
  // An option byte past the segment's end is not shown.
  AddField(c, root, "Command: " + text, i, length);
  return length;
}

// The next IAC that starts a command, from b on; the segment's length when
// there is none (a doubled IAC is data, and so is an IAC that ends it).
size_t NextCommand(const DecodeContext& c, size_t b) {
  const size_t n = c.PacketLen;
  for (size_t i = b; i + 1 < n; ++i) {
    if (c.u8(i) != kIAC) continue;
    if (c.u8(i + 1) != kIAC) return i;
    ++i;
  }
  return n;
}

}  // namespace

void TelnetSummary(DecodeContext& c) {
  c.AddDesc("/Telnet");
  c.SetProtocol(ProtoTelnet);
  const size_t n = c.PacketLen;
  if (n > 2 && c.u8(0) == kIAC && c.u8(2) == kOptTN3270E) {
    // The side that says DO TN3270E is the host; one that says WILL
    // talks to it.
    if (c.u8(1) == kDo) Mark(c, true);
    if (c.u8(1) == kWill) Mark(c, false);
  }
  // A TN3270E 3270-data header followed by the Enter AID goes to the host.
  if (n >= 6 && c.u8(0) == 0 && c.u8(1) == 0 && c.u8(2) == 0 && c.u8(5) == 0x7D) Mark(c, false);
}

void TelnetTree(DecodeContext& c, DetailNode* parent) {
  const size_t n = c.PacketLen;
  if (n == 0) return;
  DetailNode* root = AddBranch(c, parent, "Telnet", 0, n);
  size_t b = 0;
  while (b < n) {
    const size_t i = NextCommand(c, b);
    if (b < i) DataSegment(c, root, b, i - b);
    if (i >= n) break;
    b = i + Command(c, root, i);
  }
}

}  // namespace kestle
