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

// Time-variant normal moveout: as nmoit, except that output sample i lies at
// t0 = firstSampleUs + i * dt and uses the velocity velocities[i] (one per output
// sample). Input sample j lies at firstSampleUs + j * dt. With firstSampleUs = 0 and a
// constant velocity array the output is nmoit's, bit for bit. Muting per sample with
// the same stretch rule; an input position past the last sample gives zero.
//
// Further rules:
//  - A sample whose t0 is 0 or earlier is muted when the offset is not 0 (as
//    nmoit mutes t0 = 0); with offset 0 the trace is copied (or added) unchanged.
//  - A sample whose velocity is not positive (or gives no finite moveout) is
//    muted; so is every sample when the sample interval is not positive, the
//    stretch ratio is not positive or firstSampleUs is not finite.
//  - Velocities may vary in any way: the input positions need not rise with i.
//  - `velocities` holds `count` values; `in`, `out` as for nmoit.
//  - `live`, when given (`count` bytes), is set to 1 for each output sample that is
//    neither muted nor read past the input's end, 0 for the others.
std::int32_t nmoitVariable(const float* in, float* out, std::int32_t count, const float* velocities,
                           float offset, float stretch, std::int32_t sampleIntervalUs,
                           std::int32_t stackFlag, double firstSampleUs = 0.0,
                           std::uint8_t* live = nullptr);

// Number of table steps per sample of the interpolation weights.
inline constexpr int NmoSincSteps = 128;

}  // namespace tsly
