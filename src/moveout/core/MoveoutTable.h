// A precomputed normal moveout: nmoit's work for one (velocity, offset, stretch,
// sample interval, count) done once, applied to any number of traces.
//
//   MoveoutTable t;
//   t.build(velocity, offset, stretch, sampleIntervalUs, count);
//   t.apply(in, out, stackFlag);          // nmoit(in, out, count, ...), bit for bit
//   t.build(velocity, offset, stretch, sampleIntervalUs, count, firstSampleUs);
//   t.apply(in, out, stackFlag);          // nmoitVariable with that velocity throughout
//   t.accumulate(in, sum, sumSquares);    // the moved-out samples summed, for coherence
//
// Rules, stated once:
//  - What the table holds: the first unmuted output sample (nmoit's leading
//    mute), the end of the samples that read inside the input (from there on
//    the output is zero), and for every sample between them the input sample and
//    the interpolation-table row, packed as one integer (sample x 128 + row).
//  - apply() gives nmoit's output for the same arguments bit for bit, with the
//    same stack-flag rule (0 replaces out[0..count-1], muted samples zero; else
//    adds, muted samples add nothing). Traces must hold `count` samples.
//  - With a first-sample time (a recording delay) other than 0, sample i lies
//    at firstSampleUs + i x interval, in the output and in the input, and
//    apply() gives nmoitVariable's output for a constant velocity and that
//    first time, bit for bit. The stretch mute is then the leading run up to
//    the last muted sample (it is one leading run: the stretch falls as t0
//    grows).
//  - accumulate() adds each moved-out sample v of [liveBegin(), liveEnd()) to
//    sum[i] and v * v to sumSquares[i]; other samples are left alone. The values
//    are those apply() writes.
//  - Samples of [liveBegin(), liveEnd()) are the live ones: unmuted and read
//    from inside the input. With offset 0 every sample is live; when nmoit mutes
//    every sample (bad velocity, interval or stretch) none is.
//  - count: at most MaxCount samples (a trace of the file format holds at most
//    32,767); build() refuses a longer count (returns false, the table then
//    moves nothing: apply leaves out alone). Otherwise build() returns true.
//  - Building allocates once per table (count integers) and reuses its storage
//    when rebuilt; apply and accumulate allocate nothing and may run on several
//    threads at once on one table.
#pragma once

#include <cstdint>
#include <vector>

namespace tsly {

class MoveoutTable {
 public:
  static constexpr std::int32_t MaxCount = 0x7fffffff / 128 - 1;  // packed positions fit 32 bits

  bool build(float velocity, float offset, float stretch, std::int32_t sampleIntervalUs, std::int32_t count,
             double firstSampleUs = 0.0);

  void apply(const float* in, float* out, std::int32_t stackFlag) const;
  void accumulate(const float* in, float* sum, float* sumSquares) const;

  std::int32_t count() const { return count_; }
  std::int32_t liveBegin() const { return first_; }
  std::int32_t liveEnd() const { return cut_; }
  // Bytes the table holds (for caches that bound their size).
  std::size_t bytes() const { return packed_.capacity() * sizeof(std::int32_t) + sizeof *this; }

 private:
  enum class Kind { Empty, Copy, Muted, Move };
  // The positions of the samples after a leading mute ending at first_ (for
  // the delayed case the mute is found here too), then lo_, hi_ and cut_.
  void pack(float a, float stretch, double firstSampleUs, std::int32_t sampleIntervalUs);
  Kind kind_ = Kind::Empty;
  std::int32_t count_ = 0;
  std::int32_t first_ = 0;  // first unmuted output sample
  std::int32_t cut_ = 0;    // first output sample that reads past the input
  std::int32_t lo_ = 0;     // [lo_, hi_): every tap inside the input
  std::int32_t hi_ = 0;
  std::vector<std::int32_t> packed_;  // output samples first_ .. cut_-1: input sample x 128 + row
};

}  // namespace tsly
