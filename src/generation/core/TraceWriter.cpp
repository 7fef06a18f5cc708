#include "generation/core/TraceWriter.h"

#include <algorithm>
#include <cstring>

#include "platform/RawFile.h"

namespace tsly {

TraceWriter::Status TraceWriter::write(const HeaderArray& header, const std::vector<float>& samples) {
  // Header and samples go out in one write; a short one is told apart by
  // where it stopped.
  const std::int32_t n = std::max<std::int32_t>(header[WordNumSamples], 0);
  const int bps = bytesPerSample(header);
  const std::int32_t nbytes = n * bps;
  const size_t total = static_cast<size_t>(HeaderBytes) + static_cast<size_t>(nbytes);
  if (bytes_.size() < total) bytes_.resize(total);
  encodeHeader(header, bytes_.data());
  if (n > 0) {
    unsigned char* block = bytes_.data() + HeaderBytes;
    const std::int32_t have = std::min<std::int32_t>(n, static_cast<std::int32_t>(samples.size()));
    encodeSamples(samples.data(), bps, have, block);
    std::memset(block + static_cast<size_t>(have) * bps, 0, static_cast<size_t>(n - have) * bps);
  }
  const std::int32_t done = hright(bytes_.data(), handle, static_cast<std::int32_t>(total));
  if (done < HeaderBytes) return Status::HeaderShort;
  if (done < static_cast<std::int32_t>(total)) return Status::SamplesShort;
  ++traces_;
  return Status::Ok;
}

}  // namespace tsly
