// The velocity spectrum: semblance engine, gather reading, peaks, text and picture.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "spectrum/core/GatherCdps.h"
#include "spectrum/core/Semblance.h"
#include "spectrum/core/SpectrumPicture.h"
#include "spectrum/core/SpectrumRun.h"
#include "spectrum/core/SpectrumText.h"
#include "spectrum/core/SpectrumWorker.h"
#include "generation/core/Synth.h"
#include "support/FixedTextMeasure.h"
#include "support/GenFixtures.h"
#include "support/SemblanceReference.h"
#include "support/TraceFileBuilder.h"

using namespace tsly;
using namespace tsly::test;

namespace {

SemblanceSettings settingsFor(double vmin, double vmax, double dv, int workers = 2) {
  SemblanceSettings s;
  s.velocities = velocityGrid(vmin, vmax, dv);
  s.workers = workers;
  return s;
}

// The column of the largest value in row i.
std::size_t bestColumn(const Spectrum& s, std::int32_t i) {
  std::size_t best = 0;
  for (std::size_t k = 1; k < s.velocities.size(); ++k)
    if (s.at(i, k) > s.at(i, best)) best = k;
  return best;
}

GatherTrace traceOf(std::int16_t cdp, std::int16_t offset, std::vector<float> samples, std::int16_t code = 1) {
  GatherTrace t;
  t.cdp = cdp;
  t.offset = offset;
  t.code = code;
  t.samples = std::move(samples);
  return t;
}

double ricker(double t) {
  const double a = 3.14159265358979323846 * 25.0 * t;
  return (1.0 - 2.0 * a * a) * std::exp(-a * a);
}

}  // namespace

TEST(SpectrumSemblance, MaximaLieAtEachEventsVelocityAndTime) {
  TempDir dir;
  SynthParams p;
  p.cdps = 2;
  p.offsetFirst = 100;
  p.offsetStep = 100;
  p.offsetCount = 24;
  p.samples = 750;
  p.events = {{400, 1800, 1000}, {1000, 2300, 1000}, {1800, 3100, 1000}};
  p.noise = 0.05;
  ASSERT_EQ(writeSynthGather(dir.file("g.dat"), p), "");
  const CdpTraces cdp = readCdp(dir.file("g.dat"), 1002);
  ASSERT_EQ(cdp.traceCount(), 24u);
  SemblanceEngine engine(settingsFor(1200, 5180, 20));
  Spectrum s;
  ASSERT_TRUE(engine.compute(cdp, s));
  ASSERT_EQ(s.samples, 750);
  ASSERT_EQ(s.velocities.size(), 200u);
  for (const SynthEvent& e : p.events) {
    const std::int32_t row = static_cast<std::int32_t>(std::lround(e.t0Ms / 4.0));
    const float v = s.velocities[bestColumn(s, row)];
    EXPECT_NEAR(v, e.velocity, 20.0) << "event at " << e.t0Ms << " ms";
    EXPECT_GT(s.at(row, bestColumn(s, row)), 0.8f);
  }
  for (float x : s.values) {
    ASSERT_GE(x, 0.0f);
    ASSERT_LE(x, 1.0f);
  }
  // The peaks name the same velocities, strongest first.
  auto peaks = spectrumPeaks(s);
  for (const SynthEvent& e : p.events) {
    bool found = false;
    for (const auto& pk : peaks)
      found = found || (std::fabs(pk.timeMs - e.t0Ms) <= 8.0 && std::fabs(pk.velocity - e.velocity) <= 20.0);
    EXPECT_TRUE(found) << e.t0Ms;
  }
  for (size_t k = 1; k < peaks.size(); ++k) EXPECT_GE(peaks[k - 1].semblance, peaks[k].semblance);
}

TEST(SpectrumSemblance, RecordingDelayGivesTrueTimes) {
  // One event at 400 ms / 2000 m/s on 24 offsets, recorded from 0 ms and with
  // a delay of 200 ms (word 55): the spectra agree time for time, and the event
  // is found at 400 ms at its velocity.
  TempDir dir;
  auto gather = [](int delayMs) {
    std::vector<GatherTrace> traces;
    for (int k = 0; k < 24; ++k) {
      const double x = 100.0 + 100.0 * k, tx = std::sqrt(0.16 + x * x / 4e6);
      std::vector<float> s(static_cast<size_t>(500 - delayMs / 4));
      for (size_t i = 0; i < s.size(); ++i) s[i] = static_cast<float>(1000.0 * ricker(delayMs * 1e-3 + i * 0.004 - tx));
      GatherTrace t = traceOf(5, static_cast<std::int16_t>(x), s);
      t.extraWords = {{WordRecordingDelay, static_cast<std::int16_t>(delayMs)}};
      traces.push_back(t);
    }
    return traces;
  };
  writeGather(dir.file("zero.dat"), gather(0));
  writeGather(dir.file("late.dat"), gather(200));
  SemblanceEngine engine(settingsFor(1200, 3000, 20));
  Spectrum zero, late;
  ASSERT_TRUE(engine.compute(readCdp(dir.file("zero.dat"), 5), zero));
  const CdpTraces lateTraces = readCdp(dir.file("late.dat"), 5);
  EXPECT_EQ(lateTraces.delayMs, 200);
  ASSERT_TRUE(engine.compute(lateTraces, late));
  ASSERT_EQ(late.samples, 450);
  EXPECT_EQ(late.timeMs(0), 200.0);
  for (std::int32_t i = 25; i < 450; ++i)  // from 300 ms on, clear of the first samples' taps
    for (std::size_t k = 0; k < late.velocities.size(); ++k)
      ASSERT_NEAR(late.at(i, k), zero.at(i + 50, k), 1e-6) << late.timeMs(i) << " ms, " << late.velocities[k];
  const auto peaks = spectrumPeaks(late);
  ASSERT_FALSE(peaks.empty());
  EXPECT_NEAR(peaks[0].timeMs, 400.0, 24.0);
  EXPECT_NEAR(peaks[0].velocity, 2000.0f, 60.0f);
  EXPECT_EQ(peaks[0].timeMs, spectrumPeaks(zero)[0].timeMs);
  // The CSV and the picture take the same times.
  std::string csv;
  appendSpectrumCsv(late, false, csv);
  EXPECT_EQ(csv.substr(0, csv.find('\n')), "200,1200,0.0000");
  const SpectrumPictureInput in = spectrumOnly(late);
  EXPECT_EQ(in.time.firstMs, 200.0);
  auto pictureOf = [](const SpectrumPictureInput& pin, std::vector<std::string>& texts) {
    const SpectrumPicture pic = layOutSpectrum(pin, FixedTextMeasure());
    const Figure::Pixels* field = nullptr;
    for (const Figure::Item& item : pic.figure.items) {
      if (const auto* x = std::get_if<Figure::Text>(&item)) texts.push_back(x->text);
      if (const auto* p = std::get_if<Figure::Pixels>(&item); p && !field) field = p;
    }
    return field ? field->pixels : std::vector<std::uint32_t>{};
  };
  std::vector<std::string> texts;
  pictureOf(in, texts);  // labelled from 200 ms: no 0 ms label
  EXPECT_NE(std::find(texts.begin(), texts.end(), " 200"), texts.end());
  EXPECT_EQ(std::find(texts.begin(), texts.end(), " 0"), texts.end());
  SpectrumPictureInput canvas = in;  // the main canvas's scale, from 0 ms: grey before 200 ms
  canvas.time = SpectrumTimeScale{4000.0f, 500.0f, 1.0f, 0.0};
  const std::vector<std::uint32_t> px = pictureOf(canvas, texts);
  ASSERT_EQ(px.size(), 500u * 400u);
  EXPECT_EQ(px[49 * 400 + 200], 0xFFE1E1E1u);
  EXPECT_NE(px[100 * 400 + 200], 0xFFE1E1E1u);
  // The corrected gather: picked at 400 ms / 2000 m/s, the event comes out flat at sample 50.
  const CorrectedGather g = correctGather(lateTraces, {{400.0f, 2000.0f}}, 0.5f);
  EXPECT_EQ(g.firstMs, 200.0);
  for (std::size_t k = 0; k < 8; ++k) {
    const float* a = g.trace(k);
    EXPECT_EQ(std::max_element(a + 20, a + 120) - a, 50) << "trace " << k;
  }
}

TEST(SpectrumSemblance, FlatEventPeaksAtTheTopOfTheRange) {
  // The same wavelet at 600 ms on every offset: infinite moveout velocity.
  TempDir dir;
  std::vector<GatherTrace> traces;
  for (int k = 0; k < 12; ++k) {
    std::vector<float> s(400);
    for (int i = 0; i < 400; ++i) s[static_cast<size_t>(i)] = static_cast<float>(1000.0 * ricker(i * 0.004 - 0.6));
    traces.push_back(traceOf(7, static_cast<std::int16_t>(100 + 150 * k), s));
  }
  writeGather(dir.file("flat.dat"), traces);
  SemblanceEngine engine(settingsFor(1500, 6000, 50));
  Spectrum s;
  ASSERT_TRUE(engine.compute(readCdp(dir.file("flat.dat"), 7), s));
  EXPECT_EQ(bestColumn(s, 150), s.velocities.size() - 1);
  EXPECT_GT(s.at(150, s.velocities.size() - 1), s.at(150, 0));
}

TEST(SpectrumSemblance, AllDeadAndAllZeroCdpsGiveZero) {
  TempDir dir;
  std::vector<GatherTrace> traces;
  for (int k = 0; k < 6; ++k) traces.push_back(traceOf(1, static_cast<std::int16_t>(100 * k), std::vector<float>(300, 5.0f), 2));
  for (int k = 0; k < 6; ++k) traces.push_back(traceOf(2, static_cast<std::int16_t>(100 * k), std::vector<float>(300, 0.0f)));
  writeGather(dir.file("z.dat"), traces);
  SemblanceEngine engine(settingsFor(1200, 5180, 20));
  for (std::int16_t c : {1, 2}) {
    const CdpTraces cdp = readCdp(dir.file("z.dat"), c);
    EXPECT_EQ(cdp.traceCount(), c == 1 ? 0u : 6u);
    EXPECT_EQ(cdp.deadTraces, c == 1 ? 6 : 0);
    Spectrum s;
    ASSERT_TRUE(engine.compute(cdp, s));
    EXPECT_EQ(s.samples, 300);
    ASSERT_EQ(s.values.size(), 300u * 200u);
    for (float x : s.values) ASSERT_EQ(x, 0.0f);
    EXPECT_TRUE(spectrumPeaks(s).empty());
  }
}

TEST(SpectrumSemblance, FewerThanTwoLiveTracesGiveZero) {
  // A near and a far trace holding the same flat wavelet: until the far trace
  // comes out of its stretch mute only one trace is live, and S is 0 there
  // although the near trace alone would be perfectly coherent with itself.
  TempDir dir;
  std::vector<float> w(500);
  for (int i = 0; i < 500; ++i) w[static_cast<size_t>(i)] = static_cast<float>(std::sin(i * 0.3) * 100.0);
  writeGather(dir.file("m.dat"), {traceOf(3, 0, w), traceOf(3, 2000, w)});
  SemblanceSettings st = settingsFor(2000, 2000, 10);
  st.stretch = 0.5f;
  SemblanceEngine engine(st);
  Spectrum s;
  ASSERT_TRUE(engine.compute(readCdp(dir.file("m.dat"), 3), s));
  // At 2000 m/s the far trace (1 s of moveout at t0 = 0) is muted while
  // stretch > .5: t0 < 1 / sqrt(1.25) s, sample 223 at 4 ms.
  for (int i = 0; i < 220; ++i) EXPECT_EQ(s.at(i, 0), 0.0f) << i;
  bool some = false;
  for (int i = 230; i < 260; ++i) some = some || s.at(i, 0) > 0.0f;
  EXPECT_TRUE(some);
}

TEST(SpectrumSemblance, EqualsThePlainFormula) {
  TempDir dir;
  SynthParams p;
  p.cdps = 1;
  p.offsetCount = 16;
  p.samples = 400;
  p.noise = 0.3;
  p.int16 = true;
  ASSERT_EQ(writeSynthGather(dir.file("g.dat"), p), "");
  const CdpTraces cdp = readCdp(dir.file("g.dat"), 1001);
  for (int window : {1, 5, 11}) {
    SemblanceSettings st = settingsFor(1400, 3000, 40);
    st.windowSamples = window;
    st.stretch = 0.3f;
    SemblanceEngine engine(st);
    Spectrum s;
    ASSERT_TRUE(engine.compute(cdp, s));
    const Spectrum r = referenceSpectrum(cdp, st.velocities, st.stretch, window);
    ASSERT_EQ(s.values.size(), r.values.size());
    for (size_t i = 0; i < s.values.size(); ++i)
      ASSERT_NEAR(s.values[i], r.values[i], 1e-6) << "window " << window << " at " << i;
  }
}

TEST(SpectrumSemblance, EvenWindowsAreMadeOdd) {
  EXPECT_EQ(SemblanceEngine(settingsFor(1000, 2000, 100)).settings().windowSamples, 5);
  SemblanceSettings st = settingsFor(1000, 2000, 100);
  st.windowSamples = 4;
  EXPECT_EQ(SemblanceEngine(st).settings().windowSamples, 5);
  st.windowSamples = 0;
  EXPECT_EQ(SemblanceEngine(st).settings().windowSamples, 1);
}

TEST(SpectrumSemblance, DeadAndSeparatorTracesAreLeftOut) {
  TempDir dir;
  ASSERT_EQ(writeSynthGather(dir.file("live.dat"), synthParams(1, 8, 300)), "");
  std::vector<GatherTrace> traces;
  for (const ReadTrace& t : readTraces(dir.file("live.dat"))) {
    GatherTrace g = traceOf(t.h[WordCdp], t.h[WordOffset], t.s);
    traces.push_back(g);
    std::vector<float> noise(t.s.size());
    for (size_t i = 0; i < noise.size(); ++i) noise[i] = static_cast<float>((i * 7919) % 200) - 100.0f;
    const bool dead = traces.size() % 4 == 1;  // every other noise trace a separator
    traces.push_back(traceOf(t.h[WordCdp], t.h[WordOffset], noise, dead ? TraceCodeDead : TraceCodeSeparator));
  }
  writeGather(dir.file("mixed.dat"), traces);
  SemblanceEngine a(settingsFor(1200, 3000, 30)), b(settingsFor(1200, 3000, 30));
  Spectrum sa, sb;
  ASSERT_TRUE(a.compute(readCdp(dir.file("live.dat"), 1001), sa));
  const CdpTraces mixed = readCdp(dir.file("mixed.dat"), 1001);
  EXPECT_EQ(mixed.deadTraces, 8);
  ASSERT_TRUE(b.compute(mixed, sb));
  EXPECT_EQ(sa.values, sb.values);
}

TEST(SpectrumSemblance, SameResultOnOneOrTwoThreadsAndWithTablesReused) {
  TempDir dir;
  ASSERT_EQ(writeSynthGather(dir.file("g.dat"), synthParams(3, 12, 500, 0.2)), "");
  GatherCdps g;
  ASSERT_EQ(g.open(dir.file("g.dat")), "");
  SemblanceEngine one(settingsFor(1200, 5180, 20, 1)), two(settingsFor(1200, 5180, 20, 2));
  for (std::int16_t c : g.cdps()) {
    CdpTraces t;
    ASSERT_EQ(g.read(c, t), "");
    Spectrum s1, s2, fresh;
    ASSERT_TRUE(one.compute(t, s1));
    ASSERT_TRUE(two.compute(t, s2));  // tables kept from the CDPs before
    SemblanceEngine newEngine(settingsFor(1200, 5180, 20, 2));
    ASSERT_TRUE(newEngine.compute(t, fresh));
    EXPECT_EQ(s1.values, s2.values) << c;
    EXPECT_EQ(s2.values, fresh.values) << c;
  }
}

// CDPs computed together (side by side, as a run over the whole gather does)
// give what each gives alone, bit for bit, on one thread or two, in batches of
// any size; a CDP not alike the others (one of its traces dead) is computed
// alone, in a batch and in a run; the run's CSV and peaks are the same bytes
// on one thread or two.
TEST(SpectrumSemblance, CdpsComputedTogetherGiveWhatEachGivesAlone) {
  TempDir dir;
  std::vector<GatherTrace> traces = syntheticGather(1001, 11, 12, 500, 100, 200, 0.4, 2000.0);
  for (std::size_t k = 0; k < traces.size(); ++k)
    for (std::size_t i = 0; i < traces[k].samples.size(); ++i)
      traces[k].samples[i] += 0.05f * static_cast<float>(std::sin(0.7 * static_cast<double>(i * 13 + k * 7)));
  traces[3 * 12 + 5].code = TraceCodeDead;
  writeGather(dir.file("g.dat"), traces);
  GatherCdps g;
  ASSERT_EQ(g.open(dir.file("g.dat")), "");
  std::vector<CdpTraces> cdps(g.cdps().size());
  for (std::size_t c = 0; c < cdps.size(); ++c) ASSERT_EQ(g.read(g.cdps()[c], cdps[c]), "");
  EXPECT_TRUE(SemblanceEngine::alike(cdps[0], cdps[1]));
  EXPECT_FALSE(SemblanceEngine::alike(cdps[0], cdps[3]));
  std::string peakLines[2];
  for (int workers : {1, 2}) {
    SemblanceEngine alone(settingsFor(1200, 5180, 20, workers)), together(settingsFor(1200, 5180, 20, workers));
    std::vector<Spectrum> want(cdps.size());
    for (std::size_t c = 0; c < cdps.size(); ++c) ASSERT_TRUE(alone.compute(cdps[c], want[c]));
    for (std::size_t size : {SemblanceEngine::Together, std::size_t{3}}) {
      std::vector<Spectrum> got(cdps.size());
      for (std::size_t first = 0; first < cdps.size(); first += size)
        ASSERT_TRUE(together.computeTogether(&cdps[first], std::min(size, cdps.size() - first), &got[first]));
      for (std::size_t c = 0; c < cdps.size(); ++c)
        ASSERT_EQ(got[c].values, want[c].values) << workers << " workers, batches of " << size << ", CDP " << c;
    }
    SpectrumRunParams p;
    p.cdps = g.cdps();
    p.settings = settingsFor(1200, 5180, 20, workers);
    p.peaks = true;
    p.csvPath = dir.file("run" + std::to_string(workers) + ".csv");
    SpectrumRunHooks hooks;
    std::vector<Spectrum> run;
    hooks.spectrum = [&run](const Spectrum& sp) { run.push_back(sp); };
    hooks.peaks = [&peakLines, workers](const Spectrum& sp, const std::vector<SpectrumPeak>& peaks) {
      for (const SpectrumPeak& pk : peaks) peakLines[workers - 1] += peakLine(pk, true, sp.cdp) + "\n";
    };
    ASSERT_TRUE(runSpectra(g, p, hooks).ok());
    ASSERT_EQ(run.size(), want.size());
    for (std::size_t c = 0; c < want.size(); ++c) {
      EXPECT_EQ(run[c].cdp, want[c].cdp);
      EXPECT_EQ(run[c].values, want[c].values) << "run, CDP " << c;
    }
  }
  // The files and peaks of the run, byte for byte, whatever the threads.
  EXPECT_FALSE(peakLines[0].empty());
  EXPECT_EQ(peakLines[0], peakLines[1]);
  EXPECT_EQ(readFile(dir.file("run1.csv")), readFile(dir.file("run2.csv")));
}

TEST(SpectrumSemblance, TablesBeyondTheCacheAreBuiltWhereUsed) {
  // A cache too small for one CDP's tables, and one that holds only some CDPs
  // at a time: the same spectra as with the tables all kept.
  TempDir dir;
  ASSERT_EQ(writeSynthGather(dir.file("g.dat"), synthParams(4, 12, 400, 0.1)), "");
  GatherCdps g;
  ASSERT_EQ(g.open(dir.file("g.dat")), "");
  SemblanceSettings big = settingsFor(1200, 5180, 40), none = big, some = big;
  none.tableCacheBytes = 1000;
  some.tableCacheBytes = 100 * (400 * 4 + 64) * 15;  // tables of about 15 offsets: one CDP, not two
  SemblanceEngine a(big), b(none), c(some);
  for (std::int16_t cdp : g.cdps()) {
    CdpTraces t;
    ASSERT_EQ(g.read(cdp, t), "");
    if (cdp % 2 == 0)  // other offsets every second CDP: the cache has to make room
      for (float& x : t.offsets) x += 25.0f;
    Spectrum sa, sb, sc;
    ASSERT_TRUE(a.compute(t, sa));
    ASSERT_TRUE(b.compute(t, sb));
    ASSERT_TRUE(c.compute(t, sc));
    EXPECT_EQ(sa.values, sb.values) << cdp;
    EXPECT_EQ(sa.values, sc.values) << cdp;
  }
}

TEST(SpectrumSemblance, CancellingStopsTheComputation) {
  TempDir dir;
  ASSERT_EQ(writeSynthGather(dir.file("g.dat"), synthParams(1, 12, 500)), "");
  const CdpTraces t = readCdp(dir.file("g.dat"), 1001);
  SemblanceEngine engine(settingsFor(1200, 5180, 20));
  std::atomic<bool> cancel{true};
  Spectrum s;
  EXPECT_FALSE(engine.compute(t, s, &cancel));
  cancel = false;
  EXPECT_TRUE(engine.compute(t, s, &cancel));
}

TEST(SpectrumSemblance, VelocityGridIncludesBothEnds) {
  auto v = velocityGrid(1200, 5180, 20);
  ASSERT_EQ(v.size(), 200u);
  EXPECT_EQ(v.front(), 1200.0f);
  EXPECT_EQ(v.back(), 5180.0f);
  EXPECT_EQ(velocityGrid(1000, 1099, 50), (std::vector<float>{1000.0f, 1050.0f}));
  EXPECT_EQ(velocityGrid(1000, 1000.3, 0.1).size(), 4u);
  EXPECT_TRUE(velocityGrid(2000, 1000, 10).empty());
  EXPECT_TRUE(velocityGrid(1000, 2000, 0).empty());
}

TEST(SpectrumPeaks, LocalMaximaAboveTheThresholdStrongestFirst) {
  Spectrum s;
  s.samples = 5;
  s.intervalUs = 4000;
  s.velocities = {1000, 1100, 1200, 1300};
  s.values = {
      0.1f, 0.2f, 0.1f, 0.0f,   //
      0.2f, 0.5f, 0.3f, 0.0f,   // 0.5 at 4 ms, 1100
      0.1f, 0.2f, 0.1f, 0.31f,  // 0.31 at the edge, 1300
      0.0f, 0.0f, 0.0f, 0.2f,   //
      0.9f, 0.9f, 0.0f, 0.0f,   // a plateau of two: one peak, the first
  };
  auto peaks = spectrumPeaks(s);
  ASSERT_EQ(peaks.size(), 3u);
  EXPECT_EQ(peakLine(peaks[0], false, 0), "16 1000 0.9000");
  EXPECT_EQ(peakLine(peaks[1], false, 0), "4 1100 0.5000");
  EXPECT_EQ(peakLine(peaks[2], true, 1001), "1001 8 1300 0.3100");
  EXPECT_EQ(spectrumPeaks(s, 0.6f).size(), 1u);
}

TEST(SpectrumText, CsvRowsAndNumbers) {
  Spectrum s;
  s.cdp = 1001;
  s.samples = 2;
  s.intervalUs = 2500;
  s.velocities = {1500.0f, 1512.5f};
  s.values = {0.0f, 1.0f, 0.123456f, 0.99996f};
  std::string text = spectrumCsvHeader(false);
  appendSpectrumCsv(s, false, text);
  EXPECT_EQ(text, "time_ms,velocity,semblance\n0,1500,0.0000\n0,1512.5,1.0000\n2.5,1500,0.1235\n2.5,1512.5,1.0000\n");
  std::string all = spectrumCsvHeader(true);
  appendSpectrumCsv(s, true, all);
  EXPECT_EQ(all.substr(0, all.find('\n', 31) + 1), "cdp,time_ms,velocity,semblance\n1001,0,1500,0.0000\n");
  EXPECT_EQ(shortNumber(0.25), "0.25");
  EXPECT_EQ(shortNumber(-0.0), "0");
}

TEST(SpectrumGatherCdps, RefusesWhatIsNotAReadableGather) {
  TempDir dir;
  GatherCdps g;
  EXPECT_EQ(g.open(dir.file("missing.dat")), "FILE NOT FOUND");
  // Panel data (stacked, type 2) is not a gather.
  {
    TraceFileBuilder stacked;
    for (std::int16_t code : {1, 1, 9}) {
      GatherTrace t = traceOf(101, 0, std::vector<float>(50, 1.0f), code);
      stacked.gatherTrace(t, DataCdpStacked);
    }
    stacked.writeTo(dir.file("stacked.dat"));
  }
  EXPECT_EQ(g.open(dir.file("stacked.dat")),
            dir.file("stacked.dat") + " holds CDP Stacked Data; the velocity spectrum is computed from CDP-gather data");

  // Per-CDP refusals: no offsets, mixed intervals; an unknown CDP.
  GatherTrace noScalar = traceOf(10, 100, std::vector<float>(50, 1.0f));
  noScalar.scalar = 0;
  GatherTrace slow = traceOf(11, 100, std::vector<float>(50, 1.0f));
  slow.interval = 2000;
  writeGather(dir.file("bad.dat"), {traceOf(10, 0, std::vector<float>(50, 1.0f)), noScalar,
                                    traceOf(11, 0, std::vector<float>(50, 1.0f)), slow});
  ASSERT_EQ(g.open(dir.file("bad.dat")), "");
  EXPECT_EQ(g.cdps(), (std::vector<std::int16_t>{10, 11}));
  CdpTraces t;
  EXPECT_EQ(g.read(10, t), "CDP 10, trace 2: no valid offset (header word 35 is 0)");
  EXPECT_EQ(t.traceCount(), 0u);
  EXPECT_EQ(g.read(11, t),
            "CDP 11, trace 2: sample interval 2000 microseconds, the CDP's first trace has 4000");
  EXPECT_EQ(g.read(12, t), "CDP 12 is not in " + dir.file("bad.dat"));
  // A CDP whose live traces start at different times (word 55) has no one time axis.
  GatherTrace late = traceOf(13, 100, std::vector<float>(50, 1.0f));
  late.extraWords = {{WordRecordingDelay, 100}};
  writeGather(dir.file("delays.dat"), {traceOf(13, 0, std::vector<float>(50, 1.0f)), late});
  ASSERT_EQ(g.open(dir.file("delays.dat")), "");
  EXPECT_EQ(g.read(13, t), "CDP 13, trace 2: recording delay 100 ms (word 55), the CDP's first live trace has 0");
}

TEST(SpectrumGatherCdps, ShorterTracesKeepTheirOwnLength) {
  TempDir dir;
  writeGather(dir.file("g.dat"), {traceOf(4, 100, std::vector<float>(80, 1.0f)),
                                  traceOf(4, 300, std::vector<float>(120, 2.0f))});
  const CdpTraces t = readCdp(dir.file("g.dat"), 4);
  EXPECT_EQ(t.samples, 120);
  EXPECT_EQ(t.counts, (std::vector<std::int32_t>{80, 120}));
  EXPECT_EQ(t.trace(0)[79], 1.0f);
  EXPECT_EQ(t.trace(1)[0], 2.0f);
  EXPECT_EQ(t.data.size(), 200u);  // each trace's own samples, no padding
  EXPECT_EQ(t.offsets, (std::vector<float>{100.0f, 300.0f}));
}

// One long trace and thousands of one-sample traces: the CDP holds their
// samples, not thousands of traces as long as the longest (which took 658 MB
// at 5,000 traces of 32,767 samples); its spectrum is computed all the same.
TEST(SpectrumGatherCdps, ACdpOfOneLongTraceAndManyShortOnesTakesTheMemoryOfItsSamples) {
  TempDir dir;
  std::vector<GatherTrace> traces{traceOf(4, 100, std::vector<float>(32767, 1.0f))};
  for (int k = 0; k < 2000; ++k) traces.push_back(traceOf(4, 200 + k, std::vector<float>(1, 0.5f)));
  writeGather(dir.file("g.dat"), traces);
  const CdpTraces t = readCdp(dir.file("g.dat"), 4);
  EXPECT_EQ(t.samples, 32767);
  EXPECT_EQ(t.data.size(), 32767u + 2000u);
  EXPECT_EQ(t.trace(2000)[0], 0.5f);
  SemblanceEngine engine(settingsFor(1500, 1600, 50));
  Spectrum s;
  ASSERT_TRUE(engine.compute(t, s));
  EXPECT_EQ(s.samples, 32767);
  EXPECT_EQ(s.at(5000, 0), 0.0f);  // one live trace only: no semblance
  EXPECT_EQ(spectrumSizeProblem(t, 1000),
            "CDP 4: 32767 samples x 1000 velocities make 32767000 spectrum values; at most 16777216");
  EXPECT_EQ(spectrumSizeProblem(t, 512), "");
}

TEST(SpectrumRun, FailureLeavesNoCsvAndKeepsAnOldOne) {
  TempDir dir;
  ASSERT_EQ(writeSynthGather(dir.file("g.dat"), synthParams(2, 12, 100)), "");
  GatherCdps g;
  ASSERT_EQ(g.open(dir.file("g.dat")), "");
  const std::string csv = dir.file("out.csv");
  writeFile(csv, "old\n");
  SpectrumRunParams rp;
  rp.cdps = {1001, 1002, 999};  // the last one is not in the file
  rp.settings = settingsFor(1500, 2500, 100);
  rp.csvPath = csv;
  rp.csvCdpColumn = true;
  SpectrumRunResult r = runSpectra(g, rp);
  EXPECT_EQ(r.error, "CDP 999 is not in " + dir.file("g.dat"));
  EXPECT_EQ(r.cdpsDone, 2u);
  EXPECT_EQ(readFile(csv), "old\n");
  EXPECT_EQ(fileNames(dir.path()), (std::vector<std::string>{"g.dat", "out.csv"}));  // no temporary file left

  rp.cdps = {1001, 1002};
  std::vector<std::int16_t> seen;
  SpectrumRunHooks hooks;
  hooks.spectrum = [&seen](const Spectrum& s) { seen.push_back(s.cdp); };
  r = runSpectra(g, rp, hooks);
  EXPECT_TRUE(r.ok());
  EXPECT_EQ(seen, (std::vector<std::int16_t>{1001, 1002}));
  const std::string text = readFile(csv);
  EXPECT_EQ(text.substr(0, 31), "cdp,time_ms,velocity,semblance\n");
  // 2 CDPs x 100 samples x 11 velocities, and the header.
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 2 * 100 * 11 + 1);
}

TEST(SpectrumPicture, ColoursFollowTheValuesAndTheAxesAreLabelled) {
  // Dark violet at 0, yellow at 1, lightness rising all the way.
  auto rgb = [](std::uint32_t c) { return std::vector<int>{int(c >> 16 & 255), int(c >> 8 & 255), int(c & 255)}; };
  EXPECT_EQ(viridis(0.0) >> 24, 0xFFu);
  EXPECT_LT(rgb(viridis(0.0))[0], 0x50);
  EXPECT_GT(rgb(viridis(0.0))[2], rgb(viridis(0.0))[0]);
  EXPECT_GT(rgb(viridis(1.0))[0], 0xE0);
  EXPECT_GT(rgb(viridis(1.0))[1], 0xE0);
  EXPECT_LT(rgb(viridis(1.0))[2], 0x40);
  double lastLight = -1;
  for (int k = 0; k <= 20; ++k) {
    auto c = rgb(viridis(k / 20.0));
    const double light = 0.2126 * c[0] + 0.7152 * c[1] + 0.0722 * c[2];
    EXPECT_GT(light, lastLight) << k;
    lastLight = light;
  }
  EXPECT_EQ(viridis(-1.0), viridis(0.0));
  EXPECT_EQ(viridis(2.0), viridis(1.0));
  Spectrum s;
  s.cdp = 7;
  s.samples = 400;
  s.intervalUs = 4000;
  s.velocities = velocityGrid(1000, 3000, 20);  // 101 velocities
  s.values.assign(400u * 101u, 0.0f);
  for (int i = 190; i <= 210; ++i)
    for (size_t k = 45; k <= 55; ++k) s.values[static_cast<size_t>(i) * 101 + k] = 1.0f;
  const SpectrumPicture pic = layOutSpectrum(spectrumOnly(s), FixedTextMeasure());
  const SpectrumLayout& L = pic.layout;
  EXPECT_EQ(L.spectrumWidth, 400);
  EXPECT_EQ(L.rows, 400);  // a row per sample
  EXPECT_EQ(L.msPerRow, 4.0);
  EXPECT_EQ(pic.figure.width, L.scaleRight + 8);
  EXPECT_EQ(pic.figure.height, L.plotTop + 400 + 10);
  // The bright block near 800 ms and 2000 m/s; dark elsewhere.
  const Figure::Pixels* field = nullptr;
  for (const Figure::Item& item : pic.figure.items)
    if (const auto* p = std::get_if<Figure::Pixels>(&item); p && !field) field = p;
  ASSERT_TRUE(field);
  EXPECT_EQ(field->at.x, L.spectrumLeft);
  EXPECT_EQ(field->pixels[200 * 400 + 200], viridis(1.0));
  EXPECT_EQ(field->pixels[5 * 400 + 5], viridis(0.0));
  auto hasText = [&pic](const std::string& t) {
    for (const Figure::Item& item : pic.figure.items)
      if (const auto* x = std::get_if<Figure::Text>(&item); x && x->text == t) return true;
    return false;
  };
  EXPECT_TRUE(hasText("CDP 7 semblance"));
  EXPECT_TRUE(hasText("ms"));
  EXPECT_TRUE(hasText(" 1000"));  // ms
  EXPECT_TRUE(hasText("1000"));   // m/s
  EXPECT_TRUE(hasText("2500"));
  EXPECT_FALSE(hasText("3000"));  // the last velocity: its label would reach "semblance"
  EXPECT_TRUE(hasText(".2"));     // the colour scale
  EXPECT_TRUE(hasText("semblance"));
  EXPECT_EQ(axisTicks(0, 1596, 6), (std::vector<double>{0, 500, 1000, 1500}));
  EXPECT_EQ(axisTicks(1200, 5180, 6), (std::vector<double>{2000, 3000, 4000, 5000}));
}

TEST(SpectrumWorker, TheNewestRequestSupersedesTheOlderOnes) {
  TempDir dir;
  ASSERT_EQ(writeSynthGather(dir.file("g.dat"), synthParams(3, 24, 1000)), "");
  GatherCdps g;
  ASSERT_EQ(g.open(dir.file("g.dat")), "");
  std::vector<CdpTraces> cdps(3);
  for (int c = 0; c < 3; ++c) ASSERT_EQ(g.read(static_cast<std::int16_t>(1001 + c), cdps[static_cast<size_t>(c)]), "");
  const SemblanceSettings st = settingsFor(1200, 5180, 20);

  std::mutex m;
  std::condition_variable cv;
  std::vector<std::pair<std::uint64_t, Spectrum>> got;
  SpectrumWorker worker([&](std::uint64_t id, Spectrum&& s) {
    std::lock_guard<std::mutex> lock(m);
    got.emplace_back(id, std::move(s));
    cv.notify_all();
  });
  // Twenty requests in a row, as fast paging through CDPs makes them: the
  // last one is always delivered, the ones it overtook are not.
  std::uint64_t last = 0;
  for (int k = 0; k < 20; ++k) last = worker.request(cdps[static_cast<size_t>(k % 3)], st);
  EXPECT_EQ(last, 20u);
  {
    std::unique_lock<std::mutex> lock(m);
    ASSERT_TRUE(cv.wait_for(lock, std::chrono::seconds(60), [&] { return !got.empty() && got.back().first == last; }));
  }
  // Nothing older can follow the last request's result (ids only rise).
  std::lock_guard<std::mutex> lock(m);
  EXPECT_LT(got.size(), 20u);
  for (size_t k = 1; k < got.size(); ++k) EXPECT_LT(got[k - 1].first, got[k].first);
  // What is delivered is the spectrum of the CDP asked for.
  SemblanceEngine direct(st);
  Spectrum expect;
  ASSERT_TRUE(direct.compute(cdps[(last - 1) % 3], expect));
  EXPECT_EQ(got.back().second.cdp, expect.cdp);
  EXPECT_EQ(got.back().second.values, expect.values);
}

TEST(SpectrumWorker, CancelledRequestsAreNotDelivered) {
  TempDir dir;
  ASSERT_EQ(writeSynthGather(dir.file("g.dat"), synthParams(1, 48, 1500)), "");
  const CdpTraces t = readCdp(dir.file("g.dat"), 1001);
  std::atomic<int> delivered{0};
  {
    SpectrumWorker worker([&](std::uint64_t, Spectrum&&) { ++delivered; });
    worker.request(t, settingsFor(1200, 5180, 10));
    worker.cancel();
  }  // the destructor waits for the thread
  EXPECT_EQ(delivered.load(), 0);
}
