// Decoding one IPv4 packet at a time: a session, a context positioned after
// an Ethernet header, and builders of IPv4, TCP and UDP headers.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "decode/frame_table.h"
#include "decode/session.h"
#include "decode/context.h"
#include "decode/environment.h"
#include "decode/tree.h"
#include "support/builders.h"

namespace kestle::test {

struct IPv4Spec {
  uint8_t protocol = 6;
  std::string src = "10.0.0.1";
  std::string dst = "10.0.0.2";
  Bytes options;                 // padded to whole words by the caller
  uint8_t tos = 0;
  uint16_t flagsFragment = 0;    // flags and fragment offset word
  int totalLength = -1;          // -1: header + payload
  int headerWords = -1;          // -1: from the options
  int checksum = -1;             // -1: the correct one
};

// An IPv4 header followed by the payload.
inline Bytes IPv4Packet(const IPv4Spec& s, const Bytes& payload) {
  const size_t hl = 20 + s.options.size();
  const uint8_t words = s.headerWords >= 0 ? s.headerWords : static_cast<uint8_t>(hl / 4);
  FrameBuilder b;
  b.u8(0x40 | words).u8(s.tos)
      .be16(s.totalLength >= 0 ? s.totalLength : static_cast<uint16_t>(hl + payload.size()))
      .be16(0x1234).be16(s.flagsFragment).u8(64).u8(s.protocol).be16(0)
      .ipv4(s.src).ipv4(s.dst).raw(s.options);
  Bytes h = b.bytes();
  uint16_t sum = 0;
  if (s.checksum >= 0) {
    sum = static_cast<uint16_t>(s.checksum);
  } else {
    uint32_t acc = 0;
    for (size_t i = 0; i + 1 < h.size(); i += 2) acc += (h[i] << 8) | h[i + 1];
    while (acc >> 16) acc = (acc & 0xFFFF) + (acc >> 16);
    sum = static_cast<uint16_t>(~acc);
  }
  h[10] = sum >> 8;
  h[11] = sum & 0xFF;
  h.insert(h.end(), payload.begin(), payload.end());
  return h;
}

inline Bytes TCPHeader(uint16_t src, uint16_t dst, uint8_t flags, const Bytes& options = {},
                       int dataOffset = -1) {
  const uint8_t off =
      dataOffset >= 0 ? dataOffset : static_cast<uint8_t>((20 + options.size()) / 4);
  return FrameBuilder()
      .be16(src).be16(dst).be32(1000).be32(2000)
      .be16(static_cast<uint16_t>(off << 12 | flags)).be16(8192).be16(0xBEEF).be16(0)
      .raw(options).bytes();
}

inline Bytes UDPHeader(uint16_t src, uint16_t dst, int length, size_t payload) {
  return FrameBuilder()
      .be16(src).be16(dst)
      .be16(length >= 0 ? length : static_cast<uint16_t>(8 + payload)).be16(0xABCD)
      .zeros(payload).bytes();
}

inline Bytes Concat(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

struct TransportFixture : ::testing::Test {
  Environment env;
  RecordingNotifier notes;
  CaptureSession session{env, notes};
  DecodeContext c{session, env};
  FrameTabRec rec;
  DetailTree tree{true};  // print mode: no column padding
  Bytes frame;

  // Positions the context at the IPv4 header of an Ethernet frame.
  void Load(const Bytes& ip, uint32_t frameNo = 1) {
    frame = FrameBuilder().ether("00:00:00:00:00:02", "00:00:00:00:00:01", 0x0800).raw(ip);
    c.LoadFrame(frame.data(), static_cast<uint32_t>(frame.size()));
    c.SrcMac[5] = 1;
    c.DstMac[5] = 2;
    c.enter(14);
    c.FrameNo = frameNo;
    c.Desc.clear();
  }
  std::string Summary(const Bytes& ip, uint32_t frameNo = 1);
  // All item texts in tree order, children indented by two blanks.
  std::vector<std::string> Tree(const Bytes& ip);
  // The first item whose text starts with `prefix`, or nullptr.
  const DetailNode* Find(std::string_view prefix) const;
};

}  // namespace kestle::test
