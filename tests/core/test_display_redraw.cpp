// The redraw of the current CDP's panels, on files the tests write.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>

#include "display/core/DisplayGeometry.h"
#include "platform/RawFile.h"
#include "shared/Numbers.h"
#include "support/DisplayRig.h"

using namespace tsly;
using namespace tsly::test;

namespace {

struct Rig : DisplayRig {
  int linesAtRow(int y) const {
    return static_cast<int>(std::count_if(canvas.lines.begin(), canvas.lines.end(), [&](const LineCall& l) {
      return l.y1 == y && l.y2 == y && l.x1 == s.PlotLeft - 10 && l.mode == PenMode::Copy;
    }));
  }
  bool hasText(int x, int y, const std::string& t) const {
    return std::any_of(canvas.texts.begin(), canvas.texts.end(),
                       [&](const TextCall& c) { return c.x == x && c.y == y && c.text == t; });
  }
  int textCount(const std::string& t) const {
    return static_cast<int>(std::count_if(canvas.texts.begin(), canvas.texts.end(),
                                          [&](const TextCall& c) { return c.text == t; }));
  }
};

}  // namespace

TEST(DisplayRedraw, NothingAtAllWithoutAFile) {
  Rig r;
  r.display.refresh();
  EXPECT_EQ(r.canvas.clears, 0);
  EXPECT_TRUE(r.ui.boxes.empty());
  EXPECT_EQ(r.ui.eventsRun, 0);
}

TEST(DisplayRedraw, ErrorOpeningFile) {
  Rig r;
  r.s.DataFileName = r.dir.file("missing.vsc");
  r.display.refresh();
  ASSERT_EQ(r.ui.boxes.size(), 1u);
  EXPECT_EQ(Box(r.ui.boxes[0]), (Box{"Error opening file", "Tessaly", Buttons::Ok, Icon::None}));
  EXPECT_EQ(r.canvas.clears, 0);
}

TEST(DisplayRedraw, GeometryOfTwoPanelsOfTenTraces) {
  Rig r;
  r.make("geom.vsc", {{1001, 1500, 10}, {1001, 1800, 10}, {1011, 1500, 10}});
  EXPECT_EQ(panelPositions(r.s, 1001), 26);
  r.display.refresh();
  EXPECT_TRUE(r.ui.boxes.empty());
  EXPECT_EQ(r.canvas.width(), 360);
  EXPECT_EQ(r.display.view().CanvasWidth, 360);
  EXPECT_EQ(r.s.PanelTable[1].Left, 50);
  EXPECT_EQ(r.s.PanelTable[1].Right, 150);
  EXPECT_EQ(r.s.PanelTable[2].Left, 180);
  EXPECT_EQ(r.s.PanelTable[2].Right, 280);
  EXPECT_EQ(r.s.PanelTable[3].Left, 0);  // another CDP: not on screen
  EXPECT_EQ(r.s.PanelTable[3].Right, 0);
  // 22 traces painted, one polyline each, at x 50, 60, ..., 150, 180, ..., 280.
  ASSERT_EQ(r.canvas.polylines.size(), 22u);
  EXPECT_EQ(r.canvas.polylines[0][0].y, 50);
  EXPECT_EQ(r.display.view().TraceX, 280);
  // 100 samples of 4 ms: record 400 ms, 100 rows; canvas height 50 + 100 + 10.
  EXPECT_EQ(r.s.DisplayTimeLength, 400.0f);
  EXPECT_EQ(r.display.view().MicrosecondsPerRow, 4000.0f);
  EXPECT_EQ(r.display.view().PlotRows, 100.0f);
  EXPECT_EQ(r.canvas.height(), 160);
  // The canvas is shorter than the 289-pixel viewport: nothing to scroll down.
  EXPECT_EQ(r.host.bars.verticalMax, 0);
  EXPECT_EQ(r.host.bars.horizontalMax, 0);  // 360 pixels fit in the 481-pixel viewport
  // Events after the hourglass and after each of the two panels.
  EXPECT_EQ(r.ui.eventsRun, 3);
  EXPECT_FALSE(r.ui.busy);
  EXPECT_EQ(r.s.PanelDrawn, -1);
  EXPECT_TRUE(r.host.clearPicksEnabled);
  EXPECT_EQ(r.host.status, "CDP #  1001 with any previous picks shown.");
  EXPECT_EQ(r.s.PlotLeft, 50);
  EXPECT_EQ(r.s.PlotTop, 50);
}

TEST(DisplayRedraw, TimingLinesForEachSamplingRatio) {
  // 250 us samples, 2000 samples: a 500 ms record.
  struct Case {
    float ratio;
    int step;
    int lines;
    const char* secondLabel;
  } cases[] = {{1, 40, 51, " 10"}, {0.5f, 80, 51, " 10"}, {2, 200, 6, " 100"}, {4, 100, 6, " 100"}};
  for (const Case& c : cases) {
    Rig r;
    PanelFileOptions o;
    o.samples = 2000;
    o.interval = 250;
    r.make("timing.vsc", {{1, 1500, 2}}, o);
    r.s.SamplingRatio = c.ratio;
    r.display.refresh();
    auto lines = timingLines(r.display.view().MicrosecondsPerRow, c.ratio, r.display.view().PlotRows, 12);
    ASSERT_EQ(static_cast<int>(lines.size()), c.lines) << c.ratio;
    for (int k = 0; k < c.lines; ++k) {
      EXPECT_EQ(lines[k].row, k * c.step);
      EXPECT_TRUE(lines[k].labelled);
      EXPECT_EQ(r.linesAtRow(50 + k * c.step), 1) << c.ratio << " row " << k * c.step;
    }
    // Labels on both sides, centred on the line: text height 12.
    EXPECT_TRUE(r.hasText(12, 50 + c.step - 6, c.secondLabel)) << c.ratio;
    EXPECT_TRUE(r.hasText(r.canvas.width() - 50 + 5, 50 + c.step - 6, c.secondLabel)) << c.ratio;
    EXPECT_TRUE(r.hasText(12, 44, " 0"));
    EXPECT_EQ(r.textCount(" 500"), 2) << c.ratio;
  }
}

// Lines closer than 4 rows are widened to the next round interval, line k lies
// at row nearest(k x D) and says k x the interval, and labels are thinned so
// that none overlaps the one above it.
TEST(DisplayRedraw, TimingLinesStayApartOnFineSampling) {
  struct Case {
    int intervalUs;
    float ratio;
    double lineMs;            // interval of the lines
    std::vector<int> rows;    // the first rows
    double labelMs;           // interval of the labels (text height 12)
  } cases[] = {
      // 4 ms at 1:1: 10 ms would be 2.5 rows; 20 ms lines every 5 rows.
      {4000, 1, 20, {0, 5, 10, 15, 20, 25}, 100},
      // 4 ms at 2:1: 100 ms is 12.5 rows; no drift (12, 25, 38, 50), labels every 200 ms.
      {4000, 2, 100, {0, 12, 25, 38, 50}, 200},
      // 2.4 ms at 1:1: 10 ms is 4.17 rows, kept; the rows follow k x D.
      {2400, 1, 10, {0, 4, 8, 12, 17, 21, 25, 29, 33, 38}, 50},
      // 8 ms at 4:1: 32 ms per row; 100 ms would be 3.1 rows, 200 ms is 6.25.
      {8000, 4, 200, {0, 6, 12, 19, 25}, 500},
  };
  for (const Case& c : cases) {
    Rig r;
    PanelFileOptions o;
    o.samples = 1000;
    o.interval = c.intervalUs;
    r.make("fine.vsc", {{1, 1234, 2}}, o);  // a velocity no timing label shares
    r.s.SamplingRatio = c.ratio;
    r.display.refresh();
    const float usPerRow = r.display.view().MicrosecondsPerRow;
    EXPECT_EQ(timingIntervalMs(usPerRow, c.ratio), c.lineMs) << c.intervalUs;
    const auto lines = timingLines(usPerRow, c.ratio, r.display.view().PlotRows, 12);
    ASSERT_GE(lines.size(), c.rows.size());
    for (std::size_t k = 0; k < c.rows.size(); ++k) {
      EXPECT_EQ(lines[k].row, c.rows[k]) << c.intervalUs << " line " << k;
      EXPECT_EQ(lines[k].timeMs, k * c.lineMs);
      EXPECT_EQ(r.linesAtRow(50 + c.rows[k]), 1) << c.intervalUs << " line " << k;
    }
    // Labels on the multiples of the label interval only, never overlapping.
    int lastY = -1000;
    for (const TimingLine& l : lines) {
      const bool multiple = std::fmod(l.timeMs, c.labelMs) == 0.0;
      EXPECT_EQ(l.labelled, multiple) << c.intervalUs << " at " << l.timeMs;
      const std::string text = timingLabel(l.timeMs);
      EXPECT_EQ(r.textCount(text), l.labelled ? 2 : 0) << text;
      if (!l.labelled) continue;
      const int y = 50 + l.row - 6;
      EXPECT_GE(y - lastY, 12) << c.intervalUs << " at " << l.timeMs;
      lastY = y;
    }
  }
}

// A label too wide for the margin moves left, clear of the start of its line.
TEST(DisplayRedraw, WideTimingLabelsStayLeftOfTheirLine) {
  Rig r;
  PanelFileOptions o;
  o.samples = 1500;
  o.interval = 4000;  // a 6 s record
  r.make("wide.vsc", {{1, 1500, 2}}, o);
  r.s.SamplingRatio = 4;  // 16 ms per row: 100 ms lines, labels every 200 ms
  r.display.refresh();
  // " 1000" is 30 pixels wide here: it ends 2 pixels before the line at x 40.
  EXPECT_EQ(leftTimingLabelX(50, 30), 8);
  EXPECT_TRUE(r.hasText(8, 50 + nearestI32(1000 / 16.0) - 6, " 1000"));
  // A narrow one stays at a quarter of the margin.
  EXPECT_EQ(leftTimingLabelX(50, 18), 12);
  EXPECT_TRUE(r.hasText(12, 50 - 6, " 0"));
}

// No separator line runs through the label of a trace beside it: the label
// ends 2 pixels short of the line (or begins 2 pixels after it).
TEST(DisplayRedraw, SeparatorLinesStayClearOfTheCdpLabelsBesideThem) {
  auto check = [](Rig& r) {
    std::vector<int> separators;
    for (const LineCall& l : r.canvas.lines)
      if (l.x1 == l.x2 && l.y1 == 45 && l.y2 == 30) separators.push_back(l.x1);
    ASSERT_FALSE(separators.empty());
    for (const TextCall& t : r.canvas.texts) {
      if (t.y != 30) continue;  // the trace labels' row
      const int right = t.x + 6 * static_cast<int>(t.text.size()) - 1;
      for (int x : separators) EXPECT_TRUE(right <= x - 3 || t.x >= x + 3) << t.text << " at " << t.x;
    }
  };
  {
    // Spacing 10: " 1005", the last CDP of each panel, would reach its separator.
    Rig r;
    r.make("right.vsc", {{1001, 1500, 5}, {1001, 1800, 5}});
    r.display.refresh();
    EXPECT_TRUE(r.hasText(100 - 2 - 30, 30, " 1005"));
    EXPECT_TRUE(r.hasText(180 - 2 - 30, 30, " 1005"));
    check(r);
  }
  {
    // Spacing 5: " 1005", the first CDP of the second panel, would reach the
    // separator of the first; the first panel's has no line to its left.
    Rig r;
    r.make("left.vsc", {{1005, 1500, 4}, {1005, 1800, 4}});
    r.s.TraceSpacing = 5;
    r.display.refresh();
    EXPECT_TRUE(r.hasText(50 - 15, 30, " 1005"));
    EXPECT_TRUE(r.hasText(70 + 3, 30, " 1005"));
    check(r);
  }
  EXPECT_EQ(traceLabelX(90, 30, NoSeparatorLine, 100), 68);
  EXPECT_EQ(traceLabelX(90, 10, NoSeparatorLine, 100), 85);  // clear of it already: centred
}

TEST(DisplayRedraw, LabelsEveryTenTracesAtSpacingFourPointEight) {
  Rig r;
  r.make("labels.vsc", {{1, 1500, 25}});  // CDPs 1..25
  r.s.TraceSpacing = 4.8f;
  r.display.refresh();
  EXPECT_EQ(labelInterval(4.8f), 10);
  // Ticks: CDP 10 and 20 and the separator.
  int ticks = 0;
  for (const auto& l : r.canvas.lines)
    if (l.y1 == 45 && l.y2 == 50 && l.x1 == l.x2) ++ticks;
  EXPECT_EQ(ticks, 3);
  // CDP 10 is position 9: x = nearest(9 x 4.8 + 50) = 93; " 10" is 18 wide.
  EXPECT_TRUE(r.hasText(93 - 9, 30, " 10"));
  EXPECT_EQ(r.textCount(" 20"), 1);
  EXPECT_EQ(r.textCount(" 5"), 0);
  EXPECT_EQ(r.textCount(" 15"), 0);
  // Separator at position 25: x = 170; velocity label on row 17 and the line up to 30.
  EXPECT_TRUE(r.hasText(170 - 15, 17, " 1500"));
  bool sepLine = std::any_of(r.canvas.lines.begin(), r.canvas.lines.end(), [](const LineCall& l) {
    return l.x1 == 170 && l.y1 == 45 && l.x2 == 170 && l.y2 == 30;
  });
  EXPECT_TRUE(sepLine);
  EXPECT_EQ(labelInterval(10), 5);
  EXPECT_EQ(labelInterval(3), 10);
  EXPECT_EQ(labelInterval(2.5f), 20);
  EXPECT_EQ(labelInterval(1.9f), 50);
}

TEST(DisplayRedraw, DeadTraceGetsTickAndXButNoNumber) {
  Rig r;
  PanelFileOptions o;
  o.tweak = [](int, int k, HeaderArray& h) {
    if (k == 4 || k == 6) h[WordTraceCode] = TraceCodeDead;  // CDP 5 (a multiple of 5) and CDP 7
  };
  r.make("dead.vsc", {{1, 1500, 10}}, o);
  r.display.refresh();
  EXPECT_EQ(r.textCount(" 5"), 0);
  EXPECT_EQ(r.textCount(" 10"), 1);
  EXPECT_EQ(r.textCount("x"), 2);
  EXPECT_TRUE(r.hasText(90, 30, "x"));
  EXPECT_TRUE(r.hasText(110, 30, "x"));
  bool tickAt90 = std::any_of(r.canvas.lines.begin(), r.canvas.lines.end(),
                              [](const LineCall& l) { return l.x1 == 90 && l.y1 == 45 && l.y2 == 50; });
  bool tickAt110 = std::any_of(r.canvas.lines.begin(), r.canvas.lines.end(),
                               [](const LineCall& l) { return l.x1 == 110 && l.y1 == 45 && l.y2 == 50; });
  EXPECT_TRUE(tickAt90);
  EXPECT_FALSE(tickAt110);
}

TEST(DisplayRedraw, LabelWordOutsideTheHeaderGivesNoLabel) {
  HeaderArray h{};
  h[WordTraceCode] = 1;
  h[WordLabelWord] = 200;
  h[WordCdp] = 10;
  TraceLabel l = traceLabel(h, 5, 50);
  EXPECT_FALSE(l.tick);
  EXPECT_FALSE(l.hasNumber);
  h[WordLabelWord] = 0;
  EXPECT_FALSE(traceLabel(h, 5, 50).tick);
  h[WordLabelWord] = -3;
  EXPECT_FALSE(traceLabel(h, 5, 50).tick);
  // A separator still gets its tick, line and velocity.
  h[WordTraceCode] = TraceCodeSeparator;
  h[WordCdp] = 2400;
  l = traceLabel(h, 5, 50);
  EXPECT_TRUE(l.tick);
  EXPECT_TRUE(l.separatorLine);
  EXPECT_EQ(l.text, " 2400");
  EXPECT_EQ(l.y, 17);
  // Negative keys count by their size.
  h[WordTraceCode] = 1;
  h[WordLabelWord] = 8;
  h[8] = -15;
  EXPECT_TRUE(traceLabel(h, 5, 50).tick);
  EXPECT_EQ(traceLabel(h, 5, 50).text, "-15");
}

TEST(DisplayRedraw, ScaleFactorNeverDividesByZero) {
  std::vector<float> zero(10, 0.0f);
  EXPECT_EQ(scaleFactor(true, zero.data(), 10, 10, 500), 1.0f);
  std::vector<float> some{1, -4, 2};
  EXPECT_EQ(scaleFactor(true, some.data(), 3, 10, 500), 5.0f);
  EXPECT_EQ(scaleFactor(false, some.data(), 3, 10, 500), 0.04f);
  EXPECT_EQ(scaleFactor(false, some.data(), 3, 10, 0), 1.0f);
  // 0 dB: the divisor is 1 / F; 20 dB multiplies the deflection by ten.
  EXPECT_FLOAT_EQ(normalizerDivisor(4.0f, 0.0f), 0.25f);
  EXPECT_FLOAT_EQ(normalizerDivisor(1.0f, 20.0f), 0.1f);
}

TEST(DisplayRedraw, AllZeroTraceWithNormalisationStaysOnItsLine) {
  Rig r;
  PanelFileOptions o;
  o.value = [](int, int k, int) { return k == 0 ? 0.0f : 50.0f; };
  r.make("zero.vsc", {{1, 1500, 2}}, o);
  r.s.NormalizeFlag = 1;
  r.s.DataDivisor = 0;
  r.display.refresh();
  ASSERT_EQ(r.canvas.polylines.size(), 3u);
  for (const auto& p : r.canvas.polylines[0]) EXPECT_EQ(p.x, 50);
  // The others are scaled to two spacings: 20 pixels.
  for (const auto& p : r.canvas.polylines[1]) EXPECT_EQ(p.x, 60 + 20);
  EXPECT_TRUE(r.ui.boxes.empty());
}

TEST(DisplayRedraw, MaxAmplitudeZeroWithoutNormalisationPaintsFiniteTraces) {
  Rig r;
  r.make("maxzero.vsc", {{1, 1500, 2}});
  r.s.MaxAmplitude = 0;
  r.s.DataDivisor = 0;
  r.display.refresh();
  ASSERT_EQ(r.canvas.polylines.size(), 3u);
  for (const auto& p : r.canvas.polylines[0]) EXPECT_LE(std::abs(p.x - 50), 100);
}

TEST(DisplayRedraw, AreaFillFollowsTheFlag) {
  Rig r;
  r.make("fill.vsc", {{1, 1500, 2}});
  r.display.refresh();
  EXPECT_TRUE(r.canvas.polygons.empty());
  r.s.AreaFillFlag = 1;
  r.display.refresh();
  EXPECT_FALSE(r.canvas.polygons.empty());
}

TEST(DisplayRedraw, DisplayTimeLengthIsClampedToTheRecord) {
  for (float setting : {0.0f, -5.0f, 9999.0f}) {
    Rig r;
    r.make("clamp.vsc", {{1, 1500, 1}});
    r.s.DisplayTimeLength = setting;
    r.display.refresh();
    EXPECT_EQ(r.s.DisplayTimeLength, 400.0f) << setting;
  }
  Rig r;
  r.make("clamp2.vsc", {{1, 1500, 1}});
  r.s.DisplayTimeLength = 200;
  r.display.refresh();
  EXPECT_EQ(r.s.DisplayTimeLength, 200.0f);
  EXPECT_EQ(r.display.view().PlotRows, 50.0f);
  // Only the samples of the window are painted.
  EXPECT_EQ(r.canvas.polylines[0].size(), 50u);
}

TEST(DisplayRedraw, ShortTracesArePaintedOnlyOverTheirOwnSamples) {
  Rig r;
  PanelFileOptions o;
  o.tweak = [](int, int k, HeaderArray& h) {
    if (k == 1) h[WordNumSamples] = 30;
  };
  r.make("short.vsc", {{1, 1500, 3}}, o);
  r.display.refresh();
  EXPECT_TRUE(r.ui.boxes.empty());
  ASSERT_EQ(r.canvas.polylines.size(), 4u);
  EXPECT_EQ(r.canvas.polylines[0].size(), 100u);
  EXPECT_EQ(r.canvas.polylines[1].size(), 30u);
  EXPECT_EQ(r.canvas.polylines[2].size(), 100u);
}

TEST(DisplayRedraw, TraceWithoutSamplesEndsItsPanel) {
  Rig r;
  PanelFileOptions o;
  o.tweak = [](int p, int k, HeaderArray& h) {
    if (p == 0 && k == 3) h[WordNumSamples] = 0;
  };
  r.make("nosamples.vsc", {{1, 1500, 6}, {1, 1600, 6}}, o);
  r.display.refresh();
  EXPECT_TRUE(r.ui.boxes.empty());
  EXPECT_EQ(r.s.PanelTable[1].Left, 50);
  EXPECT_EQ(r.s.PanelTable[1].Right, 70);  // traces 0..2 drawn
  EXPECT_EQ(r.s.PanelTable[2].Left, 100);
  EXPECT_EQ(r.s.PanelTable[2].Right, 160);
  EXPECT_EQ(r.canvas.polylines.size(), 3u + 7u);
}

TEST(DisplayRedraw, TwoByteSamplesAreReadAsIntegers) {
  Rig r;
  PanelFileOptions o;
  o.floats = false;
  o.value = [](int, int, int i) { return i == 10 ? 100.0f : 0.0f; };
  r.make("int16.vsc", {{1, 1500, 1}}, o);
  r.s.MaxAmplitude = 100;
  r.s.DataDivisor = 0;
  r.display.refresh();
  ASSERT_FALSE(r.canvas.polylines.empty());
  EXPECT_EQ(r.canvas.polylines[0][10].x, 50 + 20);
  EXPECT_EQ(r.s.BytesPerSample, 2);
  EXPECT_EQ(r.s.RawSamples16.size(), 100u);
}

TEST(DisplayRedraw, CdpWithoutPanels) {
  Rig r;
  r.make("nopanels.vsc", {{1001, 1500, 4}});
  r.s.CdpList[1] = 2002;  // the listed CDP has no panel
  r.host.status = "before";
  r.display.refresh();
  EXPECT_EQ(r.canvas.width(), 100);
  EXPECT_GT(r.linesAtRow(50), 0);
  EXPECT_TRUE(r.canvas.polylines.empty());
  EXPECT_EQ(r.s.PanelDrawn, 0);
  EXPECT_FALSE(r.host.clearPicksEnabled);
  EXPECT_EQ(r.host.status, "before");
  EXPECT_EQ(r.s.PanelTable[1].Left, 0);
}

TEST(DisplayRedraw, CurrentCdpOutsideTheListDrawsNoPanel) {
  Rig r;
  r.make("badindex.vsc", {{1001, 1500, 4}});
  for (int c : {0, 2, 41, -1}) {
    r.s.CurrentCdp = c;
    r.display.refresh();
    EXPECT_TRUE(r.canvas.polylines.empty()) << c;
    EXPECT_EQ(r.canvas.width(), 100);
  }
  // A panel pointing past the directory ends with the directory.
  r.s.CurrentCdp = 1;
  r.s.PanelTable[1].PanelTraces = 500;
  r.display.refresh();
  EXPECT_EQ(r.canvas.polylines.size(), 5u);
  EXPECT_TRUE(r.ui.boxes.empty());
}

TEST(DisplayRedraw, ReadFailuresStopWithTheirMessage) {
  struct Case {
    const char* text;
    std::function<void(Rig&)> spoil;
  } cases[] = {
      {"File Seek Failed.", [](Rig& r) { r.s.TraceDirectory[5].FilePos = -100; }},
      {"Trace header read failed", [](Rig& r) { r.s.TraceDirectory[5].FilePos = 1 << 30; }},
      {"Trace date read failed", [](Rig& r) {
         // Cut the file inside the samples of trace 9.
         ASSERT_EQ(truncate(r.path.c_str(), r.s.TraceDirectory[5].FilePos + 240 + 10), 0);
       }},
  };
  for (const Case& c : cases) {
    Rig r;
    r.make("fail.vsc", {{1, 1500, 3}, {1, 1600, 3}, {1, 1700, 3}});
    r.s.PanelTable[3].Left = 77;
    r.s.PanelTable[3].Right = 99;
    r.host.status = "before";
    c.spoil(r);
    r.display.refresh();
    ASSERT_EQ(r.ui.boxes.size(), 1u) << c.text;
    EXPECT_EQ(Box(r.ui.boxes[0]), (Box{c.text, "Tessaly", Buttons::Ok, Icon::None}));
    EXPECT_FALSE(r.ui.busy);
    EXPECT_EQ(r.s.PanelDrawn, 0);
    EXPECT_FALSE(r.host.clearPicksEnabled);
    EXPECT_EQ(r.host.status, "before");
    // Panel 1 was finished; panel 3 was never reached and keeps its old extent.
    EXPECT_EQ(r.s.PanelTable[1].Right, 80);
    EXPECT_EQ(r.s.PanelTable[2].Left, 110);
    EXPECT_EQ(r.s.PanelTable[3].Left, 77);
    EXPECT_EQ(r.s.PanelTable[3].Right, 99);
    EXPECT_EQ(r.canvas.polylines.size(), 4u);  // what was drawn so far stays
    // The program keeps running: picking and paging still work.
    r.display.mousePress(60.0f, 80.0f);
    r.display.nextPanel();
  }
}

// The file changed since the scan: traces appended are not looked at; traces
// grown longer are each read as their own trace, any failure said as one.
TEST(DisplayRedraw, AFileChangedSinceTheScanIsReadAsTheDirectorySaysOrRefused) {
  Rig r;
  PanelFileOptions o;
  o.samples = 40;
  r.make("change.vsc", {{101, 1500, 3}, {101, 1600, 3}}, o);
  TraceFileBuilder more(4, 40);
  writeFile(r.path, readFile(r.path) + more.panel(300, 2, 9000).str());
  r.display.refresh();
  EXPECT_TRUE(r.ui.boxes.empty());
  TraceFileBuilder longer(4, 400);
  longer.panel(101, 3, 1500).panel(101, 3, 1600).writeTo(r.path);
  r.display.refresh();
  for (const auto& box : r.ui.boxes)
    EXPECT_TRUE(box.text == "Trace date read failed" || box.text == "Trace header read failed") << box.text;
}

TEST(DisplayRedraw, PicksOfTheCdpAreOverlaidWithTheXorPen) {
  Rig r;
  r.make("overlay.vsc", {{1, 1500, 10}, {1, 1800, 10}, {2, 1500, 10}});
  CdpPicks& p = r.s.PickTable[1];
  p.PickVelocity[1] = 1800;
  p.PickTime[1] = 104;  // 4 ms per row: row 26 (between the 20 ms timing lines)
  p.PickPanel[1] = 2;
  r.s.PickTable[2].PickVelocity[1] = 1500;
  r.s.PickTable[2].PickPanel[1] = 3;
  r.s.PickTable[2].PickTime[1] = 8;
  r.display.refresh();
  std::vector<LineCall> xors;
  for (const auto& l : r.canvas.lines)
    if (l.mode == PenMode::Xor) xors.push_back(l);
  ASSERT_EQ(xors.size(), 1u);
  EXPECT_EQ(xors[0].x1, 180);
  EXPECT_EQ(xors[0].x2, 280);
  EXPECT_EQ(xors[0].y1, 76);
  EXPECT_EQ(xors[0].width, 2);
  EXPECT_EQ(xors[0].colour.r, 0);
  EXPECT_EQ(xors[0].colour.g, 255);
  EXPECT_EQ(xors[0].colour.b, 255);
  EXPECT_TRUE(RecordingCanvas::same(r.canvas.pixel(230, 76), Rgb{255, 0, 0}));
  EXPECT_EQ(r.canvas.penMode(), PenMode::Copy);
  EXPECT_EQ(r.canvas.penWidth(), 1);
}
