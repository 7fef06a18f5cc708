#include "spectrum/core/SpectrumView.h"

#include <algorithm>
#include <cmath>

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
  // Trial velocities are single-precision numbers: the ends must be ones above 0.
  if (!value(min, lo) || !(static_cast<float>(lo) > 0.0f)) {
    e.message = spectrumtext::lowestVelocityText(min);
    e.box = SpectrumBox::Min;
  } else if (!value(max, hi) || !(hi > lo) || !std::isfinite(static_cast<float>(hi))) {
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

}  // namespace tsly
