// A picture as plain geometry and texts: what to draw where, in pixels (origin
// top-left, y down), in the order given. A Qt-free layout builds it; a painter
// (qt/FigurePainter.h) draws it as it stands, so that a window and a command
// line program that paint the same figure show the same pixels.
//
// Texts are placed by the top-left corner of their line box in the figure's
// font; the layout learns that font's measures through a TextMeasure.
#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace tsly {

using Argb = std::uint32_t;  // 0xAARRGGBB

// The measures of the font a figure is drawn in.
class TextMeasure {
 public:
  virtual ~TextMeasure() = default;
  virtual int width(const std::string& text) const = 0;  // advance, in pixels
  virtual int height() const = 0;                         // of a line of text
};

struct FigureRect {
  int x = 0, y = 0, width = 0, height = 0;
  bool empty() const { return width <= 0 || height <= 0; }
};

struct FigurePoint {
  double x = 0, y = 0;
};

struct Figure {
  // Pixels drawn as they are, row by row, `at.width` x `at.height`.
  struct Pixels {
    FigureRect at;
    std::vector<Argb> pixels;
  };
  struct Fill {
    FigureRect at;
    Argb colour = 0;
  };
  // One pixel wide, both ends drawn, not smoothed.
  struct Line {
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    Argb colour = 0;
  };
  struct Text {
    int x = 0, y = 0;  // top-left of the line box
    std::string text;
    Argb colour = 0;
  };
  // The shapes below are smoothed, and drawn only inside `clip` (when not empty).
  // A line through the points, round at its ends and corners.
  struct Path {
    std::vector<FigurePoint> points;
    double width = 1;
    Argb colour = 0;
    FigureRect clip;
  };
  // The polygon through the points, filled.
  struct Area {
    std::vector<FigurePoint> points;
    Argb colour = 0;
    FigureRect clip;
  };
  struct Ring {
    FigurePoint centre;
    double radius = 0;
    Argb fill = 0, edge = 0;
    double edgeWidth = 1;
    FigureRect clip;
  };
  using Item = std::variant<Pixels, Fill, Line, Text, Path, Area, Ring>;

  int width = 0, height = 0;
  Argb background = 0xFFFFFFFFu;
  std::vector<Item> items;
};

}  // namespace tsly
