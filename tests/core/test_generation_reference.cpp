// The engine (CDP index, each trace read once per panel, kept within a memory
// budget) against the straightforward loop: the output files must agree byte
// for byte, with the whole panel kept, with none of it kept and with part of it.
#include <gtest/gtest.h>

#include "generation/core/Generation.h"
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
  std::string x = readAll(fast), y = readAll(slow);
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
