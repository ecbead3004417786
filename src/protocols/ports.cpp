#include "protocols/ports.h"

namespace kestle {

const char* const DecoderNames[kDecoderCount] = {
    "Data Only", "BGP",    "BOOTP/DHCP", "DNS",   "HSRP",  "HTTP",    "Netbios",
    "NTP",       "RADIUS", "RIP",        "RIPng", "SNMP",  "Tacacs",  "TFTP",
    "ISAKMP",    "PPTP",   "RTP",        "Socks", "SSL/TLS", "SSDP",  "RTSP",
    "SIP",       "SMTP",   "Telnet",     "DLSw",  "iSCSI"};

void PortTable::LoadBuiltIn() { Entries.clear(); }

bool PortTable::Load(const IniFile&) { return false; }

void PortTable::Save(IniFile&) const {}

}  // namespace kestle
