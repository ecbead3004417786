// The port description table: port number -> description, protocol
// identifier and application decoder ("Decode As").
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kestle {

class IniFile;

enum PortTypeCode : uint8_t { PortUDP = 0, PortTCP = 1, PortBoth = 2 };

// Decoder codes ("Decode As"); code = index into DecoderNames.
enum DecoderCode : uint16_t {
  DecodeDataOnly = 0, DecodeBGP, DecodeDHCP, DecodeDNS, DecodeHSRP, DecodeHTTP, DecodeNetbios,
  DecodeNTP, DecodeRADIUS, DecodeRIP, DecodeRIPng, DecodeSNMP, DecodeTacacs, DecodeTFTP,
  DecodeISAKMP, DecodePPTP, DecodeRTP, DecodeSocks, DecodeSSL, DecodeSSDP, DecodeRTSP,
  DecodeSIP, DecodeSMTP, DecodeTelnet, DecodeDLSw, DecodeiSCSI,
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

class PortTable {
 public:
  // Entries in table order (the first match wins).
  std::vector<WellKnownRec> Entries;
  bool PortsChanged = false;

  // Installs the built-in entries.
  void LoadBuiltIn();
  // Reads section Ports; returns false when the file holds no entries.
  bool Load(const IniFile& ini);
  void Save(IniFile& ini) const;
};

}  // namespace kestle
