// The automatic first pass: picks proposed for CDPs of a gather from their
// velocity spectra, for the analyst to accept, correct or drop.
//
//   AutoPickParams p;  p.cdps = ...;  p.settings.velocities = velocityGrid(...);
//   AutoPickResult r = runAutoPick(gather, p, hooks);   // hooks.cdpPicked per CDP
//
// The method, stated once:
//  1. The spectrum of every CDP (SemblanceEngine: the semblance over the trial
//     velocities, as `tsly semblance` computes it).
//  2. Smoothed along the line: the spectrum of a CDP is averaged with those of
//     its neighbours in the gather's CDP order, LineHalfWidth on each side,
//     with triangular weights (1 2 3 2 1); a neighbour counts only where it
//     has the same time axis (interval, delay) and the row.
//  3. Candidates: the local maxima of the averaged spectrum (spectrumPeaks)
//     above PickThreshold that are not on the first or last trial velocity (a
//     maximum at an end of the range is the range's bound, not the data's).
//  4. Each candidate put where its reflection is: semblance is flat across
//     the lobes of a wavelet when the noise is low, so the time is taken where
//     the power of the stack at the candidate's velocity ((sum a)^2 / M, the
//     CDP and its neighbours weighted as in 2) is greatest within RefineMs of
//     the peak, and the velocity is the best of the averaged spectrum at that
//     time within VelocityReach columns of the peak's. Both refined between
//     samples by a parabola (time on the stack power, velocity on the
//     semblance; within half a step). A candidate stays when its semblance
//     there is at least PickThreshold and at least FoldFactor / M, M the traces
//     that the stretch mute leaves live at that time and velocity (noise alone
//     gives about 1 / M), with M at least MinFold. Candidates that land on the
//     same point are one.
//  5. A path down the time axis: of the candidates, the set with the largest
//     sum of semblance in which each pick lies at least MinGapMs below the one
//     above it and the interval velocity between the two (Dix:
//     sqrt((v2^2 t2 - v1^2 t1) / (t2 - t1))) is at least (1 - InversionLimit)
//     and at most MaxIntervalRatio times the RMS velocity of the pick above:
//     interval velocities may fall at most 10% below the velocity above them.
//     Found by dynamic programming over the candidates in time order; of equal
//     sums the path with the earlier candidates wins.
//  6. One pick per whole velocity (the pick table's rule; of two the weaker is
//     left out), at most PicksPerCdp picks per CDP (the weakest left out).
// A CDP's picks depend only on the spectra of the CDPs within LineHalfWidth of
// it, so picking a range of CDPs reads the neighbours beyond the range, and runs
// over adjacent ranges give the picks of one whole run.
//
// Work: the spectra are computed by `threads` threads over the CDPs (each with
// an engine of its own, one velocity thread each), at most a few CDPs ahead of
// the one being picked, so memory follows the spectrum size, not the line's
// length; picking runs on the calling thread in CDP order. The picks do not
// depend on the number of threads.
//
// Hooks run on the calling thread: cdpPicked once per CDP of p.cdps in order,
// progress after each. A CDP that cannot be read, or whose spectrum would be
// too large, ends the run with the message (the CDPs before it were handed
// over); `cancel` ends it soon with `cancelled`.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "spectrum/core/GatherCdps.h"
#include "spectrum/core/Semblance.h"

namespace tsly {

namespace autopick {
inline constexpr int LineHalfWidth = 2;
inline constexpr float PickThreshold = 0.3f;  // as `tsly semblance --peaks`
inline constexpr float FoldFactor = 3.0f;
inline constexpr int MinFold = 4;
inline constexpr double MinGapMs = 48.0;
inline constexpr double InversionLimit = 0.10;
inline constexpr double MaxIntervalRatio = 2.0;
inline constexpr double RefineMs = 60.0;
inline constexpr int VelocityReach = 4;
// The semblance window of the first pass: about one period of the wavelet
// (11 samples at 4 ms), so that the lobes of one reflection give one peak.
inline constexpr double WindowMs = 40.0;
}  // namespace autopick

struct ProposedPick {
  float timeMs = 0;
  float velocity = 0;
  float semblance = 0;  // of the averaged spectrum at the pick
};

struct CdpProposal {
  std::int16_t cdp = 0;
  std::vector<ProposedPick> picks;  // ascending in time
};

// The window of the first pass in samples of `intervalUs` (WindowMs, at least 1).
std::int32_t autoPickWindowSamples(std::int32_t intervalUs);

// A CDP of the line: its spectrum and its live traces.
struct LineCdp {
  const Spectrum* spectrum = nullptr;
  const CdpTraces* traces = nullptr;
};
// Steps 2 to 6 for one CDP: `line` holds the CDPs around it in CDP order,
// `centre` its index there; their spectra share the centre's velocities.
std::vector<ProposedPick> pickCdp(const std::vector<LineCdp>& line, std::size_t centre, float stretch);

struct AutoPickParams {
  std::vector<std::int16_t> cdps;  // CDPs of the gather to pick (picked ascending, each once)
  SemblanceSettings settings;      // trial velocities, window, stretch (workers: one per thread)
  int threads = 2;
};

struct AutoPickHooks {
  std::function<void(std::size_t done, std::size_t total)> progress;
  std::function<void(const CdpProposal&)> cdpPicked;
  const std::atomic<bool>* cancel = nullptr;
};

struct AutoPickResult {
  std::string error;
  bool cancelled = false;
  std::size_t cdpsDone = 0;
  bool ok() const { return error.empty() && !cancelled; }
};

AutoPickResult runAutoPick(const GatherCdps& gather, const AutoPickParams& p, const AutoPickHooks& hooks = {});

}  // namespace tsly
