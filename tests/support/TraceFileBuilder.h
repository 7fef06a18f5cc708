// Builds small trace files for tests (header-only, no Qt).
//
//   TraceFileBuilder b(4);                 // data type 4 in word 1 of every trace
//   b.panel(101, 3, 1500)                  // CDPs 101..103, then a separator of velocity 1500
//    .dataTrace(200)                       // one more data trace (no separator after it)
//    .writeTo(path);
//
// Every trace gets word 1 = data type, word 12 = CDP (or velocity in a separator),
// word 15 = trace code, word 58 = samples, word 59 = interval, word 60 = 21930 for
// float samples. `header(...)` edits words of the last added trace. rawBytes() and
// truncate() make damaged files. Samples default to a small ramp scaled by `amp`.
// `gatherTrace(GatherTrace)` adds a trace of a CDP gather with its offset;
// `trace(header, samples)` adds a trace whose header the caller made whole; the
// other fixture writers of the tests and benchmarks all write through these.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include <unistd.h>

#include "shared/TraceFormat.h"
#include "TempDir.h"

namespace tsly::test {

// One trace of a CDP gather: its CDP, offset (word 37, also the secondary key)
// with its scalar, its own length (the samples given) and sample width.
struct GatherTrace {
  std::int16_t cdp = 1001;
  std::int16_t offset = 0;
  std::int16_t scalar = 1;
  std::int16_t code = 1;
  std::int16_t interval = 4000;
  bool float4 = true;
  std::vector<float> samples;
  std::vector<std::pair<int, std::int16_t>> extraWords;  // (word, value)
};

// The header of that trace as it lies in a gather file.
inline HeaderArray gatherHeader(const GatherTrace& t, std::int16_t dataType = DataCdpGather) {
  HeaderArray h{};
  h[WordDataType] = dataType;
  h[WordLabelWord] = WordCdp;
  h[WordCdp] = t.cdp;
  h[WordSecondaryKey] = t.offset;
  h[WordTraceCode] = t.code;
  h[WordOffset] = t.offset;
  h[WordOffsetScalar] = t.scalar;
  h[WordNumSamples] = static_cast<std::int16_t>(t.samples.size());
  h[WordSampleInterval] = t.interval;
  h[WordSampleFormat] = t.float4 ? FloatFormatMarker : 0;
  for (auto [w, v] : t.extraWords) h[static_cast<size_t>(w)] = v;
  return h;
}

class TraceFileBuilder {
 public:
  explicit TraceFileBuilder(int dataType = 4, int numSamples = 50, int sampleInterval = 4000,
                            bool floatSamples = true)
      : dataType_(dataType), numSamples_(numSamples), interval_(sampleInterval), floats_(floatSamples) {}

  // Defaults for traces added from now on.
  TraceFileBuilder& samples(int n) { numSamples_ = n; return *this; }
  TraceFileBuilder& floats(bool f) { floats_ = f; return *this; }
  TraceFileBuilder& interval(int us) { interval_ = us; return *this; }

  // A data trace with CDP `cdp` (word 12) and trace code `code`; samples
  // amp * sin(i) style ramp, or the given values.
  TraceFileBuilder& dataTrace(int cdp, float amp = 100.0f, std::int16_t code = 1) {
    std::vector<float> s(static_cast<size_t>(numSamples_ > 0 ? numSamples_ : 0));
    for (size_t i = 0; i < s.size(); ++i) s[i] = amp * static_cast<float>(static_cast<int>(i % 7) - 3) / 3.0f;
    return trace(cdp, code, s);
  }
  TraceFileBuilder& trace(int cdp, std::int16_t code, const std::vector<float>& samples) {
    HeaderArray h{};
    h[WordDataType] = static_cast<std::int16_t>(dataType_);
    h[WordLabelWord] = WordCdp;
    h[WordCdp] = static_cast<std::int16_t>(cdp);
    h[WordTraceCode] = code;
    h[WordNumSamples] = static_cast<std::int16_t>(numSamples_);
    h[WordSampleInterval] = static_cast<std::int16_t>(interval_);
    h[WordSampleFormat] = floats_ ? FloatFormatMarker : 0;
    return trace(h, samples);
  }
  // A trace with exactly the header `h`; its length and sample width are those
  // that words 58 and 60 declare.
  TraceFileBuilder& trace(const HeaderArray& h, std::vector<float> samples) {
    traces_.push_back({h, std::move(samples), {}});
    return *this;
  }
  // A trace of a gather: the header gatherHeader makes, the trace's own samples.
  TraceFileBuilder& gatherTrace(const GatherTrace& t, std::int16_t dataType = DataCdpGather) {
    return trace(gatherHeader(t, dataType), t.samples);
  }
  // A separator closing a panel: word 15 = 9, word 12 = velocity, zero samples.
  TraceFileBuilder& separator(int velocity) {
    return trace(velocity, TraceCodeSeparator, std::vector<float>(static_cast<size_t>(numSamples_ > 0 ? numSamples_ : 0), 0.0f));
  }
  // `count` data traces with CDPs first..first+count-1, then a separator.
  TraceFileBuilder& panel(int firstCdp, int count, int velocity, float amp = 100.0f) {
    for (int k = 0; k < count; ++k) dataTrace(firstCdp + k, amp);
    return separator(velocity);
  }
  // Sets header word `word` of the last trace added.
  TraceFileBuilder& header(int word, std::int16_t value) {
    if (traces_.empty()) throw std::logic_error("no trace yet");
    traces_.back().header[static_cast<size_t>(word)] = value;
    return *this;
  }
  // Sets word `word` of the last trace through a function of its header.
  TraceFileBuilder& edit(const std::function<void(HeaderArray&)>& f) {
    if (traces_.empty()) throw std::logic_error("no trace yet");
    f(traces_.back().header);
    return *this;
  }
  // Bytes written as they are after the traces added so far.
  TraceFileBuilder& rawBytes(const std::vector<unsigned char>& b) {
    traces_.push_back({HeaderArray{}, {}, b});
    traces_.back().rawOnly = true;
    return *this;
  }
  // Drops the last n bytes of the whole file.
  TraceFileBuilder& truncate(size_t n) { cut_ += n; return *this; }

  // The header of the last trace added.
  const HeaderArray& lastHeader() const {
    if (traces_.empty()) throw std::logic_error("no trace yet");
    return traces_.back().header;
  }

  size_t traceCount() const {
    size_t c = 0;
    for (auto& t : traces_) c += t.rawOnly ? 0 : 1;
    return c;
  }

  std::vector<unsigned char> bytes() const {
    std::vector<unsigned char> out;
    for (const auto& t : traces_) {
      if (t.rawOnly)
        out.insert(out.end(), t.raw.begin(), t.raw.end());
      else
        appendTrace(out, t.header, t.samples);
    }
    out.resize(out.size() > cut_ ? out.size() - cut_ : 0);
    return out;
  }
  std::string str() const {
    const auto b = bytes();
    return std::string(b.begin(), b.end());
  }

  // One trace as it lies in a file: the 240 header bytes, then N x B sample bytes
  // (N = word 58, B = 4 when word 60 marks floats, else 2); samples beyond those
  // given are zero, and a header declaring no samples has no block.
  static void appendTrace(std::vector<unsigned char>& out, const HeaderArray& h, const std::vector<float>& samples) {
    unsigned char hb[HeaderBytes];
    encodeHeader(h, hb);
    out.insert(out.end(), hb, hb + HeaderBytes);
    const std::int32_t n = h[WordNumSamples];
    if (n <= 0) return;
    const int bps = bytesPerSample(h);
    std::vector<float> s(samples.begin(), samples.begin() + static_cast<std::ptrdiff_t>(std::min<size_t>(samples.size(), static_cast<size_t>(n))));
    s.resize(static_cast<size_t>(n), 0.0f);
    const size_t at = out.size();
    out.resize(at + static_cast<size_t>(n) * static_cast<size_t>(bps));
    encodeSamples(s.data(), bps, n, out.data() + at);
  }

  void writeTo(const std::string& path) const {
    auto b = bytes();
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) throw std::runtime_error("cannot write " + path);
    if (!b.empty() && std::fwrite(b.data(), 1, b.size(), f) != b.size()) {
      std::fclose(f);
      throw std::runtime_error("short write " + path);
    }
    std::fclose(f);
  }

 private:
  struct Entry {
    HeaderArray header;
    std::vector<float> samples;
    std::vector<unsigned char> raw;
    bool rawOnly = false;
  };
  int dataType_;
  int numSamples_;
  int interval_;
  bool floats_;
  size_t cut_ = 0;
  std::vector<Entry> traces_;
};


}  // namespace tsly::test
