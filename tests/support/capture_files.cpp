#include "support/capture_files.h"

#include "capture/sniffer_format.h"

namespace kestle::test {

Bytes SnifferFile(const std::vector<SnifferRecord>& records, const SnifferOptions& o) {
  FrameBuilder f;
  f.text(std::string(sniffer::kMagic, sniffer::kMagicSize));
  f.le16(sniffer::kVersionRecord).le16(18).le16(0);
  f.le16(4).le16(0).le16(o.time).le16(o.date).u8(0).u8(o.network).u8(o.format).u8(o.timeUnit);
  f.zeros(6);
  for (const auto& r : records)
    f.le16(r.type).le16(static_cast<uint16_t>(r.body.size())).le16(0).raw(r.body);
  return f.bytes();
}

SnifferRecord SnifferData(uint64_t ticks, const Bytes& frame, uint32_t size, uint16_t trueSize) {
  FrameBuilder f;
  f.le16(static_cast<uint16_t>(ticks)).le16(static_cast<uint16_t>(ticks >> 16));
  f.u8(static_cast<uint8_t>(ticks >> 32)).u8(0);
  f.le16(static_cast<uint16_t>(size == 0xFFFF ? frame.size() : size)).u8(0).u8(0);
  f.le16(trueSize).le16(0).raw(frame);
  return {sniffer::kFrameData, f.bytes()};
}

Bytes NetmonFile(int version, const std::vector<NetmonFrame>& frames, const NetmonOptions& o) {
  const uint32_t indexBytes = static_cast<uint32_t>(4 * frames.size());
  const uint32_t recordsAt = 64 + (o.indexFirst ? indexBytes : 0);
  Bytes records;
  FrameBuilder index;
  for (const auto& fr : frames) {
    index.le32(static_cast<uint32_t>(recordsAt + records.size()));
    FrameBuilder r;
    const uint32_t orig = fr.origLen.value_or(static_cast<uint32_t>(fr.data.size()));
    if (version == 1) {
      r.le32(static_cast<uint32_t>(fr.time)).le16(static_cast<uint16_t>(orig));
      r.le16(static_cast<uint16_t>(fr.data.size()));
    } else {
      r.le32(static_cast<uint32_t>(fr.time)).le32(static_cast<uint32_t>(fr.time >> 32));
      r.le32(orig).le32(static_cast<uint32_t>(fr.data.size()));
    }
    r.raw(fr.data);
    records.insert(records.end(), r.bytes().begin(), r.bytes().end());
  }
  FrameBuilder f;
  f.text(version == 1 ? "RTSS" : "GMBU").u8(0).u8(static_cast<uint8_t>(version));
  f.le16(o.network).le16(o.year).le16(o.month).le16(0).le16(o.day);
  f.le16(o.hour).le16(o.minute).le16(o.second).le16(o.milli);
  f.le32(o.indexFirst ? 64 : static_cast<uint32_t>(64 + records.size()));
  f.le32(o.indexLength.value_or(indexBytes)).zeros(32);
  if (o.indexFirst) f.raw(index.bytes());
  f.raw(records);
  if (!o.indexFirst) f.raw(index.bytes());
  Bytes out = f.bytes();
  out.resize(out.size() - o.truncate);
  return out;
}

Bytes XrayFile(const std::vector<XrayFrame>& frames, const XrayOptions& o) {
  FrameBuilder f;
  f.text("XCP").u8(0);
  std::string v = o.version;
  v.resize(8, '\0');
  f.text(v).le32(o.startTime).le32(static_cast<uint32_t>(frames.size())).le32(0);
  f.le32(128).le32(0).zeros(12).le16(o.network).zeros(2).u8(o.timeUnit).zeros(3);
  f.le32(static_cast<uint32_t>(o.startTicks)).le32(static_cast<uint32_t>(o.startTicks >> 32));
  f.padTo(128);
  const size_t headerSize = o.version.compare(0, 3, "001") == 0 ? 28 : 40;
  for (const auto& fr : frames) {
    f.le32(static_cast<uint32_t>(fr.ticks)).le32(static_cast<uint32_t>(fr.ticks >> 32));
    f.le16(fr.origLen ? fr.origLen : static_cast<uint16_t>(fr.data.size()));
    f.le16(static_cast<uint16_t>(fr.data.size())).zeros(headerSize - 12).raw(fr.data);
  }
  return f.bytes();
}

Bytes FiveViewFile(const std::vector<FiveViewRecord>& records, uint32_t version, uint32_t network) {
  FrameBuilder f;
  f.raw({0xAA, 0xAA, 0xAA, 0xAA}).le32(32).le32(version).le32(0).le32(network);
  f.padTo(56);
  for (const auto& r : records) {
    uint32_t length = static_cast<uint32_t>(r.data.size() + (r.kind == 0 ? 0 : 36));
    if (r.length >= 0) length = static_cast<uint32_t>(r.length);
    f.le32(0x3333EEEE).le16(36).le16(0x4000).le32(0x80000000).le32(r.kind).le32(length);
    f.le32(1).le32(r.seconds).le32(r.nanoseconds).le32(0).raw(r.data);
  }
  return f.bytes();
}

FiveViewRecord FiveViewFrame(uint32_t seconds, uint32_t ns, const Bytes& data) {
  return {0, data, seconds, ns, -1};
}

}  // namespace kestle::test
