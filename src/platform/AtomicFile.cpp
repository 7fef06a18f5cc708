#include "platform/AtomicFile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/TextFiles.h"

namespace tsly {

int writeFileAtomically(const std::string& path, const std::string& text) {
  if (path.empty() || path.find('\0') != std::string::npos) return fileerr::BadName;
  std::string tmpl = path + ".tmp-XXXXXX";
  int fd = ::mkstemp(tmpl.data());
  if (fd < 0) return fileErrorFromErrno(errno, path);
  // The new file gets the old file's permissions, or the usual ones for a new file.
  struct stat old {};
  if (::stat(path.c_str(), &old) == 0) {
    ::fchmod(fd, old.st_mode & 07777);
  } else {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
  }
  int error = 0;
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      error = fileErrorFromErrno(errno, path);
      break;
    }
    if (n == 0) {
      error = fileerr::DiskFull;
      break;
    }
    done += static_cast<std::size_t>(n);
  }
  if (!error && ::fsync(fd) != 0 && errno != EINVAL && errno != EROFS) error = fileErrorFromErrno(errno, path);
  if (::close(fd) != 0 && !error) error = fileErrorFromErrno(errno, path);
  if (!error && ::rename(tmpl.c_str(), path.c_str()) != 0) error = fileErrorFromErrno(errno, path);
  if (error) ::unlink(tmpl.c_str());
  return error;
}

}  // namespace tsly
