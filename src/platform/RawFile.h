// Raw file access by operating-system handle: the simple file interface the
// trace files are read and written through.
//
//  - rawOpen returns a handle > 0, or -1 on failure (no message).
//  - rawSeek returns the new position from the file start, or -1.
//  - rawClose(h) closes a handle and sets it to -1; closing -1 does nothing, so
//    a handle closed twice can never close a number the system has since
//    reused for another file or socket.
//  - hreed / hright move exactly `count` bytes where they can and return how many
//    moved (short on end of file or error; 0 for count <= 0 or a bad handle).
#pragma once

#include <cstdint>
#include <string>

namespace tsly {

enum class RawAccess { ReadWrite, ReadOnly };

int rawOpen(const std::string& path, RawAccess access = RawAccess::ReadWrite);
std::int64_t rawSeek(int handle, std::int64_t offset, int origin);  // 0 start, 1 current, 2 end
void rawClose(int& handle);

std::int32_t hreed(void* buffer, int handle, std::int32_t count);
std::int32_t hright(const void* buffer, int handle, std::int32_t count);

// Asks the system to start writing bytes offset..offset+bytes-1 of a file to
// disk now, without waiting: a later fsync (platform/AtomicFile.h) then has
// less left to wait for. Nothing else changes; does nothing where the system
// offers no such request.
void rawStartWriteBack(int handle, std::int64_t offset, std::int64_t bytes);

// Test hook: when set, hright writes at most this many more bytes in total and
// then reports short writes (simulates a full disk). -1 means no limit.
void setWriteBudgetForTesting(std::int64_t bytes);

}  // namespace tsly
