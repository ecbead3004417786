// Moving the grid's selection: the navigation buttons, "Find Packet" (a
// text or hex byte string searched for in the frames' bytes, shown rows
// in display order) and "Goto Packet" (a frame by the number the No.
// column shows).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kestle {

class CaptureSession;

// ---- navigation buttons

enum class NavigationCommand { First, Previous, Next, Last };
// The row (0-based) a button selects from the selected row (-1 for none)
// among `rows` rows, or -1 when it selects nothing.
int64_t NavigationTarget(NavigationCommand command, int64_t row, uint32_t rows);

// ---- find

namespace findmsg {
inline constexpr const char* kEmpty = "Please enter a string to find";
inline constexpr const char* kOddHex = "Hex string should contain an even number of hex digits";
inline constexpr const char* kInvalidHex = "Hex string contains an invalid hex digit";
inline constexpr const char* kNotFound = "Search string not found";
inline constexpr const char* kFoundIn = "Found in frame ";
}  // namespace findmsg

enum class FindMode { Text, Hex };

// The upper-case form of a byte in the single-byte character set the
// frames' text is read in (Windows-1252): a-z, the accented Latin letters
// and the few others that have an upper-case form there. A fixed table:
// the same result whatever the locale.
uint8_t UpperCaseByte(uint8_t b);

struct SearchPattern {
  std::vector<uint8_t> Bytes;
  bool IgnoreCase = false;  // text: letters match whatever their case
};
// Builds the pattern from the dialog's text: in text mode the text's
// bytes, upper-cased; in hex mode pairs of hex digits, blanks ignored.
// Returns nullptr, or the message that rejects the text.
const char* ParseSearchPattern(std::string_view text, FindMode mode, SearchPattern& out);
// Where the pattern first occurs in the bytes; nullopt when it does not.
std::optional<size_t> FindPattern(std::span<const uint8_t> bytes, const SearchPattern& p);
// Whether the pattern occurs in the bytes as one contiguous run. Bytes
// are compared as bytes: zero bytes are ordinary bytes.
bool ContainsPattern(std::span<const uint8_t> bytes, const SearchPattern& pattern);

// Reads a frame's captured bytes (at most 40000) from the capture file
// into `out` without disturbing the session's current frame. False when
// the record cannot be read (the session has reported it).
bool ReadFrameBytes(CaptureSession& s, uint32_t frame, std::vector<uint8_t>& out);

// Find Next over the shown rows, remembering the row of the last match.
class FrameSearch {
 public:
  enum class Outcome { Found, NotFound, ReadError };
  struct Result {
    Outcome What = Outcome::NotFound;
    uint32_t Row = 0;     // 0-based grid row of the match
    uint32_t Frame = 0;   // its frame number
    uint32_t Offset = 0;  // where the first match starts in the frame's bytes
    uint32_t Length = 0;  // its bytes (the pattern's)
  };

  // The next search starts at the first row (the dialog is shown, its
  // text changes).
  void Restart() { searchRow_ = 0; }
  // 1-based row of the last match; 0 when the next search starts at row 1.
  uint32_t SearchRow() const { return searchRow_; }
  // Searches the rows after the last match. Not found: the next search
  // starts at the first row again. A read error ends the search at the
  // frame that could not be read.
  Result FindNext(CaptureSession& s, const SearchPattern& pattern);

 private:
  uint32_t searchRow_ = 0;
  std::vector<uint8_t> bytes_;
};

// "Found in frame 12", with the number the No. column shows.
std::string FoundInFrameText(const CaptureSession& s, uint32_t frame);

// ---- goto

enum class GotoStatus { Found, NotNumeric, NotInFile, NotShown };
namespace gotomsg {
inline constexpr const char* kNotNumeric = "Packet number is not numeric";
inline constexpr const char* kNotInFile = "Requested Packet not in file";
inline constexpr const char* kNotShown = "Packet number not currently selected";
}  // namespace gotomsg
const char* GotoMessage(GotoStatus status);  // nullptr for Found

struct GotoResult {
  GotoStatus Status = GotoStatus::NotNumeric;
  uint32_t Row = 0;  // 0-based grid row when found
};
// Resolves the number typed in the dialog (blanks around it allowed, an
// optional sign, decimal digits) against the No. column's numbering.
// Numbers are computed in 64 bits: however long, a number never wraps
// round into the file's range.
GotoResult ResolveGoto(const CaptureSession& s, std::string_view text);

}  // namespace kestle
