// State that decoders keep across the frames of one open capture (the TCP
// session table and the like). Owned by the capture session, emptied with
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

struct DecoderState {
  TcpSessionTable TcpSessions;
  void Clear() { TcpSessions.Clear(); }
};

}  // namespace kestle
