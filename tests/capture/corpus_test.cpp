// Every capture of the corpus, in every format, plain and compressed, loads
// the reference decoder's frames: count, lengths and arrival times; and the
// same traffic decodes to the same grid texts in every format.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <set>
#include <string>
#include <vector>

#include "capture/frame_index.h"
#include "decode/session.h"
#include "output/grid.h"
#include "support/expected.h"
#include "support/session_fixture.h"

namespace kestle::test {
namespace {

struct CorpusCase {
  const char* file;
  int64_t toleranceNs;         // allowed difference of the arrival times
  const char* note = nullptr;  // the one message of its load
};

constexpr const char* kSkippedNote = "3 frames of an unsupported link type were skipped";

// Netmon 1 keeps milliseconds, rounded; the Sniffer's ticks differ from the
// reference's by less than a microsecond.
constexpr CorpusCase kCorpus[] = {
    {"mixed.pcap", 1000},
    {"mixed.pcap.gz", 1000},
    {"mixed-be.pcap", 1000},
    {"mixed-be.pcap.gz", 1000},
    {"mixed-mod.pcap", 1000},
    {"mixed-mod.pcap.gz", 1000},
    {"mixed.enc", 1000},
    {"mixed.enc.gz", 1000},
    {"mixed-nm1.cap", 500000},
    {"mixed-nm1.cap.gz", 500000},
    {"mixed-nm2.cap", 1000},
    {"mixed-nm2.cap.gz", 1000},
    {"mixed-xray11.cap", 1000},
    {"mixed-xray11.cap.gz", 1000},
    {"mixed-xray20.cap", 1000},
    {"mixed-xray20.cap.gz", 1000},
    {"mixed.5vw", 1000},
    {"mixed.5vw.gz", 1000},
    // pcapng, nanosecond pcap, and pcapng with an interface of a link type
    // nothing decodes merged in.
    {"mixed.pcapng", 1000},
    {"mixed.pcapng.gz", 1000},
    {"mixed-ns.pcap", 1000},
    {"mixed-ns.pcap.gz", 1000},
    {"mixed-2if.pcapng", 1000, kSkippedNote},
};

std::vector<std::string> NoteOf(const CorpusCase& c) {
  return c.note ? std::vector<std::string>{c.note} : std::vector<std::string>{};
}

// Frames of mixed.pcap that the 5View file leaves out (captured shorter
// than on the wire, which a 5View record cannot hold).
const std::set<uint32_t> kNotIn5View = {55, 69, 107, 149};

class CorpusTest : public ::testing::TestWithParam<CorpusCase> {
 protected:
  static void SetUpTestSuite() {
    setenv("TZ", "UTC", 1);
    tzset();
  }
};

// "1615713600.274645181" -> nanoseconds since the epoch.
int64_t EpochNanoseconds(const std::string& text) {
  const size_t dot = text.find('.');
  int64_t ns = std::stoll(text.substr(0, dot)) * 1000000000;
  if (dot != std::string::npos) {
    std::string frac = text.substr(dot + 1);
    frac.resize(9, '0');
    ns += std::stoll(frac);
  }
  return ns;
}

TEST_P(CorpusTest, FramesMatchTheReferenceDecoder) {
  const CorpusCase& c = GetParam();
  const auto expected = LoadExpected(c.file);
  const auto counts = LoadExpectedCounts();
  ASSERT_EQ(counts.count(c.file), 1u);
  ASSERT_EQ(static_cast<int>(expected.size()), counts.at(c.file));

  SessionFixture f;
  ASSERT_TRUE(f.Open(CapturePath(c.file))) << f.LastMessage();
  EXPECT_EQ(f.notes.FirstLines(), NoteOf(c));
  const CaptureSession& s = f.session;
  ASSERT_EQ(s.FrameCount, expected.size());
  for (uint32_t n = 1; n <= s.FrameCount; ++n) {
    const ExpectedFrame& e = expected[n - 1];
    const FrameTabRec& r = s.FrameTable[n];
    SCOPED_TRACE("frame " + std::to_string(n));
    EXPECT_EQ(std::to_string(r.CapLen), e["frame.cap_len"]);
    EXPECT_EQ(std::to_string(r.TrueLen), e["frame.len"]);
    EXPECT_LT(r.Micro, 1000000u);
    const int64_t ours = (int64_t{r.Seconds} * 1000000 + r.Micro) * 1000;
    EXPECT_LE(std::llabs(ours - EpochNanoseconds(e["frame.time_epoch"])), c.toleranceNs)
        << r.Seconds << "." << r.Micro << " vs " << e["frame.time_epoch"];
  }
  // Relative times count from the first frame on the file's own clock.
  EXPECT_EQ(s.FrameTable[1].RelTime, 0.0);
  const FrameTabRec& last = s.FrameTable[s.FrameCount];
  const double wall = (int64_t{last.Seconds} - s.FrameTable[1].Seconds) +
                      (double(last.Micro) - s.FrameTable[1].Micro) / 1e6;
  EXPECT_NEAR(last.RelTime, wall, c.toleranceNs / 1e9 * 2 + 1e-6);
}

// Re-reading any frame gives the bytes the pcap original holds, and the same
// Description and Protocol columns.
TEST_P(CorpusTest, SameTrafficAsThePcapOriginal) {
  const CorpusCase& c = GetParam();
  SessionFixture pcap, other;
  ASSERT_TRUE(pcap.Open(CapturePath("mixed.pcap")));
  ASSERT_TRUE(other.Open(CapturePath(c.file)));
  const bool fiveView = std::string(c.file).find(".5vw") != std::string::npos;
  uint32_t m = 0;
  for (uint32_t n = 1; n <= pcap.session.FrameCount; ++n) {
    if (fiveView && kNotIn5View.count(n)) continue;
    ++m;
    SCOPED_TRACE("frame " + std::to_string(n) + " / " + std::to_string(m));
    ASSERT_LE(m, other.session.FrameCount);
    EXPECT_EQ(FrameCellText(other.session, m, 'H'), FrameCellText(pcap.session, n, 'H'));
    EXPECT_EQ(FrameCellText(other.session, m, 'I'), FrameCellText(pcap.session, n, 'I'));

    const uint32_t len = pcap.session.ReadFrame(n);
    const Bytes want = HeldFrame(pcap.session);
    ASSERT_EQ(want.size(), len);
    ASSERT_EQ(other.session.ReadFrame(m), len);
    EXPECT_EQ(HeldFrame(other.session), want);
  }
  EXPECT_EQ(m, other.session.FrameCount);
}

// Reading without decoding hands on the frames that a decoded load keeps,
// and re-reads them alike.
TEST_P(CorpusTest, ReadingWithoutDecodingKeepsTheSameFrames) {
  const CorpusCase& c = GetParam();
  SessionFixture decoded;
  ASSERT_TRUE(decoded.Open(CapturePath(c.file)));
  RecordingNotifier notes;
  CaptureInput input(notes);
  FrameIndex index;
  ASSERT_TRUE(input.Load(CapturePath(c.file), LoadOptions{}, index));
  EXPECT_EQ(notes.FirstLines(), NoteOf(c));
  const CaptureSession& s = decoded.session;
  ASSERT_EQ(index.Count(), s.FrameCount);
  uint64_t bytes = 0;
  for (uint32_t n = 1; n <= s.FrameCount; ++n) {
    SCOPED_TRACE("frame " + std::to_string(n));
    const FrameTabRec& want = s.FrameTable[n];
    const FrameIndexRec& got = index[n];
    EXPECT_EQ(got.RecordPos, want.RecordPos);
    EXPECT_EQ(got.CapLen, want.CapLen);
    EXPECT_EQ(got.TrueLen, want.TrueLen);
    EXPECT_EQ(got.Seconds, want.Seconds);
    EXPECT_EQ(got.Micro, want.Micro);
    EXPECT_EQ(got.RelTime, want.RelTime);
    bytes += got.CapLen;
    ASSERT_TRUE(input.Reread(got.RecordPos));
    ASSERT_EQ(decoded.session.ReadFrame(n), got.CapLen);
    EXPECT_EQ(HeldFrame(input), HeldFrame(decoded.session));
  }
  EXPECT_EQ(index.CapturedBytes, bytes);
}

// The IP frames of mixed.pcap written behind the other link units: the
// same stations, ports, Descriptions and protocol stacks behind the unit as
// behind Ethernet (tests/protocols/transport_corpus_test.cpp compares their
// addresses and ports with the reference decoder's).
struct LinkCase {
  const char* file;
  uint16_t linkType;
  const char* desc;  // the unit's start of the Description
  const char* protocol;
  bool macs;  // the unit carries the sender's MAC
};

constexpr LinkCase kLinkCaptures[] = {
    {"mixed-cooked.pcap", 113, "Linux cooked/", "Linux cooked", true},
    {"mixed-cooked2.pcap", 276, "Linux cooked/", "Linux cooked", true},
    {"mixed-raw.pcap", 101, "Raw IP/", "Raw IP", false},
    {"mixed-null.pcap", 0, "Loopback/", "Loopback", false},
    {"mixed-null-be.pcap", 0, "Loopback/", "Loopback", false},
    {"mixed-loop.pcap", 108, "Loopback/", "Loopback", false},
};

class LinkCapture : public ::testing::TestWithParam<LinkCase> {
 protected:
  static void SetUpTestSuite() {
    setenv("TZ", "UTC", 1);
    tzset();
  }
};

bool IsMacText(const std::string& t) { return t.size() == 17 && t[2] == ':' && t[14] == ':'; }

// The protocol stack's names, outermost first.
std::vector<std::string> StackOf(const CaptureSession& s, uint32_t frame) {
  std::vector<std::string> names;
  for (uint32_t p = s.FrameTable[frame].Protocol; p != 0; p = s.Paths[p].Parent)
    names.insert(names.begin(), s.Env.Protocols.Name(s.Paths[p].Protocol));
  return names;
}

TEST_P(LinkCapture, SameTrafficBehindTheLinkUnitAsBehindEthernet) {
  const LinkCase& c = GetParam();
  SessionFixture eth, link;
  ASSERT_TRUE(eth.Open(CapturePath("mixed.pcap")));
  ASSERT_TRUE(link.Open(CapturePath(c.file))) << link.LastMessage();
  EXPECT_TRUE(link.notes.Messages.empty());
  const CaptureSession& e = eth.session;
  const CaptureSession& l = link.session;
  uint32_t m = 0;
  for (uint32_t n = 1; n <= e.FrameCount; ++n) {
    const std::string desc(e.Description(n));
    if (desc.rfind("Ethernet II/IPV4", 0) != 0 && desc.rfind("Ethernet II/IPV6", 0) != 0) continue;
    ++m;
    SCOPED_TRACE("frame " + std::to_string(n) + " / " + std::to_string(m));
    ASSERT_LE(m, l.FrameCount);
    EXPECT_EQ(l.FrameTable[m].LinkType, c.linkType);
    EXPECT_EQ(std::string(l.Description(m)), c.desc + desc.substr(desc.find('/') + 1));
    std::vector<std::string> stack = StackOf(e, n);
    stack[0] = c.protocol;
    EXPECT_EQ(StackOf(l, m), stack);
    for (char column : {'D', 'F'}) {
      const std::string ours = FrameCellText(e, n, column);
      // A station known by its MAC only is one where the unit has the MAC.
      if (IsMacText(ours) && (!c.macs || column == 'F')) continue;
      EXPECT_EQ(FrameCellText(l, m, column), ours) << column;
    }
    EXPECT_EQ(FrameCellText(l, m, 'E'), FrameCellText(e, n, 'E'));
    EXPECT_EQ(FrameCellText(l, m, 'G'), FrameCellText(e, n, 'G'));
    EXPECT_EQ(l.FrameTable[m].TcpSession, e.FrameTable[n].TcpSession);
  }
  EXPECT_EQ(m, l.FrameCount);
}

INSTANTIATE_TEST_SUITE_P(LinkTypes, LinkCapture, ::testing::ValuesIn(kLinkCaptures),
                         [](const ::testing::TestParamInfo<LinkCase>& info) {
                           return CaseName(info.param.file);
                         });

INSTANTIATE_TEST_SUITE_P(AllFormats, CorpusTest, ::testing::ValuesIn(kCorpus),
                         [](const ::testing::TestParamInfo<CorpusCase>& info) {
                           return CaseName(info.param.file);
                         });

}  // namespace
}  // namespace kestle::test
