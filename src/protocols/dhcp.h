// BOOTP and DHCP over UDP: the message type in the Description, the fixed
// header and the options in the detail tree.
#pragma once

namespace kestle {

class DecodeContext;
struct DetailNode;

// "/DHCP Discover" ("/DHCP Offer 192.168.10.101" with the offered address)
// when the first option is the message type, else "/Bootp"; nothing for a
// message shorter than the fixed header and cookie (240 bytes).
void DHCPSummary(DecodeContext& c);
// "Bootstrap Protocol" (or "Dynamic Host Configuration Protocol (DHCP)"
// when a message type option is shown) with the header and the options.
void DHCPTree(DecodeContext& c, DetailNode* parent);

}  // namespace kestle
