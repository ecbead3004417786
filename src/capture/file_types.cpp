#include "capture/file_types.h"

namespace kestle {

namespace {
constexpr CaptureFileType kTypes[] = {
    {"General Sniffer", "*.enc", true, true},
    {"Netmon/NetXRay Capture", "*.cap", true, true},
    {"Windump/TCPDUMP Capture", "*.acp *.dmp", true, true},
    {"5View Capture", "*.5vw", true, true},
    {"pcap Capture", "*.pcap", true, true},
    {"pcapng Capture", "*.pcapng", true, false},
    {"Compressed Files", "*.gz", true, true},
    // Every file, names without a dot included.
    {"All Files", "*", false, true},
};
}  // namespace

std::span<const CaptureFileType> CaptureFileTypes() { return kTypes; }

std::vector<std::string> OpenDialogFilters() {
  std::string supported;
  std::vector<std::string> filters{""};
  for (const CaptureFileType& t : kTypes) {
    if (t.Supported) {
      if (!supported.empty()) supported += ' ';
      supported += t.Patterns;
    }
    if (t.OwnEntry) filters.push_back(std::string(t.Name) + " (" + t.Patterns + ")");
  }
  filters[0] = "Kestle Supported Files (" + supported + ")";
  return filters;
}

}  // namespace kestle
