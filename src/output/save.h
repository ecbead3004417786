// Save As: chosen frames of the open capture written to a new Sniffer
// (.enc) file, whatever format they were read from. Frames are read again
// from the capture, one at a time; nothing is decoded.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "capture/frame.h"

namespace kestle {

class CaptureInput;
class CaptureSession;
class FrameIndex;

namespace savemsg {
inline constexpr const char* kCannotCreate = "Unable to create output file";
inline constexpr const char* kWriteError = "Error writing the output file";
// Writing over the capture being read would destroy it.
inline constexpr const char* kOpenCapture = "Cannot write to the trace file that is open";
// Every frame chosen is of a link type a Sniffer file cannot hold.
inline constexpr const char* kNothingToSave =
    "No frame was saved: a Sniffer file holds Ethernet frames only";
}  // namespace savemsg

// One frame to save: its record, when it arrived (local time, as the grid
// shows it) and its captured length as loaded.
struct SaveFrameRef {
  uint64_t RecordPos = 0;
  uint32_t Seconds = 0;
  uint32_t Micro = 0;
  uint32_t CapLen = 0;
  uint16_t LinkType = kLinkTypeEthernet;
};
std::vector<SaveFrameRef> SaveFrameRefs(const CaptureSession& s, std::span<const uint32_t> frames);
std::vector<SaveFrameRef> SaveFrameRefs(const FrameIndex& index, std::span<const uint32_t> frames);

// Whether a Sniffer file can hold the frame: it holds Ethernet frames only.
// This is the one place where a frame's link type decides whether it is
// written; the others are left out and counted (nothing is written as a
// frame it is not).
bool SnifferHoldsFrame(const CaptureInput& in, const SaveFrameRef& frame);
// What the save says of the frames it left out: "" when none were.
std::string SkippedFramesNote(uint32_t skipped);

// How the frames of a capture of another format are timed in the file:
// ticks of the time unit from midnight of the date in the version record.
// The day is the local day of the earliest frame, so that every frame
// shows the local time the grid shows; the unit is the finest (1 µs
// first) whose 40-bit tick count holds the latest frame.
struct SnifferTiming {
  int64_t DaySeconds = 0;  // local midnight the ticks count from
  uint8_t TimeUnit = 5;    // index into the time unit table
  uint32_t TickPicoseconds = 1000000;
  uint16_t DosDate = 0;  // the day; before 1980 the earliest a DOS date holds
  uint16_t DosTime = 0;  // the capture's start time of day
};
SnifferTiming PlanSnifferTiming(const CaptureInput& in, std::span<const SaveFrameRef> frames);
// The tick count of a frame (the largest 40-bit count when it lies beyond).
uint64_t SnifferTicks(const SnifferTiming& t, const SaveFrameRef& frame);
// The version record written for a capture of another format.
std::array<uint8_t, 18> NewVersionRecord(const SnifferTiming& t);

struct SaveOutcome {
  bool Ok = false;         // the file is complete and in place
  bool Cancelled = false;  // stopped by the progress callback
  uint32_t Written = 0;
  uint32_t Skipped = 0;  // frames a Sniffer file cannot hold
  std::string Message;   // why it failed
};
// Called after each frame written with the number written and the total;
// returning false stops the save after that frame, and the file keeps the
// frames written so far.
using SaveProgress = std::function<bool(uint32_t written, uint32_t total)>;

// Writes the frames, in the order given, to `target`. From a Sniffer file
// its version record and the frame records are copied unchanged; from any
// other format the version record is new and each frame's header is the
// normalised one with its time per PlanSnifferTiming. The file appears
// only when complete (see OutputFile); a failure leaves any existing
// target as it was.
SaveOutcome SaveAsSniffer(CaptureInput& in, std::span<const SaveFrameRef> frames,
                          const std::string& target, const SaveProgress& progress = {});

}  // namespace kestle
