// Where a velocity lies across the panels of the CDP shown, for picks made at
// any velocity and for the guide.
//
// The rule, stated once: the panels on screen (Left != 0) with a velocity
// above 0 are taken in order of velocity (of panels with one velocity, the
// first in the table). A velocity equal to a panel's lies on that panel. A
// velocity v between the
// velocities v1 < v2 of two neighbouring panels lies the fraction
// f = (v - v1) / (v2 - v1) of the way from the one to the other: a pick line
// runs from nearest(Left1 + f (Left2 - Left1)) to nearest(Right1 + f (Right2 -
// Right1)), a point of the guide stands at the same fraction between the
// panels' middles. Slower than the slowest panel or faster than the fastest, it
// lies on that panel.
#pragma once

#include <cstdint>
#include <optional>

#include "shared/State.h"

namespace tsly {

struct PanelSpan {
  int left = 0, right = 0;
};

// The pick line's extent for `velocity`; nothing when no panel is on screen.
std::optional<PanelSpan> pickSpan(const AppState& s, double velocity);
// The x of `velocity` between the panels' middles (unrounded); nothing when no
// panel is on screen.
std::optional<double> panelVelocityX(const AppState& s, double velocity);

}  // namespace tsly
