#include "protocols/radius.h"

#include <gtest/gtest.h>

#include "decode/config/environment.h"
#include "protocols/service_fixture.h"

namespace kestle::test {
namespace {

using RADIUS = ServiceFixture;

Bytes Attribute(uint8_t type, const Bytes& value) {
  return Concat({{type, static_cast<uint8_t>(value.size() + 2)}, value});
}
Bytes Chars(std::string_view s) { return Bytes(s.begin(), s.end()); }
Bytes U32(uint32_t v) { return FrameBuilder().be32(v); }

// A packet with the given attributes; the Length field covers them unless
// given.
Bytes Packet(uint8_t code, std::initializer_list<Bytes> attributes, int length = -1) {
  Bytes body;
  for (const Bytes& a : attributes) body = Concat({body, a});
  FrameBuilder b;
  b.u8(code).u8(42).be16(length >= 0 ? static_cast<uint16_t>(length)
                                     : static_cast<uint16_t>(20 + body.size()));
  for (int i = 0; i < 16; ++i) b.u8(static_cast<uint8_t>(0xA0 + i));
  return Concat({b.bytes(), body});
}

TEST_F(RADIUS, AccessRequestTree) {
  const auto lines = Lines(
      RADIUSTree, Packet(1, {Attribute(1, Chars("carol")), Attribute(4, {192, 168, 10, 250})}));
  const std::vector<std::string> want = {
      "0+33 Remote Authentication Dial In User Service (RADIUS)",
      "  0+1 Code (1 byte) - 1 (Access-Request)",
      "  1+1 Identifier (1 byte) - 42",
      "  2+2 Length (2 bytes) - 33",
      "  4+16 Authenticator (16 bytes) - 0xA0A1A2A3A4A5A6A7A8A9AAABACADAEAF",
      "  20+7 Attribute Type=User-Name,Len=7,Value=carol",
      "    20+1 Type (1 byte) - 1 (User-Name)",
      "    21+1 Length (1 byte) - 7",
      "    22+5 Value (5 bytes) - carol",
      "  27+6 Attribute Type=NAS-IP-Address,Len=6,Value=192.168.10.250",
      "    27+1 Type (1 byte) - 4 (NAS-IP-Address)",
      "    28+1 Length (1 byte) - 6",
      "    29+4 Value (4 bytes) - 192.168.10.250",
  };
  EXPECT_EQ(lines, want);
  EXPECT_FALSE(c.Truncated);
}

// The attribute item's text by the attribute's value format.
TEST_F(RADIUS, AttributeValues) {
  struct Case {
    Bytes attribute;
    std::string item;
  } cases[] = {
      {Attribute(6, U32(2)), "Attribute Type=Service-Type,Len=6,Value=2 (Framed)"},
      {Attribute(6, U32(20)), "Attribute Type=Service-Type,Len=6,Value=20 (Unknown)"},
      {Attribute(6, U32(0x10002)), "Attribute Type=Service-Type,Len=6,Value=65538 (Framed)"},
      {Attribute(27, U32(3600)), "Attribute Type=Session-Timeout,Len=6,Value=3600"},
      {Attribute(49, U32(4)), "Attribute Type=Acct-Terminate-Cause,Len=6,Value=4 (Idle Timeout)"},
      {Attribute(61, U32(5)), "Attribute Type=NAS-Port-Type,Len=6,Value=5 (Virtual)"},
      {Attribute(7, U32(1)), "Attribute Type=Frame-Protocol,Len=6,Value=1 (PPP)"},
      {Attribute(5, {0, 1}), "Attribute Type=NAS-Port,Len=4,Value="},  // not 4 bytes
      {Attribute(4, {10, 0, 0}), "Attribute Type=NAS-IP-Address,Len=5,Value="},
      {Attribute(2, Chars("secret")), "Attribute Type=User-Password,Len=8,Value=0x736563726574"},
      {Attribute(24, {}), "Attribute Type=State,Len=2,Value=Null"},
      {Attribute(77, {1, 2}), "Attribute Type=Unknown(77},Len=4,Value=0x0102"},
      {Attribute(55, U32(1615713609)),
       "Attribute Type=Event-Timestamp,Len=6,Value=Sun, Mar 14, 2021 09:20:09"},
      {Attribute(55, U32(0xFFFFFFFF)),
       "Attribute Type=Event-Timestamp,Len=6,Value=Wed, Dec 31, 1969 23:59:59"},
      {Attribute(55, {1, 2}), "Attribute Type=Event-Timestamp,Len=4,Value="},
      {Attribute(18, Chars("a - b ()\x01")), "Attribute Type=Reply-Message,Len=11,Value=a - b ()."},
      // A long value is left out of the item (but not of its Value line).
      {Attribute(24, Bytes(20, 0xEE)), "Attribute Type=State,Len=22"},
      {Attribute(1, Chars(std::string(39, 'u'))),
       "Attribute Type=User-Name,Len=41,Value=" + std::string(39, 'u')},
      {Attribute(1, Chars(std::string(40, 'u'))), "Attribute Type=User-Name,Len=42"},
  };
  for (const auto& k : cases) {
    // One more attribute after it: the walk takes none of 2 bytes or less.
    Lines(RADIUSTree, Packet(2, {k.attribute, Attribute(5, U32(1))}));
    EXPECT_EQ(Text("Attribute"), k.item);
  }
  Lines(RADIUSTree, Packet(2, {Attribute(24, Bytes(20, 0xEE))}));
  EXPECT_EQ(Text("Value"), "Value (20 bytes) - 0x" + std::string(40, 'E'));
}

// The walk stays within the header's Length and the bytes present, and an
// attribute too short to move on ends it.
TEST_F(RADIUS, AttributeWalkEnds) {
  const Bytes name = Attribute(1, Chars("bob")), port = Attribute(5, U32(7));
  struct Case {
    const char* name;
    Bytes packet;
    size_t attributes;
  } cases[] = {
      {"both", Packet(1, {name, port}), 2},
      {"length covers the first", Packet(1, {name, port}, 25), 1},
      {"length below the header", Packet(1, {name, port}, 4), 0},
      {"length past the bytes", Packet(1, {name, port}, 0xFFFF), 2},
      {"attribute past the end", Packet(1, {name, {5, 9, 0, 0}}), 1},
      {"length 0", Packet(1, {name, {5, 0, 0, 0}, port}), 1},
      {"length 1", Packet(1, {name, {5, 1, 0, 0}, port}), 1},
      {"length 2", Packet(1, {{5, 2}, port}), 2},
      {"two bytes left", Packet(1, {name, {5, 2}}), 1},
  };
  for (const auto& k : cases) {
    Lines(RADIUSTree, k.packet);
    size_t n = 0;
    for (const auto& line : tree.Roots.at(0)->Children) n += line->Text.starts_with("Attribute");
    EXPECT_EQ(n, k.attributes) << k.name;
    EXPECT_FALSE(c.Truncated) << k.name;
  }
  EXPECT_TRUE(Lines(RADIUSTree, Bytes(19, 1)).empty());
}

TEST_F(RADIUS, MalformedVariantsEndCleanly) {
  for (const Bytes& m : MalformedVariants(
           Packet(1, {Attribute(1, Chars("carol")), Attribute(6, U32(2)), Attribute(55, U32(1))})))
    Lines(RADIUSTree, m);
}

}  // namespace
}  // namespace kestle::test
