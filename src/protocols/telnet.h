// Telnet over TCP: commands, option negotiation, sub-negotiations and data
// lines; between TN3270 hosts and terminals the TN3270E header and the 3270
// data stream. Whether a segment is TN3270 depends on the whole capture:
// the summary marks the stations that act as TN3270 hosts (TN3270Host in
// the node registry) and the tree reads those marks.
#pragma once

namespace kestle {

class DecodeContext;
struct DetailNode;

// "/Telnet"; a DO or WILL TN3270E negotiation, or a TN3270E 3270-data
// header with the Enter AID, marks the host's station.
void TelnetSummary(DecodeContext& c);
// "Telnet": the commands and data of the segment, in order.
void TelnetTree(DecodeContext& c, DetailNode* parent);

}  // namespace kestle
