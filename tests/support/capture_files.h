// Writers of small capture files in every format but pcap (builders.h has
// that one), for the reader tests.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "support/builders.h"

namespace kestle::test {

// ---- Sniffer (.enc): the magic, the version record, then these records.
struct SnifferRecord {
  uint16_t type;
  Bytes body;
};

struct SnifferOptions {
  uint8_t network = 1;
  uint8_t format = 1;
  uint8_t timeUnit = 5;                       // 1 µs ticks
  uint16_t date = (41 << 9) | (3 << 5) | 14;  // 2021-03-14
  uint16_t time = (9 << 11) | (20 << 5);      // 09:20:00
};

Bytes SnifferFile(const std::vector<SnifferRecord>& records, const SnifferOptions& o = {});
// A frame data record; size 0xFFFF stands for the frame's own length.
SnifferRecord SnifferData(uint64_t ticks, const Bytes& frame, uint32_t size = 0xFFFF,
                          uint16_t trueSize = 0);

// ---- Netmon, versions 1 and 2.
struct NetmonFrame {
  NetmonFrame(uint64_t t, Bytes d, std::optional<uint32_t> o = std::nullopt)
      : time(t), data(std::move(d)), origLen(o) {}
  uint64_t time;  // version 1: milliseconds, version 2: microseconds
  Bytes data;
  std::optional<uint32_t> origLen;  // default: the data's length
};

struct NetmonOptions {
  uint16_t network = 1;
  uint16_t year = 2021, month = 3, day = 14, hour = 12, minute = 0, second = 0, milli = 250;
  std::optional<uint32_t> indexLength;  // default: 4 per frame
  bool indexFirst = false;              // index in front of the records
  uint32_t truncate = 0;                // bytes cut from the end of the file
};

// Header, records and the index of record offsets (after the records, or
// before them with indexFirst).
Bytes NetmonFile(int version, const std::vector<NetmonFrame>& frames, const NetmonOptions& o = {});

// ---- NetXRay, versions 1.x and 2.x.
struct XrayFrame {
  uint64_t ticks;
  Bytes data;
  uint16_t origLen;  // 0: the data's length
};

struct XrayOptions {
  std::string version = "002.002";
  uint8_t timeUnit = 0;
  uint16_t network = 0;
  uint32_t startTime = 1615713600;  // 2021-03-14 09:20:00
  uint64_t startTicks = 0;
};

Bytes XrayFile(const std::vector<XrayFrame>& frames, const XrayOptions& o = {});

// ---- 5View.
struct FiveViewRecord {
  uint32_t kind;  // 0 = frame
  Bytes data;
  uint32_t seconds;
  uint32_t nanoseconds;
  int64_t length;  // -1: frames the data's length, others 36 + the data's
};

Bytes FiveViewFile(const std::vector<FiveViewRecord>& records, uint32_t version = 0x00010000,
                   uint32_t network = 0x18001000);
FiveViewRecord FiveViewFrame(uint32_t seconds, uint32_t ns, const Bytes& data);

}  // namespace kestle::test
