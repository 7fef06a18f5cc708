// The arithmetic of the "Velocity Spectrum" window: which trial velocities it
// shows and what the user may type into its boxes. (Its picture:
// SpectrumPicture.h.)
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
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "spectrum/core/Semblance.h"
#include "shared/State.h"

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

}  // namespace tsly
