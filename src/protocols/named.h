// Protocols that are only named, not decoded yet: their summaries append
// their label and record the protocol; they have no tree of their own, so
// their payload shows as "Data ()". A protocol moves from here to a unit of
// its own when it gets a decoder.
#pragma once

namespace kestle {

class DecodeContext;

// "/SNA", "/CDP", "/CGMP", "/DTP", "/Loopback", "/RSVP" and the protocol.
void SNASummary(DecodeContext& c);
void CDPSummary(DecodeContext& c);
void CGMPSummary(DecodeContext& c);
void DTPSummary(DecodeContext& c);
void LoopbackSummary(DecodeContext& c);
void RSVPSummary(DecodeContext& c);

// Recorded in the protocol stack without a text.
void VTPOverSNAPSummary(DecodeContext& c);
void RSVPOverIPv6Summary(DecodeContext& c);
void GREOverIPv6Summary(DecodeContext& c);
void ESPOverIPv6Summary(DecodeContext& c);
void IGMPOverIPv6Summary(DecodeContext& c);
void PIMOverIPv6Summary(DecodeContext& c);
// Spanning tree BPDUs: their own decoder names the frame.
void STPSummary(DecodeContext& c);

// Over IPv6 the message type is named: EIGRP by its opcode, OSPF by its
// packet type (both in the second byte).
void EIGRPOverIPv6Summary(DecodeContext& c);
void OSPFOverIPv6Summary(DecodeContext& c);

}  // namespace kestle
