// A capture session filled by hand for the statistics: stations are node
// pairs registered directly, frames name their pairs, wire length,
// innermost protocol, destination type and second.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "decode/config/environment.h"
#include "decode/protocol_ids.h"
#include "decode/session.h"
#include "support/builders.h"

namespace kestle::test {

struct StatFrame {
  uint32_t src = 0;  // NodeStatTable index; 0 = none
  uint32_t dst = 0;
  uint32_t trueLen = 60;
  uint16_t protocol = ProtoTCP;  // innermost protocol; 0 = empty stack
  uint32_t seconds = 100;
  uint8_t cast = 0;
  uint32_t capLen = 0;  // 0 = trueLen
};

struct StatsSession {
  Environment env;
  RecordingNotifier notes;
  CaptureSession s{env, notes};

  // A station: its MAC text ("00:00:00:00:00:01") with an optional IPv4
  // address or other network name. Returns its pair index.
  uint32_t Station(const char* mac, const char* ipv4 = nullptr, const char* name = "") {
    return s.Nodes.RegisterNode(ParseMac(mac).data(), ipv4 ? ParseIPv4(ipv4) : 0, name);
  }

  void Add(const StatFrame& f) {
    if (s.FrameTable.empty()) s.FrameTable.resize(1);
    if (s.FrameOrder.empty()) s.FrameOrder.resize(1);
    FrameTabRec r;
    r.SrcNode = f.src;
    r.DstNode = f.dst;
    r.TrueLen = f.trueLen;
    r.CapLen = f.capLen ? f.capLen : f.trueLen;
    r.Seconds = f.seconds;
    r.Cast = f.cast;
    if (f.protocol != 0) {
      const uint32_t eth = s.Paths.Extend(0, ProtoEthernet);
      r.Protocol = f.protocol == ProtoEthernet ? eth : s.Paths.Extend(eth, f.protocol);
    }
    s.FrameTable.push_back(r);
    ++s.FrameCount;
    s.FrameOrder.push_back(s.FrameCount);
    s.VisibleCount = s.FrameCount;
  }
  void Add(std::initializer_list<StatFrame> frames) {
    for (const StatFrame& f : frames) Add(f);
  }

  // What a filter does: only the frames `keep` accepts stay shown, in
  // capture order.
  template <typename Keep>
  void Filter(Keep keep) {
    uint32_t rows = 0;
    for (uint32_t n = 1; n <= s.FrameCount; ++n) {
      s.FrameTable[n].Visible = keep(s.FrameTable[n]) ? 1 : 0;
      if (s.FrameTable[n].Visible) s.FrameOrder[++rows] = n;
    }
    s.VisibleCount = rows;
  }
};

}  // namespace kestle::test
