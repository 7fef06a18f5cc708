#include "qt/ImageCanvas.h"

#include <algorithm>

#include <QElapsedTimer>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPalette>

namespace tsly {

namespace {

// Idle time begins this long after the last drawing (a redraw draws all the
// time, and Next pressed again soon clears the canvas anyway) ...
constexpr qint64 QuietMs = 50;
// ... and one turn of idle drawing stays this short, so the program still
// answers at once.
constexpr qint64 IdleTurnNs = 4'000'000;
// Tiles brought up to date between two looks at the clock.
constexpr std::size_t IdleTilesPerLook = 32;

PixelRect pixelRect(const QRect& r) { return {r.left(), r.top(), r.right() + 1, r.bottom() + 1}; }

}  // namespace

ImageCanvas::ImageCanvas(QWidget* parent) : QWidget(parent) {
  setObjectName("Picture1");
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAutoFillBackground(false);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, Qt::white);  // the canvas background
  setPalette(pal);
  image_ = QImage(1, 1, QImage::Format_RGB32);
  picture_.startWhite(1, 1);
  setFixedSize(image_.size());
  idle_.setSingleShot(true);
  sinceDrawn_.start();
  connect(&idle_, &QTimer::timeout, this, [this] { drawWhenIdle(); });
}

ImageCanvas::~ImageCanvas() { endPainting(); }

void ImageCanvas::forgetOwn() {
  own_.clear();
  wiggles_.clear();
  wigglePool_.clear();
}

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
  }
  return *painter_;
}

void ImageCanvas::applyPen(QPainter& p, PenMode mode, int width, const QColor& colour) {
  QPen pen(colour);
  if (width <= 1) {
    // A one-pixel pen is cosmetic: Qt draws it with its fast line rasteriser
    // instead of stroking an outline.
    pen.setWidth(0);
    pen.setCosmetic(true);
  } else {
    pen.setWidth(width);
  }
  pen.setCapStyle(Qt::FlatCap);
  pen.setJoinStyle(Qt::MiterJoin);
  p.setPen(pen);
  p.setBrush(Qt::NoBrush);
  // Every colour is opaque, so copy mode may simply replace the pixels.
  p.setCompositionMode(mode == PenMode::Xor ? QPainter::RasterOp_SourceXorDestination
                                            : QPainter::CompositionMode_Source);
}

void ImageCanvas::done() {
  if (!reuse_) endPainting();
  update();
}

// Asks for a repaint of what the drawing touched: a redraw then repaints each
// panel's part of the viewport as it comes, not the whole viewport each time.
void ImageCanvas::recorded(const PixelRect& box) {
  sinceDrawn_.start();
  if (!box.empty()) {
    PixelRect& a = repaintAsked_;
    if (a.empty()) {
      a = box;
      update(QRect(a.left, a.top, a.right - a.left, a.bottom - a.top));
    } else if (box.left < a.left || box.top < a.top || box.right > a.right || box.bottom > a.bottom) {
      a = {std::min(a.left, box.left), std::min(a.top, box.top), std::max(a.right, box.right),
           std::max(a.bottom, box.bottom)};
      update(QRect(a.left, a.top, a.right - a.left, a.bottom - a.top));
    }
  }
  if (!idleAsked_) {
    idleAsked_ = true;
    idle_.start(QuietMs);
  }
}

void ImageCanvas::setFastPaths(bool on) {
  bringUpToDate(QRect());
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
  QImage next(w, h, QImage::Format_RGB32);
  if (next.isNull()) return;  // no memory for it: keep the old image
  if (picture_.blank() && fast_) {
    // Nothing drawn since the last clear: the new image is white as well, tile
    // by tile when shown.
    endPainting();
    image_ = std::move(next);
    picture_.startWhite(w, h);
  } else {
    bringUpToDate(QRect());
    endPainting();
    next.fill(Qt::white);
    {
      QPainter p(&next);
      p.drawImage(0, 0, image_);
    }
    image_ = std::move(next);
    picture_.startAsIs(w, h);
  }
  forgetOwn();
  setFixedSize(w, h);
  update();
}

int ImageCanvas::width() const { return image_.width(); }
int ImageCanvas::height() const { return image_.height(); }
int ImageCanvas::logicalDpiX() const { return QWidget::logicalDpiX(); }
int ImageCanvas::logicalDpiY() const { return QWidget::logicalDpiY(); }

void ImageCanvas::clear() {
  endPainting();
  forgetOwn();
  if (fast_) {
    picture_.startWhite(image_.width(), image_.height());  // whitened tile by tile
    recorded({0, 0, image_.width(), image_.height()});
    return;
  }
  image_.fill(Qt::white);
  picture_.startAsIs(image_.width(), image_.height());
  update();
}

// Drawing always goes to the image here (a widget cannot be drawn on outside its
// paint event); the flag is kept for those who save or print the picture.
void ImageCanvas::setPersistent(bool on) { persistent_ = on; }
bool ImageCanvas::persistent() const { return persistent_; }

void ImageCanvas::setPenMode(PenMode mode) { mode_ = mode; }
void ImageCanvas::setPenWidth(int w) { penWidth_ = w; }
void ImageCanvas::setPenColor(Rgb c) {
  colour_ = QColor(std::clamp(c.r, 0, 255), std::clamp(c.g, 0, 255), std::clamp(c.b, 0, 255));
}

void ImageCanvas::moveTo(int x, int y) { pos_ = QPoint(x, y); }

void ImageCanvas::paintOwn(QPainter& p, const OwnDrawing& d) {
  applyPen(p, d.mode, d.penWidth, d.colour);
  switch (d.kind) {
    case OwnDrawing::Kind::Line: p.drawLine(d.points[0], d.points[1]); break;
    case OwnDrawing::Kind::Polyline: p.drawPolyline(d.points); break;
    case OwnDrawing::Kind::Polygon:
      // The outline is the wiggle line itself; only the inside is filled here.
      p.setPen(Qt::NoPen);
      p.setBrush(d.colour);
      p.drawPolygon(d.points);
      break;
    case OwnDrawing::Kind::Text: p.drawText(d.points[0], d.text); break;
    case OwnDrawing::Kind::Wiggle: break;  // drawn by the raster (paintWiggle)
  }
}

// Fast: kept for the tiles `box` reaches; otherwise drawn at once.
void ImageCanvas::drawOwn(OwnDrawing d, const QRect& box) {
  if (!fast_) {
    paintOwn(painter(), d);
    done();
    return;
  }
  own_.push_back(std::move(d));
  recorded(picture_.own(static_cast<std::uint32_t>(own_.size() - 1), pixelRect(box)));
}

void ImageCanvas::lineTo(int x, int y) {
  if (fast_ && penWidth_ <= 1) {
    recorded(picture_.line(penColour(), mode_ == PenMode::Xor, pos_.x(), pos_.y(), x, y));
  } else {
    const int w = std::max(penWidth_, 1) + 1;
    drawOwn({OwnDrawing::Kind::Line, mode_, penWidth_, colour_, QPolygon({pos_, QPoint(x, y)}), {}},
            QRect(pos_, QPoint(x, y)).normalized().adjusted(-w, -w, w, w));
  }
  pos_ = QPoint(x, y);
}

void ImageCanvas::polyline(const std::vector<PointI>& points) {
  if (points.empty()) return;
  pos_ = QPoint(points.back().x, points.back().y);
  if (fast_ && penWidth_ <= 1) {
    recorded(picture_.polyline(penColour(), mode_ == PenMode::Xor, points));
    return;
  }
  QPolygon poly(static_cast<int>(points.size()));
  for (std::size_t i = 0; i < points.size(); ++i) poly[static_cast<int>(i)] = QPoint(points[i].x, points[i].y);
  const int w = std::max(penWidth_, 1) + 1;
  const QRect box = poly.boundingRect().adjusted(-w, -w, w, w);
  drawOwn({OwnDrawing::Kind::Polyline, mode_, penWidth_, colour_, std::move(poly), {}}, box);
}

void ImageCanvas::fillPolygon(const std::vector<PointI>& points) {
  if (points.size() < 3) return;
  if (fast_ && mode_ == PenMode::Copy && Raster::isLobe(points)) {
    static const std::vector<std::uint32_t> one{0};
    recorded(picture_.lobes(penColour(), false, points, one));
    return;
  }
  QPolygon poly(static_cast<int>(points.size()));
  for (std::size_t i = 0; i < points.size(); ++i) poly[static_cast<int>(i)] = QPoint(points[i].x, points[i].y);
  const QRect box = poly.boundingRect().adjusted(-1, -1, 1, 1);
  drawOwn({OwnDrawing::Kind::Polygon, mode_, penWidth_, colour_, std::move(poly), {}}, box);
}

bool ImageCanvas::keepWiggle(const float* samples, std::int32_t count, std::int32_t x, std::int32_t top,
                             double rowsPerSample, bool fill) {
  // Only what the raster draws (the one-pixel copy pen; every lobe a lobe,
  // which finite samples guarantee), and only on the fast paths.
  if (!fast_ || mode_ != PenMode::Copy || penWidth_ > 1 || count < 2) return false;
  const WiggleGeometry g(samples, count, x, top, rowsPerSample);
  // Where the trace reaches, band of tile rows by band: a wiggle strays far
  // from its zero line only here and there. In the rows of a band lie the
  // points of the segments that reach them; the lobes reach from x.
  parts_.clear();
  const int firstRow = g.row(0), lastRow = g.row(count - 1);
  for (int bandTop = firstRow; bandTop <= lastRow;) {
    const int bandBottom =
        std::min(lastRow + 1, (bandTop >= 0 ? bandTop / TiledPicture::TileHeight + 1 : 0) * TiledPicture::TileHeight);
    const std::int32_t from = std::max<std::int32_t>(0, g.firstAtRow(bandTop) - 1);
    const std::int32_t to = std::min(count - 1, g.firstAtRow(bandBottom));
    int lowest = 0, highest = 0;
    if (!deflectionRange(samples + from, to - from + 1, lowest, highest)) return false;
    parts_.push_back({x + std::min(lowest, 0), bandTop, x + std::max(highest, 0) + 1, bandBottom});
    bandTop = std::max(bandBottom, bandTop + 1);
  }
  wiggles_.push_back({wigglePool_.size(), count, x, top, rowsPerSample, fill, penColour()});
  wigglePool_.insert(wigglePool_.end(), samples, samples + count);
  OwnDrawing d{OwnDrawing::Kind::Wiggle, mode_, penWidth_, colour_, {}, {}, wiggles_.size() - 1};
  own_.push_back(std::move(d));
  std::vector<PointI> last;
  g.appendPoints(count - 1, count, last);
  pos_ = QPoint(last[0].x, last[0].y);
  // Drawn by the raster alone: on any thread.
  recorded(picture_.own(static_cast<std::uint32_t>(own_.size() - 1), parts_.data(), parts_.size(), true));
  return true;
}

// The part of a kept trace within a tile: the line's first point, the
// segments whose rows reach the tile's, and the lobes that do; the points
// made here are the ones rapidpaint makes.
void ImageCanvas::paintWiggle(const KeptWiggle& w, const PixelRect& clip) {
  // Tiles may be written on two threads: each has its points here. Grown, never
  // shrunk, so that making points costs no clearing of them.
  thread_local std::vector<PointI> pts;
  auto room = [](std::size_t n) {
    if (pts.size() < n) pts.resize(std::max(n, 2 * pts.size()));
    return pts.data();
  };
  const float* s = wigglePool_.data() + w.first;
  const WiggleGeometry g(s, w.count, w.x, w.top, w.rowsPerSample);
  RasterTarget pen = target_;
  pen.colour = w.colour;
  pen.xorMode = false;
  const std::int32_t n = w.count;
  g.points(0, 1, room(1));
  Raster::polyline(pen, pts.data(), 1, false, clip);
  // Segment i runs from point i-1 to point i; the first that reaches the top row,
  // up to the last that starts above the bottom one.
  const std::int32_t from = std::max<std::int32_t>(1, g.firstAtRow(clip.top));
  const std::int32_t to = std::min(n, g.firstAtRow(clip.bottom) + 1);
  if (from < to) {
    const auto count = static_cast<std::size_t>(to - from + 1);
    g.points(from - 1, to, room(count));
    Raster::polyline(pen, pts.data(), count, true, clip);
  }
  if (!w.fill) return;
  // The lobes: from the run of positive samples that holds the sample before
  // the tile's first row (a lobe may begin far above), to the first lobe that
  // begins below the tile.
  std::int32_t k = std::max<std::int32_t>(0, g.firstAtRow(clip.top) - 1);
  while (k > 0 && s[k] > 0.0f && s[k - 1] > 0.0f) --k;
  while (k < n) {
    if (!(s[k] > 0.0f)) {
      ++k;
      continue;
    }
    std::int32_t j = k;
    while (j < n && s[j] > 0.0f) ++j;
    const int startRow = g.lobeStartRow(k);
    if (startRow >= clip.bottom) break;
    PointI* lobe = room(static_cast<std::size_t>(j - k) + 2);
    lobe[0] = {w.x, startRow};
    g.points(k, j, lobe + 1);
    lobe[j - k + 1] = {w.x, g.lobeEndRow(j)};
    Raster::fillLobe(pen, lobe, static_cast<std::size_t>(j - k) + 2, clip);
    k = j;
  }
}

// A trace's lobes are filled by the raster as one drawing.
void ImageCanvas::fillLobes(const std::vector<PointI>& points, const std::vector<std::uint32_t>& starts) {
  if (fast_ && mode_ == PenMode::Copy && Raster::areLobes(points, starts)) {
    recorded(picture_.lobes(penColour(), false, points, starts));
    return;
  }
  Canvas::fillLobes(points, starts);
}

// Labels repeat from trace to trace and redraw to redraw: their measures are
// kept (for the canvas font; a new font starts afresh).
const ImageCanvas::TextMeasure& ImageCanvas::measure(const std::string& text) const {
  if (measuredFont_ != font()) {
    measures_.clear();
    measuredFont_ = font();
  }
  auto it = measures_.find(text);
  if (it == measures_.end()) {
    const QString s = QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
    const QFontMetrics fm(measuredFont_);
    const int advance = fm.horizontalAdvance(s);
    // The glyphs' own box and the advance box from the top-left corner, with a
    // pixel or two to spare.
    const QRect box = (fm.boundingRect(s).translated(0, fm.ascent()) | QRect(0, 0, advance, fm.height()))
                          .adjusted(-2, -2, 2, 2);
    it = measures_.emplace(text, TextMeasure{s, advance, fm.ascent(), fm.height(), box}).first;
  }
  return it->second;
}

void ImageCanvas::textOut(int x, int y, const std::string& text) {
  const TextMeasure& m = measure(text);
  drawOwn({OwnDrawing::Kind::Text, mode_, penWidth_, colour_, QPolygon({QPoint(x, y + m.ascent)}), m.text},
          m.box.translated(x, y));
}

int ImageCanvas::textWidth(const std::string& text) const { return measure(text).advance; }

int ImageCanvas::textHeight(const std::string& text) const { return measure(text).height; }

// Draws a kept drawing of its own within a tile (the painter opens on the
// image after pixels() has made it the canvas's own).
TiledPicture::DrawOwn ImageCanvas::ownDrawer() {
  return [this](std::uint32_t id, const PixelRect& clip) {
    const OwnDrawing& d = own_[id];
    if (d.kind == OwnDrawing::Kind::Wiggle) {
      paintWiggle(wiggles_[d.wiggle], clip);
      return;
    }
    QPainter& p = painter();
    p.setClipRect(QRect(clip.left, clip.top, clip.right - clip.left, clip.bottom - clip.top));
    paintOwn(p, d);
  };
}

RasterTarget ImageCanvas::pixels() {
  endPainting();  // bits() may copy a shared image: no painter may hold the old one
  return {image_.bits(), image_.bytesPerLine(), image_.width(), image_.height(), 0xff000000u, false};
}

void ImageCanvas::bringUpToDate(const QRect& area) {
  if (picture_.upToDate()) return;
  const RasterTarget target = target_ = pixels();
  const PixelRect r = area.isNull() ? PixelRect{0, 0, image_.width(), image_.height()} : pixelRect(area);
  picture_.bringUpToDate(target, r, ownDrawer());
  endPainting();
  if (picture_.upToDate()) {
    picture_.forget();
    forgetOwn();
  }
}

// A turn of idle time: once nothing has been drawn for a while, the tiles
// nearest the visible part are brought up to date, a few milliseconds at a
// time, until the image holds everything.
void ImageCanvas::drawWhenIdle() {
  idleAsked_ = false;
  if (picture_.upToDate()) return;
  const qint64 quiet = sinceDrawn_.elapsed();
  if (quiet < QuietMs) {
    idleAsked_ = true;
    idle_.start(static_cast<int>(QuietMs - quiet));
    return;
  }
  QElapsedTimer clock;
  clock.start();
  const QRect seen = visibleRegion().boundingRect();
  const PixelRect focus = seen.isEmpty() ? PixelRect{0, 0, 1, 1} : pixelRect(seen);
  const RasterTarget target = target_ = pixels();
  const TiledPicture::DrawOwn drawOwn = ownDrawer();
  while (!picture_.upToDate() && clock.nsecsElapsed() < IdleTurnNs)
    picture_.bringNearestUpToDate(target, focus, IdleTilesPerLook, drawOwn);
  endPainting();
  if (picture_.upToDate()) {
    picture_.forget();
    forgetOwn();
  } else {
    idleAsked_ = true;
    idle_.start(0);
  }
}

const QImage& ImageCanvas::image() {
  bringUpToDate(QRect());
  endPainting();
  return image_;
}

void ImageCanvas::paintEvent(QPaintEvent* event) {
  repaintAsked_ = {};
  bringUpToDate(event->rect());
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
