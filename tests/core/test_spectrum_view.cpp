// The computations behind the "Velocity Spectrum" window: the gather moved out
// with the picked function, the velocity range and its boxes, the spectrum on
// the main canvas's time scale, and the gather file asked for once per panel file.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "spectrum/core/CorrectedGather.h"
#include "spectrum/core/GatherCdps.h"
#include "spectrum/core/SpectrumGather.h"
#include "spectrum/core/SpectrumPicture.h"
#include "spectrum/core/SpectrumRequests.h"
#include "spectrum/core/SpectrumView.h"
#include "moveout/core/Nmo.h"
#include "support/FixedTextMeasure.h"
#include "support/GenFixtures.h"
#include "support/PanelFile.h"
#include "support/PickFixtures.h"
#include "support/ScriptedUi.h"

using namespace tsly;
using namespace tsly::test;

namespace {

CdpTraces readCdp(const std::string& path, std::int16_t cdp) {
  GatherCdps g;
  EXPECT_EQ(g.open(path), "");
  CdpTraces t;
  EXPECT_EQ(g.read(cdp, t), "");
  return t;
}

// Sample of the largest value of trace k between samples a and b.
int peakSample(const CorrectedGather& g, std::size_t k, int a, int b) {
  const float* t = g.trace(k);
  int best = a;
  for (int i = a; i <= b; ++i)
    if (t[i] > t[best]) best = i;
  return best;
}

// A gather with one event at 1000 ms, 2000 m/s; offsets 100..2100 every 200,
// all within the stretch limit .5 at that time.
struct EventGather {
  TempDir dir;
  std::string path = dir.file("event.dat");
  CdpTraces traces;
  EventGather() {
    writeGather(path, syntheticGather(1001, 1, 11, 400, 100, 200, 1.0, 2000.0));
    traces = readCdp(path, 1001);
  }
};

FileDialogResult chosen(const std::string& path) {
  FileDialogResult r;
  r.status = FileDialogResult::Status::Chosen;
  r.path = path;
  return r;
}

}  // namespace

TEST(CorrectedGather, AnEventPickedAtItsVelocityIsFlatWithinASample) {
  EventGather e;
  ASSERT_EQ(e.traces.traceCount(), 11u);
  const CorrectedGather g = correctGather(e.traces, {{1000.0f, 2000.0f}}, 0.5f);
  ASSERT_TRUE(g.movedOut);
  ASSERT_EQ(g.traceCount(), 11u);
  for (std::size_t k = 0; k < g.traceCount(); ++k)
    EXPECT_NEAR(peakSample(g, k, 200, 330), 250, 1) << "offset " << g.offsets[k];
}

TEST(CorrectedGather, APickTenPercentOffLeavesTheEventCurved) {
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

TEST(CorrectedGather, OnePickMovesEveryTraceAsNmoitDoesAtThatVelocity) {
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

TEST(CorrectedGather, NoPicksGiveTheTracesAsRecorded) {
  EventGather e;
  const CorrectedGather g = correctGather(e.traces, {}, 0.5f);
  EXPECT_FALSE(g.movedOut);
  EXPECT_EQ(g.data, e.traces.data);
  EXPECT_EQ(g.offsets, e.traces.offsets);
}

TEST(CorrectedGather, AShortTraceKeepsItsOwnLengthAndZerosAfter) {
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

TEST(CorrectedGather, ThePicksOfARecordAreItsSlotsInUse) {
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

TEST(SpectrumView, ThePanelRangeWidenedByATenthGetsARoundStep) {
  const VelocityRange r = widenedRange(1600, 3200);
  EXPECT_EQ(r.min, 1520);
  EXPECT_EQ(r.max, 3280);
  EXPECT_EQ(r.step, 10);
  EXPECT_EQ(r.grid().size(), 177u);
  // One velocity: a tenth either side.
  const VelocityRange one = widenedRange(2000, 2000);
  EXPECT_EQ(one.min, 1800);
  EXPECT_EQ(one.max, 2200);
  EXPECT_LE(one.grid().size(), AutoRangeVelocities);
  // 1095..2895 widens to 1005..2985: at step 10 that is 1000..2990, exactly
  // the most velocities, so the finer step stays.
  const VelocityRange full = widenedRange(1095, 2895);
  EXPECT_EQ(full, (VelocityRange{1000, 2990, 10}));
  EXPECT_EQ(full.grid().size(), AutoRangeVelocities);
  // A wide range keeps to the most velocities, ends on the step.
  const VelocityRange wide = widenedRange(1000, 9000);
  EXPECT_LE(wide.grid().size(), AutoRangeVelocities);
  EXPECT_EQ(std::fmod(wide.min, wide.step), 0.0);
  EXPECT_EQ(std::fmod(wide.max, wide.step), 0.0);
  EXPECT_LE(wide.min, 600);
  EXPECT_GE(wide.max, 9400);
  // Never down to 0 or below.
  EXPECT_GT(widenedRange(5, 4000).min, 0);
}

TEST(SpectrumView, ThePanelVelocitiesAreThoseOfTheCdpElseOfAllPanels) {
  AppState s;
  writePanelFile(tempPath("span.nmo"), {{1001, 1500, 2}, {1001, 2500, 2}, {1006, 1800, 2}, {1006, 3000, 2}}, {}, &s);
  EXPECT_EQ(panelVelocitySpan(s, 1001), (std::pair<double, double>{1500, 2500}));
  EXPECT_EQ(panelVelocitySpan(s, 1006), (std::pair<double, double>{1800, 3000}));
  EXPECT_EQ(panelVelocitySpan(s, 1011), (std::pair<double, double>{1500, 3000}));
  AppState none;
  EXPECT_FALSE(panelVelocitySpan(none, 1001).has_value());
  std::remove(s.DataFileName.c_str());
}

TEST(SpectrumView, BoxesRefuseNonsenseNamingTheBoxAndTheText) {
  struct Case {
    const char *min, *max, *step;
    SpectrumBox box;
    const char* message;
  };
  const Case cases[] = {
      {"abc", "3000", "10", SpectrumBox::Min, "The lowest velocity \"abc\" is not a number above 0."},
      {"1500x", "3000", "10", SpectrumBox::Min, "The lowest velocity \"1500x\" is not a number above 0."},
      {"-5", "3000", "10", SpectrumBox::Min, "The lowest velocity \"-5\" is not a number above 0."},
      {"", "3000", "10", SpectrumBox::Min, "The lowest velocity \"\" is not a number above 0."},
      {"1500", "1500", "10", SpectrumBox::Max,
       "The highest velocity \"1500\" is not a number above the lowest (1500)."},
      {"1500", "1e999", "10", SpectrumBox::Max,
       "The highest velocity \"1e999\" is not a number above the lowest (1500)."},
      // Ends that are no single-precision velocity (0 and infinity once read).
      {"1e-50", "3000", "10", SpectrumBox::Min, "The lowest velocity \"1e-50\" is not a number above 0."},
      {"1e38", "1e39", "1e37", SpectrumBox::Max,
       "The highest velocity \"1e39\" is not a number above the lowest (100000000000000000000000000000000000000)."},
      {"1500", "3000", "0", SpectrumBox::Step, "The velocity step \"0\" is not a number above 0."},
      {"1500", "3000", "1,5", SpectrumBox::Step, "The velocity step \"1,5\" is not a number above 0."},
      {"1000", "5000", "2", SpectrumBox::Step,
       "These velocities make 2001 trial velocities; at most 1000 can be shown."},
  };
  for (const Case& c : cases) {
    const RangeEntry e = readVelocityRange(c.min, c.max, c.step);
    EXPECT_FALSE(e.ok()) << c.min << " " << c.max << " " << c.step;
    EXPECT_EQ(e.box, c.box) << c.message;
    EXPECT_EQ(e.message, c.message);
  }
  const RangeEntry good = readVelocityRange(" 1500 ", "3000", "25");
  ASSERT_TRUE(good.ok()) << good.message;
  EXPECT_EQ(good.range, (VelocityRange{1500, 3000, 25}));
  EXPECT_EQ(good.range.grid().size(), 61u);

  EXPECT_EQ(readStretch(".5").stretch, 0.5f);
  EXPECT_TRUE(readStretch(".99").ok());
  EXPECT_TRUE(readStretch(".1").ok());
  for (const char* t : {"0", "1", ".05", "x", ".5x", ""})
    EXPECT_EQ(readStretch(t).message, std::string("The stretch ratio \"") + t + "\" is not a number from .1 to .99.");
}

TEST(SpectrumView, RowsFollowTheCanvasTimeScale) {
  Spectrum s;
  s.samples = 3;
  s.intervalUs = 4000;
  s.velocities = {1000, 2000};
  s.values = {0.0f, 0.0f, 1.0f, 1.0f, 0.5f, 0.5f};  // rows: 0, 1, .5
  // Two rows per sample (2 ms a row): row 2 is sample 1, row 1 half way.
  const std::uint32_t bg = 0xFF123456u;
  const std::vector<std::uint32_t> px = spectrumRows(s, 3, 8, 2.0, 0.0, bg);
  ASSERT_EQ(px.size(), 24u);
  EXPECT_EQ(px[0], viridis(0.0));
  EXPECT_EQ(px[1 * 3 + 1], viridis(0.5));
  EXPECT_EQ(px[2 * 3 + 2], viridis(1.0));
  EXPECT_EQ(px[4 * 3 + 0], viridis(0.5));
  // Past the last sample (8 ms): background.
  for (int r = 5; r < 8; ++r) EXPECT_EQ(px[static_cast<std::size_t>(r) * 3], bg) << r;
  // Velocity across: x 0 is the first velocity, the last x the last one.
  EXPECT_EQ(velocityX(1000, 1000, 2000, 401), 0.0);
  EXPECT_EQ(velocityX(2000, 1000, 2000, 401), 400.0);
  EXPECT_EQ(velocityX(1500, 1000, 2000, 401), 200.0);
}

TEST(SpectrumView, TheFunctionIsHeldBeforeTheFirstPickAndAfterTheLast) {
  const std::vector<VelocityPick> v = functionVertices({{900, 2200}, {400, 1800}}, 0, 2000);
  ASSERT_EQ(v.size(), 4u);
  EXPECT_EQ(v[0].timeMs, 0.0f);
  EXPECT_EQ(v[0].velocity, 1800.0f);
  EXPECT_EQ(v[1].timeMs, 400.0f);
  EXPECT_EQ(v[2].timeMs, 900.0f);
  EXPECT_EQ(v[3].timeMs, 2000.0f);
  EXPECT_EQ(v[3].velocity, 2200.0f);
  EXPECT_TRUE(functionVertices({}, 0, 2000).empty());
  EXPECT_EQ(functionVertices({{0, 1500}}, 0, 0).size(), 1u);
}

// The picture of the spectrum alone (tsly's) and of the window (with a gather,
// picks and the canvas's time scale): every text inside it and clear of the others.
struct PictureCase {
  const char* name;
  double vmin, vmax, dv;
  float msPerRow;  // with `rows`: the canvas's time scale; 0: a row per sample
  int rows;
  bool window;
};

class SpectrumPictureTexts : public ::testing::TestWithParam<PictureCase> {};

TEST_P(SpectrumPictureTexts, StayInsideThePictureAndApart) {
  const PictureCase& c = GetParam();
  EventGather g;
  Spectrum s;
  s.cdp = 1001;
  s.samples = 400;
  s.intervalUs = 4000;
  s.velocities = velocityGrid(c.vmin, c.vmax, c.dv);
  s.values.assign(400 * s.velocities.size(), 0.5f);
  SpectrumPictureInput in = spectrumOnly(s);
  const CorrectedGather corrected = correctGather(g.traces, {{400, 1800}, {1000, 2000}}, 0.5f);
  if (c.window) {
    in.picks = {{400, 1800}, {1000, 2000}};
    in.gather = &corrected;
  }
  if (c.rows > 0) in.time = {c.msPerRow * 1000, static_cast<float>(c.rows), 1};
  const SpectrumPicture pic = layOutSpectrum(in, FixedTextMeasure());
  std::vector<const Figure::Text*> texts;
  for (const Figure::Item& item : pic.figure.items)
    if (const auto* t = std::get_if<Figure::Text>(&item)) texts.push_back(t);
  auto right = [](const Figure::Text* t) { return t->x + 7 * static_cast<int>(t->text.size()); };
  for (const Figure::Text* t : texts) {
    EXPECT_TRUE(t->x >= 0 && t->y >= 0 && right(t) <= pic.figure.width && t->y + 14 <= pic.figure.height) << t->text;
    for (const Figure::Text* u : texts)
      EXPECT_TRUE(t == u || right(t) <= u->x || right(u) <= t->x || t->y + 14 <= u->y || u->y + 14 <= t->y)
          << t->text << " at " << t->x << "," << t->y << " meets " << u->text << " at " << u->x << "," << u->y;
  }
  EXPECT_EQ(pic.layout.gatherLeft > 0, c.window);
}

INSTANTIATE_TEST_SUITE_P(Cases, SpectrumPictureTexts,
                         ::testing::Values(PictureCase{"tslyDefaults", 1200, 5180, 20, 0, 0, false},
                                           PictureCase{"lastVelocityOnATick", 1000, 3000, 20, 0, 0, false},
                                           PictureCase{"window", 1470, 2130, 5, 4, 500, true},
                                           PictureCase{"shortCanvas", 1990, 2010, 1, 20, 60, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SpectrumRequests, ComputesOnlyWhatDiffersAndShowsOnlyTheLastResult) {
  EventGather g;
  SpectrumRequests r;
  SpectrumCdpInput in;
  in.traces = g.traces;
  in.panelSpan = std::pair<double, double>{1500, 2100};
  EXPECT_TRUE(r.showCdp(in));
  EXPECT_EQ(r.range(), (VelocityRange{1470, 2130, 5}));
  const std::optional<SemblanceSettings> settings = r.settings();
  ASSERT_TRUE(settings);
  Spectrum s;
  s.velocities = settings->velocities;
  r.requested(7);
  EXPECT_FALSE(r.arrived(6, s));  // an older request's
  EXPECT_TRUE(r.computing());
  EXPECT_TRUE(r.arrived(7, s));
  EXPECT_FALSE(r.showCdp(in));  // the same traces and settings
  r.setPicks({{1000, 2000}});
  EXPECT_TRUE(r.gather().movedOut);
  EXPECT_TRUE(r.spectrum());
  EXPECT_TRUE(r.apply({1000, 3000, 50}, 0.5f));
  EXPECT_FALSE(r.spectrum());
  in.panelSpan = std::pair<double, double>{1800, 1800};
  EXPECT_TRUE(r.showCdp(in));
  EXPECT_EQ(r.range(), (VelocityRange{1000, 3000, 50}));  // the typed range stays
  EXPECT_TRUE(r.usePanelRange());
  EXPECT_EQ(r.range(), (VelocityRange{1620, 1980, 2}));
  // A typed range belongs to the panel file it was typed for: another file
  // opened shows its own automatic range.
  in.panelFile = "first.nmo";
  r.showCdp(in);
  r.apply({1000, 3000, 50}, 0.5f);
  in.panelFile = "second.nmo";
  r.showCdp(in);
  EXPECT_EQ(r.range(), (VelocityRange{1620, 1980, 2}));
  r.requested(8);
  r.clear();
  EXPECT_FALSE(r.arrived(8, s));
  EXPECT_FALSE(r.computing());
}

// The gather behind a panel file: asked once, remembered, refused with the
// missing CDPs named, indexed again when rewritten.
struct GatherChoice : ::testing::Test {
  TempDir dir;
  AppState st;
  ScriptedUi ui;
  SpectrumGathers gathers;
  std::string panels = dir.file("scan.nmo");
  std::string gather = dir.file("gather.dat");
  void SetUp() override {
    writePanelFile(panels, {{1001, 1500, 2}, {1001, 1800, 2}, {1006, 1500, 2}, {1006, 1800, 2}}, {}, &st);
    st.LastPath = dir.path();
    writeGather(gather, syntheticGather(1001, 6, 3, 100));
  }
};

TEST_F(GatherChoice, AskedOnceStartingInTheLastDirectoryAndRemembered) {
  EXPECT_EQ(gathers.gatherFor(ui, st, false), nullptr);
  EXPECT_TRUE(ui.openDialogs.empty());
  ui.fileAnswers.push_back(chosen(gather));
  const GatherCdps* g = gathers.gatherFor(ui, st, true);
  ASSERT_NE(g, nullptr);
  ASSERT_EQ(ui.openDialogs.size(), 1u);
  EXPECT_EQ(ui.openDialogs[0].title, "CDP Gather of the Panels");
  EXPECT_EQ(ui.openDialogs[0].initialDir, dir.path());
  EXPECT_EQ(ui.openDialogs[0].filter, "Data (*.dat)|*.dat|NMO Data (*.nmo)|*.nmo|All Data (*.*)|*.*");
  EXPECT_TRUE(ui.boxes.empty());
  EXPECT_EQ(g->path(), gather);
  EXPECT_EQ(gathers.remembered(panels), gather);
  // Asked again: the answer stands, no dialog, no second scan.
  EXPECT_EQ(gathers.gatherFor(ui, st, true), g);
  EXPECT_EQ(ui.openDialogs.size(), 1u);
  // Another panel file has no gather yet.
  st.DataFileName = dir.file("other.nmo");
  EXPECT_EQ(gathers.gatherFor(ui, st, false), nullptr);
  st.DataFileName = panels;
  EXPECT_NE(gathers.gatherFor(ui, st, false), nullptr);
}

TEST_F(GatherChoice, CancelEndsWithoutAMessageAndRemembersNothing) {
  EXPECT_EQ(gathers.gatherFor(ui, st, true), nullptr);
  EXPECT_EQ(ui.openDialogs.size(), 1u);
  EXPECT_TRUE(ui.boxes.empty());
  EXPECT_EQ(gathers.remembered(panels), "");
}

TEST_F(GatherChoice, AGatherWithoutThePanelsCdpsIsRefusedNamingThem) {
  const std::string part = dir.file("part.dat");
  writeGather(part, syntheticGather(1003, 3, 3, 100));  // 1003..1005: neither 1001 nor 1006
  ui.fileAnswers.push_back(chosen(part));
  EXPECT_EQ(gathers.gatherFor(ui, st, true), nullptr);
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(ui.boxes[0].text, part + " does not hold every CDP of " + panels + ".\r\nMissing CDPs: 1001, 1006");
  EXPECT_EQ(ui.boxes[0].title, "Velocity Spectrum");
  EXPECT_EQ(ui.boxes[0].buttons, Buttons::Ok);
  EXPECT_EQ(ui.boxes[0].icon, Icon::Exclamation);
  EXPECT_EQ(gathers.remembered(panels), "");
  // One missing CDP is named alone.
  writeGather(part, syntheticGather(1002, 5, 3, 100));
  ui.fileAnswers.push_back(chosen(part));
  EXPECT_EQ(gathers.choose(ui, st), nullptr);
  ASSERT_EQ(ui.boxes.size(), 2u);
  EXPECT_EQ(ui.boxes[1].text, part + " does not hold every CDP of " + panels + ".\r\nMissing CDP: 1001");
}

TEST_F(GatherChoice, PanelsAreNoGather) {
  ui.fileAnswers.push_back(chosen(panels));
  EXPECT_EQ(gathers.gatherFor(ui, st, true), nullptr);
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(ui.boxes[0].text,
            panels + " holds Velocity Scan Data; the velocity spectrum is computed from CDP-gather data");
  EXPECT_EQ(ui.boxes[0].title, "Velocity Spectrum");
  EXPECT_EQ(ui.boxes[0].icon, Icon::Exclamation);
  ui.fileAnswers.push_back(chosen(dir.file("none.dat")));
  EXPECT_EQ(gathers.choose(ui, st), nullptr);
  ASSERT_EQ(ui.boxes.size(), 2u);
  EXPECT_EQ(ui.boxes[1].title, "Velocity Spectrum");
}

TEST_F(GatherChoice, ARewrittenGatherIsIndexedAgain) {
  ui.fileAnswers.push_back(chosen(gather));
  const GatherCdps* g = gathers.gatherFor(ui, st, true);
  ASSERT_NE(g, nullptr);
  EXPECT_EQ(g->traceCount(), 18);
  // Rewritten with more offsets (a later modification time and another size).
  const auto before = std::filesystem::last_write_time(gather);
  writeGather(gather, syntheticGather(1001, 6, 4, 100));
  std::filesystem::last_write_time(gather, before + std::chrono::seconds(2));
  g = gathers.gatherFor(ui, st, false);
  ASSERT_NE(g, nullptr);
  EXPECT_EQ(g->traceCount(), 24);
  CdpTraces t;
  EXPECT_EQ(g->read(1006, t), "");
  EXPECT_EQ(t.traceCount(), 4u);
  // Rewritten without CDP 1006: said so once, then forgotten.
  writeGather(gather, syntheticGather(1001, 5, 4, 100));
  EXPECT_EQ(gathers.gatherFor(ui, st, false), nullptr);
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(ui.boxes[0].text, gather + " does not hold every CDP of " + panels + ".\r\nMissing CDP: 1006");
  EXPECT_EQ(gathers.remembered(panels), "");
}

TEST_F(GatherChoice, TheScanLetsEventsRunAndRefusesToNest) {
  writeGather(gather, syntheticGather(1001, 6, 40, 20));  // 240 traces: two progress points
  ui.fileAnswers.push_back(chosen(gather));
  int nested = 0;
  ui.onEvents = [&] {
    EXPECT_TRUE(gathers.scanning());
    EXPECT_EQ(gathers.gatherFor(ui, st, true), nullptr);
    ++nested;
  };
  EXPECT_NE(gathers.gatherFor(ui, st, true), nullptr);
  EXPECT_EQ(nested, 2);
  EXPECT_EQ(ui.openDialogs.size(), 1u);
  EXPECT_FALSE(ui.busy);
}
