// File Information: the dialog's values, computed from the load.
#include "output/fileinfo.h"

#include <gtest/gtest.h>
#include <utime.h>

#include <string>

#include "decode/config/environment.h"
#include "decode/session.h"
#include "decode/text.h"
#include "support/builders.h"
#include "support/capture_files.h"
#include "support/expected.h"
#include "support/session_fixture.h"
#include "support/temp_dir.h"

namespace kestle::test {
namespace {

TEST(FileInfo, NameTypeFramesAndAverageTexts) {
  EXPECT_EQ(FileInfoName("/data/traces/a.cap"), "/data/traces/a.cap");  // 18 characters
  EXPECT_EQ(FileInfoName("/data/trace/twenty-five.x"), "/data/trace/twenty-five.x");  // 25
  EXPECT_EQ(FileInfoName("/data/trace/twenty-sixx.xy"), "twenty-sixx.xy");            // 26
  EXPECT_EQ(FileInfoName("no-folders-at-all-in-this-name.cap"),
            "no-folders-at-all-in-this-name.cap");

  const std::pair<CaptureFormat, const char*> types[] = {
      {CaptureFormat::Sniffer, "General Sniffer"},
      {CaptureFormat::NetmonV1, "Netmon v1 Capture"},
      {CaptureFormat::NetmonV2, "Netmon v2 Capture"},
      {CaptureFormat::Pcap, "Windump/TCPDUMP Capture"},
      {CaptureFormat::NetXRay, "NetXRay Capture"},
      {CaptureFormat::FiveView, "5View"},
      {CaptureFormat::Pcapng, "pcapng Capture"}};
  for (const auto& [format, text] : types) EXPECT_EQ(FileTypeText(format, false), text);
  EXPECT_EQ(FileTypeText(CaptureFormat::Pcap, true), "TCPDUMP capture (Modified)");
  EXPECT_EQ(FileTypeText(CaptureFormat::Pcap, false, true), "Windump/TCPDUMP Capture (nanosecond)");

  EXPECT_EQ(FramesText(50, 1, ","), "50");
  EXPECT_EQ(FramesText(50, 100, ","), "50 of 149");
  EXPECT_EQ(FramesText(1234567, 2, "."), "1.234.567 of 1.234.568");

  struct Average {
    uint64_t total;
    uint32_t frames;
    const char* text;
  };
  const Average averages[] = {
      {121, 2, "60.50"},
      {60, 1, "60.00"},
      {200, 3, "66.67"},
      {1, 3, "0.33"},
      {2, 3, "0.67"},
      {0, 0, "0.00"},
      // At most 7 significant digits.
      {12345678, 100, "123456.80"},
      {4000000000ULL, 1, "4000000000.00"},
  };
  for (const Average& a : averages)
    EXPECT_EQ(AverageSizeText(a.total, a.frames, "."), a.text) << a.total << "/" << a.frames;
  EXPECT_EQ(AverageSizeText(121, 2, ","), "60,50");
}

TEST(FileInfo, ChangeDateIsTheModificationTime) {
  LocaleInfo locale;
  const std::time_t t = 1078151137;  // 2004-03-01 14:25:37 UTC
  EXPECT_EQ(FileChangeDateText(t, locale), "March 01 2004 - 14:25:37");
  EXPECT_EQ(FileChangeDateText(std::nullopt, locale), "n/a");
  EXPECT_FALSE(FileModificationTime("/no/such/file").has_value());

  TempFile f(Bytes{1, 2, 3}, ".cap");
  struct utimbuf times {
    t, t
  };
  ASSERT_EQ(::utime(f.path().c_str(), &times), 0);
  EXPECT_EQ(FileModificationTime(f.path()), t);
}

TEST(FileInfo, ValuesOfALoad) {
  TempDir dir;
  const Bytes pcap = PcapFile({{Frame(60), 1615713600, 0, 0}, {Frame(61), 1615713601, 0, 0}});
  struct Case {
    std::string name;
    Bytes content;
    uint64_t sizeFactor;
  };
  const Case cases[] = {
      {"t.pcap", pcap, 1},
      // The size of a compressed file is estimated as four times its own.
      {"t.pcap.gz", Gzip(pcap), 4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = dir.file(c.name);
    {
      FILE* out = std::fopen(path.c_str(), "wb");
      ASSERT_TRUE(out);
      std::fwrite(c.content.data(), 1, c.content.size(), out);
      std::fclose(out);
    }
    struct utimbuf times {
      1078151137, 1078151137
    };
    ::utime(path.c_str(), &times);
    SessionFixture f;
    f.env.settings.FirstFrame = 1;
    ASSERT_TRUE(f.Open(path));
    const std::vector<FileInfoLine> lines = FileInformation(f.session);
    ASSERT_EQ(lines.size(), 8u);
    const char* captions[] = {"Name:", "Type:",   "Link Types:",   "Change Date:",
                              "Size:", "Frames:", "TCP Sessions:", "Average Size:"};
    for (size_t i = 0; i < 8; ++i) EXPECT_STREQ(lines[i].Caption, captions[i]);
    EXPECT_EQ(lines[0].Value, c.name);  // the folder makes the name 26 characters or more
    EXPECT_EQ(lines[1].Value, "Windump/TCPDUMP Capture");
    EXPECT_EQ(lines[2].Value, "Ethernet");
    EXPECT_EQ(lines[3].Value, "March 01 2004 - 14:25:37");
    EXPECT_EQ(lines[4].Value, FormatThousands(c.sizeFactor * c.content.size()));
    EXPECT_EQ(lines[5].Value, "2");
    EXPECT_EQ(lines[6].Value, "0");
    EXPECT_EQ(lines[7].Value, "60.50");
  }
}

TEST(FileInfo, FramesOfALoadFromALaterFirstFrameAndTcpSessions) {
  SessionFixture f;
  f.env.settings.FirstFrame = 2;
  ASSERT_TRUE(f.Open(CapturePath("mixed.pcap")));
  const auto lines = FileInformation(f.session);
  EXPECT_EQ(lines[5].Value, std::to_string(f.session.FrameCount) + " of " +
                                std::to_string(f.session.FrameCount + 1));
  EXPECT_NE(lines[6].Value, "0");
  EXPECT_EQ(lines[6].Value, std::to_string(f.session.Decoders.TcpSessions.Count()));
}

// The format and the link types of the frames loaded, in the order they
// first appear.
TEST(FileInfo, FormatAndLinkTypes) {
  struct Case {
    const char* file;
    const char* type;
    const char* links;
  } cases[] = {
      {"mixed.pcapng", "pcapng Capture", "Ethernet"},
      {"mixed-ns.pcap", "Windump/TCPDUMP Capture (nanosecond)", "Ethernet"},
      {"mixed-cooked2.pcap", "Windump/TCPDUMP Capture", "Linux cooked v2"},
      {"mixed-null-be.pcap", "Windump/TCPDUMP Capture", "BSD loopback"},
  };
  for (const Case& c : cases) {
    SessionFixture f;
    ASSERT_TRUE(f.Open(CapturePath(c.file))) << c.file;
    const auto lines = FileInformation(f.session);
    EXPECT_EQ(lines[1].Value, c.type);
    EXPECT_EQ(lines[2].Value, c.links);
  }
  PcapngWriter w;
  w.Section().Interface(101).Interface(1).Interface(113);
  w.Packet(1, 0, Frame(60))
      .Packet(0, 1, Bytes(20, 0x45))
      .Packet(2, 2, Bytes(16, 0))
      .Packet(1, 3, Frame(60));
  Loaded l(w.bytes());
  ASSERT_TRUE(l.ok);
  EXPECT_EQ(LinkTypesText(l.s()), "Ethernet, Raw IP, Linux cooked v1");
}

// The status bar's account of a load: frames, format, compression, and
// why it ended early.
TEST(FileInfo, LoadSummary) {
  std::vector<PcapFrame> frames;
  for (int i = 0; i < 1200; ++i) frames.push_back({Frame(60), 1000000000u + i, 0, 0});
  const Bytes whole = PcapFile(frames);
  Bytes cut = whole;
  cut.resize(cut.size() - 7);
  const TempFile plain(whole), gz(Gzip(whole), ".pcap.gz"), damaged(cut),
      single(PcapFile({frames.front()}));
  struct Case {
    const char* name;
    const TempFile& file;
    uint32_t maxPackets;
    const char* text;
  } cases[] = {
      {"plain", plain, 512000, "1,200 frames \u00B7 pcap"},
      {"gzip", gz, 512000, "1,200 frames \u00B7 pcap (gzip)"},
      {"one frame", single, 512000, "1 frame \u00B7 pcap"},
      {"damaged", damaged, 512000,
       "1,199 frames \u00B7 pcap \u00B7 cut short: the file is damaged or incomplete"},
      {"limit", plain, 1000, "1,000 frames \u00B7 pcap \u00B7 cut short at Maximum Frames"},
  };
  for (const Case& k : cases) {
    SessionFixture f;
    f.env.settings.MaxPackets = k.maxPackets;
    ASSERT_TRUE(f.Open(k.file.path())) << k.name;
    EXPECT_EQ(LoadSummaryText(f.session), k.text) << k.name;
  }
  EXPECT_EQ(FormatShortName(CaptureFormat::Pcap, true), "pcap (modified)");
  EXPECT_EQ(FormatShortName(CaptureFormat::NetmonV2, false), "Netmon 2");
}

}  // namespace
}  // namespace kestle::test
