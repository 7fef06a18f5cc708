#include "platform/AtomicOutput.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tsly {

std::string systemErrorText(int errnoValue) {
  char buf[256];
  // GNU strerror_r returns the text (maybe not in buf).
  const char* text = ::strerror_r(errnoValue, buf, sizeof buf);
  return text ? std::string(text) : std::string("error ") + std::to_string(errnoValue);
}

std::string AtomicOutput::create(const std::string& path) {
  discard();
  if (path.empty() || path.find('\0') != std::string::npos) return "no usable file name";
  const size_t slash = path.find_last_of('/');
  const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  if (name.empty()) return "the name is a folder, not a file";
  std::string tmpl = folder + "." + name + ".tmp-XXXXXX";
  int fd = ::mkostemp(tmpl.data(), O_CLOEXEC);
  if (fd < 0) return systemErrorText(errno);
  struct stat old {};
  if (::stat(path.c_str(), &old) == 0) {
    ::fchmod(fd, old.st_mode & 07777);
  } else {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
  }
  target_ = path;
  temp_ = tmpl;
  handle_ = fd;
  return {};
}

std::string AtomicOutput::commit() {
  if (handle_ < 0) return "the output was not created";
  std::string error;
  if (::close(handle_) != 0) error = systemErrorText(errno);
  handle_ = -1;
  if (error.empty() && ::rename(temp_.c_str(), target_.c_str()) != 0) error = systemErrorText(errno);
  if (!error.empty()) {
    ::unlink(temp_.c_str());
  }
  temp_.clear();
  return error;
}

void AtomicOutput::discard() {
  if (handle_ >= 0) ::close(handle_);
  handle_ = -1;
  if (!temp_.empty()) ::unlink(temp_.c_str());
  temp_.clear();
}

}  // namespace tsly
