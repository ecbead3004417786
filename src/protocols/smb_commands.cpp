#include "protocols/smb_commands.h"

#include <algorithm>
#include <string>

#include "decode/context.h"
#include "decode/fields.h"
#include "decode/lookup.h"
#include "decode/strings.h"
#include "decode/text.h"
#include "protocols/smb.h"

namespace kestle {

namespace {

constexpr FlagTabRec kNtCreateFlags[] = {
    {0x2, "Request an oplock", "do not request an oplock"},
    {0x4, "Request a batch oplock", "Do not request a batch oplock"},
    {0x8, "Target of open must be directory", "Target of open can be file"},
};

constexpr FlagTabRec kAccessMask[] = {
    {0x80000000, "Generic Read: on", "Generic Read: off"},
    {0x40000000, "Generic Write: on", "Generic Write: off"},
    {0x20000000, "Generic Execute: on", "Generic Execute: off"},
    {0x10000000, "Generic All: on", "Generic All: off"},
    {0x02000000, "Maximum Allowed: on", "Maximum Allowed: off"},
    {0x01000000, "Access System Security: on", "Access System Security: off"},
    {0x00100000, "Synchronize: on", "Synchronize: off"},
    {0x00080000, "Write Owner: on", "Write Owner: off"},
    {0x00040000, "Write DAC: on", "Write DAC: off"},
    {0x00020000, "Read Control: on", "Read Control: off"},
    {0x00010000, "Delete: on", "Delete: off"},
};

constexpr FlagTabRec kFileAttributes[] = {
    {0x4000, "Encrypted", "Not Encrypted"},
    {0x2000, "Indexed", "Not Indexed"},
    {0x1000, "Offline", "Not Offline"},
    {0x800, "Compressed", "Not Compressed"},
    {0x400, "Has Reparse Point", "No Reparse Point"},
    {0x200, "Sparse", "Not Sparse"},
    {0x100, "Temporary", "Not Temporary"},
    {0x80, "Has Attributes", "No Attributes"},
    {0x40, "Device", "Not Device"},
    {0x20, "Archive", "Not Archive"},
    {0x10, "Directory", "Not Directory"},
    {0x8, "Volume ID", "Not Volume ID"},
    {0x4, "System File", "Not System File"},
    {0x2, "Hidden", "Not Hidden File"},
    {0x1, "Read Only", "Not Read Only"},
};

constexpr FlagTabRec kShareAccess[] = {
    {0x4, "Shared for Delete", "Not Shared for Delete"},
    {0x2, "Shared for Write", "Not Shared for Write"},
    {0x1, "Shared for Read", "Not Shared for Read"},
};

constexpr LookupTableRec kDispositions[] = {
    {0, "File_Supercede"}, {1, "File_Open"},      {2, "File_Create"},
    {3, "File_Open_If"},   {4, "File_Overwrite"}, {5, "File_Overwrite_If"},
};

constexpr LookupTableRec kImpersonationLevels[] = {
    {0, "Anonymous"},
    {1, "Identification"},
    {2, "Impersonation"},
    {3, "Delegation"},
};

constexpr FlagTabRec kLanmanSecurityMode[] = {
    {0x1, "User", "Share"},
    {0x2, "Use challenge/response authentication", ""},
};

constexpr FlagTabRec kNtSecurityMode[] = {
    {0x1, "User", "Share"},
    {0x2, "Encrypt passwords", "Do not encrypt passwords"},
    {0x4, "Security signatures enabled", ""},
    {0x8, "Security signatures required", ""},
};

constexpr FlagTabRec kCapabilities[] = {
    {0x4, "Supports Unicode strings", "Does not support Unicode strings"},
    {0x8, "Supports large files", "Does not support large files"},
    {0x10, "Understands NTLM 0.12 SMB commands", "does not understand NTLM 0.12 SMB commands"},
    {0x40, "Supports NT error codes", "does not support NT error codes"},
    {0x80, "Understands level II oplocks", "does not understand level II oplocks"},
};

constexpr FlagTabRec kAction[] = {{0x1, "Logged in as GUEST", "Not Logged in as GUEST"}};

constexpr uint8_t kTransaction = 0x25, kEcho = 0x2B, kTransaction2 = 0x32, kTreeDisconnect = 0x71,
                  kNegotiate = 0x72, kSessionSetup = 0x73, kLogoff = 0x74, kTreeConnect = 0x75,
                  kNtCreate = 0xA2;
constexpr uint8_t kNoCommand = 0xFF;
constexpr size_t kHeader = 32;  // the offsets of the header count from its start

std::string Num(uint64_t v) { return std::to_string(v); }

std::string CommandName(uint8_t command) {
  const std::string_view name = SMBCommandName(command);
  return name.empty() ? "Unknown" : std::string(name);
}

// "0x" and the bytes, at most `max` of them and then "..."; "" for none.
std::string HexText(const DecodeContext& c, size_t at, size_t count, size_t max) {
  return HexBytes(c.bytes(at, count), max - 1);
}

void AddAndX(DecodeContext& c, DetailNode* root) {
  const uint8_t next = c.u8(1);
  AddField(c, root,
           next == kNoCommand
               ? std::string("AndXCommand () - 0xff (No Command)")
               : "AndXCommand () - 0x" + Hex(next, 2) + " (" + CommandName(next) + ")",
           1, 1);
}

// A string field as long as the bytes the reader took.
size_t AddString(DecodeContext& c, DetailNode* parent, const char* label, size_t at, bool unicode,
                 size_t limit) {
  const FrameString s = ReadString(c, at, unicode, limit);
  AddField(c, parent, label + Literal(s.Text), at, s.Length);
  return s.Length;
}

// The bytes the layer holds from `at`, at most `n`: limits that the frame
// sets are never trusted beyond them.
size_t Present(const DecodeContext& c, size_t at, size_t n) {
  return at < c.PacketLen ? std::min(n, c.PacketLen - at) : 0;
}

// ---------------------------------------------------------------- commands

void Echo(DecodeContext& c, DetailNode* parent, const SmbMessage& m) {
  if (c.PacketLen <= 4) return;
  const uint16_t count = c.le16(3);
  DetailNode* root =
      AddBranch(c, parent, std::string("SMB_COM_ECHO ") + (m.Request ? "Request" : "Response"), 0,
                size_t{count} + 5);
  AddField(c, root, "Word Count () - " + Num(c.u8(0)), 0, 1);
  AddField(c, root, (m.Request ? "Echo Count () - " : "Sequence Number () - ") + Num(c.le16(1)), 1,
           2);
  AddField(c, root, "Echo Data Count () - " + Num(count), 3, 2);
  AddField(c, root, "Echo Data ()", 5, count);
}

void Logoff(DecodeContext& c, DetailNode* parent, const SmbMessage& m) {
  if (c.PacketLen <= 6) return;
  DetailNode* root = AddBranch(c, parent, CommandName(m.Command), 0, 7);
  AddField(c, root, "Wordcount () - " + Num(c.u8(0)), 0, 1);
  AddAndX(c, root);
  AddField(c, root, "Reserved () - " + Num(c.u8(2)), 2, 1);
  AddField(c, root, "AndXOffset () - " + Num(c.le16(3)), 3, 2);
  AddField(c, root, "Byte Count () - " + Num(c.le16(5)), 5, 2);
}

void TreeDisconnect(DecodeContext& c, DetailNode* parent) {
  if (c.PacketLen <= 2) return;
  DetailNode* root = AddBranch(c, parent, "SMB_COM_TREE_DISCONNECT", 0, 3);
  AddField(c, root, "Word Count () - " + Num(c.u8(0)), 0, 1);
  AddField(c, root, "Data Count () - " + Num(c.le16(1)), 1, 2);
}

// "UTC+1", "UTC-0", "330 mins from UTC".
std::string ZoneText(int16_t z) {
  if (z % 60 != 0) return std::to_string(z) + " mins from UTC";
  if (z <= 0) return "UTC-" + std::to_string(-z / 60);
  return "UTC+" + std::to_string(z / 60);
}

void NegotiateResponse17(DecodeContext& c, DetailNode* root) {
  AddField(c, root, "Dialect Index () - " + Num(c.le16(1)), 1, 2);
  AddFlagNodes(c,
               AddField(c, root, "Security Mode () - 0x" + Hex(c.u8(3), 2), 3, 1, TreeImage::Flags),
               c.u8(3), 1, kNtSecurityMode);
  AddField(c, root, "Max multiplex count () - " + Num(c.le16(4)), 4, 2);
  AddField(c, root, "Max Vcs number () - " + Num(c.le16(6)), 6, 2);
  AddField(c, root, "Max buffer size () - " + Num(c.le32(8)), 8, 4);
  AddField(c, root, "Max raw size () - " + Num(c.le32(12)), 12, 4);
  AddField(c, root, "Session key () - 0x" + Hex(c.le32(16), 8), 16, 4);
  const uint32_t caps = c.le32(20);
  AddField(c, root, "Capabilities () - 0x" + Hex(caps, 8), 20, 4, TreeImage::Flags);
  AddField(c, root, "System time(low) () - 0x" + Hex(c.le32(24), 8), 24, 4);
  AddField(c, root, "System time(high) () - 0x" + Hex(c.le32(28), 8), 28, 4);
  AddField(c, root, "Server time zone () - " + ZoneText(static_cast<int16_t>(c.le16(32))), 32, 2);
  const uint8_t keyLength = c.u8(34);
  const uint16_t dataBytes = c.le16(35);
  AddField(c, root, "Encryption key length () - " + Num(keyLength), 34, 1);
  AddField(c, root, "Data Bytes () - " + Num(dataBytes), 35, 2);
  constexpr size_t kKey = 37;
  if (keyLength != 0)
    AddField(c, root, "Encryption key () - " + HexText(c, kKey, keyLength, 32), kKey, keyLength);
  if (keyLength >= dataBytes) return;
  const size_t at = kKey + keyLength, rest = dataBytes - keyLength;
  if (caps & 0x80000000) {
    AddField(c, root, "GUID () - " + HexText(c, at, rest, 32), at, rest);
  } else if (caps & 0x4) {
    std::string domain;
    for (size_t i = 0; i + 2 <= Present(c, at, rest); i += 2) {
      const uint16_t unit = c.le16(at + i);
      if (unit == 0) break;
      domain += unit >= 0x20 && unit <= 0x7E ? static_cast<char>(unit) : '.';
    }
    AddField(c, root, "Domain () - " + Literal(domain), at, rest);
  } else {
    std::string domain = SafeText(c.bytes(at, std::min<size_t>(rest, 32)));
    if (rest > 32) domain += "...";
    AddField(c, root, "Domain () - " + Literal(domain), at, rest);
  }
}

void Negotiate(DecodeContext& c, DetailNode* parent, const SmbMessage& m) {
  if (c.PacketLen <= 2) return;
  // The byte count follows the parameter words.
  const uint8_t words = c.u8(0);
  const size_t countAt = 1 + 2 * size_t{words};
  const uint16_t bytes = c.le16(countAt);
  const size_t total = countAt + 2 + bytes;
  DetailNode* root = AddBranch(c, parent, "SMB_COM_TREE_NEGOTIATE", 0, total);
  AddField(c, root, "Word Count () - " + Num(words), 0, 1);
  if (!c.has(0, total)) return;
  if (m.Request) {
    AddField(c, root, "Data Count () - " + Num(bytes), countAt, 2);
    const size_t start = countAt + 2, end = start + bytes;
    DetailNode* dialects = AddBranch(c, root, "Dialects", start, bytes);
    for (size_t p = start; p < end;) {
      const uint8_t marker = c.u8(p);
      const FrameString name = ReadString(c, p + 1, false, end - p - 1);
      AddField(c, dialects,
               "Dialect: Marker = 0x" + Hex(marker, 2) + ", Name=" + Literal(name.Text), p,
               name.Length + 1);
      p += name.Length + 1;
    }
    return;
  }
  switch (words) {
    case 1:
      AddField(c, root, "Dialect Index () - " + Num(c.le16(1)), 1, 2);
      AddField(c, root, "Data Count () - " + Num(c.le16(3)), 3, 2);
      break;
    case 13:
      AddField(c, root, "Dialect Index () - " + Num(c.le16(1)), 1, 2);
      AddFlagNodes(
          c, AddField(c, root, "Security Mode () - 0x" + Hex(c.u8(3), 2), 3, 1, TreeImage::Flags),
          c.u8(3), 1, kLanmanSecurityMode);
      AddField(c, root, "Max buffer size () - " + Num(c.le16(4)), 4, 2);
      AddField(c, root, "Max pending multiplex requests () - " + Num(c.le16(6)), 6, 2);
      AddField(c, root, "Max client server VCs () - " + Num(c.le16(8)), 8, 2);
      AddField(c, root, "Raw Mode () - " + Num(c.le16(10)), 10, 2);
      AddField(c, root, "Session key () - 0x" + Hex(c.le32(12), 8), 12, 4);
      break;
    case 17:
      NegotiateResponse17(c, root);
      break;
    default:
      AddField(c, root, "Unexpected Word Count, formatting notdone", 0, 1);
      break;
  }
}

// NativeOS and NativeLanMan within `limit` bytes from `at`.
void AddNativeStrings(DecodeContext& c, DetailNode* root, size_t at, bool unicode, size_t limit) {
  const size_t os = AddString(c, root, "NativeOS () - ", at, unicode, limit);
  AddString(c, root, "NativeLanMan () - ", at + os, unicode, limit - std::min(os, limit));
}

void SessionSetup(DecodeContext& c, DetailNode* parent, const SmbMessage& m) {
  if (c.PacketLen <= 2) return;
  DetailNode* root = AddBranch(
      c, parent, std::string("SMB_COM_SESSION_SETUP_ANDX ") + (m.Request ? "Request" : "Response"),
      0, c.PacketLen);
  const uint8_t words = c.u8(0);
  AddField(c, root, "Wordcount () - " + Num(words), 0, 1);
  AddAndX(c, root);
  AddField(c, root, "AndXReserved ()", 2, 1);
  AddField(c, root, "AndXOffset () - " + Num(c.le16(3)), 3, 2);
  if (m.Request) {
    AddField(c, root, "MaxBufferSize () - " + Num(c.le16(5)), 5, 2);
    AddField(c, root, "MaxMPXCount () - " + Num(c.le16(7)), 7, 2);
    AddField(c, root, "VCNumber () - " + Num(c.le16(9)), 9, 2);
    AddField(c, root, "Session Key () - 0x" + Hex(c.le32(11), 8), 11, 4);
    if (words != 12) return;
    const uint16_t blob = c.le16(15), bytes = c.le16(25);
    AddField(c, root, "Security Blob Length () - " + Num(blob), 15, 2);
    AddField(c, root, "Reserved () - 0x" + Hex(c.le32(17), 8), 17, 4);
    AddFlagNodes(
        c, AddField(c, root, "Capabilities () - 0x" + Hex(c.le32(21), 8), 21, 4, TreeImage::Flags),
        c.le32(21), 4, kCapabilities);
    AddField(c, root, "Byte Count () - " + Num(bytes), 25, 2);
    if (!Added(c, AddField(c, root, "Security Blob () - " + HexText(c, 27, blob, 32), 27, blob)))
      return;
    AddNativeStrings(c, root, 27 + size_t{blob}, m.Unicode, bytes > blob ? bytes - blob : 0);
    return;
  }
  if (words != 3 && words != 4) return;
  AddFlagNodes(c, AddField(c, root, "Action () - 0x" + Hex(c.le16(5), 4), 5, 2, TreeImage::Flags),
               c.le16(5), 2, kAction);
  if (words != 4) return;
  const uint16_t blob = c.le16(7), bytes = c.le16(9);
  AddField(c, root, "Security Blob Length () - " + Num(blob), 7, 2);
  AddField(c, root, "Byte Count () - " + Num(bytes), 9, 2);
  if (!Added(c, AddField(c, root, "Security Blob () - " + HexText(c, 11, blob, 32), 11, blob)))
    return;
  AddNativeStrings(c, root, 11 + size_t{blob}, m.Unicode, bytes > blob ? bytes - blob : 0);
}

void TreeConnect(DecodeContext& c, DetailNode* parent, const SmbMessage& m) {
  if (c.PacketLen <= 2) return;
  DetailNode* root = AddBranch(
      c, parent, std::string("SMB_COM_TREE_CONNECT_ANDX ") + (m.Request ? "Request" : "Response"),
      0, c.PacketLen);
  AddField(c, root, "Wordcount () - " + Num(c.u8(0)), 0, 1);
  AddAndX(c, root);
  AddField(c, root, "AndXReserved ()", 2, 1);
  AddField(c, root, "AndXOffset () - " + Num(c.le16(3)), 3, 2);
  if (!m.Request) return;
  AddField(c, root, "Flags () - 0x" + Hex(c.le16(5), 4), 5, 2, TreeImage::Flags);
  const uint16_t password = c.le16(7);
  AddField(c, root, "Password Length () - " + Num(password), 7, 2);
  AddField(c, root, "Byte Count () - " + Num(c.le16(9)), 9, 2);
  const std::string hex = password ? HexText(c, 11, password, 32) : "0x";
  if (!Added(c, AddField(c, root, "Password () - " + hex, 11, password))) return;
  const size_t path = 11 + size_t{password};
  const size_t taken = AddString(c, root, "Path () - ", path, m.Unicode, c.PacketLen);
  AddString(c, root, "Service () - ", path + taken, false, c.PacketLen);
}

void NtCreate(DecodeContext& c, DetailNode* parent, const SmbMessage& m) {
  if (c.PacketLen <= 23) return;
  DetailNode* root = AddBranch(c, parent, CommandName(m.Command) + " Request", 0, 0);
  AddField(c, root, "Wordcount () - " + Num(c.u8(0)), 0, 1);
  AddAndX(c, root);
  AddField(c, root, "Reserved () - " + Num(c.u8(2)), 2, 1);
  AddField(c, root, "AndXOffset () - " + Num(c.le16(3)), 3, 2);
  AddField(c, root, "Reserved () - " + Num(c.u8(5)), 5, 1);
  const uint16_t nameLength = c.le16(6);
  AddField(c, root, "File Name Length () - " + Num(nameLength), 6, 2);
  auto flags32 = [&](const char* label, size_t at, std::span<const FlagTabRec> table) {
    const uint32_t v = c.le32(at);
    AddFlagNodes(c, AddField(c, root, label + Hex(v, 8), at, 4, TreeImage::Flags), v, 4, table);
  };
  flags32("Flags () - 0x", 8, kNtCreateFlags);
  AddField(c, root, "Root Directory FID () - 0x" + Hex(c.le32(12), 8), 12, 4);
  flags32("Access Mask () - 0x", 16, kAccessMask);
  AddField(c, root, "Allocation Size () - " + Num(c.le64(20)), 20, 8);
  flags32("File Attributes () - 0x", 28, kFileAttributes);
  flags32("Share Access () - 0x", 32, kShareAccess);
  const uint32_t disposition = c.le32(36), level = c.le32(44);
  AddField(c, root,
           "Create Disposition () - " + Num(disposition) + " " +
               std::string(disposition <= 0xFFFF ? LookupCode(static_cast<uint16_t>(disposition),
                                                              kDispositions, "Unknown")
                                                 : "Unknown"),
           36, 4, TreeImage::Flags);
  AddField(c, root, "Create Options () - 0x" + Hex(c.le32(40), 8), 40, 4, TreeImage::Flags);
  AddField(c, root,
           "Impersonation Level () - " + Num(level) + " " +
               std::string(level <= 0xFFFF
                               ? LookupCode(static_cast<uint16_t>(level), kImpersonationLevels, "")
                               : ""),
           44, 4, TreeImage::Flags);
  AddField(c, root, "Security Flags () - 0x" + Hex(c.u8(48), 2), 48, 1, TreeImage::Flags);
  const uint16_t bytes = c.le16(49);
  AddField(c, root, "Byte Count () - " + Num(bytes), 49, 2);
  AddField(c, root, "Padding ()", 51, 1);
  // The name lies in the byte count's bytes after the padding.
  constexpr size_t kName = 52;
  const size_t length = Present(c, kName, bytes > 0 ? bytes - 1u : 0);
  const FrameString name = ReadString(c, kName, m.Unicode, std::min<size_t>(nameLength, length));
  AddField(c, root, "Name () - " + Literal(name.Text), kName, length);
}

void Transaction(DecodeContext& c, DetailNode* parent, const SmbMessage& m) {
  if (c.PacketLen <= 4) return;
  DetailNode* root = AddBranch(c, parent, CommandName(m.Command) + " Request", 0, 0);
  const uint8_t words = c.u8(0);
  const size_t setup = words >= 15 ? words - 14u : 0;
  AddField(c, root, "Word Count () - " + Num(words), 0, 1);
  AddField(c, root, "Total Parameter Count () - " + Num(c.le16(1)), 1, 2);
  AddField(c, root, "Total Data Count () - " + Num(c.le16(3)), 3, 2);
  AddField(c, root, "Max Parameter Count () - " + Num(c.le16(5)), 5, 2);
  AddField(c, root, "Max Data Count () - " + Num(c.le16(7)), 7, 2);
  AddField(c, root, "Max Setup Count () - " + Num(c.u8(9)), 9, 1);
  AddField(c, root, "Reserved ()", 10, 1);
  AddField(c, root, "Flags () - 0x" + Hex(c.le16(11), 4), 11, 2, TreeImage::Flags);
  AddField(c, root, "Timeout () - " + Num(c.le32(13)), 13, 4);
  AddField(c, root, "Reserved ()", 17, 2);
  // Offsets count from the start of the header; one that points into the
  // header or past the message is not used.
  struct Block {
    const char* label;
    uint16_t count, offset;
    bool valid;
  };
  auto block = [&](const char* label, size_t countAt) {
    const uint16_t count = c.le16(countAt), offset = c.le16(countAt + 2);
    return Block{label, count, offset, offset >= kHeader && size_t{offset} - kHeader < c.PacketLen};
  };
  const Block blocks[2] = {block("Parameters () - ", 19), block("Data () - ", 23)};
  const char* const names[2][2] = {{"Parameter Count () - ", "Parameter Offset () - "},
                                   {"Data Count () - ", "Data Offset () - "}};
  for (int i = 0; i < 2; ++i) {
    const Block& b = blocks[i];
    AddField(c, root, names[i][0] + Num(b.count), 19 + 4 * i, 2);
    AddField(c, root,
             names[i][1] + Num(b.offset) + (b.count != 0 && !b.valid ? " Invalid Offset" : ""),
             21 + 4 * i, 2);
  }
  AddField(c, root, "Setup Count () - " + Num(c.u8(27)), 27, 1);
  AddField(c, root, "Reserved", 28, 1);
  size_t p = 29;
  for (size_t k = 1; k <= setup; ++k, p += 2)
    AddField(c, root, "Setup Word " + Num(k) + " () - " + Num(c.le16(p)), p, 2);
  // 16-bit strings start at an even offset: a padding byte follows a byte
  // count at an odd one. ASCII names follow the byte count directly.
  const bool pad = m.Unicode && p % 2 == 1;
  AddField(c, root, "Byte Count () - " + Num(c.le16(p)), p, 2);
  p += 2;
  if (pad) AddField(c, root, "Padding ()", p++, 1);
  if (m.Command == kTransaction) p += AddString(c, root, "Name () - ", p, m.Unicode, c.PacketLen);
  size_t end = p;
  for (const Block& b : blocks) {
    if (b.count == 0 || !b.valid) continue;
    const size_t start = b.offset - kHeader;
    if (p < start) AddField(c, root, "Padding ()", p, start - p);
    AddField(c, root, b.label + HexText(c, start, b.count, 16), start, b.count);
    p = start + b.count;
    end = std::max(end, p);
  }
  SetBranchRange(c, root, 0, end);
}

}  // namespace

void SMBCommandTree(DecodeContext& c, DetailNode* root, const SmbMessage& m) {
  switch (m.Command) {
    case kTransaction:
    case kTransaction2:
      if (m.Request) Transaction(c, root, m);
      break;
    case kEcho:
      Echo(c, root, m);
      break;
    case kTreeDisconnect:
      TreeDisconnect(c, root);
      break;
    case kNegotiate:
      Negotiate(c, root, m);
      break;
    case kSessionSetup:
      SessionSetup(c, root, m);
      break;
    case kLogoff:
      Logoff(c, root, m);
      break;
    case kTreeConnect:
      TreeConnect(c, root, m);
      break;
    case kNtCreate:
      if (m.Request) NtCreate(c, root, m);
      break;
    default:
      break;
  }
}

}  // namespace kestle
