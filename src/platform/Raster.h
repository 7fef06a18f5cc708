// One-pixel drawing straight into an image's rows of pixels: lines, connected
// lines, and the wiggle traces and lobes of a redraw kept and drawn together.
// The canvas on Qt (qt/ImageCanvas) draws its one-pixel lines and its lobes
// here, into its image's memory; the core tests draw into a plain buffer.
//
// Rules:
//  - A pixel is a 32-bit word 0xffRRGGBB (Qt's Format_RGB32); rows lie
//    `bytesPerLine` apart. Copy mode sets a pixel to the pen colour; XOR flips
//    its colour bits with the pen's (the top byte stays 0xff), so that anything
//    drawn twice in XOR leaves the image as it was.
//  - A line includes both end points and takes the pixels Bresenham chooses: a
//    mostly horizontal line gives row r the steps whose ideal row rounds (halves
//    down) to r. A line reaching outside the image is clipped to it first.
//  - A connected line draws its first point, then each segment without its
//    first pixel, so no joint is drawn twice (XOR leaves no gaps).
//  - A lobe (first and last point on one vertical line x0, the points between
//    running downwards) fills each of its rows from x0 to the farthest x its
//    chain reaches in that row.
//  - Kept drawings: a wiggle (a connected line inside the image whose rows
//    never decrease) and a lobe may be kept to be drawn later, all together,
//    band by band of rows (on two threads when there are many). While the pen
//    stays the same this gives the very pixels drawing each at once gives
//    (copy sets each pixel to the pen colour, XOR flips it once per line
//    through it): the owner draws what is kept before the pen or the image
//    changes, and may draw anything else meanwhile.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/Canvas.h"

namespace tsly {

// The pixels drawn into, and the pen.
struct RasterTarget {
  std::uint8_t* bits = nullptr;
  std::ptrdiff_t bytesPerLine = 0;
  int width = 0, height = 0;
  std::uint32_t colour = 0xff000000u;  // 0xffRRGGBB
  bool xorMode = false;
};

class Raster {
 public:
  // Largest side of an image, in pixels (a pixel coordinate is a 16-bit value).
  static constexpr int MaxSide = 32767;

  static void line(const RasterTarget& target, int x0, int y0, int x1, int y1);
  static void polyline(const RasterTarget& target, const std::vector<PointI>& points);
  static bool isLobe(const std::vector<PointI>& points);

  // Keeps a wiggle in a width x height image to be drawn at flush(); false (and
  // nothing kept) when the points are not one.
  bool keepWiggle(const std::vector<PointI>& points, int width, int height);
  // Keeps a lobe (isLobe) to be filled at flush().
  void keepLobe(const std::vector<PointI>& points);
  bool holdsAny() const { return !lines_.empty() || !lobes_.empty(); }
  // Draws everything kept with the target's pen, then forgets it.
  void flush(const RasterTarget& target);
  // Forgets what is kept without drawing it.
  void drop();

 private:
  // The kept drawings: their points, and each one's range of them.
  struct Range {
    std::uint32_t begin, end;
  };
  std::vector<PointI> linePoints_;
  std::vector<Range> lines_;
  std::vector<PointI> lobePoints_;
  std::vector<Range> lobes_;
};

}  // namespace tsly
