// What the "Velocity Spectrum" window shows and what it has asked for, kept
// apart from the window: the CDP and its picks, the velocity range (automatic
// or typed) and the stretch, the corrected gather, the spectrum on screen with
// what it was computed from, and the request on its way. The window hands the
// requests to a SpectrumWorker and paints pictureInput().
//
// Rules, stated once:
//  - The range shown: the typed one (Apply) while there is one, else the
//    panels' automatic range (widenedRange of the CDP's panel span), else the
//    last one. "Panel Range" drops the typed one, and so does a CDP of another
//    panel file (a file opened since): the range follows the file opened.
//    Applying the automatic range as it stands in the boxes keeps it automatic
//    (it follows the CDPs).
//  - A spectrum is computed again only when the CDP's traces, the stretch or
//    the trial velocities differ from those of the spectrum on screen; a range
//    with no velocities computes nothing.
//  - Only the last request's result is shown; clearing (nothing to show) drops
//    whatever is still on its way.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "spectrum/core/CorrectedGather.h"
#include "spectrum/core/GatherCdps.h"
#include "spectrum/core/Semblance.h"
#include "spectrum/core/SpectrumPicture.h"
#include "spectrum/core/SpectrumView.h"
#include "moveout/core/VelocityFunction.h"

namespace tsly {

inline constexpr std::int32_t SpectrumWindowSamples = 5;
inline constexpr int SpectrumWorkers = 2;

// What the window needs to show one CDP.
struct SpectrumCdpInput {
  std::string panelFile;
  std::string gatherFile;
  CdpTraces traces;  // the CDP's live traces from the gather
  std::optional<std::pair<double, double>> panelSpan;  // lowest and highest panel velocity
  SpectrumTimeScale time;  // the main canvas's, from its last redraw
  std::vector<VelocityPick> picks;
};

class SpectrumRequests {
 public:
  // Each returns true when the spectrum must be computed (again).
  bool showCdp(SpectrumCdpInput input);
  // The boxes' range and stretch, once checked.
  bool apply(const VelocityRange& typed, float stretch);
  bool usePanelRange();

  void setPicks(std::vector<VelocityPick> picks);
  // Nothing shown; a result still on its way is not taken.
  void clear();

  // The settings to compute the CDP shown with; none when the range gives no
  // trial velocities.
  std::optional<SemblanceSettings> settings() const;
  void requested(std::uint64_t id);
  // The request on its way is dropped (cancelled, or nothing to compute).
  void dropped();
  // A result arrived: true when it is the last request's and now on screen.
  bool arrived(std::uint64_t id, Spectrum s);

  bool hasCdp() const { return hasCdp_; }
  const SpectrumCdpInput& input() const { return input_; }
  VelocityRange range() const { return range_; }
  float stretch() const { return stretch_; }
  const CorrectedGather& gather() const { return corrected_; }
  const std::optional<Spectrum>& spectrum() const { return spectrum_; }
  bool computing() const { return computing_; }
  std::uint64_t lastRequest() const { return lastRequest_; }

  // The picture of what is shown (it points into this object). Without the
  // main canvas's time scale, a row per sample of the CDP.
  SpectrumPictureInput pictureInput() const;

 private:
  VelocityRange wantedRange() const;
  bool mustCompute();

  bool hasCdp_ = false;
  SpectrumCdpInput input_;
  std::optional<VelocityRange> typedRange_;  // set by Apply, cleared by Panel Range
  std::string panelFile_;                    // of the last CDP shown
  VelocityRange range_;
  float stretch_ = 0.5f;
  CorrectedGather corrected_;
  std::optional<Spectrum> spectrum_;
  CdpTraces spectrumTraces_;  // what spectrum_ was computed from
  float spectrumStretch_ = 0;
  bool computing_ = false;
  std::uint64_t lastRequest_ = 0;
};

}  // namespace tsly
