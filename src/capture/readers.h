// One reader per capture format. A reader's Load is entered with the file
// open and positioned after the 17 bytes read for detection; its Reread
// reads the record at the current position (CurrentRecordPos) into
// FrameHeader/RawFrame again.
#pragma once

#include "capture/frame.h"

namespace kestle {

class CaptureInput;

struct CaptureReader {
  void (*Load)(CaptureInput& s);
  // False on a read error or when the record holds no frame.
  bool (*Reread)(CaptureInput& s);
};

// The reader of a format, or nullptr when the format has none (yet).
const CaptureReader* ReaderFor(CaptureFormat f);

void ReadWindumpFile(CaptureInput& s);
bool RereadWindumpRecord(CaptureInput& s);

void ReadSnifferFile(CaptureInput& s);
bool RereadSnifferRecord(CaptureInput& s);

// Netmon versions 1 and 2 share one reader.
void ReadNetmonFile(CaptureInput& s);
bool RereadNetmonRecord(CaptureInput& s);

void ReadNetXRayFile(CaptureInput& s);
bool RereadNetXRayRecord(CaptureInput& s);

void Read5ViewFile(CaptureInput& s);
bool Reread5ViewRecord(CaptureInput& s);

void ReadPcapngFile(CaptureInput& s);
bool RereadPcapngRecord(CaptureInput& s);

}  // namespace kestle
