// Normal-moveout correction of one trace (the numeric library's `nmoit`).
//
//   nmoit(in, out, count, velocity, offset, stretch, sampleIntervalUs, stackFlag)
//
// Rules, stated once:
//  - Output sample i (0-based) lies at t0 = i * dt and takes the input at
//    t = sqrt(t0^2 + x^2 / v^2), x = |offset|, v = velocity, dt = sampleIntervalUs
//    microseconds. Velocity is in length units per second, the offset in the same
//    length unit.
//  - Interpolation: an 8-point windowed sinc (Lanczos window, a = 4), its weights
//    tabulated at 1/128 of a sample and normalised to sum 1; at an exact sample
//    position the input sample is taken unchanged. Near the trace ends the taps
//    that fall outside the trace count as zero. An input position past the last
//    input sample (t > (count - 1) * dt) gives zero.
//  - Stretch mute: output samples whose relative stretch (t - t0) / t0 exceeds
//    the stretch ratio are muted. At t0 = 0 with x > 0 the stretch is unbounded:
//    muted. With x = 0 nothing moves and nothing is muted (the trace is copied).
//    A velocity or sample interval that is not positive mutes every sample of a
//    trace with x > 0.
//  - stackFlag 0: the corrected trace replaces out[0..count-1] (muted samples
//    become zero). stackFlag != 0: it is added into out (muted samples add
//    nothing).
//  - `in` and `out` hold `count` floats each and must not overlap. No allocation,
//    no state kept between calls; safe to call from several threads.
//  - Returns 0 (callers ignore the result).
#pragma once

#include <cstdint>

namespace tsly {

std::int32_t nmoit(const float* in, float* out, std::int32_t count, float velocity, float offset,
                   float stretch, std::int32_t sampleIntervalUs, std::int32_t stackFlag);

// Number of table steps per sample of the interpolation weights.
inline constexpr int NmoSincSteps = 128;

}  // namespace tsly
