// Applying picked velocity functions to a gather: the moveout against nmoit,
// interpolation between picked CDPs, a flattened event, the recording delay,
// stacking, CDP ranges that join into one run, and runs that write nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>

#include "deck/core/ApplyVelocities.h"
#include "deck/core/CdpRange.h"
#include "deck/core/DeckReader.h"
#include "deck/core/MoveoutInput.h"
#include "deck/core/MoveoutStack.h"
#include "platform/RawFile.h"
#include "moveout/core/MoveoutTable.h"
#include "moveout/core/Nmo.h"
#include "support/DeckFixtures.h"
#include "support/GenFixtures.h"
#include "support/TraceFileBuilder.h"

using namespace tsly;
using namespace tsly::test;

namespace {

CdpVelocityFunction constant(int cdp, float v) { return {static_cast<std::int16_t>(cdp), {{500.0f, v}}}; }

MoveoutJob jobFor(const std::string& in, const std::string& out, std::vector<CdpVelocityFunction> f) {
  MoveoutJob job;
  job.inputPath = in;
  job.outputPath = out;
  job.functions = std::move(f);
  job.stretch = 0.5f;
  return job;
}

float offsetOf(const GatherTrace& t) { return static_cast<float>(t.offset) / static_cast<float>(t.scalar); }

std::vector<float> nmoitOf(const GatherTrace& t, float v, float stretch = 0.5f) {
  std::vector<float> out(t.samples.size());
  nmoit(t.samples.data(), out.data(), static_cast<std::int32_t>(t.samples.size()), v, offsetOf(t), stretch, t.interval,
        0);
  return out;
}

bool sameBits(const std::vector<float>& a, const std::vector<float>& b) {
  return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0;
}

// The deck run's stack of traces at one velocity, worked out from nmoit and
// the live samples a moveout table names: at each sample the mean of the
// traces live there, each tapered in over MuteTaperSamples samples (raised
// cosine) after its mute, divided by the weights' sum (at least 1).
std::vector<float> liveMeanStack(const std::vector<const GatherTrace*>& traces, float v, std::size_t n) {
  std::vector<float> sum(n, 0.0f), weight(n, 0.0f);
  for (const GatherTrace* t : traces) {
    const auto moved = nmoitOf(*t, v);
    MoveoutTable live;
    live.build(v, offsetOf(*t), 0.5f, t->interval, static_cast<std::int32_t>(t->samples.size()));
    for (int i = live.liveBegin(); i < live.liveEnd(); ++i) {
      const int k = i - live.liveBegin();
      const float w = live.liveBegin() > 0 && k < MuteTaperSamples
                          ? static_cast<float>(0.5 - 0.5 * std::cos(3.14159265358979323846 * (k + 1) /
                                                                    (MuteTaperSamples + 1)))
                          : 1.0f;
      sum[static_cast<size_t>(i)] += w * moved[static_cast<size_t>(i)];
      weight[static_cast<size_t>(i)] += w;
    }
  }
  for (size_t i = 0; i < n; ++i) sum[i] /= std::max(weight[i], 1.0f);
  return sum;
}

// Files in a folder besides the ones named (a temporary left behind shows here).
std::vector<std::string> otherFiles(const std::string& folder, const std::vector<std::string>& known) {
  std::vector<std::string> out;
  for (const auto& e : std::filesystem::directory_iterator(folder)) {
    const std::string name = e.path().filename().string();
    if (std::find(known.begin(), known.end(), name) == known.end()) out.push_back(name);
  }
  return out;
}

// Index (in [from, to)) of the largest absolute sample.
int peakIndex(const std::vector<float>& s, int from, int to) {
  int best = from;
  for (int i = from; i < to; ++i)
    if (std::fabs(s[static_cast<size_t>(i)]) > std::fabs(s[static_cast<size_t>(best)])) best = i;
  return best;
}

// One CDP of traces with a Ricker event arriving at sqrt(t0^2 + x^2/v^2)
// (absolute times); sample i lies at delayMs + i * 4 ms; word 55 = delayMs.
std::vector<GatherTrace> delayedEventGather(int delayMs, double t0, double vel, int offsets, int n) {
  std::vector<GatherTrace> out;
  const double pi = 3.14159265358979323846;
  for (int o = 0; o < offsets; ++o) {
    GatherTrace t;
    t.cdp = 1001;
    t.offset = static_cast<std::int16_t>(100 + 150 * o);
    t.extraWords = {{WordRecordingDelay, static_cast<std::int16_t>(delayMs)}};
    t.samples.resize(static_cast<size_t>(n));
    const double tx = std::sqrt(t0 * t0 + double(t.offset) * t.offset / (vel * vel));
    for (int i = 0; i < n; ++i) {
      const double a = pi * 25.0 * (delayMs * 1e-3 + i * 0.004 - tx);
      t.samples[static_cast<size_t>(i)] = static_cast<float>((1.0 - 2.0 * a * a) * std::exp(-a * a) * 1000.0);
    }
    out.push_back(std::move(t));
  }
  return out;
}

}  // namespace

TEST(DeckApplyVelocities, ConstantFunctionGivesNmoitSampleForSample) {
  TempDir dir;
  auto g = syntheticGather(1001, 3, 6, 300);
  // Offset scalars (word 35) other than 1 divide word 19, a negative one too.
  const std::int16_t scalars[] = {1, 2, -4};
  for (size_t k = 0; k < g.size(); ++k) g[k].scalar = scalars[k % 3];
  writeGather(dir.file("in.dat"), g);
  const MoveoutResult r = applyVelocities(jobFor(dir.file("in.dat"), dir.file("out.dat"), {constant(1002, 2000.0f)}));
  ASSERT_EQ(r.status, MoveoutStatus::Done) << r.message;
  EXPECT_EQ(r.tracesWritten, 18);
  EXPECT_EQ(r.tracesRead, 18);
  const auto out = readTraces(dir.file("out.dat"));
  ASSERT_EQ(out.size(), g.size());
  for (size_t k = 0; k < g.size(); ++k) {
    EXPECT_EQ(out[k].h, gatherHeader(g[k])) << "header of trace " << k << " changed";
    EXPECT_TRUE(sameBits(out[k].s, nmoitOf(g[k], 2000.0f))) << "trace " << k;
  }
}

TEST(DeckApplyVelocities, InterpolatesBetweenPickedCdpsAndHoldsBeyondThem) {
  // Constant functions at CDPs 1001 and 1003: CDP 1002 is moved out at their
  // mean, CDP 1000 with 1001's and CDP 1004 with 1003's.
  TempDir dir;
  const auto g = syntheticGather(1000, 5, 4, 250);
  writeGather(dir.file("in.dat"), g);
  const MoveoutResult r = applyVelocities(
      jobFor(dir.file("in.dat"), dir.file("out.dat"), {constant(1001, 2000.0f), constant(1003, 3000.0f)}));
  ASSERT_EQ(r.status, MoveoutStatus::Done) << r.message;
  const auto out = readTraces(dir.file("out.dat"));
  ASSERT_EQ(out.size(), g.size());
  const float expected[] = {2000.0f, 2000.0f, 2500.0f, 3000.0f, 3000.0f};
  for (size_t k = 0; k < g.size(); ++k)
    EXPECT_TRUE(sameBits(out[k].s, nmoitOf(g[k], expected[k / 4]))) << "trace " << k << " CDP " << g[k].cdp;

  // Time-variant functions: at each sample, linear in CDP number.
  const std::vector<CdpVelocityFunction> f = {{1001, {{100.0f, 1500.0f}, {900.0f, 2500.0f}}},
                                              {1005, {{300.0f, 2000.0f}, {700.0f, 3000.0f}}}};
  const auto a = velocitiesForCdp(f, 1001, 0.0, 4.0, 300);
  const auto b = velocitiesForCdp(f, 1005, 0.0, 4.0, 300);
  const auto mid = velocitiesForCdp(f, 1003, 0.0, 4.0, 300);
  const auto quarter = velocitiesForCdp(f, 1002, 0.0, 4.0, 300);
  ASSERT_EQ(mid.size(), 300u);
  for (size_t i = 0; i < 300; ++i) {
    EXPECT_NEAR(mid[i], (a[i] + b[i]) / 2.0f, 1e-3f) << i;
    EXPECT_NEAR(quarter[i], 0.75f * a[i] + 0.25f * b[i], 1e-3f) << i;
  }
  EXPECT_FLOAT_EQ(a[0], 1500.0f);    // before the first pick
  EXPECT_FLOAT_EQ(a[125], 2000.0f);  // 500 ms, halfway between the picks
  EXPECT_FLOAT_EQ(b[299], 3000.0f);  // after the last pick
  EXPECT_EQ(velocitiesForCdp(f, 990, 0.0, 4.0, 300), a);
  EXPECT_EQ(velocitiesForCdp(f, 1200, 0.0, 4.0, 300), b);
}

TEST(DeckApplyVelocities, EventPickedAtItsVelocityComesOutFlat) {
  // A reflection at 800 ms with moveout velocity 2400; the picked function
  // passes through 2400 at 800 ms.
  TempDir dir;
  const auto g = syntheticGather(1001, 1, 12, 600, 100, 150, 0.8, 2400.0);
  writeGather(dir.file("in.dat"), g);
  std::vector<int> before;
  for (const auto& t : g) before.push_back(peakIndex(t.samples, 150, 400));
  ASSERT_GT(before.back() - before.front(), 40) << "the event should move out over the offsets";
  MoveoutJob job = jobFor(dir.file("in.dat"), dir.file("out.dat"),
                          {{1001, {{200.0f, 1800.0f}, {800.0f, 2400.0f}, {1600.0f, 3000.0f}}}});
  ASSERT_EQ(applyVelocities(job).status, MoveoutStatus::Done);
  for (const auto& t : readTraces(dir.file("out.dat"))) {
    const float offset = static_cast<float>(t.h[WordOffset]);
    EXPECT_NEAR(peakIndex(t.s, 150, 400), 200, 1) << "offset " << offset;
  }
}

TEST(DeckApplyVelocities, RecordingDelaySwitchSetsTheFirstSampleTime) {
  // Samples from 200 ms (word 55): with the switch the event at 800 ms comes
  // out flat at sample (800 - 200) / 4; taking the first sample as 0 ms does not.
  TempDir dir;
  writeGather(dir.file("in.dat"), delayedEventGather(200, 0.8, 2400.0, 10, 500));
  MoveoutJob job = jobFor(dir.file("in.dat"), dir.file("delay.dat"), {constant(1001, 2400.0f)});
  job.useRecordingDelay = true;
  ASSERT_EQ(applyVelocities(job).status, MoveoutStatus::Done);
  const auto delayed = readTraces(dir.file("delay.dat"));
  ASSERT_EQ(delayed.size(), 10u);
  for (const auto& t : delayed) {
    EXPECT_EQ(t.h[WordRecordingDelay], 200);
    EXPECT_NEAR(peakIndex(t.s, 50, 300), 150, 1) << "offset " << t.h[WordOffset];
  }
  job.useRecordingDelay = false;
  job.outputPath = dir.file("nodelay.dat");
  ASSERT_EQ(applyVelocities(job).status, MoveoutStatus::Done);
  const auto plain = readTraces(dir.file("nodelay.dat"));
  EXPECT_GT(std::abs(peakIndex(plain.back().s, 50, 300) - peakIndex(plain.front().s, 50, 300)), 3);
}

TEST(DeckApplyVelocities, StackedTracesAreMarkedAndDeadAndSeparatorTracesLeftOut) {
  TempDir dir;
  auto g = syntheticGather(1001, 3, 4, 200);
  g[5].code = TraceCodeSeparator;                                               // CDP 1002: 3 live traces
  for (int k = 8; k < 12; ++k) g[static_cast<size_t>(k)].code = TraceCodeDead;  // CDP 1003: none
  g[10].code = TraceCodeSeparator;
  writeGather(dir.file("in.dat"), g);
  MoveoutJob job = jobFor(dir.file("in.dat"), dir.file("stack.dat"), {constant(1001, 2200.0f)});
  job.stack = true;
  const MoveoutResult r = applyVelocities(job);
  ASSERT_EQ(r.status, MoveoutStatus::Done) << r.message;
  EXPECT_EQ(r.tracesWritten, 2);
  const auto out = readTraces(dir.file("stack.dat"));
  ASSERT_EQ(out.size(), 2u);
  const size_t lastLive[] = {3, 7};
  const std::int16_t counts[] = {4, 3};
  for (size_t c = 0; c < 2; ++c) {
    std::vector<const GatherTrace*> live;
    for (size_t k = 4 * c; k < 4 * c + 4; ++k)
      if (g[k].code == TraceCodeLive) live.push_back(&g[k]);
    EXPECT_TRUE(sameBits(out[c].s, liveMeanStack(live, 2200.0f, 200))) << "CDP " << 1001 + c;
    HeaderArray h = gatherHeader(g[lastLive[c]]);
    h[WordDataType] = DataCdpStacked;
    h[WordTraceCode] = 1;
    h[WordStackCount] = counts[c];
    h[WordSampleFormat] = FloatFormatMarker;
    EXPECT_EQ(out[c].h, h) << "CDP " << 1001 + c;
  }
}

TEST(DeckApplyVelocities, MovedOutGatherKeepsDeadAndSeparatorTracesAndWidensTwoByteSamples) {
  TempDir dir;
  auto g = syntheticGather(1001, 2, 3, 120);
  g[1].code = TraceCodeDead;
  g[4].code = TraceCodeSeparator;
  for (auto& t : g) t.float4 = false;
  for (auto& t : g)
    for (float& x : t.samples) x = std::round(x);
  writeGather(dir.file("in.dat"), g);
  const std::string in = readFile(dir.file("in.dat"));
  ASSERT_EQ(applyVelocities(jobFor(dir.file("in.dat"), dir.file("out.dat"), {constant(1001, 1900.0f)})).status,
            MoveoutStatus::Done);
  const std::string out = readFile(dir.file("out.dat"));
  const size_t inTrace = HeaderBytes + 120 * 2, outTrace = HeaderBytes + 120 * 4;
  // Traces 2 (dead) and 5 (separator) are copied as they stand, 2-byte samples and all.
  EXPECT_EQ(out.substr(outTrace, inTrace), in.substr(inTrace, inTrace));
  EXPECT_EQ(out.substr(3 * outTrace + inTrace, inTrace), in.substr(4 * inTrace, inTrace));
  const auto traces = readTraces(dir.file("out.dat"));
  ASSERT_EQ(traces.size(), 6u);
  for (size_t k = 0; k < 6; ++k) {
    if (k == 1 || k == 4) continue;
    HeaderArray h = gatherHeader(g[k]);
    h[WordSampleFormat] = FloatFormatMarker;
    EXPECT_EQ(traces[k].h, h);
    EXPECT_TRUE(sameBits(traces[k].s, nmoitOf(g[k], 1900.0f))) << k;
  }
}

TEST(DeckApplyVelocities, CdpRangesJoinIntoTheBytesOfOneRun) {
  // CDPs stored out of order in the file, a dead trace, functions on two CDPs.
  TempDir dir;
  auto g = syntheticGather(1001, 6, 5, 300);
  std::rotate(g.begin(), g.begin() + 15, g.end());  // 1004..1006 first
  g[7].code = TraceCodeDead;
  writeGather(dir.file("in.dat"), g);
  for (bool stack : {false, true}) {
    MoveoutJob job = jobFor(dir.file("in.dat"), dir.file("whole.dat"),
                            {{1002, {{100.0f, 1700.0f}, {900.0f, 2600.0f}}}, constant(1005, 2400.0f)});
    job.stack = stack;
    job.overwrite = true;
    ASSERT_EQ(applyVelocities(job).status, MoveoutStatus::Done);
    std::string joined;
    const int ranges[][2] = {{1001, 1002}, {1003, 1003}, {1004, 1006}};
    for (const auto& range : ranges) {
      job.outputPath = dir.file("part.dat");
      job.limitCdps = true;
      job.firstCdp = range[0];
      job.lastCdp = range[1];
      const MoveoutResult r = applyVelocities(job);
      ASSERT_EQ(r.status, MoveoutStatus::Done);
      joined += readFile(dir.file("part.dat"));
    }
    const std::string whole = readFile(dir.file("whole.dat"));
    EXPECT_EQ(whole.size(), stack ? 6 * (HeaderBytes + 1200u) : 30 * (HeaderBytes + 1200u));
    EXPECT_TRUE(joined == whole) << (stack ? "stacked" : "moved out");
    // Ascending CDP order in the output, whatever the file order.
    std::int16_t last = -32768;
    for (const auto& t : readTraces(dir.file("whole.dat"))) {
      EXPECT_GE(t.h[WordCdp], last);
      last = t.h[WordCdp];
    }
  }
}

TEST(DeckApplyVelocities, TheDeckTessalySendsRunsUnchanged) {
  TempDir dir;
  const std::string in = dir.file("my gather.dat"), out = dir.file("moved out.dat");
  writeGather(in, syntheticGather(1001, 4, 6, 400, 100, 200, 0.6, 2200.0));
  AppState st = pickedCdps({{1004, {{1000.0f, 2600}, {600.0f, 2200}}}, {1001, {{300.0f, 1800}, {600.0f, 2200}}}});
  const auto lines = tessalyDeckLines(st, in, ".5", false, out);
  const deck::DeckReadResult d = deck::readDeck(deckText(lines));
  ASSERT_TRUE(d.ok) << d.fault.message();
  MoveoutJob job = deck::moveoutJob(d.deck);
  job.stack = true;
  const MoveoutResult r = applyVelocities(job);
  ASSERT_EQ(r.status, MoveoutStatus::Done) << r.message;
  EXPECT_EQ(r.tracesWritten, 4);
  EXPECT_EQ(readTraces(out).size(), 4u);
}

TEST(DeckApplyVelocities, RefusalsWriteNothing) {
  TempDir dir;
  const std::string in = dir.file("in.dat"), out = dir.file("out.dat");
  auto g = syntheticGather(1001, 2, 3, 100);
  writeGather(in, g);
  const std::vector<std::string> known = {"in.dat", "out.dat"};

  // An existing output stays as it is unless overwriting is asked for.
  writeFile(out, "keep me");
  MoveoutJob job = jobFor(in, out, {constant(1001, 2000.0f)});
  MoveoutResult r = applyVelocities(job);
  EXPECT_EQ(r.status, MoveoutStatus::OutputExists);
  EXPECT_EQ(r.subject, MoveoutSubject::Output);
  EXPECT_EQ(r.message, "\"" + out + "\" exists (use --force to overwrite it)");
  EXPECT_EQ(readFile(out), "keep me");
  job.overwrite = true;
  EXPECT_EQ(applyVelocities(job).status, MoveoutStatus::Done);
  EXPECT_EQ(readTraces(out).size(), 6u);

  // The input is never the output, not even with overwriting.
  MoveoutJob self = jobFor(in, dir.path() + "/./in.dat", {constant(1001, 2000.0f)});
  self.overwrite = true;
  r = applyVelocities(self);
  EXPECT_EQ(r.status, MoveoutStatus::Refused);
  EXPECT_EQ(r.message, "\"" + self.outputPath + "\" is the input file");
  EXPECT_EQ(readFile(in).size(), 6 * (HeaderBytes + 400u));

  std::filesystem::remove(out);
  // A live trace without valid offsets, checked before anything is written.
  g[4].scalar = 0;
  writeGather(in, g);
  r = applyVelocities(jobFor(in, out, {constant(1001, 2000.0f)}));
  EXPECT_EQ(r.status, MoveoutStatus::Refused);
  EXPECT_EQ(r.subject, MoveoutSubject::Input);
  EXPECT_EQ(r.message, "trace 5 (CDP 1002) has no valid offset (word 35 is 0)");
  EXPECT_FALSE(std::filesystem::exists(out));
  // ... but a range without that trace runs.
  MoveoutJob range = jobFor(in, out, {constant(1001, 2000.0f)});
  range.limitCdps = true;
  range.firstCdp = range.lastCdp = 1001;
  EXPECT_EQ(applyVelocities(range).status, MoveoutStatus::Done);
  std::filesystem::remove(out);
  // A range naming no CDP of the file would write nothing: refused, and listed as none.
  range.firstCdp = 995;
  range.lastCdp = 1000;
  r = applyVelocities(range);
  EXPECT_EQ(r.status, MoveoutStatus::Refused);
  EXPECT_EQ(r.subject, MoveoutSubject::Range);
  EXPECT_EQ(r.message, "\"" + in + "\" holds none of CDPs 995 to 1000 (its CDPs run from 1001 to 1002)");
  EXPECT_FALSE(std::filesystem::exists(out));
  std::vector<std::int16_t> cdps;
  EXPECT_FALSE(moveoutCdps(range, cdps, r));
  EXPECT_EQ(r.message, "\"" + in + "\" holds none of CDPs 995 to 1000 (its CDPs run from 1001 to 1002)");
  range.lastCdp = 1001;  // the CDPs of the range, from the headers alone (trace 5's fault is the run's)
  ASSERT_TRUE(moveoutCdps(range, cdps, r));
  EXPECT_EQ(cdps, std::vector<std::int16_t>{1001});
  range.limitCdps = false;
  ASSERT_TRUE(moveoutCdps(range, cdps, r));
  EXPECT_EQ(cdps, (std::vector<std::int16_t>{1001, 1002}));

  // Stacked data is no gather.
  std::vector<GatherTrace> stacked = syntheticGather(1001, 1, 1, 50);
  TraceFileBuilder().trace(gatherHeader(stacked[0], DataCdpStacked), {}).writeTo(dir.file("in.dat"));
  r = applyVelocities(jobFor(in, out, {constant(1001, 2000.0f)}));
  EXPECT_EQ(r.message, "\"" + in + "\" holds CDP Stacked Data; only CDP-gather data (type 1 or 3) is moved out");
  EXPECT_FALSE(std::filesystem::exists(out));

  // A CDP whose live traces differ in sample interval can not be stacked.
  g = syntheticGather(1001, 1, 3, 100);
  g[2].interval = 2000;
  writeGather(in, g);
  MoveoutJob mixed = jobFor(in, out, {constant(1001, 2000.0f)});
  mixed.stack = true;
  r = applyVelocities(mixed);
  EXPECT_EQ(r.message, "CDP 1001 can not be stacked: trace 1 is sampled at 4000 microseconds, trace 3 at 2000");
  EXPECT_FALSE(std::filesystem::exists(out));
  mixed.stack = false;
  EXPECT_EQ(applyVelocities(mixed).status, MoveoutStatus::Done);

  // A file cut inside its last trace.
  std::filesystem::resize_file(in, std::filesystem::file_size(in) - 10);
  std::filesystem::remove(out);
  r = applyVelocities(jobFor(in, out, {constant(1001, 2000.0f)}));
  EXPECT_EQ(r.message, "trace 3 is cut short (the file ends inside it)");
  r = applyVelocities(jobFor(dir.file("none.dat"), out, {constant(1001, 2000.0f)}));
  EXPECT_EQ(r.message, "\"" + dir.file("none.dat") + "\": No such file or directory");
  EXPECT_EQ(otherFiles(dir.path(), known), std::vector<std::string>{});
}

TEST(DeckApplyVelocities, CancelledOrFailedRunsLeaveNoFile) {
  TempDir dir;
  const std::string in = dir.file("in.dat"), out = dir.file("out.dat");
  writeGather(in, syntheticGather(1001, 20, 24, 1500));  // about 3 MB: more than one block
  MoveoutJob job = jobFor(in, out, {constant(1010, 2000.0f)});

  bool stop = false;
  int reports = 0;
  MoveoutHooks hooks;
  hooks.progress = [&](std::int64_t done, std::int64_t total) {
    ++reports;
    EXPECT_LT(done, total);
    stop = true;
  };
  hooks.cancelled = [&] { return stop; };
  MoveoutResult r = applyVelocities(job, hooks);
  EXPECT_EQ(r.status, MoveoutStatus::Cancelled);
  EXPECT_EQ(reports, 1);
  EXPECT_EQ(otherFiles(dir.path(), {"in.dat"}), std::vector<std::string>{});

  // The disk fills up part-way.
  setWriteBudgetForTesting(1 << 20);
  r = applyVelocities(job);
  setWriteBudgetForTesting(-1);
  EXPECT_EQ(r.status, MoveoutStatus::Failed);
  EXPECT_EQ(r.message, "writing \"" + out + "\" failed (disk full?)");
  EXPECT_EQ(r.tracesWritten, 0);
  EXPECT_EQ(otherFiles(dir.path(), {"in.dat"}), std::vector<std::string>{});

  // Progress reaches the total.
  std::int64_t lastDone = 0, lastTotal = 0;
  hooks.progress = [&](std::int64_t done, std::int64_t total) {
    EXPECT_GT(done, lastDone);
    lastDone = done;
    lastTotal = total;
  };
  hooks.cancelled = nullptr;
  job.workers = 2;
  ASSERT_EQ(applyVelocities(job, hooks).status, MoveoutStatus::Done);
  EXPECT_EQ(lastDone, 480);
  EXPECT_EQ(lastTotal, 480);
}

// Rows: stacked or not, workers. A gather of several blocks whose CDPs lie in
// descending order in the file, of uneven fold, with dead traces and a CDP of
// 2-byte samples, gives the bytes of one worker whatever the number of workers.
class DeckWorkers : public testing::TestWithParam<std::tuple<bool, int>> {};

TEST_P(DeckWorkers, OutputIsTheSameWhateverTheNumberOfWorkers) {
  TempDir dir;
  std::vector<GatherTrace> g;
  for (int c = 40; c-- > 0;)
    for (GatherTrace& t : syntheticGather(1001 + c, 1, 24 - c % 5, 1500)) {
      t.code = g.size() % 7 == 3 ? 2 : 1;
      t.float4 = c != 17;
      g.push_back(std::move(t));
    }
  writeGather(dir.file("in.dat"), g);  // 5 MB: three blocks and more
  MoveoutJob job = jobFor(dir.file("in.dat"), dir.file("one.dat"), {constant(1005, 1900.0f), constant(1030, 2300.0f)});
  job.stack = std::get<0>(GetParam());
  job.workers = 1;
  ASSERT_EQ(applyVelocities(job).status, MoveoutStatus::Done);
  job.workers = std::get<1>(GetParam());
  job.outputPath = dir.file("more.dat");
  ASSERT_EQ(applyVelocities(job).status, MoveoutStatus::Done);
  const std::string one = readFile(dir.file("one.dat"));
  if (job.stack)
    EXPECT_EQ(one.size(), 40u * (240 + 6000));  // every CDP has live traces
  else
    EXPECT_GT(one.size(), std::filesystem::file_size(dir.file("in.dat")));  // 2-byte samples widened
  EXPECT_TRUE(readFile(dir.file("more.dat")) == one);
}

INSTANTIATE_TEST_SUITE_P(Rows, DeckWorkers, testing::Combine(testing::Bool(), testing::Values(2, 3)),
                         [](const auto& info) {
                           return std::string(std::get<0>(info.param) ? "stacked" : "moved_out") + "_workers" +
                                  std::to_string(std::get<1>(info.param));
                         });

TEST(DeckApplyVelocities, OneHugeCdpIsSplitIntoBatchesAndBlocks) {
  // 1600 traces of one CDP, 9.6 MB: a moved-out run spreads it over blocks, a
  // stacked run reads it in batches; the results are those of nmoit.
  TempDir dir;
  const auto g = syntheticGather(1001, 1, 1600, 1500, 100, 10);
  writeGather(dir.file("in.dat"), g);
  MoveoutJob job = jobFor(dir.file("in.dat"), dir.file("out.dat"), {constant(1001, 2000.0f)});
  ASSERT_EQ(applyVelocities(job).status, MoveoutStatus::Done);
  const auto out = readTraces(dir.file("out.dat"));
  ASSERT_EQ(out.size(), g.size());
  for (size_t k = 0; k < g.size(); ++k) ASSERT_TRUE(sameBits(out[k].s, nmoitOf(g[k], 2000.0f))) << k;

  job.stack = true;
  job.outputPath = dir.file("stack.dat");
  ASSERT_EQ(applyVelocities(job).status, MoveoutStatus::Done);
  std::vector<const GatherTrace*> all;
  for (const auto& t : g) all.push_back(&t);
  const auto stacked = readTraces(dir.file("stack.dat"));
  ASSERT_EQ(stacked.size(), 1u);
  EXPECT_EQ(stacked[0].h[WordStackCount], 1600);
  EXPECT_TRUE(sameBits(stacked[0].s, liveMeanStack(all, 2000.0f, 1500)));
}

TEST(DeckApplyVelocities, StackIsTheMeanOfTheTracesLiveAtEachSample) {
  // 24 offsets to 2400 m, an event at 400 ms / 2000 m/s: at 400 ms the stretch
  // mute leaves a third of the traces; their mean keeps the event's amplitude.
  TempDir dir;
  writeGather(dir.file("in.dat"), syntheticGather(1001, 1, 24, 300, 100, 100, 0.4, 2000.0));
  MoveoutJob job = jobFor(dir.file("in.dat"), dir.file("stack.dat"), {constant(1001, 2000.0f)});
  job.stack = true;
  ASSERT_EQ(applyVelocities(job).status, MoveoutStatus::Done);
  const auto stacked = readTraces(dir.file("stack.dat"));
  ASSERT_EQ(stacked.size(), 1u);
  const int peak = peakIndex(stacked[0].s, 50, 150);
  EXPECT_EQ(peak, 100);
  EXPECT_NEAR(stacked[0].s[100], 1000.0f, 50.0f);

  // A trace alone comes out of its mute through the taper: 0 while muted, the
  // raised-cosine weights over the first live samples, then the trace itself.
  GatherTrace flat;
  flat.offset = 1200;
  flat.samples.assign(300, 1.0f);
  writeGather(dir.file("one.dat"), {flat});
  job.inputPath = dir.file("one.dat");
  job.outputPath = dir.file("one_stack.dat");
  ASSERT_EQ(applyVelocities(job).status, MoveoutStatus::Done);
  const auto one = readTraces(dir.file("one_stack.dat"));
  MoveoutTable t;
  t.build(2000.0f, 1200.0f, 0.5f, 4000, 300);
  const int b = t.liveBegin();
  ASSERT_GT(b, 10);
  for (int i = 0; i < b; ++i) EXPECT_EQ(one[0].s[static_cast<size_t>(i)], 0.0f) << i;
  for (int k = 0; k < MuteTaperSamples + 4; ++k) {
    const double w = k < MuteTaperSamples ? 0.5 - 0.5 * std::cos(3.14159265358979323846 * (k + 1) / 9.0) : 1.0;
    EXPECT_NEAR(one[0].s[static_cast<size_t>(b + k)], w, 1e-5) << "sample " << k << " after the mute";
  }
}

TEST(DeckApplyVelocities, CdpRangeText) {
  int a = 0, b = 0;
  EXPECT_TRUE(parseCdpRange("1001-1050", a, b));
  EXPECT_EQ(a, 1001);
  EXPECT_EQ(b, 1050);
  EXPECT_TRUE(parseCdpRange(" -20--10 ", a, b));
  EXPECT_EQ(a, -20);
  EXPECT_EQ(b, -10);
  EXPECT_TRUE(parseCdpRange("1005", a, b));
  EXPECT_EQ(a, 1005);
  EXPECT_EQ(b, 1005);
  for (const char* bad : {"", "1050-1001", "1001-", "-", "a-b", "1001-1050x", "1001 - 1050", "40000-40001", "1.5-2"})
    EXPECT_FALSE(parseCdpRange(bad, a, b)) << bad;
}
