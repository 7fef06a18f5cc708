#include "platform/AtomicFile.h"

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/TextFiles.h"

namespace tsly {

namespace {

// The file a chain of symbolic links leads to; `path` itself when it is no
// link. -1 with errno set when the chain can not be followed.
int followLinks(std::string& path) {
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return 0;
    std::string target(4096, '\0');
    const ssize_t n = ::readlink(path.c_str(), target.data(), target.size());
    if (n < 0) return -1;
    if (static_cast<std::size_t>(n) >= target.size()) {
      errno = ENAMETOOLONG;
      return -1;
    }
    target.resize(static_cast<std::size_t>(n));
    const std::filesystem::path link(path);
    path = std::filesystem::path(target).is_absolute() ? target : (link.parent_path() / target).string();
  }
  errno = ELOOP;
  return -1;
}

}  // namespace

int writeFileAtomically(const std::string& target, const std::string& text) {
  if (target.empty() || target.find('\0') != std::string::npos) return fileerr::BadName;
  std::string path = target;
  if (followLinks(path) != 0) return fileErrorFromErrno(errno, target);
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
