// Reading a capture without decoding it: the load options and what a sink
// is handed.
#include "capture/input.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "capture/frame_index.h"
#include "support/builders.h"
#include "support/session_fixture.h"

namespace kestle::test {
namespace {

// Keeps a copy of every frame handed on.
struct CopySink : FrameSink {
  std::vector<CapturedFrame> frames;
  std::vector<Bytes> bytes;
  uint64_t reserved = 0;
  void Reserve(uint64_t n) override { reserved = n; }
  void AddFrame(const CapturedFrame& f) override {
    frames.push_back(f);
    bytes.emplace_back(f.Bytes.begin(), f.Bytes.end());
  }
};

std::vector<PcapFrame> Numbered(int n) {
  std::vector<PcapFrame> v;
  for (int i = 0; i < n; ++i)
    v.push_back(
        {Frame(60 + static_cast<size_t>(i), static_cast<uint8_t>(i)), 1000000000u + i, 250000, 0});
  return v;
}

TEST(CaptureInput, HandsEveryFrameToTheSinkWithItsRecordAndTimes) {
  TempFile file(PcapFile(Numbered(3)));
  RecordingNotifier notes;
  CaptureInput input(notes);
  CopySink sink;
  ASSERT_TRUE(input.Load(file.path(), LoadOptions{}, sink));
  EXPECT_TRUE(notes.Messages.empty());
  ASSERT_EQ(sink.frames.size(), 3u);
  EXPECT_GT(sink.reserved, 0u);
  uint64_t pos = 24;
  for (size_t i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    const CapturedFrame& f = sink.frames[i];
    EXPECT_EQ(f.RecordPos, pos);
    EXPECT_EQ(f.Header.Size, 60 + i);
    EXPECT_EQ(f.Header.TrueSize, 60 + i);
    EXPECT_EQ(sink.bytes[i], Frame(60 + i, static_cast<uint8_t>(i)));
    EXPECT_EQ(f.Seconds, 1000000000u + i);  // the tests run in UTC
    EXPECT_EQ(f.Micro, 250000u);
    EXPECT_DOUBLE_EQ(f.RelTime, static_cast<double>(i));
    pos += 16 + 60 + i;
  }
  // Any record can be read again from its position.
  ASSERT_TRUE(input.Reread(sink.frames[1].RecordPos));
  EXPECT_EQ(HeldFrame(input), sink.bytes[1]);
  EXPECT_FALSE(input.Reread(pos + 1000));
  EXPECT_TRUE(input.FrameBytes().empty());
}

TEST(CaptureInput, TheLoadOptionsDecideWhatIsRead) {
  const Bytes plain = PcapFile(Numbered(10));
  TempFile file(plain);
  TempFile gz(Gzip(plain), ".pcap.gz");
  struct Case {
    const char* name;
    const TempFile& file;
    LoadOptions options;
    std::vector<uint32_t> sizes;  // captured lengths loaded
    std::string message;          // last message; "" = none
  };
  const Case cases[] = {
      {"defaults", file, {}, {60, 61, 62, 63, 64, 65, 66, 67, 68, 69}, ""},
      {"MaxPackets", file, {3, 1, true}, {60, 61, 62}, msg::kMaxFrames},
      {"FirstFrame", file, {512000, 8, true}, {67, 68, 69}, ""},
      {"both", file, {2, 4, true}, {63, 64}, msg::kMaxFrames},
      {"FirstFrame past the end", file, {512000, 11, true}, {}, msg::kFirstFrame},
      {"gzip with zlib", gz, {4, 1, true}, {60, 61, 62, 63}, msg::kMaxFrames},
      {"gzip without zlib", gz, {512000, 1, false}, {}, msg::kUnknownFormat},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RecordingNotifier notes;
    CaptureInput input(notes);
    FrameIndex index;
    EXPECT_EQ(input.Load(c.file.path(), c.options, index), !c.sizes.empty());
    EXPECT_EQ(input.FileOpen, !c.sizes.empty());
    std::vector<uint32_t> sizes;
    for (uint32_t n = 1; n <= index.Count(); ++n) sizes.push_back(index[n].CapLen);
    EXPECT_EQ(sizes, c.sizes);
    EXPECT_EQ(notes.Messages.empty() ? "" : notes.FirstLines().back(), c.message);
  }
}

// A message about a file keeps its text as the first line; the second names
// the file and, after a failure of the system, its reason, or what the
// reader refused.
TEST(CaptureInput, MessagesNameTheFileAndTheReason) {
  TempFile linkType(PcapFile(Numbered(2), 105));
  TempFile damaged(PcapFile(Numbered(2)));
  std::filesystem::resize_file(damaged.path(), 24 + 76 + 10);
  TempFile locked(PcapFile(Numbered(1)));
  ::chmod(locked.path().c_str(), 0);
  const std::string folder = std::filesystem::path(locked.path()).parent_path().string();
  struct Case {
    const char* name;
    std::string path;
    std::string message;
  } cases[] = {
      {"missing", "/nonexistent/capture.pcap",
       "Selected file could not be opened\n/nonexistent/capture.pcap: No such file or directory"},
      {"folder", folder, "Selected file could not be opened\n" + folder + ": Is a directory"},
      {"link type", linkType.path(),
       "Trace file format is not supported by Kestle\n" + linkType.path() + ": link type 105"},
      {"damaged", damaged.path(), "File is malformed and has been truncated\n" + damaged.path()},
      {"no permission", locked.path(),
       "Selected file could not be opened\n" + locked.path() + ": Permission denied"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    // Permissions do not stop the superuser.
    if (std::string(c.name) == "no permission" && ::geteuid() == 0) continue;
    RecordingNotifier notes;
    CaptureInput input(notes);
    FrameIndex index;
    input.Load(c.path, LoadOptions{}, index);
    EXPECT_EQ(notes.Messages, std::vector<std::string>{c.message});
  }
}

// Whether a load that kept its frames ended early, and why.
TEST(CaptureInput, TellsALoadCutShort) {
  TempFile whole(PcapFile(Numbered(4)));
  Bytes cut = PcapFile(Numbered(4));
  cut.resize(cut.size() - 5);
  TempFile damaged(cut);
  TempFile gz(Gzip(cut), ".pcap.gz");
  struct Case {
    const char* name;
    const TempFile& file;
    uint32_t maxPackets;
    bool truncated, limited;
  } cases[] = {
      {"whole", whole, 512000, false, false},
      {"damaged", damaged, 512000, true, false},
      {"gzip cut short", gz, 512000, true, false},
      {"limit", whole, 2, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RecordingNotifier notes;
    CaptureInput input(notes);
    FrameIndex index;
    ASSERT_TRUE(input.Load(c.file.path(), LoadOptions{c.maxPackets, 1, true}, index));
    EXPECT_EQ(input.LoadTruncated(), c.truncated);
    EXPECT_EQ(input.LoadLimitReached(), c.limited);
  }
}

}  // namespace
}  // namespace kestle::test
