// Save As: frames written to a Sniffer file load again as they were, from
// every format; the choices pick the rows; a failed save leaves nothing.
#include "output/save.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>

#include "capture/bytes.h"
#include "capture/dates.h"
#include "capture/sniffer_format.h"
#include "decode/session.h"
#include "output/frame_choice.h"
#include "support/builders.h"
#include "support/capture_files.h"
#include "support/expected.h"
#include "support/session_fixture.h"
#include "support/temp_dir.h"

namespace kestle::test {
namespace {

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

std::vector<uint32_t> AllFrames(const CaptureSession& s) {
  std::vector<uint32_t> v;
  for (uint32_t n = 1; n <= s.FrameCount; ++n) v.push_back(n);
  return v;
}

SaveOutcome Save(CaptureSession& s, const std::vector<uint32_t>& frames, const std::string& target,
                 const SaveProgress& progress = {}) {
  return SaveAsSniffer(s.Input, SaveFrameRefs(s, frames), target, progress);
}

// Frame i of `a` and frame j of `b` have the same lengths, bytes and
// arrival time.
void ExpectSameFrame(CaptureSession& a, uint32_t i, CaptureSession& b, uint32_t j) {
  SCOPED_TRACE("frame " + std::to_string(i));
  const FrameTabRec& x = a.FrameTable[i];
  const FrameTabRec& y = b.FrameTable[j];
  EXPECT_EQ(x.CapLen, y.CapLen);
  EXPECT_EQ(x.TrueLen, y.TrueLen);
  EXPECT_EQ(x.Seconds, y.Seconds);
  EXPECT_EQ(x.Micro, y.Micro);
  ASSERT_EQ(a.ReadFrame(i), x.CapLen);
  const Bytes bytes = HeldFrame(a);
  ASSERT_EQ(b.ReadFrame(j), y.CapLen);
  EXPECT_EQ(bytes, HeldFrame(b));
}

struct RoundTrip {
  const char* file;
  const char* zone;
};

class SaveRoundTrip : public ::testing::TestWithParam<RoundTrip> {};

TEST_P(SaveRoundTrip, SavedFramesLoadWithTheSameLengthsBytesAndTimes) {
  ZoneGuard zone(GetParam().zone);
  SessionFixture original;
  ASSERT_TRUE(original.Open(CapturePath(GetParam().file))) << original.LastMessage();
  TempDir dir;
  const std::string out = dir.file("saved.enc");
  const SaveOutcome r = Save(original.session, AllFrames(original.session), out);
  ASSERT_TRUE(r.Ok) << r.Message;
  EXPECT_EQ(r.Written, original.session.FrameCount);

  SessionFixture saved;
  ASSERT_TRUE(saved.Open(out)) << saved.LastMessage();
  EXPECT_TRUE(saved.notes.Messages.empty());
  EXPECT_EQ(saved.session.Format(), CaptureFormat::Sniffer);
  ASSERT_EQ(saved.session.FrameCount, original.session.FrameCount);
  for (uint32_t n = 1; n <= original.session.FrameCount; ++n)
    ExpectSameFrame(original.session, n, saved.session, n);
  EXPECT_EQ(dir.Names(), std::vector<std::string>{"saved.enc"});
}

INSTANTIATE_TEST_SUITE_P(
    Formats, SaveRoundTrip,
    ::testing::Values(
        RoundTrip{"mixed.pcap", "UTC"}, RoundTrip{"mixed.pcap", "America/New_York"},
        RoundTrip{"mixed.pcap", "Asia/Kolkata"}, RoundTrip{"mixed-be.pcap", "Europe/Berlin"},
        RoundTrip{"mixed-mod.pcap.gz", "UTC"}, RoundTrip{"mixed-nm1.cap", "UTC"},
        RoundTrip{"mixed-nm2.cap", "America/New_York"}, RoundTrip{"mixed-xray11.cap", "UTC"},
        RoundTrip{"mixed-xray20.cap", "Asia/Kolkata"}, RoundTrip{"mixed.5vw", "UTC"},
        RoundTrip{"mixed.enc", "UTC"}, RoundTrip{"mixed.enc.gz", "Europe/Berlin"},
        RoundTrip{"mixed.pcapng", "Europe/Berlin"}, RoundTrip{"mixed-ns.pcap.gz", "Asia/Kolkata"},
        RoundTrip{"mixed-2if.pcapng", "UTC"}),
    [](const ::testing::TestParamInfo<RoundTrip>& info) {
      std::string name = std::string(info.param.file) + "_" + info.param.zone;
      for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
      return name;
    });

// A Sniffer file holds Ethernet frames only: the others are left out and
// counted, never written as frames they are not.
TEST(SaveSniffer, FramesOfOtherLinkTypesAreLeftOutAndCounted) {
  PcapngWriter w;
  w.Section().Interface(1).Interface(101).Interface(113);
  w.Packet(0, 1615713600000000, Frame(60, 1)).Packet(1, 1615713600000001, Bytes(20, 0x45));
  w.Packet(2, 1615713600000002, Bytes(30, 0)).Packet(0, 1615713600000003, Frame(61, 2));
  Loaded l(w.bytes());
  ASSERT_TRUE(l.ok) << l.f.LastMessage();
  ASSERT_EQ(l.s().FrameCount, 4u);
  TempDir dir;
  const std::string out = dir.file("saved.enc");
  const SaveOutcome r = Save(l.s(), {4, 2, 3, 1}, out);
  ASSERT_TRUE(r.Ok) << r.Message;
  EXPECT_EQ(r.Written, 2u);
  EXPECT_EQ(r.Skipped, 2u);
  EXPECT_EQ(SkippedFramesNote(r.Skipped), "2 frame(s) of another link type were not saved");
  EXPECT_EQ(SkippedFramesNote(0), "");
  SessionFixture saved;
  ASSERT_TRUE(saved.Open(out)) << saved.LastMessage();
  ASSERT_EQ(saved.session.FrameCount, 2u);
  ExpectSameFrame(l.s(), 4, saved.session, 1);
  ExpectSameFrame(l.s(), 1, saved.session, 2);
}

// When none of the frames chosen can be held, no file is made: an empty
// Sniffer file would pass for a save that worked.
TEST(SaveSniffer, NothingToHoldMakesNoFile) {
  PcapngWriter w;
  w.Section().Interface(1).Interface(101);
  w.Packet(0, 1615713600000000, Frame(60, 1)).Packet(1, 1615713600000001, Bytes(20, 0x45));
  w.Packet(1, 1615713600000002, Bytes(24, 0x45));
  Loaded l(w.bytes());
  ASSERT_TRUE(l.ok) << l.f.LastMessage();
  TempDir dir;
  const std::string out = dir.file("saved.enc");
  const SaveOutcome r = Save(l.s(), {3, 2}, out);
  EXPECT_FALSE(r.Ok);
  EXPECT_EQ(r.Written, 0u);
  EXPECT_EQ(r.Skipped, 2u);
  EXPECT_EQ(r.Message, std::string(savemsg::kNothingToSave) + "\n" + out +
                           ": 2 frame(s) of another link type were not saved");
  EXPECT_FALSE(std::filesystem::exists(out));
}

// The records of a Sniffer file after its version record: (type, body).
std::vector<std::pair<uint16_t, Bytes>> SnifferRecords(const Bytes& file) {
  std::vector<std::pair<uint16_t, Bytes>> records;
  size_t at = sniffer::kMagicSize;
  while (at + 6 <= file.size()) {
    const uint16_t type = GetLE16(&file[at]);
    const uint16_t length = GetLE16(&file[at + 2]);
    if (at + 6 + length > file.size()) break;
    records.emplace_back(type, Bytes(file.begin() + at + 6, file.begin() + at + 6 + length));
    at += 6 + length;
  }
  return records;
}

TEST(SaveSniffer, FromASnifferFileTheVersionRecordAndFrameRecordsAreCopied) {
  // Odd header fields (frame status, flags, day, Size 0) survive as they are.
  SnifferRecord odd = SnifferData(123456789, Frame(70, 0x33), 0, 1514);
  odd.body[sniffer::frame::kFs] = 0x5A;
  odd.body[sniffer::frame::kFlags] = 0x81;
  odd.body[sniffer::frame::kTimeDay] = 3;
  SnifferOptions o;
  o.timeUnit = 1;
  const Bytes file = SnifferFile({SnifferData(1000, Frame(60)),
                                  {7, Bytes(10, 0x44)},
                                  odd,
                                  SnifferData(2501000, Frame(100, 0x22), 100, 1514),
                                  {sniffer::kEndOfFile, {}}},
                                 o);
  Loaded l(file);
  ASSERT_TRUE(l.ok);
  TempDir dir;
  ASSERT_TRUE(Save(l.s(), {3, 1, 2}, dir.file("copy.enc")).Ok);
  const auto in = SnifferRecords(file);
  const auto out = SnifferRecords(ReadFile(dir.file("copy.enc")));
  ASSERT_EQ(out.size(), 4u);  // the version record and three frames, no end record
  EXPECT_EQ(out[0], in[0]);
  EXPECT_EQ(out[1], in[4]);
  EXPECT_EQ(out[2], in[1]);
  EXPECT_EQ(out[3], in[3]);
}

TEST(SaveSniffer, OneFrameOfAPcapFileMakesTheSmallestFile) {
  const Bytes frame = Frame(75);
  Loaded l(PcapFile({{frame, 1615713600, 250000, 0}, {Frame(60), 1615713601, 0, 0}}));
  ASSERT_TRUE(l.ok);
  TempDir dir;
  const SaveOutcome r = Save(l.s(), {1}, dir.file("one.enc"));
  ASSERT_TRUE(r.Ok);
  const Bytes out = ReadFile(dir.file("one.enc"));
  ASSERT_EQ(out.size(), 17u + 6 + 18 + 6 + 14 + frame.size());
  EXPECT_EQ(std::string(out.begin(), out.begin() + 17), std::string(sniffer::kMagic, 17));
  const uint8_t versionHeader[] = {1, 0, 18, 0, 0, 0};
  EXPECT_TRUE(std::equal(versionHeader, versionHeader + 6, out.begin() + 17));
  const uint8_t* v = &out[23];
  EXPECT_EQ(GetLE16(v + 0), 1);   // major
  EXPECT_EQ(GetLE16(v + 2), 16);  // minor
  EXPECT_EQ(GetLE16(v + 6), sniffer::MakeDosDate(2021, 3, 14));
  EXPECT_EQ(v[8], 4);   // file type
  EXPECT_EQ(v[9], 1);   // Ethernet
  EXPECT_EQ(v[10], 1);  // format version
  EXPECT_EQ(v[11], 5);  // 1 µs ticks
  EXPECT_TRUE(std::all_of(v + 12, v + 18, [](uint8_t b) { return b == 0; }));
  const uint8_t* r4 = &out[41];
  EXPECT_EQ(GetLE16(r4), 4);
  EXPECT_EQ(GetLE16(r4 + 2), 14 + frame.size());
  EXPECT_EQ(GetLE16(r4 + 4), 0);
  const uint64_t ticks =
      GetLE16(r4 + 6) | (uint64_t{GetLE16(r4 + 8)} << 16) | (uint64_t{r4[10]} << 32);
  EXPECT_EQ(ticks, (9 * 3600 + 20 * 60) * 1000000ULL + 250000);  // 09:20:00.25 local (UTC here)
  EXPECT_EQ(GetLE16(r4 + 12), frame.size());
  EXPECT_TRUE(std::equal(frame.begin(), frame.end(), r4 + 20));
}

int64_t DaySeconds(int y, int m, int d) { return DaysFromCivil(y, m, d) * 86400; }

TEST(SaveSniffer, VersionRecordDatesTimesAndTimeUnits) {
  EXPECT_EQ(sniffer::MakeDosDate(2004, 3, 1), 0x3061);
  EXPECT_EQ(sniffer::MakeDosTime(14, 25, 37), 0x7332);

  RecordingNotifier notes;
  CaptureInput in(notes);
  in.CaptureTime = (14 * 3600 + 25 * 60 + 37) / 86400.0;
  struct Case {
    const char* what;
    std::vector<SaveFrameRef> frames;
    uint16_t date;
    uint8_t unit;
    std::vector<uint64_t> ticks;
  };
  const auto at = [](int64_t day, int64_t second, uint32_t micro) {
    return SaveFrameRef{0, static_cast<uint32_t>(day + second), micro, 60};
  };
  const int64_t d2004 = DaySeconds(2004, 3, 1);
  const Case cases[] = {
      {"the day of the earliest frame",
       {at(d2004, 51937, 5), at(d2004, 3600, 0)},
       0x3061,
       5,
       {51937000005ULL, 3600000000ULL}},
      {"frames before 1980 keep their time of day",
       {at(DaySeconds(1975, 6, 1), 36672, 500000)},
       sniffer::MakeDosDate(1980, 1, 1),
       5,
       {36672500000ULL}},
      {"past 12 days the ticks are 2 µs",
       {at(d2004, 0, 0), at(d2004, 20 * 86400, 7)},
       0x3061,
       4,
       {0, 20 * 86400 * 500000ULL + 3}},
      {"past 25 days they are 15 µs",
       {at(d2004, 0, 0), at(d2004, 100 * 86400, 30)},
       0x3061,
       0,
       {0, 100 * 86400 * 1000000ULL / 15 + 2}},
      {"past 190 days the last tick count is kept",
       {at(d2004, 0, 0), at(d2004, 300 * 86400, 0)},
       0x3061,
       0,
       {0, (1ULL << 40) - 1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const SnifferTiming t = PlanSnifferTiming(in, c.frames);
    EXPECT_EQ(t.DosDate, c.date);
    EXPECT_EQ(t.DosTime, 0x7332);
    EXPECT_EQ(t.TimeUnit, c.unit);
    for (size_t i = 0; i < c.frames.size(); ++i)
      EXPECT_EQ(SnifferTicks(t, c.frames[i]), c.ticks[i]);
    const auto v = NewVersionRecord(t);
    EXPECT_EQ(GetLE16(&v[4]), 0x7332);
    EXPECT_EQ(GetLE16(&v[6]), c.date);
    EXPECT_EQ(v[11], c.unit);
  }
}

TEST(SaveSniffer, OldAndLongCapturesLoadAgainWithTheirTimesOfDay) {
  ZoneGuard zone("America/New_York");
  const uint32_t t1975 = static_cast<uint32_t>(DaySeconds(1975, 6, 1) + 15 * 3600 + 7);
  const uint32_t t2021 = 1615713600;
  Loaded old(PcapFile({{Frame(60), t1975, 123456, 0}, {Frame(61), t1975 + 90000, 1, 0}}));
  Loaded span(PcapFile({{Frame(60), t2021, 10, 0}, {Frame(61), t2021 + 20 * 86400, 11, 0}}));
  ASSERT_TRUE(old.ok && span.ok);
  TempDir dir;
  ASSERT_TRUE(Save(old.s(), {1, 2}, dir.file("old.enc")).Ok);
  ASSERT_TRUE(Save(span.s(), {1, 2}, dir.file("span.enc")).Ok);
  SessionFixture a, b;
  ASSERT_TRUE(a.Open(dir.file("old.enc")));
  ASSERT_TRUE(b.Open(dir.file("span.enc")));
  for (uint32_t n : {1u, 2u}) {
    // The date moves to 1980-01-01; the time of day and the day between stay.
    EXPECT_EQ(a.session.FrameTable[n].Seconds % 86400, old.s().FrameTable[n].Seconds % 86400);
    EXPECT_EQ(a.session.FrameTable[n].Micro, old.s().FrameTable[n].Micro);
    // 2 µs ticks: whole seconds stay, microseconds lose their last bit.
    EXPECT_EQ(b.session.FrameTable[n].Seconds, span.s().FrameTable[n].Seconds);
    EXPECT_EQ(b.session.FrameTable[n].Micro, span.s().FrameTable[n].Micro & ~1u);
  }
  EXPECT_EQ(a.session.FrameTable[1].Seconds / 86400, DaysFromCivil(1980, 1, 1));
  EXPECT_EQ(a.session.FrameTable[2].Seconds / 86400, DaysFromCivil(1980, 1, 2));
}

// Six frames of lengths 60, 90, 70, 80, 65, 75 a second apart.
Bytes SixFrames() {
  std::vector<PcapFrame> frames;
  const size_t lengths[] = {60, 90, 70, 80, 65, 75};
  for (size_t i = 0; i < 6; ++i)
    frames.push_back(
        {Frame(lengths[i], static_cast<uint8_t>(i)), 1615713600 + static_cast<uint32_t>(i), 0, 0});
  return PcapFile(frames);
}

TEST(SaveChoices, EachChoiceWritesItsRowsInDisplayOrder) {
  Loaded l(SixFrames());
  ASSERT_TRUE(l.ok);
  CaptureSession& s = l.s();
  // Shown: frames 6, 2, 4, 1 in that order (a filter, then a sort); 3 and 5 hidden.
  s.FrameOrder = {0, 6, 2, 4, 1, 3, 5};
  s.VisibleCount = 4;
  s.FrameTable[2].Tagged = s.FrameTable[3].Tagged = s.FrameTable[1].Tagged = 1;
  s.SelectedFrame = 5;  // shown in the detail tree though hidden now
  struct Case {
    FrameChoice choice;
    FrameRange range;
    std::vector<uint32_t> frames;
  };
  const Case cases[] = {
      {FrameChoice::Selected, {}, {5}},
      {FrameChoice::Tagged, {}, {2, 1}},  // 3 is tagged but hidden
      {FrameChoice::All, {}, {6, 2, 4, 1}},
      {FrameChoice::Range, {2, 4}, {2, 4}},    // 3 lies in the range but is hidden
      {FrameChoice::Range, {4, 900}, {6, 4}},  // a last number beyond the frames
  };
  TempDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.choice));
    const std::vector<uint32_t> chosen = ChosenFrames(s, c.choice, c.range);
    EXPECT_EQ(chosen, c.frames);
    ASSERT_TRUE(Save(s, chosen, dir.file("c.enc")).Ok);
    SessionFixture saved;
    ASSERT_TRUE(saved.Open(dir.file("c.enc")));
    ASSERT_EQ(saved.session.FrameCount, c.frames.size());
    for (uint32_t i = 0; i < c.frames.size(); ++i)
      ExpectSameFrame(s, c.frames[i], saved.session, i + 1);
  }
  s.SelectedFrame = 0;
  EXPECT_TRUE(ChosenFrames(s, FrameChoice::Selected).empty());
}

TEST(SaveChoices, RangeBoxesAreCheckedAndReadAsFrameNumbers) {
  struct Case {
    const char* first;
    const char* last;
    int64_t firstFrame;
    const char* message;
    FrameRange range;
  };
  const Case cases[] = {
      {"5", "3", 1, rangemsg::kInvalidFrameRange, {}},
      {"a", "3", 1, rangemsg::kNonNumeric, {}},
      {"1", "", 1, rangemsg::kNonNumeric, {}},
      {"1", "99999999999", 1, rangemsg::kNonNumeric, {}},
      {"0", "3", 1, rangemsg::kInvalidFrameRange, {}},
      {"99", "149", 100, rangemsg::kInvalidFrameRange, {}},  // below the first loaded frame
      {"100", "100", 100, nullptr, {1, 1}},
      {"100", "149", 100, nullptr, {1, 50}},
      {" 2 ", "$10", 1, nullptr, {2, 16}},
      {"3", "3", 1, nullptr, {3, 3}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.first) + " to " + c.last);
    FrameRange r;
    const char* m = ParseFrameRange(c.first, c.last, c.firstFrame, rangemsg::kInvalidFrameRange, r);
    EXPECT_STREQ(m, c.message);
    if (!c.message) {
      EXPECT_EQ(r.First, c.range.First);
      EXPECT_EQ(r.Last, c.range.Last);
    }
  }
  // Print names its own range message.
  FrameRange r;
  EXPECT_STREQ(ParseFrameRange("5", "3", 1, rangemsg::kInvalidPrintRange, r),
               "Invalid print range");
}

TEST(SaveChoices, RangeBoxesShowTheNumbersOfTheFirstAndLastFrame) {
  Loaded l(SixFrames(), 512000, 3);
  ASSERT_TRUE(l.ok);
  EXPECT_EQ(RangeBoxFirst(l.s()), "3");
  EXPECT_EQ(RangeBoxLast(l.s()), "6");
}

TEST(SaveSniffer, CancelKeepsTheFramesWrittenSoFarAsACompleteFile) {
  Loaded l(SixFrames());
  ASSERT_TRUE(l.ok);
  TempDir dir;
  std::vector<uint32_t> seen;
  const SaveOutcome r =
      Save(l.s(), AllFrames(l.s()), dir.file("part.enc"), [&](uint32_t n, uint32_t total) {
        seen.push_back(n);
        EXPECT_EQ(total, 6u);
        return n < 2;
      });
  EXPECT_TRUE(r.Ok);
  EXPECT_TRUE(r.Cancelled);
  EXPECT_EQ(r.Written, 2u);
  EXPECT_EQ(seen, (std::vector<uint32_t>{1, 2}));
  SessionFixture saved;
  ASSERT_TRUE(saved.Open(dir.file("part.enc")));
  EXPECT_EQ(saved.session.FrameCount, 2u);
  EXPECT_EQ(dir.Names(), std::vector<std::string>{"part.enc"});
}

TEST(SaveSniffer, ReplacingAFileKeepsItsPermissions) {
  Loaded l(SixFrames());
  ASSERT_TRUE(l.ok);
  TempDir dir;
  const std::string out = dir.file("out.enc");
  std::ofstream(out) << "old";
  ::chmod(out.c_str(), 0640);
  ASSERT_TRUE(Save(l.s(), {1}, out).Ok);
  struct stat st {};
  ASSERT_EQ(::stat(out.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  EXPECT_EQ(ReadFile(out).size(), 17u + 6 + 18 + 6 + 14 + 60);
}

std::string Text(const std::string& path) {
  const Bytes b = ReadFile(path);
  return std::string(b.begin(), b.end());
}

TEST(SaveSniffer, FailuresLeaveNoFileAndTheTargetAsItWas) {
  TempDir dir;
  // Larger than the reader's buffer, so that frames are read from the disk again.
  std::vector<PcapFrame> frames;
  for (uint32_t i = 0; i < 2000; ++i)
    frames.push_back({Frame(600, static_cast<uint8_t>(i)), 1615713600 + i, 0, 0});
  const Bytes captureBytes = PcapFile(frames);
  const std::string capture = dir.file("capture.pcap");
  std::ofstream(capture, std::ios::binary)
      .write(reinterpret_cast<const char*>(captureBytes.data()),
             static_cast<std::streamsize>(captureBytes.size()));
  SessionFixture f;
  ASSERT_TRUE(f.Open(capture));
  CaptureSession& s = f.session;
  const std::string out = dir.file("out.enc");
  std::ofstream(out) << "old";

  // The capture being read, by its name or through a link.
  std::filesystem::create_symlink(capture, dir.file("link.pcap"));
  for (const std::string& target : {capture, dir.file("link.pcap")}) {
    const SaveOutcome r = Save(s, AllFrames(s), target);
    EXPECT_FALSE(r.Ok);
    EXPECT_EQ(r.Message, FileMessage(savemsg::kOpenCapture, target));
  }
  EXPECT_EQ(ReadFile(capture), captureBytes);

  // A folder that does not exist.
  // Each message names the file, and why it could not be written.
  EXPECT_EQ(Save(s, AllFrames(s), dir.file("no/such/out.enc")).Message,
            "Unable to create output file\n" + dir.file("no/such/out.enc") +
                ": No such file or directory");

  // Writing stops at a file size limit.
  {
    struct rlimit old {};
    ::getrlimit(RLIMIT_FSIZE, &old);
    ::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 100000;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const SaveOutcome r = Save(s, AllFrames(s), out);
    ::setrlimit(RLIMIT_FSIZE, &old);
    EXPECT_FALSE(r.Ok);
    EXPECT_EQ(r.Message, "Error writing the output file\n" + out + ": File too large");
  }

  // Frames that can no longer be read: the capture lost its second half.
  std::filesystem::resize_file(capture, captureBytes.size() / 2);
  const SaveOutcome r = Save(s, AllFrames(s), out);
  EXPECT_FALSE(r.Ok);
  EXPECT_EQ(r.Message, FileMessage(msg::kReadError, capture));

  EXPECT_EQ(Text(out), "old");
  std::vector<std::string> names = dir.Names();
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"capture.pcap", "link.pcap", "out.enc"}));
}

// tshark, where it is installed, reads a saved file with the same frames:
// it writes them to a pcap file, which the pcap reader loads.
TEST(SaveSniffer, AnIndependentReaderReadsTheSameFrames) {
  if (!std::filesystem::exists("/usr/bin/tshark")) GTEST_SKIP() << "tshark is not installed";
  for (const char* name : {"mixed.pcap", "mixed-nm2.cap", "mixed-xray20.cap", "mixed.enc"}) {
    SCOPED_TRACE(name);
    SessionFixture original;
    ASSERT_TRUE(original.Open(CapturePath(name)));
    TempDir dir;
    ASSERT_TRUE(Save(original.session, AllFrames(original.session), dir.file("s.enc")).Ok);
    const std::string cmd = "/usr/bin/tshark -r '" + dir.file("s.enc") + "' -F pcap -w '" +
                            dir.file("t.pcap") + "' >/dev/null 2>&1";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    SessionFixture back;
    ASSERT_TRUE(back.Open(dir.file("t.pcap")));
    ASSERT_EQ(back.session.FrameCount, original.session.FrameCount);
    for (uint32_t n = 1; n <= original.session.FrameCount; ++n) {
      ASSERT_EQ(original.session.ReadFrame(n), back.session.ReadFrame(n));
      EXPECT_EQ(HeldFrame(original.session), HeldFrame(back.session)) << n;
      EXPECT_EQ(original.session.FrameTable[n].TrueLen, back.session.FrameTable[n].TrueLen) << n;
    }
  }
}

}  // namespace
}  // namespace kestle::test
