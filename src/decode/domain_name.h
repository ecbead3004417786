// Names in the form of the domain name system, shared by DNS and the NetBIOS
// name and datagram services: labels (a length byte and that many bytes)
// ended by a zero byte or by a compression pointer (two bytes, the top two
// bits set) to an earlier position of the message.
//
// A pointer must point before every byte the name has read so far, so each
// jump goes further back and a chain of pointers always ends; a pointer
// that does not, or a name that grows past 256 characters, ends the name
// with the loop text.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kestle {

class DecodeContext;

inline constexpr std::string_view kNameLoopText = "Poosible DNS Loop, formatting terminated";

struct DomainName {
  // The labels joined by ".", their bytes as they are (SafeText before
  // showing them); the loop text when the name looped.
  std::string Text;
  // Bytes the name takes at its position: its labels, and the terminating
  // zero byte or the first pointer.
  size_t Length = 0;
  // False when the name runs past the end of the layer: it is not shown.
  bool Whole = false;
  bool Loop = false;
};

// The name at `at`; positions are offsets in the current layer, which is
// the message that pointers count from.
DomainName ReadDomainName(const DecodeContext& c, size_t at);

}  // namespace kestle
