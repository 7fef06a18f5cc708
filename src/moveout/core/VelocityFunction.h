// A velocity function from picks: RMS velocity against two-way time, and the
// function of any CDP from the functions of picked CDPs.
//
//   velocityAtSamples(picks, firstMs, dtMs, count)
//   velocitiesForCdp(functions, cdp, firstMs, dtMs, count)
//
// Rules, stated once:
//  - Sample i lies at t = firstMs + i * dtMs (milliseconds).
//  - Between two picks the velocity is linear in time; before the first pick it
//    is the first pick's velocity, after the last the last pick's.
//  - Picks are expected in ascending time; they are put in that order (stably)
//    first, so picks given out of order still make a function.
//  - Picks at equal times make a step: a sample exactly at that time takes the
//    last of them, earlier samples lean towards the first of them.
//  - Arithmetic in double precision, each result rounded once to float.
//  - No picks (or count <= 0): an empty vector.
//  - Between CDPs: a CDP's own function when it has one; otherwise the
//    functions of the nearest CDPs with functions on either side, interpolated
//    linearly in CDP number at each sample time; beyond the first or last
//    function CDP, that function.
#pragma once

#include <cstdint>
#include <vector>

namespace tsly {

struct VelocityPick {
  float timeMs;
  float velocity;
};

// RMS velocity at each of `count` sample times firstMs + i * dtMs: linear in time between
// picks (given in ascending time), held constant before the first and after the last.
// No picks: an empty vector.
std::vector<float> velocityAtSamples(const std::vector<VelocityPick>& picks, double firstMs, double dtMs,
                                     std::int32_t count);

// The picked function of one CDP.
struct CdpVelocityFunction {
  std::int16_t cdp = 0;
  std::vector<VelocityPick> picks;  // ascending time, positive velocities
};

// The velocity at each of `count` samples (times firstMs + i * dtMs) for `cdp`,
// from `functions` (ascending CDP, no CDP twice). No functions: zeros.
std::vector<float> velocitiesForCdp(const std::vector<CdpVelocityFunction>& functions, int cdp, double firstMs,
                                    double dtMs, std::int32_t count);

}  // namespace tsly
