#include "spectrum/core/SpectrumPicture.h"

#include <algorithm>
#include <cmath>

#include "spectrum/core/SpectrumText.h"

namespace tsly {

namespace {

constexpr std::uint32_t White = 0xFFFFFFFFu;
constexpr std::uint32_t Black = 0xFF000000u;
constexpr int TitleHeight = 28;
constexpr int VelocityLabelsHeight = 34;
constexpr int TimeLabelsWidth = 64;
constexpr int ScaleGap = 24, ScaleWidth = 18, ScaleLabelsWidth = 52;
constexpr int BottomMargin = 16;
constexpr int TickLength = 5;

struct Canvas {
  int width, height;
  std::vector<std::uint32_t>& px;
  void set(int x, int y, std::uint32_t c) {
    if (x >= 0 && x < width && y >= 0 && y < height) px[static_cast<size_t>(y) * width + x] = c;
  }
  void hline(int x0, int x1, int y, std::uint32_t c) {
    for (int x = x0; x <= x1; ++x) set(x, y, c);
  }
  void vline(int x, int y0, int y1, std::uint32_t c) {
    for (int y = y0; y <= y1; ++y) set(x, y, c);
  }
  void frame(int x0, int y0, int w, int h) {
    hline(x0 - 1, x0 + w, y0 - 1, Black);
    hline(x0 - 1, x0 + w, y0 + h, Black);
    vline(x0 - 1, y0 - 1, y0 + h, Black);
    vline(x0 + w, y0 - 1, y0 + h, Black);
  }
};

int clampInt(int v, int lo, int hi) { return std::max(lo, std::min(hi, v)); }

}  // namespace

std::uint32_t viridis(double t) {
  // A polynomial fit of the viridis colour map (sRGB components in 0..1).
  t = std::isnan(t) ? 0.0 : std::clamp(t, 0.0, 1.0);
  static const double c[7][3] = {
      {0.2777273272234177, 0.005407344544966578, 0.3340998053353061},
      {0.1050930431085774, 1.404613529898575, 1.384590162594685},
      {-0.3308618287255563, 0.214847559468213, 0.09509516302823659},
      {-4.634230498983486, -5.799100973351585, -19.33244095627987},
      {6.228269936347081, 14.17993336680509, 56.69055260068105},
      {4.776384997670288, -13.74514537774601, -65.35303263337234},
      {-5.435455855934631, 4.645852612178535, 26.3124352495832},
  };
  std::uint32_t out = 0xFF000000u;
  for (int ch = 0; ch < 3; ++ch) {
    double v = c[6][ch];
    for (int k = 5; k >= 0; --k) v = v * t + c[k][ch];
    const int byte = static_cast<int>(std::lround(std::clamp(v, 0.0, 1.0) * 255.0));
    out |= static_cast<std::uint32_t>(byte) << (16 - 8 * ch);
  }
  return out;
}

std::vector<double> axisTicks(double lo, double hi, int most) {
  std::vector<double> ticks;
  if (!(hi >= lo) || !std::isfinite(lo) || !std::isfinite(hi) || most < 1) return ticks;
  if (hi == lo) return {lo};
  const double span = hi - lo;
  double step = std::pow(10.0, std::floor(std::log10(span / most)));
  for (int guard = 0; guard < 8; ++guard) {
    for (double m : {1.0, 2.0, 2.5, 5.0}) {
      const double st = step * m;
      const double first = std::ceil(lo / st - 1e-9) * st;
      const int count = static_cast<int>(std::floor((hi - first) / st + 1e-9)) + 1;
      if (count <= most) {
        for (int k = 0; k < count; ++k) ticks.push_back(first + k * st);
        return ticks;
      }
    }
    step *= 10.0;
  }
  return {lo, hi};
}

namespace {

// The spectrum resampled bilinearly into the plot: pixel centres spread over
// the samples and velocities from first to last.
void drawSemblance(Canvas& cv, const SpectrumPicture& pic, const Spectrum& s) {
  const int nv = static_cast<int>(s.velocities.size());
  const int ns = s.samples;
  const int pw = pic.plotWidth, ph = pic.plotHeight;
  for (int y = 0; y < ph; ++y) {
    const double ty = ph > 1 && ns > 1 ? static_cast<double>(y) * (ns - 1) / (ph - 1) : 0.0;
    const int i0 = static_cast<int>(std::floor(ty));
    const int i1 = std::min(i0 + 1, std::max(ns - 1, 0));
    const double fy = ty - i0;
    for (int x = 0; x < pw; ++x) {
      double v = 0.0;
      if (ns > 0 && nv > 0) {
        const double tx = pw > 1 && nv > 1 ? static_cast<double>(x) * (nv - 1) / (pw - 1) : 0.0;
        const int k0 = static_cast<int>(std::floor(tx));
        const int k1 = std::min(k0 + 1, nv - 1);
        const double fx = tx - k0;
        const double top = s.at(i0, static_cast<size_t>(k0)) * (1 - fx) + s.at(i0, static_cast<size_t>(k1)) * fx;
        const double bottom = s.at(i1, static_cast<size_t>(k0)) * (1 - fx) + s.at(i1, static_cast<size_t>(k1)) * fx;
        v = top * (1 - fy) + bottom * fy;
      }
      cv.set(pic.plotLeft + x, pic.plotTop + y, viridis(v));
    }
  }
  cv.frame(pic.plotLeft, pic.plotTop, pw, ph);
}

// Time axis: ticks on the left edge, labelled in ms.
void drawTimeAxis(Canvas& cv, SpectrumPicture& pic, const Spectrum& s) {
  const int ns = s.samples, ph = pic.plotHeight;
  const double lastMs = ns > 0 ? s.timeMs(ns - 1) : 0.0;
  for (double t : axisTicks(0.0, lastMs, std::max(2, ph / 60))) {
    const int y = pic.plotTop + (lastMs > 0 ? static_cast<int>(std::lround(t / lastMs * (ph - 1))) : 0);
    cv.hline(pic.plotLeft - 1 - TickLength, pic.plotLeft - 2, y, Black);
    pic.labels.push_back(
        {pic.plotLeft - TickLength - 4, y, shortNumber(t), PictureLabel::Align::End, PictureLabel::Align::Centre});
  }
  pic.labels.push_back(
      {pic.plotLeft - TickLength - 4, pic.plotTop - 4, "ms", PictureLabel::Align::End, PictureLabel::Align::End});
}

// Velocity axis: ticks on the top edge.
void drawVelocityAxis(Canvas& cv, SpectrumPicture& pic, const Spectrum& s) {
  const int pw = pic.plotWidth;
  if (!s.velocities.empty()) {
    const double v0 = s.velocities.front(), v1 = s.velocities.back();
    const double lo = std::min(v0, v1), hi = std::max(v0, v1);
    for (double v : axisTicks(lo, hi, std::max(2, pw / 90))) {
      const double f = v1 != v0 ? (v - v0) / (v1 - v0) : 0.0;
      const int x = pic.plotLeft + static_cast<int>(std::lround(f * (pw - 1)));
      cv.vline(x, pic.plotTop - 1 - TickLength, pic.plotTop - 2, Black);
      pic.labels.push_back(
          {x, pic.plotTop - TickLength - 3, shortNumber(v), PictureLabel::Align::Centre, PictureLabel::Align::End});
    }
  }
  pic.labels.push_back({pic.plotLeft - TickLength - 4, TitleHeight + 2, "velocity", PictureLabel::Align::End,
                        PictureLabel::Align::Start});
}

// Colour scale beside the plot: 1 at the top, 0 at the bottom.
void drawColourScale(Canvas& cv, SpectrumPicture& pic) {
  const int ph = pic.plotHeight;
  const int sx = pic.plotLeft + pic.plotWidth + ScaleGap;
  for (int y = 0; y < ph; ++y) {
    const std::uint32_t c = viridis(ph > 1 ? 1.0 - static_cast<double>(y) / (ph - 1) : 1.0);
    cv.hline(sx, sx + ScaleWidth - 1, pic.plotTop + y, c);
  }
  cv.frame(sx, pic.plotTop, ScaleWidth, ph);
  for (double v : {0.0, 0.2, 0.4, 0.6, 0.8, 1.0}) {
    const int y = pic.plotTop + static_cast<int>(std::lround((1.0 - v) * (ph - 1)));
    cv.hline(sx + ScaleWidth + 1, sx + ScaleWidth + TickLength, y, Black);
    pic.labels.push_back(
        {sx + ScaleWidth + TickLength + 3, y, shortNumber(v), PictureLabel::Align::Start, PictureLabel::Align::Centre});
  }
  pic.labels.push_back({sx + ScaleWidth / 2, pic.plotTop - TickLength - 3, "semblance", PictureLabel::Align::Centre,
                        PictureLabel::Align::End});
}

}  // namespace

SpectrumPicture drawSpectrum(const Spectrum& s, const std::string& title, SpectrumPictureSize size) {
  SpectrumPicture pic;
  const int nv = static_cast<int>(s.velocities.size());
  pic.plotWidth = size.plotWidth > 0 ? size.plotWidth : clampInt(3 * nv, 300, 900);
  pic.plotHeight = size.plotHeight > 0 ? size.plotHeight : clampInt(s.samples, 300, 900);
  pic.plotLeft = TimeLabelsWidth;
  pic.plotTop = TitleHeight + VelocityLabelsHeight;
  pic.width = pic.plotLeft + pic.plotWidth + ScaleGap + ScaleWidth + ScaleLabelsWidth;
  pic.height = pic.plotTop + pic.plotHeight + BottomMargin;
  pic.pixels.assign(static_cast<size_t>(pic.width) * static_cast<size_t>(pic.height), White);
  Canvas cv{pic.width, pic.height, pic.pixels};
  drawSemblance(cv, pic, s);
  pic.labels.push_back(
      {pic.plotLeft + pic.plotWidth / 2, 4, title, PictureLabel::Align::Centre, PictureLabel::Align::Start});
  drawTimeAxis(cv, pic, s);
  drawVelocityAxis(cv, pic, s);
  drawColourScale(cv, pic);
  return pic;
}

}  // namespace tsly
