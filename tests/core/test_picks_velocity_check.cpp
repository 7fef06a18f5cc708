// The velocity-function check: Dix interval velocities, thicknesses and flags.
#include <gtest/gtest.h>

#include <cmath>

#include "picks/core/VelocityCheck.h"
#include "support/PickFixtures.h"

using namespace tsly;
using namespace tsly::test;
using namespace tsly::vcheck;

namespace {

CdpPicks picksOf(std::initializer_list<std::pair<float, int>> tv) {
  CdpPicks r;
  r.Cdp = 101;
  std::int16_t panel = 1;
  for (auto [t, v] : tv) addPick(r, t, static_cast<std::int16_t>(v), panel++);
  return r;
}

}  // namespace

TEST(PicksVelocityCheck, DixIntervalVelocityAndThickness) {
  const auto rows = analyse(picksOf({{1000, 2000}, {2000, 2500}, {2600, 2700}}));
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_FALSE(rows[0].hasInterval);
  EXPECT_EQ(rows[0].thicknessMs, 0.0);
  EXPECT_EQ(rows[0].flags, NoFlag);
  // (2500^2 * 2000 - 2000^2 * 1000) / 1000 = 8.5e6
  EXPECT_TRUE(rows[1].hasInterval);
  EXPECT_DOUBLE_EQ(rows[1].intervalSquared, 8.5e6);
  EXPECT_DOUBLE_EQ(rows[1].intervalVelocity, std::sqrt(8.5e6));
  EXPECT_EQ(rows[1].thicknessMs, 1000.0);
  EXPECT_EQ(rows[1].flags, NoFlag);
  EXPECT_DOUBLE_EQ(rows[2].intervalSquared, (2700.0 * 2700 * 2600 - 2500.0 * 2500 * 2000) / 600);
  EXPECT_EQ(rows[2].thicknessMs, 600.0);
}

TEST(PicksVelocityCheck, PicksAreTakenInTimeOrderAndEmptySlotsSkipped) {
  CdpPicks r = picksOf({{800, 2600}, {200, 1800}, {500, 2200}});
  r.PickVelocity[2] = 0;  // a gap in the slots
  addPick(r, 300, 2000, 4);
  const auto rows = analyse(r);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0].timeMs, 300.0f);
  EXPECT_EQ(rows[1].timeMs, 500.0f);
  EXPECT_EQ(rows[2].timeMs, 800.0f);
  EXPECT_EQ(rows[2].rmsVelocity, 2600);
}

TEST(PicksVelocityCheck, Flags) {
  // Inversion with a real interval velocity below 1000:
  // (1500^2 * 2000 - 2000^2 * 1000) / 1000 = 5e5 -> 707 m/s.
  auto rows = analyse(picksOf({{1000, 2000}, {2000, 1500}}));
  EXPECT_EQ(rows[1].flags, Inversion | OutOfRange);
  EXPECT_NEAR(rows[1].intervalVelocity, 707.1, 0.1);
  EXPECT_EQ(flagText(rows[1].flags), "velocity inversion; interval velocity outside 1000..8000 m/s");
  // Imaginary: (2000^2 * 1100 - 3000^2 * 1000) / 100 < 0.
  rows = analyse(picksOf({{1000, 3000}, {1100, 2000}}));
  EXPECT_EQ(rows[1].flags, Inversion | Imaginary);
  EXPECT_FALSE(rows[1].hasInterval);
  EXPECT_LT(rows[1].intervalSquared, 0.0);
  EXPECT_EQ(flagText(rows[1].flags), "velocity inversion; imaginary interval velocity");
  // Too fast: two picks 10 ms apart.
  rows = analyse(picksOf({{1000, 2000}, {1010, 2500}}));
  EXPECT_EQ(rows[1].flags, OutOfRange);
  EXPECT_GT(rows[1].intervalVelocity, 8000.0);
  // The limits themselves are inside.
  rows = analyse(picksOf({{1000, 1000}, {2000, 1000}}));
  EXPECT_EQ(rows[1].flags, NoFlag);
  EXPECT_DOUBLE_EQ(rows[1].intervalVelocity, 1000.0);
}

TEST(PicksVelocityCheck, EqualTimesAreFlaggedWithoutDividingByZero) {
  const auto rows = analyse(picksOf({{500, 2000}, {500, 1800}, {700, 2100}}));
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[1].flags, EqualTimes | Inversion);
  EXPECT_FALSE(rows[1].hasInterval);
  EXPECT_EQ(rows[1].thicknessMs, 0.0);
  EXPECT_TRUE(std::isfinite(rows[1].intervalSquared));
  EXPECT_EQ(flagText(rows[1].flags), "equal times; velocity inversion");
  // The next interval is measured from the pick at equal time before it.
  EXPECT_DOUBLE_EQ(rows[2].intervalSquared, (2100.0 * 2100 * 700 - 1800.0 * 1800 * 500) / 200);
}

TEST(PicksVelocityCheck, NoPicksAndOnePick) {
  EXPECT_TRUE(analyse(CdpPicks{}).empty());
  const auto rows = analyse(picksOf({{250, 1700}}));
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].flags, NoFlag);
  EXPECT_EQ(flagText(NoFlag), "");
}

TEST(PicksVelocityCheck, TableText) {
  EXPECT_EQ(tableText(101, {}), "CDP 101: 0 picks\n");
  const auto rows = analyse(picksOf({{1000, 3000}, {1100, 2000}, {1100, 2100}, {1500, 2500}}));
  EXPECT_EQ(tableText(101, rows),
            "CDP 101: 4 picks\n"
            "  time_ms      rms  interval  thickness_ms  check\n"
            "     1000     3000\n"
            "     1100     2000         -           100  velocity inversion; imaginary interval velocity\n"
            "     1100     2100         -             0  equal times\n"
            "     1500     2500      3363           400\n");
}
