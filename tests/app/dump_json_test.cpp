// kestle-dump --json: a document any JSON tool reads, with typed values, and
// trees that carry exactly the lines, offsets and lengths of --tree-offsets.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <set>
#include <sstream>

#include "output/json.h"
#include "support/dump_run.h"
#include "support/expected.h"
#include "support/json_reader.h"

namespace kestle {
namespace {

using test::Dump;
using test::JsonValue;

// The capture corpus: every format, plain and gzip-compressed.
std::vector<std::string> CorpusFiles() {
  std::vector<std::string> files;
  static const std::set<std::string> kCaptures = {".pcap", ".pcapng", ".cap",
                                                  ".enc",  ".5vw",    ".gz"};
  for (const auto& e : std::filesystem::directory_iterator(test::CapturePath("")))
    if (e.is_regular_file() && kCaptures.count(e.path().extension().string()))
      files.push_back(e.path().filename().string());
  std::sort(files.begin(), files.end());
  return files;
}

// A port as the grid's cell shows it: null (no port) is "0".
int64_t PortCell(const JsonValue& port) {
  return port.IsNumber() ? static_cast<int64_t>(port.Number()) : 0;
}

// "  [offset+length] text" lines of a tree, as --tree-offsets prints them;
// each line's label and value make its text again.
void FlattenTree(const JsonValue::Array& lines, int depth, std::ostringstream& out) {
  for (const JsonValue& n : lines) {
    const std::string& text = n["text"].String();
    if (n["value"].IsString())
      EXPECT_EQ(n["label"].String() + " - " + n["value"].String(), text);
    else
      EXPECT_EQ(n["label"].String(), text);
    out << std::string(static_cast<size_t>(2 * depth + 2), ' ') << "["
        << static_cast<uint64_t>(n["offset"].Number()) << "+"
        << static_cast<uint64_t>(n["length"].Number()) << "] " << n["text"].String() << "\n";
    FlattenTree(n["children"].Items(), depth + 1, out);
  }
}

TEST(KestleDumpJson, EveryCaptureGivesTheTreesOfTreeOffsets) {
  const std::vector<std::string> files = CorpusFiles();
  ASSERT_GE(files.size(), 10u);
  for (const std::string& name : files) {
    SCOPED_TRACE(name);
    const std::string path = test::CapturePath(name);
    const auto json = Dump({"--json", "--detail", "--dump", path});
    ASSERT_EQ(json.status, 0) << json.err;
    std::string error;
    const std::optional<JsonValue> doc = test::ParseJson(json.out, &error);
    ASSERT_TRUE(doc) << error;
    EXPECT_EQ((*doc)["file"].String(), path);
    EXPECT_FALSE((*doc)["format"].String().empty());

    // --tsv --tree-offsets: a header, then each frame's cells and its tree.
    const auto tsv = Dump({"--tsv", "--tree-offsets", path});
    ASSERT_EQ(tsv.status, 0);
    std::istringstream lines(tsv.out);
    std::string line;
    std::getline(lines, line);
    std::vector<std::string> cells, trees;
    while (std::getline(lines, line)) {
      if (line.rfind("  ", 0) == 0) {
        ASSERT_FALSE(trees.empty());
        trees.back() += line + "\n";
      } else {
        cells.push_back(line);
        trees.emplace_back();
      }
    }
    const JsonValue::Array& frames = (*doc)["frames"].Items();
    ASSERT_EQ(frames.size(), cells.size());
    for (size_t i = 0; i < frames.size(); ++i) {
      const JsonValue& f = frames[i];
      std::ostringstream row;
      row << static_cast<int64_t>(f["no"].Number()) << "\t" << f["time"].String() << "\t"
          << static_cast<int64_t>(f["length"].Number()) << "\t" << f["source"].String() << "\t"
          << PortCell(f["source_port"]) << "\t" << f["dest"].String() << "\t"
          << PortCell(f["dest_port"]) << "\t" << f["description"].String() << "\t"
          << f["protocol"].String();
      EXPECT_EQ(row.str(), cells[i]) << "frame " << i + 1;
      std::ostringstream tree;
      FlattenTree(f["tree"].Items(), 0, tree);
      EXPECT_EQ(tree.str(), trees[i]) << "frame " << i + 1;
      EXPECT_TRUE(f["rel_time"].IsNumber());
      EXPECT_TRUE(f["timestamp"].IsNumber());
      EXPECT_EQ(f["bytes"].String().size() % 2, 0u);
    }
  }
}

TEST(KestleDumpJson, FramesOnlyWithoutDetailAndUsageErrors) {
  const std::string path = test::CapturePath("mixed.pcap");
  const auto r = Dump({"--json", "--frames", "2-3", path});
  ASSERT_EQ(r.status, 0);
  const std::optional<JsonValue> doc = test::ParseJson(r.out);
  ASSERT_TRUE(doc);
  const JsonValue::Array& frames = (*doc)["frames"].Items();
  ASSERT_EQ(frames.size(), 2u);
  EXPECT_EQ(frames[0]["no"].Number(), 2);
  EXPECT_FALSE(frames[0].Has("tree"));
  EXPECT_FALSE(frames[0].Has("bytes"));

  // --json is the frame list: the other outputs are refused before the load.
  for (const char* other : {"--tsv", "--nodes", "--info", "--graph"}) {
    std::vector<std::string> args = {"--json", other};
    if (std::string(other) == "--graph") args.push_back("1");
    args.push_back(path);
    const auto bad = Dump(args);
    EXPECT_EQ(bad.status, 2) << other;
    EXPECT_TRUE(bad.out.empty()) << other;
  }
}

// Sets the local zone for one test; the suite's UTC comes back after it.
class ZoneGuard {
 public:
  explicit ZoneGuard(const char* tz) {
    setenv("TZ", tz, 1);
    tzset();
  }
  ~ZoneGuard() {
    setenv("TZ", "UTC", 1);
    tzset();
  }
};

TEST(KestleDumpJson, TimestampIsTheRecordsUtcTimeInAnyZone) {
  // mixed.pcap's first record: 1615713600 s and 274646 us (2021-03-14 09:20 UTC),
  // a few hours after the change to summer time in New York.
  for (const char* zone : {"UTC", "Europe/Berlin", "America/New_York", "Asia/Kolkata"}) {
    ZoneGuard guard(zone);
    const auto r = Dump({"--json", "--frames", "1", test::CapturePath("mixed.pcap")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("\"timestamp\":1615713600.274646,"), std::string::npos) << zone << "\n"
                                                                                 << r.out;
  }
}

TEST(KestleDumpJson, PortsAreNullWithoutPortsAndLinesSplitIntoLabelAndValue) {
  const std::string path = test::CapturePath("mixed.pcap");
  const auto r = Dump({"--json", "--detail", path});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::optional<JsonValue> doc = test::ParseJson(r.out);
  ASSERT_TRUE(doc);
  bool withPorts = false, withoutPorts = false;
  for (const JsonValue& f : (*doc)["frames"].Items()) {
    const std::string& protocol = f["protocol"].String();
    const bool transport =
        protocol.find("TCP") != std::string::npos || protocol.find("UDP") != std::string::npos;
    if (f["source_port"].IsNumber()) {
      withPorts = true;
      EXPECT_GT(f["source_port"].Number(), 0);
      EXPECT_TRUE(f["dest_port"].IsNumber());
    } else if (!transport) {
      withoutPorts = true;
      EXPECT_FALSE(f["dest_port"].IsNumber());
    }
  }
  EXPECT_TRUE(withPorts);
  EXPECT_TRUE(withoutPorts);
  // The frame's first lines: "Frame N (...)" has no separator, the arrival
  // time has one.
  const JsonValue& top = (*doc)["frames"].Items()[0]["tree"].Items()[0];
  EXPECT_EQ(top["label"].String(), top["text"].String());
  EXPECT_FALSE(top["value"].IsString());
  const JsonValue& arrival = top["children"].Items()[0];
  EXPECT_EQ(arrival["label"].String(), "Arrival Time");
  EXPECT_EQ("Arrival Time - " + arrival["value"].String(), arrival["text"].String());
}

TEST(JsonString, EscapesAndKeepsItValidUtf8) {
  struct Case {
    std::string in, out;
  } cases[] = {
      {"plain", "\"plain\""},
      {"a\"b\\c", "\"a\\\"b\\\\c\""},
      {"tab\tnl\ncr\r", "\"tab\\tnl\\ncr\\r\""},
      {std::string("nul\0x\x01\x1f\x7f", 8), "\"nul\\u0000x\\u0001\\u001f\\u007f\""},
      {"caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80",
       "\"caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80\""},
      // Bytes of a frame that are not UTF-8: Latin-1, a lone continuation
      // byte, an overlong form, a surrogate, a sequence cut at the end.
      {"\xE9t\xE9", "\"\xEF\xBF\xBDt\xEF\xBF\xBD\""},
      {"\x80", "\"\xEF\xBF\xBD\""},
      {"\xC0\xAF", "\"\xEF\xBF\xBD\xEF\xBF\xBD\""},
      {"\xED\xA0\x80", "\"\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\""},
      {"ab\xE2\x82", "\"ab\xEF\xBF\xBD\xEF\xBF\xBD\""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(JsonString(c.in), c.out);
    EXPECT_TRUE(test::ParseJson(JsonString(c.in))) << c.out;
  }
}

}  // namespace
}  // namespace kestle
