#include "exchange/core/TempOutput.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tsly {

namespace {

std::string folderOf(const std::string& path) {
  const auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string systemError(int err) { return std::strerror(err); }

}  // namespace

TempOutput::TempOutput(const std::string& target) : target_(target) {
  if (target.empty() || target.find('\0') != std::string::npos || target.back() == '/') {
    error_ = "'" + target + "' is not a file name";
    return;
  }
  std::string tmpl = target + ".tmp-XXXXXX";
  const int fd = ::mkstemp(tmpl.data());
  if (fd < 0) {
    error_ = "cannot write in " + folderOf(target) + ": " + systemError(errno);
    return;
  }
  struct stat old {};
  if (::stat(target.c_str(), &old) == 0) {
    ::fchmod(fd, old.st_mode & 07777);
  } else {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
  }
  ::close(fd);
  path_ = tmpl;
}

TempOutput::~TempOutput() {
  if (!path_.empty() && !committed_) ::unlink(path_.c_str());
}

bool TempOutput::writeText(const std::string& text) {
  if (!ok()) return false;
  const int fd = ::open(path_.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
  if (fd < 0) {
    error_ = "cannot write " + path_ + ": " + systemError(errno);
    return false;
  }
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      error_ = "cannot write " + target_ + ": " + systemError(n < 0 ? errno : ENOSPC);
      ::close(fd);
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  if (::close(fd) != 0) {
    error_ = "cannot write " + target_ + ": " + systemError(errno);
    return false;
  }
  return true;
}

bool TempOutput::commit() {
  if (!ok() || committed_) return committed_;
  const int fd = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    error_ = "cannot write " + target_ + ": " + systemError(errno);
    return false;
  }
  // Flush before the rename, so that a crash leaves the old file or the whole new one.
  if (::fsync(fd) != 0 && errno != EINVAL && errno != EROFS) {
    error_ = "cannot write " + target_ + ": " + systemError(errno);
    ::close(fd);
    return false;
  }
  ::close(fd);
  if (::rename(path_.c_str(), target_.c_str()) != 0) {
    error_ = "cannot write " + target_ + ": " + systemError(errno);
    return false;
  }
  committed_ = true;
  return true;
}

std::string writeTextFileWhole(const std::string& path, const std::string& text) {
  TempOutput out(path);
  if (!out.ok()) return out.error();
  if (!out.writeText(text) || !out.commit()) return out.error();
  return {};
}

bool sameExistingFile(const std::string& a, const std::string& b) {
  struct stat sa {}, sb {};
  if (::stat(a.c_str(), &sa) != 0 || ::stat(b.c_str(), &sb) != 0) return false;
  return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

}  // namespace tsly
