#include "shared/Paint.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

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

// nearest(v) as an int for a row: v is finite and small here but for wild
// samples (infinite deflections give NaN crossings), which nearest() handles.
inline int rowOf(double v) {
  return std::fabs(v) < 1.0e9 ? static_cast<int>(std::lrint(v)) : static_cast<int>(nearest(v));
}

}  // namespace

std::int32_t normalizer(float* samples, float divisor, std::int32_t count) {
  if (samples == nullptr || count <= 0) return 0;
  if (divisor == 0.0f || !std::isfinite(divisor)) return -1;
  for (std::int32_t i = 0; i < count; ++i) samples[i] /= divisor;
  return 0;
}

WiggleGeometry::WiggleGeometry(const float* samples, std::int32_t count, std::int32_t x, std::int32_t top,
                               double rowsPerSample)
    : s_(samples), n_(count), x_(x), top_(top), rowsPerSample_(rowsPerSample),
      // Whole rows per sample (ratios 1 and 0.5) need no rounding of the row.
      wholeRows_(rowsPerSample == 1.0 ? 1 : rowsPerSample == 2.0 ? 2 : 0) {}

int WiggleGeometry::row(std::int32_t i) const {
  return wholeRows_ != 0 ? top_ + i * wholeRows_ : top_ + rowOf(i * rowsPerSample_);
}

std::int32_t WiggleGeometry::firstAtRow(int r) const {
  if (wholeRows_ != 0) {  // top + i x wholeRows >= r
    const std::int64_t i = r <= top_ ? 0 : (static_cast<std::int64_t>(r) - top_ + wholeRows_ - 1) / wholeRows_;
    return static_cast<std::int32_t>(std::min<std::int64_t>(i, n_));
  }
  std::int32_t lo = 0, hi = n_;
  while (lo < hi) {
    const std::int32_t mid = lo + (hi - lo) / 2;
    if (row(mid) < r) lo = mid + 1;
    else hi = mid;
  }
  return lo;
}

void WiggleGeometry::appendPoints(std::int32_t first, std::int32_t last, std::vector<PointI>& out) const {
  const std::size_t at = out.size();
  out.resize(at + static_cast<std::size_t>(std::max(last - first, 0)));
  points(first, last, out.data() + at);
}

void WiggleGeometry::points(std::int32_t first, std::int32_t last, PointI* out) const {
  if (wholeRows_ != 0)
    for (std::int32_t i = first; i < last; ++i) *out++ = {x_ + deflectionPixels(s_[i]), top_ + i * wholeRows_};
  else
    for (std::int32_t i = first; i < last; ++i) *out++ = {x_ + deflectionPixels(s_[i]), top_ + rowOf(i * rowsPerSample_)};
}

// The zero crossing between sample i-1 (<= 0) and sample i (> 0), or the other
// way round, linearly interpolated, in rows.
int WiggleGeometry::crossingRow(std::int32_t i) const {
  const double a = s_[i - 1], b = s_[i];
  const double t = (a - b) != 0.0 ? a / (a - b) : 0.0;
  return top_ + rowOf((i - 1 + t) * rowsPerSample_);
}

int WiggleGeometry::lobeStartRow(std::int32_t begin) const { return begin == 0 ? row(0) : crossingRow(begin); }

int WiggleGeometry::lobeEndRow(std::int32_t end) const { return end < n_ ? crossingRow(end) : row(n_ - 1); }

void WiggleGeometry::appendLobe(std::int32_t begin, std::int32_t end, std::vector<PointI>& out) const {
  out.push_back({x_, lobeStartRow(begin)});
  appendPoints(begin, end, out);
  out.push_back({x_, lobeEndRow(end)});
}

bool deflectionRange(const float* samples, std::int32_t count, int& lowest, int& highest) {
  if (count <= 0) return false;
  // The largest magnitude, on the bits so that it vectorises (float max does
  // not, for NaN's sake): without the sign bit a float's bits order as its
  // magnitude does, and an infinity or a NaN has the largest of all.
  std::int32_t most = 0;
  for (std::int32_t i = 0; i < count; ++i) {
    std::int32_t u;
    std::memcpy(&u, samples + i, sizeof u);
    u &= 0x7fffffff;
    most = u > most ? u : most;
  }
  if (most >= 0x7f800000) return false;
  float magnitude;
  std::memcpy(&magnitude, &most, sizeof magnitude);
  highest = deflectionPixels(magnitude);
  lowest = -highest;
  return true;
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
  if (n >= 2)
    if (auto* keeper = dynamic_cast<WiggleKeeper*>(&dc))
      if (keeper->keepWiggle(samples, n, x, top, rowsPerSample, fill != 0)) return n;

  const WiggleGeometry g(samples, n, x, top, rowsPerSample);
  // The points of one trace, and of its lobes: kept between calls (a redraw
  // paints a thousand traces) so that no trace allocates.
  thread_local std::vector<PointI> line;
  thread_local std::vector<PointI> lobes;
  thread_local std::vector<std::uint32_t> starts;
  line.clear();
  g.appendPoints(0, n, line);
  if (n == 1) {
    dc.moveTo(x, line[0].y);
    dc.lineTo(line[0].x, line[0].y);
  } else {
    dc.polyline(line);
  }

  if (fill != 0) {
    lobes.clear();
    starts.clear();
    std::int32_t i = 0;
    while (i < n) {
      if (!(samples[i] > 0.0f)) {
        ++i;
        continue;
      }
      std::int32_t j = i;
      while (j < n && samples[j] > 0.0f) ++j;
      starts.push_back(static_cast<std::uint32_t>(lobes.size()));
      g.appendLobe(i, j, lobes);
      i = j;
    }
    if (!starts.empty()) dc.fillLobes(lobes, starts);
  }
  return n;
}

}  // namespace tsly
