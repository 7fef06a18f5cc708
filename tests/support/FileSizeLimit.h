// Limits the size of files this process writes, SIGXFSZ ignored, until
// destroyed: a write past the limit fails (EFBIG) as on a full disk.
#pragma once

#include <signal.h>
#include <sys/resource.h>

namespace tsly::test {

struct FileSizeLimit {
  rlimit saved{};
  struct sigaction old {};
  explicit FileSizeLimit(rlim_t bytes) {
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    ::sigaction(SIGXFSZ, &ignore, &old);
    ::getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &small);
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &saved);
    ::sigaction(SIGXFSZ, &old, nullptr);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;
};

}  // namespace tsly::test
