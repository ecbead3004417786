#include "output/textexport.h"

#include <gtest/gtest.h>

#include <sstream>

#include "decode/tree.h"

namespace kestle {
namespace {

TEST(TextExport, TreeLinesIndentByDepthAndPlaceValues) {
  DetailTree tree(/*printMode=*/true);
  DetailNode* top = tree.Add(nullptr, "Ethernet II (14 bytes)", 0, 14, TreeImage::Link);
  tree.Add(top, "Version (1 byte) - 4", 14, 1, TreeImage::Field);
  DetailNode* mid = tree.Add(top, "A-B - c", 0, 0, TreeImage::Field);
  tree.Add(mid, std::string(60, 'x') + " - long", 0, 0, TreeImage::Field);
  tree.Add(nullptr, "Address Resolution Protocol (ARP) - Request: Who is 10.1.1.1", 14, 28,
           TreeImage::Message);
  std::ostringstream out;
  TextExportWriter::WriteTree(out, tree);
  EXPECT_EQ(out.str(),
            "  Ethernet II (14 bytes)\n"
            "    Version (1 byte) " +
                std::string(29, ' ') +
                "  4\n"
                // The split is at the first "-" of a text holding "- ".
                "    A" +
                std::string(45, ' ') +
                " B - c\n"
                "      " +
                std::string(60, 'x') +
                "   long\n"
                "  Address Resolution Protocol (ARP) " +
                std::string(14, ' ') + "  Request: Who is 10.1.1.1\n");
}

TEST(TextExport, DumpLinesOfTwentyBytes) {
  std::vector<uint8_t> bytes(20);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>('A' + i);
  bytes[3] = 0x00;
  bytes[4] = 'a';
  std::ostringstream out;
  TextExportWriter::WriteDump(out, bytes);
  EXPECT_EQ(out.str(),
            "  0x0000  41 42 43 00 61 46 47 48 49 4A 4B 4C 4D 4E 4F 50   ABC.aFGHIJKLMNOP\n"
            "  0x0010  51 52 53 54" +
                std::string(12 * 3, ' ') + "   QRST\n");
}

}  // namespace
}  // namespace kestle
