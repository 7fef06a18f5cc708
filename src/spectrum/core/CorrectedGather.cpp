#include "spectrum/core/CorrectedGather.h"

#include <algorithm>

#include "moveout/core/Nmo.h"

namespace tsly {

CorrectedGather correctGather(const CdpTraces& cdp, const std::vector<VelocityPick>& picks, float stretch) {
  CorrectedGather out;
  out.cdp = cdp.cdp;
  out.intervalUs = cdp.intervalUs;
  out.firstMs = cdp.delayMs;
  out.samples = std::max(cdp.samples, 0);
  out.offsets = cdp.offsets;
  out.counts = cdp.counts;
  out.starts = cdp.starts;
  out.stretch = stretch;
  out.movedOut = !picks.empty();
  if (!out.movedOut) {
    out.data = cdp.data;
    return out;
  }
  out.data.assign(cdp.data.size(), 0.0f);
  // One function for the CDP: every trace's sample i lies at the same time.
  const std::vector<float> velocities =
      velocityAtSamples(picks, out.firstMs, static_cast<double>(cdp.intervalUs) / 1000.0, out.samples);
  for (std::size_t k = 0; k < cdp.traceCount(); ++k) {
    const std::int32_t count = std::clamp(cdp.counts[k], 0, out.samples);
    if (count == 0) continue;
    nmoitVariable(cdp.trace(k), out.data.data() + out.starts[k], count, velocities.data(), cdp.offsets[k], stretch,
                  cdp.intervalUs, 0, cdp.firstUs());
  }
  return out;
}

std::vector<VelocityPick> velocityPicksOf(const CdpPicks& record) {
  std::vector<VelocityPick> picks;
  for (int k = 1; k <= PicksPerCdp; ++k)
    if (record.PickVelocity[k] != 0)
      picks.push_back({record.PickTime[k], static_cast<float>(record.PickVelocity[k])});
  return picks;
}

}  // namespace tsly
