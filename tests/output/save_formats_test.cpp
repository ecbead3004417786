// Save As pcap and pcapng: every capture of the test data loads again from
// the saved file with the same frames, lengths, times and decode; the
// format follows the name; what a pcap file cannot hold is counted.
#include "output/save_formats.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "capture/bytes.h"
#include "decode/session.h"
#include "support/builders.h"
#include "support/expected.h"
#include "support/session_fixture.h"
#include "support/temp_dir.h"

namespace kestle::test {
namespace {

std::vector<uint32_t> AllFrames(const CaptureSession& s) {
  std::vector<uint32_t> v;
  for (uint32_t n = 1; n <= s.FrameCount; ++n) v.push_back(n);
  return v;
}

Bytes FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

// Every capture file of the corpus folder (not the expected values).
std::vector<std::string> CorpusFiles() {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(CapturePath("")))
    if (e.is_regular_file() && e.path().extension() != ".sh" && e.path().extension() != ".py")
      names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// Frame i of `a` and frame j of `b` are the same frame: lengths, arrival
// time (as the grid shows it), Description and bytes (a BSD loopback
// header written big-endian comes back in the file's little-endian order).
void ExpectSameFrame(CaptureSession& a, uint32_t i, CaptureSession& b, uint32_t j) {
  SCOPED_TRACE("frame " + std::to_string(i));
  const FrameTabRec& x = a.FrameTable[i];
  const FrameTabRec& y = b.FrameTable[j];
  EXPECT_EQ(x.CapLen, y.CapLen);
  EXPECT_EQ(x.TrueLen, y.TrueLen);
  EXPECT_EQ(x.Seconds, y.Seconds);
  EXPECT_EQ(x.Micro, y.Micro);
  EXPECT_EQ(x.LinkType, y.LinkType);
  EXPECT_EQ(a.Description(i), b.Description(j));
  ASSERT_EQ(a.ReadFrame(i), x.CapLen);
  Bytes bytes = HeldFrame(a);
  if (x.LinkType == 0 && x.BigEndian && bytes.size() >= 4)
    std::reverse(bytes.begin(), bytes.begin() + 4);
  ASSERT_EQ(b.ReadFrame(j), y.CapLen);
  EXPECT_EQ(bytes, HeldFrame(b));
}

class SaveFormatRoundTrip : public ::testing::TestWithParam<SaveFormat> {};

TEST_P(SaveFormatRoundTrip, EveryCaptureLoadsAgainWithTheSameFrames) {
  for (const std::string& name : CorpusFiles()) {
    SCOPED_TRACE(name);
    SessionFixture original;
    if (!original.Open(CapturePath(name))) continue;  // a damaged sample
    CaptureSession& s = original.session;
    TempDir dir;
    const std::string out = dir.file(GetParam() == SaveFormat::Pcap ? "s.pcap" : "s.pcapng");
    const std::vector<SaveFrameRef> refs = SaveFrameRefs(s, AllFrames(s));
    const SaveOutcome r = SaveFrames(GetParam(), s.Input, refs, out);
    ASSERT_TRUE(r.Ok) << r.Message;
    const PcapLinkChoice link = ChoosePcapLinkType(refs);
    EXPECT_EQ(r.Skipped, GetParam() == SaveFormat::Pcap ? link.Others : 0u);
    EXPECT_EQ(r.Written + r.Skipped, s.FrameCount);

    SessionFixture saved;
    ASSERT_TRUE(saved.Open(out)) << saved.LastMessage();
    EXPECT_EQ(saved.session.Format(),
              GetParam() == SaveFormat::Pcap ? CaptureFormat::Pcap : CaptureFormat::Pcapng);
    ASSERT_EQ(saved.session.FrameCount, r.Written);
    uint32_t j = 0;
    for (uint32_t n = 1; n <= s.FrameCount; ++n) {
      if (GetParam() == SaveFormat::Pcap && s.FrameTable[n].LinkType != link.LinkType) continue;
      ExpectSameFrame(s, n, saved.session, ++j);
    }
    EXPECT_EQ(dir.Names().size(), 1u);
  }
}

INSTANTIATE_TEST_SUITE_P(Formats, SaveFormatRoundTrip,
                         ::testing::Values(SaveFormat::Pcap, SaveFormat::Pcapng),
                         [](const auto& info) { return std::string(SaveFormatName(info.param)); });

// Nanosecond times stay nanoseconds: the pcap magic and the pcapng
// interface's if_tsresol say so, and the digits below the microsecond are
// those of the source.
TEST(SaveFormats, NanosecondTimesKeepTheirDigits) {
  PcapFrame f{Frame(60), 1600000000, 123456789, 0};
  PcapFrame g{Frame(61), 1600000001, 5, 0};
  Loaded l(PcapFile({f, g}, 1, false, false, true));
  ASSERT_TRUE(l.ok);
  TempDir dir;
  const auto refs = SaveFrameRefs(l.s(), AllFrames(l.s()));
  ASSERT_TRUE(SaveAsPcap(l.s().Input, refs, dir.file("n.pcap")).Ok);
  const Bytes pcap = FileBytes(dir.file("n.pcap"));
  ASSERT_GE(pcap.size(), 24u + 16u);
  EXPECT_EQ(GetLE32(&pcap[0]), 0xA1B23C4Du);
  EXPECT_EQ(GetLE32(&pcap[24]), 1600000000u);
  EXPECT_EQ(GetLE32(&pcap[28]), 123456789u);

  ASSERT_TRUE(SaveAsPcapng(l.s().Input, refs, dir.file("n.pcapng")).Ok);
  const Bytes ng = FileBytes(dir.file("n.pcapng"));
  // Section header (28), interface with if_tsresol (32), first packet.
  ASSERT_GE(ng.size(), 28u + 32u + 32u);
  EXPECT_EQ(GetLE32(&ng[28]), 1u);
  EXPECT_EQ(GetLE32(&ng[28 + 4]), 32u);
  EXPECT_EQ(GetLE16(&ng[28 + 16]), 9u);  // if_tsresol
  EXPECT_EQ(ng[28 + 20], 9u);
  const uint64_t t = (uint64_t{GetLE32(&ng[60 + 12])} << 32) | GetLE32(&ng[60 + 16]);
  EXPECT_EQ(t, 1600000000123456789ull);

  // A microsecond source writes microseconds: no option, the usual magic.
  Loaded micro(PcapFile({{Frame(60), 1600000000, 654321, 0}}));
  ASSERT_TRUE(micro.ok);
  const auto mrefs = SaveFrameRefs(micro.s(), AllFrames(micro.s()));
  ASSERT_TRUE(SaveAsPcap(micro.s().Input, mrefs, dir.file("m.pcap")).Ok);
  EXPECT_EQ(GetLE32(&FileBytes(dir.file("m.pcap"))[0]), 0xA1B2C3D4u);
  ASSERT_TRUE(SaveAsPcapng(micro.s().Input, mrefs, dir.file("m.pcapng")).Ok);
  const Bytes mng = FileBytes(dir.file("m.pcapng"));
  EXPECT_EQ(GetLE32(&mng[28 + 4]), 24u);  // no option but the end
}

// pcapng keeps frames of every link type, one interface per link type and
// snap length; pcap keeps the first frame's link type and counts the rest.
TEST(SaveFormats, MixedLinkTypes) {
  PcapngWriter w;
  w.Section().Interface(1, 96).Interface(101).Interface(1, 96);
  w.Packet(0, 1615713600000000, Frame(60, 1)).Packet(1, 1615713600000001, Bytes(20, 0x45));
  w.Packet(2, 1615713600000002, Frame(62, 3)).Packet(0, 1615713600000003, Frame(61, 2));
  Loaded l(w.bytes());
  ASSERT_TRUE(l.ok) << l.f.LastMessage();
  ASSERT_EQ(l.s().FrameCount, 4u);
  TempDir dir;
  const auto refs = SaveFrameRefs(l.s(), std::vector<uint32_t>{2, 1, 3, 4});
  EXPECT_EQ(ChoosePcapLinkType(refs).LinkType, 101);
  EXPECT_EQ(ChoosePcapLinkType(refs).Others, 3u);
  const SaveOutcome p = SaveAsPcap(l.s().Input, refs, dir.file("m.pcap"));
  ASSERT_TRUE(p.Ok);
  EXPECT_EQ(p.Written, 1u);
  EXPECT_EQ(p.Skipped, 3u);

  const SaveOutcome g = SaveAsPcapng(l.s().Input, refs, dir.file("m.pcapng"));
  ASSERT_TRUE(g.Ok);
  EXPECT_EQ(g.Written, 4u);
  SessionFixture back;
  ASSERT_TRUE(back.Open(dir.file("m.pcapng")));
  ASSERT_EQ(back.session.FrameCount, 4u);
  ExpectSameFrame(l.s(), 2, back.session, 1);
  ExpectSameFrame(l.s(), 4, back.session, 4);
  // Interfaces 0 and 2 of the source are one: same link type and snap length.
  ASSERT_EQ(back.session.Input.Pcapng.Interfaces.size(), 2u);
  EXPECT_EQ(back.session.Input.Pcapng.Interfaces[0].LinkType, 101);
  EXPECT_EQ(back.session.Input.Pcapng.Interfaces[1].LinkType, 1);
  EXPECT_EQ(back.session.Input.Pcapng.Interfaces[1].SnapLength, 96u);
}

TEST(SaveFormats, TheFormatFollowsTheNameOrItsName) {
  struct Case {
    const char* text;
    std::optional<SaveFormat> byName;
  };
  for (const Case& c :
       {Case{"a.pcap", SaveFormat::Pcap}, Case{"A.PCAPNG", SaveFormat::Pcapng},
        Case{"dir.pcap/x.enc", SaveFormat::Sniffer}, Case{"x.TRC", SaveFormat::Sniffer},
        Case{"x.cap", std::nullopt}, Case{".pcap", std::nullopt}, Case{"x.pcap.gz", std::nullopt},
        Case{"pcapng", std::nullopt}}) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(SaveFormatOfName(c.text), c.byName);
  }
  for (SaveFormat f : {SaveFormat::Sniffer, SaveFormat::Pcap, SaveFormat::Pcapng})
    EXPECT_EQ(ParseSaveFormat(SaveFormatName(f)), f);
  EXPECT_EQ(ParseSaveFormat("PCAP"), SaveFormat::Pcap);
  EXPECT_EQ(ParseSaveFormat("enc"), std::nullopt);
}

// The open capture is never written over, and a file that cannot be made
// leaves nothing behind, in every format.
TEST(SaveFormats, RefusalsAndFailuresLeaveNothing) {
  TempDir dir;
  const std::string capture = dir.file("capture.pcap");
  {
    std::ofstream(capture, std::ios::binary)
        .write(reinterpret_cast<const char*>(PcapFile({{Frame(60)}}).data()),
               static_cast<std::streamsize>(PcapFile({{Frame(60)}}).size()));
  }
  for (SaveFormat format : {SaveFormat::Pcap, SaveFormat::Pcapng, SaveFormat::Sniffer}) {
    SCOPED_TRACE(std::string(SaveFormatName(format)));
    SessionFixture f;
    ASSERT_TRUE(f.Open(capture));
    const Bytes before = FileBytes(capture);
    const auto refs = SaveFrameRefs(f.session, AllFrames(f.session));
    SaveOutcome r = SaveFrames(format, f.session.Input, refs, capture);
    EXPECT_FALSE(r.Ok);
    EXPECT_EQ(r.Message.substr(0, r.Message.find('\n')), savemsg::kOpenCapture);
    EXPECT_EQ(FileBytes(capture), before);
    r = SaveFrames(format, f.session.Input, refs, dir.file("no/such/folder.pcap"));
    EXPECT_FALSE(r.Ok);
    EXPECT_EQ(r.Message.substr(0, r.Message.find('\n')), savemsg::kCannotCreate);
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"capture.pcap"});
  }
}

TEST(SaveFormats, CancelKeepsTheFramesWrittenSoFar) {
  Loaded l(PcapFile({{Frame(60, 1)}, {Frame(60, 2)}, {Frame(60, 3)}}));
  ASSERT_TRUE(l.ok);
  TempDir dir;
  const auto refs = SaveFrameRefs(l.s(), AllFrames(l.s()));
  const SaveOutcome r = SaveAsPcapng(l.s().Input, refs, dir.file("c.pcapng"),
                                     [](uint32_t written, uint32_t) { return written < 2; });
  EXPECT_TRUE(r.Ok);
  EXPECT_TRUE(r.Cancelled);
  EXPECT_EQ(r.Written, 2u);
  SessionFixture back;
  ASSERT_TRUE(back.Open(dir.file("c.pcapng")));
  EXPECT_EQ(back.session.FrameCount, 2u);
}

// capinfos and tshark, where installed, read the saved files with the
// source's count, bytes, wire lengths and times.
TEST(SaveFormats, AnIndependentReaderReadsTheSavedFiles) {
  if (!std::filesystem::exists("/usr/bin/tshark")) GTEST_SKIP() << "tshark is not installed";
  for (const char* name : {"mixed.pcap", "mixed-ns.pcap", "mixed-cooked.pcap", "mixed-raw.pcap",
                           "mixed-2if.pcapng", "mixed.enc", "mixed-nm2.cap"}) {
    for (SaveFormat format : {SaveFormat::Pcap, SaveFormat::Pcapng}) {
      SCOPED_TRACE(std::string(name) + " " + std::string(SaveFormatName(format)));
      SessionFixture original;
      ASSERT_TRUE(original.Open(CapturePath(name)));
      TempDir dir;
      const std::string out = dir.file("s." + std::string(SaveFormatName(format)));
      const auto refs = SaveFrameRefs(original.session, AllFrames(original.session));
      const SaveOutcome r = SaveFrames(format, original.session.Input, refs, out);
      ASSERT_TRUE(r.Ok) << r.Message;
      // tshark turns it into a plain microsecond pcap, which is read back.
      const std::string cmd = "/usr/bin/tshark -r '" + out + "' -F pcap -w '" + dir.file("t.pcap") +
                              "' >/dev/null 2>&1";
      ASSERT_EQ(std::system(cmd.c_str()), 0);
      SessionFixture back;
      ASSERT_TRUE(back.Open(dir.file("t.pcap")));
      ASSERT_EQ(back.session.FrameCount, r.Written);
      const PcapLinkChoice link = ChoosePcapLinkType(refs);
      uint32_t j = 0;
      for (uint32_t n = 1; n <= original.session.FrameCount; ++n) {
        if (format == SaveFormat::Pcap && original.session.FrameTable[n].LinkType != link.LinkType)
          continue;
        ExpectSameFrame(original.session, n, back.session, ++j);
      }
    }
  }
}

}  // namespace
}  // namespace kestle::test
