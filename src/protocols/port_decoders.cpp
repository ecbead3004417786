// Dispatch by port decoder code ("Decode As" of the port description
// table), for each transport. A code that a transport does not hand on adds
// nothing to the Description; over TCP its payload is "Data ()", over UDP
// it shows nothing. A code may mean another unit on a port of its own
// (kVariants); a payload that a protocol's state claims goes to its code
// whatever the ports (kClaims).
#include <array>

#include "decode/config/port_table.h"
#include "decode/context.h"
#include "decode/dispatch.h"
#include "protocols/dhcp.h"
#include "protocols/dns.h"
#include "protocols/isakmp.h"
#include "protocols/netbios.h"
#include "protocols/ntp.h"
#include "protocols/radius.h"
#include "protocols/rtp.h"
#include "protocols/snmp.h"
#include "protocols/ssl.h"
#include "protocols/tacacs.h"
#include "protocols/telnet.h"
#include "protocols/tftp.h"

namespace kestle {

namespace {

// Summary and tree, by the decoder (or, while none is built in, by the
// port's description and "Data ()").
constexpr PortDecoderUse Decoded(DecoderUnit unit = {}) { return {true, true, unit}; }
constexpr PortDecoderUse SummaryOnly(DecoderUnit unit = {}) { return {true, false, unit}; }
constexpr PortDecoderUse TreeOnly(DecoderUnit unit = {}) { return {false, true, unit}; }
constexpr PortDecoderUse None() { return {}; }

constexpr PortDecoderEntry kDecoders[] = {
    // code            over TCP          over UDP
    {DecodeBGP, Decoded(), None()},
    {DecodeDHCP, None(), Decoded({DHCPSummary, DHCPTree})},
    {DecodeDNS, Decoded({DNSSummary, DNSTree}), Decoded({DNSSummary, DNSTree})},
    {DecodeHSRP, None(), Decoded()},
    {DecodeHTTP, Decoded(), Decoded()},
    // Session service over TCP, name service over UDP (datagram service:
    // kVariants).
    {DecodeNetbios, Decoded({NetbiosSessionSummary, NetbiosSessionTree}),
     Decoded({NetbiosNameSummary, NetbiosNameTree})},
    {DecodeNTP, None(), Decoded({NTPSummary, NTPTree})},
    {DecodeRADIUS, None(), TreeOnly({nullptr, RADIUSTree})},
    {DecodeRIP, None(), Decoded()},
    {DecodeRIPng, None(), Decoded()},
    {DecodeSNMP, None(), Decoded({SNMPSummary, SNMPTree})},
    {DecodeTacacs, Decoded({TACACSSummary, TACACSTree}), Decoded({TACACSSummary, TACACSTree})},
    {DecodeTFTP, None(), Decoded({TFTPSummary, TFTPTree})},
    {DecodeISAKMP, None(), Decoded({ISAKMPSummary, ISAKMPTree})},
    {DecodePPTP, Decoded(), None()},
    {DecodeRTP, None(), Decoded({RTPSummary, RTPTree})},
    {DecodeSocks, Decoded(), None()},
    {DecodeSSL, Decoded({SSLSummary, SSLTree}), None()},
    {DecodeSSDP, None(), Decoded()},
    {DecodeRTSP, Decoded(), None()},
    {DecodeSIP, Decoded(), Decoded()},
    {DecodeSMTP, Decoded(), None()},
    {DecodeTelnet, Decoded({TelnetSummary, TelnetTree}), None()},
    {DecodeDLSw, SummaryOnly(), None()},
    {DecodeiSCSI, Decoded(), None()},
};

constexpr PortVariantEntry kVariants[] = {
    // code         transport       port  use
    {DecodeNetbios, Transport::UDP, 138, Decoded({NetbiosDatagramSummary, NetbiosDatagramTree})},
};

constexpr ClaimEntry kClaims[] = {
    // transport    claims                code
    {Transport::UDP, TFTPTransferSeen, DecodeTFTP},
};

const PortDecoderUse& UseOf(uint16_t code, Transport carrier) {
  static constexpr PortDecoderUse kNone{};
  static const auto index = [] {
    std::array<const PortDecoderEntry*, kDecoderCount> a{};
    for (const auto& e : kDecoders)
      if (e.Code < kDecoderCount && !a[e.Code]) a[e.Code] = &e;
    return a;
  }();
  const PortDecoderEntry* e = code < kDecoderCount ? index[code] : nullptr;
  if (!e) return kNone;
  if (carrier == Transport::TCP) return e->OverTCP;
  if (carrier == Transport::UDP) return e->OverUDP;
  return kNone;
}

}  // namespace

std::span<const PortDecoderEntry> PortDecoderTable() { return kDecoders; }
std::span<const PortVariantEntry> PortVariantTable() { return kVariants; }
std::span<const ClaimEntry> ClaimTable() { return kClaims; }

const PortDecoderUse& PortDecoderFor(uint16_t code, Transport carrier, uint16_t srcPort,
                                     uint16_t dstPort) {
  for (const auto& v : kVariants)
    if (v.Code == code && v.Carrier == carrier && (v.Port == srcPort || v.Port == dstPort))
      return v.Use;
  return UseOf(code, carrier);
}

uint16_t ClaimedDecoder(const DecodeContext& c, Transport carrier, uint16_t srcPort,
                        uint16_t dstPort) {
  for (const auto& e : kClaims)
    if (e.Carrier == carrier && e.Claims(c, srcPort, dstPort)) return e.Code;
  return 0;
}

}  // namespace kestle
