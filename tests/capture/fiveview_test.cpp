// The 5View reader, from small files written by support/capture_files.h.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "decode/session.h"
#include "support/builders.h"
#include "support/capture_files.h"
#include "support/session_fixture.h"

namespace kestle::test {
namespace {

constexpr uint32_t kStart = 1615713600;  // 2021-03-14 09:20:00

TEST(FiveViewReader, FramesWithTheirOwnTimesOtherRecordsSkipped) {
  Loaded l(FiveViewFile({FiveViewFrame(kStart, 274646000, Frame(60)),
                         {1, Bytes(8, 0xEE), 0, 0, -1},
                         FiveViewFrame(kStart + 86400, 999999999, Frame(70, 0x22))}));
  ASSERT_TRUE(l.ok) << l.f.LastMessage();
  const CaptureSession& s = l.s();
  ASSERT_EQ(s.FrameCount, 2u);
  EXPECT_EQ(s.FrameTable[1].Seconds, kStart);
  EXPECT_EQ(s.FrameTable[1].Micro, 274646u);
  EXPECT_EQ(s.FrameTable[2].Seconds, kStart + 86400);
  EXPECT_EQ(s.FrameTable[2].Micro, 999999u);
  EXPECT_EQ(s.FrameTable[2].CapLen, 70u);
  EXPECT_EQ(s.FrameTable[2].TrueLen, 70u);
  EXPECT_NEAR(s.FrameTable[2].RelTime, 86400 + 0.999999 - 0.274646, 1e-6);
  EXPECT_DOUBLE_EQ(s.Input.CaptureDate, 25569.0 + kStart / 86400);
  EXPECT_DOUBLE_EQ(s.Input.CaptureTime, (kStart % 86400) / 86400.0);
  EXPECT_EQ(l.s().ReadFrame(2), 70u);
  EXPECT_EQ(HeldFrame(s), Frame(70, 0x22));
}

TEST(FiveViewReader, CaptureDateComesFromThisFile) {
  SessionFixture f;
  TempFile first(FiveViewFile({FiveViewFrame(kStart, 0, Frame(60))}), ".5vw");
  TempFile second(FiveViewFile({FiveViewFrame(86400 * 3 + 43200, 0, Frame(60))}), ".5vw");
  ASSERT_TRUE(f.Open(first.path()));
  ASSERT_TRUE(f.Open(second.path()));
  EXPECT_DOUBLE_EQ(f.session.Input.CaptureDate, 25569.0 + 3);
  EXPECT_DOUBLE_EQ(f.session.Input.CaptureTime, 0.5);
}

TEST(FiveViewReader, LoadMessages) {
  struct Case {
    const char* name;
    Bytes file;
    std::string message;
  };
  const auto one = FiveViewFrame(kStart, 0, Frame(60));
  const Case cases[] = {
      {"version 2", FiveViewFile({one}, 0x00020000), msg::kVersion},
      {"not ethernet", FiveViewFile({one}, 0x00010000, 0x18002000), msg::kNotEthernet},
      // Would otherwise be read again and again.
      {"zero-length record", FiveViewFile({one, {1, {}, 0, 0, 0}, one}), msg::kNotSupported},
      {"record shorter than its header", FiveViewFile({one, {1, {}, 0, 0, 35}}),
       msg::kNotSupported},
      {"no frame", FiveViewFile({{1, Bytes(4, 0), 0, 0, -1}}), msg::kEmpty},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Loaded l(c.file);
    EXPECT_FALSE(l.ok);
    EXPECT_EQ(l.f.LastMessage(), c.message);
    EXPECT_EQ(l.s().FrameCount, 0u);
    EXPECT_FALSE(l.s().FileOpen());
  }
}

TEST(FiveViewReader, MaxPacketsFirstFrameAndCompressedFiles) {
  const Bytes file = FiveViewFile({FiveViewFrame(kStart, 0, Frame(60)),
                                   {1, {}, 0, 0, 36},
                                   FiveViewFrame(kStart, 1000, Frame(61)),
                                   FiveViewFrame(kStart, 2000, Frame(62))});
  Loaded limited(file, 2);
  ASSERT_TRUE(limited.ok);
  EXPECT_EQ(limited.s().FrameCount, 2u);
  EXPECT_EQ(limited.f.LastMessage(), msg::kMaxFrames);

  // Every record counts when skipping, whatever its kind.
  Loaded skipped(file, 512000, 3);
  ASSERT_TRUE(skipped.ok);
  ASSERT_EQ(skipped.s().FrameCount, 2u);
  EXPECT_EQ(skipped.s().FrameTable[1].CapLen, 61u);

  Loaded beyond(file, 512000, 6);
  EXPECT_FALSE(beyond.ok);
  EXPECT_EQ(beyond.f.LastMessage(), msg::kFirstFrame);

  // The limit is checked before every record: reached with records still
  // to come, even ones that hold no frame, it is announced.
  Loaded trailing(FiveViewFile({FiveViewFrame(kStart, 0, Frame(60)),
                                FiveViewFrame(kStart, 1000, Frame(61)),
                                {1, {}, 0, 0, 36}}),
                  2);
  ASSERT_TRUE(trailing.ok);
  EXPECT_EQ(trailing.s().FrameCount, 2u);
  EXPECT_EQ(trailing.f.LastMessage(), msg::kMaxFrames);

  Loaded exact(
      FiveViewFile({FiveViewFrame(kStart, 0, Frame(60)), FiveViewFrame(kStart, 1000, Frame(61))}),
      2);
  ASSERT_TRUE(exact.ok);
  EXPECT_EQ(exact.s().FrameCount, 2u);
  EXPECT_TRUE(exact.f.notes.Messages.empty());

  Loaded gz(Gzip(file));
  ASSERT_TRUE(gz.ok);
  EXPECT_EQ(gz.s().FrameCount, 3u);
  EXPECT_EQ(gz.s().ReadFrame(3), 62u);
}

}  // namespace
}  // namespace kestle::test
