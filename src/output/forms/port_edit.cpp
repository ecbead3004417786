#include "output/forms/port_edit.h"

#include <algorithm>
#include <cctype>

#include "output/forms/options_form.h"

namespace kestle {

std::string_view PortTypeName(uint8_t type) {
  switch (type) {
    case PortUDP:
      return "UDP";
    case PortTCP:
      return "TCP";
    default:
      return "Both";
  }
}

std::vector<uint16_t> DecoderCodesByName() {
  std::vector<uint16_t> codes(kDecoderCount);
  for (uint16_t i = 0; i < kDecoderCount; ++i) codes[i] = i;
  std::stable_sort(codes.begin(), codes.end(), [](uint16_t a, uint16_t b) {
    std::string_view x = DecoderNames[a], y = DecoderNames[b];
    return std::lexicographical_compare(x.begin(), x.end(), y.begin(), y.end(), [](char p, char q) {
      return std::tolower(static_cast<unsigned char>(p)) <
             std::tolower(static_cast<unsigned char>(q));
    });
  });
  return codes;
}

PortEditCheck CheckPortEdit(const std::vector<WellKnownRec>& entries, bool addMode,
                            std::string_view portText, std::string_view description) {
  PortEditCheck r;
  auto port = ParseDialogInteger(portText);
  if (!port) {
    r.Message = portmsg::kNotNumeric;
    r.PortField = true;
    return r;
  }
  if (*port < 1 || *port > 65535) {
    r.Message = portmsg::kOutOfRange;
    r.PortField = true;
    return r;
  }
  r.Port = static_cast<uint16_t>(*port);
  if (addMode && std::any_of(entries.begin(), entries.end(),
                             [&](const WellKnownRec& e) { return e.Port == r.Port; })) {
    r.Message = portmsg::kExists;
    r.PortField = true;
    return r;
  }
  std::string_view d = description;
  while (!d.empty() && d.front() == ' ') d.remove_prefix(1);
  while (!d.empty() && d.back() == ' ') d.remove_suffix(1);
  if (d.empty()) {
    r.Message = portmsg::kBlank;
    return r;
  }
  if (description.find(',') != std::string_view::npos) {
    r.Message = portmsg::kComma;
    return r;
  }
  return r;
}

size_t InsertPortSorted(std::vector<WellKnownRec>& entries, WellKnownRec entry) {
  auto it = std::find_if(entries.begin(), entries.end(),
                         [&](const WellKnownRec& e) { return e.Port > entry.Port; });
  const size_t index = static_cast<size_t>(it - entries.begin());
  entries.insert(it, std::move(entry));
  return index;
}

}  // namespace kestle
