// Picks, Clear Picks, the duplicate check and Next/Prev, with nested handlers.
#include <gtest/gtest.h>

#include <cstdio>

#include "display/core/PanelDisplay.h"
#include "picks/core/PickEdits.h"
#include "picks/core/PickTable.h"
#include "support/DisplayRig.h"

using namespace tsly;
using namespace tsly::test;

namespace {

const Rgb White{255, 255, 255};
const Rgb Red{255, 0, 0};

struct Rig : DisplayRig {
  // Three CDPs; CDP 1001 has panels at velocities 1500, 1800, 2100.
  // 250 us samples: MicrosecondsPerRow 250, so row 100 below the top is 25 ms.
  explicit Rig(const std::string& name) {
    make(name, {{1001, 1500, 10}, {1001, 1800, 10}, {1001, 2100, 10}, {1011, 1500, 4}, {1021, 1500, 4}}, flatPanels());
  }
  int xors() const {
    int n = 0;
    for (const auto& l : canvas.lines) n += l.mode == PenMode::Xor;
    return n;
  }
};

}  // namespace

TEST(DisplayPicks, ClickBeforeTheFirstDrawingIsIgnored) {
  Rig r("early.vsc");
  r.display.mousePress(60, 150);
  EXPECT_EQ(picksInUse(r.s.PickTable[1]), 0);
  EXPECT_FALSE(r.host.velfEnabled);
}

TEST(DisplayPicks, PickOnPanelTwoAtRowHundred) {
  Rig r("pick.vsc");
  r.display.refresh();
  ASSERT_EQ(r.s.PanelTable[2].Left, 180);
  ASSERT_EQ(r.s.PanelTable[2].Right, 280);
  EXPECT_TRUE(RecordingCanvas::same(r.canvas.pixel(230, 150), White));
  r.display.mousePress(230, 150);
  const CdpPicks& p = r.s.PickTable[1];
  EXPECT_EQ(p.PickVelocity[1], 1800);
  EXPECT_EQ(p.PickTime[1], 25.0f);
  EXPECT_EQ(p.PickPanel[1], 2);
  EXPECT_TRUE(r.host.velfEnabled);
  EXPECT_EQ(r.host.status, "Last pick at  25ms on CDP#  1001 with velo = 1800");
  EXPECT_TRUE(RecordingCanvas::same(r.canvas.pixel(180, 150), Red));
  EXPECT_TRUE(RecordingCanvas::same(r.canvas.pixel(280, 150), Red));
  EXPECT_TRUE(RecordingCanvas::same(r.canvas.pixel(179, 150), White));
  EXPECT_TRUE(RecordingCanvas::same(r.canvas.pixel(60, 150), White));
  EXPECT_EQ(r.canvas.penMode(), PenMode::Copy);
  EXPECT_EQ(r.canvas.penWidth(), 1);
  // A pick never redraws; the windows that follow the display hear of both.
  EXPECT_EQ(r.canvas.clears, 1);
  EXPECT_EQ(r.host.changes, (std::vector<DisplayChange>{DisplayChange::CdpShown, DisplayChange::PickMade}));
}

TEST(DisplayPicks, ClicksOutsidePanelsOrWindowAreIgnored) {
  Rig r("outside.vsc");
  r.display.refresh();
  const float bottom = 50 + r.display.view().PlotRows;
  r.display.mousePress(165, 150);       // gap between panels
  r.display.mousePress(230, 49);        // above the top
  r.display.mousePress(230, bottom + 1);  // below the window
  r.display.mousePress(10, 150);        // left margin
  EXPECT_EQ(picksInUse(r.s.PickTable[1]), 0);
  EXPECT_EQ(r.xors(), 0);
  // Exactly on Left, Right, the top and the last row counts.
  r.display.mousePress(50, 50);
  r.display.mousePress(280, bottom);
  EXPECT_EQ(picksInUse(r.s.PickTable[1]), 2);
  EXPECT_EQ(r.s.PickTable[1].PickTime[1], 0.0f);
  EXPECT_EQ(r.s.PickTable[1].PickVelocity[2], 1800);
}

TEST(DisplayPicks, SecondClickOnAPanelReplacesItsPick) {
  Rig r("replace.vsc");
  r.display.refresh();
  r.display.mousePress(60, 100);    // panel 1 at 12.5 ms
  r.display.mousePress(230, 150);   // panel 2 at 25 ms
  r.display.mousePress(100, 200);   // panel 1 again at 37.5 ms
  const CdpPicks& p = r.s.PickTable[1];
  EXPECT_EQ(picksInUse(p), 2);
  // Slot 1 was emptied and then taken again: the lowest free slot.
  EXPECT_EQ(p.PickVelocity[1], 1500);
  EXPECT_EQ(p.PickTime[1], 37.5f);
  EXPECT_EQ(p.PickVelocity[2], 1800);
  EXPECT_TRUE(RecordingCanvas::same(r.canvas.pixel(80, 100), White));  // old line erased
  EXPECT_TRUE(RecordingCanvas::same(r.canvas.pixel(80, 200), Red));
  EXPECT_TRUE(RecordingCanvas::same(r.canvas.pixel(200, 150), Red));
  EXPECT_EQ(r.host.status, "Last pick at  37.5ms on CDP#  1001 with velo = 1500");
}

TEST(DisplayPicks, TwentyFirstPickIsNeitherStoredNorDrawn) {
  Rig r("full.vsc");
  r.display.refresh();
  CdpPicks& p = r.s.PickTable[1];
  for (int k = 1; k <= 20; ++k) {
    p.PickVelocity[k] = static_cast<std::int16_t>(3000 + k);
    p.PickTime[k] = static_cast<float>(k);
    p.PickPanel[k] = 1;
  }
  r.host.status = "unchanged";
  const int before = r.xors();
  r.display.mousePress(230, 150);
  EXPECT_EQ(r.xors(), before);
  EXPECT_EQ(picksInUse(p), 20);
  EXPECT_EQ(p.PickVelocity[20], 3020);
  EXPECT_EQ(r.host.status, "unchanged");
  EXPECT_TRUE(RecordingCanvas::same(r.canvas.pixel(230, 150), White));
  // A replacing click on a full record still works.
  p.PickVelocity[5] = 1800;
  p.PickPanel[5] = 2;
  r.display.mousePress(230, 150);
  EXPECT_EQ(p.PickVelocity[5], 1800);
  EXPECT_EQ(p.PickTime[5], 25.0f);
}

TEST(DisplayPicks, ClearPicksErasesOnlyTheCdpShown) {
  Rig r("clear.vsc");
  r.display.refresh();
  r.s.PickTable[2].PickVelocity[1] = 1500;
  r.s.PickTable[2].PickTime[1] = 10;
  r.display.mousePress(60, 100);
  r.display.mousePress(230, 150);
  r.host.status = "kept";
  r.display.clearPicks();
  EXPECT_EQ(picksInUse(r.s.PickTable[1]), 0);
  EXPECT_EQ(picksInUse(r.s.PickTable[2]), 1);
  EXPECT_TRUE(RecordingCanvas::same(r.canvas.pixel(80, 100), White));
  EXPECT_TRUE(RecordingCanvas::same(r.canvas.pixel(200, 150), White));
  EXPECT_EQ(r.host.status, "kept");
  EXPECT_TRUE(r.host.velfEnabled);
  EXPECT_EQ(r.host.changes.back(), DisplayChange::PicksCleared);
  // Nothing to clear: nothing drawn.
  const int before = r.xors();
  r.display.clearPicks();
  EXPECT_EQ(r.xors(), before);
}

TEST(DisplayPicks, ThreePicksAtOneTimeGiveThreeMessages) {
  Rig r("dups.vsc");
  r.display.refresh();
  r.display.mousePress(60, 150);
  r.display.mousePress(230, 150);
  r.display.mousePress(330, 150);
  EXPECT_TRUE(checkduppicks(r.s, r.ui, 1));
  ASSERT_EQ(r.ui.boxes.size(), 3u);
  EXPECT_EQ(r.ui.boxes[0].text, "Duplicate Time Picks on velocities - \r\n 1500 and  1800 on CDP #  1001");
  EXPECT_EQ(r.ui.boxes[1].text, "Duplicate Time Picks on velocities - \r\n 1500 and  2100 on CDP #  1001");
  EXPECT_EQ(r.ui.boxes[2].text, "Duplicate Time Picks on velocities - \r\n 1800 and  2100 on CDP #  1001");
  for (const auto& b : r.ui.boxes) {
    EXPECT_EQ(b.title, "TSLY-DUPLICATE TIME PICKS NOT ALLOWED");
    EXPECT_EQ(b.icon, Icon::Information);
    EXPECT_EQ(b.buttons, Buttons::Ok);
  }
  EXPECT_EQ(r.s.MessageText, r.ui.boxes[2].text);
  EXPECT_FALSE(checkduppicks(r.s, r.ui, 2));
  EXPECT_FALSE(checkduppicks(r.s, r.ui, 0));
  EXPECT_FALSE(checkduppicks(r.s, r.ui, 99));
  EXPECT_EQ(r.ui.boxes.size(), 3u);
}

TEST(DisplayPicks, DuplicatesBlockNextAndPrev) {
  Rig r("blocked.vsc");
  r.display.refresh();
  r.display.mousePress(60, 150);
  r.display.mousePress(230, 150);
  const int clears = r.canvas.clears;
  r.display.nextPanel();
  EXPECT_EQ(r.s.CurrentCdp, 1);
  EXPECT_EQ(r.canvas.clears, clears);
  EXPECT_EQ(r.ui.boxes.size(), 1u);
  r.display.prevPanel();
  EXPECT_EQ(r.s.CurrentCdp, 1);
  EXPECT_EQ(r.ui.boxes.size(), 2u);
  // Picking again on one of the two panels removes the duplicate.
  r.display.mousePress(230, 160);
  r.display.nextPanel();
  EXPECT_EQ(r.s.CurrentCdp, 2);
  EXPECT_EQ(r.ui.boxes.size(), 2u);
}

TEST(DisplayPicks, NextAndPrevWrapAroundAndShowEachCdpsPicks) {
  Rig r("wrap.vsc");
  r.display.refresh();
  r.display.mousePress(230, 150);
  r.display.nextPanel();
  EXPECT_EQ(r.s.CurrentCdp, 2);
  EXPECT_EQ(r.host.status, "CDP #  1011 with any previous picks shown.");
  EXPECT_EQ(r.s.PanelTable[1].Left, 0);
  EXPECT_EQ(r.s.PanelTable[4].Left, 50);
  r.display.nextPanel();
  EXPECT_EQ(r.s.CurrentCdp, 3);
  r.display.nextPanel();
  EXPECT_EQ(r.s.CurrentCdp, 1);
  // Back on CDP 1001 its pick is drawn again by the overlay.
  EXPECT_TRUE(RecordingCanvas::same(r.canvas.pixel(230, 150), Red));
  r.display.prevPanel();
  EXPECT_EQ(r.s.CurrentCdp, 3);
  r.display.prevPanel();
  EXPECT_EQ(r.s.CurrentCdp, 2);
  EXPECT_TRUE(r.ui.boxes.empty());
}

TEST(DisplayPicks, OneCdpOnlyRedrawsTheSameCdp) {
  AppState s;
  RecordingCanvas canvas;
  ScriptedUi ui;
  RecordingHost host;
  PanelDisplay d(s, canvas, ui, host);
  TempDir dir;
  writePanelFile(dir.file("one.vsc"), {{7, 1500, 3}}, {}, &s);
  d.refresh();
  d.nextPanel();
  EXPECT_EQ(s.CurrentCdp, 1);
  EXPECT_EQ(canvas.clears, 2);
  d.prevPanel();
  EXPECT_EQ(canvas.clears, 3);
}

TEST(DisplayPicks, NextDuringARedrawRunsAfterIt) {
  Rig r("nested.vsc");
  r.display.refresh();
  int calls = 0;
  r.ui.onEvents = [&] {
    if (++calls == 2) {  // after the first panel of the redraw started by Next
      r.display.nextPanel();
      EXPECT_EQ(r.s.CurrentCdp, 2);  // not moved yet
      EXPECT_EQ(r.display.pendingActions(), 1);
    }
  };
  r.display.nextPanel();
  r.ui.onEvents = nullptr;
  EXPECT_EQ(r.s.CurrentCdp, 3);
  EXPECT_EQ(r.display.pendingActions(), 0);
  EXPECT_FALSE(r.display.redrawing());
  EXPECT_EQ(r.host.status, "CDP #  1021 with any previous picks shown.");
}

TEST(DisplayPicks, ClickDuringARedrawIsDrawnOnceAfterIt) {
  Rig r("clicknested.vsc");
  r.display.refresh();
  bool clicked = false;
  r.ui.onEvents = [&] {
    if (!clicked) {
      clicked = true;
      r.display.mousePress(230, 150);
      EXPECT_EQ(picksInUse(r.s.PickTable[1]), 0);
    }
  };
  r.display.refresh();
  r.ui.onEvents = nullptr;
  EXPECT_EQ(picksInUse(r.s.PickTable[1]), 1);
  EXPECT_TRUE(RecordingCanvas::same(r.canvas.pixel(230, 150), Red));
}

TEST(DisplayPicks, RedrawAskedForDuringARedrawStartsItAgain) {
  Rig r("again.vsc");
  r.display.refresh();
  int calls = 0;
  r.ui.onEvents = [&] {
    if (++calls == 2) {
      r.s.TraceSpacing = 5;  // as the graphics dialog would
      r.display.refresh();
    }
  };
  const int clears = r.canvas.clears;
  r.display.refresh();
  r.ui.onEvents = nullptr;
  EXPECT_EQ(r.canvas.clears, clears + 2);
  EXPECT_EQ(r.s.PanelTable[2].Left, 50 + 13 * 5);
  EXPECT_FALSE(r.ui.busy);
}

TEST(DisplayPicks, NoFileOpenedNextDoesNothing) {
  AppState s;
  RecordingCanvas canvas;
  ScriptedUi ui;
  RecordingHost host;
  PanelDisplay d(s, canvas, ui, host);
  d.nextPanel();
  d.prevPanel();
  d.clearPicks();
  d.mousePress(10, 10);
  EXPECT_EQ(s.CurrentCdp, 0);
  EXPECT_EQ(canvas.clears, 0);
  EXPECT_TRUE(ui.boxes.empty());
}

TEST(DisplayPicks, ClickBetweenRowsKeepsItsFractionInThePickTime) {
  // A click 100.4 rows below the top is 25.1 ms, not the 25 ms of row 100;
  // its line goes to the nearest row, 150.
  Rig r("fraction.vsc");
  r.display.refresh();
  r.display.mousePress(230, 150.4f);
  const CdpPicks& p = r.s.PickTable[1];
  EXPECT_FLOAT_EQ(p.PickTime[1], 25.1f);
  ASSERT_FALSE(r.canvas.lines.empty());
  EXPECT_EQ(r.canvas.lines.back().y1, 150);
  EXPECT_EQ(r.canvas.lines.back().y2, 150);
}

TEST(DisplayPicks, StoredPickBetweenRowsIsDrawnAndErasedAtTheNearestRow) {
  // A pick at 25.15 ms lies 100.6 rows down: its line is on row 151, when it
  // is made, when a redraw draws it again, and when a new pick on the same
  // panel erases it by drawing it once more in XOR.
  Rig r("between.vsc");
  r.display.refresh();
  r.display.mousePress(230, 150.6f);
  ASSERT_FLOAT_EQ(r.s.PickTable[1].PickTime[1], 25.15f);
  ASSERT_EQ(r.canvas.lines.back().y1, 151);
  r.display.refresh();
  EXPECT_EQ(r.canvas.lines.back().y1, 151);
  EXPECT_TRUE(RecordingCanvas::same(r.canvas.pixel(200, 151), Red));
  const size_t before = r.canvas.lines.size();
  r.display.mousePress(230, 200);
  ASSERT_EQ(r.canvas.lines.size(), before + 2);
  EXPECT_EQ(r.canvas.lines[before].y1, 151);  // the erase
  EXPECT_TRUE(RecordingCanvas::same(r.canvas.pixel(200, 151), White));
  EXPECT_TRUE(RecordingCanvas::same(r.canvas.pixel(200, 200), Red));
}

// Picks at any velocity: a pick between two panels' velocities is drawn that
// fraction of the way from the one panel to the other; beyond the panels on
// the outermost one. Edits from elsewhere draw and erase exactly.
TEST(DisplayPicks, PicksBetweenPanelsAreDrawnWhereTheyLie) {
  Rig r("between.vsc");
  r.display.refresh();  // panels at 50..150, 180..280, 310..410
  struct Row {
    std::int16_t velocity;
    int left, right;
  };
  const Row rows[] = {{1650, 115, 215}, {1800, 180, 280}, {2000, 267, 367}, {1400, 50, 150}, {2500, 310, 410}};
  // Rows clear of the timing lines (every 40 rows from 50).
  int y = 54;
  for (const Row& row : rows) {
    ASSERT_EQ(addPick(r.s, r.ui, 1, static_cast<float>(y - 50) * 0.25f, row.velocity), PickEdit::Done);
    r.display.picksEdited();
    EXPECT_TRUE(RecordingCanvas::same(r.canvas.pixel(row.left, y), Red)) << row.velocity;
    EXPECT_TRUE(RecordingCanvas::same(r.canvas.pixel(row.right, y), Red)) << row.velocity;
    EXPECT_TRUE(RecordingCanvas::same(r.canvas.pixel(row.left - 1, y), White)) << row.velocity;
    EXPECT_TRUE(RecordingCanvas::same(r.canvas.pixel(row.right + 1, y), White)) << row.velocity;
    y += 10;
  }
  EXPECT_EQ(r.s.PickTable[1].PickPanel[1], 0);  // 1650 lies between panels
  EXPECT_EQ(r.s.PickTable[1].PickPanel[2], 2);
  EXPECT_EQ(r.host.changes.back(), DisplayChange::PickMade);
  // Moved and removed elsewhere: the old lines go, nothing else stays.
  ASSERT_EQ(movePick(r.s, r.ui, 1, 1, 51.0f, 1950), PickEdit::Done);
  for (int k = 5; k >= 2; --k) ASSERT_EQ(removePick(r.s, 1, k), PickEdit::Done);
  r.display.picksEdited();
  y = 54;
  for (const Row& row : rows) {
    EXPECT_TRUE(RecordingCanvas::same(r.canvas.pixel(row.left + 1, y), White)) << row.velocity;
    y += 10;
  }
  EXPECT_TRUE(RecordingCanvas::same(r.canvas.pixel(245, 254), Red));  // 1950: half way from 1800 to 2100
  EXPECT_TRUE(RecordingCanvas::same(r.canvas.pixel(244, 254), White));
  r.display.clearPicks();
  EXPECT_TRUE(RecordingCanvas::same(r.canvas.pixel(300, 254), White));
}

// The guide from the picked neighbours, dashed across the panels when shown.
TEST(DisplayPicks, GuideIsDashedAcrossThePanels) {
  Rig r("guide.vsc");
  addPick(r.s, r.ui, 2, 0.0f, 1800);  // CDP 1011
  addPick(r.s, r.ui, 3, 0.0f, 1800);  // CDP 1021
  r.display.refresh();
  const Rgb Magenta{255, 0, 255};
  EXPECT_FALSE(RecordingCanvas::same(r.canvas.pixel(230, 52), Magenta));  // off until asked for
  r.display.setGuideShown(true);
  r.display.refresh();
  // 1800 everywhere: the middle of the 1800 panel, dashes of 6 rows, gaps of 4.
  EXPECT_TRUE(RecordingCanvas::same(r.canvas.pixel(230, 52), Magenta));
  EXPECT_FALSE(RecordingCanvas::same(r.canvas.pixel(230, 58), Magenta));
  EXPECT_TRUE(RecordingCanvas::same(r.canvas.pixel(230, 62), Magenta));
}
