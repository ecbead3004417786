// Builders of the headers that decoder tests put in frames: Ethernet,
// IPv4, IPv6, TCP and UDP, and domain names.
#pragma once

#include <arpa/inet.h>

#include <cstdint>
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <string_view>

#include "support/builders.h"

namespace kestle::test {

constexpr size_t kEthernetLength = 14;
constexpr size_t kIPv4Length = 20;
constexpr size_t kIPv6Length = 40;

inline Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

// An Ethernet II frame carrying `packet` with the given EtherType.
inline Bytes EthernetFrame(const Bytes& packet, uint16_t type = 0x86DD) {
  return FrameBuilder().ether("00:1b:21:3a:4f:10", "00:1a:a1:5c:23:01", type).raw(packet);
}

// The 28 bytes of an ARP request over Ethernet for IPv4: `senderMac` at
// `senderIp` asks who has `targetIp` (the target MAC left zero).
inline Bytes ArpRequest(std::string_view senderMac, std::string_view senderIp,
                        std::string_view targetIp) {
  return FrameBuilder()
      .be16(1)
      .be16(0x0800)
      .u8(6)
      .u8(4)
      .be16(1)
      .mac(senderMac)
      .ipv4(senderIp)
      .mac("00:00:00:00:00:00")
      .ipv4(targetIp)
      .bytes();
}

struct IPv4Spec {
  uint8_t protocol = 6;
  std::string src = "10.0.0.1";
  std::string dst = "10.0.0.2";
  Bytes options;  // padded to whole words by the caller
  uint8_t tos = 0;
  uint16_t id = 0x1234;
  uint16_t flagsFragment = 0;  // flags and fragment offset word
  int totalLength = -1;        // -1: header + payload
  int headerWords = -1;        // -1: from the options
  int checksum = -1;           // -1: the correct one
};

// An IPv4 header followed by the payload.
inline Bytes IPv4Packet(const IPv4Spec& s, const Bytes& payload) {
  const size_t hl = kIPv4Length + s.options.size();
  const uint8_t words = s.headerWords >= 0 ? s.headerWords : static_cast<uint8_t>(hl / 4);
  FrameBuilder b;
  b.u8(0x40 | words)
      .u8(s.tos)
      .be16(s.totalLength >= 0 ? s.totalLength : static_cast<uint16_t>(hl + payload.size()))
      .be16(s.id)
      .be16(s.flagsFragment)
      .u8(64)
      .u8(s.protocol)
      .be16(0)
      .ipv4(s.src)
      .ipv4(s.dst)
      .raw(s.options);
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

// A 20-byte IPv4 header without a checksum, followed by the payload.
inline Bytes IPv4Packet(uint8_t protocol, const Bytes& payload,
                        std::string_view src = "192.168.10.23",
                        std::string_view dst = "192.168.10.2") {
  IPv4Spec s;
  s.protocol = protocol;
  s.src = std::string(src);
  s.dst = std::string(dst);
  s.id = 0x1C46;
  s.checksum = 0;
  return IPv4Packet(s, payload);
}

inline Bytes IPv6Address(std::string_view text) {
  Bytes a(16);
  if (inet_pton(AF_INET6, std::string(text).c_str(), a.data()) != 1)
    throw std::invalid_argument("bad IPv6 address");
  return a;
}

// An IPv6 header (payload length from the payload) followed by the payload.
inline Bytes IPv6Packet(uint8_t nextHeader, const Bytes& payload,
                        std::string_view src = "2001:db8::1", std::string_view dst = "2001:db8::2",
                        uint8_t trafficClass = 0, uint32_t flowLabel = 0) {
  FrameBuilder b;
  b.be32((6u << 28) | (uint32_t{trafficClass} << 20) | (flowLabel & 0xFFFFF))
      .be16(static_cast<uint16_t>(payload.size()))
      .u8(nextHeader)
      .u8(64)
      .raw(IPv6Address(src))
      .raw(IPv6Address(dst))
      .raw(payload);
  return b;
}

inline Bytes TCPHeader(uint16_t src, uint16_t dst, uint8_t flags, const Bytes& options = {},
                       int dataOffset = -1) {
  const uint8_t off =
      dataOffset >= 0 ? dataOffset : static_cast<uint8_t>((20 + options.size()) / 4);
  return FrameBuilder()
      .be16(src)
      .be16(dst)
      .be32(1000)
      .be32(2000)
      .be16(static_cast<uint16_t>(off << 12 | flags))
      .be16(8192)
      .be16(0xBEEF)
      .be16(0)
      .raw(options)
      .bytes();
}

// A UDP header (length -1: from the payload) followed by `payload` zero bytes.
inline Bytes UDPHeader(uint16_t src, uint16_t dst, int length, size_t payload,
                       uint16_t checksum = 0xABCD) {
  return FrameBuilder()
      .be16(src)
      .be16(dst)
      .be16(length >= 0 ? length : static_cast<uint16_t>(8 + payload))
      .be16(checksum)
      .zeros(payload)
      .bytes();
}

// A UDP header carrying `payload` (the length from the payload).
inline Bytes UDPDatagram(uint16_t src, uint16_t dst, const Bytes& payload) {
  return FrameBuilder()
      .be16(src)
      .be16(dst)
      .be16(static_cast<uint16_t>(8 + payload.size()))
      .be16(0)
      .raw(payload)
      .bytes();
}

// A name in the domain name form: "www.example.org" -> 3 www 7 example
// 3 org 0 (an empty text is the root).
inline Bytes DomainNameBytes(std::string_view dotted) {
  Bytes b;
  while (!dotted.empty()) {
    const size_t dot = dotted.find('.');
    const std::string_view label = dotted.substr(0, dot);
    b.push_back(static_cast<uint8_t>(label.size()));
    b.insert(b.end(), label.begin(), label.end());
    dotted = dot == std::string_view::npos ? std::string_view{} : dotted.substr(dot + 1);
  }
  b.push_back(0);
  return b;
}

// An ICMPv6 echo request with `data` bytes of payload.
inline Bytes Icmpv6Echo(size_t data = 4) {
  return FrameBuilder().u8(128).u8(0).be16(0x1234).be16(7).be16(1).zeros(data);
}

}  // namespace kestle::test
