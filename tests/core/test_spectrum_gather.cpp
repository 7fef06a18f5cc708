// The gather behind a panel file, for the "Velocity Spectrum" window: asked
// once, remembered, refused with the missing CDPs named, indexed again when
// rewritten.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "spectrum/core/GatherCdps.h"
#include "spectrum/core/SpectrumGather.h"
#include "support/GenFixtures.h"
#include "support/PanelFile.h"
#include "support/ScriptedUi.h"

using namespace tsly;
using namespace tsly::test;

struct SpectrumGatherChoice : ::testing::Test {
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

TEST_F(SpectrumGatherChoice, AskedOnceStartingInTheLastDirectoryAndRemembered) {
  EXPECT_EQ(gathers.gatherFor(ui, st, false), nullptr);
  EXPECT_TRUE(ui.openDialogs.empty());
  ui.choose(gather);
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

TEST_F(SpectrumGatherChoice, CancelEndsWithoutAMessageAndRemembersNothing) {
  EXPECT_EQ(gathers.gatherFor(ui, st, true), nullptr);
  EXPECT_EQ(ui.openDialogs.size(), 1u);
  EXPECT_TRUE(ui.boxes.empty());
  EXPECT_EQ(gathers.remembered(panels), "");
}

TEST_F(SpectrumGatherChoice, AGatherWithoutThePanelsCdpsIsRefusedNamingThem) {
  const std::string part = dir.file("part.dat");
  writeGather(part, syntheticGather(1003, 3, 3, 100));  // 1003..1005: neither 1001 nor 1006
  ui.choose(part);
  EXPECT_EQ(gathers.gatherFor(ui, st, true), nullptr);
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(Box(ui.boxes[0]), (Box{part + " does not hold every CDP of " + panels + ".\r\nMissing CDPs: 1001, 1006", "Velocity Spectrum", Buttons::Ok, Icon::Exclamation}));
  EXPECT_EQ(gathers.remembered(panels), "");
  // One missing CDP is named alone.
  writeGather(part, syntheticGather(1002, 5, 3, 100));
  ui.choose(part);
  EXPECT_EQ(gathers.choose(ui, st), nullptr);
  ASSERT_EQ(ui.boxes.size(), 2u);
  EXPECT_EQ(ui.boxes[1].text, part + " does not hold every CDP of " + panels + ".\r\nMissing CDP: 1001");
}

TEST_F(SpectrumGatherChoice, PanelsAreNoGather) {
  ui.choose(panels);
  EXPECT_EQ(gathers.gatherFor(ui, st, true), nullptr);
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(ui.boxes[0].text,
            panels + " holds Velocity Scan Data; the velocity spectrum is computed from CDP-gather data");
  EXPECT_EQ(ui.boxes[0].title, "Velocity Spectrum");
  EXPECT_EQ(ui.boxes[0].icon, Icon::Exclamation);
  ui.choose(dir.file("none.dat"));
  EXPECT_EQ(gathers.choose(ui, st), nullptr);
  ASSERT_EQ(ui.boxes.size(), 2u);
  EXPECT_EQ(ui.boxes[1].title, "Velocity Spectrum");
}

TEST_F(SpectrumGatherChoice, ARewrittenGatherIsIndexedAgain) {
  ui.choose(gather);
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

TEST_F(SpectrumGatherChoice, TheScanLetsEventsRunAndRefusesToNest) {
  writeGather(gather, syntheticGather(1001, 6, 40, 20));  // 240 traces: two progress points
  ui.choose(gather);
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
