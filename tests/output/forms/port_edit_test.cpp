#include "output/forms/port_edit.h"

#include <gtest/gtest.h>
#include <strings.h>

namespace kestle {
namespace {

std::vector<WellKnownRec> Table() {
  return {{PortTCP, 20, "FTP Data", 0, 0},
          {PortBoth, 53, "DNS", 8, DecodeDNS},
          {PortTCP, 80, "HTTP", 17, DecodeHTTP}};
}

TEST(PortEdit, ChecksInOrder) {
  struct Case {
    bool add;
    const char* port;
    const char* description;
    const char* message;
    bool portField;
  };
  const Case cases[] = {
      {true, "abc", "x", "Port number is not numeric", true},
      {true, "", "x", "Port number is not numeric", true},
      {true, "53", "DNS two", "Port number already exists", true},
      {false, "53", "DNS two", "", false},
      {true, "70000", "x", "Port number must be between 1 and 65535", true},
      {true, "0", "x", "Port number must be between 1 and 65535", true},
      {true, "8080", "   ", "Description cannot be blank", false},
      {true, "8080", "Web, proxy", "Description cannot contain a comma", false},
      {true, "8080", " Web proxy ", "", false},
  };
  for (const Case& c : cases) {
    auto r = CheckPortEdit(Table(), c.add, c.port, c.description);
    EXPECT_EQ(r.Message, c.message) << c.port << " " << c.description;
    EXPECT_EQ(r.PortField, c.portField) << c.port;
  }
  EXPECT_EQ(CheckPortEdit(Table(), true, "8080", "x").Port, 8080);
}

TEST(PortEdit, InsertKeepsPortOrder) {
  auto t = Table();
  EXPECT_EQ(InsertPortSorted(t, {PortUDP, 60, "A", 0, 0}), 2u);
  EXPECT_EQ(InsertPortSorted(t, {PortUDP, 9000, "B", 0, 0}), 4u);
  EXPECT_EQ(InsertPortSorted(t, {PortUDP, 1, "C", 0, 0}), 0u);
  std::vector<uint16_t> ports;
  for (auto& e : t) ports.push_back(e.Port);
  EXPECT_EQ(ports, (std::vector<uint16_t>{1, 20, 53, 60, 80, 9000}));
}

TEST(PortEdit, NamesAndDecoderOrder) {
  EXPECT_EQ(PortTypeName(0), "UDP");
  EXPECT_EQ(PortTypeName(1), "TCP");
  EXPECT_EQ(PortTypeName(2), "Both");
  auto codes = DecoderCodesByName();
  ASSERT_EQ(codes.size(), size_t{kDecoderCount});
  EXPECT_EQ(std::string(DecoderNames[codes.front()]), "BGP");
  for (size_t i = 1; i < codes.size(); ++i)
    EXPECT_LE(strcasecmp(DecoderNames[codes[i - 1]], DecoderNames[codes[i]]), 0);
}

}  // namespace
}  // namespace kestle
