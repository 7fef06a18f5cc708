#include "spectrum/core/SpectrumView.h"

#include <algorithm>
#include <cmath>

#include "spectrum/core/SpectrumPicture.h"
#include "spectrum/core/SpectrumWindowTexts.h"
#include "shared/Numbers.h"

namespace tsly {

std::optional<std::pair<double, double>> panelVelocitySpan(const AppState& s, std::int16_t cdp) {
  const std::int32_t n = std::min<std::int32_t>(s.PanelCount, static_cast<std::int32_t>(s.PanelTable.size()));
  std::optional<std::pair<double, double>> own, all;
  auto widen = [](std::optional<std::pair<double, double>>& span, double v) {
    if (!span) span = std::pair{v, v};
    span->first = std::min(span->first, v);
    span->second = std::max(span->second, v);
  };
  for (std::int32_t i = 1; i <= n; ++i) {
    const PanelEntry& e = s.PanelTable[static_cast<std::size_t>(i)];
    widen(all, e.Velocity);
    if (e.FirstCdp == cdp) widen(own, e.Velocity);
  }
  return own ? own : all;
}

VelocityRange widenedRange(double lowest, double highest) {
  if (highest < lowest) std::swap(lowest, highest);
  double lo, hi;
  if (highest > lowest) {
    const double margin = 0.05 * (highest - lowest);
    lo = lowest - margin;
    hi = highest + margin;
  } else {
    lo = 0.9 * lowest;
    hi = 1.1 * lowest;
  }
  if (!(hi > 0)) return {};
  lo = std::max(lo, 0.0);
  const double span = hi - lo;
  double step = std::pow(10.0, std::floor(std::log10(span / static_cast<double>(AutoRangeVelocities))));
  VelocityRange r;
  for (int guard = 0; guard < 4 && r.step == 0; ++guard, step *= 10.0) {
    for (double m : {1.0, 2.0, 2.5, 5.0}) {
      const double st = step * m;
      double a = std::floor(lo / st + 1e-9) * st;
      if (!(a > 0)) a = st;
      const double b = std::ceil(hi / st - 1e-9) * st;
      if (std::floor((b - a) / st + 1e-6) + 1 <= static_cast<double>(AutoRangeVelocities)) {
        r = {a, b, st};
        break;
      }
    }
  }
  return r;
}

RangeEntry readVelocityRange(const std::string& min, const std::string& max, const std::string& step) {
  RangeEntry e;
  auto value = [](const std::string& t, double& v) {
    if (!isNumberText(t)) return false;
    v = readNumber(t);
    return std::isfinite(v);
  };
  double lo = 0, hi = 0, dv = 0;
  if (!value(min, lo) || !(lo > 0)) {
    e.message = spectrumtext::lowestVelocityText(min);
    e.box = SpectrumBox::Min;
  } else if (!value(max, hi) || !(hi > lo)) {
    e.message = spectrumtext::highestVelocityText(max, plainNumberText(lo));
    e.box = SpectrumBox::Max;
  } else if (!value(step, dv) || !(dv > 0)) {
    e.message = spectrumtext::velocityStepText(step);
    e.box = SpectrumBox::Step;
  } else {
    const double count = std::floor((hi - lo) / dv + 1e-6) + 1;
    if (count > static_cast<double>(MaxSpectrumVelocities)) {
      e.message = spectrumtext::tooManyVelocitiesText(count, MaxSpectrumVelocities);
      e.box = SpectrumBox::Step;
    } else {
      e.range = {lo, hi, dv};
    }
  }
  return e;
}

StretchEntry readStretch(const std::string& text) {
  StretchEntry e;
  const float s = isNumberText(text) ? static_cast<float>(readNumber(text)) : 0.0f;
  if (!(s >= MinStretch && s <= MaxStretch)) {
    e.message = spectrumtext::stretchText(text);
    return e;
  }
  e.stretch = s;
  return e;
}

int SpectrumTimeScale::rows() const { return std::max(0, nearestI32(plotRows)); }

std::vector<std::uint32_t> spectrumRows(const Spectrum& s, int width, int rows, double msPerRow,
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
    const double pos = r * msPerRow / dtMs;  // fractional sample
    if (pos > static_cast<double>(ns - 1) + 1e-9) break;
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
