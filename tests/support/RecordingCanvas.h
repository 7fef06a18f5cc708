// Test double of the drawing canvas: records every call and keeps a small RGB
// raster (white background) so that XOR pick lines can be read back. Lines are
// drawn with Bresenham; a pen of width w covers w rows (horizontal lines) or w
// columns (other lines) starting at the line itself. Text is recorded only, with
// fixed metrics: 6 pixels per character, 12 pixels high.
#pragma once

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/Canvas.h"

namespace tsly::test {

struct TextCall {
  int x, y;
  std::string text;
};
struct LineCall {
  int x1, y1, x2, y2;
  PenMode mode;
  int width;
  Rgb colour;
};

class RecordingCanvas : public Canvas {
 public:
  std::vector<TextCall> texts;
  std::vector<LineCall> lines;                   // moveTo/lineTo segments
  std::vector<std::vector<PointI>> polylines;
  std::vector<std::vector<PointI>> polygons;
  int clears = 0;
  int dpi = 96;

  void setSize(int w, int h) override {
    std::vector<Rgb> next(static_cast<std::size_t>(std::max(w, 0)) * std::max(h, 0), Rgb{255, 255, 255});
    for (int y = 0; y < std::min(h, h_); ++y)
      for (int x = 0; x < std::min(w, w_); ++x) next[static_cast<std::size_t>(y) * w + x] = px_[static_cast<std::size_t>(y) * w_ + x];
    px_.swap(next);
    w_ = std::max(w, 0);
    h_ = std::max(h, 0);
  }
  int width() const override { return w_; }
  int height() const override { return h_; }
  int logicalDpiX() const override { return dpi; }
  int logicalDpiY() const override { return dpi; }
  void clear() override {
    ++clears;
    std::fill(px_.begin(), px_.end(), Rgb{255, 255, 255});
    texts.clear();
    lines.clear();
    polylines.clear();
    polygons.clear();
  }
  void setPersistent(bool on) override { persistent_ = on; }
  bool persistent() const override { return persistent_; }
  void setPenMode(PenMode m) override { mode_ = m; }
  void setPenWidth(int w) override { width_ = w; }
  void setPenColor(Rgb c) override { colour_ = c; }
  PenMode penMode() const { return mode_; }
  int penWidth() const { return width_; }
  Rgb penColour() const { return colour_; }

  void moveTo(int x, int y) override { cx_ = x, cy_ = y; }
  void lineTo(int x, int y) override {
    lines.push_back({cx_, cy_, x, y, mode_, width_, colour_});
    rasterLine(cx_, cy_, x, y);
    cx_ = x, cy_ = y;
  }
  void polyline(const std::vector<PointI>& pts) override {
    polylines.push_back(pts);
    if (!pts.empty()) cx_ = pts.back().x, cy_ = pts.back().y;
  }
  void fillPolygon(const std::vector<PointI>& pts) override { polygons.push_back(pts); }
  void textOut(int x, int y, const std::string& t) override { texts.push_back({x, y, t}); }
  int textWidth(const std::string& t) const override { return 6 * static_cast<int>(t.size()); }
  int textHeight(const std::string&) const override { return 12; }

  Rgb pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= w_ || y >= h_) return {-1, -1, -1};
    return px_[static_cast<std::size_t>(y) * w_ + x];
  }
  static bool same(Rgb a, Rgb b) { return a.r == b.r && a.g == b.g && a.b == b.b; }

 private:
  void plot(int x, int y) {
    if (x < 0 || y < 0 || x >= w_ || y >= h_) return;
    Rgb& p = px_[static_cast<std::size_t>(y) * w_ + x];
    if (mode_ == PenMode::Xor)
      p = {p.r ^ colour_.r, p.g ^ colour_.g, p.b ^ colour_.b};
    else
      p = colour_;
  }
  void rasterLine(int x0, int y0, int x1, int y1) {
    const bool horizontal = y0 == y1;
    int dx = std::abs(x1 - x0), sx = x0 < x1 ? 1 : -1;
    int dy = -std::abs(y1 - y0), sy = y0 < y1 ? 1 : -1;
    int err = dx + dy;
    for (;;) {
      for (int k = 0; k < std::max(width_, 1); ++k) horizontal ? plot(x0, y0 + k) : plot(x0 + k, y0);
      if (x0 == x1 && y0 == y1) break;
      int e2 = 2 * err;
      if (e2 >= dy) err += dy, x0 += sx;
      if (e2 <= dx) err += dx, y0 += sy;
    }
  }

  int w_ = 0, h_ = 0;
  std::vector<Rgb> px_;
  bool persistent_ = false;
  PenMode mode_ = PenMode::Copy;
  int width_ = 1;
  Rgb colour_{0, 0, 0};
  int cx_ = 0, cy_ = 0;
};

}  // namespace tsly::test
