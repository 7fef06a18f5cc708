#include "platform/Raster.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <thread>

namespace tsly {

namespace {

constexpr int MaxImageSide = Raster::MaxSide + 1;

// Clips the line to the image rectangle (Liang-Barsky). False when nothing of it
// is inside. A start point moved by the clip is no longer a joint to skip.
bool clipToImage(int w, int h, int& x0, int& y0, int& x1, int& y1, bool& skipFirst) {
  double t0 = 0, t1 = 1;
  const double dx = x1 - x0, dy = y1 - y0;
  const double p[4] = {-dx, dx, -dy, dy};
  const double q[4] = {static_cast<double>(x0), static_cast<double>(w - 1 - x0), static_cast<double>(y0),
                       static_cast<double>(h - 1 - y0)};
  for (int i = 0; i < 4; ++i) {
    if (p[i] == 0) {
      if (q[i] < 0) return false;
      continue;
    }
    const double t = q[i] / p[i];
    if (p[i] < 0) t0 = std::max(t0, t);
    else t1 = std::min(t1, t);
  }
  if (t0 > t1) return false;
  if (t0 > 0) skipFirst = false;
  const int nx0 = static_cast<int>(std::lround(x0 + t0 * dx)), ny0 = static_cast<int>(std::lround(y0 + t0 * dy));
  const int nx1 = static_cast<int>(std::lround(x0 + t1 * dx)), ny1 = static_cast<int>(std::lround(y0 + t1 * dy));
  x0 = std::clamp(nx0, 0, w - 1), y0 = std::clamp(ny0, 0, h - 1);
  x1 = std::clamp(nx1, 0, w - 1), y1 = std::clamp(ny1, 0, h - 1);
  return true;
}

// Pixels lo..hi of row y, set to the colour or XORed with it.
inline void rasterRun(const RasterTarget& im, int y, int lo, int hi) {
  auto* row = reinterpret_cast<std::uint32_t*>(im.bits + y * im.bytesPerLine);
  if (im.xorMode)
    for (int k = lo; k <= hi; ++k) row[k] = (row[k] ^ im.colour) | 0xff000000u;
  else
    std::fill(row + lo, row + hi + 1, im.colour);
}

// A mostly horizontal line (adx > ady): one run of pixels per row. Row r
// (0..ady) takes the x whose ideal y rounds to it, the same pixels Bresenham
// would choose: its last step is the largest k with 2*k*ady < (2r+1)*adx
// (k <= adx), that is floor(((2r+1)*adx - 1) / (2*ady)), kept here as a running
// quotient and remainder so that a row costs no division.
void rasterShallow(const RasterTarget& im, int x0, int y0, int x1, int y1, bool skipFirst, int yLo, int yHi) {
  const int adx = std::abs(x1 - x0), ady = std::abs(y1 - y0);
  const int sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
  const long long den = 2LL * ady;
  long long q = 0, rem = 0, qStep = 0, rStep = 0;
  if (ady == 1) {
    q = (adx - 1LL) >> 1;  // one step down (a wiggle at one row per sample): no division at all
  } else if (den != 0) {
    q = (adx - 1LL) / den;
    rem = (adx - 1LL) % den;
    qStep = (2LL * adx) / den;
    rStep = (2LL * adx) % den;
  }
  int x = x0;
  for (int r = 0; r <= ady; ++r) {
    int kEnd = r == ady ? adx : static_cast<int>(std::min<long long>(q, adx));
    q += qStep;
    rem += rStep;
    if (rem >= den && den != 0) rem -= den, ++q;
    const int xEnd = x0 + sx * kEnd;
    const int y = y0 + sy * r;
    int from = x, to = xEnd;
    if (r == 0 && skipFirst) from += sx;
    if ((to - from) * sx >= 0 && y >= yLo && y < yHi) rasterRun(im, y, std::min(from, to), std::max(from, to));
    x = xEnd + sx;
  }
}

// Bresenham, both end points included (the first one left out when asked, so that
// XOR polylines do not touch their joints twice). Clipped to the image first.
// Only rows yLo <= y < yHi are written (a band of the image; the pixels are the
// same ones the whole line has in those rows).
void rasterLine(const RasterTarget& im, int x0, int y0, int x1, int y1, bool skipFirst, int yLo = 0,
                int yHi = MaxImageSide) {
  const bool inside =
      x0 >= 0 && x0 < im.width && y0 >= 0 && y0 < im.height && x1 >= 0 && x1 < im.width && y1 >= 0 && y1 < im.height;
  if (!inside && !clipToImage(im.width, im.height, x0, y0, x1, y1, skipFirst)) return;
  const int adx = std::abs(x1 - x0), ady = std::abs(y1 - y0);
  if (adx > ady) {
    rasterShallow(im, x0, y0, x1, y1, skipFirst, yLo, yHi);
    return;
  }
  // Mostly vertical: one pixel per row.
  const int dx = adx, sx = x0 < x1 ? 1 : -1;
  const int dy = -ady, sy = y0 < y1 ? 1 : -1;
  int err = dx + dy;
  bool first = true;
  for (;;) {
    if (!(first && skipFirst) && y0 >= yLo && y0 < yHi) rasterRun(im, y0, x0, x0);
    first = false;
    if (x0 == x1 && y0 == y1) break;
    const int e2 = 2 * err;
    if (e2 >= dy) err += dy, x0 += sx;
    if (e2 <= dx) err += dx, y0 += sy;
  }
}

// Fills a lobe's rows yLo <= y < yHi: each row between the first and last y
// from x0 to the chain's x at that row (the chain's own pixels are the wiggle
// line).
void fillLobeRows(const RasterTarget& im, const PointI* pts, std::size_t n, int yLo, int yHi) {
  const int x0 = pts[0].x;
  const int w = im.width;
  const std::uint32_t c = im.colour;
  const bool xr = im.xorMode;
  // Walk the chain pts[0..n-1]; for each row take the x of the chain at that row
  // (linear between points; the farthest from x0 when several points share a row).
  std::size_t seg = 0;
  const int yFirst = std::max({pts[0].y, yLo, 0}), yLast = std::min({pts[n - 1].y, yHi - 1, im.height - 1});
  for (int y = yFirst; y <= yLast; ++y) {
    while (seg + 1 < n - 1 && pts[seg + 1].y < y) ++seg;
    int reach = x0;
    for (std::size_t k = seg; k + 1 < n && pts[k].y <= y; ++k) {
      const PointI a = pts[k], b = pts[k + 1];
      if (b.y < y) continue;
      int x;
      if (b.y == a.y) x = std::abs(a.x - x0) > std::abs(b.x - x0) ? a.x : b.x;
      else x = a.x + static_cast<int>(std::lround(static_cast<double>(b.x - a.x) * (y - a.y) / (b.y - a.y)));
      if (std::abs(x - x0) > std::abs(reach - x0)) reach = x;
      if (b.y > y) break;
    }
    int lo = std::min(x0, reach), hi = std::max(x0, reach);
    lo = std::max(lo, 0);
    hi = std::min(hi, w - 1);
    auto* row = reinterpret_cast<std::uint32_t*>(im.bits + y * im.bytesPerLine);
    for (int x = lo; x <= hi; ++x) row[x] = xr ? (row[x] ^ c) | 0xff000000u : c;
  }
}

}  // namespace

// A wiggle lobe: the first and last points lie on one vertical line x0, and the
// points between run downwards (y never decreasing).
bool Raster::isLobe(const std::vector<PointI>& pts) {
  const std::size_t n = pts.size();
  if (n < 3 || pts.back().x != pts.front().x || pts.back().y < pts.front().y) return false;
  for (std::size_t i = 1; i < n; ++i)
    if (pts[i].y < pts[i - 1].y) return false;
  return true;
}

void Raster::line(const RasterTarget& target, int x0, int y0, int x1, int y1) {
  rasterLine(target, x0, y0, x1, y1, false);
}

void Raster::polyline(const RasterTarget& target, const std::vector<PointI>& points) {
  if (points.empty()) return;
  rasterLine(target, points[0].x, points[0].y, points[0].x, points[0].y, false);
  for (std::size_t i = 1; i < points.size(); ++i)
    rasterLine(target, points[i - 1].x, points[i - 1].y, points[i].x, points[i].y, true);
}

// Drawn one trace at a time, every sample of a wiggle falls on another image
// row, and so on another page of memory; a band of rows across all traces
// stays within a few hundred pages.
bool Raster::keepWiggle(const std::vector<PointI>& points, int width, int height) {
  if (points.size() < 2) return false;
  int prevY = points.front().y;
  for (const PointI& p : points) {
    if (p.x < 0 || p.x >= width || p.y < prevY || p.y >= height) return false;
    prevY = p.y;
  }
  if (points.front().y < 0) return false;
  const auto begin = static_cast<std::uint32_t>(linePoints_.size());
  linePoints_.insert(linePoints_.end(), points.begin(), points.end());
  lines_.push_back({begin, static_cast<std::uint32_t>(linePoints_.size())});
  return true;
}

void Raster::keepLobe(const std::vector<PointI>& points) {
  const auto begin = static_cast<std::uint32_t>(lobePoints_.size());
  lobePoints_.insert(lobePoints_.end(), points.begin(), points.end());
  lobes_.push_back({begin, static_cast<std::uint32_t>(lobePoints_.size())});
}

void Raster::drop() {
  linePoints_.clear();
  lines_.clear();
  lobePoints_.clear();
  lobes_.clear();
}

// The kept drawings in bands of rows; with many of them the bands are shared
// between this thread and one worker (alternate bands: disjoint rows).
void Raster::flush(const RasterTarget& im) {
  if (!holdsAny()) return;
  const std::vector<PointI>& pts = linePoints_;
  const std::vector<Range>& lines = lines_;
  constexpr int Band = 32;
  const int bands = (im.height + Band - 1) / Band;
  // The lobes by band: each listed in every band its rows reach.
  std::vector<std::uint32_t> lobeStart(static_cast<std::size_t>(bands) + 1, 0), lobeIndex;
  auto bandRange = [&](const Range& l, int& first, int& last) {
    first = std::max(lobePoints_[l.begin].y, 0) / Band;
    last = std::min(lobePoints_[l.end - 1].y, im.height - 1) / Band;
    return lobePoints_[l.end - 1].y >= 0 && lobePoints_[l.begin].y < im.height;
  };
  for (const Range& l : lobes_) {
    int first = 0, last = 0;
    if (bandRange(l, first, last))
      for (int b = first; b <= last; ++b) ++lobeStart[static_cast<std::size_t>(b) + 1];
  }
  for (int b = 0; b < bands; ++b) lobeStart[static_cast<std::size_t>(b) + 1] += lobeStart[static_cast<std::size_t>(b)];
  lobeIndex.resize(lobeStart.back());
  {
    std::vector<std::uint32_t> fillAt(lobeStart.begin(), lobeStart.end() - 1);
    for (std::size_t i = 0; i < lobes_.size(); ++i) {
      int first = 0, last = 0;
      if (bandRange(lobes_[i], first, last))
        for (int b = first; b <= last; ++b) lobeIndex[fillAt[static_cast<std::size_t>(b)]++] = static_cast<std::uint32_t>(i);
    }
  }
  // Segment j of a line [begin, end): j == begin is its first point alone,
  // later ones run from point j-1 to point j without their first pixel.
  auto drawBands = [&](int firstBand, int step) {
    std::vector<std::uint32_t> cursor(lines.size());
    for (std::size_t l = 0; l < lines.size(); ++l) cursor[l] = lines[l].begin;
    for (int b = firstBand; b < bands; b += step) {
      const int yLo = b * Band, yHi = yLo + Band;
      for (std::size_t l = 0; l < lines.size(); ++l) {
        const std::uint32_t end = lines[l].end;
        std::uint32_t j = cursor[l];
        // Segments that end above the band are done.
        while (j < end && pts[j].y < yLo) ++j;
        cursor[l] = j;
        for (; j < end; ++j) {
          const bool firstPoint = j == lines[l].begin;
          const PointI a = firstPoint ? pts[j] : pts[j - 1], e = pts[j];
          if (a.y >= yHi) break;
          rasterLine(im, a.x, a.y, e.x, e.y, !firstPoint, yLo, yHi);
        }
      }
      for (std::uint32_t i = lobeStart[static_cast<std::size_t>(b)]; i < lobeStart[static_cast<std::size_t>(b) + 1]; ++i) {
        const Range& l = lobes_[lobeIndex[i]];
        fillLobeRows(im, lobePoints_.data() + l.begin, l.end - l.begin, yLo, yHi);
      }
    }
  };
  if (pts.size() + lobePoints_.size() >= 20000 && bands >= 2 && std::thread::hardware_concurrency() >= 2) {
    std::thread worker(drawBands, 1, 2);
    drawBands(0, 2);
    worker.join();
  } else {
    drawBands(0, 1);
  }
  drop();
}

}  // namespace tsly
