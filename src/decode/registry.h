// The protocol registry (protocol names and colours, the trie of protocol
// stacks) and the node registry (stations seen and their pairings).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "decode/flat_index.h"
#include "decode/protocol_ids.h"

namespace kestle {

class IniFile;
class PortTable;

constexpr uint32_t kWhite = 0xFFFFFF;
inline constexpr const char* kFixedProtocolsKey = "FixedProtocols";
// The ProtocolColour key number of a protocol in a file written with
// `storedFixed` fixed identifiers (0: none, a fixed identifier it did not have).
uint32_t StoredColourKey(uint32_t id, uint32_t storedFixed);

struct ProtocolInfoRec {
  std::string Name;
  uint32_t Colour = kWhite;  // 0x00BBGGRR; white = no colour of its own
};

// Protocol identifiers with their names and colours; built at start-up.
class ProtocolTable {
 public:
  // The fixed identifiers, then one per port description without one
  // (the port table records the identifiers it is given).
  void Build(PortTable* ports);
  // Reads ProtocolColour1..N; applies the default colours when all are white.
  // FixedProtocols (written with them) tells how many fixed identifiers the
  // file's numbers were given with; colours stay with their protocols.
  void LoadColours(const IniFile& ini);
  void SaveColours(IniFile& ini) const;
  void ApplyDefaultColours();

  uint32_t ProtocolCount() const { return static_cast<uint32_t>(Table.size()) - 1; }
  const std::string& Name(uint32_t id) const;
  uint32_t Colour(uint32_t id) const { return id < Table.size() ? Table[id].Colour : kWhite; }

  std::vector<ProtocolInfoRec> Table;  // index = identifier; entry 0 unused
};

struct ProtocolPathRec {
  uint16_t Protocol = 0;
  uint32_t Parent = 0;
  uint8_t Selected = 0;
  uint8_t InUse = 0;
};

// The trie of protocol stacks; 1-based, index 0 means "no stack".
class ProtocolPathTable {
 public:
  ProtocolPathTable() { Clear(); }
  // Returns the entry for the stack `path` extended by `id`, adding it when new.
  uint32_t Extend(uint32_t path, uint16_t id);
  void Clear();
  uint32_t Count() const { return static_cast<uint32_t>(Paths.size()) - 1; }
  const ProtocolPathRec& operator[](uint32_t i) const { return Paths[i]; }
  ProtocolPathRec& operator[](uint32_t i) { return Paths[i]; }
  // Innermost protocol of a stack, 0 for index 0 or out of range.
  uint16_t ProtocolOf(uint32_t path) const {
    return path < Paths.size() ? Paths[path].Protocol : 0;
  }

  std::vector<ProtocolPathRec> Paths;

 private:
  FlatIndex index_;
};

// Extends the stack held in `path` by `id`.
inline void SetFrameProtocol(ProtocolPathTable& t, uint32_t& path, uint16_t id) {
  path = t.Extend(path, id);
}

struct NodeEntryRec {
  std::string MacText;   // "00:0C:29:..." for a MAC entry, else empty
  uint32_t IPv4 = 0;     // network entry: IPv4 address (first octet high)
  std::string Name;      // network entry: another address as text (IPv6)
  std::string HostName;  // filled by the host name lookup
  uint8_t TN3270Host = 0;
};

struct NodeStatRec {
  uint32_t MacNode = 0;
  uint32_t NetNode = 0;
  uint32_t FramesSent = 0;
  uint32_t FramesRecv = 0;
  uint64_t BytesSent = 0;
  uint64_t BytesRecv = 0;
};

// Stations: NodeTable holds one entry per distinct address, NodeStatTable
// one per pairing of a MAC entry with a network entry. Both are 1-based.
class NodeRegistry {
 public:
  NodeRegistry() { Clear(); }
  // The pair of the MAC entry (none when `mac` is null) and the network
  // entry (IPv4 when not 0, else `name` when not empty); 0 when neither.
  uint32_t RegisterNode(const uint8_t mac[6], uint32_t ipv4, std::string_view name);
  void Clear();
  // IPv4 entries first by address, then Name entries by text, then MAC
  // entries by text; the pair table is renumbered, its order kept.
  void SortNodes();
  uint32_t NodeCount() const { return static_cast<uint32_t>(NodeTable.size()) - 1; }
  uint32_t NodeStatCount() const { return static_cast<uint32_t>(NodeStatTable.size()) - 1; }
  // The first pair whose MAC entry has this text and whose network entry is set.
  uint32_t FirstNetworkPair(std::string_view macText) const;

  std::vector<NodeEntryRec> NodeTable;
  std::vector<NodeStatRec> NodeStatTable;

 private:
  void RebuildIndex();
  uint32_t AddNode(std::string macText, uint32_t ipv4, std::string name);

  // Looks texts up without building a string for every frame.
  struct TextHash {
    using is_transparent = void;
    size_t operator()(std::string_view t) const { return std::hash<std::string_view>{}(t); }
  };
  FlatIndex macIndex_;
  FlatIndex ipv4Index_;
  std::unordered_map<std::string, uint32_t, TextHash, std::equal_to<>> nameIndex_;
  FlatIndex pairIndex_;
  FlatIndex firstNetPair_;  // MAC node -> first pair with a network node
};

}  // namespace kestle
