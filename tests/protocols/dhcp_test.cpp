#include "protocols/dhcp.h"

#include <gtest/gtest.h>

#include "decode/protocol_ids.h"
#include "protocols/service_fixture.h"

namespace kestle::test {
namespace {

using DHCP = ServiceFixture;

constexpr const char* kClient = "f4:8e:38:9c:01:77";

// A BOOTP message: the fixed header, the magic cookie and the options.
Bytes Message(uint8_t op, const Bytes& options, std::string_view yiaddr = "0.0.0.0",
              const Bytes& sname = {}, const Bytes& file = {}) {
  FrameBuilder b;
  b.u8(op).u8(1).u8(6).u8(0).be32(0x3903F326).be16(3).be16(0x8000);
  b.ipv4("0.0.0.0").ipv4(yiaddr).ipv4("192.168.10.1").ipv4("0.0.0.0");
  b.mac(kClient).zeros(10);
  Bytes name = sname, boot = file;
  name.resize(64);
  boot.resize(128);
  b.raw(name).raw(boot).be32(0x63825363).raw(options);
  return b;
}

const Bytes kDiscoverOptions = {53,   1,    1,    61, 7, 1, 0xF4, 0x8E, 0x38,
                                0x9C, 0x01, 0x77, 55, 3, 1, 3,    200,  255};

TEST_F(DHCP, SummaryNamesTheMessageTypeOfTheFirstOption) {
  struct Case {
    const char* name;
    Bytes message;
    std::string summary;
  } cases[] = {
      {"discover", Message(1, kDiscoverOptions), "/DHCP Discover"},
      {"offer", Message(2, {53, 1, 2, 255}, "192.168.10.101"), "/DHCP Offer 192.168.10.101"},
      {"ack", Message(2, {53, 1, 5, 255}, "192.168.10.101"), "/DHCP Ack"},
      {"unknown type", Message(2, {53, 1, 9, 255}), "/DHCP Unknown"},
      {"no message type", Message(2, {1, 4, 255, 255, 255, 0, 255}), "/Bootp"},
      {"message type not first", Message(1, {12, 1, 'a', 53, 1, 1, 255}), "/Bootp"},
      {"no options", Message(2, {}), "/Bootp"},
      {"message type without data", Message(1, {53, 0, 255}), "/DHCP"},
      {"message type cut short", Message(1, {53, 1}), "/DHCP"},
      {"shorter than header and cookie", Bytes(239, 0), ""},
  };
  for (const auto& k : cases) {
    EXPECT_EQ(Summary(DHCPSummary, k.message), k.summary) << k.name;
    EXPECT_TRUE(StackHas(ProtoDHCP)) << k.name;
  }
}

TEST_F(DHCP, DiscoverTree) {
  const auto lines = Lines(DHCPTree, Message(1, kDiscoverOptions));
  const std::vector<std::string> want = {
      "0+258 Dynamic Host Configuration Protocol (DHCP)",
      "  0+236 BOOTP Header",
      "    0+1 Message operation code (1 byte) - 1 (BOOTREQUEST)",
      "    1+1 Hardware type (1 byte) - 1",
      "    2+1 Hardware address length (1 byte) - 6",
      "    3+1 Hop count (1 byte) - 0",
      "    4+4 Transaction ID (4 bytes) - 0x3903F326",
      "    8+2 Seconds ellapsed (2 bytes) - 3",
      "    10+2 Broadcast Flag (2 bytes) - 0x8000",
      "    12+4 Client IP Address (4 bytes) - 0.0.0.0",
      "    16+4 Your IP Address (4 bytes) - 0.0.0.0",
      "    20+4 Server IP Address (4 bytes) - 192.168.10.1",
      "    24+4 Relay IP Address (4 bytes) - 0.0.0.0",
      "    28+16 Client Address (16 bytes) - F4:8E:38:9C:01:77",
      "    44+64 Server host name (64 bytes) - (null)",
      "    108+128 Boot file name (128 bytes) - (null)",
      "  236+22 Options (22 bytes)",
      "    236+4 Magic Cookie (4 bytes) - 0x63825363",
      "    240+3 53 DHCP Message Type: Discover",
      "      240+1 Option Number (1 byte) - 53 DHCP Message Type",
      "      241+1 Length (1 byte) - 1",
      "      242+1 Option (1 byte) - Discover",
      "    243+9 61 Client identifier: F4:8E:38:9C:01:77",
      "      243+1 Option Number (1 byte) - 61 Client identifier",
      "      244+1 Length (1 byte) - 7",
      "      245+7 Option (7 bytes) - F4:8E:38:9C:01:77",
      "    252+5 55 Requested options (3 in list)",
      "      254+1 1 Subnet mask",
      "      255+1 3 Router",
      "      256+1 200 unknown option",
      "    257+1 255 End: ",
  };
  EXPECT_EQ(lines, want);
  EXPECT_FALSE(c.Truncated);
}

TEST_F(DHCP, BootpReplyKeepsTheBootstrapTitle) {
  Lines(DHCPTree, Message(2, {1, 4, 255, 255, 255, 0, 255}));
  EXPECT_EQ(tree.Roots.at(0)->Text, "Bootstrap Protocol");
  EXPECT_EQ(Text("1 Subnet mask"), "1 Subnet mask: 255.255.255.0");
  // A message type option without its data byte names nothing.
  Lines(DHCPTree, Message(1, {53, 0, 255}));
  EXPECT_EQ(tree.Roots.at(0)->Text, "Bootstrap Protocol");
  // Nothing at all below the fixed header and cookie.
  Lines(DHCPTree, Bytes(239, 0));
  EXPECT_TRUE(tree.Empty());
}

// The item text of one option by its value kind; fixed-width values are
// read only when the option's length holds them.
TEST_F(DHCP, OptionValues) {
  struct Case {
    Bytes option;
    std::string item;
  } cases[] = {
      {{51, 4, 0, 1, 0x51, 0x80}, "51 Lease time: 1 day "},
      {{58, 4, 0, 1, 0x5F, 0xCD}, "58 Renewal (T1) time: 1 day 1 hour 1 minute 1 second "},
      {{46, 1, 8}, "46 NetBios over IP type: H-Node"},
      {{46, 1, 1}, "46 NetBios over IP type: B-Node"},
      {{46, 1, 3}, "46 NetBios over IP type: -Node"},
      {{200, 4, 1, 2, 0xAB, 0xCD}, "200 Site Specific: 0x0102ABCD"},
      {{100, 2, 1, 2}, "100 Unknown Option: 0x0102"},
      {{3, 8, 10, 0, 0, 1, 10, 0, 0, 2}, "3 Router: 10.0.0.1,10.0.0.2"},
      {{3, 6, 10, 0, 0, 1, 10, 0}, "3 Router: 10.0.0.1"},  // a partial address is not read
      {{1, 2, 255, 255}, "1 Subnet mask: "},
      {{51, 2, 0, 1}, "51 Lease time: "},
      {{57, 2, 0x05, 0xDC}, "57 Maximum DHCP Message Size: 1500"},
      {{57, 1, 0x05}, "57 Maximum DHCP Message Size: "},
      {{2, 4, 0xFF, 0xFF, 0xF1, 0xF0}, "2 Time offset: 0xFFFFF1F0"},
      {{12, 5, 'h', 'o', 0, 's', 't'}, "12 Host name: ho"},
      {{12, 5, 'a', '\t', 0xE9, '(', ')'}, "12 Host name: a..()"},
      {{15, 7, 'a', ' ', '-', ' ', 'b', '(', ')'}, "15 Domain name: a - b()"},
      {{61, 3, 1, 2, 3}, "61 Client identifier: 0x010203"},
      {{53, 1, 3}, "53 DHCP Message Type: Request"},
  };
  for (const auto& k : cases) {
    Bytes options = k.option;
    options.push_back(255);
    Lines(DHCPTree, Message(1, options));
    EXPECT_EQ(Text(k.item.substr(0, k.item.find(':'))), k.item);
    const DetailNode* item = Find(k.item.substr(0, k.item.find(':')));
    ASSERT_NE(item, nullptr) << k.item;
    EXPECT_EQ(item->Length, k.option.size()) << k.item;
    EXPECT_FALSE(c.Truncated) << k.item;
  }
  // Hex values of 30 data bytes or more are not shown.
  Bytes vendor = {43, 30};
  vendor.resize(32, 0xAA);
  vendor.push_back(255);
  Lines(DHCPTree, Message(1, vendor));
  EXPECT_EQ(Text("43 "), "43 Vendor information: ");
  // The value line of a text option shows its text as it is.
  Lines(DHCPTree, Message(1, {15, 7, 'a', ' ', '-', ' ', 'b', '(', ')', 255}));
  EXPECT_EQ(Find("15 ")->Children.at(2)->Text, "Option (7 bytes) - a - b()");
}

TEST_F(DHCP, PadRunIsOneItem) {
  const auto lines = Lines(DHCPTree, Message(1, {53, 1, 1, 0, 0, 0, 0, 0, 0, 255}));
  const DetailNode* pad = Find("0 Pad");
  ASSERT_NE(pad, nullptr);
  EXPECT_EQ(pad->Length, 6u);
  EXPECT_FALSE(pad->HasChildren());
  EXPECT_EQ(Find("255 End")->Length, 1u);
  EXPECT_FALSE(Find("255 End")->HasChildren());
  // A Pad run at the end of the message ends with it.
  Lines(DHCPTree, Message(1, {53, 1, 1, 0, 0, 0}));
  EXPECT_EQ(Find("0 Pad")->Length, 3u);
  EXPECT_FALSE(c.Truncated);
}

// The header's names stop at their field, with or without a zero byte.
TEST_F(DHCP, ServerAndFileNamesStayInTheirFields) {
  const Bytes sname(64, 'S');
  Bytes file(128, 'F');
  file[5] = 0;
  Lines(DHCPTree, Message(2, {255}, "0.0.0.0", sname, file));
  EXPECT_EQ(Text("Server host name"), "Server host name (64 bytes) - " + std::string(64, 'S'));
  EXPECT_EQ(Text("Boot file name"), "Boot file name (128 bytes) - FFFFF");
  Lines(DHCPTree, Message(2, {255}, "0.0.0.0", Bytes{'a', 0x01, 'b'}));
  EXPECT_EQ(Text("Server host name"), "Server host name (64 bytes) - a.b");
}

// An option that runs past the message ends the walk at the last whole one.
TEST_F(DHCP, OptionPastTheEndEndsTheWalk) {
  Lines(DHCPTree, Message(1, {53, 1, 1, 12, 200, 'a', 'b'}));
  EXPECT_TRUE(Has("53 DHCP Message Type"));
  EXPECT_FALSE(Has("12 Host name"));
  EXPECT_TRUE(c.Truncated);
}

TEST_F(DHCP, MalformedVariantsEndCleanly) {
  for (const Bytes& m : MalformedVariants(Message(1, kDiscoverOptions))) {
    Summary(DHCPSummary, m);
    Lines(DHCPTree, m);
  }
}

}  // namespace
}  // namespace kestle::test
