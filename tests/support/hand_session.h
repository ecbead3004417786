// A capture session whose frame table is filled by hand, for tests of the
// views over it (grid texts, order, colours) without a capture file.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "decode/config/environment.h"
#include "decode/config/port_table.h"
#include "decode/session.h"
#include "support/builders.h"

namespace kestle::test {

struct HandFrame {
  uint32_t capLen = 60;
  std::string description;
  const char* srcMac = nullptr;  // "aa:bb:..." six bytes, or none
  uint32_t srcIPv4 = 0;
  uint16_t srcPort = 0;
  uint16_t dstPort = 0;
  uint16_t protocol = 0;  // protocol id; 0 = none
  double relTime = 0;
  uint8_t tagged = 0;
};

class HandSession {
 public:
  Environment env;
  RecordingNotifier notes;
  CaptureSession session{env, notes};

  void Add(const HandFrame& f) {
    auto& s = session;
    if (s.FrameTable.empty()) s.FrameTable.resize(1);
    if (s.FrameOrder.empty()) s.FrameOrder.resize(1);
    FrameTabRec r;
    r.CapLen = f.capLen;
    r.TrueLen = f.capLen;
    r.Description = s.Descriptions.Add(f.description);
    r.SrcPort = f.srcPort;
    r.DstPort = f.dstPort;
    r.RelTime = f.relTime;
    r.Tagged = f.tagged;
    r.Seconds = 3600 + static_cast<uint32_t>(f.relTime);
    if (f.protocol) r.Protocol = s.Paths.Extend(0, f.protocol);
    if (f.srcMac) {
      r.SrcNode = s.Nodes.RegisterNode(ParseMac(f.srcMac).data(), f.srcIPv4, "");
    }
    s.FrameTable.push_back(r);
    ++s.FrameCount;
    s.FrameOrder.push_back(s.FrameCount);
    s.VisibleCount = s.FrameCount;
  }
};

}  // namespace kestle::test
