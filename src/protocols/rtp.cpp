#include "protocols/rtp.h"

#include <string>

#include "decode/context.h"
#include "decode/fields.h"
#include "decode/lookup.h"
#include "decode/protocol_ids.h"
#include "decode/text.h"

namespace kestle {

namespace {

constexpr LookupTableRec kPayloadTypes[] = {
    {0, "PCMU"},  {3, "GSM"},   {4, "G723"},  {5, "DVI4"},  {6, "DVI4"},   {7, "LPC"},
    {8, "PCMA"},  {9, "G722"},  {10, "L16"},  {11, "L16"},  {12, "QCELP"}, {13, "CN"},
    {14, "MPA"},  {15, "G728"}, {16, "DVI4"}, {17, "DVI4"}, {18, "G729"},  {25, "CelB"},
    {26, "JPEG"}, {28, "nv"},   {31, "H261"}, {32, "MPV"},  {33, "MP2T"},  {34, "H263"}};

constexpr size_t kHeader = 12;
constexpr unsigned kVersion = 2;
// Payload bytes shown in hex before "...".
constexpr size_t kPayloadShown = 31;

const char* TrueFalse(bool b) { return b ? "True" : "False"; }

}  // namespace

void RTPSummary(DecodeContext& c) {
  c.AddDesc("/RTP");
  c.SetProtocol(ProtoRTP);
}

void RTPTree(DecodeContext& c, DetailNode* parent) {
  if (!c.has(0, kHeader)) return;
  DetailNode* root = AddBranch(c, parent, "Realtime Transport Protocol (RTP)", 0, c.PacketLen);
  const uint8_t first = c.u8(0), second = c.u8(1);
  const unsigned version = first >> 6;
  AddField(c, root,
           "Version (V) - " + std::to_string(version) + (version == kVersion ? " (rfc1889)" : ""),
           0, 1);
  if (version != kVersion) return;
  const unsigned sources = first & 0x0F, type = second & 0x7F;
  AddField(c, root, std::string("Padding (P) - ") + TrueFalse(first & 0x20), 0, 1);
  AddField(c, root, std::string("Extention (E) - ") + TrueFalse(first & 0x10), 0, 1);
  AddField(c, root, "CSRC Count - " + std::to_string(sources), 0, 1);
  AddField(c, root, "Marker (M) - " + std::to_string(second >> 7), 1, 1);
  AddField(c, root,
           "Payload Type () - " + std::to_string(type) + " (" +
               std::string(LookupCode(static_cast<uint16_t>(type), kPayloadTypes, "Unknown")) + ")",
           1, 1);
  AddField(c, root, "Sequence Number () - " + std::to_string(c.be16(2)), 2, 2);
  AddField(c, root, "Timestamp () - " + std::to_string(static_cast<int32_t>(c.be32(4))), 4, 4);
  AddField(c, root, "Synchronization Source Id (SSRC) () - " + std::to_string(c.be32(8)), 8, 4);
  size_t at = kHeader;
  for (unsigned i = 0; i < sources; ++i, at += 4) {
    // A list cut short shows neither the rest of it nor the payload.
    if (!c.has(at, 4)) return;
    AddField(c, root, "Contributing Source Id (CSRC) () - " + std::to_string(c.be32(at)), at, 4);
  }
  if (at < c.PacketLen)
    AddField(c, root, "Payload () - " + FormatHexBytes(c, at + 1, c.PacketLen - at, kPayloadShown),
             at, c.PacketLen - at);
}

}  // namespace kestle
