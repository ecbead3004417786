#include "capture/notifier.h"

#include <cstdio>

namespace kestle {

void StderrNotifier::Message(const std::string& text) {
  std::fprintf(stderr, "%s\n", text.c_str());
}

}  // namespace kestle
