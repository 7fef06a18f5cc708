// The gather moved out with the picked function, as the "Velocity Spectrum"
// window shows it beside the spectrum.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "spectrum/core/CorrectedGather.h"
#include "spectrum/core/GatherCdps.h"
#include "moveout/core/Nmo.h"
#include "support/GenFixtures.h"
#include "support/PickFixtures.h"
#include "support/SemblanceReference.h"

using namespace tsly;
using namespace tsly::test;

namespace {

// Sample of the largest value of trace k between samples a and b.
int peakSample(const CorrectedGather& g, std::size_t k, int a, int b) {
  const float* t = g.trace(k);
  int best = a;
  for (int i = a; i <= b; ++i)
    if (t[i] > t[best]) best = i;
  return best;
}

}  // namespace

TEST(SpectrumCorrectedGather, AnEventPickedAtItsVelocityIsFlatWithinASample) {
  EventGather e;
  ASSERT_EQ(e.traces.traceCount(), 11u);
  const CorrectedGather g = correctGather(e.traces, {{1000.0f, 2000.0f}}, 0.5f);
  ASSERT_TRUE(g.movedOut);
  ASSERT_EQ(g.traceCount(), 11u);
  for (std::size_t k = 0; k < g.traceCount(); ++k)
    EXPECT_NEAR(peakSample(g, k, 200, 330), 250, 1) << "offset " << g.offsets[k];
}

TEST(SpectrumCorrectedGather, APickTenPercentOffLeavesTheEventCurved) {
  EventGather e;
  for (float v : {1800.0f, 2200.0f}) {
    const CorrectedGather g = correctGather(e.traces, {{1000.0f, v}}, 0.5f);
    int lo = 1 << 30, hi = -1;
    for (std::size_t k = 0; k < g.traceCount(); ++k) {
      // Muted far traces (all zero) have no event to find.
      const float* t = g.trace(k);
      if (std::all_of(t + 200, t + 331, [](float a) { return a == 0.0f; })) continue;
      const int p = peakSample(g, k, 200, 330);
      lo = std::min(lo, p);
      hi = std::max(hi, p);
    }
    EXPECT_GT(hi - lo, 5) << "velocity " << v;
  }
}

TEST(SpectrumCorrectedGather, OnePickMovesEveryTraceAsNmoitDoesAtThatVelocity) {
  EventGather e;
  const CorrectedGather g = correctGather(e.traces, {{640.0f, 2100.0f}}, 0.4f);
  std::vector<float> expect(static_cast<std::size_t>(e.traces.samples));
  for (std::size_t k = 0; k < e.traces.traceCount(); ++k) {
    nmoit(e.traces.trace(k), expect.data(), e.traces.counts[k], 2100.0f, e.traces.offsets[k], 0.4f,
          e.traces.intervalUs, 0);
    for (std::int32_t i = 0; i < e.traces.samples; ++i)
      ASSERT_EQ(g.trace(k)[i], expect[static_cast<std::size_t>(i)]) << "trace " << k << " sample " << i;
  }
}

TEST(SpectrumCorrectedGather, NoPicksGiveTheTracesAsRecorded) {
  EventGather e;
  const CorrectedGather g = correctGather(e.traces, {}, 0.5f);
  EXPECT_FALSE(g.movedOut);
  EXPECT_EQ(g.data, e.traces.data);
  EXPECT_EQ(g.offsets, e.traces.offsets);
}

TEST(SpectrumCorrectedGather, AShortTraceKeepsItsOwnLengthAndZerosAfter) {
  TempDir dir;
  auto traces = syntheticGather(7, 1, 3, 300, 100, 300, 0.6, 2500.0);
  traces[1].samples.resize(200);
  writeGather(dir.file("short.dat"), traces);
  const CdpTraces t = readCdp(dir.file("short.dat"), 7);
  ASSERT_EQ(t.counts[1], 200);
  const CorrectedGather g = correctGather(t, {{600.0f, 2500.0f}}, 0.5f);
  EXPECT_EQ(g.counts[1], 200);
  for (int i = 200; i < 300; ++i) EXPECT_EQ(g.at(1, i), 0.0f);
  EXPECT_NE(g.trace(1)[150], 0.0f);
}

TEST(SpectrumCorrectedGather, ThePicksOfARecordAreItsSlotsInUse) {
  CdpPicks r;
  addPick(r, 800.0f, 2400, 3);
  addPick(r, 200.5f, 1600, 1);
  r.PickVelocity[1] = 0;  // emptied, its time left behind
  addPick(r, 500.0f, 2000, 2);
  const std::vector<VelocityPick> p = velocityPicksOf(r);
  ASSERT_EQ(p.size(), 2u);
  EXPECT_EQ(p[0].timeMs, 500.0f);
  EXPECT_EQ(p[0].velocity, 2000.0f);
  EXPECT_EQ(p[1].timeMs, 200.5f);
  EXPECT_EQ(p[1].velocity, 1600.0f);
  // A full record: the last slot is in use too.
  CdpPicks full;
  for (int k = 1; k <= PicksPerCdp; ++k) addPick(full, 100.0f * k, static_cast<std::int16_t>(1500 + 50 * k), 1);
  const std::vector<VelocityPick> all = velocityPicksOf(full);
  ASSERT_EQ(all.size(), static_cast<size_t>(PicksPerCdp));
  EXPECT_EQ(all.back().timeMs, 2000.0f);
  EXPECT_EQ(all.back().velocity, 2500.0f);
}
