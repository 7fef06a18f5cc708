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

namespace {

// Lanes traces side by side, each lane with accumulate's arithmetic for its
// trace, step by step: the 8 taps' products added in the same pairs and the
// same order, then the sum and the square added. Built twice where the
// processor may have AVX2 (eight lanes in one register) and picked when the
// program starts; the arithmetic is the same IEEE operations in both.
typedef float Lane8 __attribute__((vector_size(32)));
typedef float Lane8u __attribute__((vector_size(32), aligned(4)));
typedef std::int32_t Lane8i __attribute__((vector_size(32)));
static_assert(MoveoutTable::Lanes == 8, "one Lane8 per sample");

// Weight k of a row in every lane. The row's 8 weights are read in one load
// and spread by shuffles: a weight read from memory into every lane is a load
// of its own, and loads, not arithmetic, bound this loop.
#if defined(__clang__)
#define TSLY_SPREAD(row, k) __builtin_shufflevector(row, row, k, k, k, k, k, k, k, k)
#else
#define TSLY_SPREAD(row, k) __builtin_shuffle(row, Lane8i{k, k, k, k, k, k, k, k})
#endif

#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
__attribute__((target_clones("avx2", "default")))
#endif
void accumulateLanesWalk(const std::int32_t* packed, std::int32_t first, std::int32_t lo, std::int32_t hi,
                         std::int32_t cut, std::int32_t n, const float* in, float* sum, float* sumSquares) {
  const SincTable& tab = table();
  // Sample j of the eight traces. (A macro, not a lambda: a function returning
  // a vector would need AVX in its own right.)
#define TSLY_LANES_AT(j) (*reinterpret_cast<const Lane8u*>(in + 8 * (j)))
  for (int part = 0; part < 3; ++part) {
    // Edge samples (some taps outside the trace, counted as zero), the
    // interior, the edge again.
    const std::int32_t from = part == 0 ? first : part == 1 ? lo : hi;
    const std::int32_t to = part == 0 ? lo : part == 1 ? hi : cut;
    for (std::int32_t i = from; i < to; ++i) {
      const std::int32_t q = packed[i - first];
      const std::int32_t j = (q >> 7) - 3;
      const float* w = tab.w[q & (Steps - 1)];
      Lane8 v;
      if (part == 1) {
        Lane8 row;
        std::memcpy(&row, w, sizeof row);
        const Lane8 s0 = TSLY_LANES_AT(j) * TSLY_SPREAD(row, 0) + TSLY_LANES_AT(j + 4) * TSLY_SPREAD(row, 4);
        const Lane8 s1 = TSLY_LANES_AT(j + 1) * TSLY_SPREAD(row, 1) + TSLY_LANES_AT(j + 5) * TSLY_SPREAD(row, 5);
        const Lane8 s2 = TSLY_LANES_AT(j + 2) * TSLY_SPREAD(row, 2) + TSLY_LANES_AT(j + 6) * TSLY_SPREAD(row, 6);
        const Lane8 s3 = TSLY_LANES_AT(j + 3) * TSLY_SPREAD(row, 3) + TSLY_LANES_AT(j + 7) * TSLY_SPREAD(row, 7);
        v = (s0 + s2) + (s1 + s3);
      } else {
        v = Lane8{};
        for (int k = 0; k < Taps; ++k)
          if (j + k >= 0 && j + k < n) v += TSLY_LANES_AT(j + k) * w[k];
      }
      Lane8u& s = *reinterpret_cast<Lane8u*>(sum + 8 * i);
      Lane8u& sq = *reinterpret_cast<Lane8u*>(sumSquares + 8 * i);
      s = s + v;
      sq = sq + v * v;
    }
  }
}
#undef TSLY_LANES_AT
#undef TSLY_SPREAD

}  // namespace

void MoveoutTable::accumulateLanes(const float* in, float* sum, float* sumSquares) const {
  switch (kind_) {
    case Kind::Empty:
    case Kind::Muted:
      return;
    case Kind::Copy:
      for (std::int32_t i = 0; i < Lanes * count_; ++i) {
        sum[i] += in[i];
        sumSquares[i] += in[i] * in[i];
      }
      return;
    case Kind::Move:
      accumulateLanesWalk(packed_.data(), first_, lo_, hi_, cut_, count_, in, sum, sumSquares);
      return;
  }
}

bool MoveoutTable::lanesInOneStep() {
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
  return __builtin_cpu_supports("avx2");
#else
  return false;
#endif
}

}  // namespace tsly
