// Save As in the three formats: the Sniffer file (save.h), pcap and pcapng.
// Each writes the chosen frames, read again from the capture one at a time,
// with their bytes and lengths on the wire as read, through the same
// whole-or-nothing OutputFile, and refuses to write over the open capture.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "output/save.h"

namespace kestle {

class CaptureInput;

enum class SaveFormat : uint8_t { Sniffer = 0, Pcap = 1, Pcapng = 2 };

// "sniffer", "pcap", "pcapng" (letter case aside); nullopt for another text.
std::optional<SaveFormat> ParseSaveFormat(std::string_view text);
std::string_view SaveFormatName(SaveFormat f);
// The format a file name asks for by its ending: .pcap, .pcapng, .enc or
// .trc (letter case aside); nullopt for any other name.
std::optional<SaveFormat> SaveFormatOfName(std::string_view fileName);

// The link type a pcap file of these frames has (that of the first) and
// how many of them are of another link type (a pcap file holds one).
struct PcapLinkChoice {
  uint16_t LinkType = kLinkTypeEthernet;
  uint32_t Others = 0;
};
PcapLinkChoice ChoosePcapLinkType(std::span<const SaveFrameRef> frames);

// A pcap file: the link type of the first frame (frames of other link types
// are left out and counted in Skipped), microsecond times, or nanosecond
// ones when a frame was read with them. Little-endian; the 4-byte header of
// a BSD loopback frame (link type 0, in its writer's byte order) is turned
// into this file's order.
SaveOutcome SaveAsPcap(CaptureInput& in, std::span<const SaveFrameRef> frames,
                       const std::string& target, const SaveProgress& progress = {});
// A pcapng file of one section, with one interface per link type, snap
// length and time resolution of the frames, in the order met; nothing is
// left out.
SaveOutcome SaveAsPcapng(CaptureInput& in, std::span<const SaveFrameRef> frames,
                         const std::string& target, const SaveProgress& progress = {});
// What the Save As dialog asks before it writes: a name whose ending asks
// for another format than the file type chosen, and a pcap file that would
// leave frames out.
std::string NameDisagreesQuestion(SaveFormat byName, SaveFormat chosen);
std::string PcapLeavesOutQuestion(uint32_t others);
// The file type's caption: "pcapng", "pcap", "Network Sniffer".
std::string_view SaveFormatCaption(SaveFormat f);

// The save of `format`.
SaveOutcome SaveFrames(SaveFormat format, CaptureInput& in, std::span<const SaveFrameRef> frames,
                       const std::string& target, const SaveProgress& progress = {});

}  // namespace kestle
