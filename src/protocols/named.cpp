#include "protocols/named.h"

#include "decode/context.h"
#include "decode/lookup.h"
#include "decode/protocol_ids.h"

namespace kestle {

namespace {

void Label(DecodeContext& c, std::string_view text, ProtocolId id) {
  c.AddDesc(text);
  c.SetProtocol(id);
}

constexpr LookupTableRec kEigrpOpcodes[] = {
    {1, "/Update"}, {2, "/Request"}, {3, "/Query"},
    {4, "/Reply"},  {5, "/Hello"},   {6, "/IPX-SAP Update"},
};

constexpr LookupTableRec kOspfTypes[] = {
    {1, "/Hello"},     {2, "/DB Description"},     {3, "/LS Request"},
    {4, "/LS Update"}, {5, "/LS Acknowledgement"},
};

}  // namespace

void SNASummary(DecodeContext& c) { Label(c, "/SNA", ProtoSNA); }
void CDPSummary(DecodeContext& c) { Label(c, "/CDP", ProtoCDP); }
void CGMPSummary(DecodeContext& c) { Label(c, "/CGMP", ProtoCGMP); }
void DTPSummary(DecodeContext& c) { Label(c, "/DTP", ProtoDTP); }
void LoopbackSummary(DecodeContext& c) { Label(c, "/Loopback", ProtoLoopback); }
void RSVPSummary(DecodeContext& c) { Label(c, "/RSVP", ProtoRSVP); }

void VTPOverSNAPSummary(DecodeContext& c) { c.SetProtocol(ProtoVTP); }
void RSVPOverIPv6Summary(DecodeContext& c) { c.SetProtocol(ProtoRSVP); }
void GREOverIPv6Summary(DecodeContext& c) { c.SetProtocol(ProtoGRE); }
void ESPOverIPv6Summary(DecodeContext& c) { c.SetProtocol(ProtoESP); }
void IGMPOverIPv6Summary(DecodeContext& c) { c.SetProtocol(ProtoIGMP); }
void PIMOverIPv6Summary(DecodeContext& c) { c.SetProtocol(ProtoPIM); }
void STPSummary(DecodeContext&) {}

void EIGRPOverIPv6Summary(DecodeContext& c) {
  c.SetProtocol(ProtoEIGRP);
  if (c.has(1, 1)) c.AddDesc(LookupCode(c.u8(1), kEigrpOpcodes, ""));
}

void OSPFOverIPv6Summary(DecodeContext& c) {
  c.SetProtocol(ProtoOSPF);
  if (c.has(1, 1)) c.AddDesc(LookupCode(c.u8(1), kOspfTypes, "/Unknown"));
}

}  // namespace kestle
