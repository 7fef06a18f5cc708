#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sys/resource.h>
#include <unistd.h>

#include "generation/core/Generation.h"
#include "support/GenFixtures.h"
#include "support/ScriptedUi.h"

using namespace tsly;
using namespace tsly::test;

namespace {

struct GenerationEngine : ::testing::Test {
  TempDir dir;
  AppState s;
  ScriptedUi ui;
  std::string in, out;
  GenerationHooks hooks;
  std::vector<std::string> progress;
  std::vector<bool> running;

  void SetUp() override {
    in = dir.file("gather.dat");
    out = dir.file("panels.nmo");
    hooks.timeOfDay = [] { return std::string("13:05:09"); };
    hooks.progress = [this](const std::string& t, std::int64_t, std::int64_t) { progress.push_back(t); };
    hooks.runningChanged = [this](bool r) { running.push_back(r); };
  }
  void useGather(const std::vector<GatherTrace>& traces) {
    writeGather(in, traces);
    ASSERT_TRUE(scanInto(s, in));
  }
  GenerationParams params(std::vector<float> starts, std::vector<float> vels, float n, double lengthMs,
                          std::int16_t stack = 1) {
    GenerationParams p;
    p.startCdps = std::move(starts);
    p.velocities = std::move(vels);
    p.cdpsPerPanel = n;
    p.stretch = 0.5f;
    p.lengthMs = lengthMs;
    p.stackFlag = stack;
    p.outputName = out;
    p.upperCaseFileName = false;
    return p;
  }
  GenerationResult run(const GenerationParams& p) { return generatePanels(s, ui, p, hooks); }
};

GatherTrace flatTrace(std::int16_t cdp, std::int16_t offset, std::vector<float> samples) {
  GatherTrace t;
  t.cdp = cdp;
  t.offset = offset;
  t.samples = std::move(samples);
  return t;
}

}  // namespace

TEST_F(GenerationEngine, TwoPanelsThreeVelocitiesFiveCdpsStackedGiveThirtySixTraces) {
  useGather(syntheticGather(1001, 12, 4, 200));
  auto r = run(params({1001, 1006}, {1500, 2000, 2500}, 5, 800));
  ASSERT_EQ(r.outcome, GenerationOutcome::Finished);
  auto traces = readTraces(out);
  ASSERT_EQ(traces.size(), 36u);
  EXPECT_EQ(r.tracesWritten, 36);
  const std::int16_t vels[] = {1500, 2000, 2500, 1500, 2000, 2500};
  for (int i = 1; i <= 36; ++i) {
    const auto& h = traces[static_cast<size_t>(i - 1)].h;
    EXPECT_EQ(h[WordNumSamples], 200) << i;
    EXPECT_EQ(h[WordSampleFormat], FloatFormatMarker) << i;
    if (i % 6 == 0) {
      EXPECT_EQ(h[WordTraceCode], 9) << i;
      EXPECT_EQ(h[WordCdp], vels[i / 6 - 1]) << i;
      for (float x : traces[static_cast<size_t>(i - 1)].s) EXPECT_EQ(x, 0.0f);
    } else {
      EXPECT_EQ(h[WordTraceCode], 1) << i;
      EXPECT_EQ(h[WordDataType], DataCdpStacked) << i;
      EXPECT_EQ(h[WordStackCount], 4) << i;
      int panel = (i - 1) / 18;
      EXPECT_EQ(h[WordCdp], 1001 + panel * 5 + (i - 1) % 6) << i;
    }
  }
  // Progress once per CDP, events let run each time, then the completion message.
  ASSERT_EQ(progress.size(), 30u);
  EXPECT_EQ(progress[0], "CDP- 1001\r\nVelocity = 1500");
  EXPECT_EQ(progress[29], "CDP- 1010\r\nVelocity = 2500");
  EXPECT_EQ(ui.eventsRun, 30);
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(Box(ui.boxes[0]), (Box{"Processing complete at 13:05:09", "TSLY-Move out completed", Buttons::Ok, Icon::Information}));
  EXPECT_EQ(ui.beeps, 1);
  EXPECT_FALSE(ui.busy);
  EXPECT_EQ(running, (std::vector<bool>{true, false}));
  // The run leaves its values in the shared state; the input handle is closed.
  EXPECT_EQ(s.NumSamples, 200);
  EXPECT_EQ(s.TraceFileHandle, -1);
  EXPECT_EQ(s.TraceHeader[WordTraceCode], 9);
  EXPECT_EQ(s.TraceHeader[WordCdp], 2500);
}

TEST_F(GenerationEngine, OutputLengthSetsTheSampleCount) {
  useGather(syntheticGather(1001, 2, 3, 1000));
  ASSERT_EQ(run(params({1001}, {2000}, 2, 3000)).outcome, GenerationOutcome::Finished);
  auto traces = readTraces(out);
  ASSERT_EQ(traces.size(), 3u);
  for (const auto& t : traces) {
    EXPECT_EQ(t.h[WordNumSamples], 750);
    EXPECT_EQ(t.s.size(), 750u);
  }
  // The next length check uses the values the run left: 750 samples at 4 ms.
  ui.boxes.clear();
  EXPECT_FALSE(validateGeneration(params({1001}, {2000}, 2, 3004), s, ui));
  EXPECT_TRUE(validateGeneration(params({1001}, {2000}, 2, 3000), s, ui));
}

TEST_F(GenerationEngine, SeparatorVelocityRoundsHalfToEvenWhileMoveoutUsesTheExactValue) {
  useGather(syntheticGather(1001, 1, 4, 300));
  ASSERT_EQ(run(params({1001}, {2500.5f, 2501.5f, 2500.0f}, 1, 1000)).outcome, GenerationOutcome::Finished);
  auto t = readTraces(out);
  ASSERT_EQ(t.size(), 6u);
  EXPECT_EQ(t[1].h[WordCdp], 2500);
  EXPECT_EQ(t[3].h[WordCdp], 2502);
  EXPECT_EQ(t[5].h[WordCdp], 2500);
  EXPECT_NE(t[0].s, t[4].s);  // 2500.5 is not moved out as 2500
}

TEST_F(GenerationEngine, StopInMidBlockCompletesTheBlockWithItsSeparator) {
  useGather(syntheticGather(1001, 10, 2, 100));
  bool stop = false;
  hooks.stopRequested = [&] { return stop; };
  ui.onEvents = [&] {
    if (ui.eventsRun == 2) stop = true;  // pressed while CDP 2 of the first block runs
  };
  auto r = run(params({1001, 1006}, {1500, 2000}, 5, 400));
  EXPECT_EQ(r.outcome, GenerationOutcome::Finished);
  EXPECT_TRUE(r.stopped);
  auto t = readTraces(out);
  ASSERT_EQ(t.size(), 6u);
  EXPECT_EQ(t[5].h[WordTraceCode], 9);
  EXPECT_EQ(t[5].h[WordCdp], 1500);
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(ui.boxes[0].text, "Processing complete at 13:05:09");
}

TEST_F(GenerationEngine, InputAndOutputDifferingOnlyInCaseAreRefused) {
  useGather(syntheticGather(1001, 1, 2, 50));
  auto p = params({1001}, {2000}, 1, 100);
  p.outputName = dir.file("GATHER.DAT");
  EXPECT_EQ(run(p).outcome, GenerationOutcome::NotStarted);
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(ui.boxes[0].text, "Input and output files can not be the same.");
  EXPECT_EQ(ui.boxes[0].title, "Tessaly Duplicate file name");
  EXPECT_EQ(ui.boxes[0].icon, Icon::None);
  EXPECT_FALSE(std::filesystem::exists(p.outputName));
  // The dialog upper-cases the name it is given: still the same file.
  p.outputName = "  " + in + " ";
  p.upperCaseFileName = true;
  EXPECT_EQ(run(p).outcome, GenerationOutcome::NotStarted);
  // Another spelling of the same path is the same file too (it would be emptied).
  auto size = std::filesystem::file_size(in);
  p.outputName = dir.path() + "/./gather.dat";
  p.upperCaseFileName = false;
  EXPECT_EQ(run(p).outcome, GenerationOutcome::NotStarted);
  // And another spelling in another case.
  p.outputName = dir.path() + "/no/../GATHER.DAT";
  EXPECT_EQ(run(p).outcome, GenerationOutcome::NotStarted);
  EXPECT_FALSE(std::filesystem::exists(dir.file("GATHER.DAT")));
  EXPECT_EQ(ui.boxes.size(), 4u);
  EXPECT_EQ(std::filesystem::file_size(in), size);
}

TEST_F(GenerationEngine, EveryFailingCheckGivesItsOwnMessageInOrderAndTouchesNoFile) {
  useGather(syntheticGather(1001, 3, 2, 100));  // CDPs 1001..1003, 400 ms
  auto p = params({900, 1002, 900, 1002}, {-5, 2000, 0, 2000, 40000}, 5, 500);
  auto r = run(p);
  EXPECT_EQ(r.outcome, GenerationOutcome::Invalid);
  std::vector<std::pair<std::string, std::string>> want = {
      {"CDP value  900 out of range.\r\nEntry number  1", "TSLY-BAD CDP VALUE"},
      {"CDP value  900 out of range.\r\nEntry number  3", "TSLY-BAD CDP VALUE"},
      {"Velocity value -5 non-positive.\r\nEntry number  1", "TSLY-BAD VELOCITY VALUE"},
      {"Velocity value  0 non-positive.\r\nEntry number  3", "TSLY-BAD VELOCITY VALUE"},
      {"Length of output data not valid", "TSLY-Bad data length"},
      {"Duplicate starting CDP values at locations  1 and 3", "TSLY DUPLICATE CDPs NOT ALLOWED"},
      {"Duplicate starting CDP values at locations  2 and 4", "TSLY DUPLICATE CDPs NOT ALLOWED"},
      {"Duplicate Velocity values at locations  2 and 4", "TSLY DUPLICATE VELOCITIES NOT ALLOWED"},
      {"Velocity value  40000 too large (above 32767).\r\nEntry number  5", "TSLY-BAD VELOCITY VALUE"},
  };
  ASSERT_EQ(ui.boxes.size(), want.size());
  for (size_t i = 0; i < want.size(); ++i) {
    EXPECT_EQ(ui.boxes[i].text, want[i].first) << i;
    EXPECT_EQ(ui.boxes[i].title, want[i].second) << i;
    EXPECT_EQ(ui.boxes[i].icon, Icon::Information) << i;
    EXPECT_EQ(ui.boxes[i].buttons, Buttons::Ok) << i;
  }
  EXPECT_FALSE(std::filesystem::exists(out));
  EXPECT_EQ(ui.beeps, 0);
}

TEST_F(GenerationEngine, OneDuplicatePairGivesExactlyOneMessage) {
  useGather(syntheticGather(1001, 3, 2, 100));
  auto p = params({1001, 1002, 1001}, {2000}, 1, 100);
  EXPECT_FALSE(validateGeneration(p, s, ui));
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(ui.boxes[0].text, "Duplicate starting CDP values at locations  1 and 3");
}

TEST_F(GenerationEngine, ValuesBeyondSixteenBitsAreRefusedBeforeWriting) {
  std::vector<GatherTrace> g = syntheticGather(32760, 8, 2, 50);
  useGather(g);
  auto r = run(params({32765}, {2000}, 5, 100));  // CDPs 32765..32769
  EXPECT_EQ(r.outcome, GenerationOutcome::Invalid);
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(ui.boxes[0].text, "CDP value  32769 out of range (above 32767).\r\nEntry number  1");
  EXPECT_EQ(ui.boxes[0].title, "TSLY-BAD CDP VALUE");
  EXPECT_FALSE(std::filesystem::exists(out));
}

TEST_F(GenerationEngine, ZeroSampleIntervalIsRefusedBeforeTheOutputIsTouched) {
  auto g = syntheticGather(1001, 3, 2, 100);
  g[3].interval = 0;  // second trace of CDP 1002
  useGather(g);
  writeGather(out, {g[0]});  // an existing output that must survive
  auto before = readFile(out);
  auto r = run(params({1001}, {2000}, 3, 100));
  EXPECT_EQ(r.outcome, GenerationOutcome::NotStarted);
  ASSERT_EQ(ui.boxes.size(), 2u);  // the overwrite question, then the refusal
  EXPECT_EQ(ui.boxes[0].title, "File Message");
  EXPECT_EQ(ui.boxes[1].text, "Sample interval 0 microseconds in trace 4 (CDP 1002).\r\nCan not process this data");
  EXPECT_EQ(ui.boxes[1].title, "TSLY-Bad sample interval");
  EXPECT_EQ(readFile(out), before);
  // A negative interval keeps the blank before its sign.
  g[3].interval = -5;
  useGather(g);
  ui.boxes.clear();
  EXPECT_EQ(run(params({1001}, {2000}, 3, 100)).outcome, GenerationOutcome::NotStarted);
  ASSERT_EQ(ui.boxes.size(), 2u);
  EXPECT_EQ(ui.boxes[1].text, "Sample interval -5 microseconds in trace 4 (CDP 1002).\r\nCan not process this data");
}

TEST_F(GenerationEngine, CdpWithOnlyDeadOrSeparatorTracesWritesNothingWhenStacking) {
  auto g = syntheticGather(1001, 3, 2, 60);
  g[2].code = TraceCodeDead;
  g[3].code = TraceCodeSeparator;  // CDP 1002: no live trace
  useGather(g);
  ASSERT_EQ(run(params({1001}, {1800, 2200}, 3, 200)).outcome, GenerationOutcome::Finished);
  auto t = readTraces(out);
  ASSERT_EQ(t.size(), 6u);
  EXPECT_EQ(t[0].h[WordCdp], 1001);
  EXPECT_EQ(t[1].h[WordCdp], 1003);
  EXPECT_EQ(t[2].h[WordTraceCode], 9);
  EXPECT_EQ(t[3].h[WordCdp], 1001);
  // Unstacked: every live trace, dead and separator traces skipped.
  ASSERT_EQ(run(params({1001}, {1800}, 3, 200, 0)).outcome, GenerationOutcome::Finished);
  t = readTraces(out);
  ASSERT_EQ(t.size(), 5u);
  EXPECT_EQ(t[0].h[WordSecondaryKey], 100);
  EXPECT_EQ(t[1].h[WordSecondaryKey], 300);
  EXPECT_EQ(t[2].h[WordCdp], 1003);
  EXPECT_EQ(t[4].h[WordTraceCode], 9);
  EXPECT_EQ(t[0].h[WordDataType], DataCdpGather);
}

TEST_F(GenerationEngine, StackedTraceIsTheMeanOfItsOwnLiveTraces) {
  // Zero offsets move nothing, so the mean is exact. CDP 1002's stack must not
  // carry anything of CDP 1001's.
  std::vector<GatherTrace> g = {
      flatTrace(1001, 0, {100, 200, 300, 400}), flatTrace(1001, 0, {1, 2, 3, 4}),
      flatTrace(1001, 0, {7, 7, 7, 7}),         flatTrace(1002, 0, {-10, 5, 0.5f, 2}),
      flatTrace(1002, 0, {10, 5, 0.25f, 0}),
  };
  g[2].code = TraceCodeDead;
  useGather(g);
  ASSERT_EQ(run(params({1001}, {2000}, 2, 16)).outcome, GenerationOutcome::Finished);
  auto t = readTraces(out);
  ASSERT_EQ(t.size(), 3u);
  EXPECT_EQ(t[0].s, (std::vector<float>{50.5f, 101.0f, 151.5f, 202.0f}));
  EXPECT_EQ(t[0].h[WordStackCount], 2);
  // The trace read last for CDP 1001 is dead; the stack of its two live
  // traces is live data all the same.
  EXPECT_EQ(t[0].h[WordTraceCode], TraceCodeLive);
  EXPECT_EQ(t[1].s, (std::vector<float>{0.0f, 5.0f, 0.375f, 1.0f}));
  EXPECT_EQ(t[1].h[WordStackCount], 2);
  // The shared sample buffer holds the trace read last.
  ASSERT_EQ(s.TraceSamples.size(), 4u);
  EXPECT_EQ(std::vector<float>(s.TraceSamples.data1(), s.TraceSamples.data1() + 4),
            (std::vector<float>{10, 5, 0.25f, 0}));
}

TEST_F(GenerationEngine, EventIsFlattenedAtItsOwnVelocityAndNotAtOthers) {
  // Event at t0 = 400 ms with velocity 2000: the stack peaks best at 2000.
  useGather(syntheticGather(1001, 1, 12, 250, 100, 50, 0.4, 2000.0));
  ASSERT_EQ(run(params({1001}, {1600, 2000, 2500}, 1, 1000)).outcome, GenerationOutcome::Finished);
  auto t = readTraces(out);
  ASSERT_EQ(t.size(), 6u);
  float slow = t[0].s[100], right = t[2].s[100], fast = t[4].s[100];
  EXPECT_NEAR(right, 1000.0f, 15.0f);
  EXPECT_LT(slow, 0.8f * right);
  EXPECT_LT(fast, 0.8f * right);
}

TEST_F(GenerationEngine, TooShortTraceEndsTheRunWithAMessage) {
  auto g = syntheticGather(1001, 3, 1, 100);
  g[1].samples.resize(60);  // CDP 1002 holds only 240 ms
  useGather(g);
  auto r = run(params({1001}, {2000}, 3, 400));
  EXPECT_EQ(r.outcome, GenerationOutcome::Failed);
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(ui.boxes[0].text, "Trace 2 is shorter than the output length (60 samples, 100 needed).\r\nCan not continue");
  EXPECT_EQ(ui.boxes[0].title, "Tessaly");
  EXPECT_EQ(readTraces(out).size(), 1u);  // CDP 1001's trace stays
  EXPECT_FALSE(ui.busy);
  EXPECT_EQ(running, (std::vector<bool>{true, false}));
}

TEST_F(GenerationEngine, OutputLengthBelowOneSampleEndsTheRunWithAMessage) {
  useGather(syntheticGather(1001, 1, 1, 100));
  auto r = run(params({1001}, {2000}, 1, 1.5));  // 1.5 ms at 4 ms: 0 samples
  EXPECT_EQ(r.outcome, GenerationOutcome::Failed);
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(ui.boxes[0].text,
            "Output length gives no samples at the sample interval of trace 1.\r\nCan not continue");
}

TEST_F(GenerationEngine, MissingOffsetScalarEndsThroughFinish) {
  auto g = syntheticGather(1001, 2, 2, 50);
  g[2].scalar = 0;
  useGather(g);
  auto r = run(params({1001}, {2000}, 2, 100));
  EXPECT_EQ(r.outcome, GenerationOutcome::Finished);
  EXPECT_TRUE(r.offsetsMissing);
  ASSERT_EQ(ui.boxes.size(), 2u);
  EXPECT_EQ(ui.boxes[0].text,
            "Data does not have valid offset distance/multiplier values. Can not process this data");
  EXPECT_EQ(ui.boxes[0].title, "Tessaly - Data Not TSLY compat");
  EXPECT_EQ(ui.boxes[0].icon, Icon::None);
  EXPECT_EQ(ui.boxes[1].text, "Processing complete at 13:05:09");
  EXPECT_EQ(readTraces(out).size(), 1u);  // CDP 1001 was written
}

TEST_F(GenerationEngine, ShortWritesAreReportedForSamplesAndForHeaders) {
  useGather(syntheticGather(1001, 2, 2, 50));
  setWriteBudgetForTesting(240 + 100);  // header fits, sample block (200 bytes) does not
  auto r = run(params({1001}, {2000}, 2, 200));
  setWriteBudgetForTesting(-1);
  EXPECT_EQ(r.outcome, GenerationOutcome::Failed);
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(ui.boxes[0].text, "Trace data write failed");
  EXPECT_EQ(ui.boxes[0].title, "Tessaly");

  ui.boxes.clear();
  std::filesystem::remove(out);
  setWriteBudgetForTesting(240 + 200 + 100);  // the second header is cut short
  r = run(params({1001}, {2000}, 2, 200));
  setWriteBudgetForTesting(-1);
  EXPECT_EQ(r.outcome, GenerationOutcome::Failed);
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(ui.boxes[0].text, "Trace header write failed");
}

TEST_F(GenerationEngine, ReadFailuresEndTheRun) {
  useGather(syntheticGather(1001, 2, 2, 50));
  // The file loses its last trace's samples after it was opened.
  std::filesystem::resize_file(in, 3 * 440 + 240 + 20);
  auto r = run(params({1001}, {2000}, 2, 200));
  EXPECT_EQ(r.outcome, GenerationOutcome::Failed);
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(ui.boxes[0].text, "Trace data read failed");
  EXPECT_EQ(readTraces(out).size(), 1u);
  ui.boxes.clear();
  std::filesystem::remove(out);
  std::filesystem::resize_file(in, 3 * 440 + 100);
  r = run(params({1001}, {2000}, 2, 200));
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(ui.boxes[0].text, "Trace header read failed");
}

TEST_F(GenerationEngine, OpeningStepsAskAndReport) {
  useGather(syntheticGather(1001, 1, 2, 50));
  auto p = params({1001}, {2000}, 1, 100);
  p.outputName = "   ";
  EXPECT_EQ(run(p).outcome, GenerationOutcome::NotStarted);
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(ui.boxes[0].text, "Please choose an output file name.");
  EXPECT_EQ(ui.boxes[0].title, "Tessaly-Missing file name");

  // An existing output: Cancel keeps it, OK overwrites it.
  ui.boxes.clear();
  p.outputName = out;
  writeGather(out, syntheticGather(5, 1, 1, 10));
  auto before = readFile(out);
  ui.answers = {Answer::Cancel};
  EXPECT_EQ(run(p).outcome, GenerationOutcome::NotStarted);
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(Box(ui.boxes[0]), (Box{"The file '" + out +
                                  "' already exists on disk.\r\nSaving to this file will destroy its original "
                                  "contents.\r\n\r\nChoose OK to overwrite the file, Cancel to stop\r\n", "File Message", Buttons::OkCancel, Icon::Information}));
  EXPECT_EQ(readFile(out), before);
  ui.answers = {Answer::Ok};
  EXPECT_EQ(run(p).outcome, GenerationOutcome::Finished);
  EXPECT_EQ(readTraces(out).size(), 2u);

  // An input that has gone: the output was created, the input is reported.
  ui.boxes.clear();
  std::filesystem::remove(in);
  p.outputName = dir.file("other.nmo");
  EXPECT_EQ(run(p).outcome, GenerationOutcome::NotStarted);
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(ui.boxes[0].text, "Error opening file");
  EXPECT_EQ(ui.boxes[0].title, "Tessaly");

  // A folder that does not exist.
  ui.boxes.clear();
  writeGather(in, syntheticGather(1001, 1, 2, 50));
  p.outputName = dir.file("no/such/dir/x.nmo");
  EXPECT_EQ(run(p).outcome, GenerationOutcome::NotStarted);
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(ui.boxes[0].text, "That path does not exist");
  EXPECT_EQ(ui.boxes[0].title, "File Error");
}

TEST_F(GenerationEngine, DialogNamesAreUpperCasedInTheFileNameOnly) {
  EXPECT_EQ(generationOutputName("  /home/ana/data/my panel.nmo  ", true), "/home/ana/data/MY PANEL.NMO");
  EXPECT_EQ(generationOutputName("/home/ana/data/my panel.nmo", false), "/home/ana/data/my panel.nmo");
  EXPECT_EQ(generationOutputName("tslynmo.nmo", true), "TSLYNMO.NMO");
  useGather(syntheticGather(1001, 1, 2, 50));
  auto p = params({1001}, {2000}, 1, 100);
  p.outputName = dir.file("tslynmo.nmo");
  p.upperCaseFileName = true;
  auto r = run(p);
  EXPECT_EQ(r.outputPath, dir.file("TSLYNMO.NMO"));
  EXPECT_TRUE(std::filesystem::exists(dir.file("TSLYNMO.NMO")));
}

TEST(GenerationCdpsPerBlock, CountsTheRealLoop) {
  EXPECT_EQ(cdpsPerBlock(25.0f), 25);
  EXPECT_EQ(cdpsPerBlock(2.5f), 2);
  EXPECT_EQ(cdpsPerBlock(1.0f), 1);
  EXPECT_EQ(cdpsPerBlock(0.0f), 0);
}

TEST_F(GenerationEngine, TwoByteInputWithoutStackingIsWrittenAsFloats) {
  std::vector<float> ramp(20), values(20, 0.0f);
  for (int i = 0; i < 20; ++i) ramp[static_cast<size_t>(i)] = static_cast<float>(i * 100 + (i % 3) * 7);
  values[0] = 12345;
  values[1] = -32768;
  values[2] = 7;
  GatherTrace a = flatTrace(1001, 0, values);
  a.float4 = false;
  GatherTrace b = flatTrace(1001, 10, ramp);  // 2.5 samples of moveout at t0 = 0
  b.float4 = false;
  useGather({a, b});
  ASSERT_EQ(run(params({1001}, {1000}, 1, 80, 0)).outcome, GenerationOutcome::Finished);
  auto t = readTraces(out);
  ASSERT_EQ(t.size(), 3u);
  EXPECT_EQ(t[0].h[WordSampleFormat], FloatFormatMarker);
  EXPECT_EQ(t[0].h[WordDataType], DataCdpGather);  // still gather data
  EXPECT_EQ(t[0].s, values);
  // The moved-out trace keeps its fractions (it would round to integers in 2 bytes).
  bool fraction = false;
  for (float x : t[1].s) fraction = fraction || x != std::round(x);
  EXPECT_TRUE(fraction);
  EXPECT_EQ(t[2].h[WordSampleFormat], FloatFormatMarker);  // the separator follows the buffer
  EXPECT_EQ(t[2].h[WordNumSamples], 20);
}

TEST_F(GenerationEngine, RangesGeneratedApartAndJoinedEqualOneRun) {
  useGather(syntheticGather(1001, 12, 3, 120));
  AppState fresh = s;
  ASSERT_EQ(run(params({1001, 1005, 1009}, {1700, 2300}, 4, 400)).outcome, GenerationOutcome::Finished);
  const std::string whole = readFile(out);
  std::string joined;
  for (float start : {1001.0f, 1005.0f, 1009.0f}) {
    s = fresh;
    std::filesystem::remove(out);
    ASSERT_EQ(run(params({start}, {1700, 2300}, 4, 400)).outcome, GenerationOutcome::Finished);
    joined += readFile(out);
  }
  EXPECT_TRUE(joined == whole);
}

// A panel whose traces do not fit the memory the process may still take: the
// run ends with a message instead of a crash. The address space is limited
// in a child process (not with sanitizers, which reserve far more).
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define TSLY_ADDRESS_SPACE_LIMITS 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define TSLY_ADDRESS_SPACE_LIMITS 0
#endif
#endif
#ifndef TSLY_ADDRESS_SPACE_LIMITS
#define TSLY_ADDRESS_SPACE_LIMITS 1
#endif

// In the child of a death test: the run with 4 MB of address space to spare.
[[noreturn]] void runWithLittleMemory(GenerationEngine& f, const GenerationParams& p) {
  long pages = 0;
  std::ifstream("/proc/self/statm") >> pages;
  const rlim_t room = static_cast<rlim_t>(pages) * static_cast<rlim_t>(::sysconf(_SC_PAGESIZE)) + (4u << 20);
  const rlimit lim{room, room};
  ::setrlimit(RLIMIT_AS, &lim);
  const GenerationResult r = f.run(p);
  const bool told = f.ui.boxes.size() == 1 && f.ui.boxes[0].text ==
                                                  "There is not enough memory to go on with the run.\r\n"
                                                  "The output file holds the traces written so far.";
  const bool failed = r.outcome == GenerationOutcome::Failed && r.outOfMemory && !f.running.empty() &&
                      !f.running.back();
  std::fprintf(stderr, "%s %s\n", told ? "told" : "not told", failed ? "failed" : "other");
  std::_Exit(told && failed ? 0 : 1);
}

TEST_F(GenerationEngine, RunningOutOfMemoryEndsTheRunWithAMessage) {
  if (!TSLY_ADDRESS_SPACE_LIMITS) GTEST_SKIP() << "address-space limits do not mix with the sanitizers";
  // 64 traces of 32767 two-byte samples: some 4 MB on disk, 8 MB as floats.
  auto g = syntheticGather(1001, 2, 32, 32767, 100, 50);
  for (auto& t : g) {
    t.float4 = false;
    for (float& x : t.samples) x = std::round(x);
  }
  useGather(g);
  GenerationParams p = params({1001}, {2000}, 2, 32767 * 4.0);
  // A fresh process, not a fork: a fork would inherit the free heap the earlier tests left.
  ::testing::FLAGS_gtest_death_test_style = "threadsafe";
  EXPECT_EXIT(runWithLittleMemory(*this, p), ::testing::ExitedWithCode(0), "told failed");
}
