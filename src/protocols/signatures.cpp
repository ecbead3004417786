// Dispatch by the first bytes of a payload: carriers whose payload is not
// named by a number (the NetBIOS services, and tunnels and sessions that
// carry a protocol recognised by its header) look here for the unit. The
// first entry whose signature the bytes start with wins.
#include <string_view>

#include "decode/context.h"
#include "decode/dispatch.h"
#include "protocols/smb.h"

namespace kestle {

namespace {
using namespace std::string_view_literals;

constexpr SignatureEntry kSignatures[] = {
    // signature      unit
    {"\xFFSMB"sv, {SMBSummary, SMBTree}},
};
}  // namespace

std::span<const SignatureEntry> SignatureTable() { return kSignatures; }

const DecoderUnit* SignatureUnit(const DecodeContext& c, size_t at) {
  for (const auto& e : kSignatures)
    if (c.bytes(at, e.Signature.size()) == e.Signature) return &e.Unit;
  return nullptr;
}

}  // namespace kestle
