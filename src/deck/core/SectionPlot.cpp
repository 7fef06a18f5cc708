#include "deck/core/SectionPlot.h"

#include <algorithm>
#include <cmath>

#include "platform/FileChecks.h"
#include "platform/RawFile.h"
#include "platform/ShownText.h"
#include "shared/Numbers.h"
#include "shared/TraceWalker.h"

namespace tsly::section {

std::string readSectionFile(const std::string& path, Data& out) {
  out = Data{};
  if (const std::string why = checkInputFile(path); !why.empty()) return why;
  int h = rawOpen(path, RawAccess::ReadOnly);
  if (h <= 0) return quotedName(path) + " can not be opened for reading";
  TraceWalker walk(h);
  std::vector<float> s;
  while (walk.next()) {
    const HeaderArray& w = walk.header();
    if (w[WordTraceCode] == TraceCodeSeparator) continue;
    if (!walk.readSamples(s)) break;
    if (out.traces.empty()) out.intervalUs = w[WordSampleInterval];
    Trace t;
    t.cdp = w[WordCdp];
    t.dead = !isLiveTrace(w);
    t.samples = s;
    if (!t.dead)
      for (float x : s)
        if (std::isfinite(x)) out.maxAbs = std::max(out.maxAbs, std::fabs(x));
    out.samples = std::max(out.samples, static_cast<std::int32_t>(s.size()));
    out.traces.push_back(std::move(t));
  }
  const std::string error = walk.faultText();
  rawClose(h);
  if (!error.empty()) return error;
  if (out.traces.empty()) return quotedName(path) + " holds no traces to draw";
  if (out.intervalUs <= 0)
    return "the first trace has a sample interval of " + plainNumberText(out.intervalUs) + " microseconds";
  return {};
}

namespace {

// The smallest step of the list giving at least `minPixels` at `pixelsPerUnit`.
int pickStep(const std::vector<int>& steps, double pixelsPerUnit, double minPixels) {
  for (int s : steps)
    if (s * pixelsPerUnit >= minPixels) return s;
  return steps.back();
}

}  // namespace

Layout layoutSection(const Data& d, const Options& o) {
  Layout l;
  const size_t n = d.traces.size();
  l.spacing = std::clamp(1200.0 / static_cast<double>(std::max<size_t>(n, 1)), 1.0, 40.0);
  const double lengthMs = static_cast<double>(d.samples) * d.intervalUs / 1000.0;
  double pixelsPerMs = std::clamp(800.0 / std::max(lengthMs, 1.0), 0.1, 4.0);
  // Within the limits: the plot's width (traces and a spacing either side) and
  // height (samples - 1 steps) shrunk where they would pass them.
  const double maxPlotWidth = MaxSectionSide - l.left - l.right - 1;
  if ((static_cast<double>(n) + 2.0) * l.spacing > maxPlotWidth) {
    l.spacing = maxPlotWidth / (static_cast<double>(n) + 2.0);
    l.capped = true;
  }
  const double steps = std::max<std::int32_t>(d.samples - 1, 0);
  const double plotWidth0 = std::ceil((static_cast<double>(n) + 2.0) * l.spacing);
  const double maxRows =
      std::min<double>(MaxSectionSide, static_cast<double>(MaxSectionPixels) / (plotWidth0 + l.left + l.right)) -
      l.top - l.bottom - 2;
  if (steps * pixelsPerMs * d.intervalUs / 1000.0 > maxRows) {
    pixelsPerMs = maxRows / (steps * d.intervalUs / 1000.0);
    l.capped = true;
  }
  l.pixelsPerSample = pixelsPerMs * d.intervalUs / 1000.0;
  l.clip = 2.0 * l.spacing;
  // One trace spacing of room on either side: the largest swing at 0 dB.
  const double pad = l.spacing;
  const double plotWidth = static_cast<double>(n) * l.spacing;
  l.width = l.left + static_cast<int>(std::ceil(plotWidth + 2.0 * pad)) + l.right;
  l.height =
      l.top + static_cast<int>(std::ceil(std::max<std::int32_t>(d.samples - 1, 0) * l.pixelsPerSample)) + 1 + l.bottom;
  l.traceX.resize(n);
  for (size_t k = 0; k < n; ++k) l.traceX[k] = l.left + pad + (static_cast<double>(k) + 0.5) * l.spacing;
  const double gain = std::pow(10.0, o.gainDb / 20.0);
  l.pixelsPerUnit = d.maxAbs > 0.0f ? l.spacing * gain / d.maxAbs : 0.0;

  l.timeStepMs = pickStep({10, 20, 50, 100, 200, 250, 500, 1000, 2000, 5000}, pixelsPerMs, 40.0);
  // Labels to the end of the traces, as far as the plot reaches (a label past
  // the last sample would fall below the picture).
  for (int t = 0; t <= lengthMs + 1e-9 && l.top + t * pixelsPerMs <= l.plotBottom() + 1e-9; t += l.timeStepMs)
    l.timeLabels.push_back({l.top + t * pixelsPerMs, plainNumberText(t)});

  // CDP labels: the step follows the pixels one CDP takes on average.
  size_t cdps = 0;
  for (size_t k = 0; k < n; ++k)
    if (k == 0 || d.traces[k].cdp != d.traces[k - 1].cdp) ++cdps;
  const double pixelsPerCdp = cdps > 0 ? plotWidth / static_cast<double>(cdps) : l.spacing;
  l.cdpStep = pickStep({1, 2, 5, 10, 20, 50, 100, 200, 500, 1000, 2000, 5000, 10000}, pixelsPerCdp, 48.0);
  double lastX = -1e9;
  for (size_t k = 0; k < n; ++k) {
    const int cdp = d.traces[k].cdp;
    if (k > 0 && d.traces[k - 1].cdp == cdp) continue;
    if (cdp % l.cdpStep != 0 || l.traceX[k] - lastX < 48.0) continue;
    l.cdpLabels.push_back({l.traceX[k], plainNumberText(cdp)});
    lastX = l.traceX[k];
  }
  return l;
}

namespace {

double swing(const Layout& l, float v) {
  if (!std::isfinite(v)) return 0.0;
  return std::clamp(static_cast<double>(v) * l.pixelsPerUnit, -l.clip, l.clip);
}

}  // namespace

std::vector<Point> wiggle(const Layout& l, const Data& d, size_t k) {
  const Trace& t = d.traces[k];
  const double x0 = l.traceX[k];
  std::vector<Point> p(t.samples.size());
  for (size_t i = 0; i < t.samples.size(); ++i)
    p[i] = {x0 + (t.dead ? 0.0 : swing(l, t.samples[i])), sampleY(l, static_cast<std::int32_t>(i))};
  return p;
}

std::vector<std::vector<Point>> positiveLobes(const Layout& l, const Data& d, size_t k) {
  std::vector<std::vector<Point>> lobes;
  const Trace& t = d.traces[k];
  if (t.dead) return lobes;
  const double x0 = l.traceX[k];
  std::vector<Point> cur;
  double prevSwing = 0.0;
  for (size_t i = 0; i < t.samples.size(); ++i) {
    const double s = swing(l, t.samples[i]);
    const double y = sampleY(l, static_cast<std::int32_t>(i));
    if (s > 0.0) {
      if (cur.empty()) {
        // Enter at the zero crossing between the previous sample and this one.
        double yz = y;
        if (i > 0) yz = y - l.pixelsPerSample * s / (s - prevSwing);
        cur.push_back({x0, yz});
      }
      cur.push_back({x0 + s, y});
    } else if (!cur.empty()) {
      const double yz = y - l.pixelsPerSample * (-s) / (prevSwing - s);
      cur.push_back({x0, yz});
      lobes.push_back(std::move(cur));
      cur.clear();
    }
    prevSwing = s;
  }
  if (!cur.empty()) {
    cur.push_back({x0, cur.back().y});
    lobes.push_back(std::move(cur));
  }
  return lobes;
}

}  // namespace tsly::section
