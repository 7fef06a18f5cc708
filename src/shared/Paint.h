// Trace scaling and wiggle painting: the two drawing routines of the numeric
// library, on the Canvas interface.
//
//  - normalizer(samples, divisor, count): divides samples[0..count-1] in place by
//    the divisor, turning amplitudes into horizontal deflections in pixels.
//    A divisor of 0 or one that is not finite leaves the samples as they are
//    (returns -1); otherwise returns 0. count <= 0 does nothing.
//  - rapidpaint(samples, available, dc, x, top, rows, fill, samplesPerRow): draws one
//    wiggle trace downwards from (x, top) over `rows` pixel rows. Sample i (0-based)
//    lies on row i / samplesPerRow (so 2 and 4 take several samples per row and 0.5
//    spreads one sample over two rows) at x + nearest(sample). The line through the
//    deflections is one polyline in the current pen colour; when `fill` is non-zero
//    every positive lobe is also filled (polygon from the zero line through the
//    lobe, crossings interpolated linearly), all lobes of the trace in one
//    fillLobes call after the line. Only samples[0..available-1] are ever
//    read: a trace shorter than the window just ends early. Returns the number of
//    samples drawn.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/Canvas.h"

namespace tsly {

std::int32_t normalizer(float* samples, float divisor, std::int32_t count);

std::int32_t rapidpaint(const float* samples, std::int32_t available, Canvas& dc, std::int32_t x,
                        std::int32_t top, std::int32_t rows, std::int32_t fill, float samplesPerRow);

// What rapidpaint draws of one trace, for any part of it: point i of the line
// (x + nearest(sample i), its row), and the lobe of each run of positive
// samples (from the zero line at its first crossing through its points back
// to the zero line at the next). rapidpaint draws through it, and so does a
// canvas that keeps whole traces to draw them later, part by part
// (WiggleKeeper): both give the very same points.
class WiggleGeometry {
 public:
  // samples[0..count-1] are deflections in pixels; rowsPerSample > 0.
  WiggleGeometry(const float* samples, std::int32_t count, std::int32_t x, std::int32_t top, double rowsPerSample);
  std::int32_t count() const { return n_; }
  int row(std::int32_t i) const;
  // The first sample whose row is at least r (count() when none).
  std::int32_t firstAtRow(int r) const;
  // Points first..last-1 of the line, appended to out, or written to out[0..].
  void appendPoints(std::int32_t first, std::int32_t last, std::vector<PointI>& out) const;
  void points(std::int32_t first, std::int32_t last, PointI* out) const;
  // The lobe of samples begin..end-1 (a whole run of positive samples),
  // appended to out; and the row it starts at.
  void appendLobe(std::int32_t begin, std::int32_t end, std::vector<PointI>& out) const;
  int lobeStartRow(std::int32_t begin) const;
  int lobeEndRow(std::int32_t end) const;

 private:
  int crossingRow(std::int32_t i) const;  // between samples i-1 and i

  const float* s_;
  std::int32_t n_, x_, top_;
  double rowsPerSample_;
  int wholeRows_;  // 1 or 2 rows per sample exactly, else 0
};

// A canvas that keeps whole wiggle traces and draws them later, part by part
// (the part shown first), implements this beside Canvas: rapidpaint then hands
// it each trace of two samples or more in one call instead of its points. It
// draws what rapidpaint would draw point by point, in the pen as it is now.
class WiggleKeeper {
 public:
  virtual ~WiggleKeeper() = default;
  // samples[0..count-1] are kept (copied) as deflections; false when the
  // canvas cannot keep this trace (it is then drawn point by point).
  virtual bool keepWiggle(const float* samples, std::int32_t count, std::int32_t x, std::int32_t top,
                          double rowsPerSample, bool fill) = 0;
};

// Bounds of the deflections in pixels of the samples (the largest magnitude
// either way); false when a sample is not finite.
bool deflectionRange(const float* samples, std::int32_t count, int& lowest, int& highest);

}  // namespace tsly
