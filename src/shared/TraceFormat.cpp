#include "shared/TraceFormat.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/RawFile.h"
#include "platform/ReadAt.h"

namespace tsly {

std::string dataTypeText(int dataType) {
  switch (dataType) {
    case DataRawField: return " Raw Field Data";
    case DataCdpGather: return " CDP Gather Data";
    case DataCdpStacked: return " CDP Stacked Data";
    case DataSpecialOrder: return " Special Record Ordering Data";
    case DataVelocityScan: return " Velocity Scan Data";
    default: return " !Unknown data type!";
  }
}

void decodeHeader(const unsigned char* b, HeaderArray& w) {
  w[0] = 0;
  for (int k = 1; k <= HeaderWords; ++k) {
    const unsigned char* p = b + 2 * (k - 1);
    w[k] = static_cast<std::int16_t>(static_cast<std::uint16_t>(p[0] | (p[1] << 8)));
  }
}

void encodeHeader(const HeaderArray& w, unsigned char* b) {
  for (int k = 1; k <= HeaderWords; ++k) {
    auto u = static_cast<std::uint16_t>(w[k]);
    b[2 * (k - 1)] = static_cast<unsigned char>(u & 0xff);
    b[2 * (k - 1) + 1] = static_cast<unsigned char>(u >> 8);
  }
}

void decodeSamples(const unsigned char* bytes, int bps, std::int32_t count, float* out) {
  if (bps == 4) {
    for (std::int32_t i = 0; i < count; ++i) {
      const unsigned char* p = bytes + 4 * i;
      std::uint32_t u = static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
                        (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
      float f;
      std::memcpy(&f, &u, 4);
      out[i] = f;
    }
  } else {
    for (std::int32_t i = 0; i < count; ++i) {
      const unsigned char* p = bytes + 2 * i;
      out[i] = static_cast<float>(static_cast<std::int16_t>(static_cast<std::uint16_t>(p[0] | (p[1] << 8))));
    }
  }
}

void encodeSamples(const float* in, int bps, std::int32_t count, unsigned char* bytes) {
  if (bps == 4) {
    for (std::int32_t i = 0; i < count; ++i) {
      std::uint32_t u;
      std::memcpy(&u, &in[i], 4);
      unsigned char* p = bytes + 4 * i;
      p[0] = static_cast<unsigned char>(u);
      p[1] = static_cast<unsigned char>(u >> 8);
      p[2] = static_cast<unsigned char>(u >> 16);
      p[3] = static_cast<unsigned char>(u >> 24);
    }
  } else {
    for (std::int32_t i = 0; i < count; ++i) {
      // 2-byte samples hold integers: nearest, halves to even, limited to 16 bits.
      float v = in[i];
      long r = std::isnan(v) ? 0 : std::lrint(std::clamp(v, -32768.0f, 32767.0f));
      auto u = static_cast<std::uint16_t>(static_cast<std::int16_t>(r));
      bytes[2 * i] = static_cast<unsigned char>(u & 0xff);
      bytes[2 * i + 1] = static_cast<unsigned char>(u >> 8);
    }
  }
}

TraceReadStatus readNextTrace(int handle, HeaderArray& header, std::vector<float>& samples,
                              std::vector<unsigned char>& scratch) {
  unsigned char hb[HeaderBytes];
  if (hreed(hb, handle, HeaderBytes) != HeaderBytes) return TraceReadStatus::HeaderShort;
  decodeHeader(hb, header);
  std::int32_t nbytes = traceDataBytes(header);
  if (nbytes < 2) return TraceReadStatus::BadLength;
  if (scratch.size() < static_cast<size_t>(nbytes)) scratch.resize(static_cast<size_t>(nbytes));
  if (hreed(scratch.data(), handle, nbytes) != nbytes) return TraceReadStatus::SamplesShort;
  std::int32_t n = header[WordNumSamples];
  samples.resize(static_cast<size_t>(n));
  decodeSamples(scratch.data(), bytesPerSample(header), n, samples.data());
  return TraceReadStatus::Ok;
}

TraceReadStatus readTraceAt(int handle, std::int64_t filePos, HeaderArray& header,
                            std::vector<float>& samples, std::vector<unsigned char>& scratch) {
  if (rawSeek(handle, filePos, 0) != filePos) return TraceReadStatus::SeekFailed;
  return readNextTrace(handle, header, samples, scratch);
}

void TraceBlockReader::plan(std::int64_t from, std::int64_t to) {
  planFrom_ = std::max<std::int64_t>(from, 0);
  planTo_ = std::max(to, planFrom_);
  blockFrom_ = 0;
  blockSize_ = 0;
}

TraceReadStatus TraceBlockReader::read(int handle, std::int64_t filePos, HeaderArray& header,
                                       std::vector<float>& samples, std::vector<unsigned char>& scratch) {
  auto inBlock = [&](std::int64_t pos, std::int64_t bytes) {
    return pos >= blockFrom_ && pos + bytes <= blockFrom_ + blockSize_;
  };
  const bool planned = filePos >= planFrom_ && filePos + HeaderBytes <= planTo_;
  if (planned && !inBlock(filePos, HeaderBytes)) {
    // A new block from this trace on, to the end of the stretch or the block size.
    const std::int64_t want = std::min(planTo_ - filePos, blockBytes_);
    if (capacity_ < want) {
      block_ = std::make_unique<unsigned char[]>(static_cast<std::size_t>(want));  // not zeroed: read over
      capacity_ = want;
    }
    blockSize_ = std::max<std::int64_t>(readAt(handle, block_.get(), want, filePos), 0);
    blockFrom_ = filePos;
    ++reads_;
  }
  if (inBlock(filePos, HeaderBytes)) {
    const unsigned char* h = block_.get() + (filePos - blockFrom_);
    decodeHeader(h, header);
    const std::int32_t nbytes = traceDataBytes(header);
    if (nbytes < 2) return TraceReadStatus::BadLength;
    if (inBlock(filePos + HeaderBytes, nbytes)) {
      const std::int32_t n = header[WordNumSamples];
      samples.resize(static_cast<std::size_t>(n));
      decodeSamples(h + HeaderBytes, bytesPerSample(header), n, samples.data());
      return TraceReadStatus::Ok;
    }
    // The block ends inside the samples: at the end of the file (short), or
    // a trace longer than the stretch or block foresaw (read it whole).
    if (blockFrom_ + blockSize_ < std::min(planTo_, blockFrom_ + blockBytes_)) return TraceReadStatus::SamplesShort;
  } else if (planned) {
    return TraceReadStatus::HeaderShort;  // the file ends before this header does
  }
  ++reads_;
  return readTraceAt(handle, filePos, header, samples, scratch);
}

bool writeTrace(int handle, const HeaderArray& header, const float* samples, std::int32_t available,
                std::vector<unsigned char>& scratch) {
  unsigned char hb[HeaderBytes];
  encodeHeader(header, hb);
  if (hright(hb, handle, HeaderBytes) != HeaderBytes) return false;
  std::int32_t n = header[WordNumSamples];
  int bps = bytesPerSample(header);
  if (n <= 0) return true;
  std::int32_t nbytes = n * bps;
  if (scratch.size() < static_cast<size_t>(nbytes)) scratch.resize(static_cast<size_t>(nbytes));
  std::int32_t have = std::clamp(available, 0, n);
  encodeSamples(samples, bps, have, scratch.data());
  std::memset(scratch.data() + static_cast<size_t>(have) * bps, 0, static_cast<size_t>(n - have) * bps);
  return hright(scratch.data(), handle, nbytes) == nbytes;
}

}  // namespace tsly
