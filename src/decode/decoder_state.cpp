#include "decode/decoder_state.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace kestle {

uint32_t TcpSessionTable::Lookup(const TcpEndpoint& src, const TcpEndpoint& dst, uint32_t frame,
                                 uint32_t capacity) {
  const auto& [a, b] = std::minmax(src, dst);
  Key key{};
  auto put = [&key](size_t at, const TcpEndpoint& e) {
    key[at] = e.Version;
    std::memcpy(&key[at + 1], e.Addr.data(), e.Addr.size());
    key[at + 17] = static_cast<uint8_t>(e.Port >> 8);
    key[at + 18] = static_cast<uint8_t>(e.Port);
  };
  put(0, a);
  put(key.size() / 2, b);
  if (auto it = index_.find(key); it != index_.end()) return it->second;
  if (sessions_.size() >= std::min(capacity, kTcpSessionCapacity)) return 0;
  sessions_.push_back({frame, a, b});
  const auto n = static_cast<uint32_t>(sessions_.size());
  index_.emplace(key, n);
  return n;
}

size_t TcpSessionTable::KeyHash::operator()(const Key& k) const {
  return std::hash<std::string_view>{}(
      std::string_view(reinterpret_cast<const char*>(k.data()), k.size()));
}

TftpTransferTable::Key TftpTransferTable::KeyOf(const TcpEndpoint& client,
                                                const std::array<uint8_t, 16>& server) {
  Key key{};
  key[0] = client.Version;
  std::memcpy(&key[1], client.Addr.data(), client.Addr.size());
  key[17] = static_cast<uint8_t>(client.Port >> 8);
  key[18] = static_cast<uint8_t>(client.Port);
  std::memcpy(&key[19], server.data(), server.size());
  return key;
}

uint32_t TftpTransferTable::Find(const TcpEndpoint& src, const TcpEndpoint& dst,
                                 uint32_t frame) const {
  if (index_.empty()) return 0;
  uint32_t found = 0;
  for (const Key& key : {KeyOf(src, dst.Addr), KeyOf(dst, src.Addr)}) {
    const auto it = index_.find(key);
    if (it == index_.end() || transfers_[it->second - 1].StartFrame > frame) continue;
    if (found == 0 || it->second < found) found = it->second;
  }
  return found;
}

uint32_t TftpTransferTable::Add(const TcpEndpoint& client, const std::array<uint8_t, 16>& server,
                                uint32_t frame) {
  const Key key = KeyOf(client, server);
  if (const auto it = index_.find(key); it != index_.end()) return it->second;
  transfers_.push_back({client, server, frame});
  const auto n = static_cast<uint32_t>(transfers_.size());
  index_.emplace(key, n);
  return n;
}

size_t TftpTransferTable::KeyHash::operator()(const Key& k) const {
  return std::hash<std::string_view>{}(
      std::string_view(reinterpret_cast<const char*>(k.data()), k.size()));
}

}  // namespace kestle
