// Files written whole or not at all. The bytes go to a temporary file beside
// the file to be replaced; commit() flushes it to disk and renames it over that
// file, so a reader sees the old file or the whole new one, never half a file,
// and a failure (or an AtomicFile dropped without commit()) leaves the old file
// as it was and removes the temporary.
//
//   AtomicFile f;
//   if (!f.open(path)) ... f.error() ...
//   f.write(bytes, n); ...                  // or hright(f.handle(), ...), or open f.tempPath() by name
//   if (!f.commit()) ... f.error() ...
//
// Rules, stated once:
//  - open(path) makes "<file>.tmp-XXXXXX" in the folder of the file replaced,
//    so the final rename never crosses file systems. A `path` that is a
//    symbolic link is written through: the file the link leads to (after every
//    link on the way) is replaced, or created when it does not exist yet, and
//    the link stays. An empty name, one holding a NUL byte or one ending in '/'
//    is refused, and so is a name that leads to anything but a regular file (a
//    folder, FIFO, socket or device, platform/FileChecks.h): such a thing is
//    never renamed over, at open() nor at commit().
//  - The new file gets the old file's permissions; a new one the usual ones
//    (0666 less the umask, applied by the system as for any new file).
//  - Three ways to fill it: write() (buffered; the first failure is kept and
//    later writes do nothing), the raw handle() (platform/RawFile.h), or
//    tempPath() for writers that open files by name. Use one of them per file.
//  - commit(): writes what is buffered, fsync, close, rename. False on any
//    failure, with the temporary removed.
//  - A failure is kept as the step that failed and the errno value: reason()
//    gives it in words ("No space left on device"), fileError() as the
//    program's file error number (fileErrorFromErrno in TextFiles.h; a name
//    that can be no file gives 64), error() as one line naming the file.
//  - One object per output; not copyable. discard() (or the destructor) drops
//    an uncommitted temporary.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace tsly {

class AtomicFile {
 public:
  // Where a failure happened.
  enum class Step { None, Name, NotAFile, Create, Write, Replace };

  AtomicFile() = default;
  ~AtomicFile() { discard(); }
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  bool open(const std::string& path);
  bool write(const void* data, std::size_t bytes);
  bool write(const std::string& text) { return write(text.data(), text.size()); }
  bool commit();
  void discard();

  // The temporary's handle (-1 when none is open) and its name.
  int handle() const { return handle_; }
  const std::string& tempPath() const { return temp_; }
  // The name given to open(), and the file commit() replaces (links followed).
  const std::string& target() const { return target_; }
  const std::string& destination() const { return destination_; }

  bool ok() const { return failed_ == Step::None; }
  Step failedStep() const { return failed_; }
  int systemError() const { return errno_; }
  std::string reason() const;
  int fileError() const;
  // "cannot create|write|replace <name>: <reason>"; empty when nothing failed.
  std::string error() const;

 private:
  bool fail(Step step, int err, const std::string& where);
  bool flush();
  bool writeAll(const char* p, std::size_t bytes);
  bool refuseNotAFile();

  std::string target_, destination_, temp_;
  int handle_ = -1;
  int slot_ = -1;  // where the temporary is listed for removeOpenTemporaries()
  std::vector<char> buffer_;
  Step failed_ = Step::None;
  int errno_ = 0;
  std::string errorPath_;  // the name the failed operation was on
  std::string notAFile_;   // what the destination is instead of a file
};

// The temporaries of every AtomicFile open in the process, removed at once: for
// a signal handler (only async-signal-safe calls; each temporary is listed from
// open() until it is committed or discarded). A program that ends on SIGINT or
// SIGTERM without unwinding calls this first, so no temporary is left behind.
void removeOpenTemporaries();

// Writes `text` to `path` whole or not at all. Returns 0 or a file error number.
int writeFileAtomically(const std::string& path, const std::string& text);

}  // namespace tsly
