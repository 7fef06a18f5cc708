// Reads a raw-file handle front to back in large chunks (through hreed), so a
// walk over many small records costs one system call per chunk, not two per
// record. position() counts the bytes handed out (or skipped) since the start
// position given to the constructor: it is the file position a plain reader
// would be at.
#pragma once

#include <cstdint>
#include <vector>

namespace tsly {

class SequentialReader {
 public:
  // `startPos` is the handle's current position (0 after a rewind).
  explicit SequentialReader(int handle, std::int64_t startPos = 0, std::int32_t chunkBytes = 1 << 17);

  // Copies up to n bytes into dst; returns how many were copied (fewer only at
  // the end of the file or on a read error).
  std::int64_t read(void* dst, std::int64_t n);
  // Passes over up to n bytes without copying them out; returns how many.
  std::int64_t skip(std::int64_t n);
  std::int64_t position() const { return pos_; }

 private:
  bool refill();
  int handle_;
  std::int64_t pos_;
  std::vector<unsigned char> buf_;
  std::int64_t have_ = 0;   // valid bytes in buf_
  std::int64_t next_ = 0;   // next unread byte in buf_
  bool eof_ = false;
};

}  // namespace tsly
