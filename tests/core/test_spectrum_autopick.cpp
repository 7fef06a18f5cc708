// The automatic first pass: picks found, the velocity range and the interval
// velocity rule kept, the same picks whatever the threads or the CDP range.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <string>
#include <vector>

#include "generation/core/Synth.h"
#include "spectrum/core/AutoPick.h"
#include "spectrum/core/GatherCdps.h"
#include "support/TempDir.h"

using namespace tsly;
using namespace tsly::test;

namespace {

// A short line: 9 CDPs of 24 offsets (100..2400 m) x 750 samples at 4 ms.
SynthParams line(std::vector<SynthEvent> events, double noise = 0.05) {
  SynthParams p;
  p.firstCdp = 101;
  p.cdps = 9;
  p.offsetFirst = 100;
  p.offsetStep = 100;
  p.offsetCount = 24;
  p.samples = 750;
  p.events = std::move(events);
  p.noise = noise;
  return p;
}

AutoPickParams params(const GatherCdps& g, double vmin, double vmax, int threads = 2) {
  AutoPickParams a;
  a.cdps = g.cdps();
  a.settings.velocities = velocityGrid(vmin, vmax, 25);
  a.settings.windowSamples = autoPickWindowSamples(4000);
  a.threads = threads;
  return a;
}

std::vector<CdpProposal> run(const GatherCdps& g, const AutoPickParams& a, AutoPickResult* result = nullptr) {
  std::vector<CdpProposal> out;
  AutoPickHooks hooks;
  hooks.cdpPicked = [&out](const CdpProposal& c) { out.push_back(c); };
  const AutoPickResult r = runAutoPick(g, a, hooks);
  if (result) *result = r;
  else EXPECT_TRUE(r.ok()) << r.error;
  return out;
}

class AutoPickGather : public ::testing::Test {
 protected:
  void write(const SynthParams& p) {
    path_ = dir_.file("line.dat");
    ASSERT_EQ(writeSynthGather(path_, p), "");
    ASSERT_EQ(gather_.open(path_), "");
  }
  TempDir dir_;
  std::string path_;
  GatherCdps gather_;
};

bool samePicks(const std::vector<CdpProposal>& a, const std::vector<CdpProposal>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i].cdp != b[i].cdp || a[i].picks.size() != b[i].picks.size()) return false;
    for (std::size_t k = 0; k < a[i].picks.size(); ++k)
      if (a[i].picks[k].timeMs != b[i].picks[k].timeMs || a[i].picks[k].velocity != b[i].picks[k].velocity)
        return false;
  }
  return true;
}

}  // namespace

TEST_F(AutoPickGather, FindsEveryEventAndNothingElse) {
  const std::vector<SynthEvent> events = {{500, 1800, 1000}, {1200, 2300, -1000}, {2200, 2800, 1000}};
  write(line(events));
  const std::vector<CdpProposal> picked = run(gather_, params(gather_, 1200, 4000));
  ASSERT_EQ(picked.size(), 9u);
  for (const CdpProposal& c : picked) {
    ASSERT_EQ(c.picks.size(), events.size()) << "CDP " << c.cdp;
    for (std::size_t k = 0; k < events.size(); ++k) {
      EXPECT_NEAR(c.picks[k].timeMs, events[k].t0Ms, 12.0) << "CDP " << c.cdp;
      EXPECT_NEAR(c.picks[k].velocity, events[k].velocity, 0.015 * events[k].velocity) << "CDP " << c.cdp;
    }
  }
}

TEST_F(AutoPickGather, KeepsTheVelocityRangeAndTheIntervalVelocityRule) {
  // An event above the range, and a deep one far slower than the one above
  // it (no interval velocity could give it): neither may be picked beside the
  // first.
  write(line({{500, 2500, 1000}, {900, 4500, 1000}, {1500, 1500, 700}}));
  const AutoPickParams a = params(gather_, 1200, 4000);
  for (const CdpProposal& c : run(gather_, a)) {
    ASSERT_FALSE(c.picks.empty());
    EXPECT_NEAR(c.picks[0].timeMs, 500, 12.0);
    for (std::size_t k = 0; k < c.picks.size(); ++k) {
      EXPECT_GT(c.picks[k].velocity, a.settings.velocities.front());
      EXPECT_LT(c.picks[k].velocity, a.settings.velocities.back());
      if (k == 0) continue;
      const ProposedPick &u = c.picks[k - 1], &l = c.picks[k];
      EXPECT_GE(l.timeMs - u.timeMs, autopick::MinGapMs);
      const double vint2 = (double(l.velocity) * l.velocity * l.timeMs - double(u.velocity) * u.velocity * u.timeMs) /
                           (l.timeMs - u.timeMs);
      EXPECT_GE(vint2, std::pow((1 - autopick::InversionLimit) * u.velocity, 2) * 0.999) << "CDP " << c.cdp;
    }
  }
}

class AutoPickThreads : public AutoPickGather, public ::testing::WithParamInterface<int> {};

TEST_P(AutoPickThreads, SamePicksWhateverTheThreadsAndTheRange) {
  write(line({{400, 1700, 1000}, {1100, 2200, -1000}, {2000, 2700, 1000}}, 0.3));
  const std::vector<CdpProposal> one = run(gather_, params(gather_, 1200, 4000, 1));
  AutoPickParams a = params(gather_, 1200, 4000, GetParam());
  EXPECT_TRUE(samePicks(run(gather_, a), one));
  // Ranges of the line pick as the whole line does: their neighbours are read.
  std::vector<CdpProposal> joined;
  for (auto [first, last] : {std::pair{0, 2}, {3, 3}, {4, 8}}) {
    a.cdps.assign(gather_.cdps().begin() + first, gather_.cdps().begin() + last + 1);
    for (const CdpProposal& c : run(gather_, a)) joined.push_back(c);
  }
  EXPECT_TRUE(samePicks(joined, one));
}

INSTANTIATE_TEST_SUITE_P(Threads, AutoPickThreads, ::testing::Values(2, 5));

TEST_F(AutoPickGather, CdpNotInTheGatherAndCancelEndTheRun) {
  write(line({{500, 1800, 1000}}));
  AutoPickParams a = params(gather_, 1200, 3000);
  a.cdps = {101, 150};
  AutoPickResult r;
  EXPECT_TRUE(run(gather_, a, &r).empty());
  EXPECT_EQ(r.error, "CDP 150 is not in " + path_);
  std::atomic<bool> cancel{true};
  AutoPickHooks hooks;
  hooks.cancel = &cancel;
  r = runAutoPick(gather_, params(gather_, 1200, 3000), hooks);
  EXPECT_TRUE(r.cancelled);
  EXPECT_EQ(r.cdpsDone, 0u);
}
