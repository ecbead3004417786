// NetBIOS: the name service (UDP 137), the datagram service (UDP 138), the
// session service (TCP 139 and 445) and NetBIOS frames carried in LLC (SAP
// F0). The datagram and session services and LLC frames hand a message on
// by its first bytes (the signature table: SMB).
#pragma once

namespace kestle {

class DecodeContext;
struct DetailNode;

// Decoder code 6 "Netbios": the name service over UDP, the datagram service
// over UDP when either port is 138 (the port decoder table's variants), the
// session service over TCP.
// "/Netbios/NBNS Query", "/Netbios/NBDG/SMB...", "/Netbios/NBSS/Session Request".
void NetbiosNameSummary(DecodeContext& c);
void NetbiosNameTree(DecodeContext& c, DetailNode* parent);
void NetbiosDatagramSummary(DecodeContext& c);
void NetbiosDatagramTree(DecodeContext& c, DetailNode* parent);
void NetbiosSessionSummary(DecodeContext& c);
void NetbiosSessionTree(DecodeContext& c, DetailNode* parent);

// NetBIOS frames in LLC: records the protocol Netbios; "/Netbios" and the
// SMB summary of a frame that carries one.
void NetbiosLLCSummary(DecodeContext& c);
void NetbiosLLCTree(DecodeContext& c, DetailNode* parent);

}  // namespace kestle
