// Picks at any velocity: made, moved and removed with the duplicate-time
// refusal, the guide from the picked neighbours, dashes, and picking on the
// velocity spectrum (where a click lies, which pick it touches, the nearest
// semblance peak).
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <numbers>

#include "moveout/core/VelocityFunction.h"
#include "picks/core/PickEdits.h"
#include "picks/core/PickTable.h"
#include "spectrum/core/SpectrumPicking.h"
#include "support/PickFixtures.h"
#include "support/ScriptedUi.h"

using namespace tsly;
using namespace tsly::test;

namespace {

struct Table {
  AppState st;
  ScriptedUi ui;
  Table() { listCdps(st, {1001, 1011, 1021, 1031}); }
  CdpPicks& rec(int k) { return st.PickTable[static_cast<std::size_t>(k)]; }
};

}  // namespace

TEST(PicksAnyVelocity, AddMoveRemoveAndTheDuplicateTimeRefusal) {
  Table t;
  EXPECT_EQ(addPick(t.st, t.ui, 1, 100.0f, 1650), PickEdit::Done);
  EXPECT_EQ(addPick(t.st, t.ui, 1, 300.0f, 1650), PickEdit::Done);  // one velocity at two times
  EXPECT_EQ(addPick(t.st, t.ui, 1, 200.0f, 2210), PickEdit::Done);
  EXPECT_EQ(addPick(t.st, t.ui, 1, 100.0f, 1900), PickEdit::Refused);
  ASSERT_EQ(t.ui.boxes.size(), 1u);
  EXPECT_EQ(t.ui.boxes[0].text, "Duplicate Time Picks on velocities - \r\n 1650 and  1900 on CDP #  1001");
  EXPECT_EQ(t.ui.boxes[0].title, "TSLY-DUPLICATE TIME PICKS NOT ALLOWED");
  EXPECT_EQ(t.ui.boxes[0].buttons, Buttons::Ok);
  EXPECT_EQ(t.ui.boxes[0].icon, Icon::Information);
  EXPECT_EQ(movePick(t.st, t.ui, 1, 3, 300.0f, 2000), PickEdit::Refused);  // onto the time of slot 2
  EXPECT_EQ(t.ui.boxes.size(), 2u);
  EXPECT_EQ(movePick(t.st, t.ui, 1, 3, 200.0f, 2000), PickEdit::Done);  // its own time is free
  EXPECT_EQ(t.rec(1).PickVelocity[3], 2000);
  EXPECT_EQ(addPick(t.st, t.ui, 1, 400.0f, 0), PickEdit::NoPick);
  EXPECT_EQ(removePick(t.st, 1, 1), PickEdit::Done);  // slots close up
  EXPECT_EQ(picksInUse(t.rec(1)), 2);
  EXPECT_EQ(t.rec(1).PickTime[1], 300.0f);
  EXPECT_EQ(t.rec(1).PickTime[2], 200.0f);
  EXPECT_EQ(removePick(t.st, 1, 3), PickEdit::NoPick);
  EXPECT_FALSE(checkduppicks(t.st, t.ui, 1));
  for (int k = 0; k < 18; ++k) EXPECT_EQ(addPick(t.st, t.ui, 1, 500.0f + k, 2000), PickEdit::Done);
  EXPECT_EQ(addPick(t.st, t.ui, 1, 900.0f, 2000), PickEdit::Full);
  EXPECT_EQ(slotOf(t.rec(1), 517.0f, 2000), 20);
  EXPECT_EQ(t.ui.boxes.size(), 2u);
}

// The guide is the deck run's function for the CDP from the other CDPs' picks.
TEST(PicksAnyVelocity, GuideInterpolatesTheNeighboursAsTheDeckRunDoes) {
  Table t;
  addPick(t.rec(1), 1000.0f, 2500, 0);  // out of time order in the slots
  addPick(t.rec(1), 0.0f, 1500, 0);
  addPick(t.rec(3), 0.0f, 2000, 0);
  addPick(t.rec(3), 1000.0f, 3000, 0);
  addPick(t.rec(2), 500.0f, 9000, 0);  // the CDP's own picks take no part
  struct Row {
    int record;
    std::vector<float> expected;
  };
  // 1011 between 1001 and 1021; 1031 beyond 1021; 1001 and 1021 see 1011 as their neighbour.
  for (const Row& r : {Row{2, {1750, 2250, 2750}}, Row{4, {2000, 2500, 3000}}, Row{1, {9000, 9000, 9000}},
                       Row{3, {9000, 9000, 9000}}})
    EXPECT_EQ(guideVelocities(t.st, r.record, 0.0, 500.0, 3), r.expected) << r.record;
  const std::vector<CdpVelocityFunction> functions{{1001, {{0, 1500}, {1000, 2500}}}, {1021, {{0, 2000}, {1000, 3000}}}};
  EXPECT_EQ(guideVelocities(t.st, 2, 4.0, 4.0, 300), velocitiesForCdp(functions, 1011, 4.0, 4.0, 300));
  Table lone;
  addPick(lone.rec(2), 0.0f, 2000, 0);
  EXPECT_TRUE(guideVelocities(lone.st, 2, 0.0, 4.0, 10).empty());
  EXPECT_EQ(guideVelocities(lone.st, 1, 0.0, 4.0, 2), (std::vector<float>{2000, 2000}));
}

TEST(PicksAnyVelocity, DashesFollowTheLineAcrossItsCorners) {
  const auto d = dashed({{0, 0}, {0, 4}, {12, 4}}, 6, 4);  // 16 long: dashes 0-6 and 10-16
  ASSERT_EQ(d.size(), 2u);
  ASSERT_EQ(d[0].size(), 3u);  // turns the corner at (0, 4)
  EXPECT_DOUBLE_EQ(d[0][1].y, 4);
  EXPECT_DOUBLE_EQ(d[0][2].x, 2);
  ASSERT_EQ(d[1].size(), 2u);
  EXPECT_DOUBLE_EQ(d[1][0].x, 6);
  EXPECT_DOUBLE_EQ(d[1][1].x, 12);
  EXPECT_TRUE(dashed({{0, 0}}, 6, 4).empty());
  EXPECT_EQ(dashed({{0, 0}, {0, 30}}, 6, 0).size(), 5u);
}

namespace {

// A spectrum of 60 samples every 4 ms over 1500..2500 every 50, with peaks
// at 100 and 120 ms at 2025 (between two trial velocities) and at 100 ms at
// 2400, each a bump 12 ms and 100 m/s wide, zero beyond; a ripple a fifth as
// high at 140 ms.
Spectrum peaks() {
  Spectrum s;
  s.cdp = 1001;
  s.samples = 60;
  s.intervalUs = 4000;
  for (int v = 1500; v <= 2500; v += 50) s.velocities.push_back(static_cast<float>(v));
  auto bump = [](double x, double r) {
    return std::fabs(x) < r ? std::pow(std::cos(std::numbers::pi * x / (2 * r)), 2) : 0.0;
  };
  const double centres[][3] = {{100, 2025, 1}, {120, 2025, 1}, {100, 2400, 1}, {140, 2025, 0.2}};
  for (int i = 0; i < s.samples; ++i)
    for (float v : s.velocities) {
      double value = 0;
      for (const auto& c : centres) value = std::max(value, c[2] * bump(s.timeMs(i) - c[0], 12) * bump(v - c[1], 100));
      s.values.push_back(static_cast<float>(value));
    }
  return s;
}

}  // namespace

class SpectrumPicking : public ::testing::TestWithParam<std::array<float, 4>> {};

TEST_P(SpectrumPicking, AClickTakesTheNearestPeakWithinTheWindow) {
  const auto [t, v, wantT, wantV] = GetParam();
  const VelocityPick got = nearestMaximum(peaks(), {t, v});
  EXPECT_FLOAT_EQ(got.timeMs, wantT);
  EXPECT_NEAR(got.velocity, wantV, 0.01);
}

INSTANTIATE_TEST_SUITE_P(
    Clicks, SpectrumPicking,
    ::testing::Values(std::array<float, 4>{104, 1990, 100, 2025},   // refined between 2000 and 2050
                      std::array<float, 4>{113, 2010, 120, 2025},   // the nearer of two in time
                      std::array<float, 4>{100, 2380, 100, 2400},   // 2025 lies beyond 5% of 2380
                      std::array<float, 4>{200, 2000, 200, 2000},   // nothing but zeros: the click
                      std::array<float, 4>{76, 2025, 100, 2025},    // 24 ms away still counts
                      std::array<float, 4>{138, 2025, 120, 2025})); // the ripple is passed over

TEST(SpectrumPickingPlace, ClicksMapToTimeAndVelocityAndTouchPicks) {
  SpectrumLayout L;
  L.plotTop = 30;
  L.rows = 200;
  L.msPerRow = 2;
  L.spectrumLeft = 40;
  L.spectrumWidth = 401;
  const auto at = spectrumPointAt(L, 1500, 2500, 0, 240, 80);
  ASSERT_TRUE(at);
  EXPECT_FLOAT_EQ(at->velocity, 2000);
  EXPECT_FLOAT_EQ(at->timeMs, 100);
  const FigurePoint back = spectrumPixelOf(L, 1500, 2500, 0, *at);
  EXPECT_DOUBLE_EQ(back.x, 240);
  EXPECT_DOUBLE_EQ(back.y, 80);
  EXPECT_FALSE(spectrumPointAt(L, 1500, 2500, 0, 39, 80));
  EXPECT_FALSE(spectrumPointAt(L, 1500, 2500, 0, 240, 230));
  const std::vector<VelocityPick> picks{{100, 2000}, {104, 2010}, {300, 1600}};
  EXPECT_EQ(touchedPick(picks, L, 1500, 2500, 0, 243, 87), std::optional<std::size_t>(1));
  EXPECT_EQ(touchedPick(picks, L, 1500, 2500, 0, 240, 80), std::optional<std::size_t>(0));
  EXPECT_FALSE(touchedPick(picks, L, 1500, 2500, 0, 300, 80));
}
