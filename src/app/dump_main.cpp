#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "app/dump.h"

namespace {

// A data file of the desktop program (the MAC vendor list, the SNMP object
// names): beside the program, in the build tree's program folder, or in the
// installed data folder.
std::string FindDataFile(const char* name) {
  std::error_code ec;
  const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return {};
  const auto dir = exe.parent_path();
  for (const auto& candidate :
       {dir / name, dir / "ui" / name, dir.parent_path() / "share" / "kestle" / name})
    if (std::filesystem::is_regular_file(candidate, ec)) return candidate.string();
  return {};
}

}  // namespace

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  std::vector<std::string> args(argv + 1, argv + argc);
  return kestle::RunDump(args, std::cout, std::cerr, FindDataFile("Kestlemac.txt"),
                         FindDataFile("Kestlesnmp.txt"));
}
