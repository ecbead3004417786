#include "capture/notifier.h"

#include <cstdio>
#include <cstring>

namespace kestle {

std::string FileMessage(const std::string& text, const std::string& path, int error,
                        const std::string& detail) {
  std::string message = text + "\n" + path;
  if (!detail.empty())
    message += ": " + detail;
  else if (error != 0)
    message += std::string(": ") + std::strerror(error);
  return message;
}

void StderrNotifier::Message(const std::string& text) {
  std::fprintf(stderr, "%s\n", text.c_str());
}

}  // namespace kestle
