#include "qt/ImageCanvas.h"

#include <algorithm>

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
  raster_.drop();  // all white anyway
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

RasterTarget ImageCanvas::target() {
  return {image_.bits(), image_.bytesPerLine(), image_.width(), image_.height(),
          (colour_.rgb() & 0xffffffu) | 0xff000000u, mode_ == PenMode::Xor};
}

void ImageCanvas::lineTo(int x, int y) {
  if (fast_ && penWidth_ <= 1) {
    Raster::line(target(), pos_.x(), pos_.y(), x, y);
  } else {
    painter().drawLine(pos_, QPoint(x, y));
  }
  pos_ = QPoint(x, y);
  done();
}

// A wiggle is kept and drawn with the others, band by band (see platform/Raster.h).
void ImageCanvas::polyline(const std::vector<PointI>& points) {
  if (points.empty()) return;
  if (fast_ && penWidth_ <= 1) {
    if (!raster_.keepWiggle(points, image_.width(), image_.height())) Raster::polyline(target(), points);
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

void ImageCanvas::flushPending() {
  if (raster_.holdsAny()) raster_.flush(target());
}

void ImageCanvas::fillPolygon(const std::vector<PointI>& points) {
  if (points.size() < 3) return;
  if (fast_ && mode_ == PenMode::Copy && Raster::isLobe(points)) {
    raster_.keepLobe(points);  // filled with the wiggles, band by band
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
