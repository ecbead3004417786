// A print job over chosen frames: to a text file through the text export
// writer, or onto pages through the print layout. Each frame is read again
// and its decode tree built into a print tree of its own; the shown tree
// is not touched.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>

namespace kestle {

class CaptureSession;
class PrintLayout;

namespace printmsg {
inline constexpr const char* kCannotCreate = "Unable to create print file";
inline constexpr const char* kWriteError = "Error writing the print file";
}  // namespace printmsg

struct PrintChoices {
  bool Detail = false;  // "Print Protocol &Detail"
  bool Dump = false;    // "Print &Hex/ASCII Dump"
};

// Called after each frame; returning false ends the job after it, the file
// or document then being closed normally.
using PrintProgress = std::function<bool()>;

struct PrintOutcome {
  bool Ok = false;
  bool Cancelled = false;
  uint32_t Printed = 0;
  std::string Message;  // why it failed
};

// Print to file: the title line with the capture's name and `dateLine`,
// then each frame. The file appears only when complete; writing over the
// open capture is refused.
PrintOutcome PrintToTextFile(CaptureSession& s, std::span<const uint32_t> frames,
                             const std::string& target, const PrintChoices& choices,
                             const std::string& dateLine, const PrintProgress& progress = {});

// Whether the rows of all the frames fit the layout's page (a job whose
// rows do not is printed landscape).
bool RowsFit(const CaptureSession& s, std::span<const uint32_t> frames, const PrintLayout& layout);

// The printer's pages: each frame laid out after layout.Begin(); the
// caller ends the layout.
PrintOutcome PrintToLayout(CaptureSession& s, std::span<const uint32_t> frames, PrintLayout& layout,
                           const PrintChoices& choices, const PrintProgress& progress = {});

}  // namespace kestle
