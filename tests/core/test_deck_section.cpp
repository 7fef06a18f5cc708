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
  d.endMs = (samples - 1) * 4.0;
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

  EXPECT_EQ(readSectionFile(dir.file("none.dat"), d), "\"" + dir.file("none.dat") + "\": No such file or directory");
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
  EXPECT_DOUBLE_EQ(sampleY(l, d, 0, 100), 56 + 160.0);
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

// Hostile sizes: the picture stays within its limits and every label on it.
// Rows: traces, samples, sample interval (us), capped. (8 samples at 23,456 us
// put the 170 ms label below the picture, found by fuzz_section; 100,000 traces
// and a trace of 32,767 samples at 32,767 us asked for 1,368 x 107,438 pixels.)
TEST(DeckSection, HostileSizesStayWithinThePicture) {
  struct Row {
    int traces, samples, intervalUs;
    bool capped;
  };
  for (const Row& r : {Row{8, 8, 23456, false}, Row{2, 32767, 32767, true}, Row{100000, 1, 4000, true},
                       Row{20000, 2000, 4000, true}}) {
    Data d = makeData(std::min(r.traces, 20000), 1, 1, [](int, int) { return 1.0f; });
    d.traces.resize(static_cast<std::size_t>(r.traces), d.traces.front());
    d.traces.front().samples.assign(static_cast<std::size_t>(r.samples), 1.0f);
    d.samples = r.samples;
    d.intervalUs = r.intervalUs;
    d.endMs = (r.samples - 1) * (r.intervalUs / 1000.0);
    const Layout l = layoutSection(d, {});
    EXPECT_EQ(l.capped, r.capped) << r.traces << " x " << r.samples;
    EXPECT_LE(l.width, MaxSectionSide);
    EXPECT_LE(l.height, MaxSectionSide);
    EXPECT_LE(static_cast<long long>(l.width) * l.height, MaxSectionPixels);
    for (const Label& t : l.timeLabels) EXPECT_LE(t.at, l.plotBottom()) << t.text;
    EXPECT_LE(sampleY(l, d, 0, r.samples - 1), l.plotBottom());
    EXPECT_LE(l.traceX.back() + l.spacing, l.width - l.right);
  }
}

TEST(DeckSection, GainSwingAndClip) {
  const Data d = makeData(4, 1, 5, [](int k, int i) { return static_cast<float>((k + 1) * (i - 2)); });  // max 8
  const Layout l0 = layoutSection(d, {});
  const auto w = wiggle(l0, d, 3);                      // trace 4: -8 -4 0 4 8
  EXPECT_DOUBLE_EQ(w[4].x - l0.traceX[3], l0.spacing);  // the largest sample swings one spacing
  EXPECT_DOUBLE_EQ(w[0].x - l0.traceX[3], -l0.spacing);
  EXPECT_DOUBLE_EQ(w[2].x, l0.traceX[3]);
  EXPECT_DOUBLE_EQ(w[3].y, sampleY(l0, d, 3, 3));
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
  EXPECT_DOUBLE_EQ(lobes[0][0].y, sampleY(l, d, 0, 0));
  EXPECT_DOUBLE_EQ(lobes[0][1].x - x0, l.spacing / 2);
  EXPECT_DOUBLE_EQ(lobes[0][3].x, x0);
  EXPECT_NEAR(lobes[0][3].y, sampleY(l, d, 0, 2) + pps * 2.0 / 3.0, 1e-9);
  // Second: one sample, from the crossing at sample 5 to sample 7.
  EXPECT_DOUBLE_EQ(lobes[1].front().y, sampleY(l, d, 0, 5));
  EXPECT_DOUBLE_EQ(lobes[1].back().y, sampleY(l, d, 0, 7));
  // Last: open at the end of the trace, closed on the axis at the last sample.
  EXPECT_DOUBLE_EQ(lobes[2].back().x, x0);
  EXPECT_DOUBLE_EQ(lobes[2].back().y, sampleY(l, d, 0, 9));
  for (const auto& lobe : lobes)
    for (size_t i = 1; i + 1 < lobe.size(); ++i) EXPECT_GT(lobe[i].x, x0);
}

TEST(DeckSection, TrueTimesAndTheTimeWindow) {
  // A trace recorded from 200 ms (word 55): its samples and labels at true times.
  TempDir dir;
  TraceFileBuilder b(2, 500, 4000);
  b.dataTrace(1).header(WordRecordingDelay, 200).dataTrace(2).header(WordRecordingDelay, 200);
  b.writeTo(dir.file("late.dat"));
  Data d;
  ASSERT_EQ(readSectionFile(dir.file("late.dat"), d), "");
  EXPECT_EQ(d.startMs, 200.0);
  EXPECT_EQ(d.endMs, 2196.0);
  Layout l = layoutSection(d, {});
  EXPECT_DOUBLE_EQ(sampleY(l, d, 0, 0), 56.0);
  EXPECT_EQ(l.timeLabels.front().text, "200");
  EXPECT_EQ(l.timeLabels.back().text, "2200");

  // Six seconds are drawn at a pixel a sample, not squeezed into 800 pixels.
  const Data six = makeData(10, 1001, 1500, [](int, int) { return 1.0f; });
  l = layoutSection(six, {});
  EXPECT_DOUBLE_EQ(l.pixelsPerSample, 1.0);
  EXPECT_EQ(l.height, 56 + 1499 + 1 + 16);
  // A window of one second of them: about 800 pixels, labelled from 1000 ms.
  Options o;
  o.tminMs = 1000;
  o.tmaxMs = 2000;
  EXPECT_EQ(checkTimeWindow(six, o), "");
  l = layoutSection(six, o);
  EXPECT_NEAR(l.pixelsPerMs, 800.0 / 1004.0, 1e-12);
  EXPECT_EQ(l.height, 56 + 797 + 1 + 16);
  EXPECT_EQ(l.timeLabels.front().text, "1000");
  EXPECT_DOUBLE_EQ(l.timeLabels.front().at, 56.0);
  const auto w = wiggle(l, six, 0);  // 1000 to 2000 ms and the sample after
  EXPECT_EQ(w.size(), 252u);
  EXPECT_DOUBLE_EQ(w[0].y, sampleY(l, six, 0, 250));
  o.tminMs = 7000;
  o.tmaxMs = 8000;
  EXPECT_EQ(checkTimeWindow(six, o), "the time window 7000 to 8000 ms holds no sample: the traces lie from 0 to 5996 ms");
}

TEST(DeckSection, PanelFilesLabelEachPanelsCdpAndVelocity) {
  // Panels of one CDP at three velocities, 12 traces each: every panel is
  // labelled with its CDP, however the CDP numbers fall, and its velocity.
  TempDir dir;
  TraceFileBuilder b(4, 50, 4000);
  for (int v : {1500, 2000, 2500}) {
    for (int k = 0; k < 12; ++k) b.dataTrace(1003);
    b.separator(v);
  }
  b.writeTo(dir.file("scan.nmo"));
  Data d;
  ASSERT_EQ(readSectionFile(dir.file("scan.nmo"), d), "");
  EXPECT_TRUE(d.panels);
  const Layout l = layoutSection(d, {});
  ASSERT_EQ(l.cdpLabels.size(), 3u);
  for (size_t p = 0; p < 3; ++p) {
    EXPECT_EQ(l.cdpLabels[p].text, "1003");
    EXPECT_DOUBLE_EQ(l.cdpLabels[p].at, l.traceX[12 * p]);
  }
  ASSERT_EQ(l.velocityLabels.size(), 3u);
  EXPECT_EQ(l.velocityLabels[1].text, "2000");
  EXPECT_DOUBLE_EQ(l.velocityLabels[1].at, (l.traceX[12] + l.traceX[23]) / 2.0);
  // A file without separators has no panels.
  TraceFileBuilder(2).dataTrace(1).dataTrace(2).writeTo(dir.file("stack.dat"));
  ASSERT_EQ(readSectionFile(dir.file("stack.dat"), d), "");
  EXPECT_FALSE(d.panels);
  EXPECT_TRUE(layoutSection(d, {}).velocityLabels.empty());
}
