#include "generation/core/PanelTraces.h"

#include "platform/RawFile.h"
#include "shared/Numbers.h"

namespace tsly {

std::int32_t outputSampleCount(double lengthMs, std::int32_t interval) {
  return nearestI32(lengthMs * (1000.0 / static_cast<double>(interval)));
}

void CdpIndex::build(const AppState& s) {
  const std::int32_t n = std::min<std::int32_t>(s.TraceCount, static_cast<std::int32_t>(s.TraceDirectory.size()));
  start_.assign(65537, 0);
  for (std::int32_t t = 1; t <= n; ++t) ++start_[static_cast<size_t>(s.TraceDirectory[t].PrimaryKey + 32768) + 1];
  for (size_t c = 1; c < start_.size(); ++c) start_[c] += start_[c - 1];
  order_.assign(static_cast<size_t>(n), 0);
  std::vector<std::int32_t> fill(start_.begin(), start_.end() - 1);
  for (std::int32_t t = 1; t <= n; ++t)
    order_[static_cast<size_t>(fill[static_cast<size_t>(s.TraceDirectory[t].PrimaryKey + 32768)]++)] = t;
}

std::span<const std::int32_t> CdpIndex::traces(std::int16_t c) const {
  const size_t key = static_cast<size_t>(c + 32768);
  if (start_.empty()) return {};
  return {order_.data() + start_[key], static_cast<size_t>(start_[key + 1] - start_[key])};
}

bool PanelTraces::read(std::int32_t t, InputTrace& trace, std::size_t& first) {
  using Kind = InputTrace::Kind;
  trace = InputTrace{};
  trace.dirIndex = t;
  unsigned char hb[HeaderBytes];
  rawSeek(in_, s_.TraceDirectory[t].FilePos, 0);
  if (hreed(hb, in_, HeaderBytes) != HeaderBytes) {
    trace.kind = Kind::HeaderShort;
    return false;
  }
  decodeHeader(hb, trace.header);
  const std::int32_t interval = trace.header[WordSampleInterval];
  trace.numSamples = interval == 0 ? 0 : outputSampleCount(lengthMs_, interval);
  if (trace.header[WordTraceCode] == TraceCodeDead) {
    trace.kind = Kind::Dead;
    return true;
  }
  const int bps = bytesPerSample(trace.header);
  const std::int64_t nbytes = static_cast<std::int64_t>(trace.numSamples) * bps;
  if (interval == 0 || nbytes < 2) {
    trace.kind = Kind::NoSamples;
    return false;
  }
  if (trace.numSamples > trace.header[WordNumSamples]) {
    trace.kind = Kind::TooShort;
    return false;
  }
  if (bytes_.size() < static_cast<size_t>(nbytes)) bytes_.resize(static_cast<size_t>(nbytes));
  if (hreed(bytes_.data(), in_, static_cast<std::int32_t>(nbytes)) != nbytes) {
    trace.kind = Kind::SamplesShort;
    return false;
  }
  first = pool_.size();
  pool_.resize(pool_.size() + static_cast<size_t>(trace.numSamples));
  decodeSamples(bytes_.data(), bps, trace.numSamples, pool_.data() + first);
  if (trace.header[WordOffsetScalar] == 0) {
    trace.kind = Kind::NoOffsets;
    return false;
  }
  return true;
}

void PanelTraces::load(float start, std::int64_t count) {
  traces_.clear();
  pool_.clear();
  cdps_.assign(static_cast<size_t>(count), PanelCdp{});
  std::vector<std::size_t> firsts;  // pool offset of each trace's samples
  bool stopped = false;
  float k = 0.0f;
  for (std::int64_t m = 0; m < count; ++m, k += 1.0f) {
    PanelCdp& pc = cdps_[static_cast<size_t>(m)];
    pc.cdp = nearestI16(start + k);
    // A CDP met again (halves rounding to even) reuses its traces.
    bool again = false;
    for (std::int64_t e = 0; e < m && !again; ++e)
      if (cdps_[static_cast<size_t>(e)].cdp == pc.cdp) {
        pc = cdps_[static_cast<size_t>(e)];
        again = true;
      }
    if (again) continue;
    pc.first = static_cast<std::int32_t>(traces_.size());
    for (std::int32_t t : index_.traces(pc.cdp)) {
      if (stopped) break;
      InputTrace trace;
      std::size_t first = SIZE_MAX;
      stopped = !read(t, trace, first);
      traces_.push_back(trace);
      firsts.push_back(first);
    }
    pc.count = static_cast<std::int32_t>(traces_.size()) - pc.first;
  }
  // The pool is complete: point each trace at its samples.
  for (size_t q = 0; q < traces_.size(); ++q)
    if (firsts[q] != SIZE_MAX) traces_[q].samples = pool_.data() + firsts[q];
}

}  // namespace tsly
