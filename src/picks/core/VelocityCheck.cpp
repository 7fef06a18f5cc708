#include "picks/core/VelocityCheck.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "shared/Numbers.h"

namespace tsly::vcheck {

std::vector<VelocityRow> analyse(const CdpPicks& picks) {
  std::vector<TimeVelocity> tv;
  for (int k = 1; k <= PicksPerCdp; ++k) tv.push_back({picks.PickTime[k], picks.PickVelocity[k]});
  return analyse(tv);
}

std::vector<VelocityRow> analyse(const std::vector<TimeVelocity>& picks) {
  std::vector<VelocityRow> rows;
  for (const TimeVelocity& p : picks) {
    if (p.velocity == 0) continue;
    VelocityRow r;
    r.timeMs = p.timeMs;
    r.rmsVelocity = p.velocity;
    rows.push_back(r);
  }
  std::stable_sort(rows.begin(), rows.end(),
                   [](const VelocityRow& a, const VelocityRow& b) { return a.timeMs < b.timeMs; });
  for (std::size_t i = 1; i < rows.size(); ++i) {
    VelocityRow& r = rows[i];
    const VelocityRow& p = rows[i - 1];
    if (r.rmsVelocity < p.rmsVelocity) r.flags |= Inversion;
    const double t1 = p.timeMs, t2 = r.timeMs;
    r.thicknessMs = t2 - t1;
    if (!(t2 > t1)) {
      r.flags |= EqualTimes;
      continue;
    }
    const double v1 = p.rmsVelocity, v2 = r.rmsVelocity;
    r.intervalSquared = (v2 * v2 * t2 - v1 * v1 * t1) / (t2 - t1);
    if (r.intervalSquared < 0) {
      r.flags |= Imaginary;
      continue;
    }
    r.hasInterval = true;
    r.intervalVelocity = std::sqrt(r.intervalSquared);
    if (r.intervalVelocity < MinIntervalVelocity || r.intervalVelocity > MaxIntervalVelocity) r.flags |= OutOfRange;
  }
  return rows;
}

std::string flagText(unsigned flags) {
  std::string t;
  auto add = [&t](const char* s) {
    if (!t.empty()) t += "; ";
    t += s;
  };
  if (flags & EqualTimes) add("equal times");
  if (flags & Inversion) add("velocity inversion");
  if (flags & Imaginary) add("imaginary interval velocity");
  if (flags & OutOfRange) add("interval velocity outside 1000..8000 m/s");
  return t;
}

std::string tableText(int cdp, const std::vector<VelocityRow>& rows) {
  std::string t = "CDP " + plainNumberText(cdp) + ": " + plainNumberText(static_cast<int>(rows.size())) +
                  (rows.size() == 1 ? " pick\n" : " picks\n");
  if (rows.empty()) return t;
  t += "  time_ms      rms  interval  thickness_ms  check\n";
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const VelocityRow& r = rows[i];
    const std::string interval = r.hasInterval ? plainNumberText(static_cast<int>(nearest(r.intervalVelocity)))
                                               : (i == 0 ? std::string("") : std::string("-"));
    const std::string thickness = i == 0 ? std::string("") : plainNumberText(static_cast<float>(r.thicknessMs));
    char line[160];
    std::snprintf(line, sizeof line, "  %7s  %7s  %8s  %12s", plainNumberText(r.timeMs).c_str(),
                  plainNumberText(static_cast<int>(r.rmsVelocity)).c_str(), interval.c_str(), thickness.c_str());
    std::string row = line;
    const std::string flags = flagText(r.flags);
    if (!flags.empty()) row += "  " + flags;
    while (!row.empty() && row.back() == ' ') row.pop_back();
    t += row + "\n";
  }
  return t;
}

}  // namespace tsly::vcheck
