// Text files by file number: a table of open streams that hands out the next
// free number (1, 2, ...), as the settings file and other line files are used.
//
//  - Modes: 1 output (created or emptied), 2 input, 3 append (created when
//    missing), 4 random access (read/write, created when missing).
//  - Failures carry the program's file error numbers, mapped from errno:
//    53 file not found, 76 path not found, 75 path/file access error (no
//    permission, read-only file system, a directory, ...), 61 disk full,
//    52 bad file name (empty name), 64 bad file name (too long), 55 file already
//    open (the same file open for output, append or random access),
//    57 device I/O error, 67 too many files, 68 device unavailable,
//    74 rename across drives, 62 input past end of file. A name that leads to
//    anything but a regular file (a folder, FIFO, socket or device) is never
//    opened, in any mode: 75.
//  - Lines: readLine returns the next line without its line end (CR LF or LF);
//    writeLine writes the text followed by CR LF.
//
// TextFiles::process() is the table of the running program. Tests may derive
// from TextFiles to simulate failures the file system will not produce on demand
// (disk full, too many files); the methods are virtual for that reason.
#pragma once

#include <cstdio>
#include <map>
#include <string>

namespace tsly {

// File error numbers.
namespace fileerr {
inline constexpr int BadNameOrNumber = 52;
inline constexpr int NotFound = 53;
inline constexpr int BadMode = 54;
inline constexpr int AlreadyOpen = 55;
inline constexpr int DeviceIo = 57;
inline constexpr int DiskFull = 61;
inline constexpr int PastEnd = 62;
inline constexpr int BadName = 64;
inline constexpr int TooManyFiles = 67;
inline constexpr int DeviceUnavailable = 68;
inline constexpr int DiskNotReady = 71;
inline constexpr int RenameAcrossDrives = 74;
inline constexpr int AccessError = 75;
inline constexpr int PathNotFound = 76;
}  // namespace fileerr

// The error number of a failed file operation on `path` with errno `err`.
int fileErrorFromErrno(int err, const std::string& path);

class TextFiles {
 public:
  static constexpr int MaxFiles = 255;

  TextFiles() = default;
  virtual ~TextFiles();
  TextFiles(const TextFiles&) = delete;
  TextFiles& operator=(const TextFiles&) = delete;

  // The table of the running program.
  static TextFiles& process();

  // The lowest number not in use (1..255), or 0 when all are taken.
  virtual int nextFree() const;
  // Opens `path` in mode 1..4 under `number`. Returns 0 or the error number.
  virtual int open(const std::string& path, int mode, int number);
  // Next line into `line`; returns 0, 62 at the end of the file, or another error.
  virtual int readLine(int number, std::string& line);
  // Writes text + CR LF; returns 0 or the error number (61 when the disk is full).
  virtual int writeLine(int number, const std::string& text);
  // True when nothing more can be read.
  virtual bool atEnd(int number);
  // Closes (flushes) the file; returns 0 or the error number. Closing a number
  // that is not open does nothing and returns 0.
  virtual int close(int number);
  virtual bool isOpen(int number) const;
  // Does a file (not a folder) of exactly this name exist? Returns 0 and sets
  // `exists`, or an error number when the lookup itself fails.
  virtual int lookup(const std::string& path, bool& exists) const;

 private:
  struct Open {
    std::FILE* f = nullptr;
    int mode = 0;
    std::string path;
  };
  std::map<int, Open> files_;
};

}  // namespace tsly
