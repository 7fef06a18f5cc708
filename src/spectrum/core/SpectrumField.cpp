#include "spectrum/core/SpectrumField.h"

#include <algorithm>
#include <cmath>

#include "shared/Numbers.h"

namespace tsly {

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

int SpectrumTimeScale::rows() const { return std::max(0, nearestI32(plotRows)); }

SpectrumTimeScale sampleTimeScale(std::int32_t samples, std::int32_t intervalUs, double firstMs) {
  constexpr std::int32_t FewestRows = 300, MostRows = 900;
  SpectrumTimeScale t;
  t.firstMs = firstMs;
  intervalUs = std::max(intervalUs, 1);
  const std::int32_t rows = std::clamp(samples, FewestRows, MostRows);
  t.plotRows = static_cast<float>(rows);
  t.microsecondsPerRow = static_cast<float>(intervalUs);
  if (rows != samples && samples > 1)
    t.microsecondsPerRow = static_cast<float>(static_cast<double>(samples - 1) * intervalUs / (rows - 1));
  return t;
}

std::vector<std::uint32_t> spectrumRows(const Spectrum& s, int width, int rows, double msPerRow, double firstMs,
                                        std::uint32_t background) {
  width = std::max(width, 0);
  rows = std::max(rows, 0);
  std::vector<std::uint32_t> px(static_cast<std::size_t>(width) * static_cast<std::size_t>(rows), background);
  const int nv = static_cast<int>(s.velocities.size());
  const std::int32_t ns = s.samples;
  if (nv == 0 || ns <= 0 || s.intervalUs <= 0 || !(msPerRow > 0) || width == 0) return px;
  const double dtMs = s.intervalUs / 1000.0;
  // Column position of each pixel, once.
  std::vector<int> k0(static_cast<std::size_t>(width));
  std::vector<double> fk(static_cast<std::size_t>(width));
  for (int x = 0; x < width; ++x) {
    const double t = width > 1 && nv > 1 ? static_cast<double>(x) * (nv - 1) / (width - 1) : 0.0;
    k0[static_cast<std::size_t>(x)] = std::min(static_cast<int>(std::floor(t)), nv - 1);
    fk[static_cast<std::size_t>(x)] = t - k0[static_cast<std::size_t>(x)];
  }
  for (int r = 0; r < rows; ++r) {
    // Fractional sample; a row within a thousandth of a sample before the
    // first or past the last is that sample (the scale's rows per sample are a
    // float).
    double pos = (firstMs + r * msPerRow - s.firstMs) / dtMs;
    if (pos > static_cast<double>(ns - 1) + 1e-3) break;
    if (pos < -1e-3) continue;
    pos = std::max(pos, 0.0);
    const std::int32_t i0 = std::min(static_cast<std::int32_t>(std::floor(pos)), ns - 1);
    const std::int32_t i1 = std::min(i0 + 1, ns - 1);
    const double fi = pos - i0;
    std::uint32_t* line = px.data() + static_cast<std::size_t>(r) * static_cast<std::size_t>(width);
    for (int x = 0; x < width; ++x) {
      const std::size_t a = static_cast<std::size_t>(k0[static_cast<std::size_t>(x)]);
      const std::size_t b = std::min(a + 1, static_cast<std::size_t>(nv - 1));
      const double f = fk[static_cast<std::size_t>(x)];
      const double top = s.at(i0, a) * (1 - f) + s.at(i0, b) * f;
      const double bottom = s.at(i1, a) * (1 - f) + s.at(i1, b) * f;
      line[x] = viridis(top * (1 - fi) + bottom * fi);
    }
  }
  return px;
}

double velocityX(double v, double first, double last, int width) {
  if (width <= 1 || last == first) return 0.0;
  return (v - first) / (last - first) * (width - 1);
}

std::vector<VelocityPick> functionVertices(const std::vector<VelocityPick>& picks, double fromMs, double toMs) {
  std::vector<VelocityPick> p = picks;
  if (p.empty()) return p;
  std::stable_sort(p.begin(), p.end(), [](const VelocityPick& a, const VelocityPick& b) { return a.timeMs < b.timeMs; });
  std::vector<VelocityPick> out;
  if (fromMs < p.front().timeMs) out.push_back({static_cast<float>(fromMs), p.front().velocity});
  out.insert(out.end(), p.begin(), p.end());
  if (toMs > p.back().timeMs) out.push_back({static_cast<float>(toMs), p.back().velocity});
  return out;
}

}  // namespace tsly
