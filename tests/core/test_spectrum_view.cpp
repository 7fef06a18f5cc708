// The computations behind the "Velocity Spectrum" window: the velocity range
// and its boxes, the spectrum on the main canvas's time scale, the picked
// function drawn over it.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "spectrum/core/SpectrumPicture.h"
#include "spectrum/core/SpectrumView.h"
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
  const std::vector<std::uint32_t> px = spectrumRows(s, 3, 8, 2.0, bg);
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
