// The decoders' shared toolkit: adding tree items, code tables, flag
// pictures and the formatters of addresses, bytes, bits, durations and
// numbers. Their output is what the user sees, so the forms are fixed.
#pragma once

#include <cstdint>
#include <ctime>
#include <span>
#include <string>
#include <string_view>

namespace kestle {

class DecodeContext;
struct DetailNode;
struct Environment;
class NodeRegistry;

struct LookupTableRec {
  uint16_t Code;
  const char* Text;
};
struct LookupTableLongRec {
  uint32_t Code;
  const char* Text;
};
struct FlagTabRec {
  uint32_t Mask;
  const char* SetText;    // "" = no line when set
  const char* ClearText;  // "" = no line when clear
};

// ---- tree items

// Adds an item. "()" becomes the field's length ("(1 byte)", "(N bytes)")
// or disappears when DisplayLength is off; outside print mode a " - "
// before column 50 of a child item becomes padding to column 50. Offset is
// counted from the frame start. Returns nullptr in the summary pass.
DetailNode* AddDetailNode(DecodeContext& c, DetailNode* parent, std::string text,
                          uint32_t offset, int image, uint32_t length);
// Adds an item whose text comes from the frame: taken exactly as it is.
DetailNode* AddDetailNodeLiteral(DecodeContext& c, DetailNode* parent, std::string text,
                                 uint32_t offset, int image, uint32_t length);
// AddDetailNode with the offset given within the current layer.
DetailNode* AddField(DecodeContext& c, DetailNode* parent, std::string text, size_t at,
                     size_t length, int image = 1);
// The text AddDetailNode would show (exposed for tests and the print tree).
std::string DetailText(std::string_view text, uint32_t length, bool displayLength,
                       bool align);

// One line per table entry under `item`: the bit picture of the field
// (width code 1 = 8 bits, 2 = 16, 3 = 24, other = 32), " = ", the text.
void AddFlagNodes(DecodeContext& c, DetailNode* item, uint32_t value, int width,
                  std::span<const FlagTabRec> table);
std::string FlagPicture(uint32_t value, uint32_t mask, int width);

// ---- code tables: the first entry with the code wins
std::string_view LookupCode(uint16_t code, std::span<const LookupTableRec> table,
                            std::string_view def);
std::string_view LookupLongCode(uint32_t code, std::span<const LookupTableLongRec> table,
                                std::string_view def);

// ---- addresses
std::string FormatIPv4(uint32_t addr);
// Annotated: multicast group names, host names found by the lookup.
std::string FormatIPv4(const DecodeContext& c, uint32_t addr, bool annotate);
std::string FormatIPv6(const uint8_t addr[16], bool annotate = false);
std::string FormatMAC(const uint8_t mac[6]);
// Annotated: broadcast, locally administered, multicast group, vendor and
// the IPv4 address learnt for the station.
std::string FormatMAC(const DecodeContext& c, const uint8_t mac[6], bool annotate);
std::string FormatMAC(const Environment& env, const NodeRegistry* nodes, const uint8_t mac[6],
                      bool annotate);
// Group name of an IPv4 multicast address's lower 24 bits, or nullptr.
const char* MulticastName(uint32_t key24);

// ---- bytes, bits, numbers, times
// "0x" and the bytes from 1-based position `start` of the current layer;
// with a limit, at most limit + 1 bytes and then "...". Bytes past the
// layer are not shown.
std::string FormatHexBytes(const DecodeContext& c, size_t start, size_t count, size_t limit);
std::string HexBytes(std::string_view bytes, size_t limit = 0);
std::string FormatBits(uint32_t value, int digits);
std::string FormatDuration(uint32_t seconds);
std::string PadLeft(std::string_view text, size_t width);
std::string FormatThousands(uint64_t n, std::string_view sep = ",");
// Days since 1899-12-30 with the time of day as fraction.
double UnixToDateTime(uint32_t seconds, int biasMinutes);
// Minutes to add to local time to get UTC, at the given instant.
int GetTimeZoneBias(std::time_t at);
int GetTimeZoneBias();
// Hex digits in upper case, zero-padded to `width`.
std::string Hex(uint64_t value, int width);
// A byte string made safe for display: printable ASCII kept, others ".".
std::string SafeText(std::string_view bytes);

}  // namespace kestle
