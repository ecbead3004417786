#include "capture/readers.h"

namespace kestle {

namespace {
constexpr CaptureReader kPcap{ReadWindumpFile, RereadWindumpRecord};
constexpr CaptureReader kSniffer{ReadSnifferFile, RereadSnifferRecord};
constexpr CaptureReader kNetmon{ReadNetmonFile, RereadNetmonRecord};
constexpr CaptureReader kNetXRay{ReadNetXRayFile, RereadNetXRayRecord};
constexpr CaptureReader k5View{Read5ViewFile, Reread5ViewRecord};
constexpr CaptureReader kPcapng{ReadPcapngFile, RereadPcapngRecord};
}  // namespace

const CaptureReader* ReaderFor(CaptureFormat f) {
  switch (f) {
    case CaptureFormat::Pcap:
      return &kPcap;
    case CaptureFormat::Sniffer:
      return &kSniffer;
    case CaptureFormat::NetmonV1:
    case CaptureFormat::NetmonV2:
      return &kNetmon;
    case CaptureFormat::NetXRay:
      return &kNetXRay;
    case CaptureFormat::FiveView:
      return &k5View;
    case CaptureFormat::Pcapng:
      return &kPcapng;
    default:
      return nullptr;
  }
}

}  // namespace kestle
