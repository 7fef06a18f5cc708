#include "platform/TextFiles.h"

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/FileChecks.h"
#include "platform/Paths.h"

namespace tsly {

namespace {

bool isDirectory(const std::string& p) {
  struct stat st {};
  return ::stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

int fileErrorFromErrno(int err, const std::string& path) {
  switch (err) {
    case ENOENT:
      // The folder exists but the file does not: not found; else the path is wrong.
      return isDirectory(folderOf(path)) ? fileerr::NotFound : fileerr::PathNotFound;
    case ENOTDIR: return fileerr::PathNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case ETXTBSY:
    case EBUSY:
    case ELOOP: return fileerr::AccessError;
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
    case EFBIG: return fileerr::DiskFull;
    case ENAMETOOLONG: return fileerr::BadName;
    case EINVAL:
    case EILSEQ: return fileerr::BadNameOrNumber;
    case EMFILE:
    case ENFILE: return fileerr::TooManyFiles;
    case EIO: return fileerr::DeviceIo;
    case ENXIO:
    case ENODEV:
    case ENOMEDIUM: return fileerr::DeviceUnavailable;
    case EXDEV: return fileerr::RenameAcrossDrives;
    default: return fileerr::AccessError;
  }
}

TextFiles::~TextFiles() {
  for (auto& [n, o] : files_)
    if (o.f) std::fclose(o.f);
}

TextFiles& TextFiles::process() {
  static TextFiles table;
  return table;
}

int TextFiles::nextFree() const {
  for (int n = 1; n <= MaxFiles; ++n)
    if (!files_.count(n)) return n;
  return 0;
}

bool TextFiles::isOpen(int number) const { return files_.count(number) != 0; }

int TextFiles::open(const std::string& path, int mode, int number) {
  if (path.empty() || path.find('\0') != std::string::npos) return fileerr::BadNameOrNumber;
  if (number < 1 || number > MaxFiles) return number == 0 ? fileerr::TooManyFiles : fileerr::BadNameOrNumber;
  if (files_.count(number)) return fileerr::AlreadyOpen;
  if (mode < 1 || mode > 4) return fileerr::BadMode;
  // Only regular files (platform/FileChecks.h): a folder, FIFO, socket or
  // device would block the open, read for ever or be written through.
  if (!notAFileReason(path).empty()) return fileerr::AccessError;
  // The same file may be read twice, but not written while it is open elsewhere.
  struct stat want {};
  if (::stat(path.c_str(), &want) == 0) {
    for (const auto& [n, o] : files_) {
      struct stat have {};
      if (::stat(o.path.c_str(), &have) == 0 && have.st_dev == want.st_dev && have.st_ino == want.st_ino &&
          (mode != 2 || o.mode != 2))
        return fileerr::AlreadyOpen;
    }
  }
  const char* how = mode == 1 ? "wb" : mode == 2 ? "rb" : mode == 3 ? "ab" : nullptr;
  std::FILE* f = nullptr;
  errno = 0;
  if (how) {
    f = std::fopen(path.c_str(), how);
  } else {
    f = std::fopen(path.c_str(), "r+b");
    if (!f && errno == ENOENT) f = std::fopen(path.c_str(), "w+b");
  }
  if (!f) return fileErrorFromErrno(errno, path);
  files_[number] = Open{f, mode, path};
  return 0;
}

int TextFiles::readLine(int number, std::string& line) {
  line.clear();
  auto it = files_.find(number);
  if (it == files_.end()) return fileerr::BadNameOrNumber;
  if (it->second.mode == 1 || it->second.mode == 3) return fileerr::BadMode;
  std::FILE* f = it->second.f;
  int c = std::fgetc(f);
  if (c == EOF) return std::ferror(f) ? fileerr::DeviceIo : fileerr::PastEnd;
  while (c != EOF && c != '\n') {
    line.push_back(static_cast<char>(c));
    c = std::fgetc(f);
  }
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return std::ferror(f) ? fileerr::DeviceIo : 0;
}

int TextFiles::writeLine(int number, const std::string& text) {
  auto it = files_.find(number);
  if (it == files_.end()) return fileerr::BadNameOrNumber;
  if (it->second.mode == 2) return fileerr::BadMode;
  std::FILE* f = it->second.f;
  errno = 0;
  if (std::fwrite(text.data(), 1, text.size(), f) != text.size() || std::fwrite("\r\n", 1, 2, f) != 2)
    return errno ? fileErrorFromErrno(errno, it->second.path) : fileerr::DeviceIo;
  return 0;
}

bool TextFiles::atEnd(int number) {
  auto it = files_.find(number);
  if (it == files_.end()) return true;
  std::FILE* f = it->second.f;
  int c = std::fgetc(f);
  if (c == EOF) return true;
  std::ungetc(c, f);
  return false;
}

int TextFiles::close(int number) {
  auto it = files_.find(number);
  if (it == files_.end()) return 0;
  std::FILE* f = it->second.f;
  std::string path = it->second.path;
  files_.erase(it);
  errno = 0;
  if (std::fclose(f) != 0) return errno ? fileErrorFromErrno(errno, path) : fileerr::DeviceIo;
  return 0;
}

int TextFiles::lookup(const std::string& path, bool& exists) const {
  exists = false;
  if (path.empty()) return 0;
  if (path.find('\0') != std::string::npos) return fileerr::BadNameOrNumber;
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0) {
    exists = !S_ISDIR(st.st_mode);
    return 0;
  }
  if (errno == ENOENT || errno == ENOTDIR) return 0;  // simply not there
  return fileErrorFromErrno(errno, path);
}

}  // namespace tsly
