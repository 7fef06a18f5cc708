// The drawing canvas Picture1: a widget that keeps a persistent QImage, draws
// every primitive into it and paints it in paintEvent. Implements Canvas.
//
// Pen modes: copy, and XOR (QPainter::RasterOp_SourceXorDestination), so that a
// line drawn twice in XOR mode leaves the image as it was. Lines and text are
// aliased (no antialiasing), so XOR erasing is exact.
//
// One-pixel lines and polylines (the wiggles, timing lines, ticks) and the
// wiggle lobes are drawn straight into the image's memory by the raster
// (platform/Raster.h), which keeps wiggles and lobes to draw them together;
// what it keeps is drawn when the pen changes or the image is shown, resized
// or handed out. Everything else (wide lines, other polygons, text) goes
// through a QPainter that stays open on the image between calls and is closed
// before the image is shown, resized or handed out. setFastPaths(false) and
// setPainterReuse(false) turn these off (slower; kept to compare in the
// benchmark and to check the fast paths).
#pragma once

#include <memory>
#include <vector>

#include <QImage>
#include <QPolygon>
#include <QWidget>

#include "platform/Canvas.h"
#include "platform/Raster.h"

class QPainter;

namespace tsly {

class ImageCanvas : public QWidget, public Canvas {
  Q_OBJECT
 public:
  // Largest side accepted, in pixels (a pixel coordinate is a 16-bit value).
  static constexpr int MaxSide = Raster::MaxSide;

  explicit ImageCanvas(QWidget* parent = nullptr);
  ~ImageCanvas() override;

  void setSize(int width, int height) override;
  int width() const override;
  int height() const override;
  int logicalDpiX() const override;
  int logicalDpiY() const override;
  void clear() override;
  void setPersistent(bool on) override;
  bool persistent() const override;
  void setPenMode(PenMode mode) override;
  void setPenWidth(int width) override;
  void setPenColor(Rgb color) override;
  void moveTo(int x, int y) override;
  void lineTo(int x, int y) override;
  void polyline(const std::vector<PointI>& points) override;
  void fillPolygon(const std::vector<PointI>& points) override;
  void textOut(int x, int y, const std::string& text) override;
  int textWidth(const std::string& text) const override;
  int textHeight(const std::string& text) const override;

  // The persistent image with all drawing so far (for saving, printing, tests).
  const QImage& image();
  void setPainterReuse(bool on);
  void setFastPaths(bool on);

 signals:
  // A mouse press at (x, y) canvas pixels: button and keyboard modifiers as Qt gives them.
  void pressed(int button, int modifiers, double x, double y);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  QPainter& painter();
  void applyPen(QPainter& p);
  void done();  // after each primitive: close the per-call painter, schedule a repaint
  void endPainting();
  RasterTarget target();  // the image's memory and the pen, for the raster
  void flushPending();    // draws what the raster keeps

  Raster raster_;
  QImage image_;
  std::unique_ptr<QPainter> painter_;
  bool reuse_ = true;
  bool fast_ = true;
  bool persistent_ = false;
  PenMode mode_ = PenMode::Copy;
  int penWidth_ = 1;
  QColor colour_{0, 0, 0};
  QPoint pos_;
  QPolygon scratch_;
};

}  // namespace tsly
