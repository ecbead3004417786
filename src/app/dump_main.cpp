#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

#include "app/dump.h"
#include "decode/config/data_files.h"

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  std::vector<std::string> args(argv + 1, argv + argc);
  const auto folder = kestle::ProgramFolder();
  return kestle::RunDump(args, std::cout, std::cerr, kestle::FindDataFile(folder, "Kestlemac.txt"),
                         kestle::FindDataFile(folder, "Kestlesnmp.txt"),
                         ::isatty(STDERR_FILENO) == 1);
}
