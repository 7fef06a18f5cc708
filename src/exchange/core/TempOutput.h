// An output file written whole or not at all: the data goes to a temporary file
// in the target's own folder ("<target>.tmp-XXXXXX"), which commit() flushes to
// disk and renames over the target. Until then the target is untouched; a
// TempOutput destroyed without a successful commit() removes its temporary file.
//
//  - ok() is false when the temporary file could not be made; error() says why
//    (the operating system's message, with the folder named).
//  - path() is the temporary file's name, for writers that open files by name
//    (segyio, raw trace files). It exists, empty, from construction on.
//  - The new file gets the old target's permissions, or the usual ones (0666
//    less the umask) for a new file.
#pragma once

#include <string>

namespace tsly {

class TempOutput {
 public:
  explicit TempOutput(const std::string& target);
  ~TempOutput();
  TempOutput(const TempOutput&) = delete;
  TempOutput& operator=(const TempOutput&) = delete;

  bool ok() const { return !path_.empty(); }
  const std::string& path() const { return path_; }
  const std::string& target() const { return target_; }
  const std::string& error() const { return error_; }

  // Writes the whole text into the temporary file (replacing what it held).
  bool writeText(const std::string& text);
  // fsync, then rename over the target. False (with error()) when either fails;
  // the temporary file is then removed and the target left as it was.
  bool commit();

 private:
  std::string target_;
  std::string path_;
  std::string error_;
  bool committed_ = false;
};

// Writes a text file whole through a TempOutput. Empty string on success, else
// the reason it failed (the target is then unchanged).
std::string writeTextFileWhole(const std::string& path, const std::string& text);

// True when both names refer to one existing file (same device and inode).
bool sameExistingFile(const std::string& a, const std::string& b);

}  // namespace tsly
