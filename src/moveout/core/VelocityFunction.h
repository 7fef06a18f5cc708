// A velocity function from picks: RMS velocity against two-way time.
//
//   velocityAtSamples(picks, firstMs, dtMs, count)
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

}  // namespace tsly
