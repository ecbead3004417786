#include "decode/config/snmp_names.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/builders.h"

namespace kestle {
namespace {

std::string Format(const SnmpNameTree& t, std::vector<uint32_t> subids) { return t.Format(subids); }

SnmpNameTree Tree(std::initializer_list<const char*> lines) {
  SnmpNameTree t;
  for (const char* l : lines) t.AddLine(l);
  return t;
}

TEST(SnmpNames, NamesDownToTheFirstUnknownSubidentifier) {
  const SnmpNameTree t =
      Tree({"iso 1", "org 1.3", "dod 1.3.6", "internet 1.3.6.1", "sysDescr 1.3.6.1.2.1.1.1"});
  EXPECT_EQ(Format(t, {1, 3, 6, 1, 2, 1, 1, 1, 0}), "iso.org.dod.internet.2.1.1.sysDescr.0");
  EXPECT_EQ(Format(t, {1, 3, 7, 1}), "iso.org.7.1");
  EXPECT_EQ(Format(t, {1, 3, 6, 1, 2, 1, 1, 1, 0, 5}), "iso.org.dod.internet.2.1.1.sysDescr.0.5");
  EXPECT_EQ(Format(t, {2, 1}), "2.1");
  EXPECT_EQ(Format(t, {}), "");
  // An unknown sub-identifier turns the rest into numbers, even where a
  // node of the same number exists deeper down.
  EXPECT_EQ(Format(t, {1, 9, 6, 1}), "iso.9.6.1");
}

TEST(SnmpNames, FileLines) {
  const SnmpNameTree t = Tree({
      "  # a comment",
      "* another",
      "noblank",
      "",
      "dot .",
      "iso 1",
      "  org   1.3  ",
      "late 1.3.6",
      "renamed 1.3.6",  // below the top level an existing node takes the new name
      "top 1",          // the top level keeps its name
      "word 1.3.x",     // a component that is not a number counts as 0
      "big 1.3.4294967296",
      "tab\t1.3.9",
  });
  EXPECT_EQ(Format(t, {1, 3, 6}), "iso.org.renamed");
  EXPECT_EQ(Format(t, {1, 3, 0}), "iso.org.big");  // "word", then renamed "big"
  EXPECT_EQ(Format(t, {1, 3, 9}), "iso.org.tab");
  EXPECT_EQ(t.Size(), 5u);
}

// The first sub-identifier is looked up among all entries, first created
// first; a line's first component likewise.
TEST(SnmpNames, FirstComponentMatchesAnyDepth) {
  const SnmpNameTree t = Tree({"a 5.3", "b 3.7", "c 9"});
  // 3 was created below 5 first: it is the node "3" of line b.
  EXPECT_EQ(Format(t, {3, 7}), "a.b");
  EXPECT_EQ(Format(t, {5, 3, 7}), "5.a.b");
  EXPECT_EQ(Format(t, {9}), "c");
}

// More entries than 16-bit indexes hold.
TEST(SnmpNames, ManyEntries) {
  SnmpNameTree t;
  t.AddLine("enterprises 1.3.6.1.4.1");
  for (uint32_t i = 1; i <= 70000; ++i)
    t.AddLine("e" + std::to_string(i) + " 1.3.6.1.4.1." + std::to_string(i));
  EXPECT_EQ(t.Size(), 70006u);
  EXPECT_EQ(Format(t, {1, 3, 6, 1, 4, 1, 69999, 2}), "1.3.6.1.4.enterprises.e69999.2");
  EXPECT_EQ(Format(t, {1, 3, 6, 1, 4, 1, 70000}), "1.3.6.1.4.enterprises.e70000");
}

// The names file the program ships.
TEST(SnmpNames, ShippedFile) {
  SnmpNameTree t;
  ASSERT_TRUE(t.Load(KESTLE_TEST_DATA "/../../data/Kestlesnmp.txt"));
  struct Case {
    std::vector<uint32_t> oid;
    std::string text;
  } cases[] = {
      {{1, 3, 6, 1, 2, 1, 1, 3, 0}, "iso.org.dod.internet.mgmt.mib-2.system.sysUpTime.0"},
      {{1, 3, 6, 1, 2, 1, 2, 2, 1, 10, 3},
       "iso.org.dod.internet.mgmt.mib-2.interfaces.ifTable.ifEntry.ifInOctets.3"},
      {{1, 3, 6, 1, 2, 1, 3, 1, 1, 2},
       "iso.org.dod.internet.mgmt.mib-2.at.atTable.atEntry.atPhysAddress"},
      {{1, 3, 6, 1, 2, 1, 4, 20, 1, 1},
       "iso.org.dod.internet.mgmt.mib-2.ip.ipAddrTable.ipAddrEntry.ipAdEntAddr"},
      {{1, 3, 6, 1, 2, 1, 5, 8}, "iso.org.dod.internet.mgmt.mib-2.icmp.icmpInEchos"},
      {{1, 3, 6, 1, 2, 1, 6, 13, 1, 1},
       "iso.org.dod.internet.mgmt.mib-2.tcp.tcpConnTable.tcpConnEntry.tcpConnState"},
      {{1, 3, 6, 1, 2, 1, 7, 1}, "iso.org.dod.internet.mgmt.mib-2.udp.udpInDatagrams"},
      {{1, 3, 6, 1, 2, 1, 11, 30}, "iso.org.dod.internet.mgmt.mib-2.snmp.snmpEnableAuthenTraps"},
      {{1, 3, 6, 1, 2, 1, 31, 1, 1, 1, 6},
       "iso.org.dod.internet.mgmt.mib-2.ifMIB.ifMIBObjects.ifXTable.ifXEntry.ifHCInOctets"},
      {{1, 3, 6, 1, 4, 1, 9}, "iso.org.dod.internet.private.enterprises.9"},
      {{1, 3, 6, 1, 6, 3, 1, 1, 5, 3},
       "iso.org.dod.internet.snmpV2.snmpModules.snmpMIB.snmpMIBObjects.snmpTraps.linkDown"},
  };
  for (const auto& k : cases) EXPECT_EQ(Format(t, k.oid), k.text);
  EXPECT_FALSE(t.Load("/nonexistent/Kestlesnmp.txt"));
}

}  // namespace
}  // namespace kestle
