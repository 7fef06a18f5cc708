// The values behind the graphics parameters dialog.
#include <gtest/gtest.h>

#include "display/core/GraphicsSettings.h"
#include "display/core/WindowLayout.h"

using namespace tsly;

TEST(DisplayGraphics, HashHashText) {
  EXPECT_EQ(tracesPerInchText(96, 10), "9.6");
  EXPECT_EQ(tracesPerInchText(96, 8), "12.");
  EXPECT_EQ(tracesPerInchText(96, 4.8f), "20.");
  EXPECT_EQ(tracesPerInchText(96, 7), "13.71");
  EXPECT_EQ(formatHashHash(0.5), ".5");
  EXPECT_EQ(formatHashHash(0.0), ".");
  EXPECT_EQ(formatHashHash(1000), "1000.");
  EXPECT_EQ(formatHashHash(2.999), "3.");
  EXPECT_EQ(formatHashHash(0.05), ".05");
  EXPECT_EQ(formatHashHash(-1.25), "-1.25");
  EXPECT_EQ(tracesPerInchText(96, 0), ".");
}

TEST(DisplayGraphics, EntriesFromTheSettings) {
  AppState s;
  s.TraceSpacing = 10;
  s.DataDivisor = 10;
  s.DisplayTimeLength = 400;
  s.AreaFillFlag = -1;  // as a settings file may hold it
  s.NormalizeFlag = 0;
  s.SamplingRatio = 0.5f;
  GraphicsEntries e = graphicsEntriesFrom(s, 96);
  EXPECT_EQ(e.tracesPerInch, "9.6");
  EXPECT_EQ(e.gain, " 10");
  EXPECT_EQ(e.timeLength, "400");
  EXPECT_EQ(e.areaFill, 1);
  EXPECT_EQ(e.normalize, 0);
  EXPECT_EQ(e.option, 3);
  s.DataDivisor = -6;
  s.DisplayTimeLength = 0.5f;
  s.SamplingRatio = 3;
  e = graphicsEntriesFrom(s, 96);
  EXPECT_EQ(e.gain, "-6");
  EXPECT_EQ(e.timeLength, ".5");
  EXPECT_EQ(e.option, -1);
}

TEST(DisplayGraphics, OptionButtonsAndRatios) {
  EXPECT_EQ(ratioForOption(0), 1.0f);
  EXPECT_EQ(ratioForOption(1), 2.0f);
  EXPECT_EQ(ratioForOption(2), 4.0f);
  EXPECT_EQ(ratioForOption(3), 0.5f);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(optionForRatio(ratioForOption(i)), i);
}

TEST(DisplayGraphics, DoneLimitsTracesPerInch) {
  EXPECT_EQ(limitTracesPerInch("5000"), "1000");
  EXPECT_EQ(limitTracesPerInch("1000.5"), "1000");
  EXPECT_EQ(limitTracesPerInch("abc"), "1");
  EXPECT_EQ(limitTracesPerInch(".5"), "1");
  EXPECT_EQ(limitTracesPerInch("-3"), "1");
  EXPECT_EQ(limitTracesPerInch("9.6"), "9.6");
  EXPECT_EQ(limitTracesPerInch(" 20 traces"), " 20 traces");
}

TEST(DisplayGraphics, ApplyingTheEntries) {
  AppState s;
  GraphicsEntries e;
  e.tracesPerInch = "20";
  e.gain = "150";
  e.timeLength = "abc";
  e.normalize = 1;
  e.areaFill = 1;
  applyGraphicsEntries(s, e, 96);
  EXPECT_FLOAT_EQ(s.TraceSpacing, 4.8f);
  EXPECT_EQ(s.DataDivisor, 120.0f);
  EXPECT_EQ(s.DisplayTimeLength, 0.0f);
  EXPECT_EQ(s.NormalizeFlag, 1);
  EXPECT_EQ(s.AreaFillFlag, 1);
  e.gain = "-500";
  e.tracesPerInch = "0";
  e.timeLength = "250";
  applyGraphicsEntries(s, e, 96);
  EXPECT_EQ(s.DataDivisor, -120.0f);
  EXPECT_FLOAT_EQ(s.TraceSpacing, 4.8f);  // 0 traces per inch keeps the spacing
  EXPECT_EQ(s.DisplayTimeLength, 250.0f);
  e.tracesPerInch = "1000";
  applyGraphicsEntries(s, e, 96);
  EXPECT_FLOAT_EQ(s.TraceSpacing, 0.096f);
}

TEST(DisplayLayout, ResizeRulesInTwips) {
  TwipsRect vp{240, 360, 7212, 4332}, vb{0, 360, 252, 4332}, hb{240, 4680, 7212, 252};
  ResizeResult r = resizeLayout(9000, 7000, vp, vb, hb);
  EXPECT_TRUE(r.relayout);
  EXPECT_EQ(r.viewport.left, 240);
  EXPECT_EQ(r.viewport.top, 360);
  EXPECT_EQ(r.viewport.height, 7000 - 252 - 1100);
  EXPECT_EQ(r.viewport.width, 9000 - 400);
  EXPECT_EQ(r.vscroll.height, r.viewport.height);
  EXPECT_EQ(r.vscroll.left, 0);
  EXPECT_EQ(r.hscroll.top, 360 + 7000 - 252 - 1100);
  EXPECT_EQ(r.hscroll.width, 8600);
  EXPECT_EQ(r.hscroll.height, 252);
  r = resizeLayout(9000, 2500, vp, vb, hb);
  EXPECT_FALSE(r.relayout);
  EXPECT_EQ(r.viewport.height, 4332);
  EXPECT_EQ(twipsToPixels(1440, 96), 96);
  EXPECT_EQ(twipsToPixels(15, 96), 1);
  EXPECT_EQ(pixelsToTwips(96, 96), 1440);
}

TEST(DisplayLayout, ScrollingMovesTheCanvas) {
  EXPECT_EQ(canvasPosForHorizontal(120, 30).left, -120);
  EXPECT_EQ(canvasPosForHorizontal(120, 30).top, -30);
  EXPECT_EQ(canvasPosForVertical(30).left, 0);
  EXPECT_EQ(canvasPosForVertical(30).top, -30);
  EXPECT_EQ(scrollLargeStep(481), 449);
  EXPECT_EQ(scrollLargeStep(10), ScrollSmallStep);
}

TEST(DisplayLayout, OneRuleForTheScrollBars) {
  // A canvas taller than the viewport scrolls by what does not fit.
  ScrollBars b = scrollBarsFor(360, 460, 481, 289);
  EXPECT_EQ(b.verticalMax, 460 - 289);
  EXPECT_EQ(b.verticalPage, 289 - 2 * ScrollSmallStep);
  EXPECT_EQ(b.horizontalPage, 481 - 2 * ScrollSmallStep);
  // A shorter one does not scroll at all.
  b = scrollBarsFor(360, 160, 481, 289);
  EXPECT_EQ(b.verticalMax, 0);
  // Across, the bar ends where the canvas's right edge meets the viewport's: a
  // canvas narrower than the viewport does not scroll out of view.
  EXPECT_EQ(b.horizontalMax, 0);
  b = scrollBarsFor(1000, 160, 481, 289);
  EXPECT_EQ(b.horizontalMax, 1000 - 481);
}
