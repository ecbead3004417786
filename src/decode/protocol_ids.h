// The fixed protocol identifiers; identifiers after them are given to the
// port descriptions that have none (see PortTable). New fixed identifiers
// are appended after the last, and the settings file keeps meaning the
// same protocols (ProtocolTable::LoadColours).
#pragma once

#include <cstdint>

namespace kestle {

enum ProtocolId : uint16_t {
  Proto8021q = 1,
  ProtoAH,
  ProtoARP,
  ProtoBGP,
  ProtoCDP,
  ProtoCGMP,
  ProtoDHCP,
  ProtoDNS,
  ProtoDLSw,
  ProtoDTP,
  ProtoEAP,
  ProtoEIGRP,
  ProtoESP,
  ProtoGRE,
  ProtoGVRP,
  ProtoHSRP,
  ProtoHTTP,
  ProtoICMP,
  ProtoICMPV6,
  ProtoIGMP,
  ProtoIPV4,
  ProtoIPV6,
  ProtoIPX,
  ProtoIPXRIP,
  ProtoISAKMP,
  ProtoiSCSI,
  ProtoISIS,
  ProtoISL,
  ProtoLLDP,
  ProtoLoopback,
  ProtoMPLS,
  ProtoNBDG,
  ProtoNBNS,
  ProtoNBSS,
  ProtoNetbios,
  ProtoNTP,
  ProtoOSPF,
  ProtoPPP,
  ProtoPPPCBCP,
  ProtoPPPCCP,
  ProtoPPPComp,
  ProtoPPPCHAP,
  ProtoPPPIPCP,
  ProtoPPPLCP,
  ProtoPPPoE,
  ProtoPPTP,
  ProtoPIM,
  ProtoRIP,
  ProtoRADIUS,
  ProtoRIPng,
  ProtoRSVP,
  ProtoRTP,
  ProtoRTSP,
  ProtoSAP,
  ProtoSIP,
  ProtoSMB,
  ProtoSMTP,
  ProtoSNA,
  ProtoSNMP,
  ProtoSocks,
  ProtoSSDP,
  ProtoSSLv2,
  ProtoSSLv3,
  ProtoSTP,
  ProtoTACACS,
  ProtoTACACSPlus,
  ProtoTCP,
  ProtoTelnet,
  ProtoTFTP,
  ProtoTLS,
  ProtoUDP,
  ProtoUnknown,
  ProtoVRRP,
  ProtoVTP,
  ProtoXTACACS,
  ProtoEthernet,
  // The link units of captures that are not Ethernet.
  ProtoLinuxCooked,
  ProtoRawIP,
  ProtoBSDLoopback,
  kFixedProtocolCount = ProtoBSDLoopback
};

static_assert(ProtoIPV4 == 21 && ProtoTCP == 67 && ProtoUnknown == 72 && ProtoEthernet == 76);
static_assert(ProtoLinuxCooked == 77 && ProtoRawIP == 78 && ProtoBSDLoopback == 79);

// How many fixed identifiers there were before the link units were added:
// a settings file without FixedProtocols was written with this many.
constexpr uint16_t kFixedProtocolCountBeforeLinkUnits = 76;

// Whether the protocol is the unit a frame starts with (a link type's).
constexpr bool IsLinkUnit(uint16_t id) {
  return id == ProtoEthernet || id == ProtoLinuxCooked || id == ProtoRawIP ||
         id == ProtoBSDLoopback;
}

// Names of the fixed identifiers, index = identifier (0 is unused).
extern const char* const kFixedProtocolNames[kFixedProtocolCount + 1];

}  // namespace kestle
