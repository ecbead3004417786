#include "protocols/smb.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "protocols/smb_status.h"
#include "protocols/transport_fixture.h"

namespace kestle::test {
namespace {

struct SMB : TransportFixture {
  const DetailNode* Exact(std::string_view text) const {
    const DetailNode* found = nullptr;
    tree.Walk([&](const DetailNode& n, int) {
      if (!found && n.Text == text) found = &n;
    });
    return found;
  }
  // The lines of the command's branch (the SMB branch's second child).
  const DetailNode* Body() const {
    const DetailNode* smb = Find("Server Message Block Protocol(SMB)");
    return smb && smb->Children.size() > 1 ? smb->Children[1].get() : nullptr;
  }
};

constexpr uint8_t kResponse = 0x98, kRequest = 0x18;
constexpr uint16_t kUnicodeNt = 0xC853, kAsciiDos = 0x0001;

Bytes Header(uint8_t command, uint8_t flags = kRequest, uint16_t flags2 = kUnicodeNt,
             uint32_t status = 0) {
  return FrameBuilder()
      .raw({0xFF, 'S', 'M', 'B', command})
      .le32(status)
      .u8(flags)
      .le16(flags2)
      .zeros(12)
      .le16(0x0800)
      .le16(0xFEFF)
      .le16(0x0064)
      .le16(0x0011);
}

Bytes OverNBSS(const Bytes& smb) {
  IPv4Spec s;
  const Bytes nbss =
      Concat({FrameBuilder().u8(0).u8(0).be16(static_cast<uint16_t>(smb.size())), smb});
  return IPv4Packet(s, Concat({TCPHeader(49671, 445, 0x18), nbss}));
}

Bytes Utf16(std::string_view text, bool terminate = true) {
  Bytes b;
  for (const char ch : text) b.insert(b.end(), {static_cast<uint8_t>(ch), 0});
  if (terminate) b.insert(b.end(), {0, 0});
  return b;
}

Bytes Ascii(std::string_view text) {
  Bytes b(text.begin(), text.end());
  b.push_back(0);
  return b;
}

constexpr size_t kSmbAt = 14 + 20 + 20 + 4;  // frame offset of the SMB header
constexpr size_t kBody = kSmbAt + 32;

TEST_F(SMB, SummaryNamesTheCommand) {
  struct Case {
    uint8_t command;
    std::string summary;
  } cases[] = {
      {0x72, "/SMB/SmbNegotiate"},
      {0x73, "/SMB/SmbSessionSetupAndx"},
      {0xA2, "/SMB/SmbNtCreateAndx"},
      {0x20, "/SMB/SmbWriteComplete"},  // "_COM" of "_COMPLETE" stays
      {0x31, "/SMB/SmbCloseAndTreeDisc"},
      {0x15, "/SMB"},  // no name
  };
  for (const auto& k : cases) {
    EXPECT_EQ(Summary(OverNBSS(Header(k.command))), "/IPV4/TCP (ACK PSH)/Netbios/NBSS" + k.summary);
    EXPECT_EQ(session.Paths.ProtocolOf(c.FrameProtocol), ProtoSMB);
  }
}

TEST_F(SMB, HeaderLines) {
  Tree(OverNBSS(Concat({Header(0x2E, kResponse), {0}})));
  const DetailNode* smb = Find("Server Message Block Protocol(SMB)");
  ASSERT_NE(smb, nullptr);
  EXPECT_EQ(smb->Parent, nullptr);
  EXPECT_EQ(smb->Offset, kSmbAt);
  EXPECT_EQ(smb->Length, 33u);
  ASSERT_EQ(smb->Children.size(), 1u);  // Read AndX: no body
  const DetailNode* h = smb->Children[0].get();
  EXPECT_EQ(h->Text, "SMB Header");
  EXPECT_EQ(h->Length, 32u);
  EXPECT_EQ(Find("SMB ID")->Text, "SMB ID (4 bytes) - 0xff + SMB");
  EXPECT_EQ(Find("Command Code")->Text, "Command Code (1 byte) - 0x2E SMB_COM_READ_ANDX");
  EXPECT_EQ(Find("Status Code")->Text, "Status Code (4 bytes) - 0x00000000 (STATUS_SUCCESS)");
  const DetailNode* flags = Find("Flags (1 byte)");
  ASSERT_NE(flags, nullptr);
  EXPECT_EQ(flags->Text, "Flags (1 byte) - 0x98");
  ASSERT_EQ(flags->Children.size(), 5u);
  EXPECT_EQ(flags->Children[0]->Text, ".... ...0  = Lock and read/write and close not supported");
  EXPECT_EQ(flags->Children[1]->Text, ".... 1...  = pathnames are case-less");
  EXPECT_EQ(flags->Children[4]->Text, "1... ....  = response");
  const DetailNode* flags2 = Find("Flags2");
  EXPECT_EQ(flags2->Text, "Flags2 (2 bytes) - 0xC853");
  EXPECT_EQ(flags2->Children.back()->Text, "1... ....  .... ....  = strings are Unicode");
  EXPECT_EQ(Find("Tree ID")->Text, "Tree ID (2 bytes) - 0x0800");
  EXPECT_EQ(Find("Process ID")->Text, "Process ID (2 bytes) - 0xFEFF");
  EXPECT_EQ(Find("User ID")->Text, "User ID (2 bytes) - 0x0064");
  EXPECT_EQ(Find("Multiplex ID")->Text, "Multiplex ID (2 bytes) - 0x0011");
  // A message of 32 bytes or less: the branch alone.
  Tree(OverNBSS(Header(0x72)));
  EXPECT_TRUE(Find("Server Message Block")->Children.empty());
}

TEST_F(SMB, StatusAndErrorTexts) {
  struct Case {
    uint16_t flags2;
    uint32_t status;
    std::vector<std::string> lines;
  } cases[] = {
      {kUnicodeNt, 0xC0000022, {"Status Code (4 bytes) - 0xC0000022 (STATUS_ACCESS_DENIED)"}},
      {kUnicodeNt,
       0xC0020001,
       {"Status Code (4 bytes) - 0xC0020001 (RPC_NT_INVALID_STRING_BINDING)"}},
      {kUnicodeNt, 0x00000001, {"Status Code (4 bytes) - 0x00000001 (STATUS_WAIT_1)"}},
      {kUnicodeNt, 0xDEAD0001, {"Status Code (4 bytes) - 0xDEAD0001"}},
      {kAsciiDos,
       0x00020001,
       {"Error Class (1 byte) - 0x01 ERRDOS", "Reserved (1 byte)",
        "Error Code (2 bytes) - 2 File not found"}},
      {kAsciiDos,
       0x00050002,
       {"Error Class (1 byte) - 0x02 ERRSRV", "Reserved (1 byte)",
        "Error Code (2 bytes) - 5 Invalid TID"}},
      {kAsciiDos,
       0x00130003,
       {"Error Class (1 byte) - 0x03 ERRHRD", "Reserved (1 byte)",
        "Error Code (2 bytes) - 19 Write protected"}},
      {kAsciiDos,
       0x00000000,
       {"Error Class (1 byte) - 0x00 Success", "Reserved (1 byte)",
        "Error Code (2 bytes) - 0 No Error"}},
      {kAsciiDos,
       0x00070000,
       {"Error Class (1 byte) - 0x00 Success", "Reserved (1 byte)",
        "Error Code (2 bytes) - 7 Unknown"}},
      {kAsciiDos,
       0x000100FF,
       {"Error Class (1 byte) - 0xFF ERRCMD", "Reserved (1 byte)",
        "Error Code (2 bytes) - 1 Undefined error code"}},
      {kAsciiDos,
       0x00010009,
       {"Error Class (1 byte) - 0x09 Unknown", "Reserved (1 byte)",
        "Error Code (2 bytes) - 1 Undefined error code"}},
  };
  for (const auto& k : cases) {
    Tree(OverNBSS(Concat({Header(0x2E, kResponse, k.flags2, k.status), {0}})));
    const DetailNode* h = Exact("SMB Header");
    ASSERT_NE(h, nullptr);
    for (size_t i = 0; i < k.lines.size(); ++i)
      EXPECT_EQ(h->Children[2 + i]->Text, k.lines[i]) << std::hex << k.status;
  }
}

TEST_F(SMB, StatusTableInOrderOfValue) {
  const auto table = NtStatusTable();
  EXPECT_GT(table.size(), 721u);
  EXPECT_TRUE(std::is_sorted(table.begin(), table.end(),
                             [](const auto& a, const auto& b) { return a.Code < b.Code; }));
  EXPECT_EQ(NtStatusName(0), "STATUS_SUCCESS");  // first of the names of 0
  EXPECT_EQ(NtStatusName(0xC000006D), "STATUS_LOGON_FAILURE");
  EXPECT_EQ(NtStatusName(0xFFFFFFFF), "");
}

TEST_F(SMB, NegotiateRequest) {
  const Bytes dialects = Concat({{2}, Ascii("LANMAN1.0"), {2}, Ascii("NT LM 0.12")});
  const Bytes body =
      Concat({FrameBuilder().u8(0).le16(static_cast<uint16_t>(dialects.size())), dialects});
  Tree(OverNBSS(Concat({Header(0x72), body})));
  EXPECT_EQ(Find("Command Code")->Text, "Command Code (1 byte) - 0x72 SMB_COM_NEGOTIATE");
  const DetailNode* root = Body();
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(root->Text, "SMB_COM_TREE_NEGOTIATE");
  EXPECT_EQ(root->Length, body.size());
  EXPECT_EQ(Find("Data Count")->Text, "Data Count (2 bytes) - 23");
  const DetailNode* list = Exact("Dialects");
  ASSERT_EQ(list->Children.size(), 2u);
  EXPECT_EQ(list->Children[0]->Text, "Dialect: Marker = 0x02, Name=LANMAN1.0");
  EXPECT_EQ(list->Children[0]->Length, 11u);
  EXPECT_EQ(list->Children[1]->Text, "Dialect: Marker = 0x02, Name=NT LM 0.12");
  EXPECT_EQ(list->Children[1]->Offset, kBody + 3 + 11);
  // A dialect without its zero byte ends at the data's end.
  const Bytes open = {0, 5, 0, 2, 'N', 'T', ' ', 'L'};
  Tree(OverNBSS(Concat({Header(0x72), open})));
  EXPECT_EQ(Exact("Dialects")->Children[0]->Length, 5u);
  // The data count past the message: the branch and its word count only.
  Tree(OverNBSS(Concat({Header(0x72), {0, 0xFF, 0xFF, 2, 'A', 0}})));
  EXPECT_EQ(Body()->Children.size(), 1u);
}

Bytes Negotiate17(int16_t zone, uint32_t caps, const Bytes& key, const Bytes& rest) {
  return FrameBuilder()
      .u8(17)
      .le16(5)
      .u8(0x03)
      .le16(50)
      .le16(1)
      .le32(16644)
      .le32(65536)
      .le32(0x1A2B3C4D)
      .le32(caps)
      .le32(0x351CA000)
      .le32(0x01D718B3)
      .le16(static_cast<uint16_t>(zone))
      .u8(static_cast<uint8_t>(key.size()))
      .le16(static_cast<uint16_t>(key.size() + rest.size()))
      .raw(key)
      .raw(rest);
}

TEST_F(SMB, NegotiateResponse) {
  const Bytes key = {0x8F, 0x2C, 0x4A, 0x11, 0xD0, 0xE9, 0x7B, 0x36};
  Tree(
      OverNBSS(Concat({Header(0x72, kResponse), Negotiate17(0, 0xE3FD, key, Utf16("WORKGROUP"))})));
  const DetailNode* root = Body();
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(root->Length, 37u + 8 + 20);  // words, byte count and data
  EXPECT_EQ(Find("Dialect Index")->Text, "Dialect Index (2 bytes) - 5");
  const DetailNode* mode = Find("Security Mode");
  EXPECT_EQ(mode->Text, "Security Mode (1 byte) - 0x03");
  ASSERT_EQ(mode->Children.size(), 2u);
  EXPECT_EQ(mode->Children[1]->Text, ".... ..1.  = Encrypt passwords");
  EXPECT_EQ(Find("Max buffer size")->Text, "Max buffer size (4 bytes) - 16644");
  EXPECT_EQ(Find("Session key")->Text, "Session key (4 bytes) - 0x1A2B3C4D");
  EXPECT_EQ(Find("Capabilities")->Text, "Capabilities (4 bytes) - 0x0000E3FD");
  EXPECT_EQ(Find("Encryption key (")->Text, "Encryption key (8 bytes) - 0x8F2C4A11D0E97B36");
  EXPECT_EQ(Find("Domain")->Text, "Domain (20 bytes) - WORKGROUP");
  struct Zone {
    int16_t minutes;
    std::string text;
  } zones[] = {{60, "UTC+1"}, {-60, "UTC-1"}, {330, "330 mins from UTC"}, {0, "UTC-0"}};
  for (const auto& z : zones) {
    Tree(OverNBSS(Concat({Header(0x72, kResponse), Negotiate17(z.minutes, 0, {}, {})})));
    EXPECT_EQ(Find("Server time zone")->Text, "Server time zone (2 bytes) - " + z.text);
    EXPECT_EQ(Find("Encryption key ("), nullptr);
  }
  // Without Unicode the domain is read byte by byte; with bit 31 a GUID.
  Tree(OverNBSS(Concat({Header(0x72, kResponse), Negotiate17(0, 0, {}, Ascii("DOM"))})));
  EXPECT_EQ(Find("Domain")->Text, "Domain (4 bytes) - DOM.");
  Tree(
      OverNBSS(Concat({Header(0x72, kResponse), Negotiate17(0, 0x80000000, {}, Bytes(16, 0xAB))})));
  EXPECT_EQ(Find("GUID")->Text, "GUID (16 bytes) - 0xABABABABABABABABABABABABABABABAB");
  // The other word counts.
  Tree(OverNBSS(Concat({Header(0x72, kResponse), {1, 5, 0, 0, 0}})));
  EXPECT_EQ(Find("Dialect Index")->Text, "Dialect Index (2 bytes) - 5");
  EXPECT_EQ(Find("Data Count")->Text, "Data Count (2 bytes) - 0");
  Tree(OverNBSS(Concat({Header(0x72, kResponse), {2, 5, 0, 0, 0, 0, 0}})));
  EXPECT_NE(Exact("Unexpected Word Count, formatting notdone"), nullptr);
}

TEST_F(SMB, SessionSetupRequestWithExtendedSecurity) {
  const Bytes blob(40, 0x60);
  const Bytes strings = Concat({{0}, Utf16("Windows"), Utf16("LanMan")});
  const Bytes body = Concat({FrameBuilder()
                                 .u8(12)
                                 .u8(0xFF)
                                 .u8(0)
                                 .le16(0)
                                 .le16(16644)
                                 .le16(50)
                                 .le16(0)
                                 .le32(0xCAFE)
                                 .le16(40)
                                 .le32(0)
                                 .le32(0x800000D4)
                                 .le16(static_cast<uint16_t>(blob.size() + strings.size())),
                             blob, strings});
  Tree(OverNBSS(Concat({Header(0x73), body})));
  const DetailNode* root = Body();
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(root->Text, "SMB_COM_SESSION_SETUP_ANDX Request");
  EXPECT_EQ(Find("AndXCommand")->Text, "AndXCommand (1 byte) - 0xff (No Command)");
  EXPECT_EQ(Find("Session Key")->Text, "Session Key (4 bytes) - 0x0000CAFE");
  EXPECT_EQ(Find("Security Blob Length")->Text, "Security Blob Length (2 bytes) - 40");
  const DetailNode* caps = Find("Capabilities");
  EXPECT_EQ(caps->Children.size(), 5u);
  EXPECT_EQ(caps->Children[0]->Text.substr(caps->Children[0]->Text.find('=')),
            "= Supports Unicode strings");
  std::string hex;
  for (int i = 0; i < 32; ++i) hex += "60";  // 32 of the 40 bytes
  EXPECT_EQ(Find("Security Blob (")->Text, "Security Blob (40 bytes) - 0x" + hex + "...");
  const DetailNode* os = Find("NativeOS");
  EXPECT_EQ(os->Text, "NativeOS (17 bytes) - Windows");  // with its padding byte
  EXPECT_EQ(os->Offset, kBody + 27 + 40);
  EXPECT_EQ(Find("NativeLanMan")->Text, "NativeLanMan (14 bytes) - LanMan");
  // A byte count below the blob's length leaves no room for the strings.
  Bytes small = Concat({Header(0x73), body});
  small[32 + 25] = 10;
  small[32 + 26] = 0;
  Tree(OverNBSS(small));
  EXPECT_EQ(Find("NativeOS")->Text, "NativeOS (0 bytes) - ");
}

TEST_F(SMB, SessionSetupResponse) {
  const Bytes strings = Concat({Ascii("Unix"), Ascii("Samba")});
  const Bytes body = Concat({FrameBuilder().u8(4).u8(0xFF).u8(0).le16(0).le16(1).le16(2).le16(
                                 static_cast<uint16_t>(2 + strings.size())),
                             {0xA1, 0x07},
                             strings});
  Tree(OverNBSS(Concat({Header(0x73, kResponse, kAsciiDos), body})));
  EXPECT_EQ(Body()->Text, "SMB_COM_SESSION_SETUP_ANDX Response");
  const DetailNode* action = Find("Action");
  EXPECT_EQ(action->Text, "Action (2 bytes) - 0x0001");
  EXPECT_EQ(action->Children[0]->Text, ".... ....  .... ...1  = Logged in as GUEST");
  EXPECT_EQ(Find("Security Blob (")->Text, "Security Blob (2 bytes) - 0xA107");
  EXPECT_EQ(Find("NativeOS")->Text, "NativeOS (5 bytes) - Unix");
  EXPECT_EQ(Find("NativeLanMan")->Text, "NativeLanMan (6 bytes) - Samba");
}

TEST_F(SMB, TreeConnectRequest) {
  const Bytes body =
      Concat({FrameBuilder().u8(4).u8(0xFF).u8(0).le16(0).le16(0x0008).le16(1).le16(0),
              {0x00},
              Utf16("\\\\FILESRV\\IPC$"),
              Ascii("?????")});
  Tree(OverNBSS(Concat({Header(0x75), body})));
  EXPECT_EQ(Body()->Text, "SMB_COM_TREE_CONNECT_ANDX Request");
  EXPECT_EQ(Find("Password Length")->Text, "Password Length (2 bytes) - 1");
  EXPECT_EQ(Find("Password (")->Text, "Password (1 byte) - 0x00");
  EXPECT_EQ(Find("Path")->Text, "Path (30 bytes) - \\\\FILESRV\\IPC$");
  EXPECT_EQ(Find("Service")->Text, "Service (6 bytes) - ?????");
  Tree(OverNBSS(Concat({Header(0x75, kResponse), {3, 0xFF, 0, 0, 0, 1, 0}})));
  EXPECT_EQ(Body()->Text, "SMB_COM_TREE_CONNECT_ANDX Response");
  EXPECT_EQ(Find("Password"), nullptr);
}

TEST_F(SMB, NtCreateRequest) {
  const Bytes name = Utf16("\\file.txt", false);
  const Bytes body = Concat({FrameBuilder()
                                 .u8(24)
                                 .u8(0xFF)
                                 .u8(0)
                                 .le16(0)
                                 .u8(0)
                                 .le16(static_cast<uint16_t>(name.size()))
                                 .le32(0x16)
                                 .le32(0)
                                 .le32(0x0012019F)
                                 .le32(0)
                                 .le32(0)
                                 .le32(0x80)
                                 .le32(7)
                                 .le32(1)
                                 .le32(0x40)
                                 .le32(2)
                                 .u8(3)
                                 .le16(static_cast<uint16_t>(1 + name.size() + 2)),
                             {0},
                             name,
                             {0, 0}});
  Tree(OverNBSS(Concat({Header(0xA2), body})));
  EXPECT_EQ(Body()->Text, "SMB_COM_NT_CREATE_ANDX Request");
  EXPECT_EQ(Find("File Name Length")->Text, "File Name Length (2 bytes) - 18");
  const DetailNode* flags = Find("Flags (4");
  EXPECT_EQ(flags->Text, "Flags (4 bytes) - 0x00000016");
  EXPECT_EQ(flags->Children.size(), 3u);
  const DetailNode* access = Find("Access Mask");
  EXPECT_EQ(access->Children.size(), 11u);
  EXPECT_EQ(access->Children[0]->Text.substr(access->Children[0]->Text.find('=')),
            "= Generic Read: off");
  EXPECT_EQ(Find("Allocation Size")->Text, "Allocation Size (8 bytes) - 0");
  EXPECT_EQ(Find("File Attributes")->Children.size(), 15u);
  EXPECT_EQ(Find("Share Access")->Text, "Share Access (4 bytes) - 0x00000007");
  EXPECT_EQ(Find("Create Disposition")->Text, "Create Disposition (4 bytes) - 1 File_Open");
  EXPECT_EQ(Find("Impersonation Level")->Text, "Impersonation Level (4 bytes) - 2 Impersonation");
  EXPECT_EQ(Find("Security Flags")->Text, "Security Flags (1 byte) - 0x03");
  const DetailNode* n = Find("Name");
  EXPECT_EQ(n->Text, "Name (20 bytes) - \\file.txt");
  EXPECT_EQ(n->Offset, kBody + 52);
  // Responses show the header alone.
  Tree(OverNBSS(Concat({Header(0xA2, kResponse), Bytes(40, 0)})));
  EXPECT_EQ(Body(), nullptr);
  // A byte count of 0 leaves the name no bytes.
  Bytes none = Concat({Header(0xA2), body});
  none[32 + 49] = 0;
  Tree(OverNBSS(none));
  EXPECT_EQ(Find("Name")->Text, "Name (0 bytes) - ");
}

// A transaction request to a named pipe: name, then parameters and data at
// their offsets (counted from the header's start) with padding between.
TEST_F(SMB, TransactionRequest) {
  const Bytes pipe = Utf16("\\PIPE\\LANMAN");
  const size_t nameAt = 29 + 4 + 2 + 1;  // two setup words, byte count, padding
  const size_t params = nameAt + pipe.size() + 2, data = params + 4 + 1;
  FrameBuilder b;
  b.u8(16)
      .le16(4)
      .le16(3)
      .le16(8)
      .le16(100)
      .u8(0)
      .u8(0)
      .le16(0)
      .le32(5000)
      .le16(0)
      .le16(4)
      .le16(static_cast<uint16_t>(32 + params))
      .le16(3)
      .le16(static_cast<uint16_t>(32 + data))
      .u8(2)
      .u8(0)
      .le16(0x0026)
      .le16(0x4000)
      .le16(static_cast<uint16_t>(1 + pipe.size() + 2 + 4 + 1 + 3))
      .u8(0)
      .raw(pipe)
      .zeros(2)
      .raw({1, 2, 3, 4})
      .u8(0)
      .raw({7, 8, 9});
  const Bytes body = b;
  EXPECT_EQ(Summary(OverNBSS(Concat({Header(0x25), body}))),
            "/IPV4/TCP (ACK PSH)/Netbios/NBSS/SMB/SmbTransaction");
  Tree(OverNBSS(Concat({Header(0x25), body})));
  const DetailNode* root = Body();
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(root->Text, "SMB_COM_TRANSACTION Request");
  EXPECT_EQ(root->Length, body.size());
  EXPECT_EQ(Find("Setup Word 1")->Text, "Setup Word 1 (2 bytes) - 38");
  EXPECT_EQ(Find("Setup Word 2")->Text, "Setup Word 2 (2 bytes) - 16384");
  EXPECT_NE(Exact("Reserved"), nullptr);  // at 28, without a length
  const DetailNode* name = Find("Name");
  EXPECT_EQ(name->Text, "Name (26 bytes) - \\PIPE\\LANMAN");
  EXPECT_EQ(name->Offset, kBody + nameAt);
  const DetailNode* p = Find("Parameters");
  EXPECT_EQ(p->Text, "Parameters (4 bytes) - 0x01020304");
  EXPECT_EQ(p->Offset, kBody + params);
  const DetailNode* d = Find("Data (");
  EXPECT_EQ(d->Text, "Data (3 bytes) - 0x070809");
  EXPECT_EQ(d->Offset, kBody + data);
  // The padding lines: after the byte count, before the parameters and
  // before the data.
  int paddings = 0;
  for (const auto& l : root->Children) paddings += l->Text.starts_with("Padding");
  EXPECT_EQ(paddings, 3);
  // Offsets below the header's end or past the message are not used.
  Bytes bad = Concat({Header(0x25), body});
  bad[32 + 21] = 10;  // parameter offset 10
  bad[32 + 22] = 0;
  bad[32 + 25] = 0xFF;  // data offset past the message
  bad[32 + 26] = 0xFF;
  Tree(OverNBSS(bad));
  EXPECT_EQ(Find("Parameter Offset")->Text, "Parameter Offset (2 bytes) - 10 Invalid Offset");
  EXPECT_EQ(Find("Data Offset")->Text, "Data Offset (2 bytes) - 65535 Invalid Offset");
  EXPECT_EQ(Find("Parameters"), nullptr);
  EXPECT_EQ(Find("Data ("), nullptr);
  // An ASCII name follows the byte count directly.
  FrameBuilder ascii;
  ascii.u8(14).zeros(18).le16(0).le16(0).le16(0).le16(0).u8(0).u8(0).le16(17).raw(
      Ascii("\\MAILSLOT\\BROWSE"));
  Tree(OverNBSS(Concat({Header(0x25, kRequest, kAsciiDos), ascii.bytes()})));
  EXPECT_EQ(Find("Name")->Text, "Name (17 bytes) - \\MAILSLOT\\BROWSE");
  EXPECT_EQ(Find("Name")->Offset, kBody + 31);
  // Transaction2 has no name; responses show the header alone.
  Tree(OverNBSS(Concat({Header(0x32), body})));
  EXPECT_EQ(Body()->Text, "SMB_COM_TRANSACTION2 Request");
  EXPECT_EQ(Find("Name"), nullptr);
  Tree(OverNBSS(Concat({Header(0x25, kResponse), body})));
  EXPECT_EQ(Body(), nullptr);
}

TEST_F(SMB, SmallCommands) {
  Tree(OverNBSS(Concat({Header(0x2B), {1, 1, 0, 4, 0, 'p', 'i', 'n', 'g'}})));
  EXPECT_EQ(Body()->Text, "SMB_COM_ECHO Request");
  EXPECT_EQ(Body()->Length, 9u);
  EXPECT_EQ(Find("Echo Count")->Text, "Echo Count (2 bytes) - 1");
  EXPECT_EQ(Find("Echo Data Count")->Text, "Echo Data Count (2 bytes) - 4");
  EXPECT_EQ(Find("Echo Data (")->Length, 4u);
  Tree(OverNBSS(Concat({Header(0x2B, kResponse), {1, 7, 0, 0, 0}})));
  EXPECT_EQ(Find("Sequence Number (2")->Text, "Sequence Number (2 bytes) - 7");
  Tree(OverNBSS(Concat({Header(0x74), {2, 0x75, 0, 0x27, 0, 0, 0}})));
  EXPECT_EQ(Body()->Text, "SMB_COM_LOGOFF_ANDX");
  EXPECT_EQ(Find("AndXCommand")->Text, "AndXCommand (1 byte) - 0x75 (SMB_COM_TREE_CONNECT_ANDX)");
  EXPECT_EQ(Find("AndXOffset")->Text, "AndXOffset (2 bytes) - 39");
  Tree(OverNBSS(Concat({Header(0x71), {0, 0, 0}})));
  EXPECT_EQ(Body()->Text, "SMB_COM_TREE_DISCONNECT");
  EXPECT_EQ(Find("Data Count")->Text, "Data Count (2 bytes) - 0");
}

// Bodies cut short or with counts past the message end cleanly: no line
// past the layer, every line inside its parent (the fixture checks).
TEST_F(SMB, MalformedBodies) {
  const uint8_t commands[] = {0x25, 0x2B, 0x32, 0x71, 0x72, 0x73, 0x74, 0x75, 0xA2};
  const Bytes bodies[] = {{},
                          {0},
                          {0xFF},
                          {0xFF, 0xFF},
                          Bytes(4, 0xFF),
                          Bytes(5, 0xFF),
                          Bytes(12, 0xFF),
                          Bytes(24, 0xFF),
                          Bytes(60, 0xFF),
                          Bytes(60, 0)};
  for (uint8_t command : commands)
    for (uint8_t flags : {kRequest, kResponse})
      for (uint16_t flags2 : {kUnicodeNt, kAsciiDos})
        for (const Bytes& body : bodies) {
          Bytes words = body;
          if (!words.empty() && command != 0x72) words[0] = command == 0x73 ? 12 : 17;
          Tree(OverNBSS(Concat({Header(command, flags, flags2), words})));
          ASSERT_NE(Find("Server Message Block"), nullptr) << int{command};
        }
}

}  // namespace
}  // namespace kestle::test
