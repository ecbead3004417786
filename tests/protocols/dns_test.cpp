#include "protocols/dns.h"

#include <gtest/gtest.h>

#include "decode/domain_name.h"
#include "protocols/transport_fixture.h"

namespace kestle::test {
namespace {

struct DNS : TransportFixture {
  // The line whose text is exactly `text`, or nullptr.
  const DetailNode* Exact(std::string_view text) const {
    const DetailNode* found = nullptr;
    tree.Walk([&](const DetailNode& n, int) {
      if (!found && n.Text == text) found = &n;
    });
    return found;
  }
};

constexpr uint16_t kA = 1, kNS = 2, kCNAME = 5, kSOA = 6, kPTR = 12, kMX = 15, kTXT = 16,
                   kAAAA = 28, kSRV = 33;

Bytes Question(const Bytes& name, uint16_t type, uint16_t cls = 1) {
  return FrameBuilder().raw(name).be16(type).be16(cls);
}
Bytes Record(const Bytes& name, uint16_t type, const Bytes& data, uint32_t ttl = 300,
             uint16_t cls = 1, int dataLength = -1) {
  return FrameBuilder()
      .raw(name)
      .be16(type)
      .be16(cls)
      .be32(ttl)
      .be16(dataLength >= 0 ? dataLength : static_cast<uint16_t>(data.size()))
      .raw(data);
}
// A pointer to offset `at` of the message.
Bytes Ptr(uint16_t at) { return {static_cast<uint8_t>(0xC0 | at >> 8), static_cast<uint8_t>(at)}; }

Bytes Message(uint16_t flags, std::initializer_list<uint16_t> counts, const Bytes& body,
              uint16_t id = 0x7B21) {
  FrameBuilder b;
  b.be16(id).be16(flags);
  for (uint16_t n : counts) b.be16(n);
  return b.raw(body);
}

Bytes OverUDP(const Bytes& dns, uint16_t src = 51812, uint16_t dst = 53) {
  IPv4Spec s;
  s.protocol = 17;
  return IPv4Packet(s, UDPDatagram(src, dst, dns));
}

Bytes OverTCP(const Bytes& dns, bool prefix = true) {
  IPv4Spec s;
  Bytes payload = dns;
  if (prefix) payload = Concat({FrameBuilder().be16(static_cast<uint16_t>(dns.size())), dns});
  return IPv4Packet(s, Concat({TCPHeader(52011, 53, 0x18), payload}));
}

const Bytes kWww = DomainNameBytes("www.example.org");
const Bytes kQueryA = Message(0x0100, {1, 0, 0, 0}, Question(kWww, kA));

constexpr size_t kDnsAt = 14 + 20 + 8;  // frame offset of the message over UDP

TEST_F(DNS, StandardQuery) {
  EXPECT_EQ(Summary(OverUDP(kQueryA)), "/IPV4/UDP/DNS/Query www.example.org");
  EXPECT_EQ(session.Paths.ProtocolOf(c.FrameProtocol), ProtoDNS);
  const auto lines = Tree(OverUDP(kQueryA));
  const DetailNode* root = Find("Domain Name System (DNS)");
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(root->Text, "Domain Name System (DNS) (Query)");
  EXPECT_EQ(root->Parent, nullptr);
  EXPECT_EQ(root->Offset, kDnsAt);
  EXPECT_EQ(root->Length, kQueryA.size());
  EXPECT_EQ(Find("Transaction ID")->Text, "Transaction ID (2 bytes) - 0x7B21");
  const DetailNode* flags = Find("Flags : ");
  EXPECT_EQ(flags->Text, "Flags : 0x0100 (Standard query)");
  EXPECT_EQ(flags->Image, TreeImage::Flags);
  ASSERT_EQ(flags->Children.size(), 7u);
  EXPECT_EQ(flags->Children[0]->Text, "0... .... .... .... = Query");
  EXPECT_EQ(flags->Children[1]->Text, ".000 0... .... .... = Standard query");
  EXPECT_EQ(flags->Children[4]->Text, ".... ...1 .... .... = Recursion desired");
  EXPECT_EQ(flags->Children[6]->Text, ".... .... .... 0000 = no error");
  EXPECT_EQ(Find("Questions")->Text, "Questions (2 bytes) - 1");
  EXPECT_EQ(Find("Additional RRs")->Text, "Additional RRs (2 bytes) - 0");
  const DetailNode* queries = Find("Queries");
  ASSERT_EQ(queries->Children.size(), 1u);
  EXPECT_EQ(queries->Length, kWww.size() + 4);
  const DetailNode* q = queries->Children[0].get();
  EXPECT_EQ(q->Text, "www.example.org: type A, class IN");
  EXPECT_EQ(q->Children[0]->Text, "Name (17 bytes) - www.example.org");
  EXPECT_EQ(q->Children[1]->Text, "Type (2 bytes) - A");
  EXPECT_EQ(q->Children[2]->Text, "Class (2 bytes) - IN");
  EXPECT_EQ(Exact("Answers"), nullptr);  // sections with no entries are not shown
}

// A response with a CNAME and an A record whose names are pointers: the
// names are expanded, each pointer counts 2 bytes.
TEST_F(DNS, ResponseWithCompressedNames) {
  const Bytes body = Concat({Question(kWww, kA),
                             Record(Ptr(12), kCNAME, Concat({{3, 'w', 'e', 'b'}, Ptr(16)}), 3600),
                             Record(Ptr(33 + 12), kA, {198, 51, 100, 80}, 3661)});
  const Bytes msg = Message(0x8580, {1, 2, 0, 0}, body);
  EXPECT_EQ(Summary(OverUDP(msg, 53, 51812)), "/IPV4/UDP/DNS/Response web.example.org");
  Tree(OverUDP(msg, 53, 51812));
  EXPECT_EQ(Find("Flags : ")->Text, "Flags : 0x8580 (Standard response, no error)");
  EXPECT_EQ(Find(".... .1.. .... .... = ")->Text, ".... .1.. .... .... = Authoritative answer");
  const DetailNode* section = Exact("Answers");
  ASSERT_NE(section, nullptr);
  ASSERT_EQ(section->Children.size(), 2u);
  const DetailNode* cname = section->Children[0].get();
  EXPECT_EQ(cname->Text, "www.example.org: type CNAME, class IN, CNAME web.example.org");
  EXPECT_EQ(cname->Children[0]->Text, "Name (2 bytes) - www.example.org");
  EXPECT_EQ(cname->Children[3]->Text, "Time to live (4 bytes) - 60 minutes ");
  EXPECT_EQ(cname->Children[5]->Text, "Primary name (6 bytes) - web.example.org");
  const DetailNode* a = section->Children[1].get();
  EXPECT_EQ(a->Text, "web.example.org: type A, class IN, addr 198.51.100.80");
  EXPECT_EQ(a->Children[1]->Text, "Type (2 bytes) - ADDR");
  EXPECT_EQ(a->Children[3]->Text, "Time to live (4 bytes) - 1 hour 1 minute 1 second");
  EXPECT_EQ(a->Children[5]->Text, "IP Address (4 bytes) - 198.51.100.80");
  EXPECT_EQ(section->Length, cname->Length + a->Length);
}

// The summary of a response names the data of its first answer, for the
// class IN types that have one.
TEST_F(DNS, FirstAnswerInTheSummary) {
  const Bytes q = Question(kWww, kA);
  const Bytes target = DomainNameBytes("srv.example.org");
  struct Case {
    const char* name;
    Bytes answer;
    std::string summary;  // after "/IPV4/UDP/DNS/Response"
  } cases[] = {
      {"A", Record(Ptr(12), kA, {10, 0, 0, 1}), " 10.0.0.1"},
      {"NS", Record(Ptr(12), kNS, target), " srv.example.org"},
      {"CNAME", Record(Ptr(12), kCNAME, target), " srv.example.org"},
      {"SOA", Record(Ptr(12), kSOA, Concat({target, target, Bytes(20)})), " srv.example.org"},
      {"PTR", Record(Ptr(12), kPTR, target), " srv.example.org"},
      {"MX", Record(Ptr(12), kMX, Concat({{0, 10}, target})), " srv.example.org"},
      {"AAAA", Record(Ptr(12), kAAAA, IPv6Address("2001:db8::80")), " 2001:DB8::80"},
      {"SRV", Record(Ptr(12), kSRV, Concat({{0, 1, 0, 2, 0x13, 0xC4}, target})),
       " srv.example.org"},
      {"TXT has none", Record(Ptr(12), kTXT, {2, 'h', 'i'}), ""},
      {"class CH has none", Record(Ptr(12), kA, {10, 0, 0, 1}, 300, 3), ""},
      {"A shorter than an address", Record(Ptr(12), kA, {10, 0}), ""},
      {"a name past its data", Record(Ptr(12), kNS, target, 300, 1, 4), ""},
  };
  for (const auto& k : cases) {
    const Bytes msg = Message(0x8180, {1, 1, 0, 0}, Concat({q, k.answer}));
    EXPECT_EQ(Summary(OverUDP(msg, 53, 51812)), "/IPV4/UDP/DNS/Response" + k.summary) << k.name;
    Tree(OverUDP(msg, 53, 51812));  // every line inside its parent
  }
}

TEST_F(DNS, TimeToLiveTexts) {
  struct Case {
    uint32_t ttl;
    std::string text;
  } cases[] = {
      {86400, "24 hours "},
      {3661, "1 hour 1 minute 1 second"},
      {3659, "60 minutes 59 seconds"},  // hours only above 3659
      {3600, "60 minutes "},
      {90, "1 minute 30 seconds"},
      {1, "1 second"},
      {0, ""},
      {0xFFFFFFFF, ""},  // taken as signed
  };
  for (const auto& k : cases) {
    const Bytes msg = Message(0x8180, {0, 1, 0, 0}, Record(kWww, kA, {10, 0, 0, 1}, k.ttl));
    Tree(OverUDP(msg, 53, 51812));
    EXPECT_EQ(Find("Time to live")->Text, "Time to live (4 bytes) - " + k.text) << k.ttl;
  }
}

TEST_F(DNS, RecordDataLines) {
  const Bytes target = DomainNameBytes("mail.example.net");
  const Bytes msg = Message(
      0x8180, {0, 3, 0, 0},
      Concat({Record(kWww, kMX, Concat({{0, 10}, target})),
              Record(Ptr(12), kSRV, Concat({{0, 1, 0, 2, 0x13, 0xC4}, Ptr(12 + 17 + 10 + 2)})),
              Record(Ptr(12), kTXT, {2, 'h', 'i'}, 300, 3)}));
  Tree(OverUDP(msg, 53, 51812));
  EXPECT_EQ(Find("Preference")->Text, "Preference (2 bytes) - 10");
  const DetailNode* mx = Find("Mail exchange");
  EXPECT_EQ(mx->Text, "Mail exchange (20 bytes) - mail.example.net");
  EXPECT_EQ(mx->Offset, Find("Preference")->Offset);  // over the whole data
  const DetailNode* srv = Find("www.example.org: type SRV");
  ASSERT_NE(srv, nullptr);
  EXPECT_EQ(srv->Text,
            "www.example.org: type SRV, class IN, Priority 1, Weight 2, Port 5060, Target "
            "mail.example.net");
  EXPECT_EQ(Find("Priority")->Text, "Priority (2 bytes) - 1");
  EXPECT_EQ(Find("Weight")->Text, "Weight (2 bytes) - 2");
  EXPECT_EQ(Find("Port (2")->Text, "Port (2 bytes) - 5060");
  EXPECT_EQ(Find("Target")->Text, "Target (2 bytes) - mail.example.net");
  // A record of class CH: its type's name and no data line.
  const DetailNode* ch = Find("www.example.org: type TXT");
  ASSERT_NE(ch, nullptr);
  EXPECT_EQ(ch->Text, "www.example.org: type TXT, class CH");
  EXPECT_EQ(ch->Children.size(), 5u);
  EXPECT_EQ(ch->Children[1]->Text, "Type (2 bytes) - TXT");
}

// Over TCP the 2-byte length comes first: the branch covers it, and every
// other line lies 2 bytes further than over UDP.
TEST_F(DNS, OverTcpTheLengthComesFirst) {
  EXPECT_EQ(Summary(OverTCP(kQueryA)), "/IPV4/TCP (ACK PSH)/DNS/Query www.example.org");
  Tree(OverTCP(kQueryA));
  const size_t at = 14 + 20 + 20;
  const DetailNode* root = Find("Domain Name System");
  EXPECT_EQ(root->Offset, at);
  EXPECT_EQ(root->Length, kQueryA.size() + 2);
  EXPECT_EQ(Find("Length")->Text, "Length (2 bytes) - " + std::to_string(kQueryA.size()));
  EXPECT_EQ(Find("Length")->Offset, at);
  EXPECT_EQ(Find("Transaction ID")->Offset, at + 2);
  EXPECT_EQ(Find("Queries")->Offset, at + 2 + 12);
  // A zero length is not shown; over UDP there is no length at all.
  Bytes zero = Concat({{0, 0}, kQueryA});
  IPv4Spec s;
  Tree(IPv4Packet(s, Concat({TCPHeader(52011, 53, 0x18), zero})));
  EXPECT_EQ(Find("Length"), nullptr);
  EXPECT_EQ(Find("Transaction ID")->Offset, at + 2);
  Tree(OverUDP(kQueryA));
  EXPECT_EQ(Find("Length"), nullptr);
  // A SYN carries no message.
  EXPECT_EQ(Summary(IPv4Packet(s, TCPHeader(52011, 53, 0x02))), "/IPV4/TCP (SYN)/DNS");
}

TEST_F(DNS, DynamicUpdateNamesItsSections) {
  const Bytes msg = Message(
      0x2800, {1, 0, 1, 0},
      Concat({Question(DomainNameBytes("example.org"), kSOA), Record(kWww, kA, {10, 0, 0, 9})}));
  EXPECT_EQ(Summary(OverUDP(msg)), "/IPV4/UDP/DNS/Query Dynamic Update example.org");
  Tree(OverUDP(msg));
  EXPECT_EQ(Find("Flags : ")->Text, "Flags : 0x2800 (Dynamic Update query)");
  EXPECT_EQ(Find(".010 1")->Text, ".010 1... .... .... = Dynamic Update (5)");
  EXPECT_EQ(Find("Zones (")->Text, "Zones (2 bytes) - 1");
  EXPECT_EQ(Find("Prerequisites (")->Text, "Prerequisites (2 bytes) - 0");
  EXPECT_EQ(Find("Updates (")->Text, "Updates (2 bytes) - 1");
  EXPECT_NE(Exact("Zones"), nullptr);
  EXPECT_NE(Exact("Updates"), nullptr);
  EXPECT_EQ(Exact("Queries"), nullptr);
  EXPECT_EQ(Exact("Authoritative nameservers"), nullptr);
}

TEST_F(DNS, ResponseCodesAndOpcodesInFlags) {
  struct Case {
    uint16_t flags;
    std::string line;
  } cases[] = {
      {0x8183, "Flags : 0x8183 (Standard response, name error)"},
      {0x818A, "Flags : 0x818A (Standard response, NOTZONE)"},
      {0x818B, "Flags : 0x818B (Standard response)"},
      {0x8800, "Flags : 0x8800 (Inverse response, no error)"},
      {0x1000, "Flags : 0x1000 (query)"},
  };
  for (const auto& k : cases) {
    Tree(OverUDP(Message(k.flags, {0, 0, 0, 0}, {})));
    EXPECT_EQ(Find("Flags : ")->Text, k.line);
  }
  Tree(OverUDP(Message(0x818B, {0, 0, 0, 0}, {})));
  EXPECT_EQ(Find(".... .... .... 1011")->Text, ".... .... .... 1011 = Reserved");
  Tree(OverUDP(Message(0x1000, {0, 0, 0, 0}, {})));
  EXPECT_EQ(Find(".001 0")->Text, ".001 0... .... .... = Server status request");
}

// A name that loops through its pointers stops at the loop text, and the
// decode goes on after it.
TEST_F(DNS, PointerLoopEnds) {
  const Bytes body = Concat({{1, 'a'}, Ptr(12), FrameBuilder().be16(kA).be16(1)});
  const Bytes msg = Message(0x0100, {1, 0, 0, 0}, body);
  EXPECT_EQ(Summary(OverUDP(msg)), "/IPV4/UDP/DNS/Query " + std::string(kNameLoopText));
  Tree(OverUDP(msg));
  EXPECT_EQ(Find("Name")->Text, "Name (4 bytes) - " + std::string(kNameLoopText));
  EXPECT_EQ(Find("Type")->Text, "Type (2 bytes) - A");
}

// Names from the frame are shown safely and never rewritten.
TEST_F(DNS, NamesAreLiteral) {
  const Bytes name = {5, 'a', '(', ')', ' ', '-', 3, 'x', 0x07, 'y', 0};
  const Bytes msg = Message(0x0100, {1, 0, 0, 0}, Question(name, kA));
  EXPECT_EQ(Summary(OverUDP(msg)), "/IPV4/UDP/DNS/Query a() -.x.y");
  Tree(OverUDP(msg));
  EXPECT_EQ(Find("a()")->Text, "a() -.x.y: type A, class IN");
  EXPECT_EQ(Find("Name")->Text, "Name (11 bytes) - a() -.x.y");
}

// Records are walked while they start at offset 1399 at most: the section
// that reaches past it has no length and ends the decode.
TEST_F(DNS, RecordsPastTheLimitEndTheDecode) {
  Bytes answers;
  for (int i = 0; i < 100; ++i) answers = Concat({answers, Record(Ptr(12), kA, {10, 0, 0, 1})});
  const Bytes msg = Message(0x8180, {1, 100, 0, 1},
                            Concat({Question(kWww, kA), answers, Record(kWww, kA, {1, 2, 3, 4})}));
  Tree(OverUDP(msg, 53, 51812));
  const DetailNode* section = Exact("Answers");
  ASSERT_NE(section, nullptr);
  EXPECT_EQ(section->Length, 0u);
  EXPECT_EQ(section->Children.size(), (1399 - 33) / 16 + 1);
  EXPECT_EQ(Exact("Additional records"), nullptr);
}

// Malformed messages end cleanly: no line past the layer, no value that
// is not in the frame.
TEST_F(DNS, MalformedMessages) {
  struct Case {
    const char* name;
    Bytes dns;
    std::string summary;  // after "/IPV4/UDP"
    bool tree;            // a DNS branch
  } cases[] = {
      {"length 0", {}, "/DNS", false},
      {"three bytes", {0x7B, 0x21, 0x81}, "/DNS", false},
      {"one byte short of the header", Bytes(kQueryA.begin(), kQueryA.begin() + 11), "/DNS/Query",
       false},
      {"header only", Bytes(kQueryA.begin(), kQueryA.begin() + 12), "/DNS/Query", true},
      {"question cut short", Bytes(kQueryA.begin(), kQueryA.end() - 1), "/DNS/Query", true},
      {"counts of 0xFFFF", Message(0x8180, {0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF}, Question(kWww, kA)),
       "/DNS/Response", true},
      {"data length past the end",
       Message(0x8180, {0, 1, 0, 0}, Record(kWww, kA, {1}, 1, 1, 0xFFFF)), "/DNS/Response", true},
      {"name past the end", Message(0x0100, {1, 0, 0, 0}, {63, 'a', 'b'}), "/DNS/Query", true},
      {"pointer past the end", Message(0x0100, {1, 0, 0, 0}, {0xC0}), "/DNS/Query", true},
  };
  for (const auto& k : cases) {
    EXPECT_EQ(Summary(OverUDP(k.dns)), "/IPV4/UDP" + k.summary) << k.name;
    Tree(OverUDP(k.dns));
    EXPECT_EQ(Find("Domain Name System") != nullptr, k.tree) << k.name;
  }
  // A record whose data does not fit is not shown, nor are those after it.
  Tree(OverUDP(Message(0x8180, {0, 1, 0, 1}, Record(kWww, kA, {1}, 1, 1, 0xFFFF))));
  EXPECT_EQ(Find("www.example.org: type A"), nullptr);
  EXPECT_EQ(Exact("Additional records"), nullptr);
}

}  // namespace
}  // namespace kestle::test
