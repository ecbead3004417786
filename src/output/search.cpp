#include "output/search.h"

#include <algorithm>
#include <array>

#include "decode/config/environment.h"
#include "decode/context.h"
#include "decode/session.h"
#include "output/grid.h"

namespace kestle {

// ---------------------------------------------------------------- navigation

int64_t NavigationTarget(NavigationCommand command, int64_t row, uint32_t rows) {
  if (rows == 0) return -1;
  const int64_t last = int64_t{rows} - 1;
  switch (command) {
    case NavigationCommand::First:
      return row != 0 ? 0 : -1;
    case NavigationCommand::Previous:
      return row > 0 ? std::min(row, last + 1) - 1 : -1;
    case NavigationCommand::Next:
      return row < last ? std::max<int64_t>(row, -1) + 1 : -1;
    case NavigationCommand::Last:
      return row != last ? last : -1;
  }
  return -1;
}

// ---------------------------------------------------------------- patterns

namespace {

constexpr std::array<uint8_t, 256> MakeUpperTable() {
  std::array<uint8_t, 256> t{};
  for (int i = 0; i < 256; ++i) t[i] = static_cast<uint8_t>(i);
  for (int c = 'a'; c <= 'z'; ++c) t[c] = static_cast<uint8_t>(c - 0x20);
  // Windows-1252: à..þ (not ÷) to À..Þ; š, œ, ž, ÿ to Š, Œ, Ž, Ÿ.
  for (int c = 0xE0; c <= 0xFE; ++c)
    if (c != 0xF7) t[c] = static_cast<uint8_t>(c - 0x20);
  t[0x9A] = 0x8A;
  t[0x9C] = 0x8C;
  t[0x9E] = 0x8E;
  t[0xFF] = 0x9F;
  return t;
}
constexpr std::array<uint8_t, 256> kUpper = MakeUpperTable();

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Keeps the session's current frame (header, bytes, record position) as it
// was before the search read other frames into it.
class CurrentFrameKeeper {
 public:
  explicit CurrentFrameKeeper(CaptureSession& s)
      : in_(s.Input), header_(in_.FrameHeader), raw_(in_.RawFrame), pos_(in_.CurrentRecordPos) {}
  ~CurrentFrameKeeper() {
    in_.FrameHeader = header_;
    in_.RawFrame.swap(raw_);
    in_.CurrentRecordPos = pos_;
  }
  CurrentFrameKeeper(const CurrentFrameKeeper&) = delete;
  CurrentFrameKeeper& operator=(const CurrentFrameKeeper&) = delete;

 private:
  CaptureInput& in_;
  FrameHeaderRec header_;
  std::vector<uint8_t> raw_;
  uint64_t pos_;
};

bool ReadInto(CaptureSession& s, uint32_t frame, std::vector<uint8_t>& out) {
  out.clear();
  if (frame < 1 || frame > s.FrameCount || frame >= s.FrameTable.size()) return false;
  if (s.FrameTable[frame].CapLen == 0) return true;  // nothing captured, nothing to read
  const uint32_t len = std::min(s.ReadFrame(frame), kMaxFrameLength);
  if (len == 0) return false;
  const auto bytes = s.Input.FrameBytes();
  out.assign(bytes.begin(), bytes.begin() + std::min<size_t>(len, bytes.size()));
  return true;
}

}  // namespace

uint8_t UpperCaseByte(uint8_t b) { return kUpper[b]; }

const char* ParseSearchPattern(std::string_view text, FindMode mode, SearchPattern& out) {
  out = {};
  if (text.empty()) return findmsg::kEmpty;
  if (mode == FindMode::Text) {
    out.IgnoreCase = true;
    out.Bytes.reserve(text.size());
    for (char c : text) out.Bytes.push_back(UpperCaseByte(static_cast<uint8_t>(c)));
    return nullptr;
  }
  std::string digits;
  for (char c : text)
    if (!IsBlank(c)) digits += c;
  if (digits.empty() || digits.size() % 2 != 0) return findmsg::kOddHex;
  std::vector<uint8_t> bytes;
  for (size_t i = 0; i < digits.size(); i += 2) {
    const int hi = HexValue(digits[i]), lo = HexValue(digits[i + 1]);
    if (hi < 0 || lo < 0) return findmsg::kInvalidHex;
    bytes.push_back(static_cast<uint8_t>(hi << 4 | lo));
  }
  out.Bytes = std::move(bytes);
  return nullptr;
}

std::optional<size_t> FindPattern(std::span<const uint8_t> bytes, const SearchPattern& p) {
  if (p.Bytes.empty() || p.Bytes.size() > bytes.size()) return std::nullopt;
  const auto at = p.IgnoreCase
                      ? std::search(bytes.begin(), bytes.end(), p.Bytes.begin(), p.Bytes.end(),
                                    [](uint8_t frameByte, uint8_t patternByte) {
                                      return UpperCaseByte(frameByte) == patternByte;
                                    })
                      : std::search(bytes.begin(), bytes.end(), p.Bytes.begin(), p.Bytes.end());
  if (at == bytes.end()) return std::nullopt;
  return static_cast<size_t>(at - bytes.begin());
}

bool ContainsPattern(std::span<const uint8_t> bytes, const SearchPattern& p) {
  return FindPattern(bytes, p).has_value();
}

bool ReadFrameBytes(CaptureSession& s, uint32_t frame, std::vector<uint8_t>& out) {
  CurrentFrameKeeper keep(s);
  return ReadInto(s, frame, out);
}

// ---------------------------------------------------------------- find next

FrameSearch::Result FrameSearch::FindNext(CaptureSession& s, const SearchPattern& pattern) {
  Result r;
  const size_t held = s.FrameOrder.empty() ? 0 : s.FrameOrder.size() - 1;
  const uint32_t rows = static_cast<uint32_t>(std::min<size_t>(s.VisibleCount, held));
  CurrentFrameKeeper keep(s);
  for (++searchRow_; searchRow_ <= rows; ++searchRow_) {
    const uint32_t frame = s.FrameOrder[searchRow_];
    if (!ReadInto(s, frame, bytes_)) {
      r.What = Outcome::ReadError;
      r.Row = searchRow_ - 1;
      r.Frame = frame;
      return r;
    }
    if (const std::optional<size_t> at = FindPattern(bytes_, pattern)) {
      r.What = Outcome::Found;
      r.Row = searchRow_ - 1;
      r.Offset = static_cast<uint32_t>(*at);
      r.Length = static_cast<uint32_t>(pattern.Bytes.size());
      r.Frame = frame;
      return r;
    }
  }
  searchRow_ = 0;
  return r;
}

std::string FoundInFrameText(const CaptureSession& s, uint32_t frame) {
  return findmsg::kFoundIn + std::to_string(ShownFrameNumber(s.Env.settings, frame));
}

// ---------------------------------------------------------------- goto

const char* GotoMessage(GotoStatus status) {
  switch (status) {
    case GotoStatus::NotNumeric:
      return gotomsg::kNotNumeric;
    case GotoStatus::NotInFile:
      return gotomsg::kNotInFile;
    case GotoStatus::NotShown:
      return gotomsg::kNotShown;
    default:
      return nullptr;
  }
}

GotoResult ResolveGoto(const CaptureSession& s, std::string_view text) {
  GotoResult r;
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  bool negative = false;
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  if (text.empty()) return r;
  // Past this every number is outside any file; it also keeps the value
  // far from the 64-bit limit, however many digits follow.
  constexpr int64_t kBeyond = int64_t{1} << 40;
  int64_t n = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return r;
    if (n < kBeyond) n = n * 10 + (c - '0');
  }
  const int64_t first = s.Env.settings.FirstFrame;
  const int64_t last = first + int64_t{s.FrameCount} - 1;
  if (negative || n < first || n > last) {
    r.Status = GotoStatus::NotInFile;
    return r;
  }
  const int64_t row = RowOfFrame(s, static_cast<uint32_t>(n - first + 1));
  if (row < 0) {
    r.Status = GotoStatus::NotShown;
    return r;
  }
  r.Status = GotoStatus::Found;
  r.Row = static_cast<uint32_t>(row);
  return r;
}

}  // namespace kestle
