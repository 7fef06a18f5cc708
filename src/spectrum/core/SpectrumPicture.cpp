#include "spectrum/core/SpectrumPicture.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>

#include "display/core/DisplayGeometry.h"
#include "spectrum/core/SpectrumWindowTexts.h"
#include "shared/Numbers.h"

namespace tsly {

namespace {

constexpr int TitleY = 4;
constexpr int TickLength = 5;
constexpr int ScaleGap = 12, ScaleWidth = 14;
constexpr int GatherGap = 28;           // from the colour scale's labels to the gather
constexpr int GatherTargetWidth = 360;  // the traces share about this much
constexpr int MinTraceSpacing = 6, MaxTraceSpacing = 30;
constexpr int BottomMargin = 10, RightMargin = 8;
constexpr int LabelGap = 6;  // the least room between two labels of a row
constexpr int ComputingRows = 200;  // the note on a grey field is centred in these
constexpr Argb Black = 0xFF000000u;
constexpr Argb NoSpectrumColour = 0xFFE1E1E1u;
constexpr Argb TimingLineColour = 0xFFC8C8C8u;
const char* const ScaleTexts[] = {"0", ".2", ".4", ".6", ".8", "1"};

// The picture being laid out: the measures every part shares and the figure.
struct Sheet {
  Sheet(const SpectrumPictureInput& input, const TextMeasure& measure) : in(input), m(measure) {}
  template <class Item, class... Args>
  void add(Args&&... args) {
    fig.items.emplace_back(Item{std::forward<Args>(args)...});  // braces: clang 14 has no aggregate ( ) init
  }

  const SpectrumPictureInput& in;
  const TextMeasure& m;
  int fh = 0;          // height of a line of text
  int labelsY = 0;     // top of the row of labels
  int labelWidth = 0;  // of the widest time label (or "ms")
  int gatherRight = 0;
  std::size_t traces = 0;
  std::vector<TimingLine> lines;
  SpectrumLayout L;
  Figure fig;

  FigureRect plot() const { return {L.spectrumLeft, L.plotTop, L.spectrumWidth, L.rows}; }
  void line(int x0, int y0, int x1, int y1, Argb c = Black) { add<Figure::Line>(x0, y0, x1, y1, c); }
  void text(int x, int y, std::string t) { add<Figure::Text>(x, y, std::move(t), Black); }
  // A one-pixel frame just outside `r`.
  void frame(const FigureRect& r) {
    const int x0 = r.x - 1, y0 = r.y - 1, x1 = r.x + r.width, y1 = r.y + r.height;
    line(x0, y0, x1, y0);
    line(x0, y1, x1, y1);
    line(x0, y0, x0, y1);
    line(x1, y0, x1, y1);
  }
  double velocityAt(double v) const {
    return L.spectrumLeft + velocityX(v, in.firstVelocity, in.lastVelocity, L.spectrumWidth);
  }
  // x of the left of the caption over the colour scale.
  int captionLeft() const { return L.scaleLeft + ScaleWidth / 2 - m.width(spectrumtext::ScaleCaption) / 2; }
};

// The main canvas's timing lines (at multiples of their interval from 0 ms)
// on a scale whose row 0 lies at time.firstMs.
std::vector<TimingLine> linesOf(const SpectrumTimeScale& time, int labelHeight) {
  const int origin = time.msPerRow() > 0 ? nearestI32(time.firstMs / time.msPerRow()) : 0;
  std::vector<TimingLine> lines;
  for (TimingLine l : timingLines(time.microsecondsPerRow, time.samplingRatio, time.plotRows + static_cast<float>(origin),
                                  labelHeight)) {
    l.row -= origin;
    if (l.row >= 0 && l.row <= time.rows()) lines.push_back(l);
  }
  return lines;
}

void layOut(Sheet& s) {
  const SpectrumPictureInput& in = s.in;
  SpectrumLayout& L = s.L;
  s.fh = s.m.height();
  L.rows = in.time.rows();
  L.msPerRow = in.time.msPerRow();
  s.lines = linesOf(in.time, s.fh);
  s.labelWidth = std::max(s.m.width("0"), s.m.width(spectrumtext::TimeCaption));
  for (const TimingLine& l : s.lines)
    if (l.labelled) s.labelWidth = std::max(s.labelWidth, s.m.width(timingLabel(l.timeMs)));

  s.labelsY = TitleY + s.fh + 4;
  L.plotTop = s.labelsY + s.fh + TickLength + 3;
  L.spectrumLeft = s.labelWidth + 12;
  L.spectrumWidth = SpectrumPlotWidth;
  L.scaleLeft = L.spectrumLeft + L.spectrumWidth + ScaleGap;
  int scaleLabelWidth = 0;
  for (const char* t : ScaleTexts) scaleLabelWidth = std::max(scaleLabelWidth, s.m.width(t));
  L.scaleRight = std::max(L.scaleLeft + ScaleWidth + TickLength + 3 + scaleLabelWidth,
                          s.captionLeft() + s.m.width(spectrumtext::ScaleCaption));
  L.height = L.plotTop + L.rows + BottomMargin;
  L.width = std::max(L.scaleRight, L.spectrumLeft + s.m.width(spectrumtext::spectrumTitle(in.cdp))) + RightMargin;
  if (!in.gather) return;
  L.gatherLeft = L.scaleRight + GatherGap;
  s.traces = in.gather->traceCount();
  L.traceSpacing = std::clamp(s.traces > 0 ? GatherTargetWidth / static_cast<int>(s.traces) : MaxTraceSpacing,
                              MinTraceSpacing, MaxTraceSpacing);
  s.gatherRight = L.gatherLeft + L.traceSpacing * (static_cast<int>(s.traces) + 1);
  const std::string title = spectrumtext::gatherTitle(in.cdp, in.gather->movedOut, in.gather->stretch);
  L.width = std::max(s.gatherRight + 6 + s.labelWidth, L.gatherLeft + s.m.width(title)) + RightMargin;
}

void drawTitles(Sheet& s) {
  s.text(s.L.spectrumLeft, TitleY, spectrumtext::spectrumTitle(s.in.cdp));
  if (s.in.gather)
    s.text(s.L.gatherLeft, TitleY, spectrumtext::gatherTitle(s.in.cdp, s.in.gather->movedOut, s.in.gather->stretch));
}

// The spectrum, or a grey field while there is none.
void drawField(Sheet& s) {
  const SpectrumLayout& L = s.L;
  const FigureRect plot = s.plot();
  if (s.in.spectrum && !s.in.spectrum->velocities.empty()) {
    s.add<Figure::Pixels>(
        plot, spectrumRows(*s.in.spectrum, L.spectrumWidth, L.rows, L.msPerRow, s.in.time.firstMs, NoSpectrumColour));
  } else {
    s.add<Figure::Fill>(plot, NoSpectrumColour);
    if (s.in.computing) {
      const std::string t = spectrumtext::computingText(s.in.cdp);
      s.text(plot.x + (plot.width - s.m.width(t)) / 2, plot.y + (std::min(plot.height, ComputingRows) - s.fh) / 2, t);
    }
  }
  s.frame(plot);
}

// Velocity ticks and labels above the spectrum; "ms" over the time labels.
void drawVelocityAxis(Sheet& s) {
  const SpectrumLayout& L = s.L;
  const int timeLabelsRight = L.spectrumLeft - TickLength - 4;
  s.text(timeLabelsRight - s.m.width(spectrumtext::TimeCaption), s.labelsY, spectrumtext::TimeCaption);
  const int lo = timeLabelsRight + LabelGap, hi = s.captionLeft() - LabelGap;
  int lastRight = lo - LabelGap;
  const double v0 = s.in.firstVelocity, v1 = s.in.lastVelocity;
  for (double v : axisTicks(std::min(v0, v1), std::max(v0, v1), std::max(2, L.spectrumWidth / 70))) {
    const int x = static_cast<int>(std::lround(s.velocityAt(v)));
    s.line(x, L.plotTop - 1 - TickLength, x, L.plotTop - 2);
    const std::string t = plainNumberText(v);
    const int w = s.m.width(t);
    const int left = std::min(std::max(x - w / 2, lo), hi - w);
    if (left > x || left + w < x || left < lastRight + LabelGap) continue;
    s.text(left, s.labelsY, t);
    lastRight = left + w;
  }
}

// Timing lines: ticks and labels left of the spectrum; with a gather, light
// lines across it and the labels again on its right.
void drawTimingLines(Sheet& s) {
  const SpectrumLayout& L = s.L;
  for (const TimingLine& l : s.lines) {
    const int y = L.plotTop + l.row;
    s.line(L.spectrumLeft - 1 - TickLength, y, L.spectrumLeft - 2, y);
    if (s.in.gather) s.line(L.gatherLeft, y, s.gatherRight, y, TimingLineColour);
    if (!l.labelled) continue;
    const std::string t = timingLabel(l.timeMs);
    s.text(L.spectrumLeft - TickLength - 4 - s.m.width(t), y - s.fh / 2, t);
    if (s.in.gather) s.text(s.gatherRight + 6, y - s.fh / 2, t);
  }
}

// The colour scale: 1 at the top, 0 at the bottom.
void drawColourScale(Sheet& s) {
  const SpectrumLayout& L = s.L;
  std::vector<Argb> scale;
  scale.reserve(static_cast<std::size_t>(ScaleWidth) * static_cast<std::size_t>(std::max(L.rows, 0)));
  for (int r = 0; r < L.rows; ++r)
    scale.insert(scale.end(), ScaleWidth, viridis(L.rows > 1 ? 1.0 - static_cast<double>(r) / (L.rows - 1) : 1.0));
  s.add<Figure::Pixels>(FigureRect{L.scaleLeft, L.plotTop, ScaleWidth, L.rows}, std::move(scale));
  s.frame({L.scaleLeft, L.plotTop, ScaleWidth, L.rows});
  // Labelled from the bottom up, each where it clears the one below.
  const int labelsX = L.scaleLeft + ScaleWidth + TickLength + 3;
  int lowestTop = L.height;
  for (int k = 0; k < 6; ++k) {
    const int y = L.plotTop + static_cast<int>(std::lround((1.0 - k / 5.0) * std::max(L.rows - 1, 0)));
    s.line(L.scaleLeft + ScaleWidth + 1, y, L.scaleLeft + ScaleWidth + TickLength, y);
    const int top = std::clamp(y - s.fh / 2, L.plotTop - s.fh / 2, std::max(L.plotTop, L.plotTop + L.rows - s.fh / 2));
    if (top + s.fh > lowestTop) continue;
    s.text(labelsX, top, ScaleTexts[k]);
    lowestTop = top;
  }
  s.text(s.captionLeft(), s.labelsY, spectrumtext::ScaleCaption);
}

// The velocity function over the spectrum, each pick ringed.
void drawVelocityFunction(Sheet& s) {
  const SpectrumLayout& L = s.L;
  if (s.in.picks.empty() || !(L.msPerRow > 0)) return;
  const FigureRect plot = s.plot();
  const double t0 = s.in.time.firstMs;
  auto at = [&](const VelocityPick& p) {
    return FigurePoint{s.velocityAt(p.velocity), L.plotTop + (p.timeMs - t0) / L.msPerRow};
  };
  std::vector<FigurePoint> path;
  for (const VelocityPick& v : functionVertices(s.in.picks, t0, t0 + L.rows * L.msPerRow)) path.push_back(at(v));
  s.add<Figure::Path>(path, 4.0, SpectrumFunctionEdge, plot);
  s.add<Figure::Path>(std::move(path), 2.0, SpectrumFunctionColour, plot);
  for (const VelocityPick& v : s.in.picks)
    s.add<Figure::Ring>(at(v), 4.5, SpectrumFunctionColour, SpectrumFunctionEdge, 1.5, plot);
}

// The gather: one wiggle per trace, positive lobes filled, the largest
// deflection one and a half trace spacings.
void drawGather(Sheet& s) {
  const SpectrumLayout& L = s.L;
  const CorrectedGather& g = *s.in.gather;
  float peak = 0;
  for (float a : g.data) peak = std::max(peak, std::fabs(a));
  const double gain = peak > 0 ? 1.5 * L.traceSpacing / peak : 0.0;
  const double dtRows = L.msPerRow > 0 ? g.intervalUs / 1000.0 / L.msPerRow : 0.0;  // rows per sample
  // Row of the gather's first sample (its recording delay) on the picture's scale.
  const double top = L.msPerRow > 0 ? L.plotTop + (g.firstMs - s.in.time.firstMs) / L.msPerRow : L.plotTop;
  const std::int32_t shown =
      dtRows > 0 ? std::clamp<std::int32_t>(
                       static_cast<std::int32_t>(std::floor((L.plotTop + L.rows - top) / dtRows)) + 1, 0, g.samples)
                 : 0;
  const FigureRect clip{L.gatherLeft, L.plotTop, s.gatherRight - L.gatherLeft + 1, L.rows};
  for (std::size_t k = 0; k < s.traces && shown > 1; ++k) {
    const double x0 = L.traceX(k);
    std::vector<FigurePoint> wiggle, lobe;
    wiggle.reserve(static_cast<std::size_t>(shown));
    lobe.reserve(static_cast<std::size_t>(shown) + 2);
    lobe.push_back({x0, top});
    for (std::int32_t i = 0; i < shown; ++i) {
      const double y = top + i * dtRows;
      const double d = g.at(k, i) * gain;
      wiggle.push_back({x0 + d, y});
      lobe.push_back({x0 + std::max(d, 0.0), y});
    }
    lobe.push_back({x0, top + (shown - 1) * dtRows});
    s.add<Figure::Area>(std::move(lobe), Black, clip);
    s.add<Figure::Path>(std::move(wiggle), 1.0, Black, clip);
  }
}

// Offsets above the gather, as many as fit without touching.
void drawOffsets(Sheet& s) {
  const SpectrumLayout& L = s.L;
  const CorrectedGather& g = *s.in.gather;
  int widest = 0;
  for (float o : g.offsets) widest = std::max(widest, s.m.width(plainNumberText(o)));
  const int every = std::max(1, (widest + LabelGap + L.traceSpacing - 1) / std::max(L.traceSpacing, 1));
  for (std::size_t k = 0; k < s.traces; k += static_cast<std::size_t>(every)) {
    const int x = L.traceX(k);
    s.line(x, L.plotTop - 1 - TickLength, x, L.plotTop - 2);
    const std::string t = plainNumberText(g.offsets[k]);
    s.text(x - s.m.width(t) / 2, s.labelsY, t);
  }
}

}  // namespace

SpectrumPictureInput spectrumOnly(const Spectrum& s) {
  SpectrumPictureInput in;
  in.cdp = s.cdp;
  in.spectrum = &s;
  if (!s.velocities.empty()) {
    in.firstVelocity = s.velocities.front();
    in.lastVelocity = s.velocities.back();
  }
  in.time = sampleTimeScale(s.samples, s.intervalUs, s.firstMs);
  return in;
}

SpectrumPicture layOutSpectrum(const SpectrumPictureInput& in, const TextMeasure& measure) {
  Sheet s{in, measure};
  layOut(s);
  s.fig.width = s.L.width;
  s.fig.height = s.L.height;
  drawTitles(s);
  drawField(s);
  drawVelocityAxis(s);
  drawTimingLines(s);
  drawColourScale(s);
  drawVelocityFunction(s);
  if (in.gather) {
    drawGather(s);
    drawOffsets(s);
  }
  return {s.L, std::move(s.fig)};
}

}  // namespace tsly
