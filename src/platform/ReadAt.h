// Reading a raw-file handle at a given position without moving its file
// position, so several threads can read one open file at once.
//
//  - readAt copies up to `count` bytes from byte `offset` into `buffer`; returns
//    how many were read (fewer only at the end of the file or on an error;
//    0 for a bad handle or count <= 0).
//  - fileSize gives the size in bytes of the open file, or -1.
#pragma once

#include <cstdint>

namespace tsly {

std::int64_t readAt(int handle, void* buffer, std::int64_t count, std::int64_t offset);
std::int64_t fileSize(int handle);

}  // namespace tsly
