#include "decode/dispatch.h"

#include <gtest/gtest.h>

#include "protocols/ports.h"

namespace kestle {
namespace {

bool Complete(const DecoderUnit* u) { return !u || (u->Summary && u->Tree); }

// Every unit a table hands a payload to has both its builders.
TEST(Dispatch, EveryUnitHasSummaryAndTree) {
  for (uint32_t t = 0; t <= 0xFFFF; ++t) EXPECT_TRUE(Complete(EtherTypeUnit(static_cast<uint16_t>(t)))) << t;
  for (uint32_t p = 0; p <= 0xFF; ++p) {
    EXPECT_TRUE(Complete(LlcSapUnit(static_cast<uint8_t>(p)))) << p;
    EXPECT_TRUE(Complete(IpProtocolUnit(static_cast<uint8_t>(p)))) << p;
  }
  for (uint32_t oui : {0x000000u, 0x00000Cu, 0x0080C2u, 0x00000Fu})
    for (uint32_t t = 0; t <= 0xFFFF; ++t) EXPECT_TRUE(Complete(SnapUnit(oui, static_cast<uint16_t>(t))));
  for (uint16_t code = 0; code < kDecoderCount + 5; ++code) EXPECT_TRUE(Complete(PortDecoderUnit(code)));
  EXPECT_NE(EtherTypeUnit(0x0800), nullptr);
  EXPECT_NE(IpProtocolUnit(6), nullptr);
}

}  // namespace
}  // namespace kestle
