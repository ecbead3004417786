#include "output/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>

namespace kestle {

namespace {
constexpr size_t kBufferSize = 64 * 1024;
}

bool SameFile(const std::string& a, const std::string& b) {
  if (a.empty() || b.empty()) return false;
  std::error_code ec;
  const bool same = std::filesystem::equivalent(a, b, ec);
  return !ec && same;
}

OutputFile::~OutputFile() { Discard(); }

bool OutputFile::Create(const std::string& target) {
  Discard();
  failed_ = false;
  error_ = 0;
  target_ = target;
  const std::filesystem::path t(target);
  if (t.filename().empty()) {
    error_ = EISDIR;
    return false;
  }
  // A file of its own beside the target, so that the rename stays within
  // one file system; the mode is what a new file gets (the umask applies).
  std::random_device rd;
  for (int attempt = 0; attempt < 16; ++attempt) {
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, ".%08x.tmp", static_cast<unsigned>(rd()));
    const std::filesystem::path name = t.parent_path() / ("." + t.filename().string() + suffix);
    fd_ = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd_ >= 0) {
      temp_ = name.string();
      break;
    }
    if (errno != EEXIST) {
      error_ = errno;
      return false;
    }
  }
  if (fd_ < 0) {
    error_ = EEXIST;
    return false;
  }
  // Replacing a file keeps its permissions.
  struct stat st {};
  if (::stat(target.c_str(), &st) == 0 && S_ISREG(st.st_mode)) ::fchmod(fd_, st.st_mode & 07777);
  buf_.reserve(kBufferSize);
  return true;
}

bool OutputFile::Flush() {
  size_t done = 0;
  while (!failed_ && done < buf_.size()) {
    const ssize_t n = ::write(fd_, buf_.data() + done, buf_.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      error_ = n < 0 ? errno : ENOSPC;
      failed_ = true;
    } else {
      done += static_cast<size_t>(n);
    }
  }
  buf_.clear();
  return !failed_;
}

bool OutputFile::Write(const void* data, size_t n) {
  if (fd_ < 0) failed_ = true;
  if (failed_) return false;
  const auto* p = static_cast<const uint8_t*>(data);
  if (buf_.size() + n > kBufferSize && !Flush()) return false;
  if (n >= kBufferSize) {
    buf_.assign(p, p + n);
    return Flush();
  }
  buf_.insert(buf_.end(), p, p + n);
  return true;
}

bool OutputFile::Commit() {
  if (fd_ < 0) return false;
  bool ok = Flush();
  // A file system that cannot sync (EINVAL) has nothing more to write.
  auto fail = [&] {
    if (ok && error_ == 0) error_ = errno;
    ok = false;
  };
  if (ok && ::fsync(fd_) != 0 && errno != EINVAL) fail();
  if (::close(fd_) != 0) fail();
  fd_ = -1;
  if (ok && std::rename(temp_.c_str(), target_.c_str()) != 0) fail();
  if (!ok) {
    failed_ = true;
    ::unlink(temp_.c_str());
  }
  temp_.clear();
  return ok;
}

void OutputFile::Discard() {
  if (fd_ >= 0) {
    ::close(fd_);
    fd_ = -1;
  }
  if (!temp_.empty()) {
    ::unlink(temp_.c_str());
    temp_.clear();
  }
  buf_.clear();
}

}  // namespace kestle
