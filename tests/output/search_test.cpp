#include "output/search.h"

#include <gtest/gtest.h>

#include <clocale>
#include <filesystem>
#include <string>
#include <vector>

#include "decode/session.h"
#include "output/grid.h"
#include "support/builders.h"
#include "support/session_fixture.h"

namespace kestle {
namespace {

using test::Bytes;
using test::FrameBuilder;

// ---------------------------------------------------------------- navigation

TEST(Navigation, ButtonsMoveWithinTheRows) {
  using N = NavigationCommand;
  struct Case {
    N command;
    int64_t row;
    uint32_t rows;
    int64_t target;
  } cases[] = {
      {N::First, 4, 10, 0},     {N::First, 0, 10, -1},    {N::Previous, 4, 10, 3},
      {N::Previous, 0, 10, -1}, {N::Next, 4, 10, 5},      {N::Next, 9, 10, -1},
      {N::Last, 4, 10, 9},      {N::Last, 9, 10, -1},     {N::Last, 0, 1, -1},
      {N::Next, 0, 1, -1},      {N::First, 0, 0, -1},     {N::Last, -1, 0, -1},
      {N::Next, -1, 3, 0},      {N::Previous, -1, 3, -1}, {N::First, -1, 3, 0},
      {N::Previous, 12, 3, 2},
  };
  for (const Case& c : cases)
    EXPECT_EQ(NavigationTarget(c.command, c.row, c.rows), c.target)
        << static_cast<int>(c.command) << " from " << c.row << " of " << c.rows;
}

// ---------------------------------------------------------------- patterns

TEST(FindPattern, TextAndHexTexts) {
  struct Case {
    const char* text;
    FindMode mode;
    const char* message;  // nullptr: accepted
    Bytes bytes;
  } cases[] = {
      {"get", FindMode::Text, nullptr, {'G', 'E', 'T'}},
      {"Get 1", FindMode::Text, nullptr, {'G', 'E', 'T', ' ', '1'}},
      {" ", FindMode::Text, nullptr, {' '}},
      {"", FindMode::Text, findmsg::kEmpty, {}},
      {"", FindMode::Hex, findmsg::kEmpty, {}},
      {"00 0c 29", FindMode::Hex, nullptr, {0x00, 0x0C, 0x29}},
      {"000C29", FindMode::Hex, nullptr, {0x00, 0x0C, 0x29}},
      {"0 00C2 9", FindMode::Hex, nullptr, {0x00, 0x0C, 0x29}},
      {"\tff\t", FindMode::Hex, nullptr, {0xFF}},
      {"0", FindMode::Hex, findmsg::kOddHex, {}},
      {"abc", FindMode::Hex, findmsg::kOddHex, {}},
      {"   ", FindMode::Hex, findmsg::kOddHex, {}},
      {"0G", FindMode::Hex, findmsg::kInvalidHex, {}},
      {"0 G", FindMode::Hex, findmsg::kInvalidHex, {}},
      {"-1", FindMode::Hex, findmsg::kInvalidHex, {}},
      {"0x", FindMode::Hex, findmsg::kInvalidHex, {}},
      // An odd count is reported before a bad digit.
      {"G", FindMode::Hex, findmsg::kOddHex, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string("'") + c.text + "'");
    SearchPattern p;
    const char* m = ParseSearchPattern(c.text, c.mode, p);
    if (c.message) {
      EXPECT_STREQ(m, c.message);
    } else {
      EXPECT_EQ(m, nullptr);
      EXPECT_EQ(p.Bytes, c.bytes);
      EXPECT_EQ(p.IgnoreCase, c.mode == FindMode::Text);
    }
  }
}

TEST(FindPattern, UpperCaseTableIsFixed) {
  // The same under any locale, and never through a signed char.
  std::setlocale(LC_ALL, "C");
  const std::pair<int, int> cases[] = {
      {'a', 'A'},   {'z', 'Z'},   {'A', 'A'},   {'{', '{'},   {'0', '0'},   {0xE9, 0xC9},
      {0xE0, 0xC0}, {0xFE, 0xDE}, {0xF7, 0xF7}, {0xDF, 0xDF}, {0xFF, 0x9F}, {0x9A, 0x8A},
      {0x9C, 0x8C}, {0x9E, 0x8E}, {0xB5, 0xB5}, {0x80, 0x80}, {0x00, 0x00}};
  for (const auto& [in, out] : cases)
    EXPECT_EQ(UpperCaseByte(static_cast<uint8_t>(in)), out) << "byte " << in;
  SearchPattern p;
  ASSERT_EQ(ParseSearchPattern("caf\xE9", FindMode::Text, p), nullptr);
  EXPECT_EQ(p.Bytes, (Bytes{'C', 'A', 'F', 0xC9}));
}

TEST(FindPattern, MatchesBytesNotCStrings) {
  // Where the first match starts (nullopt: none); ContainsPattern agrees.
  auto found = [](const Bytes& frame, const char* text, size_t len, FindMode mode) {
    SearchPattern p;
    EXPECT_EQ(ParseSearchPattern(std::string_view(text, len), mode, p), nullptr);
    const std::optional<size_t> at = FindPattern(frame, p);
    EXPECT_EQ(ContainsPattern(frame, p), at.has_value());
    return at;
  };
  const Bytes frame = {'x', 'G', 'e', 'T', 0x00, 'a', 'b', 0x00, 0x00, 0xC9, 'z'};
  EXPECT_EQ(found(frame, "get", 3, FindMode::Text), 1u);
  EXPECT_EQ(found(frame, "GET", 3, FindMode::Text), 1u);
  // Past the first zero byte, and across one.
  EXPECT_EQ(found(frame, "AB", 2, FindMode::Text), 5u);
  EXPECT_EQ(found(frame, "t\0a", 3, FindMode::Text), 3u);
  EXPECT_EQ(found(frame, "\xE9z", 2, FindMode::Text), 9u);  // é matches É
  EXPECT_EQ(found(frame, "00 00 c9", 8, FindMode::Hex), 7u);
  EXPECT_EQ(found(frame, "00", 2, FindMode::Hex), 4u);    // the first of three
  EXPECT_EQ(found(frame, "78", 2, FindMode::Hex), 0u);    // the first byte
  EXPECT_EQ(found(frame, "c97a", 4, FindMode::Hex), 9u);  // the last two
  // Hex bytes are compared as they are: 'a' is not 'A'.
  EXPECT_EQ(found(frame, "41", 2, FindMode::Hex), std::nullopt);
  EXPECT_EQ(found(frame, "61", 2, FindMode::Hex), 5u);
  EXPECT_EQ(found(frame, "getx", 4, FindMode::Text), std::nullopt);
  EXPECT_EQ(found(frame, "xgetxabxxxzz", 12, FindMode::Text),
            std::nullopt);  // longer than the frame
  EXPECT_EQ(found({}, "x", 1, FindMode::Text), std::nullopt);
}

// ---------------------------------------------------------------- find next

// Five frames of different lengths; "needle" in frames 2 and 4, the
// second time behind a zero byte; hex 0C29 only in frame 5.
struct FindCapture {
  static Bytes Payload(size_t n, const std::string& inside) {
    FrameBuilder f;
    f.ether("00:00:00:00:00:02", "00:00:00:00:00:01", 0x0800)
        .zeros(10)
        .raw(Bytes(inside.begin(), inside.end()));
    return f.padTo(n).bytes();
  }
  test::Loaded l{test::PcapFile({
      {Payload(60, "hay")},
      {Payload(80, "a NeeDLE here")},
      {Payload(70, "nothing")},
      {Payload(90, std::string("x\0needle", 8))},
      {Payload(65, "\x0c\x29")},
  })};
  CaptureSession& s() { return l.s(); }
};

SearchPattern Pattern(const char* text, FindMode mode = FindMode::Text) {
  SearchPattern p;
  EXPECT_EQ(ParseSearchPattern(text, mode, p), nullptr);
  return p;
}

TEST(FindNext, ContinuesAfterAMatchAndStartsAgainAfterNotFound) {
  FindCapture c;
  ASSERT_TRUE(c.l.ok);
  FrameSearch search;
  const SearchPattern needle = Pattern("needle");
  using O = FrameSearch::Outcome;
  auto next = [&](const SearchPattern& p) {
    const auto r = search.FindNext(c.s(), p);
    return std::make_pair(r.What, r.What == O::NotFound ? 0u : r.Frame);
  };
  EXPECT_EQ(next(needle), std::make_pair(O::Found, 2u));
  EXPECT_EQ(search.SearchRow(), 2u);
  EXPECT_EQ(next(needle), std::make_pair(O::Found, 4u));  // behind a zero byte
  EXPECT_EQ(next(needle), std::make_pair(O::NotFound, 0u));
  EXPECT_EQ(search.SearchRow(), 0u);
  EXPECT_EQ(next(needle), std::make_pair(O::Found, 2u));  // from the first row again
  search.Restart();                                       // the text changed
  EXPECT_EQ(next(Pattern("0C 29", FindMode::Hex)), std::make_pair(O::Found, 5u));
  EXPECT_EQ(next(Pattern("not there")), std::make_pair(O::NotFound, 0u));
  EXPECT_EQ(FoundInFrameText(c.s(), 4), "Found in frame 4");
  c.l.f.env.settings.FirstFrame = 100;  // the number the No. column shows
  EXPECT_EQ(FoundInFrameText(c.s(), 4), "Found in frame 103");
}

TEST(FindNext, WalksTheRowsInDisplayOrderAndOnlyTheShownOnes) {
  FindCapture c;
  ASSERT_TRUE(c.l.ok);
  CaptureSession& s = c.s();
  SortFrameOrder(s, 12);  // by Length, descending: frames 4, 2, 3, 5, 1
  FrameSearch search;
  const SearchPattern needle = Pattern("NEEDLE");
  auto r = search.FindNext(s, needle);
  EXPECT_EQ(r.Frame, 4u);
  EXPECT_EQ(r.Row, 0u);
  r = search.FindNext(s, needle);
  EXPECT_EQ(r.Frame, 2u);
  EXPECT_EQ(r.Row, 1u);
  EXPECT_EQ(search.FindNext(s, needle).What, FrameSearch::Outcome::NotFound);
  // A filter hides frame 4.
  s.FrameTable[4].Visible = 0;
  SortFrameOrder(s, kSortByNumber);
  ASSERT_EQ(s.VisibleCount, 4u);
  r = search.FindNext(s, needle);
  EXPECT_EQ(r.Frame, 2u);
  EXPECT_EQ(search.FindNext(s, needle).What, FrameSearch::Outcome::NotFound);
}

TEST(FindNext, LeavesTheShownFrameAsItWas) {
  FindCapture c;
  ASSERT_TRUE(c.l.ok);
  CaptureSession& s = c.s();
  ASSERT_EQ(s.ReadFrame(3), 70u);
  const Bytes before(s.Input.RawFrame.begin(), s.Input.RawFrame.begin() + 70);
  const uint32_t size = s.Input.FrameHeader.Size;
  const uint64_t pos = s.Input.CurrentRecordPos;
  FrameSearch search;
  EXPECT_EQ(search.FindNext(s, Pattern("0c29", FindMode::Hex)).Frame, 5u);
  EXPECT_EQ(Bytes(s.Input.RawFrame.begin(), s.Input.RawFrame.begin() + 70), before);
  EXPECT_EQ(s.Input.FrameHeader.Size, size);
  EXPECT_EQ(s.Input.CurrentRecordPos, pos);
  Bytes bytes;
  ASSERT_TRUE(ReadFrameBytes(s, 2, bytes));
  EXPECT_EQ(bytes.size(), 80u);
  EXPECT_EQ(s.Input.FrameHeader.Size, size);
}

TEST(FindNext, ReadErrorEndsTheSearch) {
  test::SessionFixture f;
  // Large frames after the first, so that reading it again goes to the file.
  std::vector<test::PcapFrame> frames{{FindCapture::Payload(60, "a")}};
  for (int i = 0; i < 8; ++i) frames.push_back({FindCapture::Payload(40000, "b")});
  test::TempFile file(test::PcapFile(frames));
  ASSERT_TRUE(f.Open(file.path()));
  // The file loses its first record after the load.
  std::filesystem::resize_file(file.path(), 24 + 16 + 30);
  FrameSearch search;
  const auto r = search.FindNext(f.session, Pattern("b"));
  EXPECT_EQ(r.What, FrameSearch::Outcome::ReadError);
  EXPECT_EQ(r.Frame, 1u);
  EXPECT_EQ(r.Row, 0u);
  EXPECT_EQ(f.LastMessage(), "Error reading the sniffer file");
  EXPECT_EQ(search.SearchRow(), 1u);  // the next search goes on after that frame
}

// ---------------------------------------------------------------- goto

TEST(Goto, ResolvesTheNumberAgainstTheShownRows) {
  FindCapture c;
  ASSERT_TRUE(c.l.ok);
  CaptureSession& s = c.s();
  s.FrameTable[3].Visible = 0;  // a filter hides frame 3
  SortFrameOrder(s, kSortByNumber);
  ASSERT_EQ(s.VisibleCount, 4u);
  using G = GotoStatus;
  struct Case {
    int firstFrame;
    const char* text;
    G status;
    uint32_t row;
  } cases[] = {
      {1, "1", G::Found, 0},
      {1, "5", G::Found, 3},
      {1, " 4 ", G::Found, 2},
      {1, "+2", G::Found, 1},
      {1, "0004", G::Found, 2},
      {1, "3", G::NotShown, 0},
      {1, "0", G::NotInFile, 0},
      {1, "6", G::NotInFile, 0},
      {1, "-1", G::NotInFile, 0},
      {1, "-0", G::NotInFile, 0},
      {1, "4294967297", G::NotInFile, 0},  // 2^32 + 1 would be frame 1 in 32 bits
      {1, "9999999999", G::NotInFile, 0},
      {1, "99999999999999999999999", G::NotInFile, 0},
      {1, "", G::NotNumeric, 0},
      {1, " ", G::NotNumeric, 0},
      {1, "-", G::NotNumeric, 0},
      {1, "abc", G::NotNumeric, 0},
      {1, "12a", G::NotNumeric, 0},
      {1, "1 2", G::NotNumeric, 0},
      {1, "0x1", G::NotNumeric, 0},
      {100, "100", G::Found, 0},
      {100, "104", G::Found, 3},
      {100, "99", G::NotInFile, 0},
      {100, "1", G::NotInFile, 0},
      {100, "105", G::NotInFile, 0},
      {100, "102", G::NotShown, 0},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(std::string("'") + k.text + "' from " + std::to_string(k.firstFrame));
    c.l.f.env.settings.FirstFrame = k.firstFrame;
    const GotoResult r = ResolveGoto(s, k.text);
    EXPECT_EQ(r.Status, k.status);
    if (k.status == G::Found) {
      EXPECT_EQ(r.Row, k.row);
    }
  }
  EXPECT_STREQ(GotoMessage(G::NotNumeric), "Packet number is not numeric");
  EXPECT_STREQ(GotoMessage(G::NotInFile), "Requested Packet not in file");
  EXPECT_STREQ(GotoMessage(G::NotShown), "Packet number not currently selected");
  EXPECT_EQ(GotoMessage(G::Found), nullptr);
}

}  // namespace
}  // namespace kestle
