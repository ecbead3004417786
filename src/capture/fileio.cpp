#include "capture/fileio.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace kestle {

namespace {
constexpr size_t kBufferSize = 256 * 1024;

bool EndsWithGz(const std::string& name) {
  if (name.size() < 3) return false;
  const char* t = name.c_str() + name.size() - 3;
  return t[0] == '.' && std::toupper(static_cast<unsigned char>(t[1])) == 'G' &&
         std::toupper(static_cast<unsigned char>(t[2])) == 'Z';
}
}  // namespace

std::string ZLibVersionText() { return zlibVersion(); }

bool ZLibUsable() { return ZLibVersionAcceptable(zlibVersion()); }

bool ZLibVersionAcceptable(const char* v) {
  // Compare major.minor numerically: "1.2.13" and later are accepted.
  if (!v) return false;
  int major = 0, minor = 0;
  if (std::sscanf(v, "%d.%d", &major, &minor) < 2) return false;
  return major > 1 || (major == 1 && minor >= 2);
}

CaptureFile::CaptureFile() = default;
CaptureFile::~CaptureFile() { Close(); }

bool CaptureFile::Open(const std::string& name, bool useZLib) {
  Close();
  error_ = 0;
  int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    error_ = errno;
    return false;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
    error_ = S_ISDIR(st.st_mode) ? EISDIR : errno;
    ::close(fd);
    return false;
  }
  fileBytes_ = static_cast<uint64_t>(st.st_size);
  FileSizeEstimate = fileBytes_;
  if (EndsWithGz(name)) FileSizeEstimate *= 4;
  if (useZLib && ZLibUsable()) {
    gzFile gz = gzdopen(fd, "rb");
    if (!gz) {
      error_ = errno ? errno : ENOMEM;
      ::close(fd);
      return false;
    }
    gzbuffer(gz, 128 * 1024);
    gz_ = gz;
  } else {
    fd_ = fd;
  }
  buf_.resize(kBufferSize);
  bufPos_ = bufLen_ = 0;
  pos_ = rawPos_ = 0;
  rawEnd_ = failed_ = cutShort_ = false;
  open_ = true;
  return true;
}

void CaptureFile::Close() {
  if (gz_) gzclose(static_cast<gzFile>(gz_));
  if (fd_ >= 0) ::close(fd_);
  gz_ = nullptr;
  fd_ = -1;
  open_ = false;
  bufPos_ = bufLen_ = 0;
  pos_ = rawPos_ = 0;
  rawEnd_ = false;
}

size_t CaptureFile::RawRead(uint8_t* buf, size_t n) {
  size_t got = 0;
  while (got < n) {
    long r;
    if (gz_) {
      const unsigned chunk = static_cast<unsigned>(std::min<size_t>(n - got, 1u << 30));
      r = gzread(static_cast<gzFile>(gz_), buf + got, chunk);
    } else {
      r = ::read(fd_, buf + got, n - got);
      if (r < 0 && errno == EINTR) continue;
    }
    if (r < 0) {
      if (gz_) {
        int err = Z_OK;
        gzerror(static_cast<gzFile>(gz_), &err);
        error_ = err == Z_ERRNO ? errno : 0;
      } else {
        error_ = errno;
      }
      failed_ = true;
      rawEnd_ = true;
      break;
    }
    if (r == 0) {
      // zlib ends a stream cut short like a whole one, but remembers why.
      if (gz_) {
        int err = Z_OK;
        gzerror(static_cast<gzFile>(gz_), &err);
        if (err == Z_BUF_ERROR) cutShort_ = true;
      }
      rawEnd_ = true;
      break;
    }
    got += static_cast<size_t>(r);
  }
  rawPos_ += got;
  return got;
}

bool CaptureFile::RawSeek(uint64_t pos) {
  rawEnd_ = false;
  if (gz_) {
    gzclearerr(static_cast<gzFile>(gz_));
    z_off_t r = gzseek(static_cast<gzFile>(gz_), static_cast<z_off_t>(pos), SEEK_SET);
    if (r < 0 || static_cast<uint64_t>(r) != pos) {
      // gzseek cannot go past the end of the data: position at the end.
      rawPos_ = r < 0 ? 0 : static_cast<uint64_t>(r);
      rawEnd_ = true;
      return false;
    }
  } else {
    if (::lseek(fd_, static_cast<off_t>(pos), SEEK_SET) < 0) {
      error_ = errno;
      failed_ = true;
      return false;
    }
  }
  rawPos_ = pos;
  return true;
}

bool CaptureFile::Fill() {
  if (bufPos_ < bufLen_) return true;
  if (!open_ || rawEnd_) return false;
  bufPos_ = 0;
  bufLen_ = RawRead(buf_.data(), buf_.size());
  return bufLen_ > 0;
}

size_t CaptureFile::Read(void* out, size_t n) {
  if (!open_) return 0;
  auto* dst = static_cast<uint8_t*>(out);
  size_t got = 0;
  while (got < n) {
    if (bufPos_ == bufLen_) {
      // A large read bypasses the buffer.
      if (n - got >= buf_.size()) {
        if (rawEnd_) break;
        size_t r = RawRead(dst + got, n - got);
        got += r;
        pos_ += r;
        break;
      }
      if (!Fill()) break;
    }
    size_t take = std::min(n - got, bufLen_ - bufPos_);
    std::memcpy(dst + got, buf_.data() + bufPos_, take);
    bufPos_ += take;
    got += take;
    pos_ += take;
  }
  return got;
}

bool CaptureFile::Seek(uint64_t pos) {
  if (!open_) return false;
  // Within the buffered block: just move inside it.
  const uint64_t blockStart = rawPos_ - bufLen_;
  if (bufLen_ > 0 && pos >= blockStart && pos <= rawPos_) {
    bufPos_ = static_cast<size_t>(pos - blockStart);
    pos_ = pos;
    return true;
  }
  bufPos_ = bufLen_ = 0;
  // Forward skips within a compressed stream read through rather than seek.
  bool ok = RawSeek(pos);
  pos_ = ok ? pos : rawPos_;
  return ok;
}

bool CaptureFile::Skip(uint64_t n) {
  if (!open_) return false;
  if (Plain()) {
    // The file's own bytes: their size is known.
    if (n > fileBytes_ || pos_ > fileBytes_ - n) {
      Seek(fileBytes_);
      return false;
    }
    return Seek(pos_ + n);
  }
  // A compressed stream is read through, which is what seeking in it does
  // anyway, so that its end is noticed.
  while (n > 0) {
    if (bufPos_ == bufLen_ && !Fill()) return false;
    const size_t take = static_cast<size_t>(std::min<uint64_t>(n, bufLen_ - bufPos_));
    bufPos_ += take;
    pos_ += take;
    n -= take;
  }
  return true;
}

bool CaptureFile::Plain() const { return !gz_ || gzdirect(static_cast<gzFile>(gz_)) == 1; }

bool CaptureFile::Eof() {
  if (!open_) return true;
  return !Fill();
}

}  // namespace kestle
