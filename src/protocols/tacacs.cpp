#include "protocols/tacacs.h"

#include <algorithm>
#include <span>
#include <string>
#include <string_view>

#include "decode/addresses.h"
#include "decode/context.h"
#include "decode/fields.h"
#include "decode/lookup.h"
#include "decode/protocol_ids.h"
#include "decode/text.h"

namespace kestle {

namespace {

constexpr LookupTableRec kTypes[] = {{1, "Login"},    {2, "Response"}, {3, "Change"},
                                     {4, "Follow"},   {5, "Connect"},  {6, "Superuser"},
                                     {7, "Logout"},   {8, "Reload"},   {9, "Slipon"},
                                     {10, "Slipoff"}, {11, "Slipaddr"}};
constexpr LookupTableRec kResponses[] = {{1, "Accepted"}, {2, "Rejected"}};
constexpr LookupTableRec kReasons[] = {{0, "None"}, {1, "Expiring"}, {2, "Password"}, {3, "Denied"},
                                       {4, "Quit"}, {5, "Idle"},     {6, "Drop"},     {7, "Bad"}};
constexpr LookupTableRec kPacketTypes[] = {
    {1, "Authentication"}, {2, "Authorization"}, {3, "Accounting"}};
constexpr LookupTableRec kActions[] = {
    {1, "Login"}, {2, "Change Password"}, {3, "SendPass"}, {4, "SendAuth"}};
constexpr LookupTableRec kAuthenticationTypes[] = {
    {1, "ASCII"}, {2, "PAP"}, {3, "CHAP"}, {4, "ARAP"}, {5, "MSCHAP"}};
constexpr LookupTableRec kServices[] = {{0, "None"}, {1, "Login"},  {2, "Enable"}, {3, "PPP"},
                                        {4, "ARAP"}, {5, "PT"},     {6, "RCMD"},   {7, "X25"},
                                        {8, "NASI"}, {9, "FWPROXY"}};
constexpr LookupTableRec kStatuses[] = {{1, "Pass"},    {2, "Fail"},    {3, "GetData"},
                                        {4, "GetUser"}, {5, "GetPass"}, {6, "Restart"},
                                        {7, "Error"},   {33, "Follow"}};
constexpr const char* kStartFields[] = {"User", "Port", "Remote Address", "Data"};

constexpr uint8_t kTacacs = 0x0, kXtacacs = 0x8, kTacacsPlus = 0xC;
constexpr uint8_t kResponse = 2;
constexpr uint8_t kAuthentication = 1;
constexpr uint8_t kUnencrypted = 0x01, kSingleConnection = 0x04;
constexpr size_t kPlusHeader = 12;
// Bytes of encrypted data shown in hex before "...".
constexpr size_t kEncryptedShown = 32;

// The number and its name: "1 (Login)".
std::string Coded(uint8_t value, std::span<const LookupTableRec> table) {
  return std::to_string(value) + " (" + std::string(LookupCode(value, table, "Unknown")) + ")";
}

// The user name and password after the fixed fields, at `at`.
void UserAndPassword(DecodeContext& c, DetailNode* root, size_t at) {
  // A name or password cut short ends the branch (the writer refuses it and
  // marks the layer truncated); one of length 0 has no line.
  const size_t user = c.u8(4), password = c.u8(5);
  if (user != 0) AddField(c, root, "User () - " + Literal(SafeText(c.bytes(at, user))), at, user);
  if (password != 0)
    AddField(c, root, "Password () - " + Literal(SafeText(c.bytes(at + user, password))), at + user,
             password);
}

void TacacsTree(DecodeContext& c, DetailNode* parent) {
  DetailNode* root = AddBranch(c, parent, "TACACS", 0, c.PacketLen);
  const uint8_t type = c.u8(1);
  AddField(c, root, "Version () - 0x" + Hex(c.u8(0), 2), 0, 1);
  AddField(c, root, "Type () - " + Coded(type, kTypes), 1, 1);
  AddField(c, root, "Nonce () - 0x" + Hex(c.be16(2), 4), 2, 2);
  if (type == kResponse) {
    AddField(c, root, "User Response () - " + Coded(c.u8(4), kResponses), 4, 1);
    AddField(c, root, "Password Response () - " + Coded(c.u8(5), kResponses), 5, 1);
    return;
  }
  AddField(c, root, "User Length () - " + std::to_string(c.u8(4)), 4, 1);
  AddField(c, root, "Password Length () - " + std::to_string(c.u8(5)), 5, 1);
  UserAndPassword(c, root, 6);
}

void XtacacsTree(DecodeContext& c, DetailNode* parent) {
  DetailNode* root = AddBranch(c, parent, "XTACACS", 0, c.PacketLen);
  const uint8_t type = c.u8(1);
  AddField(c, root, "Version () - 0x" + Hex(c.u8(0), 2), 0, 1);
  AddField(c, root, "Type () - " + Coded(type, kTypes), 1, 1);
  AddField(c, root, "Nonce () - 0x" + Hex(c.be16(2), 4), 2, 2);
  AddField(c, root, "User Length () - " + std::to_string(c.u8(4)), 4, 1);
  AddField(c, root, "Password Length () - " + std::to_string(c.u8(5)), 5, 1);
  const uint8_t response = c.u8(6), reason = c.u8(7);
  AddField(c, root,
           "Response () - " +
               (type == kResponse ? Coded(response, kResponses) : std::to_string(response)),
           6, 1);
  AddField(c, root,
           "Reason () - " + (type == kResponse ? Coded(reason, kReasons) : std::to_string(reason)),
           7, 1);
  AddField(c, root, "Result1 () - 0x" + Hex(c.be32(8), 8), 8, 4);
  AddField(c, root, "Destination Host () - " + FormatIPv4(c.be32(12)), 12, 4);
  AddField(c, root, "Dest Port () - " + std::to_string(c.be16(16)), 16, 2);
  AddField(c, root, "Line () - " + std::to_string(c.be16(18)), 18, 2);
  AddField(c, root, "Result2 () - " + Hex(c.be32(20), 8), 20, 4);
  AddField(c, root, "Result3 () - " + Hex(c.be16(24), 4), 24, 2);
  UserAndPassword(c, root, 26);
}

// A text field of `length` bytes at `at` of a body `bodyLength` long; false
// (nothing added) when the body does not hold it.
bool BodyText(DecodeContext& c, DetailNode* root, std::string label, size_t at, size_t length,
              size_t bodyLength) {
  if (at + length > bodyLength) return false;
  AddField(c, root, std::move(label) + Literal(SafeText(c.bytes(at, length))), at, length);
  return true;
}

void AuthenticationStart(DecodeContext& c, DetailNode* root, size_t body) {
  AddField(c, root, "Action () - " + Coded(c.u8(0), kActions), 0, 1);
  AddField(c, root, "privilege level () - " + std::to_string(c.u8(1)), 1, 1);
  AddField(c, root, "Authentication Type () - " + Coded(c.u8(2), kAuthenticationTypes), 2, 1);
  AddField(c, root, "Service () - " + Coded(c.u8(3), kServices), 3, 1);
  for (size_t i = 0; i < 4; ++i)
    AddField(c, root, std::string(kStartFields[i]) + " Length () - " + std::to_string(c.u8(4 + i)),
             4 + i, 1);
  if (!c.has(0, 8)) return;
  size_t at = 8;
  for (size_t i = 0; i < 4; ++i) {
    const size_t length = c.u8(4 + i);
    if (length != 0 &&
        !BodyText(c, root, std::string(kStartFields[i]) + " () - ", at, length, body))
      return;
    at += length;
  }
}

// A reply's or continue's message and data, after their fixed fields.
void MessageAndData(DecodeContext& c, DetailNode* root, const char* label, size_t at,
                    size_t message, size_t data, size_t body) {
  if (message != 0 && !BodyText(c, root, label, at, message, body)) return;
  at += message;
  if (data != 0 && at + data <= body)
    AddField(c, root, "Data () - " + HexBytes(c.bytes(at, data)), at, data);
}

void AuthenticationReply(DecodeContext& c, DetailNode* root, size_t body) {
  AddField(c, root, "Status () - " + Coded(c.u8(0), kStatuses), 0, 1);
  AddField(c, root, "Flags () - 0x" + Hex(c.u8(1), 2), 1, 1, TreeImage::Flags);
  const uint16_t message = c.be16(2), data = c.be16(4);
  AddField(c, root, "Server Message Length () - " + std::to_string(message), 2, 2);
  AddField(c, root, "Data Length () - " + std::to_string(data), 4, 2);
  if (!c.has(0, 6)) return;
  MessageAndData(c, root, "Server Message () - ", 6, message, data, body);
}

void AuthenticationContinue(DecodeContext& c, DetailNode* root, size_t body) {
  const uint16_t message = c.be16(0), data = c.be16(2);
  AddField(c, root, "User Message Length () - " + std::to_string(message), 0, 2);
  AddField(c, root, "Data Length () - " + std::to_string(data), 2, 2);
  AddField(c, root, "Flags () - 0x" + Hex(c.u8(4), 2), 4, 1, TreeImage::Flags);
  if (!c.has(0, 5)) return;
  MessageAndData(c, root, "User Message () - ", 5, message, data, body);
}

void TacacsPlusTree(DecodeContext& c, DetailNode* parent) {
  DetailNode* root = AddBranch(c, parent, "Tacacs+", 0, c.PacketLen);
  const uint8_t version = c.u8(0), type = c.u8(1), sequence = c.u8(2), flags = c.u8(3);
  const uint32_t length = c.be32(8);
  AddField(c, root, "Major Version () - " + std::to_string(version >> 4), 0, 1);
  AddField(c, root, "Minor Version () - " + std::to_string(version & 0x0F), 0, 1);
  AddField(c, root, "Packet Type () - " + Coded(type, kPacketTypes), 1, 1);
  AddField(c, root, "Sequence Number () - " + std::to_string(sequence), 2, 1);
  AddField(c, root,
           "Flags () - 0x" + Hex(flags, 2) + " (" +
               ((flags & kSingleConnection) ? "Single Connection" : "Multiple Connections") +
               ((flags & kUnencrypted) ? ",Unencrypted Data)" : ",Encrypted Data)"),
           3, 1, TreeImage::Flags);
  AddField(c, root, "Session ID () - " + std::to_string(c.be32(4)), 4, 4);
  AddField(c, root, "Data Length () - " + std::to_string(length), 8, 4);
  // The body must be there whole (compared without adding to the length,
  // which could wrap).
  if (c.PacketLen < kPlusHeader || length > c.PacketLen - kPlusHeader) return;
  if (!(flags & kUnencrypted)) {
    const std::string hex = HexBytes(c.bytes(kPlusHeader, length), kEncryptedShown - 1);
    AddField(c, root, "Encrypted Data () - " + (hex.empty() ? std::string("0x") : hex), kPlusHeader,
             length);
    return;
  }
  if (type != kAuthentication) return;
  c.enter(kPlusHeader);
  c.limit(length);
  if (sequence == 1)
    AuthenticationStart(c, root, length);
  else if (sequence % 2 == 1)
    AuthenticationContinue(c, root, length);
  else
    AuthenticationReply(c, root, length);
}

}  // namespace

void TACACSSummary(DecodeContext& c) {
  if (c.PacketLen == 0) return;
  const uint8_t variant = c.u8(0) >> 4;
  const bool more = c.has(1, 1);
  if (variant == kTacacs || variant == kXtacacs) {
    c.SetProtocol(variant == kTacacs ? ProtoTACACS : ProtoXTACACS);
    c.AddDesc(variant == kTacacs ? "/TACACS" : "/XTACACS");
    if (more) {
      c.AddDesc("/");
      c.AddDesc(LookupCode(c.u8(1), kTypes, "Unknown"));
    }
  } else if (variant == kTacacsPlus) {
    c.SetProtocol(ProtoTACACSPlus);
    c.AddDesc("/TACACS+");
    if (more) {
      c.AddDesc("/");
      c.AddDesc(LookupCode(c.u8(1), kPacketTypes, "Unknown"));
    }
    if (c.has(2, 1)) c.AddDesc(c.u8(2) % 2 == 1 ? "/Request" : "/Response");
  }
}

void TACACSTree(DecodeContext& c, DetailNode* parent) {
  const size_t n = c.PacketLen;
  if (n == 0) return;
  const uint8_t variant = c.u8(0) >> 4;
  if (variant == kTacacs && n > 5)
    TacacsTree(c, parent);
  else if (variant == kXtacacs && n > 5)
    XtacacsTree(c, parent);
  else if (variant == kTacacsPlus && n > 11)
    TacacsPlusTree(c, parent);
}

}  // namespace kestle
