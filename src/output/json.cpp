#include "output/json.h"

#include <cmath>
#include <cstdio>
#include <ctime>
#include <ostream>

#include "decode/session.h"
#include "decode/text.h"
#include "decode/tree.h"
#include "output/detailview.h"
#include "output/fileinfo.h"
#include "output/grid.h"

namespace kestle {

namespace {

// The length of the well-formed UTF-8 sequence at s[i], 0 when there is none.
size_t Utf8SequenceLength(std::string_view s, size_t i) {
  const auto b = [&](size_t k) { return static_cast<uint8_t>(s[k]); };
  const uint8_t c = b(i);
  size_t n = 0;
  uint8_t lo = 0x80, hi = 0xBF;  // the allowed range of the second byte
  if (c >= 0xC2 && c <= 0xDF) {
    n = 2;
  } else if (c >= 0xE0 && c <= 0xEF) {
    n = 3;
    if (c == 0xE0) lo = 0xA0;  // no overlong forms
    if (c == 0xED) hi = 0x9F;  // no surrogates
  } else if (c >= 0xF0 && c <= 0xF4) {
    n = 4;
    if (c == 0xF0) lo = 0x90;
    if (c == 0xF4) hi = 0x8F;  // nothing above U+10FFFF
  } else {
    return 0;
  }
  if (i + n > s.size()) return 0;
  if (b(i + 1) < lo || b(i + 1) > hi) return 0;
  for (size_t k = 2; k < n; ++k)
    if (b(i + k) < 0x80 || b(i + k) > 0xBF) return 0;
  return n;
}

void WriteNode(std::ostream& out, const DetailNode& n) {
  const std::optional<TreeTextParts> parts = SplitTreeLine(n.Text, n.LiteralFrom);
  out << "{\"text\":" << JsonString(n.Text)
      << ",\"label\":" << JsonString(parts ? parts->Label : n.Text)
      << ",\"value\":" << (parts ? JsonString(parts->Value) : std::string("null"))
      << ",\"offset\":" << n.Offset << ",\"length\":" << n.Length << ",\"children\":[";
  for (size_t i = 0; i < n.Children.size(); ++i) {
    if (i) out << ',';
    WriteNode(out, *n.Children[i]);
  }
  out << "]}";
}

// A port, or null for none (0: the frame has no port).
std::string PortValue(uint16_t port) { return port != 0 ? std::to_string(port) : "null"; }

// The frame's arrival as seconds since 1970 UTC: the table keeps local time,
// taken back by the zone offset in force then.
std::string TimestampValue(const FrameTabRec& r) {
  const int64_t local = r.Seconds;
  const int64_t guess = local + 60 * int64_t{GetTimeZoneBias(static_cast<std::time_t>(local))};
  const int64_t utc = local + 60 * int64_t{GetTimeZoneBias(static_cast<std::time_t>(guess))};
  char text[40];
  std::snprintf(text, sizeof text, "%lld.%06u", static_cast<long long>(utc),
                static_cast<unsigned>(r.Micro % 1000000));
  return text;
}

}  // namespace

std::string JsonString(std::string_view text) {
  std::string r;
  r.reserve(text.size() + 2);
  r += '"';
  for (size_t i = 0; i < text.size();) {
    const auto c = static_cast<uint8_t>(text[i]);
    if (c < 0x80) {
      switch (c) {
        case '"':
          r += "\\\"";
          break;
        case '\\':
          r += "\\\\";
          break;
        case '\n':
          r += "\\n";
          break;
        case '\r':
          r += "\\r";
          break;
        case '\t':
          r += "\\t";
          break;
        default:
          if (c < 0x20 || c == 0x7F) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            r += buf;
          } else {
            r += static_cast<char>(c);
          }
      }
      ++i;
      continue;
    }
    if (const size_t n = Utf8SequenceLength(text, i)) {
      r.append(text.substr(i, n));
      i += n;
    } else {
      r += "\xEF\xBF\xBD";  // U+FFFD
      ++i;
    }
  }
  r += '"';
  return r;
}

JsonFrameWriter::JsonFrameWriter(std::ostream& out, const CaptureSession& s) : out_(out), s_(s) {
  out_ << "{\"file\":" << JsonString(s.FileName()) << ",\"format\":"
       << JsonString(FileTypeText(s.Format(), s.Input.PcapModified, s.Input.PcapNano))
       << ",\"frames\":[";
}

JsonFrameWriter::~JsonFrameWriter() { End(); }

void JsonFrameWriter::WriteFrame(uint32_t frame, const DetailTree* tree,
                                 std::span<const uint8_t> bytes) {
  if (ended_ || frame < 1 || frame > s_.FrameCount) return;
  const FrameTabRec& r = s_.FrameTable[frame];
  out_ << (first_ ? "\n" : ",\n");
  first_ = false;
  out_ << "{\"no\":" << FrameCellText(s_, frame, 'A')
       << ",\"time\":" << JsonString(FrameCellText(s_, frame, 'B'))
       << ",\"timestamp\":" << TimestampValue(r);
  char rel[32] = "null";
  if (std::isfinite(r.RelTime)) std::snprintf(rel, sizeof rel, "%.6f", r.RelTime);
  out_ << ",\"rel_time\":" << rel << ",\"length\":" << r.CapLen
       << ",\"source\":" << JsonString(FrameCellText(s_, frame, 'D'))
       << ",\"source_port\":" << PortValue(r.SrcPort)
       << ",\"dest\":" << JsonString(FrameCellText(s_, frame, 'F'))
       << ",\"dest_port\":" << PortValue(r.DstPort)
       << ",\"description\":" << JsonString(FrameCellText(s_, frame, 'H'))
       << ",\"protocol\":" << JsonString(FrameCellText(s_, frame, 'I'));
  if (tree) {
    out_ << ",\"tree\":[";
    for (size_t i = 0; i < tree->Roots.size(); ++i) {
      if (i) out_ << ',';
      WriteNode(out_, *tree->Roots[i]);
    }
    out_ << ']';
  }
  if (!bytes.empty()) {
    static constexpr char kHex[] = "0123456789abcdef";
    out_ << ",\"bytes\":\"";
    for (uint8_t b : bytes) out_ << kHex[b >> 4] << kHex[b & 15];
    out_ << '"';
  }
  out_ << '}';
}

void JsonFrameWriter::End() {
  if (ended_) return;
  ended_ = true;
  out_ << (first_ ? "]}\n" : "\n]}\n");
}

}  // namespace kestle
