// The section picture's numbers: reading a file for it, sizes, trace positions,
// amplitude scaling and clipping, time and CDP labels, wiggles and filled lobes.
#include <gtest/gtest.h>

#include <cmath>

#include "deck/core/SectionPlot.h"
#include "support/TraceFileBuilder.h"

using namespace tsly;
using namespace tsly::section;
using namespace tsly::test;

namespace {

// n traces of CDPs first.. with `samples` samples at 4 ms, sample values given by f(trace, i).
template <class F>
Data makeData(int n, int first, int samples, F f) {
  Data d;
  d.intervalUs = 4000;
  d.samples = samples;
  for (int k = 0; k < n; ++k) {
    Trace t;
    t.cdp = static_cast<std::int16_t>(first + k);
    for (int i = 0; i < samples; ++i) t.samples.push_back(f(k, i));
    for (float x : t.samples) d.maxAbs = std::max(d.maxAbs, std::fabs(x));
    d.traces.push_back(t);
  }
  return d;
}

}  // namespace

TEST(DeckSection, ReadsTracesLeavingOutSeparators) {
  TempDir dir;
  TraceFileBuilder b(2, 60, 2000);
  b.panel(101, 3, 1500, 50.0f).dataTrace(104, 900.0f, 2).dataTrace(105, 20.0f);
  b.writeTo(dir.file("s.dat"));
  Data d;
  ASSERT_EQ(readSectionFile(dir.file("s.dat"), d), "");
  ASSERT_EQ(d.traces.size(), 5u);
  EXPECT_EQ(d.traces[3].cdp, 104);
  EXPECT_TRUE(d.traces[3].dead);
  EXPECT_FALSE(d.traces[4].dead);
  EXPECT_EQ(d.intervalUs, 2000);
  EXPECT_EQ(d.samples, 60);
  EXPECT_FLOAT_EQ(d.maxAbs, 50.0f);  // the dead trace's 900 does not count

  EXPECT_EQ(readSectionFile(dir.file("none.dat"), d), "\"" + dir.file("none.dat") + "\" can not be opened for reading");
  TraceFileBuilder().writeTo(dir.file("empty.dat"));
  EXPECT_EQ(readSectionFile(dir.file("empty.dat"), d), "\"" + dir.file("empty.dat") + "\" holds no traces to draw");
  TraceFileBuilder cut(2);
  cut.dataTrace(1).dataTrace(2).truncate(8);
  cut.writeTo(dir.file("cut.dat"));
  EXPECT_EQ(readSectionFile(dir.file("cut.dat"), d), "trace 2 is cut short (the file ends inside it)");
}

TEST(DeckSection, SizesPositionsAndLabels) {
  // Ten stacked traces of 500 samples at 4 ms (2 s).
  const Data d = makeData(10, 1001, 500, [](int, int i) { return i == 100 ? 8.0f : 0.0f; });
  const Layout l = layoutSection(d, {});
  EXPECT_DOUBLE_EQ(l.spacing, 40.0);         // 1200 / 10 = 120, kept at 40
  EXPECT_DOUBLE_EQ(l.pixelsPerSample, 1.6);  // 800 px / 2000 ms, 4 ms a sample
  EXPECT_EQ(l.width, 72 + 40 + 400 + 40 + 16);
  EXPECT_EQ(l.height, 56 + 799 + 1 + 16);
  EXPECT_DOUBLE_EQ(l.traceX[0], 72 + 40 + 20);
  EXPECT_DOUBLE_EQ(l.traceX[9] - l.traceX[0], 9 * 40.0);
  EXPECT_DOUBLE_EQ(sampleY(l, 100), 56 + 160.0);
  // Time labels every 100 ms (40 px), 0 to 2000.
  EXPECT_EQ(l.timeStepMs, 100);
  ASSERT_EQ(l.timeLabels.size(), 21u);
  EXPECT_EQ(l.timeLabels[10].text, "1000");
  EXPECT_DOUBLE_EQ(l.timeLabels[10].at, 56 + 400.0);
  // 40 px a CDP: every second CDP labelled.
  EXPECT_EQ(l.cdpStep, 2);
  ASSERT_EQ(l.cdpLabels.size(), 5u);
  EXPECT_EQ(l.cdpLabels[0].text, "1002");
  EXPECT_DOUBLE_EQ(l.cdpLabels[0].at, l.traceX[1]);

  // A gather: 48 traces a CDP, labels at the first trace of a CDP only.
  const Data g = makeData(480, 0, 100, [](int, int) { return 1.0f; });
  Data gather = g;
  for (size_t k = 0; k < gather.traces.size(); ++k) gather.traces[k].cdp = static_cast<std::int16_t>(2001 + k / 48);
  const Layout gl = layoutSection(gather, {});
  EXPECT_DOUBLE_EQ(gl.spacing, 2.5);
  EXPECT_EQ(gl.cdpStep, 1);  // 120 px a CDP
  ASSERT_EQ(gl.cdpLabels.size(), 10u);
  EXPECT_DOUBLE_EQ(gl.cdpLabels[3].at, gl.traceX[3 * 48]);
  EXPECT_EQ(gl.cdpLabels[3].text, "2004");
}

TEST(DeckSection, GainSwingAndClip) {
  const Data d = makeData(4, 1, 5, [](int k, int i) { return static_cast<float>((k + 1) * (i - 2)); });  // max 8
  const Layout l0 = layoutSection(d, {});
  const auto w = wiggle(l0, d, 3);                      // trace 4: -8 -4 0 4 8
  EXPECT_DOUBLE_EQ(w[4].x - l0.traceX[3], l0.spacing);  // the largest sample swings one spacing
  EXPECT_DOUBLE_EQ(w[0].x - l0.traceX[3], -l0.spacing);
  EXPECT_DOUBLE_EQ(w[2].x, l0.traceX[3]);
  EXPECT_DOUBLE_EQ(w[3].y, sampleY(l0, 3));
  const Layout l6 = layoutSection(d, {20.0 * std::log10(1.5), false});
  EXPECT_NEAR(wiggle(l6, d, 3)[3].x - l6.traceX[3], 0.75 * l6.spacing, 1e-9);
  // +12 dB: four times the swing, clipped at two spacings.
  const Layout l12 = layoutSection(d, {12.0, false});
  EXPECT_DOUBLE_EQ(wiggle(l12, d, 3)[4].x - l12.traceX[3], 2.0 * l12.spacing);
  // A dead trace is a straight line.
  Data dead = d;
  dead.traces[1].dead = true;
  for (const auto& p : wiggle(l0, dead, 1)) EXPECT_DOUBLE_EQ(p.x, l0.traceX[1]);
  EXPECT_TRUE(positiveLobes(l0, dead, 1).empty());
}

TEST(DeckSection, PositiveLobesCloseOnTheAxis) {
  const std::vector<float> s = {0, 2, 4, -2, -4, 0, 2, 0, 0, 4};
  const Data d = makeData(1, 7, static_cast<int>(s.size()), [&](int, int i) { return s[static_cast<size_t>(i)]; });
  const Layout l = layoutSection(d, {});
  const double x0 = l.traceX[0], pps = l.pixelsPerSample;
  const auto lobes = positiveLobes(l, d, 0);
  ASSERT_EQ(lobes.size(), 3u);
  // First lobe: from sample 0 (zero) through samples 1 and 2 to the crossing
  // a third of the way from sample 2 to sample 3 (4 down to -2).
  ASSERT_EQ(lobes[0].size(), 4u);
  EXPECT_DOUBLE_EQ(lobes[0][0].x, x0);
  EXPECT_DOUBLE_EQ(lobes[0][0].y, sampleY(l, 0));
  EXPECT_DOUBLE_EQ(lobes[0][1].x - x0, l.spacing / 2);
  EXPECT_DOUBLE_EQ(lobes[0][3].x, x0);
  EXPECT_NEAR(lobes[0][3].y, sampleY(l, 2) + pps * 2.0 / 3.0, 1e-9);
  // Second: one sample, from the crossing at sample 5 to sample 7.
  EXPECT_DOUBLE_EQ(lobes[1].front().y, sampleY(l, 5));
  EXPECT_DOUBLE_EQ(lobes[1].back().y, sampleY(l, 7));
  // Last: open at the end of the trace, closed on the axis at the last sample.
  EXPECT_DOUBLE_EQ(lobes[2].back().x, x0);
  EXPECT_DOUBLE_EQ(lobes[2].back().y, sampleY(l, 9));
  for (const auto& lobe : lobes)
    for (size_t i = 1; i + 1 < lobe.size(); ++i) EXPECT_GT(lobe[i].x, x0);
}
