// A canvas that passes every call on to another one, then runs `after` (for
// instance to have the other canvas write out all it was given). It is no
// WiggleKeeper, so rapidpaint draws through it point by point: the way to
// compare a canvas that keeps whole traces with the same canvas drawing each
// point as it comes.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/Canvas.h"

namespace tsly::test {

class ForwardingCanvas : public Canvas {
 public:
  ForwardingCanvas(Canvas& to, std::function<void()> after = {}) : to_(to), after_(std::move(after)) {}

  void setSize(int w, int h) override { to_.setSize(w, h), done(); }
  int width() const override { return to_.width(); }
  int height() const override { return to_.height(); }
  int logicalDpiX() const override { return to_.logicalDpiX(); }
  int logicalDpiY() const override { return to_.logicalDpiY(); }
  void clear() override { to_.clear(), done(); }
  void setPersistent(bool on) override { to_.setPersistent(on); }
  bool persistent() const override { return to_.persistent(); }
  void setPenMode(PenMode m) override { to_.setPenMode(m); }
  void setPenWidth(int w) override { to_.setPenWidth(w); }
  void setPenColor(Rgb c) override { to_.setPenColor(c); }
  void moveTo(int x, int y) override { to_.moveTo(x, y); }
  void lineTo(int x, int y) override { to_.lineTo(x, y), done(); }
  void polyline(const std::vector<PointI>& p) override { to_.polyline(p), done(); }
  void fillPolygon(const std::vector<PointI>& p) override { to_.fillPolygon(p), done(); }
  void fillLobes(const std::vector<PointI>& p, const std::vector<std::uint32_t>& s) override {
    to_.fillLobes(p, s), done();
  }
  void textOut(int x, int y, const std::string& t) override { to_.textOut(x, y, t), done(); }
  int textWidth(const std::string& t) const override { return to_.textWidth(t); }
  int textHeight(const std::string& t) const override { return to_.textHeight(t); }

 private:
  void done() {
    if (after_) after_();
  }
  Canvas& to_;
  std::function<void()> after_;
};

}  // namespace tsly::test
