#include "deck/core/SectionPlot.h"

#include <algorithm>
#include <cmath>
#include <utility>

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
  size_t panelFirst = 0;  // the first trace of the panel being read
  bool afterSeparator = false;
  while (walk.next()) {
    const HeaderArray& w = walk.header();
    if (w[WordTraceCode] == TraceCodeSeparator) {
      // It closes the panel of the traces since the last one.
      for (size_t k = panelFirst; k < out.traces.size(); ++k) out.traces[k].velocity = w[WordCdp];
      panelFirst = out.traces.size();
      out.panels = afterSeparator = true;
      continue;
    }
    if (!walk.readSamples(s)) break;
    if (out.traces.empty()) out.intervalUs = w[WordSampleInterval];
    Trace t;
    t.cdp = w[WordCdp];
    t.dead = !isLiveTrace(w);
    t.firstMs = w[WordRecordingDelay];
    t.panelStart = afterSeparator;
    afterSeparator = false;
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
  if (out.panels) out.traces.front().panelStart = true;
  const double dtMs = out.intervalUs / 1000.0;
  out.startMs = out.endMs = out.traces.front().firstMs;
  for (const Trace& t : out.traces) {
    out.startMs = std::min(out.startMs, t.firstMs);
    out.endMs = std::max(out.endMs, t.firstMs + std::max<double>(static_cast<double>(t.samples.size()) - 1, 0) * dtMs);
  }
  return {};
}

std::string checkTimeWindow(const Data& d, const Options& o) {
  const double t0 = std::isnan(o.tminMs) ? d.startMs : o.tminMs;
  const double t1 = std::isnan(o.tmaxMs) ? d.endMs : o.tmaxMs;
  if (!(t0 <= t1) || t1 < d.startMs || t0 > d.endMs)
    return "the time window " + plainNumberText(t0) + " to " + plainNumberText(t1) +
           " ms holds no sample: the traces lie from " + plainNumberText(d.startMs) + " to " +
           plainNumberText(d.endMs) + " ms";
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
  const double dtMs = d.intervalUs / 1000.0;
  l.topMs = std::isnan(o.tminMs) ? d.startMs : o.tminMs;
  l.bottomMs = std::isnan(o.tmaxMs) ? d.endMs : o.tmaxMs;
  // The window spans whole samples: its last one takes a sample's height.
  const double spanMs = std::max(l.bottomMs - l.topMs, 0.0) + dtMs;
  const double perSample = dtMs > 0 ? 1.0 / dtMs : 0.0;
  l.pixelsPerMs = std::clamp(std::max(800.0 / std::max(spanMs, 1.0), perSample), 0.1, 4.0);
  // Within the limits: the plot's width (traces and a spacing either side) and
  // height (the time window) shrunk where they would pass them.
  const double maxPlotWidth = MaxSectionSide - l.left - l.right - 1;
  if ((static_cast<double>(n) + 2.0) * l.spacing > maxPlotWidth) {
    l.spacing = maxPlotWidth / (static_cast<double>(n) + 2.0);
    l.capped = true;
  }
  const double plotWidth0 = std::ceil((static_cast<double>(n) + 2.0) * l.spacing);
  const double maxRows =
      std::min<double>(MaxSectionSide, static_cast<double>(MaxSectionPixels) / (plotWidth0 + l.left + l.right)) -
      l.top - l.bottom - 2;
  const double windowMs = std::max(l.bottomMs - l.topMs, 0.0);
  if (windowMs * l.pixelsPerMs > maxRows) {
    l.pixelsPerMs = maxRows / windowMs;
    l.capped = true;
  }
  l.pixelsPerSample = l.pixelsPerMs * dtMs;
  l.clip = 2.0 * l.spacing;
  // One trace spacing of room on either side: the largest swing at 0 dB.
  const double pad = l.spacing;
  const double plotWidth = static_cast<double>(n) * l.spacing;
  l.width = l.left + static_cast<int>(std::ceil(plotWidth + 2.0 * pad)) + l.right;
  l.height = l.top + static_cast<int>(std::ceil((l.bottomMs - l.topMs) * l.pixelsPerMs)) + 1 + l.bottom;
  l.traceX.resize(n);
  for (size_t k = 0; k < n; ++k) l.traceX[k] = l.left + pad + (static_cast<double>(k) + 0.5) * l.spacing;
  const double gain = std::pow(10.0, o.gainDb / 20.0);
  l.pixelsPerUnit = d.maxAbs > 0.0f ? l.spacing * gain / d.maxAbs : 0.0;

  l.timeStepMs = pickStep({10, 20, 50, 100, 200, 250, 500, 1000, 2000, 5000}, l.pixelsPerMs, 40.0);
  // Labels within the window, as far as the plot reaches (a label past it would
  // fall below the picture).
  for (double t = std::ceil(l.topMs / l.timeStepMs - 1e-9) * l.timeStepMs;
       t <= l.topMs + spanMs + 1e-9 && timeY(l, t) <= l.plotBottom() + 1e-9; t += l.timeStepMs)
    l.timeLabels.push_back({timeY(l, t), plainNumberText(t)});

  // CDP labels: the step follows the pixels one CDP takes on average. A run of
  // a CDP's traces ends where the CDP changes or a panel begins.
  auto runStart = [&d](size_t k) { return k == 0 || d.traces[k - 1].cdp != d.traces[k].cdp || d.traces[k].panelStart; };
  size_t cdps = 0;
  for (size_t k = 0; k < n; ++k)
    if (runStart(k)) ++cdps;
  const double pixelsPerCdp = cdps > 0 ? plotWidth / static_cast<double>(cdps) : l.spacing;
  l.cdpStep = pickStep({1, 2, 5, 10, 20, 50, 100, 200, 500, 1000, 2000, 5000, 10000}, pixelsPerCdp, 48.0);
  // The first traces of panels first, then the CDPs on the step where they
  // keep 48 pixels from every label placed.
  auto clear = [&l](double x) {
    for (const Label& c : l.cdpLabels)
      if (std::fabs(c.at - x) < 48.0) return false;
    return true;
  };
  for (bool panels : {true, false}) {
    for (size_t k = 0; k < n; ++k) {
      if (!runStart(k)) continue;
      const int cdp = d.traces[k].cdp;
      const bool panel = d.panels && d.traces[k].panelStart;
      if (panel != panels || (!panel && cdp % l.cdpStep != 0) || !clear(l.traceX[k])) continue;
      l.cdpLabels.push_back({l.traceX[k], plainNumberText(cdp)});
    }
  }
  std::stable_sort(l.cdpLabels.begin(), l.cdpLabels.end(), [](const Label& a, const Label& b) { return a.at < b.at; });
  // Panel velocities, centred over their panels.
  double lastX = -1e9;
  for (size_t k = 0; k < n; ++k) {
    if (!d.traces[k].panelStart || d.traces[k].velocity == 0) continue;
    size_t e = k + 1;
    while (e < n && !d.traces[e].panelStart) ++e;
    const double x = (l.traceX[k] + l.traceX[e - 1]) / 2.0;
    if (x - lastX < 48.0) continue;
    l.velocityLabels.push_back({x, plainNumberText(static_cast<int>(d.traces[k].velocity))});
    lastX = x;
  }
  return l;
}

namespace {

double swing(const Layout& l, float v) {
  if (!std::isfinite(v)) return 0.0;
  return std::clamp(static_cast<double>(v) * l.pixelsPerUnit, -l.clip, l.clip);
}

}  // namespace

namespace {

// The samples [first, end) of trace k that the time window shows, from the
// sample at or before its top to the one after its bottom.
std::pair<std::int32_t, std::int32_t> shownSamples(const Layout& l, const Data& d, size_t k) {
  const Trace& t = d.traces[k];
  const double dtMs = d.intervalUs / 1000.0;
  const auto n = static_cast<std::int32_t>(t.samples.size());
  if (!(dtMs > 0)) return {0, n};
  const double a = std::floor((l.topMs - t.firstMs) / dtMs), b = std::ceil((l.bottomMs - t.firstMs) / dtMs) + 2;
  return {static_cast<std::int32_t>(std::clamp(a, 0.0, static_cast<double>(n))),
          static_cast<std::int32_t>(std::clamp(b, 0.0, static_cast<double>(n)))};
}

}  // namespace

std::vector<Point> wiggle(const Layout& l, const Data& d, size_t k) {
  const Trace& t = d.traces[k];
  const double x0 = l.traceX[k];
  const auto [first, end] = shownSamples(l, d, k);
  std::vector<Point> p;
  p.reserve(static_cast<size_t>(std::max(end - first, 0)));
  for (std::int32_t i = first; i < end; ++i)
    p.push_back({x0 + (t.dead ? 0.0 : swing(l, t.samples[static_cast<size_t>(i)])), sampleY(l, d, k, i)});
  return p;
}

std::vector<std::vector<Point>> positiveLobes(const Layout& l, const Data& d, size_t k) {
  std::vector<std::vector<Point>> lobes;
  const Trace& t = d.traces[k];
  if (t.dead) return lobes;
  const double x0 = l.traceX[k];
  const auto [first, end] = shownSamples(l, d, k);
  std::vector<Point> cur;
  double prevSwing = 0.0;
  for (std::int32_t i = first; i < end; ++i) {
    const double s = swing(l, t.samples[static_cast<size_t>(i)]);
    const double y = sampleY(l, d, k, i);
    if (s > 0.0) {
      if (cur.empty()) {
        // Enter at the zero crossing between the previous sample and this one.
        double yz = y;
        if (i > first) yz = y - l.pixelsPerSample * s / (s - prevSwing);
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
