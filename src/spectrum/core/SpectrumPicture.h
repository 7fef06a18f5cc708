// The velocity spectrum as one picture, laid out here as plain geometry and
// texts (a Figure, shared/Figure.h). The "Velocity Spectrum" window shows and
// saves it and `tsly semblance --png` writes it, both through the same painter
// (qt/FigurePainter.h): the same CDP, range and time scale give the same
// pixels. What only the window has (the CDP's picks, its corrected gather) is
// drawn where the spectrum alone leaves the picture unchanged.
//
// Layout (pixels, y down), rules stated once:
//  - A row of titles: "CDP n semblance" over the spectrum; over the gather,
//    what it shows.
//  - A row of labels: "ms" over the time labels, the velocity labels,
//    "semblance" over the colour scale, the offsets over the gather's traces.
//  - The spectrum, SpectrumPlotWidth pixels wide, velocity across and time down
//    (SpectrumField.h), framed: the semblance resampled to its pixels, or a
//    grey field while there is none (saying so while it is being computed).
//    Ticks on its left at the timing lines of the main canvas's rule
//    (timingLines), labelled where those are. Velocity ticks above it at
//    axisTicks steps, at most one per 70 pixels; a velocity label is centred on
//    its tick, moved inward to keep clear of "ms" and of "semblance", and left
//    out where it would then miss its tick or come near the label before it.
//  - The colour scale beside it: viridis, 1 at the top and 0 at the bottom,
//    labelled 0, .2, .4, .6, .8 and 1 (from the bottom up, as many as fit).
//  - With picks: the velocity function over the spectrum, the picks joined and
//    held constant above the first and below the last, each pick ringed.
//  - With a gather: the traces beside the scale on the same time scale, one
//    wiggle each with its positive lobes filled, the largest deflection one
//    and a half trace spacings; the timing lines across them in light grey
//    with their labels on the right; as many offsets above them as fit
//    without touching.
//  - 10 pixels below the plots; the picture ends 8 pixels after the colour
//    scale's labels (after the gather's time labels or title with a gather).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "spectrum/core/CorrectedGather.h"
#include "spectrum/core/Semblance.h"
#include "spectrum/core/SpectrumField.h"
#include "shared/Figure.h"
#include "moveout/core/VelocityFunction.h"

namespace tsly {

inline constexpr int SpectrumPlotWidth = 400;
// The velocity function and the rings of its picks.
inline constexpr Argb SpectrumFunctionColour = 0xFFFFFFFFu;
inline constexpr Argb SpectrumFunctionEdge = 0xFF000000u;

struct SpectrumPictureInput {
  std::int16_t cdp = 0;
  const Spectrum* spectrum = nullptr;  // none: a grey field
  bool computing = false;              // the spectrum is being computed
  // The velocity axis: the spectrum's first and last trial velocity (those
  // wanted while there is no spectrum).
  double firstVelocity = 0, lastVelocity = 0;
  SpectrumTimeScale time;
  std::vector<VelocityPick> picks;
  const CorrectedGather* gather = nullptr;  // none: the spectrum alone
};

// The spectrum alone, as tsly writes it: a row per sample (sampleTimeScale).
SpectrumPictureInput spectrumOnly(const Spectrum& s);

// Where the picture put things, in its pixels.
struct SpectrumLayout {
  int width = 0, height = 0;
  int plotTop = 0, rows = 0;  // of the spectrum, the scale and the gather
  double msPerRow = 0;
  int spectrumLeft = 0, spectrumWidth = 0;
  int scaleLeft = 0;
  int scaleRight = 0;  // the scale's labels and caption end here
  int gatherLeft = 0, traceSpacing = 0;
  // x of trace k of the gather.
  int traceX(std::size_t k) const { return gatherLeft + traceSpacing * (static_cast<int>(k) + 1); }
};

struct SpectrumPicture {
  SpectrumLayout layout;
  Figure figure;
};

SpectrumPicture layOutSpectrum(const SpectrumPictureInput& in, const TextMeasure& measure);

}  // namespace tsly
