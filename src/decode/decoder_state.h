// State that decoders keep across the frames of one open capture (the TCP
// session table, the TFTP transfers). Owned by the capture session, emptied with
// it; decoders reach it through DecodeContext::Decoders.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

namespace kestle {

// The most sessions a capture can have, whatever MaxTCPSessions says.
constexpr uint32_t kTcpSessionCapacity = 65536;

// One end of a TCP connection: the station's IP address (see IpAddressPair
// in decode/context.h) and the port.
struct TcpEndpoint {
  uint8_t Version = 0;
  std::array<uint8_t, 16> Addr{};
  uint16_t Port = 0;
  auto operator<=>(const TcpEndpoint&) const = default;
};

struct TcpSessionRec {
  uint32_t StartFrame = 0;  // first frame of the session
  TcpEndpoint A, B;         // the two ends, A <= B
};

// The TCP connections seen in a capture, numbered from 1 in order of their
// first frame. Both directions of a connection share one session.
class TcpSessionTable {
 public:
  // Session number of the connection between the two ends; a connection
  // not seen yet gets the next number while fewer than `capacity`
  // sessions exist, else 0.
  uint32_t Lookup(const TcpEndpoint& src, const TcpEndpoint& dst, uint32_t frame,
                  uint32_t capacity);
  uint32_t Count() const { return static_cast<uint32_t>(sessions_.size()); }
  // Session n (1..Count()).
  const TcpSessionRec& Session(uint32_t n) const { return sessions_[n - 1]; }
  void Clear() {
    sessions_.clear();
    index_.clear();
  }

 private:
  using Key = std::array<uint8_t, 2 * (1 + 16 + 2)>;
  struct KeyHash {
    size_t operator()(const Key& k) const;
  };
  std::vector<TcpSessionRec> sessions_;
  std::unordered_map<Key, uint32_t, KeyHash> index_;
};

// A TFTP transfer: the client's address and port and the server's address.
// The server answers from a port of its own, so its port is not kept.
struct TftpTransferRec {
  TcpEndpoint Client;
  std::array<uint8_t, 16> Server{};
  uint32_t StartFrame = 0;  // the request's frame
};

// The TFTP transfers seen in a capture (a request to or from port 69), so
// that the datagrams that follow on other ports are known as TFTP.
class TftpTransferTable {
 public:
  // Number (from 1) of the first transfer the datagram of `frame` belongs
  // to: from the client to the server, or back, once its request was seen
  // (a frame shown again is not taken for one of a later transfer); 0 = none.
  uint32_t Find(const TcpEndpoint& src, const TcpEndpoint& dst, uint32_t frame) const;
  // Records a transfer not seen yet, requested in `frame`; returns its number.
  uint32_t Add(const TcpEndpoint& client, const std::array<uint8_t, 16>& server, uint32_t frame);
  uint32_t Count() const { return static_cast<uint32_t>(transfers_.size()); }
  const TftpTransferRec& Transfer(uint32_t n) const { return transfers_[n - 1]; }
  void Clear() {
    transfers_.clear();
    index_.clear();
  }

 private:
  using Key = std::array<uint8_t, 1 + 16 + 2 + 16>;
  struct KeyHash {
    size_t operator()(const Key& k) const;
  };
  static Key KeyOf(const TcpEndpoint& client, const std::array<uint8_t, 16>& server);
  std::vector<TftpTransferRec> transfers_;
  std::unordered_map<Key, uint32_t, KeyHash> index_;
};

struct DecoderState {
  TcpSessionTable TcpSessions;
  TftpTransferTable TftpTransfers;
  void Clear() {
    TcpSessions.Clear();
    TftpTransfers.Clear();
  }
};

}  // namespace kestle
