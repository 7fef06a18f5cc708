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

std::vector<float> velocitiesForCdp(const std::vector<CdpVelocityFunction>& functions, int cdp, double firstMs,
                                    double dtMs, std::int32_t count) {
  if (functions.empty() || count <= 0) return std::vector<float>(static_cast<size_t>(std::max(count, 0)), 0.0f);
  auto above = std::lower_bound(functions.begin(), functions.end(), cdp,
                                [](const CdpVelocityFunction& f, int c) { return f.cdp < c; });
  if (above != functions.end() && above->cdp == cdp) return velocityAtSamples(above->picks, firstMs, dtMs, count);
  if (above == functions.begin()) return velocityAtSamples(above->picks, firstMs, dtMs, count);
  if (above == functions.end()) return velocityAtSamples(functions.back().picks, firstMs, dtMs, count);
  const auto below = above - 1;
  std::vector<float> v = velocityAtSamples(below->picks, firstMs, dtMs, count);
  const std::vector<float> w = velocityAtSamples(above->picks, firstMs, dtMs, count);
  const double frac = static_cast<double>(cdp - below->cdp) / static_cast<double>(above->cdp - below->cdp);
  for (size_t i = 0; i < v.size(); ++i) v[i] = static_cast<float>(v[i] + (static_cast<double>(w[i]) - v[i]) * frac);
  return v;
}

}  // namespace tsly
