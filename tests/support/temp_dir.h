// A folder of its own in the test's temporary folder, removed with all it
// holds at destruction.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace kestle::test {

class TempDir {
 public:
  TempDir() {
    const char* base = std::getenv("TMPDIR");
    std::string templ = std::string(base && *base ? base : "/tmp") + "/kestle-dir-XXXXXX";
    if (char* made = ::mkdtemp(templ.data())) path_ = made;
  }
  ~TempDir() {
    std::error_code ec;
    if (!path_.empty()) std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }
  // The names of the files in the folder.
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(path_, ec))
      names.push_back(e.path().filename().string());
    return names;
  }

 private:
  std::string path_;
};

}  // namespace kestle::test
