#include "moveout/core/VelocityFunction.h"

#include <algorithm>

namespace tsly {

std::vector<float> velocityAtSamples(const std::vector<VelocityPick>& picks, double firstMs, double dtMs,
                                     std::int32_t count) {
  if (picks.empty() || count <= 0) return {};
  std::vector<VelocityPick> p = picks;
  std::stable_sort(p.begin(), p.end(),
                   [](const VelocityPick& a, const VelocityPick& b) { return a.timeMs < b.timeMs; });
  std::vector<float> v(static_cast<size_t>(count));
  const size_t last = p.size() - 1;
  size_t k = 0;  // p[k].timeMs <= t < p[k + 1].timeMs once t reaches the first pick
  for (std::int32_t i = 0; i < count; ++i) {
    const double t = firstMs + static_cast<double>(i) * dtMs;
    if (!(t >= static_cast<double>(p[0].timeMs))) {  // before the first pick (or t not a number)
      v[static_cast<size_t>(i)] = p[0].velocity;
      continue;
    }
    // Times rise with i when dtMs > 0; search afresh otherwise.
    if (dtMs <= 0.0) k = 0;
    while (k < last && static_cast<double>(p[k + 1].timeMs) <= t) ++k;
    if (k == last) {
      v[static_cast<size_t>(i)] = p[last].velocity;
      continue;
    }
    const double t0 = p[k].timeMs, t1 = p[k + 1].timeMs;
    const double v0 = p[k].velocity, v1 = p[k + 1].velocity;
    v[static_cast<size_t>(i)] = static_cast<float>(v0 + (v1 - v0) * ((t - t0) / (t1 - t0)));
  }
  return v;
}

}  // namespace tsly
