// What TCP and UDP share: the port lines of their headers, the ports of the
// frame, and the hand-on of the payload to the decoder that the port
// description table and the port decoder table choose for the transport.
#pragma once

#include <cstdint>
#include <string_view>

namespace kestle {

class DecodeContext;
struct DetailNode;
enum class Transport : uint8_t;

// The "Source port" and "Destination port" lines (with the ports'
// descriptions) of the header at the start of the layer; leaves the ports
// in c.SrcPort/c.DstPort. False when either port is missing.
bool AddPortFields(DecodeContext& c, DetailNode* header, Transport carrier);
// Leaves a segment's or datagram's ports in c.SrcPort/c.DstPort and, in the
// summary pass outside a tunnel, in the frame table entry.
void RecordPorts(DecodeContext& c, uint16_t src, uint16_t dst);

// The summary of the payload at the start of the layer, carried by
// c.Carrier: the decoder's summary; or, while it is not built in, the port's
// `description` (nothing when `description` is empty); nothing for a code
// the transport does not hand on.
void PayloadSummary(DecodeContext& c, uint16_t decoderCode, std::string_view description);
// The payload's tree: the decoder's, or "Data ()" (over UDP nothing for a
// code that UDP does not hand on).
void PayloadTree(DecodeContext& c, DetailNode* parent, uint16_t decoderCode);

}  // namespace kestle
