// The options of tsly semblance, read and checked before anything is read or
// written: kept apart from the command so that the tests and a fuzz target
// drive the same code.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace tsly::cli {

inline constexpr std::size_t MaxVelocities = 1000;

struct SemblanceOptions {
  std::string gather, cdp, png, csv;
  std::string vmin = "1200", vmax = "5180", dv = "20", windowMs, stretch = ".5";
  bool peaks = false;
};

// The options read as numbers and checked.
struct SemblanceRequest {
  bool all = false;
  std::int16_t cdp = 0;
  double vmin = 0, vmax = 0, dv = 0, windowMs = 0;
  float stretch = 0;
};

// "" or why the options are refused (the first fault, one line). Accepted
// options give 1 to MaxVelocities trial velocities (velocityGrid), each a
// finite velocity above 0 in single precision.
std::string checkSemblanceOptions(const SemblanceOptions& o, SemblanceRequest& q);

}  // namespace tsly::cli
