// The drawing canvas Picture1: a widget that keeps a persistent QImage, draws
// every primitive into it and paints it in paintEvent. Implements Canvas.
//
// Pen modes: copy, and XOR (QPainter::RasterOp_SourceXorDestination), so that a
// line drawn twice in XOR mode leaves the image as it was. Lines and text are
// aliased (no antialiasing), so XOR erasing is exact.
//
// What is drawn is recorded in order, tile by tile (platform/Raster.h,
// TiledPicture), and written into the image when its tile is shown (paint
// events bring the tiles they expose up to date first), when the image is
// handed out (image()) or resized, or bit by bit when the program is idle
// (nothing drawn for a moment), the tiles nearest the visible part first. A
// redraw thus writes the pixels of the part on screen and leaves the rest for
// idle time; a part scrolled into view is brought up to date before it is
// painted, so no undrawn part is ever shown. Clearing only marks the tiles to
// be whitened. Whole wiggle traces are kept as their samples (WiggleKeeper)
// and their points made only for the tiles written; one-pixel lines,
// polylines and the wiggle lobes are rasterised by the raster itself;
// everything else (wide lines, other polygons, text) is kept here and drawn
// through a QPainter clipped to the tile.
//
// setFastPaths(false) draws every primitive at once through a QPainter (kept
// open between calls, or opened per call with setPainterReuse(false)): the
// simple ways, kept to compare in the benchmark and to check the fast ones.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include <QElapsedTimer>
#include <QFont>
#include <QImage>
#include <QPolygon>
#include <QString>
#include <QTimer>
#include <QWidget>

#include "platform/Canvas.h"
#include "platform/Raster.h"
#include "shared/Paint.h"

class QPainter;

namespace tsly {

class ImageCanvas : public QWidget, public Canvas, public WiggleKeeper {
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
  void fillLobes(const std::vector<PointI>& points, const std::vector<std::uint32_t>& starts) override;
  void textOut(int x, int y, const std::string& text) override;
  int textWidth(const std::string& text) const override;
  int textHeight(const std::string& text) const override;
  // WiggleKeeper: a trace drawn with the one-pixel copy pen is kept whole and
  // its points made only for the tiles brought up to date.
  bool keepWiggle(const float* samples, std::int32_t count, std::int32_t x, std::int32_t top, double rowsPerSample,
                  bool fill) override;

  // The persistent image with all drawing so far (for saving, printing, tests).
  const QImage& image();
  // True when the image holds every drawing so far (nothing left for idle time).
  bool complete() const { return picture_.upToDate(); }
  void setPainterReuse(bool on);
  void setFastPaths(bool on);

 signals:
  // A mouse press at (x, y) canvas pixels: button and keyboard modifiers as Qt gives them.
  void pressed(int button, int modifiers, double x, double y);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  // A drawing the raster does not do itself, with the pen it was drawn with.
  struct OwnDrawing {
    enum class Kind { Line, Polyline, Polygon, Text, Wiggle } kind;
    PenMode mode;
    int penWidth;
    QColor colour;
    QPolygon points;  // Line: its two ends; Text: the baseline's start
    QString text;
    std::size_t wiggle = 0;  // Wiggle: its index in wiggles_
  };
  // A trace kept whole: its deflections in wigglePool_ and how rapidpaint places them.
  struct KeptWiggle {
    std::size_t first;
    std::int32_t count, x, top;
    double rowsPerSample;
    bool fill;
    std::uint32_t colour;
  };

  // A text's measures in the canvas font: from its top-left corner, where
  // its glyphs may reach.
  struct TextMeasure {
    QString text;
    int advance, ascent, height;
    QRect box;
  };
  const TextMeasure& measure(const std::string& text) const;

  QPainter& painter();
  void applyPen(QPainter& p, PenMode mode, int width, const QColor& colour);
  void done();  // after each primitive: close the per-call painter, schedule a repaint
  void endPainting();
  void forgetOwn();  // every drawing of its own, when the image holds them all
  // After a drawing was recorded that touches `box`.
  void recorded(const PixelRect& box);
  void drawOwn(OwnDrawing d, const QRect& box);
  void paintOwn(QPainter& p, const OwnDrawing& d);
  void paintWiggle(const KeptWiggle& w, const PixelRect& clip);
  // The image's memory for the raster (no painter may be open on it).
  RasterTarget pixels();
  TiledPicture::DrawOwn ownDrawer();
  // Brings the tiles meeting `area` up to date (every tile for a null rect).
  void bringUpToDate(const QRect& area);
  void drawWhenIdle();
  std::uint32_t penColour() const { return (colour_.rgb() & 0xffffffu) | 0xff000000u; }

  QImage image_;
  TiledPicture picture_;
  std::vector<OwnDrawing> own_;  // by the id given to the picture
  std::vector<KeptWiggle> wiggles_;
  std::vector<float> wigglePool_;
  std::vector<PixelRect> parts_; // where a wiggle being kept reaches
  RasterTarget target_;          // the image's memory while tiles are brought up to date
  std::unique_ptr<QPainter> painter_;
  QTimer idle_;
  QElapsedTimer sinceDrawn_;       // since the last drawing or clear
  mutable std::unordered_map<std::string, TextMeasure> measures_;
  mutable QFont measuredFont_;
  PixelRect repaintAsked_;         // asked to be repainted since the last paint
  bool idleAsked_ = false;         // an idle turn is due
  bool reuse_ = true;
  bool fast_ = true;
  bool persistent_ = false;
  PenMode mode_ = PenMode::Copy;
  int penWidth_ = 1;
  QColor colour_{0, 0, 0};
  QPoint pos_;
};

}  // namespace tsly
