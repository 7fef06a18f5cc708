#include "platform/RawFile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tsly {

namespace {
std::int64_t g_writeBudget = -1;
}

int rawOpen(const std::string& path, RawAccess access) {
  if (path.empty()) return -1;
  // Looked at before it is opened: opening a device can itself do something
  // (a tape rewinds, a modem line rises).
  struct stat before {};
  if (::stat(path.c_str(), &before) == 0 && !S_ISREG(before.st_mode)) {
    errno = S_ISDIR(before.st_mode) ? EISDIR : EINVAL;
    return -1;
  }
  // O_NONBLOCK: opening a FIFO without a writer would otherwise wait forever.
  int flags = (access == RawAccess::ReadOnly ? O_RDONLY : O_RDWR) | O_CLOEXEC | O_NONBLOCK;
  int fd;
  do {
    fd = ::open(path.c_str(), flags);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return -1;
  // Only regular files are trace files: a directory opens read-only on Linux,
  // and a FIFO, socket or device is no file of traces either.
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return -1;
  }
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  // Handle 0 would read as failure to callers that test "> 0"; move it up.
  if (fd == 0) {
    int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, 1);
    ::close(fd);
    if (moved < 0) return -1;
    fd = moved;
  }
  return fd;
}

std::int64_t rawSeek(int handle, std::int64_t offset, int origin) {
  if (handle < 0) return -1;
  int whence = origin == 0 ? SEEK_SET : origin == 1 ? SEEK_CUR : SEEK_END;
  off_t r = ::lseek(handle, static_cast<off_t>(offset), whence);
  return r < 0 ? -1 : static_cast<std::int64_t>(r);
}

void rawClose(int& handle) {
  if (handle > 0) ::close(handle);
  handle = -1;
}

std::int32_t hreed(void* buffer, int handle, std::int32_t count) {
  if (handle < 0 || count <= 0 || buffer == nullptr) return 0;
  auto* p = static_cast<char*>(buffer);
  std::int32_t done = 0;
  while (done < count) {
    ssize_t n = ::read(handle, p + done, static_cast<size_t>(count - done));
    if (n < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if (n == 0) break;
    done += static_cast<std::int32_t>(n);
  }
  return done;
}

std::int32_t hright(const void* buffer, int handle, std::int32_t count) {
  if (handle < 0 || count <= 0 || buffer == nullptr) return 0;
  const auto* p = static_cast<const char*>(buffer);
  std::int32_t want = count;
  if (g_writeBudget >= 0 && g_writeBudget < want) want = static_cast<std::int32_t>(g_writeBudget);
  std::int32_t done = 0;
  while (done < want) {
    ssize_t n = ::write(handle, p + done, static_cast<size_t>(want - done));
    if (n < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if (n == 0) break;
    done += static_cast<std::int32_t>(n);
  }
  if (g_writeBudget >= 0) g_writeBudget -= done;
  return done;
}

void setWriteBudgetForTesting(std::int64_t bytes) { g_writeBudget = bytes; }

}  // namespace tsly
