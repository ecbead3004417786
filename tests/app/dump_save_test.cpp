// kestle-dump --save and --info: the bytes the window's Save As writes, the
// values of File Information.
#include <gtest/gtest.h>
#include <utime.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/dump.h"
#include "decode/session.h"
#include "output/save.h"
#include "support/builders.h"
#include "support/expected.h"
#include "support/session_fixture.h"
#include "support/temp_dir.h"

namespace kestle {
namespace {

using namespace test;

struct Result {
  int status;
  std::string out, err;
};

Result Dump(std::vector<std::string> args) {
  std::ostringstream out, err;
  const int status = RunDump(args, out, err);
  return {status, out.str(), err.str()};
}

// What the core writes for these frames of a capture.
Bytes CoreSave(const std::string& capture, const std::vector<uint32_t>& frames, const TempDir& dir,
               int32_t firstFrame = 1) {
  SessionFixture f;
  f.env.settings.FirstFrame = firstFrame;
  EXPECT_TRUE(f.Open(capture));
  const std::string out = dir.file("core.enc");
  EXPECT_TRUE(SaveAsSniffer(f.session.Input, SaveFrameRefs(f.session, frames), out).Ok);
  return ReadFile(out);
}

std::vector<uint32_t> Frames(uint32_t first, uint32_t last) {
  std::vector<uint32_t> v;
  for (uint32_t n = first; n <= last; ++n) v.push_back(n);
  return v;
}

TEST(DumpSave, WritesTheBytesOfSaveAs) {
  const std::string capture = CapturePath("mixed.pcap");
  TempDir dir;
  const std::string out = dir.file("d.enc");
  struct Case {
    std::vector<std::string> options;
    std::vector<uint32_t> frames;
    int32_t firstFrame;
  };
  const Case cases[] = {
      {{}, Frames(1, 246), 1},
      {{"--frames", "3-5"}, {3, 4, 5}, 1},
      {{"--frames", "240-"}, Frames(240, 246), 1},
      // The load starts at the file's tenth frame, numbered 10.
      {{"--set", "FirstFrame=10", "--frames", "10-11"}, {1, 2}, 10},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.options.empty() ? "all" : c.options.back());
    std::vector<std::string> args = c.options;
    args.insert(args.end(), {"--save", out, capture});
    const Result r = Dump(args);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(ReadFile(out), CoreSave(capture, c.frames, dir, c.firstFrame));
    SessionFixture saved;
    ASSERT_TRUE(saved.Open(out));
    EXPECT_EQ(saved.session.FrameCount, c.frames.size());
  }
}

// Only Ethernet frames go into a Sniffer file; the save says how many it
// left out, with or without decoding.
TEST(DumpSave, FramesOfOtherLinkTypesAreLeftOutAndCounted) {
  PcapngWriter w;
  w.Section().Interface(1).Interface(101);
  w.Packet(0, 1, Frame(60)).Packet(1, 2, Bytes(20, 0x45)).Packet(0, 3, Frame(61));
  TempDir dir;
  const std::string capture = dir.file("two.pcapng");
  {
    std::ofstream f(capture, std::ios::binary);
    f.write(reinterpret_cast<const char*>(w.bytes().data()),
            static_cast<std::streamsize>(w.bytes().size()));
  }
  const std::string out = dir.file("eth.enc");
  // Read without decoding (nothing filters) and decoded (a search filters).
  const Result all = Dump({"--save", out, capture});
  ASSERT_EQ(all.status, 0) << all.err;
  EXPECT_EQ(all.err, "1 frame(s) of another link type were not saved\n");
  SessionFixture saved;
  ASSERT_TRUE(saved.Open(out));
  EXPECT_EQ(saved.session.FrameCount, 2u);
  // A search that finds only the raw IP frame leaves nothing to save: no
  // file, and the status of a save that could not be made.
  const std::string none = dir.file("none.enc");
  const Result found = Dump({"--find-hex", "45 45", "--save", none, capture});
  EXPECT_EQ(found.status, 4) << found.err;
  EXPECT_NE(found.err.find(savemsg::kNothingToSave), std::string::npos) << found.err;
  EXPECT_NE(found.err.find("1 frame(s) of another link type were not saved"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(none));
}

TEST(DumpSave, FilterOptionsSaveTheFramesTheyShow) {
  const std::string capture = CapturePath("mixed.pcap");
  TempDir dir;
  const std::string out = dir.file("dns.enc");
  const Result r = Dump({"--filter-protocol", "DNS", "--save", out, capture});
  ASSERT_EQ(r.status, 0) << r.err;
  const Result rows = Dump({"--tsv", "--filter-protocol", "DNS", capture});
  std::vector<uint32_t> frames;
  std::istringstream in(rows.out);
  std::string line;
  std::getline(in, line);  // the header
  while (std::getline(in, line)) frames.push_back(static_cast<uint32_t>(std::stoul(line)));
  ASSERT_FALSE(frames.empty());
  EXPECT_EQ(ReadFile(out), CoreSave(capture, frames, dir));

  const Result found = Dump({"--find", "example", "--save", out, capture});
  ASSERT_EQ(found.status, 0) << found.err;
  SessionFixture saved;
  ASSERT_TRUE(saved.Open(out));
  EXPECT_GT(saved.session.FrameCount, 0u);
  EXPECT_LT(saved.session.FrameCount, 246u);
}

TEST(DumpSave, FailuresExitWithStatus4AndLeaveNothing) {
  TempDir dir;
  const Bytes pcap = PcapFile({{Frame(60), 1615713600, 0, 0}});
  const std::string capture = dir.file("c.pcap");
  FILE* f = std::fopen(capture.c_str(), "wb");
  std::fwrite(pcap.data(), 1, pcap.size(), f);
  std::fclose(f);
  struct Case {
    std::string target;
    std::vector<std::string> more;
    std::string message;
  };
  const Case cases[] = {
      {capture, {}, FileMessage(savemsg::kOpenCapture, capture)},
      {capture, {"--filter-protocol", "ARP"}, FileMessage(savemsg::kOpenCapture, capture)},
      {dir.file("none/x.enc"),
       {},
       FileMessage(savemsg::kCannotCreate, dir.file("none/x.enc"), ENOENT)},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = c.more;
    args.insert(args.end(), {"--save", c.target, capture});
    const Result r = Dump(args);
    EXPECT_EQ(r.status, 4);
    EXPECT_EQ(r.err, std::string("kestle-dump: ") + c.message + "\n");
  }
  EXPECT_EQ(ReadFile(capture), pcap);
  EXPECT_EQ(dir.Names(), std::vector<std::string>{"c.pcap"});
}

TEST(DumpInfo, PrintsTheFileInformation) {
  TempDir dir;
  const Bytes pcap = PcapFile({{Frame(60), 1615713600, 0, 0}, {Frame(61), 1615713601, 0, 0}});
  const std::string capture = dir.file("info.pcap");
  FILE* f = std::fopen(capture.c_str(), "wb");
  std::fwrite(pcap.data(), 1, pcap.size(), f);
  std::fclose(f);
  struct utimbuf times {
    1078151137, 1078151137
  };  // 2004-03-01 14:25:37 UTC
  ::utime(capture.c_str(), &times);
  const Result r = Dump({"--info", capture});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "Name:         info.pcap\n"
            "Type:         Windump/TCPDUMP Capture\n"
            "Link Types:   Ethernet\n"
            "Change Date:  March 01 2004 - 14:25:37\n"
            "Size:         " +
                std::to_string(pcap.size()) +
                "\n"
                "Frames:       2\n"
                "TCP Sessions: 0\n"
                "Average Size: 60.50\n");
  const Result help = Dump({"--help"});
  EXPECT_NE(help.out.find("--save OUT "), std::string::npos);
  EXPECT_NE(help.out.find("--info"), std::string::npos);
}

}  // namespace
}  // namespace kestle
