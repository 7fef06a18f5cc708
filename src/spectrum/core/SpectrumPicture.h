// The velocity spectrum as a picture: colour image, axes, ticks and colour scale
// computed here; a window or `tsly semblance --png` only draws the label texts
// on top (with whatever font it has) and saves or shows the pixels.
//
// Layout (pixels): a title line at the top; the spectrum with time down (the
// first sample at the top) and velocity across (the first velocity at the
// left), framed, with time ticks and labels on its left and velocity ticks and
// labels above it; the colour scale (0 at the bottom, 1 at the top) with its
// labels on the right. Colours: the viridis map (dark blue for 0 to yellow for
// 1). The image is resampled to the plot size bilinearly in time and velocity.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "spectrum/core/Semblance.h"

namespace tsly {

// Viridis colour of t in 0..1 (clamped) as 0xFFRRGGBB.
std::uint32_t viridis(double t);

struct PictureLabel {
  enum class Align { Start, Centre, End };
  int x = 0, y = 0;              // anchor point
  std::string text;
  Align horizontal = Align::Start;  // Start: text begins at x; End: text ends at x
  Align vertical = Align::Centre;   // Start: text top at y; End: text bottom at y
};

struct SpectrumPicture {
  int width = 0, height = 0;
  std::vector<std::uint32_t> pixels;  // 0xAARRGGBB, row by row, width x height
  std::vector<PictureLabel> labels;
  int plotLeft = 0, plotTop = 0, plotWidth = 0, plotHeight = 0;
  std::uint32_t at(int x, int y) const {
    return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)];
  }
};

struct SpectrumPictureSize {
  int plotWidth = 0;   // 0: 3 pixels per velocity, 300 .. 900
  int plotHeight = 0;  // 0: one pixel per sample, 300 .. 900
};

SpectrumPicture drawSpectrum(const Spectrum& s, const std::string& title, SpectrumPictureSize size = {});

// Tick values for an axis from `lo` to `hi`: multiples of a step of 1, 2, 2.5
// or 5 x 10^k chosen so that at most `most` ticks fall inside.
std::vector<double> axisTicks(double lo, double hi, int most);

}  // namespace tsly
