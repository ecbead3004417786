// The pcapng reader: sections, each in its own byte order; interface
// descriptions (link type, snap length, time resolution and offset); and
// the frames of enhanced, simple and old-style packet blocks. Every other
// block (name resolution, statistics, custom, unknown) is skipped by its
// length. Each frame has its interface's link type; the frames of an
// interface whose link type the sink does not take are skipped and counted.
//
// A block whose length is below 12, not a multiple of 4 or runs past the
// end of the data, or whose trailing length differs from its leading one,
// ends the load; the frames before it stay.
#include <algorithm>
#include <vector>

#include "capture/bytes.h"
#include "capture/input.h"
#include "capture/readers.h"

namespace kestle {

namespace {

constexpr uint32_t kSectionHeader = 0x0A0D0D0A;
constexpr uint32_t kInterfaceDescription = 1;
constexpr uint32_t kOldPacket = 2;
constexpr uint32_t kSimplePacket = 3;
constexpr uint32_t kEnhancedPacket = 6;

constexpr uint32_t kBlockHeader = 8;   // type and length
constexpr uint32_t kBlockTrailer = 4;  // the length again
constexpr uint32_t kMinBlock = kBlockHeader + kBlockTrailer;
constexpr uint32_t kMinSectionHeader = 28;
constexpr uint32_t kMinInterface = 20;
// Section headers and interface descriptions are read whole; a longer one
// is damage.
constexpr uint32_t kMaxHeaderBlock = kMaxRecordLength;
// More sections or interface descriptions than a file can mean (an old
// packet block numbers its interface in 16 bits) are damage: they would
// only cost memory.
constexpr size_t kMaxSections = 65536;
constexpr size_t kMaxInterfaces = 65536;

constexpr uint16_t kOptEnd = 0;
constexpr uint16_t kOptTsResol = 9;
constexpr uint16_t kOptTsOffset = 14;
constexpr uint8_t kMicrosecondResolution = 6;

uint16_t Get16(const uint8_t* p, bool big) { return big ? GetBE16(p) : GetLE16(p); }
uint32_t Get32(const uint8_t* p, bool big) { return big ? GetBE32(p) : GetLE32(p); }
uint64_t Get64(const uint8_t* p, bool big) {
  return big ? (uint64_t{GetBE32(p)} << 32) | GetBE32(p + 4) : GetLE64(p);
}

// A packet block's fields, whatever its kind.
struct Packet {
  uint32_t Section = 0;
  uint32_t Interface = 0;  // within the section
  bool Timed = false;      // simple packets carry no time
  uint64_t Time = 0;       // in the interface's units
  uint32_t CapLen = 0;
  uint32_t OrigLen = 0;
};

enum class Step { Frame, End, Damaged };

const PcapngInterface* InterfaceOf(const PcapngLayout& m, uint32_t section, uint32_t id) {
  const uint32_t first = m.Sections[section].FirstInterface;
  const uint32_t end = section + 1 < m.Sections.size() ? m.Sections[section + 1].FirstInterface
                                                       : static_cast<uint32_t>(m.Interfaces.size());
  return id < end - first ? &m.Interfaces[first + id] : nullptr;
}

// Whole seconds (clamped to what the frame table holds) and microseconds
// of a time in units of the resolution (if_tsresol: a negative power of 10,
// or of 2 with the top bit set) after the interface's offset in seconds.
void SplitTime(uint64_t time, uint8_t resolution, int64_t offset, int64_t& seconds,
               uint32_t& micro) {
  using u128 = unsigned __int128;
  const unsigned exponent = resolution & 0x7F;
  u128 perSecond = 1;
  bool finer = false;  // so fine that every 64-bit time lies within one second
  if (resolution & 0x80) {
    perSecond <<= exponent;
  } else if (exponent > 38) {
    finer = true;
  } else {
    for (unsigned i = 0; i < exponent; ++i) perSecond *= 10;
  }
  __int128 whole = offset;
  micro = 0;
  if (!finer) {
    whole += static_cast<__int128>(time / perSecond);
    const u128 rest = time % perSecond;
    micro = static_cast<uint32_t>(perSecond > (u128{1} << 64) ? rest / (perSecond / 1000000)
                                                              : rest * 1000000 / perSecond);
  }
  seconds = static_cast<int64_t>(std::clamp<__int128>(whole, 0, UINT32_MAX));
}

// Reads a section header block (its first 8 bytes already in h) at `pos`
// and starts the section.
bool ReadSectionHeader(CaptureInput& s, uint64_t pos, const uint8_t h[8]) {
  uint8_t magic[4];
  if (!s.File.ReadExact(magic, 4)) return false;
  const uint32_t le = GetLE32(magic);
  if (le != 0x1A2B3C4D && le != 0x4D3C2B1A) return false;
  const bool big = le == 0x4D3C2B1A;
  const uint32_t len = Get32(h + 4, big);
  if (len < kMinSectionHeader || len % 4 != 0 || len > kMaxHeaderBlock ||
      s.Pcapng.Sections.size() >= kMaxSections)
    return false;
  uint8_t trailer[4];
  if (!s.File.Skip(len - kBlockHeader - 4 - kBlockTrailer) || !s.File.ReadExact(trailer, 4) ||
      Get32(trailer, big) != len)
    return false;
  s.Pcapng.Sections.push_back({pos, big, static_cast<uint32_t>(s.Pcapng.Interfaces.size())});
  return true;
}

// Reads an interface description block of `len` bytes (the header read).
bool ReadInterface(CaptureInput& s, uint32_t len, bool big) {
  if (len < kMinInterface || len > kMaxHeaderBlock || s.Pcapng.Interfaces.size() >= kMaxInterfaces)
    return false;
  std::vector<uint8_t> body(len - kBlockHeader);
  if (!s.File.ReadExact(body.data(), body.size())) return false;
  const size_t end = body.size() - kBlockTrailer;
  if (Get32(&body[end], big) != len) return false;
  PcapngInterface i;
  i.LinkType = Get16(&body[0], big);
  i.SnapLength = Get32(&body[4], big);
  uint8_t resolution = kMicrosecondResolution;
  for (size_t at = 8; at + 4 <= end;) {
    const uint16_t code = Get16(&body[at], big);
    const uint16_t n = Get16(&body[at + 2], big);
    if (code == kOptEnd || n > end - at - 4) break;
    if (code == kOptTsResol && n >= 1) resolution = body[at + 4];
    if (code == kOptTsOffset && n >= 8)
      i.OffsetSeconds = static_cast<int64_t>(Get64(&body[at + 4], big));
    at += 4 + (n + 3u) / 4 * 4;
  }
  i.Resolution = resolution;
  i.Taken = s.TakesLinkType(i.LinkType);
  if (!i.Taken) s.MetOtherLinkType();
  s.Pcapng.Interfaces.push_back(i);
  return true;
}

// Reads a packet block's fixed fields (the header read); false when they
// do not fit the block. A simple packet is of the section's first
// interface and captured up to its snap length; without that interface
// its captured length is left at 0.
bool ReadPacketFields(CaptureInput& s, uint32_t type, uint32_t len, Packet& p, uint32_t& fixed) {
  const bool big = s.Pcapng.Sections[p.Section].BigEndian;
  uint8_t f[20];
  fixed = type == kSimplePacket ? 4 : 20;
  if (len < kMinBlock + fixed || !s.File.ReadExact(f, fixed)) return false;
  const uint32_t room = len - kMinBlock - fixed;
  if (type == kSimplePacket) {
    p.Interface = 0;
    p.Timed = false;
    p.OrigLen = Get32(f, big);
    p.CapLen = std::min(p.OrigLen, room);
    if (const PcapngInterface* i = InterfaceOf(s.Pcapng, p.Section, 0); i && i->SnapLength != 0)
      p.CapLen = std::min(p.CapLen, i->SnapLength);
    return true;
  }
  p.Interface = type == kOldPacket ? Get16(f, big) : Get32(f, big);
  p.Timed = true;
  p.Time = (uint64_t{Get32(f + 4, big)} << 32) | Get32(f + 8, big);
  p.CapLen = Get32(f + 12, big);
  p.OrigLen = Get32(f + 16, big);
  return p.CapLen <= room;
}

// Reads (keep) or skips the packet's bytes, then the rest of the block, and
// checks its trailing length.
bool ReadPacketRest(CaptureInput& s, const Packet& p, uint32_t len, uint32_t fixed, bool keep) {
  const bool big = s.Pcapng.Sections[p.Section].BigEndian;
  if (keep ? !s.ReadFrameBytes(p.CapLen) : (p.CapLen > kMaxRecordLength || !s.File.Skip(p.CapLen)))
    return false;
  uint8_t trailer[4];
  return s.File.Skip(len - kMinBlock - fixed - p.CapLen) && s.File.ReadExact(trailer, 4) &&
         Get32(trailer, big) == len;
}

bool IsPacket(uint32_t type) {
  return type == kEnhancedPacket || type == kSimplePacket || type == kOldPacket;
}

// Reads blocks up to and including the next frame of a link type the sink
// takes: its bytes into RawFrame (keep), or skipped.
Step NextFrame(CaptureInput& s, Packet& p, bool keep) {
  for (;;) {
    const uint64_t pos = s.File.Tell();
    if (s.File.Eof()) return Step::End;
    uint8_t h[kBlockHeader];
    if (!s.File.ReadExact(h, sizeof h)) return Step::Damaged;
    // The section header's type reads the same in both byte orders.
    if (GetLE32(h) == kSectionHeader) {
      if (!ReadSectionHeader(s, pos, h)) return Step::Damaged;
      continue;
    }
    if (s.Pcapng.Sections.empty()) return Step::Damaged;
    const uint32_t section = static_cast<uint32_t>(s.Pcapng.Sections.size() - 1);
    const bool big = s.Pcapng.Sections[section].BigEndian;
    const uint32_t type = Get32(h, big);
    const uint32_t len = Get32(h + 4, big);
    if (len < kMinBlock || len % 4 != 0) return Step::Damaged;
    if (type == kInterfaceDescription) {
      if (!ReadInterface(s, len, big)) return Step::Damaged;
      continue;
    }
    if (!IsPacket(type)) {
      uint8_t trailer[4];
      if (!s.File.Skip(len - kMinBlock) || !s.File.ReadExact(trailer, 4) ||
          Get32(trailer, big) != len)
        return Step::Damaged;
      continue;
    }
    p.Section = section;
    uint32_t fixed = 0;
    if (!ReadPacketFields(s, type, len, p, fixed)) return Step::Damaged;
    const PcapngInterface* i = InterfaceOf(s.Pcapng, section, p.Interface);
    // A frame of an interface never described is no frame at all.
    const bool taken = i && i->Taken;
    if (i && !i->Taken) s.SkipFrameOfOtherLinkType();
    if (!ReadPacketRest(s, p, len, fixed, keep && taken)) return Step::Damaged;
    if (!taken) continue;
    s.CurrentRecordPos = pos;
    return Step::Frame;
  }
}

// The packet's arrival time in seconds (UTC) and microseconds; a packet
// without a time of its own leaves them as they are.
void PacketTime(const CaptureInput& s, const Packet& p, int64_t& seconds, uint32_t& micro) {
  const PcapngInterface& i = *InterfaceOf(s.Pcapng, p.Section, p.Interface);
  if (p.Timed) SplitTime(p.Time, i.Resolution, i.OffsetSeconds, seconds, micro);
}

// The nanoseconds within its second of a packet's time, and the decimal
// digits its resolution needs (6 or 9).
void PacketNanos(const CaptureInput& s, const Packet& p, uint32_t micro, uint32_t& nanos,
                 uint8_t& digits) {
  const PcapngInterface& i = *InterfaceOf(s.Pcapng, p.Section, p.Interface);
  const unsigned exponent = i.Resolution & 0x7F;
  const bool binary = (i.Resolution & 0x80) != 0;
  digits = (binary ? exponent > 20 : exponent > 6) ? 9 : 6;
  nanos = micro * 1000;
  if (digits == 6 || !p.Timed) return;
  using u128 = unsigned __int128;
  u128 perSecond = 1;
  if (binary) {
    perSecond <<= exponent;
  } else {
    if (exponent > 38) return;
    for (unsigned e = 0; e < exponent; ++e) perSecond *= 10;
  }
  const u128 rest = p.Time % perSecond;
  nanos = static_cast<uint32_t>(perSecond > (u128{1} << 64) ? rest / (perSecond / 1000000000)
                                                            : rest * 1000000000 / perSecond);
}

// Normalises the packet read, arrived at `seconds` and `micro`, into
// FrameHeader.
void FakePacket(CaptureInput& s, const Packet& p, int64_t seconds, uint32_t micro, uint32_t nanos,
                uint8_t digits) {
  const PcapngInterface& i = *InterfaceOf(s.Pcapng, p.Section, p.Interface);
  s.SetLinkType(i.LinkType, s.Pcapng.Sections[p.Section].BigEndian);
  s.FakeFrame((seconds - s.DayBase) * 1000000 + micro, p.CapLen, p.OrigLen);
  s.FrameHeader.UtcSeconds = seconds;
  s.FrameHeader.Nanos = nanos;
  s.FrameHeader.TimeDigits = digits;
  s.FrameHeader.SnapLength = i.SnapLength;
}

}  // namespace

void ReadPcapngFile(CaptureInput& s) {
  if (!s.File.Seek(0)) {
    s.Fail(msg::kReadError);
    return;
  }
  s.AcceptFile();
  s.StartProgress(s.File.Size());
  s.ReserveFrames(s.File.Size() / 200);

  Packet p;
  if (!s.SkipToFirstFrame([&]() -> const char* {
        return NextFrame(s, p, false) == Step::Frame ? nullptr : msg::kFirstFrame;
      }))
    return;
  // A simple packet has no time of its own: it keeps the one before it.
  int64_t seconds = 0;
  uint32_t micro = 0, nanos = 0;
  uint8_t digits = 6;
  for (;;) {
    const Step step = NextFrame(s, p, true);
    if (step == Step::End) break;
    if (step == Step::Damaged) {
      s.EndTruncated();
      break;
    }
    if (s.MaxPacketsReached()) break;
    PacketTime(s, p, seconds, micro);
    if (s.FrameCount == 0) {
      s.DayBase = seconds / 86400 * 86400;
      s.CaptureDate = 25569.0 + static_cast<double>(seconds / 86400);
    }
    if (p.Timed) PacketNanos(s, p, micro, nanos, digits);
    FakePacket(s, p, seconds, micro, nanos, digits);
    s.AddFrame(s.LocalSeconds(seconds), micro);
    s.Progress(s.File.Tell());
  }
  // Blocks after the last frame skipped do not make a first frame.
  if (s.FrameCount == 0 && s.Options().FirstFrame > 1) s.Fail(msg::kFirstFrame);
  s.EndProgress();
}

bool RereadPcapngRecord(CaptureInput& s) {
  const auto& sections = s.Pcapng.Sections;
  const auto after =
      std::upper_bound(sections.begin(), sections.end(), s.CurrentRecordPos,
                       [](uint64_t pos, const PcapngSection& sec) { return pos < sec.Start; });
  if (after == sections.begin()) return false;
  Packet p;
  p.Section = static_cast<uint32_t>(after - sections.begin() - 1);
  const bool big = sections[p.Section].BigEndian;
  uint8_t h[kBlockHeader];
  if (!s.File.ReadExact(h, sizeof h)) return false;
  const uint32_t type = Get32(h, big);
  const uint32_t len = Get32(h + 4, big);
  uint32_t fixed = 0;
  if (!IsPacket(type) || len < kMinBlock || len % 4 != 0 ||
      !ReadPacketFields(s, type, len, p, fixed))
    return false;
  const PcapngInterface* i = InterfaceOf(s.Pcapng, p.Section, p.Interface);
  if (!i || !i->Taken || !ReadPacketRest(s, p, len, fixed, true)) return false;
  int64_t seconds = 0;
  uint32_t micro = 0;
  PacketTime(s, p, seconds, micro);
  uint32_t nanos = 0;
  uint8_t digits = 6;
  PacketNanos(s, p, micro, nanos, digits);
  // A simple packet has no time of its own to read again.
  FakePacket(s, p, seconds, micro, nanos, p.Timed ? digits : 0);
  return true;
}

}  // namespace kestle
