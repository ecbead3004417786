// kestle-dump --save in pcap and pcapng, --filter and --follow: the same
// results as the core gives the window.
#include <gtest/gtest.h>

#include <algorithm>

#include "decode/session.h"
#include "output/follow_stream.h"
#include "query/display_filter.h"
#include "support/dump_run.h"
#include "support/expected.h"
#include "support/session_fixture.h"
#include "support/temp_dir.h"

namespace kestle::test {
namespace {

const std::string kMixed = CapturePath("mixed.pcap");

size_t Lines(const std::string& t) {
  return static_cast<size_t>(std::count(t.begin(), t.end(), '\n'));
}

TEST(DumpStream, SaveFormatByNameOrOption) {
  TempDir dir;
  struct Case {
    std::vector<std::string> extra;
    const char* name;
    CaptureFormat format;
  };
  const Case cases[] = {
      {{}, "a.pcap", CaptureFormat::Pcap},
      {{}, "b.pcapng", CaptureFormat::Pcapng},
      {{}, "c.enc", CaptureFormat::Sniffer},
      {{}, "d.out", CaptureFormat::Sniffer},
      {{"--save-format", "pcapng"}, "e.enc", CaptureFormat::Pcapng},
      {{"--save-format", "pcap", "--filter", "tcp"}, "f.bin", CaptureFormat::Pcap},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> args = c.extra;
    args.insert(args.end(), {"--save", dir.file(c.name), kMixed});
    const DumpResult r = Dump(args);
    ASSERT_EQ(r.status, 0) << r.err;
    SessionFixture f;
    ASSERT_TRUE(f.Open(dir.file(c.name)));
    EXPECT_EQ(f.session.Format(), c.format);
  }
  const DumpResult bad = Dump({"--save-format", "cap", "--save", dir.file("x"), kMixed});
  EXPECT_EQ(bad.status, 2);
  EXPECT_EQ(bad.err,
            "kestle-dump: --save-format takes pcapng, pcap or sniffer, not 'cap'\n"
            "Try 'kestle-dump --help'\n");
}

TEST(DumpStream, FilterExpressions) {
  SessionFixture f;
  ASSERT_TRUE(f.Open(kMixed));
  FilterError e;
  const auto dns = FilterExpression::Parse("udp and port == 53", f.env.Protocols, e);
  ASSERT_TRUE(dns);
  const size_t want = MatchingFrames(BoundFilter(*dns, f.session), f.session).size();
  ASSERT_GT(want, 0u);
  DumpResult r = Dump({"--tsv", "--filter", "udp and port == 53", kMixed});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Lines(r.out), want + 1);
  // With the filter dialog's options both must hold.
  r = Dump({"--tsv", "--filter", "port == 53", "--filter-protocol", "UDP", kMixed});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Lines(r.out), want + 1);

  r = Dump({"--filter", "ip.addr ==", kMixed});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, "kestle-dump: --filter: expected a value after '==' at column 11\n");
  r = Dump({"--filter", "tcp and udp", kMixed});
  EXPECT_EQ(r.status, 3);
  EXPECT_EQ(r.err, "No Frames were selected\n");
}

TEST(DumpStream, FollowPrintsTheCoreText) {
  SessionFixture f;
  ASSERT_TRUE(f.Open(kMixed));
  for (const char* format : {"ascii", "hex", "raw", "ebcdic"}) {
    SCOPED_TRACE(format);
    FollowedStream st;
    std::string error;
    ASSERT_TRUE(FollowStream(f.session, StreamTransport::Tcp, 38, st, error));
    FollowFormat ff;
    ASSERT_TRUE(ParseFollowFormat(format, ff));
    const DumpResult r = Dump({"--follow", "tcp,38", "--follow-format", format, kMixed});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, FollowText(st, ff));
  }
  const DumpResult ascii = Dump({"--follow", "tcp,38", kMixed});
  EXPECT_EQ(ascii.out.substr(68, 18), "Follow TCP Stream\n");

  struct Bad {
    std::vector<std::string> args;
    const char* err;
  };
  for (const Bad& b :
       {Bad{{"--follow", "icmp,1"},
            "kestle-dump: --follow takes tcp,N or udp,N, not 'icmp,1'\n"
            "Try 'kestle-dump --help'\n"},
        Bad{{"--follow", "tcp,1", "--follow-format", "octal"},
            "kestle-dump: --follow-format takes ascii, ebcdic, hex or raw, not 'octal'\n"
            "Try 'kestle-dump --help'\n"},
        Bad{{"--follow", "tcp,999999"}, "kestle-dump: --follow tcp,999999: no such frame\n"}}) {
    std::vector<std::string> args = b.args;
    args.push_back(kMixed);
    const DumpResult r = Dump(args);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, b.err);
  }
}

}  // namespace
}  // namespace kestle::test
