// The gather of one CDP moved out with that CDP's picked velocity function: what
// the velocity spectrum window draws beside the spectrum, so that an event the
// picks flatten is seen flat.
//
//   CorrectedGather g = correctGather(cdpTraces, velocityPicksOf(record), stretch);
//
// Rules, stated once:
//  - The velocity function: RMS velocity linear in time between the picks,
//    constant before the first and after the last (velocityAtSamples), one value
//    per sample; sample i lies at delay + i x interval, the recording delay of
//    the CDP's traces (as the spectrum takes it).
//  - Each live trace is moved out by nmoitVariable with that function: the
//    interpolation and stretch mute of panel generation, muted samples 0. A
//    trace keeps its own sample count (and only its own samples are held, as
//    in CdpTraces); at() reads 0 past it.
//  - No picks: nothing to move out with; the traces are given as recorded
//    (`movedOut` false).
//  - A trace's place in `data` is its place in the CdpTraces (file order).
#pragma once

#include <cstdint>
#include <vector>

#include "spectrum/core/GatherCdps.h"
#include "shared/State.h"
#include "moveout/core/VelocityFunction.h"

namespace tsly {

struct CorrectedGather {
  std::int16_t cdp = 0;
  std::int32_t intervalUs = 0;
  double firstMs = 0;                // time of sample 0 (the recording delay)
  std::int32_t samples = 0;          // the longest trace
  std::vector<float> offsets;        // one per trace
  std::vector<std::int32_t> counts;  // samples of each trace
  std::vector<std::size_t> starts;   // where each trace begins in `data`
  std::vector<float> data;           // trace k: counts[k] values from data[starts[k]]
  bool movedOut = false;             // false: no picks, the traces as recorded
  float stretch = 0.5f;

  std::size_t traceCount() const { return offsets.size(); }
  const float* trace(std::size_t k) const { return data.data() + starts[k]; }
  // Sample i of trace k; 0 past the trace's end.
  float at(std::size_t k, std::int32_t i) const { return i >= 0 && i < counts[k] ? trace(k)[i] : 0.0f; }
};

CorrectedGather correctGather(const CdpTraces& cdp, const std::vector<VelocityPick>& picks, float stretch);

// The picks of one CDP's record (the slots in use), in slot order.
std::vector<VelocityPick> velocityPicksOf(const CdpPicks& record);

}  // namespace tsly
