#include "shared/Paint.h"

#include <algorithm>
#include <cmath>

#include "shared/Numbers.h"

namespace tsly {

namespace {

// Deflections are limited so that a wild sample cannot overflow pixel integers.
constexpr double MaxDeflection = 1.0e6;

int deflectionPixels(float s) {
  double v = static_cast<double>(s);
  if (std::isnan(v)) return 0;
  v = std::clamp(v, -MaxDeflection, MaxDeflection);
  // Within the clamp, rounding in the default mode (to nearest, halves to
  // even) gives nearest(v) exactly, in one instruction instead of a call.
  return static_cast<int>(std::lrint(v));
}

}  // namespace

std::int32_t normalizer(float* samples, float divisor, std::int32_t count) {
  if (samples == nullptr || count <= 0) return 0;
  if (divisor == 0.0f || !std::isfinite(divisor)) return -1;
  for (std::int32_t i = 0; i < count; ++i) samples[i] /= divisor;
  return 0;
}

std::int32_t rapidpaint(const float* samples, std::int32_t available, Canvas& dc, std::int32_t x,
                        std::int32_t top, std::int32_t rows, std::int32_t fill, float samplesPerRow) {
  if (samples == nullptr || available <= 0 || rows <= 0) return 0;
  double spr = samplesPerRow;
  if (!(spr > 0.0) || !std::isfinite(spr)) spr = 1.0;
  const double rowsPerSample = 1.0 / spr;
  const std::int64_t inWindow = nearest(static_cast<double>(rows) * spr);
  const std::int32_t n = static_cast<std::int32_t>(std::min<std::int64_t>(available, inWindow));
  if (n <= 0) return 0;

  std::vector<PointI> line(static_cast<std::size_t>(n));
  // Whole rows per sample (ratios 1 and 0.5) need no rounding of the row.
  const int wholeRows = rowsPerSample == 1.0 ? 1 : rowsPerSample == 2.0 ? 2 : 0;
  for (std::int32_t i = 0; i < n; ++i) {
    const int y = wholeRows != 0 ? top + i * wholeRows : top + static_cast<int>(nearest(i * rowsPerSample));
    line[static_cast<std::size_t>(i)] = {x + deflectionPixels(samples[i]), y};
  }
  if (n == 1) {
    dc.moveTo(x, line[0].y);
    dc.lineTo(line[0].x, line[0].y);
  } else {
    dc.polyline(line);
  }

  if (fill != 0) {
    std::vector<PointI> lobe;
    auto crossingY = [&](std::int32_t i) {
      // Zero crossing between sample i-1 (<= 0) and sample i (> 0), in rows.
      double a = samples[i - 1], b = samples[i];
      double t = (a - b) != 0.0 ? a / (a - b) : 0.0;
      return top + static_cast<int>(nearest((i - 1 + t) * rowsPerSample));
    };
    std::int32_t i = 0;
    while (i < n) {
      if (!(samples[i] > 0.0f)) {
        ++i;
        continue;
      }
      lobe.clear();
      lobe.push_back({x, i == 0 ? line[0].y : crossingY(i)});
      std::int32_t j = i;
      while (j < n && samples[j] > 0.0f) {
        lobe.push_back(line[static_cast<std::size_t>(j)]);
        ++j;
      }
      if (j < n) {
        double a = samples[j - 1], b = samples[j];
        double t = (a - b) != 0.0 ? a / (a - b) : 0.0;
        lobe.push_back({x, top + static_cast<int>(nearest((j - 1 + t) * rowsPerSample))});
      } else {
        lobe.push_back({x, line[static_cast<std::size_t>(n - 1)].y});
      }
      if (lobe.size() >= 3) dc.fillPolygon(lobe);
      i = j;
    }
  }
  return n;
}

}  // namespace tsly
