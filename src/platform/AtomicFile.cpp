#include "platform/AtomicFile.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/FileChecks.h"
#include "platform/Paths.h"
#include "platform/TextFiles.h"

namespace tsly {

namespace {

constexpr std::size_t BufferBytes = 1 << 20;

// A fresh "<file>.tmp-XXXXXX", created exclusively with mode 0666 so that the
// system applies the umask as to any new file. -1 with errno set on failure.
int createTemporary(const std::string& file, std::string& temp) {
  static std::atomic<std::uint64_t> counter{0};
  static const char letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  const std::uint64_t clock = static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
  for (int attempt = 0; attempt < 100; ++attempt) {
    // splitmix64 of the clock, the process and a counter: distinct names for
    // every attempt, thread and process.
    std::uint64_t x = clock ^ (static_cast<std::uint64_t>(::getpid()) << 32) ^ (++counter * 0x9E3779B97F4A7C15ull);
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    x ^= x >> 31;
    temp = file + ".tmp-";
    for (int k = 0; k < 6; ++k, x /= 62) temp.push_back(letters[x % 62]);
    int fd;
    do {
      fd = ::open(temp.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  errno = EEXIST;
  return -1;
}

// The temporaries open in the process, for removeOpenTemporaries(): fixed slots
// of fixed size, so that a signal handler can read them without locks. A slot
// is Free, being Filled by its owner, or Listed (its name complete).
constexpr int TempSlots = 64;
constexpr std::size_t TempNameBytes = 4096;
enum SlotState : int { Free, Filled, Listed };
struct TempSlot {
  std::atomic<int> state{Free};
  char name[TempNameBytes];
};
TempSlot g_temps[TempSlots];

// The slot now holding `name`, or -1 (no room, or a name too long to list).
int listTemporary(const std::string& name) {
  if (name.size() >= TempNameBytes) return -1;
  for (int k = 0; k < TempSlots; ++k) {
    int expected = Free;
    if (!g_temps[k].state.compare_exchange_strong(expected, Filled)) continue;
    std::memcpy(g_temps[k].name, name.c_str(), name.size() + 1);
    g_temps[k].state.store(Listed);
    return k;
  }
  return -1;
}

void unlistTemporary(int& slot) {
  if (slot >= 0) g_temps[slot].state.store(Free);
  slot = -1;
}

}  // namespace

void removeOpenTemporaries() {
  for (TempSlot& t : g_temps)
    if (t.state.load() == Listed) ::unlink(t.name);
}

bool AtomicFile::fail(Step step, int err, const std::string& where) {
  if (failed_ != Step::None) return false;
  failed_ = step;
  errno_ = err;
  errorPath_ = where;
  return false;
}

bool AtomicFile::open(const std::string& path) {
  discard();
  target_ = path;
  destination_ = path;
  failed_ = Step::None;
  errno_ = 0;
  errorPath_.clear();
  notAFile_.clear();
  if (path.empty() || path.find('\0') != std::string::npos) return fail(Step::Name, EINVAL, path);
  if (path.back() == '/') return fail(Step::Name, EISDIR, path);
  if (followLinks(destination_) != 0) return fail(Step::Create, errno, path);
  if (!refuseNotAFile()) return false;
  std::string temp;
  const int fd = createTemporary(destination_, temp);
  if (fd < 0) return fail(Step::Create, errno, destination_);
  struct stat old {};
  if (::stat(destination_.c_str(), &old) == 0) ::fchmod(fd, old.st_mode & 07777);
  handle_ = fd;
  temp_ = temp;
  slot_ = listTemporary(temp_);
  return true;
}

bool AtomicFile::refuseNotAFile() {
  notAFile_ = notAFileReason(destination_);
  return notAFile_.empty() || fail(Step::NotAFile, 0, destination_);
}

bool AtomicFile::writeAll(const char* p, std::size_t bytes) {
  while (bytes > 0) {
    const ssize_t n = ::write(handle_, p, bytes);
    if (n < 0) {
      if (errno == EINTR) continue;
      return fail(Step::Write, errno, destination_);
    }
    if (n == 0) return fail(Step::Write, ENOSPC, destination_);
    p += n;
    bytes -= static_cast<std::size_t>(n);
  }
  return true;
}

bool AtomicFile::flush() {
  if (!writeAll(buffer_.data(), buffer_.size())) return false;
  buffer_.clear();
  return true;
}

bool AtomicFile::write(const void* data, std::size_t bytes) {
  if (handle_ < 0 || failed_ != Step::None) return false;
  const char* p = static_cast<const char*>(data);
  if (bytes >= BufferBytes) return flush() && writeAll(p, bytes);  // large blocks go straight to the file
  while (bytes > 0) {
    const std::size_t take = std::min(bytes, BufferBytes - buffer_.size());
    buffer_.insert(buffer_.end(), p, p + take);
    p += take;
    bytes -= take;
    if (buffer_.size() == BufferBytes && !flush()) return false;
  }
  return true;
}

bool AtomicFile::commit() {
  if (handle_ < 0) {
    if (failed_ == Step::None) fail(Step::Create, EBADF, target_);
    return false;
  }
  bool good = failed_ == Step::None && flush();
  // On disk before the rename, so that a crash leaves the old file or the whole
  // new one. Some file systems can not sync a file (EINVAL, EROFS): nothing lost.
  if (good && ::fsync(handle_) != 0 && errno != EINVAL && errno != EROFS) good = fail(Step::Write, errno, destination_);
  if (::close(handle_) != 0 && good) good = fail(Step::Write, errno, destination_);
  handle_ = -1;
  // Looked at again: the name may have become something else meanwhile.
  if (good) good = refuseNotAFile();
  if (good && ::rename(temp_.c_str(), destination_.c_str()) != 0) good = fail(Step::Replace, errno, destination_);
  if (!good) ::unlink(temp_.c_str());
  unlistTemporary(slot_);
  temp_.clear();
  buffer_.clear();
  return good;
}

void AtomicFile::discard() {
  if (handle_ >= 0) ::close(handle_);
  handle_ = -1;
  if (!temp_.empty()) ::unlink(temp_.c_str());
  unlistTemporary(slot_);
  temp_.clear();
  buffer_.clear();
}

std::string AtomicFile::reason() const {
  if (failed_ == Step::None) return {};
  if (failed_ == Step::Name) return errno_ == EISDIR ? "the name is a folder, not a file" : "no usable file name";
  if (failed_ == Step::NotAFile) return "it " + notAFile_;
  char buf[256];
  // GNU strerror_r returns the text (maybe not in buf).
  const char* text = ::strerror_r(errno_, buf, sizeof buf);
  return text ? std::string(text) : "error " + std::to_string(errno_);
}

int AtomicFile::fileError() const {
  if (failed_ == Step::None) return 0;
  if (failed_ == Step::Name && errno_ == EINVAL) return fileerr::BadName;
  if (failed_ == Step::NotAFile) return fileerr::AccessError;
  return fileErrorFromErrno(errno_, errorPath_);
}

std::string AtomicFile::error() const {
  switch (failed_) {
    case Step::None: return {};
    case Step::Name:
    case Step::Create: return "cannot create " + target_ + ": " + reason();
    case Step::NotAFile: return "cannot write " + target_ + ": " + reason();
    case Step::Write: return "cannot write " + target_ + ": " + reason();
    case Step::Replace: return "cannot replace " + target_ + ": " + reason();
  }
  return {};
}

int writeFileAtomically(const std::string& path, const std::string& text) {
  AtomicFile f;
  if (f.open(path) && f.write(text)) f.commit();
  return f.fileError();
}

}  // namespace tsly
