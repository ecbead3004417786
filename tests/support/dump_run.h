// Runs kestle-dump's front end in the test process.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "app/dump.h"

namespace kestle::test {

struct DumpResult {
  int status;
  std::string out, err;
};

inline DumpResult Dump(const std::vector<std::string>& args) {
  std::ostringstream out, err;
  const int status = RunDump(args, out, err);
  return {status, out.str(), err.str()};
}

}  // namespace kestle::test
