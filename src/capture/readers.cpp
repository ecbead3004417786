#include "capture/readers.h"

namespace kestle {

namespace {
constexpr CaptureReader kPcap{ReadWindumpFile, RereadWindumpRecord};
}  // namespace

const CaptureReader* ReaderFor(CaptureFormat f) {
  switch (f) {
    case CaptureFormat::Pcap:
      return &kPcap;
    default:
      return nullptr;
  }
}

}  // namespace kestle
