// Display filter expressions: what each test selects over a small capture,
// how the operators combine, and where a wrong expression is refused.
#include "query/display_filter.h"

#include <gtest/gtest.h>

#include "decode/session.h"
#include "support/builders.h"
#include "support/packets.h"
#include "support/session_fixture.h"

namespace kestle::test {
namespace {

Bytes Tcp(uint16_t src, uint16_t dst, const std::string& payload) {
  Bytes h = TCPHeader(src, dst, 0x18);
  h.insert(h.end(), payload.begin(), payload.end());
  return h;
}

Bytes Ether(const char* dst, const char* src, uint16_t type, const Bytes& packet) {
  FrameBuilder f;
  f.ether(dst, src, type).raw(packet);
  return f.padTo(60);
}

constexpr const char* kMacA = "00:0c:29:00:00:01";
constexpr const char* kMacB = "00:0c:29:00:00:02";

// 1 TCP 10.0.0.1:1025 -> 10.0.0.2:80, 2 its answer, 3 DNS over UDP to
// 192.168.1.1, 4 ARP, 5 NTP over IPv6, 6 TCP 172.16.5.5:8080 -> 10.0.0.2:443.
Bytes SmallCapture() {
  std::vector<PcapFrame> frames;
  auto add = [&](Bytes b, uint32_t micro) {
    frames.push_back({std::move(b), 1000000000, micro, 0});
  };
  add(Ether(kMacB, kMacA, 0x0800,
            IPv4Packet(6, Tcp(1025, 80, "GET / HTTP/1.0\r\n"), "10.0.0.1", "10.0.0.2")),
      0);
  add(Ether(kMacA, kMacB, 0x0800,
            IPv4Packet(6, Tcp(80, 1025, "HTTP/1.0 200 OK\r\n"), "10.0.0.2", "10.0.0.1")),
      100000);
  add(Ether(kMacB, kMacA, 0x0800,
            IPv4Packet(17, UDPDatagram(5353, 53, Bytes(12, 0)), "10.0.0.1", "192.168.1.1")),
      200000);
  add(Ether("ff:ff:ff:ff:ff:ff", kMacA, 0x0806, ArpRequest(kMacA, "10.0.0.1", "10.0.0.2")), 300000);
  add(Ether(kMacB, kMacA, 0x86DD, IPv6Packet(17, UDPDatagram(123, 123, Bytes(48, 0)))), 400000);
  add(Ether(kMacB, kMacA, 0x0800, IPv4Packet(6, Tcp(8080, 443, "x"), "172.16.5.5", "10.0.0.2")),
      1500000);
  return PcapFile(frames);
}

std::vector<uint32_t> Select(CaptureSession& s, const std::string& text) {
  FilterError error;
  const auto e = FilterExpression::Parse(text, s.Env.Protocols, error);
  if (!e) {
    ADD_FAILURE() << text << ": " << error.Message;
    return {};
  }
  return MatchingFrames(BoundFilter(*e, s), s);
}

TEST(DisplayFilter, EachTestSelectsItsFrames) {
  Loaded l(SmallCapture());
  ASSERT_TRUE(l.ok);
  ASSERT_EQ(l.s().FrameCount, 6u);
  l.s().FrameTable[4].Tagged = 1;
  using V = std::vector<uint32_t>;
  struct Case {
    const char* text;
    V frames;
  };
  const Case cases[] = {
      {"tcp", {1, 2, 6}},
      {"TCP", {1, 2, 6}},
      {"udp", {3, 5}},
      {"arp", {4}},
      {"ipv6", {5}},
      {"ip", {1, 2, 3, 5, 6}},
      {"eth", {1, 2, 3, 4, 5, 6}},
      {"dns", {3}},
      {"ip.src == 10.0.0.1", {1, 3}},
      {"ip.dst == 10.0.0.2", {1, 6}},
      {"ip.addr == 10.0.0.2", {1, 2, 6}},
      {"ip.addr == 10.0.0.0/8", {1, 2, 3, 6}},
      {"ip.addr == 192.168.0.0/16", {3}},
      {"ip.addr != 10.0.0.0/8", {5}},
      {"ip.addr == 2001:db8::/32", {5}},
      {"ip.src == 2001:db8::1", {5}},
      {"ip.addr in {192.168.1.1 172.16.0.0/12}", {3, 6}},
      {"ip.src", {1, 2, 3, 5, 6}},
      {"eth.src == 00:0C:29:00:00:02", {2}},
      {"eth.dst == ff-ff-ff-ff-ff-ff", {4}},
      {"eth.addr == 00:0c:29:00:00:02", {1, 2, 3, 5, 6}},
      {"tcp.port == 80", {1, 2}},
      {"udp.port == 80", {}},
      {"port == 53", {3}},
      {"port != 80", {3, 5, 6}},
      {"srcport == 80", {2}},
      {"dstport in {53 123 400..500}", {3, 5, 6}},
      {"tcp.port == 1..1024", {1, 2, 6}},
      {"tcp.port >= 8080", {6}},
      {"frame.number <= 2 || frame.number == 6", {1, 2, 6}},
      {"frame.number in {2, 4..5}", {2, 4, 5}},
      {"frame.len > 60", {1, 2, 5}},
      {"frame.cap_len == 60", {3, 4, 6}},
      {"frame.time_relative >= 0.25", {4, 5, 6}},
      {"frame.time_relative < 1.5", {1, 2, 3, 4, 5}},
      {"tcp.session == 1", {1, 2}},
      {"tcp.session", {1, 2, 6}},
      {"description contains \"http\" and port == 80", {1, 2}},
      {"description matches \"^Ethernet.*ARP\"", {4}},
      {"tagged", {4}},
      {"not tagged and not ip", {}},
      {"!tcp", {3, 4, 5}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(Select(l.s(), c.text), c.frames);
  }
  EXPECT_EQ(Select(l.s(), "(tcp or udp) and ip.src == 10.0.0.1 && !dns"), V({1}));
  EXPECT_EQ(Select(l.s(), "not (tcp or arp)"), V({3, 5}));
  EXPECT_EQ(Select(l.s(), "tcp or udp and ip.addr == 192.168.1.1"), V({1, 2, 3, 6}));
}

TEST(DisplayFilter, WrongExpressionsAreRefusedWithTheirPlace) {
  Environment env;
  struct Case {
    const char* text;
    const char* message;
  };
  const Case cases[] = {
      {"ip.addr ==", "expected a value after '==' at column 11"},
      {"ip.addr == and tcp", "expected a value after '==' at column 12"},
      {"ip.src == 300.1.2.3", "expected an IPv4 or IPv6 address after '==' at column 11"},
      {"ip.src == 10.0.0.0/33", "expected an IPv4 or IPv6 address after '==' at column 11"},
      {"eth.src == 00:11", "expected a MAC address after '==' at column 12"},
      {"tcp.port == http", "expected a number after '==' at column 13"},
      {"tcp.port < 1..5", "a range is not allowed here at column 13"},
      {"tcp.port == 9..1", "the range ends before it starts at column 16"},
      {"ip.src > 10.0.0.1", "expected '==', '!=' or 'in' after 'ip.src' at column 8"},
      {"tcp.port in 80", "expected '{' after 'in' at column 13"},
      {"tcp.port in {80", "expected '}' at column 16"},
      {"tcp.port in {}", "expected a value after 'in {' at column 14"},
      {"description == \"x\"", "expected 'contains' or 'matches' after 'description' at column 13"},
      {"description contains x", "expected a quoted text after 'contains' at column 22"},
      {"description matches \"(\"", "expected a regular expression after 'matches' at column 21"},
      {"description contains \"abc", "a text is not closed with '\"' at column 22"},
      {"tcpp", "unknown field or protocol 'tcpp' at column 1"},
      {"tcp and", "expected a field, a protocol name, 'not' or '(' at column 8"},
      {"(tcp or udp", "expected ')' at column 12"},
      {"tcp)", "unexpected ')' at column 4"},
      {"tcp udp", "expected 'and', 'or' or the end at column 5"},
      {"tcp.port = 80", "expected '==' at column 10"},
      {"tcp # x", "unexpected character '#' at column 5"},
      {"", "expected a field, a protocol name, 'not' or '(' at column 1"},
      {"()", "expected a field, a protocol name, 'not' or '(' at column 2"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    FilterError error;
    EXPECT_FALSE(FilterExpression::Parse(c.text, env.Protocols, error));
    EXPECT_EQ(error.Message, c.message);
  }
  // Nesting is bounded: a hostile text is refused, not a stack overflow.
  FilterError error;
  EXPECT_FALSE(FilterExpression::Parse(std::string(100000, '('), env.Protocols, error));
  EXPECT_EQ(error.Message.substr(0, 30), "the expression nests too deepl");
  EXPECT_FALSE(FilterExpression::Parse(std::string(100000, '!') + "tcp", env.Protocols, error));
}

TEST(DisplayFilter, ProtocolNamesAsTheTableWritesThem) {
  Environment env;
  FilterError error;
  for (const char* text : {"linux_cooked", "Raw_IP", "loopback", "tacacs+", "ipx-rip", "802.1q"}) {
    SCOPED_TRACE(text);
    EXPECT_TRUE(FilterExpression::Parse(text, env.Protocols, error)) << error.Message;
  }
  EXPECT_TRUE(BlankFilterText("  \t"));
  EXPECT_FALSE(BlankFilterText(" tcp"));
}

}  // namespace
}  // namespace kestle::test
