// The link layer end to end: frames written to a capture, loaded (summary
// pass) and shown (detail tree), one table row per encapsulation.
#include "protocols/link.h"

#include <gtest/gtest.h>

#include "decode/addresses.h"
#include "decode/dispatch.h"
#include "decode/fields.h"
#include "decode/text.h"
#include "output/grid.h"
#include "support/decode_fixture.h"

namespace kestle {
namespace {

using test::Bytes;
using test::FrameBuilder;

constexpr char kBcast[] = "FF:FF:FF:FF:FF:FF";
constexpr char kNoMac[] = "00:00:00:00:00:00";

FrameBuilder Arp(uint16_t op, const char* sha, const char* spa, const char* tha, const char* tpa) {
  FrameBuilder f;
  f.be16(1).be16(0x0800).u8(6).u8(4).be16(op).mac(sha).ipv4(spa).mac(tha).ipv4(tpa);
  return f;
}

// The ARP branch at frame offset `base`; the MAC texts include their notes.
std::vector<std::string> ArpLines(int base, uint16_t op, const std::string& sha, const char* spa,
                                  const std::string& tha, const char* tpa) {
  auto at = [base](int off, int len) {
    return "  " + std::to_string(base + off) + "+" + std::to_string(len) + " ";
  };
  const std::string title =
      op == 1 ? std::string(" - Request: Who is ") + tpa : std::string(" - Reply: I am ") + spa;
  return {
      std::to_string(base) + "+28 Address Resolution Protocol (ARP)" + title,
      at(0, 2) + "Hardware Type (2 bytes) - 0x01 (Ethernet)",
      at(2, 2) + "Protocol Type (2 bytes) - 0x800 (IP)",
      at(4, 1) + "Hardware Size (1 byte) - 6",
      at(5, 1) + "Protocol Size (1 byte) - 4",
      at(6, 2) +
          (op == 1 ? "Operation (2 bytes) - 0x01 (Request)" : "Operation (2 bytes) - 0x02 (Reply)"),
      at(8, 6) + "Sender MAC Address (6 bytes) - " + sha,
      at(14, 4) + "Sender IP Address (4 bytes) - " + spa,
      at(18, 6) + "Target MAC Address (6 bytes) - " + tha,
      at(24, 4) + "Target IP Address (4 bytes) - " + tpa,
  };
}

std::vector<std::string> EthLines(int base, const std::string& title, const std::string& dst,
                                  const std::string& src, const std::string& typeLine) {
  const std::string b = std::to_string(base);
  return {b + "+14 " + title + " (14 bytes)",
          "  " + b + "+6 Destination Ethernet Address (6 bytes) - " + dst,
          "  " + std::to_string(base + 6) + "+6 Source Ethernet Address (6 bytes) - " + src,
          "  " + std::to_string(base + 12) + "+2 " + typeLine};
}

std::vector<std::string> Join(std::initializer_list<std::vector<std::string>> parts) {
  std::vector<std::string> all;
  for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

struct Case {
  const char* name;
  Bytes frame;
  std::string desc;
  std::string stack;
  int cast;
  std::string src, dst;  // the grid's station texts
  std::vector<std::string> tree;
};

constexpr char A[] = "00:10:20:30:40:50";
constexpr char B[] = "00:60:70:80:90:A0";

std::vector<Case> Cases() {
  std::vector<Case> cases;
  cases.push_back({"Ethernet II, unknown EtherType",
                   FrameBuilder().ether(B, A, 0x1234).be32(0xDEADBEEF), "Ethernet II/Unknown",
                   "Ethernet/Unknown", 0, A, B,
                   Join({EthLines(0, "Ethernet II", B, A, "Protocol (2 bytes) - 0x1234 Unknown"),
                         {"14+4 Data (4 bytes)"}})});
  cases.push_back({"Ethernet II, named EtherType without a decoder",
                   FrameBuilder().ether(B, A, 0x6004).be16(0), "Ethernet II/DEC-LAT",
                   "Ethernet/Unknown", 0, A, B,
                   Join({EthLines(0, "Ethernet II", B, A, "Protocol (2 bytes) - 0x6004 DEC-LAT"),
                         {"14+2 Data (2 bytes)"}})});
  cases.push_back(
      {"Ethernet II loopback to a multicast group",
       FrameBuilder().ether("01:00:5E:00:00:01", A, 0x9000).be16(0), "Ethernet II/Loopback",
       "Ethernet/Loopback", 2, A, "01:00:5E:00:00:01",
       Join({EthLines(0, "Ethernet II", "01:00:5E:00:00:01 (All Systems on this Subnet)", A,
                      "Protocol (2 bytes) - 0x9000 Loopback"),
             {"14+2 Data (2 bytes)"}})});
  cases.push_back(
      {"FF:FF:FF:00:00:01 is a group address, not broadcast",
       FrameBuilder().ether("FF:FF:FF:00:00:01", A, 0x1234), "Ethernet II/Unknown",
       "Ethernet/Unknown", 2, A, "FF:FF:FF:00:00:01",
       Join({EthLines(0, "Ethernet II", "FF:FF:FF:00:00:01 Locally administered Address", A,
                      "Protocol (2 bytes) - 0x1234 Unknown"),
             {"14+0 Data (0 bytes)"}})});
  {
    const char* c = "00:AA:00:00:00:01";
    cases.push_back(
        {"ARP request",
         FrameBuilder().ether(kBcast, c, 0x0806).raw(Arp(1, c, "10.1.1.2", kNoMac, "10.1.1.1")),
         "Ethernet II/ARP Request - Who is 10.1.1.1", "Ethernet/ARP", 1, "10.1.1.2", kBcast,
         Join({EthLines(0, "Ethernet II", "FF:FF:FF:FF:FF:FF Broadcast",
                        std::string(c) + " (10.1.1.2)", "Protocol (2 bytes) - 0x0806 ARP"),
               ArpLines(14, 1, std::string(c) + " (10.1.1.2)", "10.1.1.2", kNoMac, "10.1.1.1")})});
  }
  {
    const char* c = "00:AB:00:00:00:01";
    const char* d = "00:BB:00:00:00:02";
    cases.push_back(
        {"ARP reply, padded",
         FrameBuilder().ether(c, d, 0x0806).raw(Arp(2, d, "10.2.2.1", c, "10.2.2.2")).padTo(60),
         "Ethernet II/ARP Reply - I am 10.2.2.1", "Ethernet/ARP", 0, "10.2.2.1", "10.2.2.2",
         Join({EthLines(0, "Ethernet II", std::string(c) + " (10.2.2.2)",
                        std::string(d) + " (10.2.2.1)", "Protocol (2 bytes) - 0x0806 ARP"),
               ArpLines(14, 2, std::string(d) + " (10.2.2.1)", "10.2.2.1",
                        std::string(c) + " (10.2.2.2)", "10.2.2.2")})});
  }
  cases.push_back({"raw 802.3: the length cuts the padding off",
                   FrameBuilder().ether(B, A, 34).be16(0xFFFF).zeros(32).padTo(60), "802.3-Raw",
                   "Ethernet/Unknown", 0, A, B,
                   Join({EthLines(0, "IEEE 802.3 Ethernet", B, A, "Length (2 bytes) - 34"),
                         {"14+34 Data (34 bytes)"}})});
  const std::vector<std::string> llcSna = {
      "14+3 Logical Link Control (3 bytes)", "  14+1 DSAP (1 byte) - 0x04 (SNA)",
      "  15+1 SSAP (1 byte) - 0x04 (SNA)", "  16+1 Control (1 byte) - 0x03"};
  cases.push_back({"802.3 with LLC (SNA), padded",
                   FrameBuilder().ether(B, A, 7).raw({0x04, 0x04, 0x03}).be32(1).padTo(60),
                   "802.3/SNA", "Ethernet/SNA", 0, A, B,
                   Join({EthLines(0, "IEEE 802.3 Ethernet", B, A, "Length (2 bytes) - 7"),
                         llcSna,
                         {"17+4 Data (4 bytes)"}})});
  cases.push_back(
      {"802.3 with LLC, SAP without a decoder",
       FrameBuilder().ether(B, A, 5).raw({0x80, 0x81, 0x03}).be16(7), "802.3", "Ethernet/Unknown",
       0, A, B,
       Join({EthLines(0, "IEEE 802.3 Ethernet", B, A, "Length (2 bytes) - 5"),
             {"14+3 Logical Link Control (3 bytes)", "  14+1 DSAP (1 byte) - 0x80 (XNS)",
              "  15+1 SSAP (1 byte) - 0x81 (Unknown)", "  16+1 Control (1 byte) - 0x03",
              "17+2 Data (2 bytes)"}})});
  auto snap = [](const char* oui, const char* type) {
    return std::vector<std::string>{"14+3 Logical Link Control (3 bytes)",
                                    "  14+1 DSAP (1 byte) - 0xAA (SNAP)",
                                    "  15+1 SSAP (1 byte) - 0xAA (SNAP)",
                                    "  16+1 Control (1 byte) - 0x03",
                                    "17+5 SNAP",
                                    std::string("  17+3 Organization Code (3 bytes) - ") + oui,
                                    std::string("  20+2 eType (2 bytes) - 0x") + type};
  };
  cases.push_back({"SNAP: CDP",
                   FrameBuilder()
                       .ether("01:00:0C:CC:CC:CC", A, 12)
                       .raw({0xAA, 0xAA, 0x03, 0, 0, 0x0C})
                       .be16(0x2000)
                       .be32(2),
                   "802.3/SNAP/CDP", "Ethernet/CDP", 2, A, "01:00:0C:CC:CC:CC",
                   Join({EthLines(0, "IEEE 802.3 Ethernet", "01:00:0C:CC:CC:CC Multicast", A,
                                  "Length (2 bytes) - 12"),
                         snap("00 00 0C ", "2000"),
                         {"22+4 Data (4 bytes)"}})});
  cases.push_back({"SNAP: other organisation",
                   FrameBuilder()
                       .ether(B, A, 10)
                       .raw({0xAA, 0xAA, 0x03, 0x08, 0x00, 0x07})
                       .be16(0x809B)
                       .be16(3),
                   "802.3/SNAP OC=080007 eType=809B", "Ethernet/Unknown", 0, A, B,
                   Join({EthLines(0, "IEEE 802.3 Ethernet", B, A, "Length (2 bytes) - 10"),
                         snap("08 00 07 ", "809B"),
                         {"22+2 Data (2 bytes)"}})});
  {
    const char* e = "00:EE:00:00:00:01";
    cases.push_back(
        {"SNAP: encapsulated EtherType (ARP)",
         FrameBuilder()
             .ether(kBcast, e, 36)
             .raw({0xAA, 0xAA, 0x03, 0, 0, 0})
             .be16(0x0806)
             .raw(Arp(1, e, "10.3.3.2", kNoMac, "10.3.3.1")),
         "802.3/SNAP/Encap Ether/ARP Request - Who is 10.3.3.1", "Ethernet/ARP", 1, "10.3.3.2",
         kBcast,
         Join({EthLines(0, "IEEE 802.3 Ethernet", "FF:FF:FF:FF:FF:FF Broadcast",
                        std::string(e) + " (10.3.3.2)", "Length (2 bytes) - 36"),
               snap("00 00 00 ", "0806"),
               ArpLines(22, 1, std::string(e) + " (10.3.3.2)", "10.3.3.2", kNoMac, "10.3.3.1")})});
  }
  {
    const char* e = "00:E0:00:00:00:01";
    const char* f = "00:F0:00:00:00:02";
    cases.push_back(
        {"802.1q: ARP reply in VLAN 20, priority 5",
         FrameBuilder()
             .ether(e, f, 0x8100)
             .be16(0xA014)
             .be16(0x0806)
             .raw(Arp(2, f, "10.20.0.1", e, "10.20.0.2")),
         "Ethernet II/802.1q/ARP Reply - I am 10.20.0.1", "Ethernet/802.1q/ARP", 0, "10.20.0.1",
         "10.20.0.2",
         Join({EthLines(0, "Ethernet II", std::string(e) + " (10.20.0.2)",
                        std::string(f) + " (10.20.0.1)", "Protocol (2 bytes) - 0x8100 802.1q"),
               {"14+4 802.1q Virtual Lan", "  14+1 Priority (3 bits) - 1 0 1 = 5",
                "  14+1 Canonical Format Ind (1 bit) - 0", "  14+2 VLAN ID (12 bits) - 20",
                "  16+2 Embedded Protocol (2 bytes) - 0x0806 ARP"},
               ArpLines(18, 2, std::string(f) + " (10.20.0.1)", "10.20.0.1",
                        std::string(e) + " (10.20.0.2)", "10.20.0.2")})});
  }
  cases.push_back(
      {"double 802.1q",
       FrameBuilder()
           .ether(B, A, 0x8100)
           .be16(0x0064)
           .be16(0x8100)
           .be16(0x3014)
           .be16(0x1234)
           .be16(0),
       "Ethernet II/802.1q/802.1q/Unknown", "Ethernet/802.1q/802.1q", 0, A, B,
       Join({EthLines(0, "Ethernet II", B, A, "Protocol (2 bytes) - 0x8100 802.1q"),
             {"14+4 802.1q Virtual Lan", "  14+1 Priority (3 bits) - 0 0 0 = 0",
              "  14+1 Canonical Format Ind (1 bit) - 0", "  14+2 VLAN ID (12 bits) - 100",
              "  16+2 Embedded Protocol (2 bytes) - 0x8100 802.1q", "18+4 802.1q Virtual Lan",
              "  18+1 Priority (3 bits) - 0 0 1 = 1", "  18+1 Canonical Format Ind (1 bit) - 1",
              "  18+2 VLAN ID (12 bits) - 20",
              "  20+2 Embedded Protocol (2 bytes) - 0x1234 Unknown", "22+2 Data (2 bytes)"}})});
  cases.push_back(
      {"802.1q carrying 802.3 with LLC",
       FrameBuilder()
           .ether(B, A, 0x8100)
           .be16(0x0014)
           .be16(7)
           .raw({0x04, 0x04, 0x03})
           .be32(1)
           .padTo(64),
       "Ethernet II/802.1q/802.3/SNA", "Ethernet/802.1q/SNA", 0, A, B,
       Join({EthLines(0, "Ethernet II", B, A, "Protocol (2 bytes) - 0x8100 802.1q"),
             {"14+4 802.1q Virtual Lan", "  14+1 Priority (3 bits) - 0 0 0 = 0",
              "  14+1 Canonical Format Ind (1 bit) - 0", "  14+2 VLAN ID (12 bits) - 20",
              "  16+2 Length (2 bytes) - 7", "18+3 Logical Link Control (3 bytes)",
              "  18+1 DSAP (1 byte) - 0x04 (SNA)", "  19+1 SSAP (1 byte) - 0x04 (SNA)",
              "  20+1 Control (1 byte) - 0x03", "21+4 Data (4 bytes)"}})});
  {
    const char* g = "00:DD:00:00:00:01";
    cases.push_back(
        {"ISL carrying a tagged ARP request",
         FrameBuilder()
             .mac("01:00:0C:00:00:03")
             .mac("00:CC:00:00:00:01")
             .be16(64)
             .raw({0xAA, 0xAA, 0x03, 0x00, 0xCC, 0x00})
             .be16(0x0029)
             .be16(5)
             .be16(0)
             .ether(kBcast, g, 0x8100)
             .be16(0x0014)
             .be16(0x0806)
             .raw(Arp(1, g, "10.9.9.2", kNoMac, "10.9.9.1")),
         "ISL/Ethernet II/802.1q/ARP Request - Who is 10.9.9.1", "ISL/Ethernet/802.1q/ARP", 1,
         "10.9.9.2", kBcast,
         Join({{"0+26 Inter-Switch Link (ISL)",
                "  0+6 Destination (6 bytes) - 01:00:0C:00:00:03 Multicast",
                "    5+1 Frame Type (1 byte) - 0 (Ethernet)",
                "    5+1 User Priority (1 byte) - 3 (Highest Priority)",
                "  6+6 Source (6 bytes) - 00:CC:00:00:00:01", "  12+2 Length (2 bytes) - 64",
                "  14+3 SNAP/LLC (3 bytes) - 0xAAAA03", "  17+3 HSA (3 bytes) - 0x00CC00",
                "  20+2 Vlan ID (2 bytes) - 20", "  21+1 BPDU/CDP (1 byte) - 1",
                "  22+2 Index (2 bytes) - 5", "  24+2 Reserved (2 bytes)"},
               EthLines(26, "Ethernet II", "FF:FF:FF:FF:FF:FF Broadcast",
                        std::string(g) + " (10.9.9.2)", "Protocol (2 bytes) - 0x8100 802.1q"),
               {"40+4 802.1q Virtual Lan", "  40+1 Priority (3 bits) - 0 0 0 = 0",
                "  40+1 Canonical Format Ind (1 bit) - 0", "  40+2 VLAN ID (12 bits) - 20",
                "  42+2 Embedded Protocol (2 bytes) - 0x0806 ARP"},
               ArpLines(44, 1, std::string(g) + " (10.9.9.2)", "10.9.9.2", kNoMac, "10.9.9.1")})});
  }
  return cases;
}

TEST(LinkLayer, EachEncapsulation) {
  const auto cases = Cases();
  std::vector<Bytes> frames;
  for (const auto& c : cases) frames.push_back(c.frame);
  test::DecodeFixture fx;
  ASSERT_TRUE(fx.Load(frames));
  ASSERT_EQ(fx.session.FrameCount, cases.size());
  for (uint32_t i = 0; i < cases.size(); ++i) {
    const Case& c = cases[i];
    const uint32_t n = i + 1;
    SCOPED_TRACE(c.name);
    EXPECT_EQ(fx.session.Description(n), c.desc);
    EXPECT_EQ(fx.Stack(n), c.stack);
    EXPECT_EQ(fx.session.FrameTable[n].Cast, c.cast);
    EXPECT_EQ(FrameCellText(fx.session, n, 'D'), c.src);
    EXPECT_EQ(FrameCellText(fx.session, n, 'F'), c.dst);
    EXPECT_EQ(fx.Tree(n), c.tree);
  }
}

// Every prefix of every case: the decode never reads or points past the
// captured bytes, a cut layer hands nothing on, and the stack still starts
// with the link layer.
TEST(LinkLayer, TruncatedFramesStayInsideTheFrame) {
  std::vector<Bytes> frames;
  for (const auto& c : Cases())
    for (size_t len = 1; len < c.frame.size(); ++len)
      frames.emplace_back(c.frame.begin(), c.frame.begin() + static_cast<ptrdiff_t>(len));
  test::DecodeFixture fx;
  ASSERT_TRUE(fx.Load(frames));
  ASSERT_EQ(fx.session.FrameCount, frames.size());
  for (uint32_t n = 1; n <= fx.session.FrameCount; ++n) {
    const uint32_t len = static_cast<uint32_t>(frames[n - 1].size());
    SCOPED_TRACE("frame " + std::to_string(n) + ", " + std::to_string(len) + " bytes");
    DecodeContext c(fx.session, fx.env);
    DetailTree tree(true);
    ASSERT_TRUE(BuildFrameTree(fx.session, c, tree, n));
    tree.Walk([&](const DetailNode& item, int) {
      EXPECT_LE(item.Offset + item.Length, len) << item.Text;
    });
    const std::string stack = fx.Stack(n);
    if (len < 14) {
      EXPECT_EQ(stack, "Unknown");
      continue;
    }
    EXPECT_TRUE(stack.starts_with("Ethernet") || stack.starts_with("ISL")) << stack;
    EXPECT_FALSE(fx.session.Description(n).empty());
  }
}

// Where a frame is cut decides how far its Description and stack go.
TEST(LinkLayer, CutHeadersEndTheDecode) {
  const auto cases = Cases();
  auto frame = [&](const char* name, size_t len) {
    for (const auto& c : cases)
      if (std::string(c.name) == name)
        return Bytes(c.frame.begin(), c.frame.begin() + static_cast<ptrdiff_t>(len));
    return Bytes{};
  };
  struct Cut {
    Bytes frame;
    std::string desc, stack, src;
  } cuts[] = {
      // A short ARP packet names no stations.
      {frame("ARP request", 41), "Ethernet II/ARP", "Ethernet/ARP", "00:AA:00:00:00:01"},
      // A tag cut short: nothing is handed on.
      {frame("802.1q: ARP reply in VLAN 20, priority 5", 17), "Ethernet II/802.1q",
       "Ethernet/802.1q", "00:F0:00:00:00:02"},
      {frame("802.1q: ARP reply in VLAN 20, priority 5", 18), "Ethernet II/802.1q/ARP",
       "Ethernet/802.1q/ARP", "00:F0:00:00:00:02"},
      {frame("802.1q: ARP reply in VLAN 20, priority 5", 45), "Ethernet II/802.1q/ARP",
       "Ethernet/802.1q/ARP", "00:F0:00:00:00:02"},
      // LLC and SNAP headers cut short by the frame.
      {frame("802.3 with LLC (SNA), padded", 16), "802.3", "Ethernet/Unknown", A},
      {frame("SNAP: CDP", 21), "802.3/SNAP", "Ethernet/Unknown", A},
      {frame("ISL carrying a tagged ARP request", 20), "ISL", "ISL", "00:CC:00:00:00:01"},
      {frame("ISL carrying a tagged ARP request", 30), "ISL/Malformed Frame",
       "ISL/Ethernet/Unknown", "00:CC:00:00:00:01"},
  };
  std::vector<Bytes> frames;
  for (const auto& c : cuts) frames.push_back(c.frame);
  // LLC and SNAP cut short by the 802.3 length instead of the frame's end.
  frames.push_back(FrameBuilder().ether(B, A, 2).raw({0x04, 0x04, 0x03}).padTo(60));
  frames.push_back(
      FrameBuilder().ether(B, A, 7).raw({0xAA, 0xAA, 0x03, 0, 0, 0x0C}).be16(0x2000).padTo(60));
  test::DecodeFixture fx;
  ASSERT_TRUE(fx.Load(frames));
  for (uint32_t i = 0; i < std::size(cuts); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(fx.session.Description(i + 1), cuts[i].desc);
    EXPECT_EQ(fx.Stack(i + 1), cuts[i].stack);
    EXPECT_EQ(FrameCellText(fx.session, i + 1, 'D'), cuts[i].src);
  }
  const uint32_t llc = std::size(cuts) + 1, snap = llc + 1;
  EXPECT_EQ(fx.session.Description(llc), "802.3");
  EXPECT_EQ(fx.Tree(llc).back(), "  15+1 SSAP (1 byte) - 0x04 (SNA)");
  EXPECT_EQ(fx.session.Description(snap), "802.3/SNAP");
  EXPECT_EQ(fx.Tree(snap).back(), "  17+3 Organization Code (3 bytes) - 00 00 0C ");
}

// An 802.3 length of 0 leaves nothing for the LLC decoder: the bytes after
// the header are data, covered by a line like every other byte.
TEST(LinkLayer, ZeroLengthShowsTheRestAsData) {
  test::DecodeFixture fx;
  ASSERT_TRUE(fx.Load(
      std::vector<Bytes>{FrameBuilder().ether(B, A, 0).raw({0xAA, 0xAA, 0x03}).padTo(1514)}));
  EXPECT_EQ(fx.session.Description(1), "802.3");
  const auto tree = fx.Tree(1);
  ASSERT_EQ(tree.size(), 5u);
  EXPECT_EQ(tree.back(), "14+1500 Data (1500 bytes)");
}

TEST(LinkLayer, ShortEthernetFrameIsMalformed) {
  test::DecodeFixture fx;
  ASSERT_TRUE(fx.Load(std::vector<Bytes>{FrameBuilder().mac(B).mac(A).u8(8)}));
  EXPECT_EQ(fx.Stack(1), "Unknown");
  EXPECT_EQ(fx.session.Description(1), "");
  EXPECT_EQ(fx.Tree(1), std::vector<std::string>{"0+13 Malformed Frame (13 bytes)"});
}

TEST(LinkLayer, VendorNamesTheSnapOrganisation) {
  test::DecodeFixture fx;
  fx.env.Vendors.AddLine("00000CCisco Systems");
  ASSERT_TRUE(fx.Load(std::vector<Bytes>{
      FrameBuilder().ether(B, A, 8).raw({0xAA, 0xAA, 0x03, 0, 0, 0x0C}).be16(0x2004)}));
  EXPECT_EQ(fx.session.Description(1), "802.3/SNAP/DTP");
  const auto tree = fx.Tree(1);
  EXPECT_NE(std::find(tree.begin(), tree.end(),
                      "  17+3 Organization Code (3 bytes) - 00 00 0C  (Cisco Systems)"),
            tree.end());
  EXPECT_EQ(tree.back(), "22+0 Data (0 bytes)");
}

// Tags in a row are unwrapped up to a limit; the rest is payload.
TEST(LinkLayer, TagsInARowAreBounded) {
  FrameBuilder f;
  f.ether(B, A, 0x8100);
  for (int i = 0; i < 100; ++i) f.be16(static_cast<uint16_t>(i)).be16(0x8100);
  f.be16(0).be16(0x1234);
  test::DecodeFixture fx;
  ASSERT_TRUE(fx.Load(std::vector<Bytes>{f}));
  std::string desc = "Ethernet II";
  for (int i = 0; i < kMaxVlanTags; ++i) desc += "/802.1q";
  // The summary stops at the same tag as the tree: the rest is data.
  EXPECT_EQ(fx.session.Description(1), desc);
  const auto tree = fx.Tree(1);
  EXPECT_EQ(std::count_if(tree.begin(), tree.end(),
                          [](const std::string& l) {
                            return l.find("802.1q Virtual Lan") != std::string::npos;
                          }),
            kMaxVlanTags);
  EXPECT_EQ(tree.back(), std::to_string(14 + 4 * kMaxVlanTags) + "+" +
                             std::to_string(f.size() - 14 - 4 * kMaxVlanTags) + " Data (" +
                             std::to_string(f.size() - 14 - 4 * kMaxVlanTags) + " bytes)");
}

// What follows an LLC header: the summary and the tree both go by the DSAP,
// or by the SNAP organisation and type.
TEST(LinkLayer, LlcAndSnapDispatch) {
  const char* e = "00:E1:00:00:00:01";
  const Bytes arp = Arp(1, e, "10.4.4.2", kNoMac, "10.4.4.1");
  const Bytes ipv4 = FrameBuilder()
                         .raw({0x45, 0, 0, 20, 0, 1, 0, 0, 64, 0xFD, 0, 0})
                         .ipv4("10.5.5.1")
                         .ipv4("10.5.5.2");
  auto llc = [](uint8_t dsap, uint8_t ssap, const char* dname, const char* sname) {
    return std::vector<std::string>{
        "14+3 Logical Link Control (3 bytes)",
        std::string("  14+1 DSAP (1 byte) - 0x") + Hex(dsap, 2) + " (" + dname + ")",
        std::string("  15+1 SSAP (1 byte) - 0x") + Hex(ssap, 2) + " (" + sname + ")",
        "  16+1 Control (1 byte) - 0x03"};
  };
  auto snap = [](const char* oui, const char* type) {
    return std::vector<std::string>{"14+3 Logical Link Control (3 bytes)",
                                    "  14+1 DSAP (1 byte) - 0xAA (SNAP)",
                                    "  15+1 SSAP (1 byte) - 0xAA (SNAP)",
                                    "  16+1 Control (1 byte) - 0x03",
                                    "17+5 SNAP",
                                    std::string("  17+3 Organization Code (3 bytes) - ") + oui,
                                    std::string("  20+2 eType (2 bytes) - 0x") + type};
  };
  auto dot3 = [](std::initializer_list<uint8_t> header, const Bytes& payload) {
    FrameBuilder f;
    f.ether(B, A, static_cast<uint16_t>(header.size() + payload.size())).raw(header).raw(payload);
    return f.padTo(60);
  };
  struct LlcCase {
    const char* name;
    Bytes frame;
    std::string desc, stack;
    std::vector<std::string> tree;  // after the Ethernet branch
    bool more = false;              // the carried protocol's lines follow
  } cases[] = {
      {"IPv4 by SAP in summary and tree", dot3({0x06, 0x06, 0x03}, ipv4), "802.3/IPV4",
       "Ethernet/IPV4", Join({llc(0x06, 0x06, "IP", "IP"), {"17+20 IPv4 Header (20 bytes)"}}),
       true},
      {"SAPs that spell an EtherType go by the DSAP", dot3({0x08, 0x06, 0x03}, arp), "802.3/SNA",
       "Ethernet/SNA", Join({llc(0x08, 0x06, "SNA", "IP"), {"17+28 Data (28 bytes)"}})},
      {"NetBIOS over LLC names its protocol", dot3({0xF0, 0xF0, 0x03}, Bytes(4)), "802.3/Netbios",
       "Ethernet/Netbios", Join({llc(0xF0, 0xF0, "Netbios", "Netbios"), {"17+0 NetBios"}})},
      {"Encapsulated EtherType without a decoder by SNAP",
       dot3({0xAA, 0xAA, 0x03, 0, 0, 0, 0x90, 0x00}, Bytes(4)), "802.3/SNAP/Encap Ether",
       "Ethernet/Unknown", Join({snap("00 00 00 ", "9000"), {"22+4 Data (4 bytes)"}})},
      {"Encapsulated IPv6 is not handed on",
       dot3({0xAA, 0xAA, 0x03, 0, 0, 0, 0x86, 0xDD}, Bytes(2)), "802.3/SNAP/Encap Ether",
       "Ethernet/Unknown", Join({snap("00 00 00 ", "86DD"), {"22+2 Data (2 bytes)"}})},
      {"Spanning tree by SNAP has no organisation text",
       dot3({0xAA, 0xAA, 0x03, 0, 0, 0x0C, 0x01, 0x0B}, Bytes(4)), "802.3/SNAP", "Ethernet/Unknown",
       Join({snap("00 00 0C ", "010B"), {"22+4 Data (4 bytes)"}})},
      {"VTP by SNAP names its protocol", dot3({0xAA, 0xAA, 0x03, 0, 0, 0x0C, 0x20, 0x03}, Bytes(4)),
       "802.3/SNAP", "Ethernet/VTP", Join({snap("00 00 0C ", "2003"), {"22+4 Data (4 bytes)"}})},
      {"Another organisation's type is not an EtherType",
       dot3({0xAA, 0xAA, 0x03, 0x08, 0x00, 0x07, 0x08, 0x06}, arp),
       "802.3/SNAP OC=080007 eType=0806", "Ethernet/Unknown",
       Join({snap("08 00 07 ", "0806"), {"22+28 Data (28 bytes)"}})},
  };
  std::vector<Bytes> frames;
  for (const auto& c : cases) frames.push_back(c.frame);
  // The ARP frames register the station first, so that its MAC is annotated.
  frames.insert(frames.begin(), FrameBuilder().ether(kBcast, e, 0x0806).raw(arp));
  test::DecodeFixture fx;
  ASSERT_TRUE(fx.Load(frames));
  for (uint32_t i = 0; i < std::size(cases); ++i) {
    const LlcCase& c = cases[i];
    SCOPED_TRACE(c.name);
    EXPECT_EQ(fx.session.Description(i + 2), c.desc);
    EXPECT_EQ(fx.Stack(i + 2), c.stack);
    auto tree = fx.Tree(i + 2);
    ASSERT_GE(tree.size(), 4u);
    tree.erase(tree.begin(), tree.begin() + 4);
    if (c.more && tree.size() > c.tree.size()) tree.resize(c.tree.size());
    EXPECT_EQ(tree, c.tree);
  }
}

}  // namespace
}  // namespace kestle

namespace kestle {
namespace {

// Meeting the link layer again below the nesting limit adds nothing.
TEST(LinkLayer, ReentryIsBounded) {
  test::DecodeFixture fx;
  const Bytes f = FrameBuilder().ether(B, A, 0x1234).be16(0);
  DecodeContext c(fx.session, fx.env);
  c.LoadFrame(f.data(), static_cast<uint32_t>(f.size()));
  c.Nesting = kMaxNesting;
  EthernetSummary(c);
  EXPECT_EQ(c.Desc, "");
  DetailTree tree(true);
  c.Tree = &tree;
  EthernetTree(c);
  ISLTree(c);
  EXPECT_TRUE(tree.Empty());
  EXPECT_EQ(c.Nesting, kMaxNesting);
}

}  // namespace
}  // namespace kestle
