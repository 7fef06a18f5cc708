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
  out.stretch = stretch;
  out.movedOut = !picks.empty();
  const std::size_t stride = static_cast<std::size_t>(out.samples);
  out.data.assign(cdp.traceCount() * stride, 0.0f);
  if (!out.movedOut) {
    std::copy(cdp.data.begin(), cdp.data.begin() + static_cast<std::ptrdiff_t>(out.data.size()), out.data.begin());
    return out;
  }
  // One function for the CDP: every trace's sample i lies at the same time.
  const std::vector<float> velocities =
      velocityAtSamples(picks, out.firstMs, static_cast<double>(cdp.intervalUs) / 1000.0, out.samples);
  for (std::size_t k = 0; k < cdp.traceCount(); ++k) {
    const std::int32_t count = std::clamp(cdp.counts[k], 0, out.samples);
    if (count == 0) continue;
    nmoitVariable(cdp.trace(k), out.data.data() + k * stride, count, velocities.data(), cdp.offsets[k], stretch,
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
