#include "field/core/VelocityFieldPicture.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "field/core/FieldTexts.h"
#include "shared/Numbers.h"
#include "spectrum/core/SpectrumField.h"

namespace tsly::field {

namespace {

constexpr int TitleY = 4;
constexpr int TickLength = 5;
constexpr int ScaleGap = 12, ScaleWidth = 14;
constexpr int MarkerHeight = 7;
constexpr int BottomMargin = 8, RightMargin = 8;
constexpr int LabelGap = 6;
constexpr int SwatchWidth = 22;
constexpr Argb Black = 0xFF000000u;
constexpr Argb White = 0xFFFFFFFFu;

bool hatched(int x, int y) { return (x + y) % HatchStep == 0; }

struct Sheet {
  Sheet(const FieldPictureInput& input, const TextMeasure& measure) : in(input), m(measure) {}
  template <class Item, class... Args>
  void add(Args&&... args) {
    fig.items.emplace_back(Item{std::forward<Args>(args)...});
  }
  void line(int x0, int y0, int x1, int y1, Argb c = Black) { add<Figure::Line>(x0, y0, x1, y1, c); }
  void text(int x, int y, std::string t, Argb c = Black) { add<Figure::Text>(x, y, std::move(t), c); }
  void frame(const FigureRect& r) {
    const int x0 = r.x - 1, y0 = r.y - 1, x1 = r.x + r.width, y1 = r.y + r.height;
    line(x0, y0, x1, y0);
    line(x0, y1, x1, y1);
    line(x0, y0, x0, y1);
    line(x1, y0, x1, y1);
  }
  FigureRect plot() const { return {L.plotLeft, L.plotTop, L.columns, L.rows}; }
  // Centre x of `cdp`'s columns.
  double cdpX(int cdp) const {
    const int x0 = columnOfCdp(cdp, in.firstCdp, in.lastCdp, L.columns);
    int x1 = x0;
    while (x1 + 1 < L.columns && cdpOfColumn(x1 + 1, in.firstCdp, in.lastCdp, L.columns) == cdp) ++x1;
    return L.plotLeft + (x0 + x1) / 2.0 + 0.5;
  }
  Argb colourOf(float v) const {
    return L.hi > L.lo ? turbo((v - L.lo) / static_cast<double>(L.hi - L.lo)) : turbo(0.5);
  }
  // A triangle pointing down (tip at y) or up.
  void triangle(double x, double y, bool down, Argb c) {
    const double h = MarkerHeight, w = MarkerHeight * 0.7;
    const double base = down ? y - h : y + h;
    add<Figure::Area>(std::vector<FigurePoint>{{x, y}, {x - w, base}, {x + w, base}}, c, FigureRect{});
  }

  const FieldPictureInput& in;
  const TextMeasure& m;
  int fh = 0, labelsY = 0, labelWidth = 0, scaleLabelsX = 0;
  int cdpCaptionY = 0, legendY = 0, legendRight = 0;
  std::vector<double> timeTicks, scaleTicks;
  FieldLayout L;
  Figure fig;
};

void layOut(Sheet& s) {
  FieldLayout& L = s.L;
  const FieldPictureInput& in = s.in;
  s.fh = s.m.height();
  L.columns = fieldColumns(in.firstCdp, in.lastCdp);
  L.rows = FieldRows;
  L.msPerRow = in.lengthMs > 0 ? in.lengthMs / L.rows : 0.0;
  L.grid = sampleField(in.functions, in.firstCdp, in.lastCdp, L.columns, L.rows, L.msPerRow, in.interval);
  if (!L.grid.values.empty()) {
    L.lo = static_cast<float>(std::floor(L.grid.lo / 10.0) * 10.0);
    L.hi = static_cast<float>(std::ceil(L.grid.hi / 10.0) * 10.0);
    if (!(L.hi > L.lo)) {
      L.lo -= 50;
      L.hi += 50;
    }
    s.scaleTicks = axisTicks(L.lo, L.hi, std::max(2, L.rows / 40));
  }
  if (L.msPerRow > 0) s.timeTicks = axisTicks(0, in.lengthMs, std::max(2, L.rows / 40));
  s.labelWidth = s.m.width(fieldtext::TimeCaption);
  for (double t : s.timeTicks) s.labelWidth = std::max(s.labelWidth, s.m.width(plainNumberText(t)));
  s.labelsY = TitleY + s.fh + 4;
  L.plotTop = s.labelsY + s.fh + TickLength + 3;
  L.plotLeft = s.labelWidth + 12;
  const int scaleLeft = L.plotLeft + L.columns + ScaleGap;
  s.scaleLabelsX = scaleLeft + ScaleWidth + TickLength + 3;
  int scaleRight = scaleLeft + ScaleWidth / 2 + s.m.width(fieldtext::ScaleCaption) / 2;
  for (double v : s.scaleTicks) scaleRight = std::max(scaleRight, s.scaleLabelsX + s.m.width(plainNumberText(v)));
  const int plotBottom = L.plotTop + L.rows;
  s.cdpCaptionY = plotBottom + 2 + MarkerHeight + 3;
  s.legendY = s.cdpCaptionY + s.fh + 6;
  L.height = s.legendY + s.fh + BottomMargin;
  L.width = std::max(scaleRight, L.plotLeft + s.m.width(fieldtext::title(in.interval, in.firstCdp, in.lastCdp)));
}

void drawField(Sheet& s) {
  const FieldLayout& L = s.L;
  const FigureRect plot = s.plot();
  if (L.grid.values.empty()) {
    s.add<Figure::Fill>(plot, NoValueColour);
    if (!s.in.note.empty())
      s.text(plot.x + (plot.width - s.m.width(s.in.note)) / 2, plot.y + (plot.height - s.fh) / 2, s.in.note);
  } else {
    std::vector<Argb> px(static_cast<std::size_t>(L.columns) * static_cast<std::size_t>(L.rows));
    for (int r = 0; r < L.rows; ++r)
      for (int x = 0; x < L.columns; ++x) {
        const float v = L.grid.at(x, r);
        Argb c = std::isfinite(v) ? s.colourOf(v) : NoValueColour;
        if (L.grid.flagAt(x, r) != NoFlag && hatched(x, r)) c = HatchColour;
        px[static_cast<std::size_t>(r) * L.columns + x] = c;
      }
    s.add<Figure::Pixels>(plot, std::move(px));
  }
  s.frame(plot);
}

void drawAxes(Sheet& s) {
  const FieldLayout& L = s.L;
  const FieldPictureInput& in = s.in;
  s.text(L.plotLeft, TitleY, fieldtext::title(in.interval, in.firstCdp, in.lastCdp));
  const int timeRight = L.plotLeft - TickLength - 4;
  s.text(timeRight - s.m.width(fieldtext::TimeCaption), s.labelsY, fieldtext::TimeCaption);
  for (double t : s.timeTicks) {
    const int y = L.plotTop + static_cast<int>(std::lround(t / L.msPerRow));
    if (y > L.plotTop + L.rows) continue;
    s.line(L.plotLeft - 1 - TickLength, y, L.plotLeft - 2, y);
    const std::string label = plainNumberText(t);
    const int top = std::min(y - s.fh / 2, L.plotTop + L.rows - s.fh / 2);
    s.text(timeRight - s.m.width(label), std::max(top, L.plotTop - s.fh / 2), label);
  }
  // CDP ticks at whole CDPs.
  int lastRight = L.plotLeft - 1000;
  const int scaleLeft = L.plotLeft + L.columns + ScaleGap;
  const int hi = scaleLeft + ScaleWidth / 2 - s.m.width(fieldtext::ScaleCaption) / 2 - LabelGap;
  for (double c : axisTicks(in.firstCdp, in.lastCdp, std::max(2, L.columns / 70))) {
    if (c != std::floor(c)) continue;
    const int x = static_cast<int>(std::floor(s.cdpX(static_cast<int>(c))));
    s.line(x, L.plotTop - 1 - TickLength, x, L.plotTop - 2);
    const std::string t = plainNumberText(static_cast<int>(c));
    const int w = s.m.width(t);
    const int left = std::min(x - w / 2, hi - w);
    if (left < lastRight + LabelGap || left > x) continue;
    s.text(left, s.labelsY, t);
    lastRight = left + w;
  }
  const int captionWidth = s.m.width(fieldtext::CdpCaption);
  s.text(L.plotLeft + (L.columns - captionWidth) / 2, s.cdpCaptionY, fieldtext::CdpCaption);
}

void drawScale(Sheet& s) {
  const FieldLayout& L = s.L;
  const int left = L.plotLeft + L.columns + ScaleGap;
  s.text(left + ScaleWidth / 2 - s.m.width(fieldtext::ScaleCaption) / 2, s.labelsY, fieldtext::ScaleCaption);
  const FigureRect r{left, L.plotTop, ScaleWidth, L.rows};
  if (s.scaleTicks.empty()) {
    s.add<Figure::Fill>(r, NoValueColour);
    s.frame(r);
    return;
  }
  std::vector<Argb> px;
  px.reserve(static_cast<std::size_t>(ScaleWidth) * L.rows);
  for (int row = 0; row < L.rows; ++row)
    px.insert(px.end(), ScaleWidth, turbo(L.rows > 1 ? 1.0 - static_cast<double>(row) / (L.rows - 1) : 1.0));
  s.add<Figure::Pixels>(r, std::move(px));
  s.frame(r);
  int lowestTop = L.height;
  for (double v : s.scaleTicks) {  // ascending: from the bottom up
    const double f = (v - L.lo) / (L.hi - L.lo);
    const int y = L.plotTop + static_cast<int>(std::lround((1.0 - f) * (L.rows - 1)));
    s.line(left + ScaleWidth + 1, y, left + ScaleWidth + TickLength, y);
    const int top = std::clamp(y - s.fh / 2, L.plotTop - s.fh / 2, L.plotTop + L.rows - s.fh / 2);
    if (top + s.fh > lowestTop) continue;
    s.text(s.scaleLabelsX, top, plainNumberText(v));
    lowestTop = top;
  }
}

void drawPicks(Sheet& s) {
  const FieldLayout& L = s.L;
  const FieldPictureInput& in = s.in;
  const FigureRect plot = s.plot();
  const int bottom = L.plotTop + L.rows + 2;
  for (const CdpVelocityFunction& f : in.functions) {
    if (f.cdp < in.firstCdp || f.cdp > in.lastCdp) continue;
    const double x = s.cdpX(f.cdp);
    s.triangle(x, bottom, false, Black);
    if (!(L.msPerRow > 0)) continue;
    for (const VelocityPick& p : f.picks)
      s.add<Figure::Ring>(FigurePoint{x, L.plotTop + p.timeMs / L.msPerRow}, 2.5, White, Black, 1.0, plot);
  }
  if (in.hasShownCdp && in.shownCdp >= in.firstCdp && in.shownCdp <= in.lastCdp)
    s.triangle(s.cdpX(in.shownCdp), L.plotTop - 2, true, ShownColour);
}

void drawLegend(Sheet& s) {
  int x = s.L.plotLeft;
  const int y = s.legendY, mid = y + s.fh / 2;
  auto entry = [&](const char* text) {
    s.text(x, y, text);
    x += s.m.width(text) + 3 * LabelGap;
  };
  s.triangle(x + MarkerHeight * 0.7, mid - MarkerHeight / 2.0, false, Black);
  x += MarkerHeight * 2 + 4;
  entry(fieldtext::PickedLegend);
  if (s.in.hasShownCdp) {
    s.triangle(x + MarkerHeight * 0.7, mid + MarkerHeight / 2.0, true, ShownColour);
    x += MarkerHeight * 2 + 4;
    entry(fieldtext::ShownLegend);
  }
  const int h = std::max(s.fh - 2, 6);
  std::vector<Argb> swatch(static_cast<std::size_t>(SwatchWidth) * h);
  for (int r = 0; r < h; ++r)
    for (int c = 0; c < SwatchWidth; ++c)
      swatch[static_cast<std::size_t>(r) * SwatchWidth + c] = hatched(c, r) ? HatchColour : turbo(0.5);
  const FigureRect sw{x, y + 1, SwatchWidth, h};
  s.add<Figure::Pixels>(sw, std::move(swatch));
  s.frame(sw);
  x += SwatchWidth + 6;
  entry(fieldtext::InversionLegend);
  s.legendRight = x;
}

}  // namespace

Argb turbo(double t) {
  t = std::clamp(std::isfinite(t) ? t : 0.0, 0.0, 1.0);
  const double r =
      0.13572138 + t * (4.61539260 + t * (-42.66032258 + t * (132.13108234 + t * (-152.94239396 + t * 59.28637943))));
  const double g =
      0.09140261 + t * (2.19418839 + t * (4.84296658 + t * (-14.18503333 + t * (4.27729857 + t * 2.82956604))));
  const double b =
      0.10667330 + t * (12.64194608 + t * (-60.58204836 + t * (110.36276771 + t * (-89.90310912 + t * 27.34824973))));
  auto byte = [](double v) { return static_cast<Argb>(std::lround(std::clamp(v, 0.0, 1.0) * 255.0)); };
  return 0xFF000000u | (byte(r) << 16) | (byte(g) << 8) | byte(b);
}

int fieldColumns(int firstCdp, int lastCdp) {
  const long long span = static_cast<long long>(lastCdp) - firstCdp + 1;
  if (span <= 0) return FieldTargetWidth;
  if (span > FieldTargetWidth) return FieldTargetWidth;
  return static_cast<int>(span * (FieldTargetWidth / span));
}

int FieldLayout::cdpAt(int x) const {
  return cdpOfColumn(std::clamp(x - plotLeft, 0, std::max(columns - 1, 0)), grid.firstCdp, grid.lastCdp, columns);
}

double FieldLayout::timeAt(int y) const { return std::clamp(y - plotTop, 0, std::max(rows - 1, 0)) * msPerRow; }

FieldPicture layOutField(const FieldPictureInput& in, const TextMeasure& measure) {
  Sheet s{in, measure};
  layOut(s);
  drawField(s);
  drawAxes(s);
  drawScale(s);
  drawPicks(s);
  drawLegend(s);
  s.L.width = std::max(s.L.width, s.legendRight) + RightMargin;
  s.fig.width = s.L.width;
  s.fig.height = s.L.height;
  return {std::move(s.L), std::move(s.fig)};
}

}  // namespace tsly::field
