// Where Kestle's data files are (the MAC vendor list, the SNMP object
// names). Both programs look relative to their own folder first, so
// that a build tree and an install under any prefix work alike: the build
// tree has the installed layout (<build>/src/kestle, <build>/share/kestle).
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace kestle {

// The folder of the running program; empty when it cannot be told.
std::filesystem::path ProgramFolder();

// The data folder of the install prefix this build is for.
std::filesystem::path DefaultDataFolder();

// The first of: `name` beside the program, in <program folder>/../share/kestle,
// in `installedDataDir`. "" when none of them has it.
std::string FindDataFile(const std::filesystem::path& programFolder, std::string_view name,
                         const std::filesystem::path& installedDataDir = DefaultDataFolder());

}  // namespace kestle
