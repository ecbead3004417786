// Names of IPv4 multicast groups, by the lower 24 bits of the address.
#pragma once

#include <cstdint>

namespace kestle {

// Group name of an IPv4 multicast address's lower 24 bits, or nullptr.
const char* MulticastName(uint32_t key24);

}  // namespace kestle
