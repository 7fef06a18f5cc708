// Proposed picks accepted into the pick table: the analyst's picks stay, the
// panel is the nearest, the table's limits hold.
#include <gtest/gtest.h>

#include "picks/core/PickProposals.h"
#include "picks/core/PickTable.h"
#include "support/PickFixtures.h"

using namespace tsly;
using namespace tsly::test;

namespace {

// CDP 101 with panels 1500, 1800, 2100 (PanelTable 1..3) and CDP 102 with none.
AppState table() {
  AppState st;
  listCdps(st, {101, 102});
  st.PanelTable.resize(3);
  st.PanelCount = 3;
  const std::int16_t v[] = {1500, 1800, 2100};
  for (int p = 1; p <= 3; ++p) st.PanelTable[static_cast<std::size_t>(p)] = {101, 101, v[p - 1], 0, 0, 0, 0};
  return st;
}

struct Case {
  float existingTime;  // 0: no pick of the analyst's
  std::int16_t existingVelocity;
  float time;
  std::int16_t velocity;
  int added;
  std::int16_t panel;  // of the accepted proposal
};

class PicksProposals : public ::testing::TestWithParam<Case> {};

}  // namespace

TEST_P(PicksProposals, AcceptedAsAClickWouldStoreThem) {
  const Case c = GetParam();
  AppState st = table();
  if (c.existingTime > 0) addPick(st.PickTable[1], c.existingTime, c.existingVelocity, 1);
  PickProposals p;
  p.set(101, {{c.time, c.velocity}});
  EXPECT_EQ(p.accept(st, 1), c.added);
  EXPECT_TRUE(p.empty());
  const int slot = c.existingTime > 0 ? 2 : 1;
  EXPECT_EQ(picksInUse(st.PickTable[1]), slot - 1 + c.added);
  if (c.added) {
    EXPECT_EQ(st.PickTable[1].PickVelocity[static_cast<std::size_t>(slot)], c.velocity);
    EXPECT_EQ(st.PickTable[1].PickTime[static_cast<std::size_t>(slot)], c.time);
    EXPECT_EQ(st.PickTable[1].PickPanel[static_cast<std::size_t>(slot)], c.panel);
  }
}

INSTANTIATE_TEST_SUITE_P(Rows, PicksProposals,
                         ::testing::Values(Case{0, 0, 400, 1990, 1, 3},        // nearest panel 2100
                                           Case{0, 0, 400, 1650, 1, 1},        // as near 1500 as 1800: the lower
                                           Case{600, 1500, 400, 1990, 1, 3},   // clear of the analyst's pick
                                           Case{410, 1500, 400, 1990, 0, 0},   // within 24 ms of it
                                           Case{900, 1990, 400, 1990, 0, 0})); // at its velocity

TEST(PicksProposalsTable, TwentySlotsAndCdpsWithoutPanels) {
  AppState st = table();
  PickProposals p;
  std::vector<ProposalPick> many;
  for (int k = 0; k < 25; ++k) many.push_back({100.0f + 50.0f * k, static_cast<std::int16_t>(1500 + 20 * k)});
  p.set(101, many);
  p.set(102, {{300, 2000}});
  EXPECT_EQ(p.pickCount(), 26u);
  EXPECT_EQ(p.acceptAll(st), PicksPerCdp);
  EXPECT_EQ(picksInUse(st.PickTable[1]), PicksPerCdp);
  EXPECT_EQ(picksInUse(st.PickTable[2]), 0);  // no panel to stand on
  EXPECT_TRUE(p.empty());
  p.set(101, {{100, 1500}});
  p.set(101, {});
  EXPECT_TRUE(p.empty());
}
