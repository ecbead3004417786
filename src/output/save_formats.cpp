#include "output/save_formats.h"

#include <algorithm>
#include <vector>

#include "capture/bytes.h"
#include "capture/input.h"
#include "output/output_file.h"

namespace kestle {

namespace {

constexpr uint16_t kLinkTypeNull = 0;  // BSD loopback: a 4-byte family in the writer's order
constexpr uint32_t kPcapSnapLength = 262144;
constexpr uint32_t kPcapMagicMicro = 0xA1B2C3D4;
constexpr uint32_t kPcapMagicNano = 0xA1B23C4D;

constexpr uint32_t kSectionHeader = 0x0A0D0D0A;
constexpr uint32_t kInterfaceDescription = 1;
constexpr uint32_t kEnhancedPacket = 6;
constexpr uint16_t kOptTsResol = 9;

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameText(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [](char x, char y) { return Lower(x) == Lower(y); });
}

bool EndsWith(std::string_view name, std::string_view ending) {
  return name.size() > ending.size() && SameText(name.substr(name.size() - ending.size()), ending);
}

void Put32(std::vector<uint8_t>& out, uint32_t v) {
  uint8_t b[4];
  PutLE32(b, v);
  out.insert(out.end(), b, b + 4);
}
void Put16(std::vector<uint8_t>& out, uint16_t v) {
  uint8_t b[2];
  PutLE16(b, v);
  out.insert(out.end(), b, b + 2);
}

// Reads a frame again and checks it against what the load found.
bool RereadFrame(CaptureInput& in, const SaveFrameRef& f) {
  return in.Reread(f.RecordPos) && in.FrameHeader.Size == f.CapLen;
}

// A frame's time as a UTC instant: as the file held it when it keeps one,
// else from the local time the grid shows (the inverse of the zone offset
// the readers apply, so that a reload shows the same time).
struct UtcTime {
  int64_t Seconds = 0;
  uint32_t Nanos = 0;
  uint8_t Digits = 6;
};
UtcTime TimeOf(CaptureInput& in, const SaveFrameRef& f) {
  const FrameHeaderRec& h = in.FrameHeader;
  if (h.TimeDigits != 0)
    return {h.UtcSeconds, std::min<uint32_t>(h.Nanos, 999999999), h.TimeDigits};
  const int64_t local = f.Seconds;
  int64_t utc = local;
  for (int i = 0; i < 2; ++i) utc = local + (utc - int64_t{in.LocalSeconds(utc)});
  return {std::max<int64_t>(utc, 0), std::min<uint32_t>(f.Micro, 999999) * 1000, 6};
}

// The frame's bytes as this file's little-endian order wants them.
std::span<const uint8_t> FrameBytesFor(CaptureInput& in, std::vector<uint8_t>& scratch) {
  const std::span<const uint8_t> bytes = in.FrameBytes();
  if (in.FrameHeader.LinkType != kLinkTypeNull || !in.FrameHeader.BigEndian || bytes.size() < 4)
    return bytes;
  scratch.assign(bytes.begin(), bytes.end());
  std::reverse(scratch.begin(), scratch.begin() + 4);
  return scratch;
}

uint32_t WireLength(const FrameHeaderRec& h) { return h.TrueSize != 0 ? h.TrueSize : h.Size; }

// What the three writers share: the refusal of the open capture, the file,
// the loop over the frames with its progress, and the outcome.
template <typename Holds, typename Begin, typename WriteFrame>
SaveOutcome SaveLoop(CaptureInput& in, std::span<const SaveFrameRef> frames,
                     const std::string& target, const SaveProgress& progress, Holds holds,
                     Begin begin, WriteFrame write) {
  SaveOutcome out;
  if (SameFile(target, in.FileName)) {
    out.Message = FileMessage(savemsg::kOpenCapture, target);
    return out;
  }
  OutputFile file;
  if (!file.Create(target)) {
    out.Message = FileMessage(savemsg::kCannotCreate, target, file.Error());
    return out;
  }
  begin(file);
  const uint32_t total = static_cast<uint32_t>(frames.size());
  for (const SaveFrameRef& f : frames) {
    if (!holds(f)) {
      ++out.Skipped;
      continue;
    }
    if (!RereadFrame(in, f)) {
      out.Message = FileMessage(msg::kReadError, in.FileName, in.File.Error());
      return out;
    }
    if (!write(file, f)) break;
    ++out.Written;
    if (progress && !progress(out.Written, total)) {
      out.Cancelled = true;
      break;
    }
  }
  if (file.Failed() || !file.Commit()) {
    out.Message = FileMessage(savemsg::kWriteError, target, file.Error());
    out.Written = 0;
    return out;
  }
  out.Ok = true;
  return out;
}

// Whether a frame was read with nanosecond times (a pcap file of
// nanoseconds, a pcapng interface finer than microseconds). Only the open
// file tells, before any frame is read again.
bool SourceHasNanoseconds(const CaptureInput& in) {
  if (in.Format == CaptureFormat::Pcap) return in.PcapNano;
  if (in.Format != CaptureFormat::Pcapng) return false;
  return std::any_of(in.Pcapng.Interfaces.begin(), in.Pcapng.Interfaces.end(),
                     [](const PcapngInterface& i) {
                       const unsigned e = i.Resolution & 0x7F;
                       return (i.Resolution & 0x80) ? e > 20 : e > 6;
                     });
}

}  // namespace

std::optional<SaveFormat> ParseSaveFormat(std::string_view text) {
  for (SaveFormat f : {SaveFormat::Sniffer, SaveFormat::Pcap, SaveFormat::Pcapng})
    if (SameText(text, SaveFormatName(f))) return f;
  return std::nullopt;
}

std::string_view SaveFormatName(SaveFormat f) {
  switch (f) {
    case SaveFormat::Pcap:
      return "pcap";
    case SaveFormat::Pcapng:
      return "pcapng";
    case SaveFormat::Sniffer:
      break;
  }
  return "sniffer";
}

std::optional<SaveFormat> SaveFormatOfName(std::string_view fileName) {
  if (EndsWith(fileName, ".pcapng")) return SaveFormat::Pcapng;
  if (EndsWith(fileName, ".pcap")) return SaveFormat::Pcap;
  if (EndsWith(fileName, ".enc") || EndsWith(fileName, ".trc")) return SaveFormat::Sniffer;
  return std::nullopt;
}

PcapLinkChoice ChoosePcapLinkType(std::span<const SaveFrameRef> frames) {
  PcapLinkChoice c;
  if (frames.empty()) return c;
  c.LinkType = frames.front().LinkType;
  for (const SaveFrameRef& f : frames)
    if (f.LinkType != c.LinkType) ++c.Others;
  return c;
}

SaveOutcome SaveAsPcap(CaptureInput& in, std::span<const SaveFrameRef> frames,
                       const std::string& target, const SaveProgress& progress) {
  const PcapLinkChoice link = ChoosePcapLinkType(frames);
  const bool nano = SourceHasNanoseconds(in);
  std::vector<uint8_t> record, scratch;
  return SaveLoop(
      in, frames, target, progress,
      [&](const SaveFrameRef& f) { return f.LinkType == link.LinkType; },
      [&](OutputFile& file) {
        std::vector<uint8_t> h;
        Put32(h, nano ? kPcapMagicNano : kPcapMagicMicro);
        Put16(h, 2);
        Put16(h, 4);
        Put32(h, 0);  // time zone
        Put32(h, 0);  // accuracy
        Put32(h, kPcapSnapLength);
        Put32(h, link.LinkType);
        file.Write(h.data(), h.size());
      },
      [&](OutputFile& file, const SaveFrameRef& f) {
        const UtcTime t = TimeOf(in, f);
        const std::span<const uint8_t> bytes = FrameBytesFor(in, scratch);
        record.clear();
        Put32(record, static_cast<uint32_t>(std::clamp<int64_t>(t.Seconds, 0, UINT32_MAX)));
        Put32(record, nano ? t.Nanos : t.Nanos / 1000);
        Put32(record, static_cast<uint32_t>(bytes.size()));
        Put32(record, WireLength(in.FrameHeader));
        record.insert(record.end(), bytes.begin(), bytes.end());
        return file.Write(record.data(), record.size());
      });
}

SaveOutcome SaveAsPcapng(CaptureInput& in, std::span<const SaveFrameRef> frames,
                         const std::string& target, const SaveProgress& progress) {
  struct Interface {
    uint16_t LinkType;
    uint32_t SnapLength;
    uint8_t Digits;
  };
  std::vector<Interface> interfaces;
  std::vector<uint8_t> block, scratch;
  return SaveLoop(
      in, frames, target, progress, [](const SaveFrameRef&) { return true; },
      [&](OutputFile& file) {
        std::vector<uint8_t> h;
        Put32(h, kSectionHeader);
        Put32(h, 28);
        Put32(h, 0x1A2B3C4D);
        Put16(h, 1);
        Put16(h, 0);
        Put32(h, 0xFFFFFFFF);  // section length not given
        Put32(h, 0xFFFFFFFF);
        Put32(h, 28);
        file.Write(h.data(), h.size());
      },
      [&](OutputFile& file, const SaveFrameRef& f) {
        const FrameHeaderRec& h = in.FrameHeader;
        const UtcTime t = TimeOf(in, f);
        const auto known =
            std::find_if(interfaces.begin(), interfaces.end(), [&](const Interface& i) {
              return i.LinkType == h.LinkType && i.SnapLength == h.SnapLength &&
                     i.Digits == t.Digits;
            });
        const uint32_t id = static_cast<uint32_t>(known - interfaces.begin());
        block.clear();
        if (known == interfaces.end()) {
          // An interface is described before its first frame.
          interfaces.push_back({h.LinkType, h.SnapLength, t.Digits});
          const bool resol = t.Digits != 6;
          const uint32_t len = 20 + (resol ? 8 : 0) + 4;
          Put32(block, kInterfaceDescription);
          Put32(block, len);
          Put16(block, h.LinkType);
          Put16(block, 0);
          Put32(block, h.SnapLength);
          if (resol) {
            Put16(block, kOptTsResol);
            Put16(block, 1);
            Put32(block, t.Digits);  // the value byte, then padding
          }
          Put32(block, 0);  // end of options
          Put32(block, len);
        }
        const std::span<const uint8_t> bytes = FrameBytesFor(in, scratch);
        const uint64_t units = static_cast<uint64_t>(std::max<int64_t>(t.Seconds, 0)) *
                                   (t.Digits == 9 ? 1000000000u : 1000000u) +
                               (t.Digits == 9 ? t.Nanos : t.Nanos / 1000);
        const uint32_t padded = (static_cast<uint32_t>(bytes.size()) + 3u) / 4 * 4;
        const uint32_t len = 32 + padded;
        Put32(block, kEnhancedPacket);
        Put32(block, len);
        Put32(block, id);
        Put32(block, static_cast<uint32_t>(units >> 32));
        Put32(block, static_cast<uint32_t>(units));
        Put32(block, static_cast<uint32_t>(bytes.size()));
        Put32(block, WireLength(h));
        block.insert(block.end(), bytes.begin(), bytes.end());
        block.resize(block.size() + (padded - bytes.size()), 0);
        Put32(block, len);
        return file.Write(block.data(), block.size());
      });
}

std::string_view SaveFormatCaption(SaveFormat f) {
  return f == SaveFormat::Sniffer ? "Network Sniffer" : SaveFormatName(f);
}

std::string NameDisagreesQuestion(SaveFormat byName, SaveFormat chosen) {
  return "The file name asks for a " + std::string(SaveFormatCaption(byName)) +
         " file, but the file type chosen is " + std::string(SaveFormatCaption(chosen)) +
         ". Save it as a " + std::string(SaveFormatCaption(byName)) + " file?";
}

std::string PcapLeavesOutQuestion(uint32_t others) {
  return "A pcap file holds frames of one link type: " + std::to_string(others) +
         " frame(s) of another link type would not be saved. Save a pcapng file instead, which "
         "holds them all?";
}

SaveOutcome SaveFrames(SaveFormat format, CaptureInput& in, std::span<const SaveFrameRef> frames,
                       const std::string& target, const SaveProgress& progress) {
  switch (format) {
    case SaveFormat::Pcap:
      return SaveAsPcap(in, frames, target, progress);
    case SaveFormat::Pcapng:
      return SaveAsPcapng(in, frames, target, progress);
    case SaveFormat::Sniffer:
      break;
  }
  return SaveAsSniffer(in, frames, target, progress);
}

}  // namespace kestle
