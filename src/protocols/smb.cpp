#include "protocols/smb.h"

#include <cctype>
#include <string>

#include "decode/context.h"
#include "decode/fields.h"
#include "decode/lookup.h"
#include "decode/protocol_ids.h"
#include "decode/text.h"
#include "protocols/smb_commands.h"
#include "protocols/smb_status.h"

namespace kestle {

namespace {

constexpr LookupTableRec kCommands[] = {
    {0x00, "SMB_COM_CREATE_DIRECTORY"},
    {0x01, "SMB_COM_DELETE_DIRECTORY"},
    {0x02, "SMB_COM_OPEN"},
    {0x03, "SMB_COM_CREATE"},
    {0x04, "SMB_COM_CLOSE"},
    {0x05, "SMB_COM_FLUSH"},
    {0x06, "SMB_COM_DELETE"},
    {0x07, "SMB_COM_RENAME"},
    {0x08, "SMB_COM_QUERY_INFORMATION"},
    {0x09, "SMB_COM_SET_INFORMATION"},
    {0x0A, "SMB_COM_READ"},
    {0x0B, "SMB_COM_WRITE"},
    {0x0C, "SMB_COM_LOCK_BYTE_RANGE"},
    {0x0D, "SMB_COM_UNLOCK_BYTE_RANGE"},
    {0x0E, "SMB_COM_CREATE_TEMPORARY"},
    {0x0F, "SMB_COM_CREATE_NEW"},
    {0x10, "SMB_COM_CHECK_DIRECTORY"},
    {0x11, "SMB_COM_PROCESS_EXIT"},
    {0x12, "SMB_COM_SEEK"},
    {0x13, "SMB_COM_LOCK_AND_READ"},
    {0x14, "SMB_COM_WRITE_AND_UNLOCK"},
    {0x1A, "SMB_COM_READ_RAW"},
    {0x1B, "SMB_COM_READ_MPX"},
    {0x1C, "SMB_COM_READ_MPX_SECONDARY"},
    {0x1D, "SMB_COM_WRITE_RAW"},
    {0x1E, "SMB_COM_WRITE_MPX"},
    {0x20, "SMB_COM_WRITE_COMPLETE"},
    {0x22, "SMB_COM_SET_INFORMATION2"},
    {0x23, "SMB_COM_QUERY_INFORMATION2"},
    {0x24, "SMB_COM_LOCKING_ANDX"},
    {0x25, "SMB_COM_TRANSACTION"},
    {0x26, "SMB_COM_TRANSACTION_SECONDARY"},
    {0x27, "SMB_COM_IOCTL"},
    {0x28, "SMB_COM_IOCTL_SECONDARY"},
    {0x29, "SMB_COM_COPY"},
    {0x2A, "SMB_COM_MOVE"},
    {0x2B, "SMB_COM_ECHO"},
    {0x2C, "SMB_COM_WRITE_AND_CLOSE"},
    {0x2D, "SMB_COM_OPEN_ANDX"},
    {0x2E, "SMB_COM_READ_ANDX"},
    {0x2F, "SMB_COM_WRITE_ANDX"},
    {0x31, "SMB_COM_CLOSE_AND_TREE_DISC"},
    {0x32, "SMB_COM_TRANSACTION2"},
    {0x33, "SMB_COM_TRANSACTION2_SECONDARY"},
    {0x34, "SMB_COM_FIND_CLOSE2"},
    {0x35, "SMB_COM_FIND_NOTIFY_CLOSE"},
    {0x70, "SMB_COM_TREE_CONNECT"},
    {0x71, "SMB_COM_TREE_DISCONNECT"},
    {0x72, "SMB_COM_NEGOTIATE"},
    {0x73, "SMB_COM_SESSION_SETUP_ANDX"},
    {0x74, "SMB_COM_LOGOFF_ANDX"},
    {0x75, "SMB_COM_TREE_CONNECT_ANDX"},
    {0x80, "SMB_COM_QUERY_INFORMATION_DISK"},
    {0x81, "SMB_COM_SEARCH"},
    {0x82, "SMB_COM_FIND"},
    {0x83, "SMB_COM_FIND_UNIQUE"},
    {0xA0, "SMB_COM_NT_TRANSACT"},
    {0xA1, "SMB_COM_NT_TRANSACT_SECONDARY"},
    {0xA2, "SMB_COM_NT_CREATE_ANDX"},
    {0xA4, "SMB_COM_NT_CANCEL"},
    {0xC0, "SMB_COM_OPEN_PRINT_FILE"},
    {0xC1, "SMB_COM_WRITE_PRINT_FILE"},
    {0xC2, "SMB_COM_CLOSE_PRINT_FILE"},
    {0xC3, "SMB_COM_GET_PRINT_QUEUE"},
    {0xD8, "SMB_COM_READ_BULK"},
    {0xD9, "SMB_COM_WRITE_BULK"},
    {0xDA, "SMB_COM_WRITE_BULK_DATA"},
};

constexpr LookupTableRec kErrorClasses[] = {
    {0, "Success"}, {1, "ERRDOS"}, {2, "ERRSRV"}, {3, "ERRHRD"}, {255, "ERRCMD"},
};

constexpr LookupTableRec kDosErrors[] = {
    {1, "Invalid function"},
    {2, "File not found"},
    {3, "Directory Invalid"},
    {4, "Too many open files"},
    {5, "Access denied"},
    {6, "Invalid file handle"},
    {7, "Memory control blocks destroyed"},
    {8, "Insufficient memory"},
    {9, "Invalid memory block address"},
    {10, "Invalid environment"},
    {11, "Invalid format"},
    {12, "Invalid open mode"},
    {13, "Invalid data"},
    {15, "Invalid drive"},
    {16, "Invalid delete directory"},
    {17, "Not same device"},
    {18, "No more files"},
    {32, "Invalid sharing mode"},
    {33, "Lock conflict"},
    {80, "File already exists"},
};

constexpr LookupTableRec kServerErrors[] = {
    {1, "Non specific error"},
    {2, "Bad password"},
    {4, "Insufficient access"},
    {5, "Invalid TID"},
    {6, "Invalid network name"},
    {7, "Invalid device"},
    {49, "Print queue full"},
    {50, "Print queue full"},
    {51, "eof on print queue"},
    {52, "Invalid print file FID"},
    {64, "Command not recognized"},
    {65, "Internal error"},
    {67, "Invalid FID/pathname combination"},
    {69, "Invalid access permissions"},
    {71, "Invalid attribute mode"},
    {81, "Server is paused"},
    {82, "Not receiving messages"},
    {83, "No room to buffer message"},
    {87, "Too many remote user names"},
    {88, "Operation timed out"},
    {89, "Resource not available"},
    {90, "Too many UIDs active"},
    {91, "UID not known"},
    {250, "Temporarily unable to support RAW, use MPX"},
    {251, "Temporarily unable to support RAW, use STD"},
    {252, "Continue in MPX mode"},
    {65535, "Function not supported"},
};

constexpr LookupTableRec kHardwareErrors[] = {
    {19, "Write protected"},      {20, "Unknown unit"},       {21, "Drive not ready"},
    {22, "Unknown command"},      {23, "Data error (CRC)"},   {24, "Bad request structure length"},
    {25, "Seek error"},           {26, "Unknown media type"}, {27, "Sector not found"},
    {28, "Printer out of paper"}, {29, "Write fault"},        {30, "Read fault"},
    {31, "General failure"},      {32, "Open conflict"},      {33, "Lock request conflict"},
    {34, "Wrong disk in drive"},  {35, "No FCBs available"},  {36, "Sharing buffer exceeded"},
};

constexpr FlagTabRec kFlags[] = {
    {0x01, "Lock and read/write and close supported",
     "Lock and read/write and close not supported"},
    {0x08, "pathnames are case-less", "pathnames are case sensitive"},
    {0x20, "oplocks supported", "oplocks not supported"},
    {0x40, "notifications supported", "notifications not supported"},
    {0x80, "response", "request"},
};

constexpr FlagTabRec kFlags2[] = {
    {0x0001, "long file names supported", "long file names not supported"},
    {0x0002, "extended attributes supported", "extended attributes not supported"},
    {0x0004, "security signatures supported", "security signatures not supported"},
    {0x0800, "extended security negotiations supported",
     "extended security negotiations not supported"},
    {0x1000, "resolve pathnames with DFS", "do not resolve pathnames with DFS"},
    {0x2000, "permit reads if execute only", "do not permit reads if execute only"},
    {0x4000, "error codes are 32 bit", "error codes are DOS"},
    {0x8000, "strings are Unicode", "strings are ASCII"},
};

constexpr size_t kHeader = 32;
constexpr uint8_t kResponse = 0x80;
constexpr uint16_t kNtStatus = 0x4000;
constexpr uint16_t kUnicode = 0x8000;

// "SMB_COM_SESSION_SETUP_ANDX" -> "SmbSessionSetupAndx": "_COM_" loses
// "_COM", every other "_" goes and the letter after it stays upper case.
std::string SummaryName(std::string_view name) {
  std::string s;
  bool upper = true;
  for (size_t i = 0; i < name.size(); ++i) {
    const char ch = name[i];
    if (ch == '_') {
      if (name.substr(i, 5) == "_COM_") {
        i += 3;
      } else {
        upper = true;
      }
      continue;
    }
    s += upper ? static_cast<char>(std::toupper(static_cast<unsigned char>(ch)))
               : static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    upper = false;
  }
  return s;
}

std::string ErrorText(uint8_t cls, uint16_t code) {
  switch (cls) {
    case 0:
      return code == 0 ? "No Error" : "Unknown";
    case 1:
      return std::string(LookupCode(code, kDosErrors, "Unknown"));
    case 2:
      return std::string(LookupCode(code, kServerErrors, "Unknown"));
    case 3:
      return std::string(LookupCode(code, kHardwareErrors, "Unknown"));
    default:
      return "Undefined error code";
  }
}

void AddHeader(DecodeContext& c, DetailNode* root) {
  DetailNode* h = AddBranch(c, root, "SMB Header", 0, kHeader);
  const uint8_t command = c.u8(4), flags = c.u8(9);
  const uint16_t flags2 = c.le16(10);
  AddField(c, h, "SMB ID () - 0xff + SMB", 0, 4);
  AddField(c, h,
           "Command Code () - 0x" + Hex(command, 2) + " " +
               std::string(LookupCode(command, kCommands, "Unknown")),
           4, 1);
  if (flags2 & kNtStatus) {
    const uint32_t status = c.le32(5);
    std::string text = "Status Code () - 0x" + Hex(status, 8);
    if (const std::string_view name = NtStatusName(status); !name.empty())
      text += " (" + std::string(name) + ")";
    AddField(c, h, text, 5, 4);
  } else {
    const uint8_t cls = c.u8(5);
    AddField(c, h,
             "Error Class () - 0x" + Hex(cls, 2) + " " +
                 std::string(LookupCode(cls, kErrorClasses, "Unknown")),
             5, 1);
    AddField(c, h, "Reserved ()", 6, 1);
    const uint16_t code = c.le16(7);
    AddField(c, h, "Error Code () - " + std::to_string(code) + " " + ErrorText(cls, code), 7, 2);
  }
  AddFlagNodes(c, AddField(c, h, "Flags () - 0x" + Hex(flags, 2), 9, 1, TreeImage::Flags), flags, 1,
               kFlags);
  AddFlagNodes(c, AddField(c, h, "Flags2 () - 0x" + Hex(flags2, 4), 10, 2, TreeImage::Flags),
               flags2, 2, kFlags2);
  AddField(c, h, "Reserved ()", 12, 12);
  AddField(c, h, "Tree ID () - 0x" + Hex(c.le16(24), 4), 24, 2);
  AddField(c, h, "Process ID () - 0x" + Hex(c.le16(26), 4), 26, 2);
  AddField(c, h, "User ID () - 0x" + Hex(c.le16(28), 4), 28, 2);
  AddField(c, h, "Multiplex ID () - 0x" + Hex(c.le16(30), 4), 30, 2);
}

}  // namespace

std::string_view SMBCommandName(uint8_t command) { return LookupCode(command, kCommands, ""); }

void SMBSummary(DecodeContext& c) {
  c.AddDesc("/SMB");
  c.SetProtocol(ProtoSMB);
  if (!c.has(4, 1)) return;
  if (const std::string_view name = SMBCommandName(c.u8(4)); !name.empty()) {
    c.AddDesc("/");
    c.AddDesc(SummaryName(name));
  }
}

void SMBTree(DecodeContext& c, DetailNode* parent) {
  DetailNode* root = AddBranch(c, parent, "Server Message Block Protocol(SMB)", 0, c.PacketLen);
  if (c.PacketLen <= kHeader) return;
  AddHeader(c, root);
  const uint8_t command = c.u8(4);
  const SmbMessage m{command, (c.u8(9) & kResponse) == 0, (c.le16(10) & kUnicode) != 0};
  c.enter(kHeader);
  SMBCommandTree(c, root, m);
}

}  // namespace kestle
