// RADIUS over UDP: the header and the attributes in the detail tree. It has
// no summary: the Description of a RADIUS datagram is UDP's own.
#pragma once

#include <cstdint>
#include <string>

namespace kestle {

class DecodeContext;
struct DetailNode;
struct LocaleInfo;

// "Remote Authentication Dial In User Service (RADIUS)": the header and one
// item per attribute; nothing for a datagram shorter than the header.
void RADIUSTree(DecodeContext& c, DetailNode* parent);
// "Sun, Mar 14, 2021 09:20:09" for an Event-Timestamp (seconds since 1970,
// signed, no time zone).
std::string RADIUSTime(const LocaleInfo& locale, int32_t seconds);

}  // namespace kestle
