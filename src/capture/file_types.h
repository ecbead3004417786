// The capture file types the readers take, as a file dialog offers them:
// a new reader adds its line here, and the window's Open dialog follows.
#pragma once

#include <span>
#include <string>
#include <vector>

namespace kestle {

struct CaptureFileType {
  const char* Name;
  const char* Patterns;  // file name patterns, separated by spaces
  bool Supported;        // its patterns are in "Kestle Supported Files"
  bool OwnEntry;         // it has a line of its own
};

// In the dialog's order; the last is "All Files", every file.
std::span<const CaptureFileType> CaptureFileTypes();

// The Open dialog's name filters: "Kestle Supported Files (...)" with the
// patterns of every supported type, then "Name (patterns)" for each type
// with a line of its own.
std::vector<std::string> OpenDialogFilters();

}  // namespace kestle
