// NetBIOS: the name service (UDP 137), the datagram service (UDP 138), the
// session service (TCP 139 and 445) and NetBIOS frames carried in LLC (SAP
// F0). The datagram and session services and LLC frames hand an SMB
// message on to protocols/smb.
#pragma once

namespace kestle {

class DecodeContext;
struct DetailNode;

// Decoder code 6 "Netbios": over TCP the session service; over UDP the
// datagram service when either port is 138, the name service otherwise.
// "/Netbios/NBNS Query", "/Netbios/NBDG/SMB...", "/Netbios/NBSS/Session Request".
void NetbiosSummary(DecodeContext& c);
void NetbiosTree(DecodeContext& c, DetailNode* parent);

// NetBIOS frames in LLC: records the protocol Netbios; "/Netbios" and the
// SMB summary of a frame that carries one.
void NetbiosLLCSummary(DecodeContext& c);
void NetbiosLLCTree(DecodeContext& c, DetailNode* parent);

}  // namespace kestle
