// The drawing canvas (Picture1) as the redraw, picks and rapidpaint see it.
// Pixel coordinates, origin top-left, y downwards. Implementations: a QImage-backed
// widget (qt/ImageCanvas) and in-memory doubles for tests.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace tsly {

enum class PenMode { Copy, Xor };

struct Rgb {
  int r = 0, g = 0, b = 0;
};

struct PointI {
  int x = 0, y = 0;
};

class Canvas {
 public:
  virtual ~Canvas() = default;

  virtual void setSize(int width, int height) = 0;
  virtual int width() const = 0;
  virtual int height() const = 0;
  virtual int logicalDpiX() const = 0;
  virtual int logicalDpiY() const = 0;

  // Clear the whole canvas to its background colour (white).
  virtual void clear() = 0;
  // When on, drawing goes to the persistent image that repaints the window and
  // can be saved or printed.
  virtual void setPersistent(bool on) = 0;
  virtual bool persistent() const = 0;

  virtual void setPenMode(PenMode mode) = 0;
  virtual void setPenWidth(int width) = 0;
  virtual void setPenColor(Rgb color) = 0;  // the foreground colour is black

  virtual void moveTo(int x, int y) = 0;
  virtual void lineTo(int x, int y) = 0;  // draws and moves the pen
  // A connected line through the points (one call for a whole wiggle).
  virtual void polyline(const std::vector<PointI>& points) = 0;
  // A filled polygon in the pen colour (area fill of positive lobes).
  virtual void fillPolygon(const std::vector<PointI>& points) = 0;

  // Text with its top-left corner at (x, y), in the canvas font and foreground colour.
  virtual void textOut(int x, int y, const std::string& text) = 0;
  virtual int textWidth(const std::string& text) const = 0;
  virtual int textHeight(const std::string& text) const = 0;
};

}  // namespace tsly
