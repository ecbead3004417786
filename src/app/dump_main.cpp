#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "app/dump.h"

namespace {

// The MAC vendor list the desktop program uses: beside the program, in the
// build tree's program folder, or in the installed data folder.
std::string FindVendorList() {
  std::error_code ec;
  const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return {};
  const auto dir = exe.parent_path();
  for (const auto& candidate : {dir / "Kestlemac.txt", dir / "ui" / "Kestlemac.txt",
                                dir.parent_path() / "share" / "kestle" / "Kestlemac.txt"})
    if (std::filesystem::is_regular_file(candidate, ec)) return candidate.string();
  return {};
}

}  // namespace

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  std::vector<std::string> args(argv + 1, argv + argc);
  return kestle::RunDump(args, std::cout, std::cerr, FindVendorList());
}
