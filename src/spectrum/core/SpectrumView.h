// The arithmetic of the "Velocity Spectrum" window: which trial velocities it
// shows, what the user may type into its boxes, and how the spectrum maps onto
// the main canvas's time scale. No drawing here; the window paints what these
// functions compute.
//
// Rules, stated once:
//  - Automatic range: the velocities of the panels of the CDP shown (of every
//    panel when none belongs to it), widened by 10% of their span, half on each
//    side (a single velocity v gives 0.9 v .. 1.1 v). The step is the smallest
//    of 1, 2, 2.5 and 5 x 10^k that keeps to at most AutoRangeVelocities trial
//    velocities; both ends are moved out to multiples of the step, the lowest
//    kept above 0.
//  - Typed range: each box must hold one whole number (isNumberText); the
//    lowest above 0, the highest above the lowest, the step above 0, and at
//    most MaxSpectrumVelocities velocities. The stretch ratio .1 to .99, as
//    panel generation takes it. A refusal names the box and what was typed.
//  - Time: pixel row r below the plot's top is trace time r x MicrosecondsPerRow
//    / 1000 ms, the main canvas's rule; the rows shown are nearest(PlotRows),
//    the main canvas's time window.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "spectrum/core/Semblance.h"
#include "shared/State.h"
#include "moveout/core/VelocityFunction.h"

namespace tsly {

inline constexpr std::size_t MaxSpectrumVelocities = 1000;
inline constexpr std::size_t AutoRangeVelocities = 200;
inline constexpr float MinStretch = 0.1f;
inline constexpr float MaxStretch = 0.99f;

struct VelocityRange {
  double min = 0, max = 0, step = 0;
  std::vector<float> grid() const { return velocityGrid(min, max, step); }
  bool operator==(const VelocityRange&) const = default;
};

// Lowest and highest panel velocity for `cdp` (see above); nothing without panels.
std::optional<std::pair<double, double>> panelVelocitySpan(const AppState& s, std::int16_t cdp);
VelocityRange widenedRange(double lowest, double highest);

enum class SpectrumBox { None, Min, Max, Step, Stretch };

struct RangeEntry {
  VelocityRange range;
  std::string message;  // empty when accepted
  SpectrumBox box = SpectrumBox::None;
  bool ok() const { return message.empty(); }
};
RangeEntry readVelocityRange(const std::string& min, const std::string& max, const std::string& step);

struct StretchEntry {
  float stretch = 0.5f;
  std::string message;
  bool ok() const { return message.empty(); }
};
StretchEntry readStretch(const std::string& text);

// The main canvas's time scale, from its last redraw.
struct SpectrumTimeScale {
  float microsecondsPerRow = 0;
  float plotRows = 0;
  float samplingRatio = 1;
  double msPerRow() const { return microsecondsPerRow / 1000.0; }
  int rows() const;  // nearest(plotRows), at least 0
  bool operator==(const SpectrumTimeScale&) const = default;
};

// The spectrum as pixels 0xAARRGGBB, `width` x `rows`, row by row: velocity
// across from the spectrum's first velocity (x = 0) to its last (x = width - 1),
// row r at time r x msPerRow; values between samples and velocities
// interpolated linearly, coloured by viridis. Rows past the last sample are
// `background`.
std::vector<std::uint32_t> spectrumRows(const Spectrum& s, int width, int rows, double msPerRow,
                                        std::uint32_t background);

// x of velocity v on a plot `width` pixels wide from `first` (x = 0) to `last`
// (x = width - 1); fractional, not clamped.
double velocityX(double v, double first, double last, int width);

// The velocity function drawn over the spectrum, as (time ms, velocity)
// vertices from `fromMs` to `toMs`: the first pick's velocity at fromMs, the
// picks in time order, the last pick's velocity at toMs (velocityAtSamples'
// rule). No picks: none.
std::vector<VelocityPick> functionVertices(const std::vector<VelocityPick>& picks, double fromMs, double toMs);

}  // namespace tsly
