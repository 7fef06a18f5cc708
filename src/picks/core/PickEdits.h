// Picks at any velocity: making, moving and removing one pick of a CDP record
// wherever it was made (a panel click takes the panel's velocity, the velocity
// spectrum any velocity), and the guide from the picked neighbours.
//
// Rules, stated once:
//  - A pick is a time (ms) and a velocity from MinPickVelocity to
//    MaxPickVelocity (0 marks an empty slot; the velocity is a 16-bit whole
//    number in the units of the data). Two picks of one CDP may share a
//    velocity at different times; they may never share a time: a pick made or
//    moved onto the time of another pick of its CDP is refused with the
//    duplicate-time box of the check that guards Next, Prev and the VELF
//    commands ("Duplicate Time Picks on velocities - " ...), and nothing changes.
//  - A record's picks fill slots 1..n: a new pick takes the lowest empty slot
//    (as a panel click does), a removed pick's slot is closed up (the later
//    slots move down one, in order).
//  - PickPanel of a slot is the panel of the CDP whose velocity the pick has
//    (the first such panel), 0 when it lies between panels or outside them.
//  - The guide of a CDP: the velocity function the deck run would give it from
//    the picks of the other CDPs (velocitiesForCdp: the nearest picked CDP on
//    each side, linear in CDP number, the outermost one beyond the ends; each
//    CDP's own function linear in time between its picks, constant beyond
//    them). The CDP's own picks take no part, so the guide shows what its
//    neighbours say. No other CDP picked: no guide.
#pragma once

#include <cstdint>
#include <vector>

#include "moveout/core/VelocityFunction.h"
#include "platform/Ui.h"
#include "shared/State.h"

namespace tsly {

inline constexpr int MinPickVelocity = 1;
inline constexpr int MaxPickVelocity = 32767;

// Whether v may be the velocity of a pick.
bool pickVelocityAllowed(double v);

// The first panel of `cdp` whose velocity is `velocity`, or 0.
std::int16_t panelOfVelocity(const AppState& s, std::int16_t cdp, std::int16_t velocity);

// Slot (1..20) of the pick of `rec` with exactly this time and velocity, or 0.
int slotOf(const CdpPicks& rec, float timeMs, std::int16_t velocity);

enum class PickEdit {
  Done,
  Refused,  // another pick at that time: the box has been shown
  Full,     // all 20 slots taken (a new pick only)
  NoPick,   // the record or the pick to move or remove is not there
};

// A new pick for record `record` (a PickTable index).
PickEdit addPick(AppState& s, Ui& ui, std::int32_t record, float timeMs, std::int16_t velocity);
// The pick in slot `slot` moved to (timeMs, velocity).
PickEdit movePick(AppState& s, Ui& ui, std::int32_t record, int slot, float timeMs, std::int16_t velocity);
// The pick in slot `slot` removed.
PickEdit removePick(AppState& s, std::int32_t record, int slot);

// The guide of record `record` at `count` times firstMs + i x dtMs (see
// above); empty when no other record holds picks.
std::vector<float> guideVelocities(const AppState& s, std::int32_t record, double firstMs, double dtMs,
                                   std::int32_t count);

// A drawn line cut into dashes: pieces `on` long with gaps `off` long,
// measured along the line from its first point.
struct PlanePoint {
  double x = 0, y = 0;
};
std::vector<std::vector<PlanePoint>> dashed(const std::vector<PlanePoint>& line, double on, double off);

}  // namespace tsly
