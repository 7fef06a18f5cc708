// What a file name stands for on disk, asked before anything is opened by it:
// the one rule every writer and every reader of the program applies.
//
//  - fileStatus(path) looks through symbolic links (stat) and says what is
//    there: nothing, a regular file, a folder, a FIFO, a socket, a device, or
//    that the name can not be looked at (the errno of the lookup is kept).
//  - Writers: a name that exists and is not a regular file (directly or
//    through links) is never written, emptied, unlinked or renamed over.
//    notAFileReason(path) gives why a name may not be written ("" when nothing
//    is there or it is a regular file); platform/AtomicFile and TextFiles
//    refuse such a name themselves, and shared/OutputCheck words it for users.
//  - Readers: openInputFile() opens a regular file for reading without ever
//    waiting (a FIFO opens at once and is refused; a device is never opened at
//    all), and readInputText() reads a whole text input with a size limit.
//    checkInputFile() says the same without opening anything, for readers
//    that open files their own way. Their messages give the true reason,
//    looked up at the moment of the failure: "NAME" is a folder, not a file",
//    "NAME" is a FIFO, not a file", "NAME": No such file or directory",
//    "NAME" is larger than 16 MiB" (names quoted and escaped, quotedName in
//    platform/ShownText.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace tsly {

enum class FileKind { Missing, Regular, Folder, Fifo, Socket, Device, Other, Unreachable };

struct FileStatus {
  FileKind kind = FileKind::Missing;
  int error = 0;          // errno of a failed lookup (Missing, Unreachable)
  std::int64_t size = 0;  // bytes, for a regular file
};

FileStatus fileStatus(const std::string& path);

// The name a chain of symbolic links leads to (every link followed, the last
// name need not exist: a writer creates it); `path` itself when it is no link.
// 0, or -1 with errno set when the chain can not be followed (a loop, say).
int followLinks(std::string& path);

// "a folder", "a FIFO", "a socket", "a device", "not a regular file"; "" for
// Missing, Regular and Unreachable.
const char* fileKindText(FileKind kind);

// Why `path` may not be written as a file: "" when nothing is there (or the
// name can not be looked at: the write then fails with its own reason) or it
// is a regular file; else "is a FIFO, not a file" and the like (without the name).
std::string notAFileReason(const std::string& path);

// The text limit of the program's text inputs (decks, picks files).
inline constexpr std::size_t MaxTextInputBytes = std::size_t{16} << 20;

// "" when `path` leads to a regular file; else the message why it is no input.
std::string checkInputFile(const std::string& path);

// Opens a regular file for reading (close-on-exec, blocking reads). A handle
// (never 0), or -1 with `why` set to the whole message.
int openInputFile(const std::string& path, std::string& why);

// Reads the whole of a regular file of at most `maxBytes` into `text`. "" or
// the whole message (as openInputFile's, or ""NAME" is larger than N MiB", or
// "reading "NAME": reason").
std::string readInputText(const std::string& path, std::string& text, std::size_t maxBytes = MaxTextInputBytes);

}  // namespace tsly
