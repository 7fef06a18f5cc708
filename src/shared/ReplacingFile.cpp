#include "shared/ReplacingFile.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tsly {

namespace {
constexpr std::size_t BufferBytes = 1 << 20;
}

ReplacingFile::~ReplacingFile() { abandon(); }

void ReplacingFile::fail(const std::string& what, int err) {
  if (!error_.empty()) return;
  error_ = "cannot " + what + " " + path_ + ": " + std::strerror(err);
}

bool ReplacingFile::open(const std::string& path) {
  abandon();
  path_ = path;
  error_.clear();
  buffer_.clear();
  if (path.empty() || path.find('\0') != std::string::npos) {
    fail("create", EINVAL);
    return false;
  }
  std::string tmpl = path + ".tmp-XXXXXX";
  fd_ = ::mkstemp(tmpl.data());
  if (fd_ < 0) {
    fail("create", errno);
    return false;
  }
  temp_ = tmpl;
  struct stat old {};
  if (::stat(path.c_str(), &old) == 0) {
    ::fchmod(fd_, old.st_mode & 07777);
  } else {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd_, 0666 & ~mask);
  }
  buffer_.reserve(BufferBytes);
  return true;
}

bool ReplacingFile::flush() {
  if (!writeAll(buffer_.data(), buffer_.size())) return false;
  buffer_.clear();
  return true;
}

bool ReplacingFile::writeAll(const char* p, std::size_t bytes) {
  while (bytes > 0) {
    const ssize_t n = ::write(fd_, p, bytes);
    if (n < 0) {
      if (errno == EINTR) continue;
      fail("write", errno);
      return false;
    }
    if (n == 0) {
      fail("write", ENOSPC);
      return false;
    }
    p += n;
    bytes -= static_cast<std::size_t>(n);
  }
  return true;
}

bool ReplacingFile::write(const void* data, std::size_t bytes) {
  if (fd_ < 0 || !error_.empty()) return false;
  const char* p = static_cast<const char*>(data);
  if (bytes >= BufferBytes) {  // large blocks go straight to the file
    return flush() && writeAll(p, bytes);
  }
  while (bytes > 0) {
    const std::size_t room = BufferBytes - buffer_.size();
    const std::size_t take = bytes < room ? bytes : room;
    buffer_.insert(buffer_.end(), p, p + take);
    p += take;
    bytes -= take;
    if (buffer_.size() == BufferBytes && !flush()) return false;
  }
  return true;
}

bool ReplacingFile::commit() {
  if (fd_ < 0) {
    if (error_.empty()) fail("write", EBADF);
    return false;
  }
  bool good = error_.empty() && flush();
  if (::close(fd_) != 0 && good) {
    fail("write", errno);
    good = false;
  }
  fd_ = -1;
  if (good && ::rename(temp_.c_str(), path_.c_str()) != 0) {
    fail("replace", errno);
    good = false;
  }
  if (!good) {
    ::unlink(temp_.c_str());
  }
  temp_.clear();
  return good;
}

void ReplacingFile::abandon() {
  if (fd_ >= 0) {
    ::close(fd_);
    fd_ = -1;
  }
  if (!temp_.empty()) {
    ::unlink(temp_.c_str());
    temp_.clear();
  }
  buffer_.clear();
}

}  // namespace tsly
