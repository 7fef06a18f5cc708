// The computations behind the "Velocity Spectrum" window: the velocity range
// and its boxes, the spectrum on the main canvas's time scale, the picked
// function drawn over it.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "spectrum/core/SpectrumPicture.h"
#include "spectrum/core/SpectrumRequests.h"
#include "spectrum/core/SpectrumView.h"
#include "spectrum/core/CorrectedGather.h"
#include "support/FixedTextMeasure.h"
#include "support/SemblanceReference.h"
#include "support/PanelFile.h"

using namespace tsly;
using namespace tsly::test;

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
  TempDir d;
  writePanelFile(d.file("span.nmo"), {{1001, 1500, 2}, {1001, 2500, 2}, {1006, 1800, 2}, {1006, 3000, 2}}, {}, &s);
  EXPECT_EQ(panelVelocitySpan(s, 1001), (std::pair<double, double>{1500, 2500}));
  EXPECT_EQ(panelVelocitySpan(s, 1006), (std::pair<double, double>{1800, 3000}));
  EXPECT_EQ(panelVelocitySpan(s, 1011), (std::pair<double, double>{1500, 3000}));
  AppState none;
  EXPECT_FALSE(panelVelocitySpan(none, 1001).has_value());
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
