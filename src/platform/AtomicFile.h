// Writing a whole file at once: the text goes to a temporary file beside the
// target, is flushed to disk and then renamed over the target, so the file is
// written whole or not at all, and a failure leaves the old file as it was.
//
//  - The new file keeps the old file's permissions (a new one gets the usual
//    ones under the umask).
//  - A target that is a symbolic link is written through: the file the link
//    leads to (after every link on the way) is replaced, or created when it
//    does not exist yet, and the link stays. A loop of links gives 75.
//  - Failures come back as the program's file error numbers, mapped from
//    errno as every file operation maps them (fileErrorFromErrno in
//    TextFiles.h); an empty name gives 64.
#pragma once

#include <string>

namespace tsly {

// Writes `text` to `path` whole or not at all. Returns 0 or a file error number.
int writeFileAtomically(const std::string& path, const std::string& text);

}  // namespace tsly
