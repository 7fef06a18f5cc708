#include "spectrum/core/SpectrumPicking.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace tsly {

std::optional<VelocityPick> spectrumPointAt(const SpectrumLayout& L, double firstVelocity, double lastVelocity,
                                            double firstMs, double x, double y) {
  if (L.spectrumWidth < 2 || L.rows < 1 || !(L.msPerRow > 0)) return std::nullopt;
  const double fx = x - L.spectrumLeft, fy = y - L.plotTop;
  if (fx < 0 || fx > L.spectrumWidth - 1 || fy < 0 || fy > L.rows - 1) return std::nullopt;
  const double v = firstVelocity + fx / (L.spectrumWidth - 1) * (lastVelocity - firstVelocity);
  return VelocityPick{static_cast<float>(firstMs + fy * L.msPerRow), static_cast<float>(v)};
}

FigurePoint spectrumPixelOf(const SpectrumLayout& L, double firstVelocity, double lastVelocity, double firstMs,
                            const VelocityPick& p) {
  return {L.spectrumLeft + velocityX(p.velocity, firstVelocity, lastVelocity, L.spectrumWidth),
          L.plotTop + (p.timeMs - firstMs) / (L.msPerRow > 0 ? L.msPerRow : 1.0)};
}

std::optional<std::size_t> touchedPick(const std::vector<VelocityPick>& picks, const SpectrumLayout& L,
                                       double firstVelocity, double lastVelocity, double firstMs, double x, double y) {
  std::optional<std::size_t> best;
  double bestDistance = PickTouchPixels;
  for (std::size_t k = 0; k < picks.size(); ++k) {
    const FigurePoint at = spectrumPixelOf(L, firstVelocity, lastVelocity, firstMs, picks[k]);
    const double d = std::hypot(at.x - x, at.y - y);
    if (d <= bestDistance) {
      bestDistance = d;
      best = k;
    }
  }
  return best;
}

VelocityPick nearestMaximum(const Spectrum& s, const VelocityPick& click) {
  const std::size_t nv = s.velocities.size();
  if (nv == 0 || s.samples <= 0 || s.intervalUs <= 0 || s.values.size() < nv * static_cast<std::size_t>(s.samples))
    return click;
  const double dt = s.intervalUs / 1000.0;
  const double dv = std::max(std::fabs(static_cast<double>(click.velocity)) * PickSearchFraction, 1e-9);
  const std::int32_t i0 =
      std::max<std::int32_t>(0, static_cast<std::int32_t>(std::ceil((click.timeMs - PickSearchMs - s.firstMs) / dt)));
  const std::int32_t i1 = std::min<std::int32_t>(
      s.samples - 1, static_cast<std::int32_t>(std::floor((click.timeMs + PickSearchMs - s.firstMs) / dt)));
  auto inWindow = [&](std::size_t k) { return std::fabs(s.velocities[k] - click.velocity) <= dv; };
  auto isMaximum = [&](std::int32_t i, std::size_t k) {
    const float v = s.at(i, k);
    if (!(v > 0)) return false;
    for (std::int32_t di = -1; di <= 1; ++di)
      for (int dk = -1; dk <= 1; ++dk) {
        const std::int32_t ni = i + di;
        const std::ptrdiff_t nk = static_cast<std::ptrdiff_t>(k) + dk;
        if ((di == 0 && dk == 0) || ni < 0 || ni >= s.samples || nk < 0 || nk >= static_cast<std::ptrdiff_t>(nv))
          continue;
        if (s.at(ni, static_cast<std::size_t>(nk)) > v) return false;
      }
    return true;
  };
  // The window's largest value first: maxima below PickPeakShare of it are
  // ripples of the noise, not peaks.
  std::int32_t li = -1;
  std::size_t lk = 0;
  float largest = 0;
  for (std::int32_t i = i0; i <= i1; ++i)
    for (std::size_t k = 0; k < nv; ++k)
      if (inWindow(k) && s.at(i, k) > largest) {
        largest = s.at(i, k);
        li = i;
        lk = k;
      }
  std::int32_t bi = -1;
  std::size_t bk = 0;
  double bestDistance = std::numeric_limits<double>::infinity();
  for (std::int32_t i = i0; i <= i1; ++i)
    for (std::size_t k = 0; k < nv; ++k) {
      if (!inWindow(k) || s.at(i, k) < PickPeakShare * largest || !isMaximum(i, k)) continue;
      const double d = std::hypot((s.timeMs(i) - click.timeMs) / PickSearchMs, (s.velocities[k] - click.velocity) / dv);
      if (d < bestDistance) {
        bestDistance = d;
        bi = i;
        bk = k;
      }
    }
  if (bi < 0) {
    if (li < 0) return click;
    bi = li;
    bk = lk;
  }
  // The peak between the trial velocities: the parabola through the three values.
  double v = s.velocities[bk];
  if (bk > 0 && bk + 1 < nv) {
    const double a = s.at(bi, bk - 1), b = s.at(bi, bk), c = s.at(bi, bk + 1);
    const double denominator = a - 2 * b + c;
    if (denominator < 0) {
      const double shift = std::clamp(0.5 * (a - c) / denominator, -0.5, 0.5);
      const double step = shift < 0 ? s.velocities[bk] - s.velocities[bk - 1] : s.velocities[bk + 1] - s.velocities[bk];
      v += shift * step;
    }
  }
  return {static_cast<float>(s.timeMs(bi)), static_cast<float>(v)};
}

}  // namespace tsly
