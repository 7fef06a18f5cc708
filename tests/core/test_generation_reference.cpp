// The engine (CDP index, each trace read once per panel, kept within a memory
// budget) against the straightforward loop: the output files must agree byte
// for byte, with the whole panel kept, with none of it kept and with part of it.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "generation/core/Generation.h"
#include "generation/core/PanelMoveout.h"
#include "generation/core/PanelTraces.h"
#include "support/GenFixtures.h"
#include "support/ScriptedUi.h"

using namespace tsly;
using namespace tsly::test;

namespace {

struct Case {
  const char* name;
  std::vector<float> starts, vels;
  float n;
  double lengthMs;
  std::int16_t stack;
};

std::vector<GatherTrace> mixedGather() {
  auto g = syntheticGather(1001, 9, 6, 300, 50, 250, 0.5, 2100.0);
  g[4].code = TraceCodeDead;                                    // one dead trace in CDP 1001
  for (int i = 12; i < 18; ++i) g[static_cast<size_t>(i)].code = TraceCodeDead;  // CDP 1003 all dead
  for (int i = 18; i < 24; ++i) g[static_cast<size_t>(i)].float4 = false;        // CDP 1004 in 2-byte samples
  for (auto& t : g)
    if (!t.float4)
      for (float& x : t.samples) x = std::round(x);
  g.erase(g.begin() + 30, g.begin() + 36);  // CDP 1006 missing
  // Traces out of CDP order in the file: move CDP 1002's last trace to the end.
  auto moved = g[11];
  g.erase(g.begin() + 11);
  g.push_back(moved);
  g[20].extraWords = {{40, 77}, {100, -3}};  // words carried unchanged
  g[7].scalar = 2;                           // offset = word 19 / word 35
  return g;
}

}  // namespace

// Memory for a panel's traces: everything, nothing, and about one CDP of the
// mixed gather (6 traces of some 1.4 KB each).
constexpr std::size_t Budgets[] = {DefaultTraceCacheBytes, 0, 10000};

class GenerationReference : public ::testing::TestWithParam<std::tuple<Case, std::size_t>> {};

TEST_P(GenerationReference, EngineOutputIsByteIdenticalToTheStraightforwardLoop) {
  const Case& c = std::get<0>(GetParam());
  const std::size_t budget = std::get<1>(GetParam());
  TempDir dir;
  std::string in = dir.file("g.dat"), fast = dir.file("fast.nmo"), slow = dir.file("slow.nmo");
  writeGather(in, mixedGather());
  AppState a, b;
  ASSERT_TRUE(scanInto(a, in));
  ASSERT_TRUE(scanInto(b, in));
  GenerationParams p;
  p.startCdps = c.starts;
  p.velocities = c.vels;
  p.cdpsPerPanel = c.n;
  p.lengthMs = c.lengthMs;
  p.stackFlag = c.stack;
  p.stretch = 0.6f;
  p.outputName = fast;
  p.upperCaseFileName = false;
  p.traceCacheBytes = budget;
  ScriptedUi ui;
  auto r = generatePanels(a, ui, p, {});
  ASSERT_EQ(r.outcome, GenerationOutcome::Finished) << (ui.boxes.empty() ? "" : ui.boxes[0].text);
  EXPECT_LE(r.peakCacheBytes, budget);
  if (budget == 10000) {
    EXPECT_GT(r.peakCacheBytes, 0u);  // part of the panel was kept
  }
  ASSERT_EQ(referenceGenerate(b, p, slow), RefStatus::Finished);
  std::string x = readFile(fast), y = readFile(slow);
  EXPECT_GT(x.size(), 0u);
  EXPECT_TRUE(x == y) << "sizes " << x.size() << " and " << y.size();
  // Both leave the same header and values behind.
  EXPECT_EQ(a.TraceHeader, b.TraceHeader);
  EXPECT_EQ(a.NumSamples, b.NumSamples);
  EXPECT_EQ(a.SampleInterval, b.SampleInterval);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, GenerationReference,
    ::testing::Combine(::testing::Values(Case{"stacked", {1001, 1005}, {1800, 2100, 2600}, 4, 1196, 1},
                      Case{"unstacked", {1001, 1005}, {1800, 2100, 2600}, 4, 1196, 0},
                      Case{"halves", {1001.5f}, {2000, 2500.5f}, 5, 800, 1},
                      Case{"shortLength", {1002, 1001}, {1500, 3000}, 2.5f, 300, 1},
                      Case{"unstackedHalves", {1002.5f, 1007}, {2100}, 3, 1000, 0},
                      Case{"emptyBlocks", {1003}, {2000, 2200}, 1, 600, 1}),
                       ::testing::ValuesIn(Budgets)),
    [](const auto& info) {
      const std::size_t budget = std::get<1>(info.param);
      return std::string(std::get<0>(info.param).name) +
             (budget == DefaultTraceCacheBytes ? "" : "_budget" + std::to_string(budget));
    });

// The moveouts of a panel kept whole run on worker threads; the run still
// walks every trace in order. Two workers, one, and none (the run's own
// thread) must all give the straightforward loop's bytes, also when a CDP
// mixes sample intervals (so its traces have different output lengths), when
// the velocities outnumber the workers unevenly, and when the run ends
// part-way through a later panel.
namespace {

std::vector<GatherTrace> mixedIntervalGather() {
  auto g = syntheticGather(1001, 6, 5, 400, 80, 300, 0.3, 1900.0);
  // 200 samples at 400 ms; CDP 1004 alternates long and short traces.
  for (int i : {1, 3, 7, 12, 13, 15, 17, 19, 21}) g[static_cast<size_t>(i)].interval = 2000;
  g[8].code = TraceCodeDead;
  g[9].interval = 8000;  // dead and shorter: the header read last for CDP 1002
  g[9].code = TraceCodeDead;
  return g;
}

struct ThreadCase {
  const char* name;
  std::int16_t stack;
  std::function<void(std::vector<GatherTrace>&)> spoil;  // makes a later trace end the run
  RefStatus expected;
};

}  // namespace

class GenerationReferenceThreads : public ::testing::TestWithParam<std::tuple<ThreadCase, int>> {};

TEST_P(GenerationReferenceThreads, EveryNumberOfWorkersGivesTheStraightforwardBytes) {
  const ThreadCase& c = std::get<0>(GetParam());
  TempDir dir;
  std::string in = dir.file("g.dat"), fast = dir.file("fast.nmo"), slow = dir.file("slow.nmo");
  auto g = mixedIntervalGather();
  if (c.spoil) c.spoil(g);
  writeGather(in, g);
  AppState a, b;
  ASSERT_TRUE(scanInto(a, in));
  ASSERT_TRUE(scanInto(b, in));
  GenerationParams p;
  p.startCdps = {1001, 1004};
  p.velocities = {1500, 1750, 2000, 2400, 3100};
  p.cdpsPerPanel = 3;
  p.lengthMs = 400;
  p.stackFlag = c.stack;
  p.stretch = 0.7f;
  p.outputName = fast;
  p.upperCaseFileName = false;
  p.moveoutWorkers = std::get<1>(GetParam());
  ScriptedUi ui;
  auto r = generatePanels(a, ui, p, {});
  ASSERT_EQ(referenceGenerate(b, p, slow), c.expected);
  EXPECT_EQ(r.outcome, c.expected == RefStatus::Failed ? GenerationOutcome::Failed : GenerationOutcome::Finished);
  std::string x = readFile(fast), y = readFile(slow);
  EXPECT_GT(x.size(), 0u);
  EXPECT_TRUE(x == y) << "sizes " << x.size() << " and " << y.size();
  EXPECT_EQ(a.TraceHeader, b.TraceHeader);
  EXPECT_EQ(a.NumSamples, b.NumSamples);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, GenerationReferenceThreads,
    ::testing::Combine(
        ::testing::Values(ThreadCase{"stacked", 1, {}, RefStatus::Finished},
                          ThreadCase{"unstacked", 0, {}, RefStatus::Finished},
                          ThreadCase{"tooShortInPanel2", 1,
                                     [](std::vector<GatherTrace>& g) { g[22].samples.resize(90); },
                                     RefStatus::Failed},
                          ThreadCase{"noOffsetsInPanel2", 0,
                                     [](std::vector<GatherTrace>& g) { g[18].scalar = 0; }, RefStatus::NoOffsets}),
        ::testing::Values(2, 1, 0)),
    [](const auto& info) {
      return std::string(std::get<0>(info.param).name) + "_workers" + std::to_string(std::get<1>(info.param));
    });

// With room for no computed unit at all, the workers still hand over every
// unit in write order (the one the writer waits for always goes ahead), and
// each is nmoit's stacked sum bit for bit.
TEST(GenerationPanelMoveout, UnitsComeInOrderUnderATinyResultBudget) {
  TempDir dir;
  const std::string in = dir.file("g.dat");
  writeGather(in, syntheticGather(1001, 4, 6, 300, 100, 250, 0.4, 2000.0));
  AppState s;
  ASSERT_TRUE(scanInto(s, in));
  CdpIndex index;
  index.build(s);
  PanelTraces panel(s, index, 1200.0, DefaultTraceCacheBytes);
  int h = rawOpen(in, RawAccess::ReadOnly);
  panel.setInput(h);
  panel.load(1001, 4);
  ASSERT_TRUE(panel.allKept());
  const std::vector<float> vels = {1600, 1900, 2300};
  PanelMoveout work(vels, 0.5f, true, 2, /*resultBudget=*/1);
  work.start(panel, 4);
  for (size_t j = 0; j < vels.size(); ++j)
    for (std::int64_t m = 0; m < 4; ++m) {
      const CdpMoveout& r = work.wait(j, m);
      std::vector<float> expect(300, 0.0f);
      for (const InputTrace& t : panel.keptTraces(m)) {
        const float offset = static_cast<float>(t.header[WordOffset]) / static_cast<float>(t.header[WordOffsetScalar]);
        nmoit(t.samples, expect.data(), t.numSamples, vels[j], offset, 0.5f, t.header[WordSampleInterval], 1);
      }
      ASSERT_EQ(r.samples.size(), expect.size());
      EXPECT_EQ(std::memcmp(r.samples.data(), expect.data(), expect.size() * sizeof(float)), 0) << j << " " << m;
      work.release(j, m);
    }
  work.stop();
  rawClose(h);
}
