#include "qt/ImageCanvas.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <thread>

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPalette>

namespace tsly {

ImageCanvas::ImageCanvas(QWidget* parent) : QWidget(parent) {
  setObjectName("Picture1");
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAutoFillBackground(false);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, Qt::white);  // the canvas background
  setPalette(pal);
  image_ = QImage(1, 1, QImage::Format_RGB32);
  image_.fill(Qt::white);
  setFixedSize(image_.size());
}

ImageCanvas::~ImageCanvas() { endPainting(); }

void ImageCanvas::endPainting() {
  if (painter_) {
    painter_->end();
    painter_.reset();
  }
}

QPainter& ImageCanvas::painter() {
  if (!painter_) {
    painter_ = std::make_unique<QPainter>(&image_);
    painter_->setRenderHint(QPainter::Antialiasing, false);
    painter_->setRenderHint(QPainter::TextAntialiasing, false);
    painter_->setFont(font());
    applyPen(*painter_);
  }
  return *painter_;
}

void ImageCanvas::applyPen(QPainter& p) {
  QPen pen(colour_);
  if (penWidth_ <= 1) {
    // A one-pixel pen is cosmetic: Qt draws it with its fast line rasteriser
    // instead of stroking an outline.
    pen.setWidth(0);
    pen.setCosmetic(true);
  } else {
    pen.setWidth(penWidth_);
  }
  pen.setCapStyle(Qt::FlatCap);
  pen.setJoinStyle(Qt::MiterJoin);
  p.setPen(pen);
  p.setBrush(Qt::NoBrush);
  // Every colour is opaque, so copy mode may simply replace the pixels.
  p.setCompositionMode(mode_ == PenMode::Xor ? QPainter::RasterOp_SourceXorDestination
                                             : QPainter::CompositionMode_Source);
}

void ImageCanvas::done() {
  if (!reuse_) endPainting();
  update();
}

void ImageCanvas::setFastPaths(bool on) {
  flushPending();
  fast_ = on;
}

void ImageCanvas::setPainterReuse(bool on) {
  reuse_ = on;
  if (!on) endPainting();
}

void ImageCanvas::setSize(int w, int h) {
  w = std::clamp(w, 1, MaxSide);
  h = std::clamp(h, 1, MaxSide);
  if (w == image_.width() && h == image_.height()) return;
  flushPending();
  endPainting();
  QImage next(w, h, QImage::Format_RGB32);
  if (next.isNull()) return;  // no memory for it: keep the old image
  next.fill(Qt::white);
  {
    QPainter p(&next);
    p.drawImage(0, 0, image_);
  }
  image_ = std::move(next);
  setFixedSize(w, h);
  update();
}

int ImageCanvas::width() const { return image_.width(); }
int ImageCanvas::height() const { return image_.height(); }
int ImageCanvas::logicalDpiX() const { return QWidget::logicalDpiX(); }
int ImageCanvas::logicalDpiY() const { return QWidget::logicalDpiY(); }

void ImageCanvas::clear() {
  dropPending();  // all white anyway
  endPainting();
  image_.fill(Qt::white);
  update();
}

// Drawing always goes to the image here (a widget cannot be drawn on outside its
// paint event); the flag is kept for those who save or print the picture.
void ImageCanvas::setPersistent(bool on) { persistent_ = on; }
bool ImageCanvas::persistent() const { return persistent_; }

// A new pen first draws the polylines kept with the old one.
void ImageCanvas::setPenMode(PenMode mode) {
  if (mode != mode_) flushPending();
  mode_ = mode;
  if (painter_) applyPen(*painter_);
}
void ImageCanvas::setPenWidth(int w) {
  if (w != penWidth_) flushPending();
  penWidth_ = w;
  if (painter_) applyPen(*painter_);
}
void ImageCanvas::setPenColor(Rgb c) {
  const QColor next(std::clamp(c.r, 0, 255), std::clamp(c.g, 0, 255), std::clamp(c.b, 0, 255));
  if (next != colour_) flushPending();
  colour_ = next;
  if (painter_) applyPen(*painter_);
}

void ImageCanvas::moveTo(int x, int y) { pos_ = QPoint(x, y); }

// What a run of one-pixel lines needs from the image, fetched once per
// primitive rather than once per segment.
struct DirectRaster {
  uchar* bits;
  qsizetype bpl;
  int w, h;
  QRgb c;
  bool xr;
};

namespace {

constexpr int MaxImageSide = ImageCanvas::MaxSide + 1;

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
inline void rasterRun(const DirectRaster& im, int y, int lo, int hi) {
  auto* row = reinterpret_cast<QRgb*>(im.bits + y * im.bpl);
  if (im.xr)
    for (int k = lo; k <= hi; ++k) row[k] = (row[k] ^ im.c) | 0xff000000u;
  else
    std::fill(row + lo, row + hi + 1, im.c);
}

// A mostly horizontal line (adx > ady): one run of pixels per row. Row r
// (0..ady) takes the x whose ideal y rounds to it, the same pixels Bresenham
// would choose: its last step is the largest k with 2*k*ady < (2r+1)*adx
// (k <= adx), that is floor(((2r+1)*adx - 1) / (2*ady)), kept here as a running
// quotient and remainder so that a row costs no division.
void rasterShallow(const DirectRaster& im, int x0, int y0, int x1, int y1, bool skipFirst, int yLo, int yHi) {
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
void rasterLine(const DirectRaster& im, int x0, int y0, int x1, int y1, bool skipFirst, int yLo = 0,
                int yHi = MaxImageSide) {
  const bool inside =
      x0 >= 0 && x0 < im.w && y0 >= 0 && y0 < im.h && x1 >= 0 && x1 < im.w && y1 >= 0 && y1 < im.h;
  if (!inside && !clipToImage(im.w, im.h, x0, y0, x1, y1, skipFirst)) return;
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

}  // namespace

namespace {

// A wiggle lobe: the first and last points lie on one vertical line x0, and the
// points between run downwards (y never decreasing).
bool isLobe(const std::vector<PointI>& pts) {
  const std::size_t n = pts.size();
  if (n < 3 || pts.back().x != pts.front().x || pts.back().y < pts.front().y) return false;
  for (std::size_t i = 1; i < n; ++i)
    if (pts[i].y < pts[i - 1].y) return false;
  return true;
}

// Fills a lobe's rows yLo <= y < yHi: each row between the first and last y
// from x0 to the chain's x at that row (the chain's own pixels are the wiggle
// line).
void fillLobeRows(const DirectRaster& im, const PointI* pts, std::size_t n, int yLo, int yHi) {
  const int x0 = pts[0].x;
  const int w = im.w;
  const QRgb c = im.c;
  const bool xr = im.xr;
  // Walk the chain pts[0..n-1]; for each row take the x of the chain at that row
  // (linear between points; the farthest from x0 when several points share a row).
  std::size_t seg = 0;
  const int yFirst = std::max({pts[0].y, yLo, 0}), yLast = std::min({pts[n - 1].y, yHi - 1, im.h - 1});
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
    auto* row = reinterpret_cast<QRgb*>(im.bits + y * im.bpl);
    for (int x = lo; x <= hi; ++x) row[x] = xr ? (row[x] ^ c) | 0xff000000u : c;
  }
}

}  // namespace

DirectRaster ImageCanvas::raster() {
  return {image_.bits(), image_.bytesPerLine(), image_.width(), image_.height(),
          (colour_.rgb() & 0xffffffu) | 0xff000000u, mode_ == PenMode::Xor};
}

void ImageCanvas::lineTo(int x, int y) {
  if (fast_ && penWidth_ <= 1) {
    rasterLine(raster(), pos_.x(), pos_.y(), x, y, false);
  } else {
    painter().drawLine(pos_, QPoint(x, y));
  }
  pos_ = QPoint(x, y);
  done();
}

void ImageCanvas::polyline(const std::vector<PointI>& points) {
  if (points.empty()) return;
  if (fast_ && penWidth_ <= 1) {
    if (defer(points)) {
      pos_ = QPoint(points.back().x, points.back().y);
      done();
      return;
    }
    const DirectRaster im = raster();
    rasterLine(im, points[0].x, points[0].y, points[0].x, points[0].y, false);
    for (std::size_t i = 1; i < points.size(); ++i)
      rasterLine(im, points[i - 1].x, points[i - 1].y, points[i].x, points[i].y, true);
    pos_ = QPoint(points.back().x, points.back().y);
    done();
    return;
  }
  scratch_.resize(static_cast<int>(points.size()));
  for (std::size_t i = 0; i < points.size(); ++i) scratch_[static_cast<int>(i)] = QPoint(points[i].x, points[i].y);
  painter().drawPolyline(scratch_);
  pos_ = scratch_.last();
  done();
}

// A polyline inside the image whose rows never decrease (a wiggle trace) is
// kept to be drawn later with the others, band by band: drawn one trace at a
// time, every sample falls on another image row, and so on another page of
// memory; a band of rows across all traces stays within a few hundred pages.
// While the pen stays the same, the order of drawing does not change a pixel
// (copy mode sets each pixel to the pen colour, XOR flips it once per line
// through it), so anything else may be drawn meanwhile.
bool ImageCanvas::defer(const std::vector<PointI>& points) {
  if (points.size() < 2) return false;
  const int w = image_.width(), h = image_.height();
  int prevY = points.front().y;
  for (const PointI& p : points) {
    if (p.x < 0 || p.x >= w || p.y < prevY || p.y >= h) return false;
    prevY = p.y;
  }
  if (points.front().y < 0) return false;
  const auto begin = static_cast<std::uint32_t>(pendingPoints_.size());
  pendingPoints_.insert(pendingPoints_.end(), points.begin(), points.end());
  pendingLines_.push_back({begin, static_cast<std::uint32_t>(pendingPoints_.size())});
  return true;
}

void ImageCanvas::dropPending() {
  pendingPoints_.clear();
  pendingLines_.clear();
  pendingLobePoints_.clear();
  pendingLobes_.clear();
}

// Draws the kept polylines in bands of rows; with many of them the bands are
// shared between this thread and one worker (alternate bands: disjoint rows).
void ImageCanvas::flushPending() {
  if (pendingLines_.empty() && pendingLobes_.empty()) return;
  const DirectRaster im = raster();
  const std::vector<PointI>& pts = pendingPoints_;
  const std::vector<PendingLine>& lines = pendingLines_;
  constexpr int Band = 32;
  const int bands = (im.h + Band - 1) / Band;
  // The lobes by band: each listed in every band its rows reach.
  std::vector<std::uint32_t> lobeStart(static_cast<std::size_t>(bands) + 1, 0), lobeIndex;
  auto bandRange = [&](const PendingLine& l, int& first, int& last) {
    first = std::max(pendingLobePoints_[l.begin].y, 0) / Band;
    last = std::min(pendingLobePoints_[l.end - 1].y, im.h - 1) / Band;
    return pendingLobePoints_[l.end - 1].y >= 0 && pendingLobePoints_[l.begin].y < im.h;
  };
  for (const PendingLine& l : pendingLobes_) {
    int first = 0, last = 0;
    if (bandRange(l, first, last))
      for (int b = first; b <= last; ++b) ++lobeStart[static_cast<std::size_t>(b) + 1];
  }
  for (int b = 0; b < bands; ++b) lobeStart[static_cast<std::size_t>(b) + 1] += lobeStart[static_cast<std::size_t>(b)];
  lobeIndex.resize(lobeStart.back());
  {
    std::vector<std::uint32_t> fillAt(lobeStart.begin(), lobeStart.end() - 1);
    for (std::size_t i = 0; i < pendingLobes_.size(); ++i) {
      int first = 0, last = 0;
      if (bandRange(pendingLobes_[i], first, last))
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
        const PendingLine& l = pendingLobes_[lobeIndex[i]];
        fillLobeRows(im, pendingLobePoints_.data() + l.begin, l.end - l.begin, yLo, yHi);
      }
    }
  };
  if (pts.size() + pendingLobePoints_.size() >= 20000 && bands >= 2 && std::thread::hardware_concurrency() >= 2) {
    std::thread worker(drawBands, 1, 2);
    drawBands(0, 2);
    worker.join();
  } else {
    drawBands(0, 1);
  }
  dropPending();
}

void ImageCanvas::fillPolygon(const std::vector<PointI>& points) {
  if (points.size() < 3) return;
  if (fast_ && mode_ == PenMode::Copy && isLobe(points)) {
    // Kept and filled with the wiggles, band by band (see defer()).
    const auto begin = static_cast<std::uint32_t>(pendingLobePoints_.size());
    pendingLobePoints_.insert(pendingLobePoints_.end(), points.begin(), points.end());
    pendingLobes_.push_back({begin, static_cast<std::uint32_t>(pendingLobePoints_.size())});
    done();
    return;
  }
  scratch_.resize(static_cast<int>(points.size()));
  for (std::size_t i = 0; i < points.size(); ++i) scratch_[static_cast<int>(i)] = QPoint(points[i].x, points[i].y);
  QPainter& p = painter();
  // The outline is the wiggle line itself; only the inside is filled here.
  const QPen pen = p.pen();
  p.setPen(Qt::NoPen);
  p.setBrush(colour_);
  p.drawPolygon(scratch_);
  p.setBrush(Qt::NoBrush);
  p.setPen(pen);
  done();
}

void ImageCanvas::textOut(int x, int y, const std::string& text) {
  QPainter& p = painter();
  const QFontMetrics fm(p.font());
  p.drawText(QPoint(x, y + fm.ascent()), QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())));
  done();
}

int ImageCanvas::textWidth(const std::string& text) const {
  return QFontMetrics(font()).horizontalAdvance(QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())));
}

int ImageCanvas::textHeight(const std::string&) const { return QFontMetrics(font()).height(); }

const QImage& ImageCanvas::image() {
  flushPending();
  endPainting();
  return image_;
}

void ImageCanvas::paintEvent(QPaintEvent* event) {
  flushPending();
  endPainting();
  QPainter p(this);
  p.drawImage(event->rect(), image_, event->rect());
}

void ImageCanvas::mousePressEvent(QMouseEvent* event) {
  const QPointF at = event->position();
  emit pressed(static_cast<int>(event->button()), static_cast<int>(event->modifiers()), at.x(), at.y());
  event->accept();
}

}  // namespace tsly
