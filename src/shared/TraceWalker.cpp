#include "shared/TraceWalker.h"

#include <algorithm>

#include "platform/ReadAt.h"
#include "shared/Numbers.h"

namespace tsly {

TraceWalker::TraceWalker(int handle) : handle_(handle), size_(std::max<std::int64_t>(fileSize(handle), 0)) {}

bool TraceWalker::next() {
  if (failed() || end_ + HeaderBytes > size_) return false;
  pos_ = end_;
  ++index_;
  unsigned char bytes[HeaderBytes];
  if (readAt(handle_, bytes, HeaderBytes, pos_) != HeaderBytes) return fail(Fault::ReadFailed);
  decodeHeader(bytes, header_);
  if (traceDataBytes(header_) < 2) return fail(Fault::NoSamples);
  if (pos_ + recordBytes() > size_) return fail(Fault::CutShort);
  end_ = pos_ + recordBytes();
  return true;
}

bool TraceWalker::readSamples(std::vector<float>& out) {
  const std::int32_t n = header_[WordNumSamples], bytes = traceDataBytes(header_);
  if (scratch_.size() < static_cast<size_t>(bytes)) scratch_.resize(static_cast<size_t>(bytes));
  if (readAt(handle_, scratch_.data(), bytes, pos_ + HeaderBytes) != bytes) return fail(Fault::ReadFailed);
  out.resize(static_cast<size_t>(n));
  decodeSamples(scratch_.data(), bytesPerSample(header_), n, out.data());
  return true;
}

std::string TraceWalker::faultText() const {
  const std::string trace = "trace " + plainNumberText(index_);
  switch (fault_) {
    case Fault::None: return {};
    case Fault::NoSamples:
      return trace + " has no samples (word 58 is " + plainNumberText(static_cast<int>(header_[WordNumSamples])) +
             "); the file appears corrupt";
    case Fault::CutShort: return trace + " is cut short (the file ends inside it)";
    case Fault::ReadFailed: return trace + " can not be read";
  }
  return {};
}

}  // namespace tsly
