#include "generation/core/PanelTraces.h"

#include <algorithm>

#include "platform/ReadAt.h"
#include "shared/Numbers.h"

namespace tsly {

std::int32_t outputSampleCount(double lengthMs, std::int32_t interval) {
  return nearestI32(lengthMs * (1000.0 / static_cast<double>(interval)));
}

namespace {
// Bytes the window reads at a time (more when one trace needs more): a few
// reads for a panel, and little fresh memory to fault in.
constexpr std::int64_t WindowBytes = std::int64_t{1} << 20;
}  // namespace

std::int64_t PanelTraces::fileBytes(std::int64_t pos, std::int64_t n, const unsigned char*& data) {
  if (pos < windowPos_ || pos + n > windowPos_ + windowLen_) {
    const std::int64_t want = std::max(n, WindowBytes);
    if (want > windowSize_) {
      window_.reset();
      window_.reset(new unsigned char[static_cast<size_t>(want)]);
      windowSize_ = want;
    }
    windowPos_ = pos;
    windowLen_ = readAt(in_, window_.get(), want, pos);
  }
  data = window_.get() + (pos - windowPos_);
  return std::max<std::int64_t>(0, std::min(n, windowPos_ + windowLen_ - pos));
}

bool PanelTraces::readRaw(std::int32_t t, InputTrace& trace) {
  using Kind = InputTrace::Kind;
  trace = InputTrace{};
  trace.dirIndex = t;
  raw_ = nullptr;
  const std::int64_t pos = s_.TraceDirectory[t].FilePos;
  const unsigned char* hb = nullptr;
  if (fileBytes(pos, HeaderBytes, hb) != HeaderBytes) {
    trace.kind = Kind::HeaderShort;
    return false;
  }
  decodeHeader(hb, trace.header);
  const std::int32_t interval = trace.header[WordSampleInterval];
  trace.numSamples = interval == 0 ? 0 : outputSampleCount(lengthMs_, interval);
  if (!isLiveTrace(trace.header)) {
    trace.kind = Kind::Dead;
    return true;
  }
  const std::int64_t nbytes = static_cast<std::int64_t>(trace.numSamples) * bytesPerSample(trace.header);
  if (interval == 0 || nbytes < 2) {
    trace.kind = Kind::NoSamples;
    return false;
  }
  if (trace.numSamples > trace.header[WordNumSamples]) {
    trace.kind = Kind::TooShort;
    return false;
  }
  if (fileBytes(pos + HeaderBytes, nbytes, raw_) != nbytes) {
    trace.kind = Kind::SamplesShort;
    return false;
  }
  if (!hasValidOffset(trace.header)) {
    trace.kind = Kind::NoOffsets;
    return false;
  }
  return true;
}

namespace {
bool hasSamples(const InputTrace& t) {
  return t.kind == InputTrace::Kind::Live || t.kind == InputTrace::Kind::NoOffsets;
}
}  // namespace

bool PanelTraces::readInto(std::int32_t t, InputTrace& trace, float* samples) {
  const bool more = readRaw(t, trace);
  if (hasSamples(trace)) {
    decodeSamples(raw_, bytesPerSample(trace.header), trace.numSamples, samples);
    trace.samples = samples;
  }
  return more;
}

bool PanelTraces::poolRoom(std::size_t n) {
  const std::size_t most = budget_ / sizeof(float);
  if (pool_.size() + n > most) return false;
  if (pool_.size() + n > pool_.capacity()) pool_.reserve(std::min(most, std::max(2 * pool_.capacity(), pool_.size() + n)));
  return true;
}

bool PanelTraces::keep(PanelCdp& pc, bool& stopped) {
  const std::size_t traceMark = traces_.size(), poolMark = pool_.size();
  pc.first = static_cast<std::int32_t>(traceMark);
  for (std::int32_t t : index_.traces(pc.cdp)) {
    if (stopped) break;
    InputTrace trace;
    stopped = !readRaw(t, trace);
    const std::size_t n = hasSamples(trace) ? static_cast<std::size_t>(trace.numSamples) : 0;
    if (keptBytes() + sizeof(InputTrace) + n * sizeof(float) > budget_ || !poolRoom(n)) {
      traces_.resize(traceMark);
      firsts_.resize(traceMark);
      pool_.resize(poolMark);
      stopped = false;
      return false;
    }
    std::size_t first = SIZE_MAX;
    if (n > 0) {
      first = pool_.size();
      pool_.resize(pool_.size() + n);
      decodeSamples(raw_, bytesPerSample(trace.header), trace.numSamples, pool_.data() + first);
    }
    traces_.push_back(trace);
    firsts_.push_back(first);
  }
  pc.count = static_cast<std::int32_t>(traces_.size() - traceMark);
  peak_ = std::max(peak_, keptBytes());
  return true;
}

void PanelTraces::load(float start, std::int64_t count) {
  clear();
  cdps_.assign(static_cast<size_t>(count), PanelCdp{});
  // Room for the whole panel as the directory describes it, within the budget.
  std::size_t traces = 0, samples = 0;
  float k = 0.0f;
  for (std::int64_t m = 0; m < count; ++m, k += 1.0f) {
    cdps_[static_cast<size_t>(m)].cdp = nearestI16(start + k);
    bool again = false;
    for (std::int64_t e = 0; e < m && !again; ++e) again = cdps_[static_cast<size_t>(e)].cdp == cdps_[static_cast<size_t>(m)].cdp;
    if (again) continue;
    for (std::int32_t t : index_.traces(cdps_[static_cast<size_t>(m)].cdp)) {
      ++traces;
      samples += static_cast<std::size_t>(std::max<std::int32_t>(s_.TraceDirectory[t].NumSamples, 0));
    }
  }
  traces_.reserve(std::min(traces, budget_ / sizeof(InputTrace)));
  firsts_.reserve(traces_.capacity());
  pool_.reserve(std::min(samples, budget_ / sizeof(float)));

  bool stopped = false, full = false;
  for (std::int64_t m = 0; m < count; ++m) {
    PanelCdp& pc = cdps_[static_cast<size_t>(m)];
    // A CDP met again (halves rounding to even) reuses its traces.
    bool again = false;
    for (std::int64_t e = 0; e < m && !again; ++e)
      if (cdps_[static_cast<size_t>(e)].cdp == pc.cdp) {
        pc = cdps_[static_cast<size_t>(e)];
        again = true;
      }
    if (again) continue;
    // Once a CDP does not fit, it and every CDP after it are read per visit.
    if (full || !keep(pc, stopped)) {
      full = true;
      pc.kept = false;
    }
  }
  // The pool is complete: point each kept trace at its samples.
  for (size_t q = 0; q < traces_.size(); ++q)
    if (firsts_[q] != SIZE_MAX) traces_[q].samples = pool_.data() + firsts_[q];
}

bool PanelTraces::allKept() const {
  return std::all_of(cdps_.begin(), cdps_.end(), [](const PanelCdp& c) { return c.kept; });
}

std::span<const InputTrace> PanelTraces::keptTraces(std::int64_t m) const {
  const PanelCdp& c = cdps_[static_cast<size_t>(m)];
  if (!c.kept) return {};
  return {traces_.data() + c.first, static_cast<size_t>(c.count)};
}

void PanelTraces::release() {
  cdps_.clear();
  traces_ = {};
  firsts_ = {};
  pool_ = {};
}

void PanelTraces::clear() {
  cdps_.clear();
  traces_.clear();
  firsts_.clear();
  pool_.clear();
}

}  // namespace tsly
