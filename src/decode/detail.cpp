#include "decode/detail.h"

#include <charconv>
#include <cstdio>
#include <ctime>
#include <span>
#include <string>

#include "decode/config/environment.h"
#include "decode/context.h"
#include "decode/dispatch.h"
#include "decode/fields.h"
#include "decode/session.h"
#include "decode/text.h"
#include "decode/tree.h"

namespace kestle {

namespace {

// "Thu, Mar 14, 2021 09:20:00.274": the arrival time (seconds since 1970
// in local time, already) with the locale's day and month names.
std::string ArrivalTime(const LocaleInfo& locale, uint32_t seconds, uint32_t micro) {
  const std::time_t t = seconds;
  struct tm tm {};
  gmtime_r(&t, &tm);
  char buf[96];
  std::snprintf(buf, sizeof buf, "%s, %s %d, %04d %02d:%02d:%02d.%03u",
                locale.ShortDayNames[tm.tm_wday % 7].c_str(),
                locale.ShortMonthNames[tm.tm_mon % 12].c_str(), tm.tm_mday, tm.tm_year + 1900,
                tm.tm_hour, tm.tm_min, tm.tm_sec, (micro / 1000) % 1000);
  return buf;
}

// Seconds from the frame numbered one lower, with five decimals.
std::string TimeDelta(const LocaleInfo& locale, const CaptureSession& s, uint32_t n) {
  double delta = 0;
  if (n > 1) {
    const FrameTabRec& a = s.FrameTable[n - 1];
    const FrameTabRec& b = s.FrameTable[n];
    delta = static_cast<double>(int64_t{b.Seconds} - int64_t{a.Seconds}) +
            static_cast<double>(int64_t{b.Micro} - int64_t{a.Micro}) / 1e6;
  }
  char buf[64];
  const auto r = std::to_chars(buf, buf + sizeof buf, delta, std::chars_format::fixed, 5);
  std::string text(buf, r.ptr);
  if (const size_t p = text.find('.'); p != std::string::npos)
    text.replace(p, 1, locale.DecimalSep);
  return text;
}

}  // namespace

bool BuildFrameTree(CaptureSession& s, DecodeContext& c, DetailTree& tree, uint32_t n) {
  tree.Clear();
  const uint32_t len = s.ReadFrame(n);
  if (n < 1 || n > s.FrameCount || (len == 0 && s.FrameTable[n].CapLen != 0)) {
    // Nothing of a frame that could not be read, nor of the one before it.
    c.LoadFrame(nullptr, 0);
    return false;
  }
  const FrameHeaderRec& h = s.Input.FrameHeader;
  const FrameTabRec& rec = s.FrameTable[n];
  const LocaleInfo& locale = c.Env.Locale;

  const std::span<const uint8_t> bytes = s.Input.FrameBytes();
  c.LoadFrame(bytes.data(), static_cast<uint32_t>(bytes.size()));
  c.FrameNo = n;
  c.Rec = nullptr;
  c.Shown = &rec;
  c.Desc.clear();
  c.Tree = &tree;
  c.PrintMode = tree.PrintMode;

  const uint32_t trueLen = h.TrueSize != 0 ? h.TrueSize : h.Size;
  const int64_t shown = ShownFrameNumber(c.Set, n);
  DetailNode* top = AddField(
      c, nullptr,
      "Frame " + FormatThousands(static_cast<uint64_t>(shown), locale.ThousandsSep) +
          " (True Size: " + std::to_string(trueLen) + " captured: " + std::to_string(h.Size) + ")",
      0, 0, TreeImage::Frame);
  AddField(c, top, "Arrival Time - " + ArrivalTime(locale, rec.Seconds, rec.Micro), 0, 0);
  AddField(c, top, "Time delta from previous Packet - " + TimeDelta(locale, s, n), 0, 0);
  AddField(c, top, "Frame Number - " + std::to_string(n), 0, 0);
  AddField(c, top, "Packet Length - " + std::to_string(trueLen), 0, 0);
  AddField(c, top, "Capture Length - " + std::to_string(h.Size), 0, 0);

  c.LinkType = rec.LinkType;
  c.LinkBigEndian = rec.BigEndian != 0;
  CallTree(c, LinkTypeUnit(rec.LinkType), nullptr);

  // Back to the first layer; the frame's bytes stay for the hex dump.
  c.PacketOffset = 0;
  c.PacketLen = c.FrameLen;
  c.Tree = nullptr;
  c.Shown = nullptr;
  return true;
}

std::span<const uint8_t> ShownFrameBytes(const DecodeContext& c) {
  return {c.PacketBuf.data(), c.FrameLen};
}

}  // namespace kestle
