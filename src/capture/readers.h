// One reader per capture format. A reader's Load is entered with the file
// open and positioned after the 17 bytes read for detection; its Reread
// reads the record at CurrentRecordPos into FrameHeader/RawFrame again.
#pragma once

#include "capture/frame.h"

namespace kestle {

class CaptureSession;

struct CaptureReader {
  void (*Load)(CaptureSession& s);
  // Reads the record at s.CurrentRecordPos; false on a read error or when
  // the record no longer matches the frame table.
  bool (*Reread)(CaptureSession& s, const FrameTabRec& rec);
};

// The reader of a format, or nullptr when the format has none (yet).
const CaptureReader* ReaderFor(CaptureFormat f);

void ReadWindumpFile(CaptureSession& s);
bool RereadWindumpRecord(CaptureSession& s, const FrameTabRec& rec);

void ReadSnifferFile(CaptureSession& s);
bool RereadSnifferRecord(CaptureSession& s, const FrameTabRec& rec);

// Netmon versions 1 and 2 share one reader.
void ReadNetmonFile(CaptureSession& s);
bool RereadNetmonRecord(CaptureSession& s, const FrameTabRec& rec);

void ReadNetXRayFile(CaptureSession& s);
bool RereadNetXRayRecord(CaptureSession& s, const FrameTabRec& rec);

void Read5ViewFile(CaptureSession& s);
bool Reread5ViewRecord(CaptureSession& s, const FrameTabRec& rec);

}  // namespace kestle
