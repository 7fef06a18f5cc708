#include "platform/SequentialReader.h"

#include <algorithm>
#include <cstring>

#include "platform/RawFile.h"

namespace tsly {

SequentialReader::SequentialReader(int handle, std::int64_t startPos, std::int32_t chunkBytes)
    : handle_(handle), pos_(startPos), buf_(static_cast<size_t>(std::max<std::int32_t>(chunkBytes, 4096))) {}

bool SequentialReader::refill() {
  if (eof_) return false;
  std::int32_t got = hreed(buf_.data(), handle_, static_cast<std::int32_t>(buf_.size()));
  have_ = got;
  next_ = 0;
  if (got < static_cast<std::int32_t>(buf_.size())) eof_ = true;  // short read: end or error
  return got > 0;
}

std::int64_t SequentialReader::read(void* dst, std::int64_t n) {
  auto* out = static_cast<unsigned char*>(dst);
  std::int64_t done = 0;
  while (done < n) {
    if (next_ >= have_ && !refill()) break;
    std::int64_t take = std::min(n - done, have_ - next_);
    std::memcpy(out + done, buf_.data() + next_, static_cast<size_t>(take));
    next_ += take;
    done += take;
  }
  pos_ += done;
  return done;
}

std::int64_t SequentialReader::skip(std::int64_t n) {
  std::int64_t done = 0;
  while (done < n) {
    if (next_ >= have_ && !refill()) break;
    std::int64_t take = std::min(n - done, have_ - next_);
    next_ += take;
    done += take;
  }
  pos_ += done;
  return done;
}

}  // namespace tsly
