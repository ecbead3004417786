#include "protocols/snmp.h"

#include <gtest/gtest.h>

#include "decode/protocol_ids.h"
#include "protocols/service_fixture.h"

namespace kestle::test {
namespace {

// BER values for the messages below (short lengths, or 0x81 / 0x82 forms).
Bytes Tlv(uint8_t tag, const Bytes& contents) {
  Bytes b = {tag};
  const size_t n = contents.size();
  if (n < 0x80) {
    b.push_back(static_cast<uint8_t>(n));
  } else if (n < 0x100) {
    b.insert(b.end(), {0x81, static_cast<uint8_t>(n)});
  } else {
    b.insert(b.end(), {0x82, static_cast<uint8_t>(n >> 8), static_cast<uint8_t>(n)});
  }
  b.insert(b.end(), contents.begin(), contents.end());
  return b;
}
Bytes Seq(std::initializer_list<Bytes> parts) { return Tlv(0x30, Concat(parts)); }
Bytes Int(int32_t v) {
  Bytes c;
  for (int i = 3; i >= 0; --i) c.push_back(static_cast<uint8_t>(v >> (8 * i)));
  // Shortest two's complement form.
  while (c.size() > 1 && ((c[0] == 0 && !(c[1] & 0x80)) || (c[0] == 0xFF && (c[1] & 0x80))))
    c.erase(c.begin());
  return Tlv(0x02, c);
}
Bytes Str(std::string_view s) { return Tlv(0x04, Bytes(s.begin(), s.end())); }
// 1.3.6.1.2.1 followed by the rest (sub-identifiers below 128).
Bytes Mib2(std::initializer_list<uint8_t> rest) {
  Bytes c = {0x2B, 6, 1, 2, 1};
  c.insert(c.end(), rest);
  return Tlv(0x06, c);
}
const Bytes kNull = {0x05, 0x00};

Bytes Message(int32_t version, uint8_t pdu, const Bytes& fields,
              std::string_view community = "public") {
  return Seq({Int(version), Str(community), Tlv(pdu, fields)});
}
Bytes Request(std::initializer_list<Bytes> bindings, int32_t id = 28411, int32_t status = 0) {
  Bytes list;
  for (const Bytes& b : bindings) list = Concat({list, b});
  return Concat({Int(id), Int(status), Int(0), Tlv(0x30, list)});
}
Bytes Binding(const Bytes& oid, const Bytes& value) { return Seq({oid, value}); }

const Bytes kSysDescr = Mib2({1, 1, 0});

struct SNMP : ServiceFixture {
  SNMP() {
    for (const char* line :
         {"iso 1", "org 1.3", "dod 1.3.6", "internet 1.3.6.1", "sysDescr 1.3.6.1.2.1.1.1"})
      env.SnmpNames.AddLine(line);
  }
  // The value line of the first binding.
  std::string FirstValue(const Bytes& value) {
    Lines(SNMPTree, Message(1, 0xA2, Request({Binding(kSysDescr, value)})));
    return Text("Value 1");
  }
};

TEST_F(SNMP, SummaryNamesVersionAndPdu) {
  struct Case {
    const char* name;
    Bytes message;
    std::string summary;
  } cases[] = {
      {"v1 get", Message(0, 0xA0, Request({Binding(kSysDescr, kNull)})), "/SNMPv1/Get"},
      {"v2c response", Message(1, 0xA2, Request({})), "/SNMPv2c/Response"},
      {"set keeps its blank", Message(0, 0xA3, Request({})), "/SNMPv1/SET "},
      {"every name for v1", Message(0, 0xA5, Request({})), "/SNMPv1/GetBulk"},
      {"report", Message(1, 0xA8, {}), "/SNMPv2c/Report"},
      {"unknown pdu", Message(1, 0xAF, {}), "/SNMPv2c/Unknown"},
      {"version 3", Message(3, 0xA0, {}), "/SNMP"},
      {"no pdu", Seq({Int(0), Str("public")}), "/SNMPv1"},
      {"no community", Seq({Int(1)}), "/SNMPv2c"},
      {"not a sequence", Tlv(0x31, Int(0)), "/SNMP"},
      {"empty", {}, "/SNMP"},
  };
  for (const auto& k : cases) {
    EXPECT_EQ(Summary(SNMPSummary, k.message), k.summary) << k.name;
    EXPECT_TRUE(StackHas(ProtoSNMP)) << k.name;
  }
}

TEST_F(SNMP, GetRequestTree) {
  const auto lines = Lines(SNMPTree, Message(0, 0xA0, Request({Binding(kSysDescr, kNull)})));
  const std::vector<std::string> want = {
      "0+41 Simple Network Management Protocol (SNMP)",
      "  4+1 SNMP Version (1 byte) - SNMPv1",
      "  7+6 Community (6 bytes) - public",
      "  13+1 PDU Type (1 byte) - Get",
      "  17+2 Request-ID (2 bytes) - 28411",
      "  21+1 Error Status (1 byte) - 0 NoError",
      "  24+1 Error Index (1 byte) - 0",
      "  31+8 Object ID 1 (8 bytes) - iso.org.dod.internet.2.1.1.sysDescr.0",
      "  41+0 Value 1 (0 bytes) - Null:",
  };
  EXPECT_EQ(lines, want);
  EXPECT_FALSE(c.Truncated);
}

TEST_F(SNMP, ObjectIdentifiersAsNumbers) {
  env.settings.ShowSNMPOIDNumber = true;
  Lines(SNMPTree, Message(0, 0xA0, Request({Binding(kSysDescr, kNull)})));
  EXPECT_EQ(Text("Object ID 1"), "Object ID 1 (8 bytes) - 1.3.6.1.2.1.1.1.0");
  // Without names every identifier is numeric too.
  env.settings.ShowSNMPOIDNumber = false;
  env.SnmpNames.Clear();
  Lines(SNMPTree, Message(0, 0xA0, Request({Binding(kSysDescr, kNull)})));
  EXPECT_EQ(Text("Object ID 1"), "Object ID 1 (8 bytes) - 1.3.6.1.2.1.1.1.0");
}

TEST_F(SNMP, ValueTypes) {
  struct Case {
    Bytes value;
    std::string line;
  } cases[] = {
      {Int(-5), "Value 1 (1 byte) - Integer:-5"},
      {Int(-2147483647 - 1), "Value 1 (4 bytes) - Integer:-2147483648"},
      {Tlv(0x02, {}), "Value 1 (0 bytes) - Integer:0"},
      {Str("LaserPrinter 4250"), "Value 1 (17 bytes) - Octet String:LaserPrinter 4250"},
      {Str(std::string_view("  ab\0 ", 6)), "Value 1 (6 bytes) - Octet String:ab"},
      {Tlv(0x04, {0x01, 0xFF}), "Value 1 (2 bytes) - Octet String:1.255"},
      {Str("a:b"), "Value 1 (3 bytes) - Octet String:97.58.98"},  // ':' is not printable
      {Str("x () - y"), "Value 1 (8 bytes) - Octet String:x () - y"},
      {Str(""), "Value 1 (0 bytes) - Octet String:"},
      {kNull, "Value 1 (0 bytes) - Null:"},
      {kSysDescr, "Value 1 (8 bytes) - OID:iso.org.dod.internet.2.1.1.sysDescr.0"},
      {Tlv(0x40, {10, 0, 0, 1}), "Value 1 (4 bytes) - IP Address:10.0.0.1"},
      {Tlv(0x41, {0x01, 0x00}), "Value 1 (2 bytes) - Counter:256"},
      {Tlv(0x41, {0x00, 0xFF, 0xFF, 0xFF, 0xFF}), "Value 1 (5 bytes) - Counter:4294967295"},
      {Tlv(0x42, {0x00, 0x80, 0x00, 0x00, 0x00}), "Value 1 (5 bytes) - Gauge:2147483648"},
      {Tlv(0x42, {0xFF}), "Value 1 (1 byte) - Gauge:255"},
      {Tlv(0x43, {0x05, 0x79, 0xF4, 0xDE}), "Value 1 (4 bytes) - TimeTicks:91878622"},
      {Tlv(0x44, {1, 2, 250}), "Value 1 (3 bytes) - Opaque:1.2.250"},
  };
  for (const auto& k : cases) EXPECT_EQ(FirstValue(k.value), k.line);
}

// A value the decoder cannot read ends the bindings after its object line.
TEST_F(SNMP, UnreadableValueEndsTheBindings) {
  const Bytes cases[] = {
      Tlv(0x46, {1, 2, 3, 4, 5, 6, 7, 8}),        // Counter64: not decoded
      Tlv(0x41, {0x01, 0x00, 0x00, 0x00, 0x00}),  // five bytes without the leading zero
      Tlv(0x02, {0, 1, 2, 3, 4}),                 // an Integer of five bytes
      Tlv(0x40, {10, 0, 0}),                      // a short address
      {0x05, 0x01, 0x00},                         // Null with contents
      Tlv(0x80, {}),                              // noSuchObject
  };
  for (const Bytes& value : cases) {
    Lines(SNMPTree,
          Message(1, 0xA2, Request({Binding(kSysDescr, value), Binding(kSysDescr, kNull)})));
    EXPECT_TRUE(Has("Object ID 1"));
    EXPECT_FALSE(Has("Value 1"));
    EXPECT_FALSE(Has("Object ID 2"));
  }
}

// Object identifiers: sub-identifiers of up to 32 bits, at most 31 of them,
// the last one ending within the contents.
TEST_F(SNMP, ObjectIdentifierLimits) {
  env.settings.ShowSNMPOIDNumber = true;
  struct Case {
    Bytes contents;
    std::string text;  // "" = not readable
  } cases[] = {
      {{0x2B, 0x8F, 0xFF, 0xFF, 0xFF, 0x7F}, "1.3.4294967295"},
      {{0x2B, 0x90, 0x80, 0x80, 0x80, 0x00}, ""},  // 2^32
      {{0x2B, 0x86}, ""},                          // the last byte says more follows
      {{0x81, 0x00}, "2.48"},                      // a first number of two bytes
      {{0x78}, "2.40"},
      {{0x27}, "0.39"},
      {{}, ""},
  };
  for (const auto& k : cases) {
    Lines(SNMPTree, Message(1, 0xA2, Request({Binding(Tlv(0x06, k.contents), kNull)})));
    if (k.text.empty()) {
      EXPECT_FALSE(Has("Object ID 1")) << k.text;
    } else {
      EXPECT_EQ(Text("Object ID 1").substr(Text("Object ID 1").find(" - ") + 3), k.text);
    }
  }
  Bytes longest = {0x2B};
  longest.resize(30, 1);  // 31 sub-identifiers
  Lines(SNMPTree, Message(1, 0xA2, Request({Binding(Tlv(0x06, longest), kNull)})));
  EXPECT_TRUE(Has("Object ID 1"));
  longest.push_back(1);
  Lines(SNMPTree, Message(1, 0xA2, Request({Binding(Tlv(0x06, longest), kNull)})));
  EXPECT_FALSE(Has("Object ID 1"));
}

TEST_F(SNMP, PduFields) {
  Lines(SNMPTree, Message(1, 0xA5, Request({Binding(kSysDescr, kNull)}, 7, 2)));
  EXPECT_EQ(Text("PDU Type"), "PDU Type (1 byte) - GetBulk");
  EXPECT_EQ(Text("Non-Repeaters"), "Non-Repeaters (1 byte) - 2");
  EXPECT_EQ(Text("Max-Repititions"), "Max-Repititions (1 byte) - 0");
  EXPECT_FALSE(Has("Error Status"));
  Lines(SNMPTree, Message(1, 0xA2, Request({}, 1, 2)));
  EXPECT_EQ(Text("Error Status"), "Error Status (1 byte) - 2 NoSuchName");
  Lines(SNMPTree, Message(1, 0xA2, Request({}, 1, 99)));
  EXPECT_EQ(Text("Error Status"), "Error Status (1 byte) - 99 Unknown");
  // Version 1 names only its own PDUs in the tree.
  Lines(SNMPTree, Message(0, 0xA5, Request({})));
  EXPECT_EQ(Text("PDU Type"), "PDU Type (1 byte) - Unknown");
  Lines(SNMPTree, Message(0, 0xA3, Request({})));
  EXPECT_EQ(Text("PDU Type"), "PDU Type (1 byte) - SET ");
}

Bytes Trap(int32_t generic, int32_t specific) {
  return Message(
      0, 0xA4,
      Concat({Tlv(0x06, {0x2B, 6, 1, 4, 1}), Tlv(0x40, {10, 0, 0, 9}), Int(generic), Int(specific),
              Tlv(0x43, {0x01, 0x00}), Seq({Binding(kSysDescr, Str("up"))})}));
}

TEST_F(SNMP, TrapFields) {
  Lines(SNMPTree, Trap(3, 17));
  EXPECT_EQ(Text("PDU Type"), "PDU Type (1 byte) - TRAPv1");
  EXPECT_EQ(Text("Enterprise"), "Enterprise (5 bytes) - iso.org.dod.internet.4.1");
  EXPECT_EQ(Text("Area Address"), "Area Address (4 bytes) - 10.0.0.9");
  EXPECT_EQ(Text("Trap Type"), "Trap Type (1 byte) - 3 (Link Up)");
  EXPECT_EQ(Text("Specific TRap Code"), "Specific TRap Code (1 byte) - 17");
  EXPECT_EQ(Text("Time Stamp"), "Time Stamp (2 bytes) - 256");
  EXPECT_EQ(Text("Value 1"), "Value 1 (2 bytes) - Octet String:up");
  EXPECT_FALSE(Has("Request-ID"));
  // An unknown generic trap is shown as the code; the time stamp is still
  // read from its own field.
  Lines(SNMPTree, Trap(9, 17));
  EXPECT_FALSE(Has("Trap Type"));
  EXPECT_EQ(Text("Specific TRap Code"), "Specific TRap Code (1 byte) - 9");
  EXPECT_EQ(Text("Time Stamp"), "Time Stamp (2 bytes) - 256");
  EXPECT_TRUE(Has("Value 1"));
}

TEST_F(SNMP, MalformedAndOtherVersions) {
  Lines(SNMPTree, Tlv(0x31, Int(0)));
  EXPECT_EQ(Text("Malformed"), "Malformed Frame");
  // An outer length past the end is malformed too.
  Lines(SNMPTree, {0x30, 0x20, 0x02, 0x01, 0x00});
  EXPECT_EQ(Find("Malformed")->Length, 1u);
  // Lengths of more than three bytes and the indefinite form.
  Lines(SNMPTree, {0x30, 0x84, 0, 0, 0, 3, 0x02, 0x01, 0x00});
  EXPECT_TRUE(Has("Malformed"));
  Lines(SNMPTree, {0x30, 0x80, 0x02, 0x01, 0x00, 0x00, 0x00});
  EXPECT_TRUE(Has("Malformed"));
  Lines(SNMPTree, Message(3, 0xA0, Request({})));
  EXPECT_EQ(Text("Unknown SNMP"), "Unknown SNMP Version");
  EXPECT_FALSE(Has("Community"));
  // Long lengths: a community of 200 bytes.
  Lines(SNMPTree, Message(1, 0xA0, Request({}), std::string(200, 'c')));
  EXPECT_EQ(Text("Community"), "Community (200 bytes) - " + std::string(200, 'c'));
  EXPECT_TRUE(Has("Request-ID"));
}

TEST_F(SNMP, MalformedVariantsEndCleanly) {
  const Bytes message = Message(1, 0xA2,
                                Request({Binding(kSysDescr, Str("LaserPrinter")),
                                         Binding(Mib2({1, 3, 0}), Tlv(0x43, {1, 2, 3}))}));
  for (const Bytes& m : MalformedVariants(message)) {
    Summary(SNMPSummary, m);
    Lines(SNMPTree, m);
  }
  for (const Bytes& m : MalformedVariants(Trap(3, 1))) {
    Summary(SNMPSummary, m);
    Lines(SNMPTree, m);
  }
}

}  // namespace
}  // namespace kestle::test
