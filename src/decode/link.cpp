#include "decode/link.h"

#include <cstring>

#include "decode/context.h"

namespace kestle {

void EthernetSummary(DecodeContext& c) {
  c.copy(6, c.SrcMac, 6);
  c.SetProtocol(ProtoEthernet);
  c.AddDesc("Ethernet II");
}

void ISLSummary(DecodeContext& c) { EthernetSummary(c); }

void EthernetTree(DecodeContext&) {}
void ISLTree(DecodeContext&) {}

}  // namespace kestle
