// An output file that appears whole or not at all: the bytes go to a temporary
// file beside the target (same folder, so the same file system), which commit()
// renames onto the target name. Until then the target is untouched; discard()
// (or the destructor) removes the temporary.
//
//  - create(path): makes "<folder>/.<name>.tmp-XXXXXX" with the permissions an
//    existing target has (else the usual ones for a new file under the umask).
//    Returns "" or the reason, in words.
//  - handle(): the temporary's raw handle (platform/RawFile.h), for hright.
//  - commit(): closes and renames; "" or the reason (the temporary is removed
//    when the rename fails). No fsync: the rename replaces the old file only
//    with a complete new one; what reaches the disk when is the system's affair.
//  - One object per output; not copyable.
#pragma once

#include <string>

namespace tsly {

class AtomicOutput {
 public:
  AtomicOutput() = default;
  ~AtomicOutput() { discard(); }
  AtomicOutput(const AtomicOutput&) = delete;
  AtomicOutput& operator=(const AtomicOutput&) = delete;

  std::string create(const std::string& path);
  int handle() const { return handle_; }
  const std::string& tempPath() const { return temp_; }
  std::string commit();
  void discard();

 private:
  std::string target_;
  std::string temp_;
  int handle_ = -1;
};

// The words of an errno value ("No such file or directory").
std::string systemErrorText(int errnoValue);

}  // namespace tsly
