#include "moveout/core/MoveoutTable.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "moveout/core/NmoKernels.h"

namespace tsly {

using namespace nmokernel;

namespace {

static_assert(MoveoutTable::MaxCount == 0x7fffffff / Steps - 1, "positions are packed as sample x Steps + row");

}  // namespace

bool MoveoutTable::build(float velocity, float offset, float stretch, std::int32_t sampleIntervalUs,
                         std::int32_t count, double firstSampleUs) {
  count_ = count > 0 && count <= MaxCount ? count : 0;
  first_ = cut_ = lo_ = hi_ = 0;
  packed_.clear();
  if (count_ == 0) {
    kind_ = Kind::Empty;
    return count <= MaxCount;
  }
  const std::int32_t n = count_;
  const float x = std::fabs(offset);
  if (x == 0.0f) {  // nothing moves
    kind_ = Kind::Copy;
    cut_ = n;
    return true;
  }
  const double s = static_cast<double>(x) / (static_cast<double>(velocity) * sampleIntervalUs * 1e-6);
  const float a = static_cast<float>(s * s);
  const bool delayed = firstSampleUs != 0.0;
  // As nmoit, and for a first time other than 0 as nmoitVariable, mutes all.
  const bool mutesAll = delayed ? !(a <= 3.4028234e38f) || !(stretch > 0.0f) || !std::isfinite(firstSampleUs)
                                : !std::isfinite(a);
  if (!(velocity > 0.0f) || sampleIntervalUs <= 0 || mutesAll || std::isnan(x)) {
    kind_ = Kind::Muted;
    return true;
  }
  if (!delayed) first_ = stretch > 0.0f ? leadingMute(a, stretch, n) : n;
  kind_ = Kind::Move;
  pack(a, stretch, firstSampleUs, sampleIntervalUs);
  return true;
}

void MoveoutTable::pack(float a, float stretch, double firstSampleUs, std::int32_t sampleIntervalUs) {
  const std::int32_t n = count_;
  const float last = static_cast<float>(n - 1);
  if (firstSampleUs == 0.0) {
    packed_.resize(static_cast<size_t>(n - first_));
    std::int32_t* out = packed_.data();
    const std::int32_t base = first_;
    const std::int32_t len = n - first_;
    // The position loop (vectorises: no branches, no errno from sqrt).
    for (std::int32_t m = 0; m < len; ++m) {
      const float fi = static_cast<float>(base + m);
      const float p = std::sqrt(fi * fi + a);
      const float pc = p > last ? last + 1.0f : p;
      const std::int32_t j = static_cast<std::int32_t>(pc);
      const std::int32_t r = static_cast<std::int32_t>((pc - static_cast<float>(j)) * Steps + 0.5f);
      out[m] = j * Steps + r;
    }
  } else {
    // nmoitVariable's arithmetic for one velocity: times in samples from the
    // first sample's time f0; input position p - f0 of output time f0 + i.
    const double f0 = firstSampleUs / static_cast<double>(sampleIntervalUs);
    const float f0f = static_cast<float>(f0);
    std::vector<std::int32_t> all(static_cast<size_t>(n));
    first_ = 0;
    for (std::int32_t i = 0; i < n; ++i) {
      const float fi = static_cast<float>(f0 + static_cast<double>(i));
      const float p = std::sqrt(fi * fi + a);
      if (!(fi > 0.0f) || (p - fi) > stretch * fi) first_ = i + 1;
      const float pos = p - f0f;
      const float pc = pos <= last ? pos : last + 1.0f;
      const std::int32_t j = static_cast<std::int32_t>(pc);
      const std::int32_t r = static_cast<std::int32_t>((pc - static_cast<float>(j)) * Steps + 0.5f);
      all[static_cast<size_t>(i)] = j * Steps + r;
    }
    packed_.assign(all.begin() + first_, all.end());
  }
  // Positions rise with i: the past-the-end samples and the samples whose taps
  // all lie inside the input are contiguous runs.
  const std::int32_t base = first_;
  auto index = [&](std::int32_t bound) {
    return base + static_cast<std::int32_t>(std::lower_bound(packed_.begin(), packed_.end(), bound) - packed_.begin());
  };
  cut_ = index(n * Steps);
  packed_.resize(static_cast<size_t>(cut_ - first_));
  lo_ = std::min(index(3 * Steps), cut_);
  hi_ = std::max(lo_, std::min(index((n - 4) * Steps), cut_));
}

namespace {

// The moved-out samples of [from, to) handed to `put(i, value)`, or four at a
// time to `put4(i, values)` where all taps lie inside the input.
struct Walk {
  const float* in;
  std::int32_t n;
  const SincTable& tab;

  template <class Packed, class Put>
  void edge(std::int32_t from, std::int32_t to, Packed packedAt, Put put) const {
    for (std::int32_t i = from; i < to; ++i) {
      const std::int32_t q = packedAt(i);
      put(i, edgeValue(in, n, q >> 7, tab.w[q & (Steps - 1)]));
    }
  }
  template <class Packed, class Put, class Put4>
  void interior(std::int32_t from, std::int32_t to, Packed packedAt, Put put, Put4 put4) const {
    std::int32_t i = from;
    for (; i + 4 <= to; i += 4) {
      const std::int32_t q0 = packedAt(i), q1 = packedAt(i + 1), q2 = packedAt(i + 2), q3 = packedAt(i + 3);
      put4(i, interiorValues4(interiorPartial(in, q0 >> 7, tab.w[q0 & (Steps - 1)]),
                              interiorPartial(in, q1 >> 7, tab.w[q1 & (Steps - 1)]),
                              interiorPartial(in, q2 >> 7, tab.w[q2 & (Steps - 1)]),
                              interiorPartial(in, q3 >> 7, tab.w[q3 & (Steps - 1)])));
    }
    for (; i < to; ++i) {
      const std::int32_t q = packedAt(i);
      put(i, interiorValue(in, q >> 7, tab.w[q & (Steps - 1)]));
    }
  }
  template <class Packed, class Put, class Put4>
  void all(std::int32_t first, std::int32_t lo, std::int32_t hi, std::int32_t cut, Packed packedAt, Put put,
           Put4 put4) const {
    edge(first, lo, packedAt, put);
    interior(lo, hi, packedAt, put, put4);
    edge(hi, cut, packedAt, put);
  }
};

}  // namespace

void MoveoutTable::apply(const float* in, float* out, std::int32_t stackFlag) const {
  const std::int32_t n = count_;
  const bool add = stackFlag != 0;
  switch (kind_) {
    case Kind::Empty:
      return;
    case Kind::Copy:
      if (add) {
        for (std::int32_t i = 0; i < n; ++i) out[i] += in[i];
      } else {
        std::memcpy(out, in, sizeof(float) * static_cast<size_t>(n));
      }
      return;
    case Kind::Muted:
      if (!add) std::memset(out, 0, sizeof(float) * static_cast<size_t>(n));
      return;
    case Kind::Move:
      break;
  }
  if (!add) {
    std::memset(out, 0, sizeof(float) * static_cast<size_t>(first_));
    std::memset(out + cut_, 0, sizeof(float) * static_cast<size_t>(n - cut_));
  }
  const std::int32_t* packed = packed_.data();
  const std::int32_t first = first_;
  auto at = [packed, first](std::int32_t i) { return packed[i - first]; };
  const Walk walk{in, n, table()};
  if (add) {
    walk.all(
        first_, lo_, hi_, cut_, at, [out](std::int32_t i, float v) { out[i] += v; },
        [out](std::int32_t i, V4 v) {
          V4 prev;
          std::memcpy(&prev, out + i, sizeof prev);
          v = prev + v;
          std::memcpy(out + i, &v, sizeof v);
        });
  } else {
    walk.all(
        first_, lo_, hi_, cut_, at, [out](std::int32_t i, float v) { out[i] = v; },
        [out](std::int32_t i, V4 v) { std::memcpy(out + i, &v, sizeof v); });
  }
}

void MoveoutTable::accumulate(const float* in, float* sum, float* sumSquares) const {
  auto put = [sum, sumSquares](std::int32_t i, float v) {
    sum[i] += v;
    sumSquares[i] += v * v;
  };
  auto put4 = [sum, sumSquares](std::int32_t i, V4 v) {
    V4 s, q;
    std::memcpy(&s, sum + i, sizeof s);
    std::memcpy(&q, sumSquares + i, sizeof q);
    s = s + v;
    q = q + v * v;
    std::memcpy(sum + i, &s, sizeof s);
    std::memcpy(sumSquares + i, &q, sizeof q);
  };
  const Walk walk{in, count_, table()};
  switch (kind_) {
    case Kind::Empty:
    case Kind::Muted:
      return;
    case Kind::Copy:
      for (std::int32_t i = 0; i < count_; ++i) put(i, in[i]);
      return;
    case Kind::Move: {
      const std::int32_t* packed = packed_.data();
      const std::int32_t first = first_;
      walk.all(first_, lo_, hi_, cut_, [packed, first](std::int32_t i) { return packed[i - first]; }, put, put4);
      return;
    }
  }
}

}  // namespace tsly
