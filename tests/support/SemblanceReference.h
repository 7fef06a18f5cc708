// The semblance written out plainly, for tests and the benchmark: every trace
// moved out by nmoit for every velocity, a sample live when the per-sample
// stretch test keeps it and it reads inside the trace, the window summed
// afresh at every sample.
#pragma once

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>
#include <vector>

#include "spectrum/core/GatherCdps.h"
#include "spectrum/core/Semblance.h"
#include "moveout/core/Nmo.h"
#include "GenFixtures.h"

namespace tsly::test {

// One CDP's traces read back from a gather file the test wrote (throws when
// the file or the CDP cannot be read).
inline CdpTraces readCdp(const std::string& path, std::int16_t cdp) {
  GatherCdps g;
  CdpTraces t;
  std::string fault = g.open(path);
  if (fault.empty()) fault = g.read(cdp, t);
  if (!fault.empty()) throw std::runtime_error(fault);
  return t;
}

// A gather with one event at 1000 ms, 2000 m/s; offsets 100..2100 every 200,
// all within the stretch limit .5 at that time.
struct EventGather {
  TempDir dir;
  std::string path = dir.file("event.dat");
  CdpTraces traces;
  EventGather() {
    writeGather(path, syntheticGather(1001, 1, 11, 400, 100, 200, 1.0, 2000.0));
    traces = readCdp(path, 1001);
  }
};

inline Spectrum referenceSpectrum(const CdpTraces& cdp, const std::vector<float>& velocities, float stretch,
                                  int window) {
  Spectrum s;
  s.cdp = cdp.cdp;
  s.samples = cdp.samples;
  s.intervalUs = cdp.intervalUs;
  s.velocities = velocities;
  const int n = cdp.samples, h = window / 2;
  const size_t nv = velocities.size();
  s.values.assign(static_cast<size_t>(n) * nv, 0.0f);
  std::vector<float> moved(static_cast<size_t>(n)), sum(static_cast<size_t>(n)), sq(static_cast<size_t>(n));
  std::vector<int> live(static_cast<size_t>(n));
  for (size_t k = 0; k < nv; ++k) {
    std::fill(sum.begin(), sum.end(), 0.0f);
    std::fill(sq.begin(), sq.end(), 0.0f);
    std::fill(live.begin(), live.end(), 0);
    for (size_t t = 0; t < cdp.traceCount(); ++t) {
      const int count = cdp.counts[t];
      nmoit(cdp.trace(t), moved.data(), count, velocities[k], cdp.offsets[t], stretch, cdp.intervalUs, 0);
      const double sm = std::fabs(cdp.offsets[t]) / (static_cast<double>(velocities[k]) * cdp.intervalUs * 1e-6);
      const float a = static_cast<float>(sm * sm);
      for (int i = 0; i < count; ++i) {
        const float fi = static_cast<float>(i), p = std::sqrt(fi * fi + a);
        const bool on = cdp.offsets[t] == 0.0f ||
                        (i > 0 && !((p - fi) > stretch * fi) && p <= static_cast<float>(count - 1));
        if (!on) continue;
        const size_t u = static_cast<size_t>(i);
        sum[u] += moved[u];
        sq[u] += moved[u] * moved[u];
        ++live[u];
      }
    }
    for (int i = 0; i < n; ++i) {
      if (live[static_cast<size_t>(i)] < 2) continue;
      double sn = 0, sd = 0;
      for (int j = std::max(0, i - h); j <= std::min(n - 1, i + h); ++j) {
        const size_t u = static_cast<size_t>(j);
        if (live[u] < 2) continue;
        sn += double(sum[u]) * sum[u];
        sd += double(live[u]) * sq[u];
      }
      s.values[static_cast<size_t>(i) * nv + k] = sd > 0 ? static_cast<float>(std::min(1.0, sn / sd)) : 0.0f;
    }
  }
  return s;
}

}  // namespace tsly::test
