#include "platform/FileChecks.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/Paths.h"
#include "platform/ShownText.h"

namespace tsly {

namespace {

FileKind kindOf(mode_t mode) {
  if (S_ISREG(mode)) return FileKind::Regular;
  if (S_ISDIR(mode)) return FileKind::Folder;
  if (S_ISFIFO(mode)) return FileKind::Fifo;
  if (S_ISSOCK(mode)) return FileKind::Socket;
  if (S_ISCHR(mode) || S_ISBLK(mode)) return FileKind::Device;
  return FileKind::Other;
}

std::string errnoText(int err) {
  char buf[256];
  const char* text = ::strerror_r(err, buf, sizeof buf);
  return text ? std::string(text) : "error " + std::to_string(err);
}

std::string notAFile(const std::string& path, FileKind kind) {
  return quotedName(path) + " is " + fileKindText(kind) + ", not a file";
}

std::string failedOn(const std::string& path, int err) { return quotedName(path) + ": " + errnoText(err); }

}  // namespace

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
    path = target.starts_with('/') ? target : joinPath(folderOf(path), target);
  }
  errno = ELOOP;
  return -1;
}

FileStatus fileStatus(const std::string& path) {
  FileStatus s;
  if (path.empty() || path.find('\0') != std::string::npos) {
    s.kind = FileKind::Unreachable;
    s.error = EINVAL;
    return s;
  }
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    s.error = errno;
    s.kind = s.error == ENOENT ? FileKind::Missing : FileKind::Unreachable;
    // A link that leads nowhere is missing too (the file it names can be made).
    return s;
  }
  s.kind = kindOf(st.st_mode);
  if (s.kind == FileKind::Regular) s.size = static_cast<std::int64_t>(st.st_size);
  return s;
}

const char* fileKindText(FileKind kind) {
  switch (kind) {
    case FileKind::Folder: return "a folder";
    case FileKind::Fifo: return "a FIFO";
    case FileKind::Socket: return "a socket";
    case FileKind::Device: return "a device";
    case FileKind::Other: return "not a regular file";
    case FileKind::Missing:
    case FileKind::Regular:
    case FileKind::Unreachable: break;
  }
  return "";
}

std::string notAFileReason(const std::string& path) {
  const FileStatus s = fileStatus(path);
  if (s.kind == FileKind::Missing || s.kind == FileKind::Regular || s.kind == FileKind::Unreachable) return {};
  return std::string("is ") + fileKindText(s.kind) + ", not a file";
}

std::string checkInputFile(const std::string& path) {
  const FileStatus s = fileStatus(path);
  if (s.kind == FileKind::Missing || s.kind == FileKind::Unreachable)
    return path.empty() ? std::string("no file name") : failedOn(path, s.error);
  if (s.kind != FileKind::Regular) return notAFile(path, s.kind);
  return {};
}

int openInputFile(const std::string& path, std::string& why) {
  why = checkInputFile(path);
  if (!why.empty()) return -1;
  // Not waiting: should the name have become a FIFO since, it opens at once
  // and is refused below.
  int fd;
  do {
    fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) {
    why = failedOn(path, errno);
    return -1;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    why = failedOn(path, errno);
    ::close(fd);
    return -1;
  }
  if (!S_ISREG(st.st_mode)) {
    why = notAFile(path, kindOf(st.st_mode));
    ::close(fd);
    return -1;
  }
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  // Handle 0 reads as a failure to callers that test "> 0": move it up.
  if (fd == 0) {
    const int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, 1);
    ::close(fd);
    if (moved < 0) why = failedOn(path, errno);
    return moved;
  }
  return fd;
}

std::string readInputText(const std::string& path, std::string& text, std::size_t maxBytes) {
  text.clear();
  std::string why;
  const int fd = openInputFile(path, why);
  if (fd < 0) return why;
  const std::string tooLarge = quotedName(path) + " is larger than " +
                               (maxBytes % (1u << 20) == 0 ? std::to_string(maxBytes >> 20) + " MiB"
                                                           : std::to_string(maxBytes) + " bytes");
  struct stat st {};
  if (::fstat(fd, &st) == 0 && static_cast<std::uint64_t>(st.st_size) > maxBytes) {
    ::close(fd);
    return tooLarge;
  }
  // Read up to one byte past the limit: a file that grew since is refused too.
  text.resize(std::min<std::size_t>(static_cast<std::size_t>(st.st_size), maxBytes) + 1);
  std::size_t have = 0;
  for (;;) {
    if (have == text.size()) {
      if (have > maxBytes) break;
      text.resize(std::min(maxBytes + 1, text.size() * 2 + 4096));
    }
    const ssize_t n = ::read(fd, text.data() + have, text.size() - have);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      why = "reading " + failedOn(path, errno);
      ::close(fd);
      text.clear();
      return why;
    }
    if (n == 0) break;
    have += static_cast<std::size_t>(n);
  }
  ::close(fd);
  if (have > maxBytes) {
    text.clear();
    return tooLarge;
  }
  text.resize(have);
  return {};
}

}  // namespace tsly
