// The fixed protocol identifiers; identifiers from 77 up are given to the
// port descriptions that have none (see PortTable).
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
  kFixedProtocolCount = ProtoEthernet
};

static_assert(ProtoIPV4 == 21 && ProtoTCP == 67 && ProtoUnknown == 72 && ProtoEthernet == 76);

// Names of the fixed identifiers, index = identifier (0 is unused).
extern const char* const kFixedProtocolNames[kFixedProtocolCount + 1];

}  // namespace kestle
