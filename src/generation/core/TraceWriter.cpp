#include "generation/core/TraceWriter.h"

#include <algorithm>
#include <cstring>

#include "platform/RawFile.h"

namespace tsly {

TraceWriter::Status TraceWriter::write(const HeaderArray& header, const std::vector<float>& samples) {
  unsigned char hb[HeaderBytes];
  encodeHeader(header, hb);
  if (hright(hb, handle, HeaderBytes) != HeaderBytes) return Status::HeaderShort;
  const std::int32_t n = header[WordNumSamples];
  const int bps = bytesPerSample(header);
  if (n > 0) {
    const std::int32_t nbytes = n * bps;
    if (bytes_.size() < static_cast<size_t>(nbytes)) bytes_.resize(static_cast<size_t>(nbytes));
    const std::int32_t have = std::min<std::int32_t>(n, static_cast<std::int32_t>(samples.size()));
    encodeSamples(samples.data(), bps, have, bytes_.data());
    std::memset(bytes_.data() + static_cast<size_t>(have) * bps, 0, static_cast<size_t>(n - have) * bps);
    if (hright(bytes_.data(), handle, nbytes) != nbytes) return Status::SamplesShort;
  }
  ++traces_;
  return Status::Ok;
}

}  // namespace tsly
