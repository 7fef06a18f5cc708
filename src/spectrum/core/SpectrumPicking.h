// Picking on the velocity spectrum: where a click on the picture lies in time
// and velocity, which pick it touches, and the semblance maximum it picks.
//
// Rules, stated once:
//  - A click inside the spectrum's field stands for the time and velocity of
//    its pixel (SpectrumField.h: time from the picture's time scale, velocity
//    across from the first trial velocity to the last). Clicks outside the
//    field pick nothing.
//  - A click picks the semblance maximum nearest to it within the search
//    window: PickSearchMs (24 ms) either side in time and PickSearchFraction
//    (5%) of the clicked velocity either side in velocity. A maximum is a
//    value of the spectrum (at a time sample and a trial velocity) above 0, not
//    below any of its eight neighbours and at least PickPeakShare (half) of the
//    largest value in the window (smaller ones are ripples of the noise); the
//    nearest is the one with the least distance in units of the window
//    (dt / 24 ms, dv / 5%). Its time is
//    the sample's; its velocity is refined between the trial velocities by the
//    parabola through the maximum and its two neighbours in velocity. A window
//    without a maximum picks its largest value (the click itself when all are
//    0 or the window holds no sample).
//  - Shift+click picks exactly at the clicked time and velocity.
//  - A pick is touched by a press within PickTouchPixels of its ring.
//  - The velocity of a pick is a whole number (nearest()); a velocity outside
//    the picks' range (PickEdits.h) picks nothing.
#pragma once

#include <cstddef>
#include <optional>
#include <vector>

#include "spectrum/core/Semblance.h"
#include "spectrum/core/SpectrumPicture.h"

namespace tsly {

inline constexpr double PickSearchMs = 24.0;
inline constexpr double PickSearchFraction = 0.05;
inline constexpr float PickPeakShare = 0.5f;
inline constexpr double PickTouchPixels = 7.0;

// The time (ms) and velocity of picture pixel (x, y) of a picture laid out as
// `layout` for velocities first..last with row 0 at `firstMs`; nothing outside
// the spectrum's field.
std::optional<VelocityPick> spectrumPointAt(const SpectrumLayout& layout, double firstVelocity, double lastVelocity,
                                            double firstMs, double x, double y);

// The picture pixel of a pick (the centre of its ring).
FigurePoint spectrumPixelOf(const SpectrumLayout& layout, double firstVelocity, double lastVelocity, double firstMs,
                            const VelocityPick& pick);

// The pick whose ring a press at (x, y) touches (the nearest), as an index of
// `picks`.
std::optional<std::size_t> touchedPick(const std::vector<VelocityPick>& picks, const SpectrumLayout& layout,
                                       double firstVelocity, double lastVelocity, double firstMs, double x, double y);

// The semblance maximum nearest to `click` within the search window (see above).
VelocityPick nearestMaximum(const Spectrum& s, const VelocityPick& click);

}  // namespace tsly
