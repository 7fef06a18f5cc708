#include "platform/Raster.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <thread>
#include <utility>

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

// The rows and columns a drawing may write (a tile, or the whole image).
struct Clip {
  int xLo = 0, yLo = 0, xHi = MaxImageSide, yHi = MaxImageSide;  // half-open
};

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
void rasterShallow(const RasterTarget& im, int x0, int y0, int x1, int y1, bool skipFirst, const Clip& c) {
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
    if ((to - from) * sx >= 0 && y >= c.yLo && y < c.yHi) {
      const int lo = std::max(std::min(from, to), c.xLo), hi = std::min(std::max(from, to), c.xHi - 1);
      if (lo <= hi) rasterRun(im, y, lo, hi);
    }
    x = xEnd + sx;
  }
}

// Bresenham, both end points included (the first one left out when asked, so that
// XOR polylines do not touch their joints twice). Clipped to the image first.
// Only the pixels inside `c` are written (a tile of the image; the pixels are
// the same ones the whole line has there).
void rasterLine(const RasterTarget& im, int x0, int y0, int x1, int y1, bool skipFirst, const Clip& c = Clip{}) {
  if (std::max(y0, y1) < c.yLo || std::min(y0, y1) >= c.yHi || std::max(x0, x1) < c.xLo ||
      std::min(x0, x1) >= c.xHi)
    return;  // the clipped line lies within the line's box
  const bool inside =
      x0 >= 0 && x0 < im.width && y0 >= 0 && y0 < im.height && x1 >= 0 && x1 < im.width && y1 >= 0 && y1 < im.height;
  if (!inside && !clipToImage(im.width, im.height, x0, y0, x1, y1, skipFirst)) return;
  const int adx = std::abs(x1 - x0), ady = std::abs(y1 - y0);
  if (adx > ady) {
    rasterShallow(im, x0, y0, x1, y1, skipFirst, c);
    return;
  }
  // Mostly vertical: one pixel per row.
  const int dx = adx, sx = x0 < x1 ? 1 : -1;
  const int dy = -ady, sy = y0 < y1 ? 1 : -1;
  int err = dx + dy;
  bool first = true;
  for (;;) {
    if (!(first && skipFirst) && y0 >= c.yLo && y0 < c.yHi && x0 >= c.xLo && x0 < c.xHi) rasterRun(im, y0, x0, x0);
    first = false;
    if (x0 == x1 && y0 == y1) break;
    const int e2 = 2 * err;
    if (e2 >= dy) err += dy, x0 += sx;
    if (e2 <= dx) err += dx, y0 += sy;
  }
}

// Pixels lo..hi (either order) of row y, as far as they lie within `c`.
inline void clippedRun(const RasterTarget& im, int y, int from, int to, const Clip& c) {
  if (y < c.yLo || y >= c.yHi) return;
  const int lo = std::max(std::min(from, to), c.xLo), hi = std::min(std::max(from, to), c.xHi - 1);
  if (lo <= hi) rasterRun(im, y, lo, hi);
}

// A connected line within `c`: its first point, then each segment without its
// first pixel. When the rows never decrease, only the segments that reach the
// clip's rows are looked at. A segment of at most one row's step inside the
// image (a wiggle's, nearly always) is drawn here directly: the pixels
// rasterLine gives it, without the general clipping and stepping.
void rasterConnected(const RasterTarget& im, const PointI* pts, std::size_t n, bool rowsSorted, const Clip& c,
                     bool drawFirst = true) {
  if (n == 0) return;
  std::size_t j = 1;
  if (rowsSorted) {
    if (pts[0].y >= c.yHi) return;
    // The first segment whose end reaches the clip's top row.
    j = static_cast<std::size_t>(
        std::lower_bound(pts + 1, pts + n, c.yLo, [](const PointI& p, int y) { return p.y < y; }) - pts);
  }
  if (drawFirst) rasterLine(im, pts[0].x, pts[0].y, pts[0].x, pts[0].y, false, c);
  const auto w = static_cast<unsigned>(im.width);
  for (; j < n; ++j) {
    const PointI a = pts[j - 1], e = pts[j];
    if (rowsSorted && a.y >= c.yHi) break;
    const int dy = e.y - a.y;
    const bool inside = static_cast<unsigned>(a.x) < w && static_cast<unsigned>(e.x) < w && a.y >= 0 &&
                        e.y < im.height && (dy == 0 || dy == 1);
    if (!inside) {
      rasterLine(im, a.x, a.y, e.x, e.y, true, c);
      continue;
    }
    const int sx = e.x >= a.x ? 1 : -1;
    const int adx = (e.x - a.x) * sx;
    if (dy == 0) {
      if (adx >= 1) clippedRun(im, a.y, a.x + sx, e.x, c);
    } else if (adx <= 1) {
      clippedRun(im, e.y, e.x, e.x, c);  // one pixel down (and across)
    } else {
      // Row a.y takes the steps 1..q, row e.y the rest (rasterShallow with one row).
      const int q = (adx - 1) >> 1;
      if (q >= 1) clippedRun(im, a.y, a.x + sx, a.x + sx * q, c);
      clippedRun(im, e.y, a.x + sx * (q + 1), e.x, c);
    }
  }
}

// Fills a lobe's rows within `c`: each row between the first and last y from x0
// to the chain's x at that row (the chain's own pixels are the wiggle line).
void fillLobeRows(const RasterTarget& im, const PointI* pts, std::size_t n, const Clip& c) {
  const int x0 = pts[0].x;
  const std::uint32_t colour = im.colour;
  const bool xr = im.xorMode;
  // Walk the chain pts[0..n-1]; for each row take the x of the chain at that row
  // (linear between points; the farthest from x0 when several points share a row).
  std::size_t seg = 0;
  const int yFirst = std::max({pts[0].y, c.yLo, 0}), yLast = std::min({pts[n - 1].y, c.yHi - 1, im.height - 1});
  for (int y = yFirst; y <= yLast; ++y) {
    while (seg + 1 < n - 1 && pts[seg + 1].y < y) ++seg;
    int reach = x0;
    for (std::size_t k = seg; k + 1 < n && pts[k].y <= y; ++k) {
      const PointI a = pts[k], b = pts[k + 1];
      if (b.y < y) continue;
      int x;
      if (b.y == a.y) x = std::abs(a.x - x0) > std::abs(b.x - x0) ? a.x : b.x;
      else if (y == a.y) x = a.x;  // the formula below at its ends, without the division
      else if (y == b.y) x = b.x;
      else x = a.x + static_cast<int>(std::lround(static_cast<double>(b.x - a.x) * (y - a.y) / (b.y - a.y)));
      if (std::abs(x - x0) > std::abs(reach - x0)) reach = x;
      if (b.y > y) break;
    }
    const int lo = std::max({std::min(x0, reach), 0, c.xLo});
    const int hi = std::min({std::max(x0, reach), im.width - 1, c.xHi - 1});
    if (lo > hi) continue;
    auto* row = reinterpret_cast<std::uint32_t*>(im.bits + y * im.bytesPerLine);
    if (xr)
      for (int x = lo; x <= hi; ++x) row[x] = (row[x] ^ colour) | 0xff000000u;
    else
      std::fill(row + lo, row + hi + 1, colour);
  }
}

bool rowsNeverDecrease(const std::vector<PointI>& pts) {
  for (std::size_t i = 1; i < pts.size(); ++i)
    if (pts[i].y < pts[i - 1].y) return false;
  return true;
}

}  // namespace

// A wiggle lobe: the first and last points lie on one vertical line x0, and the
// points between run downwards (y never decreasing).
bool Raster::isLobe(const std::vector<PointI>& pts) {
  const std::size_t n = pts.size();
  if (n < 3 || pts.back().x != pts.front().x || pts.back().y < pts.front().y) return false;
  return rowsNeverDecrease(pts);
}

bool Raster::areLobes(const std::vector<PointI>& pts, const std::vector<std::uint32_t>& starts) {
  if (starts.empty() || starts[0] != 0 || !rowsNeverDecrease(pts)) return false;
  const int x0 = pts.front().x;
  for (std::size_t k = 0; k < starts.size(); ++k) {
    const std::size_t begin = starts[k], end = k + 1 < starts.size() ? starts[k + 1] : pts.size();
    if (end < begin + 3 || end > pts.size() || pts[begin].x != x0 || pts[end - 1].x != x0) return false;
  }
  return true;
}

void Raster::line(const RasterTarget& target, int x0, int y0, int x1, int y1) {
  rasterLine(target, x0, y0, x1, y1, false);
}

void Raster::polyline(const RasterTarget& target, const std::vector<PointI>& points) {
  rasterConnected(target, points.data(), points.size(), false, Clip{});
}

void Raster::fillLobe(const RasterTarget& target, const std::vector<PointI>& points) {
  fillLobeRows(target, points.data(), points.size(), Clip{});
}

void Raster::polyline(const RasterTarget& target, const PointI* points, std::size_t n, bool firstIsJoint,
                      const PixelRect& clip) {
  rasterConnected(target, points, n, false, {clip.left, clip.top, clip.right, clip.bottom}, !firstIsJoint);
}

void Raster::fillLobe(const RasterTarget& target, const PointI* points, std::size_t n, const PixelRect& clip) {
  if (n >= 3) fillLobeRows(target, points, n, {clip.left, clip.top, clip.right, clip.bottom});
}

// ---- TiledPicture ----

void TiledPicture::start(int width, int height, bool white) {
  width_ = std::max(width, 0);
  height_ = std::max(height, 0);
  cols_ = (width_ + TileWidth - 1) / TileWidth;
  rows_ = (height_ + TileHeight - 1) / TileHeight;
  tiles_.resize(static_cast<std::size_t>(cols_) * static_cast<std::size_t>(rows_));
  for (Tile& t : tiles_) {
    t.drawings.clear();
    t.done = 0;
    t.white = white;
  }
  behind_ = white ? tiles_.size() : 0;
  bandLo_.assign(static_cast<std::size_t>(rows_), width_);
  bandHi_.assign(static_cast<std::size_t>(rows_), -1);
  blank_ = white;
  drawings_.clear();
  points_.clear();
  lobeStarts_.clear();
}

void TiledPicture::startWhite(int width, int height) { start(width, height, true); }
void TiledPicture::startAsIs(int width, int height) { start(width, height, false); }

void TiledPicture::forget() {
  if (behind_ != 0) return;
  for (Tile& t : tiles_) {
    t.drawings.clear();
    t.done = 0;
  }
  drawings_.clear();
  points_.clear();
  lobeStarts_.clear();
}

PixelRect TiledPicture::tileRect(std::size_t tile) const {
  const int col = static_cast<int>(tile % static_cast<std::size_t>(cols_));
  const int row = static_cast<int>(tile / static_cast<std::size_t>(cols_));
  return {col * TileWidth, row * TileHeight, std::min((col + 1) * TileWidth, width_),
          std::min((row + 1) * TileHeight, height_)};
}

std::uint32_t TiledPicture::add(Kind kind, std::uint32_t colour, bool xorMode, const std::vector<PointI>& points) {
  blank_ = false;
  const auto begin = static_cast<std::uint32_t>(points_.size());
  points_.insert(points_.end(), points.begin(), points.end());
  drawings_.push_back({kind, xorMode, colour, begin, static_cast<std::uint32_t>(points_.size()), 0, 0});
  return static_cast<std::uint32_t>(drawings_.size() - 1);
}

// The drawing reaches tiles colLo..colHi x rowLo..rowHi (already within the grid).
void TiledPicture::assign(std::uint32_t drawing, int colLo, int colHi, int rowLo, int rowHi) {
  for (int r = rowLo; r <= rowHi; ++r)
    for (int c = colLo; c <= colHi; ++c) {
      Tile& t = tiles_[static_cast<std::size_t>(r) * static_cast<std::size_t>(cols_) + static_cast<std::size_t>(c)];
      if (!t.drawings.empty() && t.drawings.back() == drawing) continue;  // reached by another part of it
      if (!t.white && t.done == t.drawings.size()) ++behind_;
      t.drawings.push_back(drawing);
    }
}

// A connected line (or a lobe, whose rows also reach x0) goes only into the
// tiles its segments' boxes reach, band of tile rows by band: a wiggle runs
// down a narrow column of tiles, not across its whole box.
PixelRect TiledPicture::assignByBands(std::uint32_t drawing, const PointI* pts, std::size_t n, bool rowsSorted,
                                      const int* lobeX0) {
  PixelRect box{width_, height_, 0, 0};
  if (n == 0 || cols_ == 0 || rows_ == 0) return {};
  // bandLo_/bandHi_ hold width_/-1 (nothing) outside a call; the bands touched
  // here are reset at the end.
  int firstBand = rows_, lastBand = -1;
  // The x range xLo..xHi reaches rows yLo..yHi.
  auto reach = [&](int xLo, int xHi, int yLo, int yHi) {
    if (lobeX0) xLo = std::min(xLo, *lobeX0), xHi = std::max(xHi, *lobeX0);
    yLo = std::max(yLo, 0);
    yHi = std::min(yHi, height_ - 1);
    if (yLo > yHi || xHi < 0 || xLo >= width_) return;
    xLo = std::max(xLo, 0);
    xHi = std::min(xHi, width_ - 1);
    const int bLo = yLo / TileHeight, bHi = yHi / TileHeight;
    for (int band = bLo; band <= bHi; ++band) {
      auto& lo = bandLo_[static_cast<std::size_t>(band)];
      auto& hi = bandHi_[static_cast<std::size_t>(band)];
      lo = std::min(lo, xLo);
      hi = std::max(hi, xHi);
    }
    firstBand = std::min(firstBand, bLo);
    lastBand = std::max(lastBand, bHi);
    box = {std::min(box.left, xLo), std::min(box.top, yLo), std::max(box.right, xHi + 1),
           std::max(box.bottom, yHi + 1)};
  };
  if (rowsSorted) {
    // Rows never decrease (a wiggle, a lobe): the points of one band at a time,
    // with the segment that leaves it.
    std::size_t j = 0;
    while (j < n) {
      const int bandEnd = pts[j].y < 0 ? 0 : (pts[j].y / TileHeight + 1) * TileHeight;  // first row below
      int xLo = pts[j].x, xHi = pts[j].x;
      std::size_t k = j + 1;
      for (; k < n && pts[k].y < bandEnd; ++k) {
        xLo = std::min(xLo, pts[k].x);
        xHi = std::max(xHi, pts[k].x);
      }
      reach(xLo, xHi, pts[j].y, pts[k - 1].y);
      // The segment into a later band reaches the rows between as well.
      if (k < n) reach(std::min(pts[k - 1].x, pts[k].x), std::max(pts[k - 1].x, pts[k].x), pts[k - 1].y, pts[k].y);
      j = k;
    }
  } else {
    for (std::size_t j = 0; j < n; ++j) {
      const PointI a = pts[j == 0 ? 0 : j - 1], b = pts[j];
      reach(std::min(a.x, b.x), std::max(a.x, b.x), std::min(a.y, b.y), std::max(a.y, b.y));
    }
  }
  for (int band = firstBand; band <= lastBand; ++band) {
    auto& lo = bandLo_[static_cast<std::size_t>(band)];
    auto& hi = bandHi_[static_cast<std::size_t>(band)];
    if (lo <= hi) assign(drawing, lo / TileWidth, hi / TileWidth, band, band);
    lo = width_;
    hi = -1;
  }
  return box.empty() ? PixelRect{} : box;
}

PixelRect TiledPicture::line(std::uint32_t colour, bool xorMode, int x0, int y0, int x1, int y1) {
  const std::uint32_t d = add(Kind::Line, colour, xorMode, {{x0, y0}, {x1, y1}});
  return assignByBands(d, points_.data() + drawings_[d].begin, 2, y0 <= y1, nullptr);
}

PixelRect TiledPicture::polyline(std::uint32_t colour, bool xorMode, const std::vector<PointI>& points) {
  if (points.empty()) return {};
  const bool sorted = rowsNeverDecrease(points);
  const std::uint32_t d = add(sorted ? Kind::Wiggle : Kind::Polyline, colour, xorMode, points);
  return assignByBands(d, points.data(), points.size(), sorted, nullptr);
}

// The lobes of one trace come one below the other (rows never decreasing
// through all their points) from one zero line x0: they are kept as one
// drawing, and go into the tiles as one line of points would, with x0.
PixelRect TiledPicture::lobes(std::uint32_t colour, bool xorMode, const std::vector<PointI>& points,
                              const std::vector<std::uint32_t>& starts) {
  if (starts.empty() || points.empty()) return {};
  blank_ = false;
  const auto base = static_cast<std::uint32_t>(points_.size());
  const auto partsBegin = static_cast<std::uint32_t>(lobeStarts_.size());
  points_.insert(points_.end(), points.begin(), points.end());
  for (const std::uint32_t k : starts) lobeStarts_.push_back(base + k);
  drawings_.push_back({Kind::Lobes, xorMode, colour, base, static_cast<std::uint32_t>(points_.size()), partsBegin,
                       static_cast<std::uint32_t>(lobeStarts_.size())});
  const int x0 = points.front().x;
  return assignByBands(static_cast<std::uint32_t>(drawings_.size() - 1), points_.data() + base, points.size(), true,
                       &x0);
}

PixelRect TiledPicture::own(std::uint32_t id, const PixelRect& box, bool anyThread) {
  return own(id, &box, 1, anyThread);
}

PixelRect TiledPicture::own(std::uint32_t id, const PixelRect* parts, std::size_t count, bool anyThread) {
  blank_ = false;
  drawings_.push_back({anyThread ? Kind::OwnAnyThread : Kind::Own, false, 0, id, id, 0, 0});
  PixelRect all{width_, height_, 0, 0};
  for (std::size_t k = 0; k < count; ++k) {
    const PixelRect& box = parts[k];
    const int left = std::max(box.left, 0), top = std::max(box.top, 0);
    const int right = std::min(box.right, width_), bottom = std::min(box.bottom, height_);
    if (left >= right || top >= bottom) continue;
    assign(static_cast<std::uint32_t>(drawings_.size() - 1), left / TileWidth, (right - 1) / TileWidth,
           top / TileHeight, (bottom - 1) / TileHeight);
    all = {std::min(all.left, left), std::min(all.top, top), std::max(all.right, right),
           std::max(all.bottom, bottom)};
  }
  return all.empty() ? PixelRect{} : all;
}

void TiledPicture::draw(const RasterTarget& image, const Drawing& d, const PixelRect& clip,
                        const DrawOwn& own) const {
  if (d.kind == Kind::Own || d.kind == Kind::OwnAnyThread) {
    if (own) own(d.begin, clip);
    return;
  }
  RasterTarget pen = image;
  pen.colour = d.colour;
  pen.xorMode = d.xorMode;
  const Clip c{clip.left, clip.top, clip.right, clip.bottom};
  const PointI* pts = points_.data() + d.begin;
  const std::size_t n = d.end - d.begin;
  switch (d.kind) {
    case Kind::Line: rasterLine(pen, pts[0].x, pts[0].y, pts[1].x, pts[1].y, false, c); break;
    case Kind::Polyline: rasterConnected(pen, pts, n, false, c); break;
    case Kind::Wiggle: rasterConnected(pen, pts, n, true, c); break;
    case Kind::Lobes: {
      // The lobes whose rows reach the clip's: their first and last rows never
      // decrease along the group.
      const std::uint32_t* starts = lobeStarts_.data();
      auto lobeEnd = [&](std::uint32_t k) { return k + 1 < d.partsEnd ? starts[k + 1] : d.end; };
      std::uint32_t lo = d.partsBegin, hi = d.partsEnd;
      while (lo < hi) {
        const std::uint32_t mid = lo + (hi - lo) / 2;
        if (points_[lobeEnd(mid) - 1].y < c.yLo) lo = mid + 1;
        else hi = mid;
      }
      for (std::uint32_t k = lo; k < d.partsEnd && points_[starts[k]].y < c.yHi; ++k)
        fillLobeRows(pen, points_.data() + starts[k], lobeEnd(k) - starts[k], c);
      break;
    }
    case Kind::Own:
    case Kind::OwnAnyThread: break;
  }
}

// A tile's drawings not yet in the image include one of the owner's that must
// be drawn on the calling thread.
bool TiledPicture::needsCaller(std::size_t index) const {
  const Tile& t = tiles_[index];
  for (std::size_t i = t.done; i < t.drawings.size(); ++i)
    if (drawings_[t.drawings[i]].kind == Kind::Own) return true;
  return false;
}

void TiledPicture::bringTile(const RasterTarget& image, std::size_t index, const DrawOwn& own) {
  Tile& t = tiles_[index];
  const PixelRect r = tileRect(index);
  if (t.white) {
    for (int y = r.top; y < r.bottom; ++y) {
      auto* row = reinterpret_cast<std::uint32_t*>(image.bits + y * image.bytesPerLine);
      std::fill(row + r.left, row + r.right, 0xffffffffu);
    }
    t.white = false;
  }
  for (std::size_t i = t.done; i < t.drawings.size(); ++i) draw(image, drawings_[t.drawings[i]], r, own);
  t.done = static_cast<std::uint32_t>(t.drawings.size());
}

// Tiles are disjoint rows and columns of the image: many are shared with a
// worker thread, but those holding an owner's drawing for the calling thread
// stay with it. The tile records each thread touches are its own tiles'.
void TiledPicture::bringTiles(const RasterTarget& image, const std::vector<std::size_t>& list, const DrawOwn& own) {
  std::vector<std::size_t> here, anywhere;
  for (const std::size_t t : list) {
    if (!tiles_[t].white && tiles_[t].done == tiles_[t].drawings.size()) continue;
    (needsCaller(t) ? here : anywhere).push_back(t);
  }
  behind_ -= here.size() + anywhere.size();
  if (anywhere.size() < MinTilesForTwoThreads || std::thread::hardware_concurrency() < 2) {
    for (const std::size_t t : here) bringTile(image, t, own);
    for (const std::size_t t : anywhere) bringTile(image, t, own);
    return;
  }
  std::atomic<std::size_t> next{0};
  const auto share = [&] {
    for (std::size_t k; (k = next.fetch_add(1, std::memory_order_relaxed)) < anywhere.size();)
      bringTile(image, anywhere[k], own);
  };
  std::thread worker(share);
  for (const std::size_t t : here) bringTile(image, t, own);
  share();
  worker.join();
}

void TiledPicture::bringUpToDate(const RasterTarget& image, const PixelRect& area, const DrawOwn& own) {
  if (behind_ == 0) return;
  const int left = std::max(area.left, 0), top = std::max(area.top, 0);
  const int right = std::min(area.right, width_), bottom = std::min(area.bottom, height_);
  if (left >= right || top >= bottom) return;
  std::vector<std::size_t> list;
  for (int r = top / TileHeight; r <= (bottom - 1) / TileHeight; ++r)
    for (int c = left / TileWidth; c <= (right - 1) / TileWidth; ++c)
      list.push_back(static_cast<std::size_t>(r) * static_cast<std::size_t>(cols_) + static_cast<std::size_t>(c));
  bringTiles(image, list, own);
}

std::size_t TiledPicture::bringNearestUpToDate(const RasterTarget& image, const PixelRect& focus, std::size_t count,
                                               const DrawOwn& own) {
  if (behind_ == 0 || count == 0) return 0;
  // Distance in tiles from the focus (0 inside it).
  const int cLo = std::max(focus.left, 0) / TileWidth, cHi = std::max(focus.right - 1, 0) / TileWidth;
  const int rLo = std::max(focus.top, 0) / TileHeight, rHi = std::max(focus.bottom - 1, 0) / TileHeight;
  std::vector<std::pair<int, std::size_t>> behind;
  for (std::size_t i = 0; i < tiles_.size(); ++i) {
    const Tile& t = tiles_[i];
    if (!t.white && t.done == t.drawings.size()) continue;
    const int c = static_cast<int>(i % static_cast<std::size_t>(cols_));
    const int r = static_cast<int>(i / static_cast<std::size_t>(cols_));
    const int dc = c < cLo ? cLo - c : c > cHi ? c - cHi : 0;
    const int dr = r < rLo ? rLo - r : r > rHi ? r - rHi : 0;
    behind.push_back({std::max(dc, dr), i});
  }
  const std::size_t n = std::min(count, behind.size());
  std::partial_sort(behind.begin(), behind.begin() + static_cast<std::ptrdiff_t>(n), behind.end());
  std::vector<std::size_t> list(n);
  for (std::size_t k = 0; k < n; ++k) list[k] = behind[k].second;
  bringTiles(image, list, own);
  return n;
}

}  // namespace tsly
