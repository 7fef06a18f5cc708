// The check of one CDP's velocity function: its picks in time order with the
// RMS (stacking) velocity picked, the Dix interval velocity between each pick
// and the one before it, and the interval's thickness in ms. The check only
// informs; it changes no pick.
//
// For picks (t1, v1) and (t2, v2), times two-way in ms, t1 < t2:
//   v_int^2 = (v2^2 t2 - v1^2 t1) / (t2 - t1),  thickness = t2 - t1.
// Flags of a row (the first row has no interval and can carry none):
//   Inversion   the RMS velocity is lower than at the pick before
//   Imaginary   v_int^2 < 0: no real interval velocity gives these two picks
//   OutOfRange  a real interval velocity below 1000 or above 8000 m/s
//   EqualTimes  the pick lies at the same time as the one before: no interval
//               (never a division by zero)
// Rows are ordered by time; picks at equal times keep their slot order.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "shared/State.h"

namespace tsly::vcheck {

inline constexpr double MinIntervalVelocity = 1000.0;
inline constexpr double MaxIntervalVelocity = 8000.0;

enum Flag : unsigned {
  NoFlag = 0,
  Inversion = 1u << 0,
  Imaginary = 1u << 1,
  OutOfRange = 1u << 2,
  EqualTimes = 1u << 3,
};

struct VelocityRow {
  float timeMs = 0.0f;
  std::int16_t rmsVelocity = 0;
  bool hasInterval = false;         // false for the first row, equal times, imaginary
  double intervalVelocity = 0.0;    // when hasInterval
  double intervalSquared = 0.0;     // v_int^2 (rows after the first with distinct times)
  double thicknessMs = 0.0;         // t - previous t (0 for the first row)
  unsigned flags = NoFlag;
};

struct TimeVelocity {
  float timeMs = 0.0f;
  std::int16_t velocity = 0;
};

// The rows of one CDP's picks, given in any order (velocity 0 is no pick).
std::vector<VelocityRow> analyse(const std::vector<TimeVelocity>& picks);
// The rows of one record's picks (slots with a non-zero velocity).
std::vector<VelocityRow> analyse(const CdpPicks& picks);

// The flags in words, joined by "; " ("" for none):
// "velocity inversion", "imaginary interval velocity",
// "interval velocity outside 1000..8000 m/s", "equal times".
std::string flagText(unsigned flags);

// Text of a table: one line per row, "time  rms  interval  thickness  flags",
// with a heading line; used by `tsly velocity-check`.
std::string tableText(int cdp, const std::vector<VelocityRow>& rows);

}  // namespace tsly::vcheck
