// The state of one frame being decoded, handed to every decoder: the frame
// bytes, the current layer (PacketOffset, PacketLen), the stations, the
// protocol stack, and where output goes (the Description in the summary
// pass, a tree when a frame is shown or printed).
//
// Every read of frame bytes goes through this class and is bounds-checked
// against the current layer: a read outside it returns 0 and marks the
// layer Truncated. Tree lines go through the field writer (decode/fields.h),
// which refuses a field that does not lie whole in the layer and ends its
// branch there, so a decoder adds its fields in wire order without a test
// per field; has() is for control flow that depends on a value (a length,
// a type, a count) before it is read.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "capture/frame.h"
#include "decode/decoder_state.h"
#include "decode/registry.h"
#include "decode/tree.h"

namespace kestle {

class CaptureSession;
struct Environment;
struct FrameTabRec;
struct Settings;

// How deep layers may re-enter the dispatch (tunnels, quoted datagrams).
constexpr int kMaxNesting = 8;

// The addresses of the innermost IP header, left by the IPv4 and IPv6
// decoders before they hand the payload on, for the transport layer (TCP
// sessions, TFTP transfers). An IPv4 address fills the first 4 bytes in
// network order, the rest stays zero.
struct IpAddressPair {
  uint8_t Version = 0;  // 4 or 6; 0 = no IP header decoded yet
  std::array<uint8_t, 16> Src{};
  std::array<uint8_t, 16> Dst{};
};

// The transport that carries the payload being decoded: decoder codes that
// mean different decoders over TCP and UDP read it here.
enum class Transport : uint8_t { None, UDP, TCP };

struct LayerState {
  uint32_t Offset;
  uint32_t Len;
  int Depth;
};

class DecodeContext {
 public:
  // The registries and cross-frame state of the open capture that the
  // decoders fill (summary pass) and read (trees).
  DecodeContext(ProtocolPathTable& paths, NodeRegistry& nodes, DecoderState& decoders,
                const Environment& env);
  // The same, over the tables of a capture session.
  DecodeContext(CaptureSession& session, const Environment& env);

  // Starts a frame: copies up to kMaxFrameLength bytes; bytes after the
  // valid length read as zero.
  void LoadFrame(const uint8_t* data, uint32_t len);

  // ---- reads, relative to the current layer
  bool has(size_t at, size_t n) const { return at <= PacketLen && n <= PacketLen - at; }
  uint8_t u8(size_t at) const {
    if (at >= PacketLen) return Miss();
    return PacketBuf[PacketOffset + at];
  }
  uint16_t be16(size_t at) const {
    if (!has(at, 2)) return Miss();
    const uint8_t* p = &PacketBuf[PacketOffset + at];
    return static_cast<uint16_t>((p[0] << 8) | p[1]);
  }
  uint32_t be24(size_t at) const {
    if (!has(at, 3)) return Miss();
    const uint8_t* p = &PacketBuf[PacketOffset + at];
    return (uint32_t{p[0]} << 16) | (uint32_t{p[1]} << 8) | p[2];
  }
  uint32_t be32(size_t at) const {
    if (!has(at, 4)) return Miss();
    const uint8_t* p = &PacketBuf[PacketOffset + at];
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
  }
  uint64_t be64(size_t at) const {
    if (!has(at, 8)) return Miss();
    return (uint64_t{be32(at)} << 32) | be32(at + 4);
  }
  uint16_t le16(size_t at) const {
    if (!has(at, 2)) return Miss();
    const uint8_t* p = &PacketBuf[PacketOffset + at];
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
  }
  uint32_t le32(size_t at) const {
    if (!has(at, 4)) return Miss();
    const uint8_t* p = &PacketBuf[PacketOffset + at];
    return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
  }
  uint64_t le64(size_t at) const {
    if (!has(at, 8)) return Miss();
    return uint64_t{le32(at)} | (uint64_t{le32(at + 4)} << 32);
  }
  // Copies n bytes at `at` into out; false (and out zeroed) when they do not fit.
  bool copy(size_t at, void* out, size_t n) const {
    if (!has(at, n)) {
      std::memset(out, 0, n);
      Miss();
      return false;
    }
    std::memcpy(out, &PacketBuf[PacketOffset + at], n);
    return true;
  }
  // Up to n bytes from `at`, cut at the end of the layer.
  std::string_view bytes(size_t at, size_t n) const {
    if (at >= PacketLen) return {};
    if (n > PacketLen - at) n = PacketLen - at;
    return {reinterpret_cast<const char*>(&PacketBuf[PacketOffset + at]), n};
  }
  // The current layer's bytes.
  const uint8_t* data() const { return &PacketBuf[PacketOffset]; }
  // Absolute frame offset of a layer position, for tree items.
  uint32_t at(size_t pos) const { return static_cast<uint32_t>(PacketOffset + pos); }

  // ---- layers
  // Starts the next layer n bytes further; false (nothing changed) when the
  // layer holds fewer than n bytes.
  bool enter(size_t n) {
    if (n > PacketLen) return false;
    PacketOffset += static_cast<uint32_t>(n);
    PacketLen -= static_cast<uint32_t>(n);
    ++Depth;
    return true;
  }
  // Cuts the layer to at most len bytes (a length field's limit).
  void limit(size_t len) {
    if (len < PacketLen) PacketLen = static_cast<uint32_t>(len);
  }
  // Enters a nested decode (a tunnel, a quoted datagram, a link layer met
  // again); false when the nesting limit is reached. Pair with endNest().
  bool beginNest() {
    if (Nesting >= kMaxNesting) return false;
    ++Nesting;
    return true;
  }
  void endNest() {
    if (Nesting > 0) --Nesting;
  }
  LayerState save() const { return {PacketOffset, PacketLen, Depth}; }
  void restore(const LayerState& s) {
    PacketOffset = s.Offset;
    PacketLen = s.Len;
    Depth = s.Depth;
  }

  // ---- summary output
  bool Summary() const { return Tree == nullptr; }
  void AddDesc(std::string_view text) { Desc.append(text); }
  void SetProtocol(uint16_t id);
  // Whether `mac` names a station: any MAC of an Ethernet frame; on a link
  // without MAC addresses (raw IP, loopback, a cooked frame's receiver) only
  // one that is not all zeros.
  bool NamesMac(const uint8_t mac[6]) const;
  // The station of `mac` (when it names one) with the network address.
  uint32_t RegisterNode(const uint8_t mac[6], uint32_t ipv4, std::string_view name);
  // One end of the innermost IP header's conversation, `addr` (Ip.Src or
  // Ip.Dst) with a port: the key of TCP sessions and TFTP transfers.
  TcpEndpoint Endpoint(const std::array<uint8_t, 16>& addr, uint16_t port) const {
    return {Ip.Version, addr, port};
  }
  // The network entry (NodeTable) of the frame's sender or receiver: in the
  // summary pass from the entry being filled, when a frame is shown from the
  // entry its load gave it. nullptr when the frame has no such station.
  NodeEntryRec* NetworkNode(bool source) const;

  // ---- state
  ProtocolPathTable& Paths;
  NodeRegistry& Nodes;
  DecoderState& Decoders;
  const Environment& Env;
  const Settings& Set;

  std::array<uint8_t, kMaxFrameLength> PacketBuf{};
  uint32_t FrameLen = 0;      // valid bytes of the frame
  uint32_t PacketOffset = 0;  // frame offset of the current layer
  uint32_t PacketLen = 0;     // valid bytes of the current layer
  uint8_t SrcMac[6]{};
  uint8_t DstMac[6]{};
  uint16_t LinkType = 1;       // of the frame: the unit it starts with
  bool LinkBigEndian = false;  // the frame's writer was big-endian
  uint32_t FrameProtocol = 0;  // ProtocolPathTable entry of the stack so far
  bool Tunnelled = false;
  // Decoding a header quoted inside an ICMP error: the summary and the tree
  // builders of the quoted layers see it (the tree titles read "Original").
  bool Quoted = false;
  Transport Carrier = Transport::None;  // of the payload at the current layer
  IpAddressPair Ip;                     // innermost IP header's addresses
  uint16_t SrcPort = 0;                 // innermost TCP/UDP header's ports
  uint16_t DstPort = 0;
  int Depth = 0;    // layers entered so far
  int Nesting = 0;  // tunnels and quoted datagrams entered
  mutable bool Truncated = false;

  uint32_t FrameNo = 0;        // frame being decoded (1-based), 0 = none
  FrameTabRec* Rec = nullptr;  // summary pass: the entry being filled
  std::string Desc;            // summary pass: the Description so far
  DetailTree* Tree = nullptr;  // tree mode: where items go
  bool PrintMode = false;
  // Tree mode: the entry of the frame shown, for its stations.
  const FrameTabRec* Shown = nullptr;

  // The line the field writer returns when it adds none: it takes no lines.
  DetailNode* EndedLine() const { return &ended_; }

 private:
  mutable DetailNode ended_;
  uint8_t Miss() const {
    Truncated = true;
    return 0;
  }
};

}  // namespace kestle
