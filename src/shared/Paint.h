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
//    lobe, crossings interpolated linearly). Only samples[0..available-1] are ever
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

}  // namespace tsly
