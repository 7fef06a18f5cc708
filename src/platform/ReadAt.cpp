#include "platform/ReadAt.h"

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace tsly {

std::int64_t readAt(int handle, void* buffer, std::int64_t count, std::int64_t offset) {
  if (handle < 0 || count <= 0 || buffer == nullptr || offset < 0) return 0;
  auto* p = static_cast<char*>(buffer);
  std::int64_t done = 0;
  while (done < count) {
    const ssize_t n = ::pread(handle, p + done, static_cast<size_t>(count - done), static_cast<off_t>(offset + done));
    if (n < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if (n == 0) break;
    done += n;
  }
  return done;
}

std::int64_t fileSize(int handle) {
  struct stat st {};
  if (handle < 0 || ::fstat(handle, &st) != 0) return -1;
  return static_cast<std::int64_t>(st.st_size);
}

}  // namespace tsly
