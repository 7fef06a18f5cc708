// Velocity spectrum: the semblance of one CDP over a grid of trial velocities.
//
//   SemblanceEngine engine(settings);
//   Spectrum s;
//   if (engine.compute(cdpTraces, s, &cancel)) ... s.at(i, k) ...
//
// For every trial velocity the CDP's live traces are moved out exactly as
// panel generation moves them (nmoit's interpolation and stretch mute, through
// moveout tables), their first sample at the recording delay (as the moveout
// of a VELF deck takes it with its delay switch on: nmoitVariable; no delay,
// nmoit), and at every time sample i
//
//   S(i) = sum_j (sum_traces a_j)^2 / sum_j (M_j x sum_traces a_j^2)
//
// over the window j = i - h .. i + h (h = windowSamples / 2, cut at the trace
// ends), M_j the traces live at sample j (unmuted and read inside the input).
// Rules, stated once:
//  - S = 0 where fewer than 2 traces are live at sample i, and where the window
//    holds no energy. Samples of the window with fewer than 2 live traces add
//    nothing. M sits inside the window sum: where M is the same across the
//    window this is sum (sum a)^2 / (M x sum sum a^2); where a mute edge crosses
//    the window it keeps S within 0..1 (each sample's share is at most its
//    M_j x sum a^2), so a mute edge never shows as a false peak.
//  - Values lie in 0..1 (rounding can never push one above 1).
//  - Dead traces are left out before this (CdpTraces holds live traces only).
//  - windowSamples is made odd (an even count takes the next odd one), at least 1.
//  - Work: the velocities in blocks shared by `workers` threads (the caller's
//    thread is one of them); each velocity is computed wholly by one thread in a
//    fixed order, so the result does not depend on the threads.
//  - Cancelling: `cancel` is read between velocity blocks; once it is true
//    compute() returns false soon and `out` is not to be used. A window that
//    computes off its user-interface thread sets it when a newer request
//    supersedes the one running.
//  - Moveout tables are kept between calls, keyed by offset, trace length,
//    sample interval and delay (in a regular gather every CDP has the same offsets), up
//    to tableCacheBytes (256 MB unless set); beyond that the cache starts
//    afresh. A CDP whose tables alone would pass that builds each table where
//    it is used instead.
//  - One compute() at a time per engine.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "spectrum/core/GatherCdps.h"
#include "moveout/core/MoveoutTable.h"

namespace tsly {

struct SemblanceSettings {
  std::vector<float> velocities;  // trial velocities, one column each, in this order
  std::int32_t windowSamples = 5;
  float stretch = 0.5f;           // NMO stretch ratio, as for panel generation
  int workers = 2;
  std::size_t tableCacheBytes = std::size_t{256} << 20;  // moveout tables kept between CDPs
};

struct Spectrum {
  std::int16_t cdp = 0;
  std::int32_t samples = 0;     // time samples (rows)
  std::int32_t intervalUs = 0;  // sample i lies at firstMs + i x intervalUs
  double firstMs = 0;           // the recording delay of the CDP's traces
  std::vector<float> velocities;
  std::vector<float> values;    // samples x velocities, row by row (time rows)

  float at(std::int32_t i, std::size_t k) const {
    return values[static_cast<std::size_t>(i) * velocities.size() + k];
  }
  double timeMs(std::int32_t i) const { return firstMs + static_cast<double>(i) * intervalUs / 1000.0; }
};

// The most values one spectrum is computed with (time samples x trial
// velocities: 64 MB of values). A short file can name a trace of 32767 samples;
// with 1000 velocities that alone would be 131 MB per spectrum.
inline constexpr std::size_t MaxSpectrumValues = std::size_t{1} << 24;
// "" or why the spectrum of `cdp` over `velocities` trial velocities is too large.
std::string spectrumSizeProblem(const CdpTraces& cdp, std::size_t velocities);

// Trial velocities vmin, vmin + dv, ... up to vmax (vmax included when the step
// lands on it, within a millionth of a step).
std::vector<float> velocityGrid(double vmin, double vmax, double dv);

// A local maximum of a spectrum: not below any of its (up to 8) neighbours,
// above every neighbour before it in row order.
struct SpectrumPeak {
  std::int32_t sample = 0;
  std::size_t column = 0;
  double timeMs = 0;
  float velocity = 0;
  float semblance = 0;
};
// Local maxima above `threshold`, strongest first (equal ones by time, then velocity).
std::vector<SpectrumPeak> spectrumPeaks(const Spectrum& s, float threshold = 0.3f);

class SemblanceEngine {
 public:
  explicit SemblanceEngine(SemblanceSettings settings);
  ~SemblanceEngine();
  SemblanceEngine(const SemblanceEngine&) = delete;
  SemblanceEngine& operator=(const SemblanceEngine&) = delete;

  const SemblanceSettings& settings() const { return settings_; }
  // The settings as an engine uses them (window made odd, at least 1 worker).
  static SemblanceSettings normalised(SemblanceSettings s);

  // The spectrum of one CDP; false when cancelled.
  bool compute(const CdpTraces& cdp, Spectrum& out, const std::atomic<bool>* cancel = nullptr);

 private:
  struct Tables;
  struct Key {
    std::uint32_t offsetBits;
    std::int32_t count;
    std::int32_t intervalUs;
    std::int32_t delayMs;
    bool operator==(const Key&) const = default;
  };
  struct KeyHash {
    std::size_t operator()(const Key& k) const;
  };
  static Key keyOf(float offset, std::int32_t count, const CdpTraces& cdp);
  std::size_t tableBytes(std::int32_t count) const;
  std::vector<Tables*> tablesOf(const CdpTraces& cdp);
  struct Scratch;
  void column(const CdpTraces& cdp, const std::vector<Tables*>& tables, std::size_t k, float* out,
              Scratch& scratch) const;

  SemblanceSettings settings_;
  std::int32_t half_ = 2;
  std::unordered_map<Key, std::unique_ptr<Tables>, KeyHash> cache_;
  std::size_t cacheBytes_ = 0;
};

}  // namespace tsly
