// The spectrum's field in a picture: its colours, the time scale its rows
// follow, the one resampling of the semblance to pixels, where a velocity or a
// pick falls, and the ticks of its axes. SpectrumPicture lays the whole
// picture out with these.
//
// Rules, stated once:
//  - Colours: the viridis map, dark blue for 0 to yellow for 1.
//  - Time: pixel row r below the field's top is trace time firstMs + r x
//    MicrosecondsPerRow / 1000 ms, the main canvas's rule (whose firstMs is 0);
//    the rows shown are nearest(PlotRows), the main canvas's time window.
//    Without a canvas (tsly, or before the main canvas is drawn) a row per
//    sample, at least 300 and at most 900 rows, the first row at the first
//    sample (the recording delay) and the last at the last. Times are true
//    times: a spectrum whose first sample lies at its recording delay is drawn
//    from that time on, rows before its first sample or past its last are
//    left in the background colour.
//  - Velocity: across from the spectrum's first trial velocity (x = 0) to its
//    last (x = width - 1).
//  - Values between samples and between velocities are interpolated linearly
//    (bilinear resampling).
#pragma once

#include <cstdint>
#include <vector>

#include "spectrum/core/Semblance.h"
#include "moveout/core/VelocityFunction.h"

namespace tsly {

// Viridis colour of t in 0..1 (clamped) as 0xFFRRGGBB.
std::uint32_t viridis(double t);

// The time scale of a picture's rows.
struct SpectrumTimeScale {
  float microsecondsPerRow = 0;
  float plotRows = 0;
  float samplingRatio = 1;
  double firstMs = 0;  // time of row 0
  double msPerRow() const { return microsecondsPerRow / 1000.0; }
  int rows() const;  // nearest(plotRows), at least 0
  bool usable() const { return microsecondsPerRow > 0 && rows() > 0; }
  bool operator==(const SpectrumTimeScale&) const = default;
};
// The scale without a canvas for `samples` samples every `intervalUs` (see above).
SpectrumTimeScale sampleTimeScale(std::int32_t samples, std::int32_t intervalUs, double firstMs = 0);

// The spectrum as pixels 0xAARRGGBB, `width` x `rows`, row by row, on the time
// scale of `msPerRow` from `firstMs` at row 0, coloured by viridis. Rows before
// the first sample or past the last are `background`.
std::vector<std::uint32_t> spectrumRows(const Spectrum& s, int width, int rows, double msPerRow, double firstMs,
                                        std::uint32_t background);

// x of velocity v on a field `width` pixels wide from `first` (x = 0) to `last`
// (x = width - 1); fractional, not clamped.
double velocityX(double v, double first, double last, int width);

// Tick values for an axis from `lo` to `hi`: multiples of a step of 1, 2, 2.5
// or 5 x 10^k chosen so that at most `most` ticks fall inside.
std::vector<double> axisTicks(double lo, double hi, int most);

// The velocity function drawn over the spectrum, as (time ms, velocity)
// vertices from `fromMs` to `toMs`: the first pick's velocity at fromMs, the
// picks in time order, the last pick's velocity at toMs (velocityAtSamples'
// rule). No picks: none.
std::vector<VelocityPick> functionVertices(const std::vector<VelocityPick>& picks, double fromMs, double toMs);

}  // namespace tsly
