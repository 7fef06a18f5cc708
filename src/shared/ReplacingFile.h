// An output file that appears whole or not at all.
//
//   ReplacingFile f;
//   if (!f.open(path)) ... f.error() ...
//   f.write(bytes, n); ...
//   if (!f.commit()) ... f.error() ...   // renames the finished file onto path
//
// Rules, stated once:
//  - open() creates a temporary file beside `path` (same folder, name
//    path + ".tmp-XXXXXX"), so the final rename never crosses file systems.
//    `path` itself is not touched until commit().
//  - write() buffers and writes; the first failure is kept (error() says what)
//    and later writes do nothing.
//  - commit() flushes, closes and renames the temporary file onto `path`,
//    replacing an existing file; the new file gets the old file's permissions,
//    or the usual ones (0666 less the umask) for a new file. On any failure the
//    temporary file is removed and `path` is left as it was.
//  - Destroying an uncommitted file (an error, a stop) removes the temporary file.
//  - No data sync to disk is forced: a finished file is renamed into place at
//    once, which is what keeps a reader from ever seeing half a file.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace tsly {

class ReplacingFile {
 public:
  ReplacingFile() = default;
  ReplacingFile(const ReplacingFile&) = delete;
  ReplacingFile& operator=(const ReplacingFile&) = delete;
  ~ReplacingFile();

  bool open(const std::string& path);
  bool write(const void* data, std::size_t bytes);
  bool write(const std::string& text) { return write(text.data(), text.size()); }
  bool commit();
  // Removes the temporary file; `path` stays as it was.
  void abandon();

  bool ok() const { return error_.empty(); }
  // What failed, with the file name, e.g. "cannot write out.csv: No space left on device".
  const std::string& error() const { return error_; }

 private:
  bool flush();
  bool writeAll(const char* p, std::size_t bytes);
  void fail(const std::string& what, int err);

  std::string path_, temp_;
  int fd_ = -1;
  std::vector<char> buffer_;
  std::string error_;
};

}  // namespace tsly
