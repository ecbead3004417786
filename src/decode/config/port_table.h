// The port description table: port number -> description, protocol
// identifier and application decoder ("Decode As").
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace kestle {

class IniFile;

enum PortTypeCode : uint8_t { PortUDP = 0, PortTCP = 1, PortBoth = 2 };

// Decoder codes ("Decode As"); code = index into DecoderNames.
enum DecoderCode : uint16_t {
  DecodeDataOnly = 0,
  DecodeBGP,
  DecodeDHCP,
  DecodeDNS,
  DecodeHSRP,
  DecodeHTTP,
  DecodeNetbios,
  DecodeNTP,
  DecodeRADIUS,
  DecodeRIP,
  DecodeRIPng,
  DecodeSNMP,
  DecodeTacacs,
  DecodeTFTP,
  DecodeISAKMP,
  DecodePPTP,
  DecodeRTP,
  DecodeSocks,
  DecodeSSL,
  DecodeSSDP,
  DecodeRTSP,
  DecodeSIP,
  DecodeSMTP,
  DecodeTelnet,
  DecodeDLSw,
  DecodeiSCSI,
  kDecoderCount
};

extern const char* const DecoderNames[kDecoderCount];

struct WellKnownRec {
  uint8_t PortType = PortBoth;
  uint16_t Port = 0;
  std::string Description;
  uint16_t ProtocolId = 0;
  uint16_t DecodeAs = DecodeDataOnly;
};

// Look-ups return the first entry in table order that matches; they are
// served from an index that every change of the entries rebuilds, so the
// entries are only changed through the methods below.
class PortTable {
 public:
  // Entries in table order (the first match wins).
  const std::vector<WellKnownRec>& Entries() const { return entries_; }
  // Replaces every entry (the port dialog's OK, tests).
  void Replace(std::vector<WellKnownRec> entries);
  // Gives entry `index` its protocol identifier (the protocol table, as it
  // is built, names the entries that have none).
  void SetProtocolId(size_t index, uint16_t id) { entries_.at(index).ProtocolId = id; }
  bool PortsChanged = false;

  // Installs the built-in entries.
  void LoadBuiltIn();
  // Reads section Ports; returns false when the file holds no entries.
  bool Load(const IniFile& ini);
  // Rewrites section Ports (identifiers made at start-up are written as 0).
  void Save(IniFile& ini) const;

  // Description of the port for type PortUDP or PortTCP; "Unknown" when none.
  std::string_view PortDescription(uint8_t type, uint16_t port) const;
  // The same, but "" when the port has no entry for the transport.
  std::string_view KnownDescription(uint8_t type, uint16_t port) const;
  // Decoder code of the first entry with the port, whatever its type; 0 when none.
  uint16_t PortDecoder(uint16_t port) const;
  // Protocol identifier of the first entry of the type with exactly this
  // description; 0 when none.
  uint16_t PortProtocol(uint8_t type, std::string_view description) const;

 private:
  void Reindex();

  struct Firsts {
    uint32_t Udp = 0, Tcp = 0, Any = 0;  // entry index + 1; 0 = none
  };
  std::vector<WellKnownRec> entries_;
  std::unordered_map<uint16_t, Firsts> byPort_;
  std::unordered_map<std::string, Firsts> byDescription_;
};

}  // namespace kestle
