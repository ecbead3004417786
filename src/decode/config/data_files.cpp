#include "decode/config/data_files.h"

#include <system_error>

#ifndef KESTLE_INSTALL_DATADIR
#define KESTLE_INSTALL_DATADIR "/usr/local/share/kestle"
#endif

namespace kestle {

std::filesystem::path ProgramFolder() {
  std::error_code ec;
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return {};
  return exe.parent_path();
}

std::filesystem::path DefaultDataFolder() { return KESTLE_INSTALL_DATADIR; }

std::string FindDataFile(const std::filesystem::path& programFolder, std::string_view name,
                         const std::filesystem::path& installedDataDir) {
  if (name.empty()) return {};
  std::error_code ec;
  auto present = [&](const std::filesystem::path& p) {
    return std::filesystem::is_regular_file(p, ec);
  };
  if (!programFolder.empty()) {
    for (const std::filesystem::path& p :
         {programFolder / name, programFolder.parent_path() / "share" / "kestle" / name})
      if (present(p)) return p.lexically_normal().string();
  }
  if (!installedDataDir.empty() && present(installedDataDir / name))
    return (installedDataDir / name).string();
  return {};
}

}  // namespace kestle
