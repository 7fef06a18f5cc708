#include "spectrum/core/SpectrumRequests.h"

#include <algorithm>
#include <cmath>

namespace tsly {

namespace {

bool sameTraces(const CdpTraces& a, const CdpTraces& b) {
  return a.cdp == b.cdp && a.intervalUs == b.intervalUs && a.delayMs == b.delayMs && a.samples == b.samples &&
         a.offsets == b.offsets &&
         a.counts == b.counts && a.data == b.data;
}

// Equal but for the last digits a box's text loses.
bool sameRange(const VelocityRange& a, const VelocityRange& b) {
  auto same = [](double x, double y) { return std::fabs(x - y) <= 1e-9 * std::max(std::fabs(x), std::fabs(y)); };
  return same(a.min, b.min) && same(a.max, b.max) && same(a.step, b.step);
}

}  // namespace

VelocityRange SpectrumRequests::wantedRange() const {
  if (typedRange_) return *typedRange_;
  if (input_.panelSpan) return widenedRange(input_.panelSpan->first, input_.panelSpan->second);
  return range_;
}

// The CDP's gather is moved out again (the picks or the stretch may have
// changed); the spectrum on screen is dropped when it no longer fits.
bool SpectrumRequests::mustCompute() {
  corrected_ = correctGather(input_.traces, input_.picks, stretch_);
  if (spectrum_ && spectrumStretch_ == stretch_ && spectrum_->velocities == range_.grid() &&
      sameTraces(spectrumTraces_, input_.traces))
    return false;
  spectrum_.reset();
  return true;
}

bool SpectrumRequests::showCdp(SpectrumCdpInput input) {
  input_ = std::move(input);
  if (!panelFile_.empty() && input_.panelFile != panelFile_) typedRange_.reset();
  panelFile_ = input_.panelFile;
  hasCdp_ = true;
  range_ = wantedRange();
  return mustCompute();
}

bool SpectrumRequests::apply(const VelocityRange& typed, float stretch) {
  if (typedRange_ || !sameRange(typed, range_)) typedRange_ = typed;
  stretch_ = stretch;
  if (!hasCdp_) {
    range_ = typed;
    return false;
  }
  range_ = wantedRange();
  return mustCompute();
}

bool SpectrumRequests::usePanelRange() {
  typedRange_.reset();
  if (!hasCdp_) return false;
  range_ = wantedRange();
  return mustCompute();
}

void SpectrumRequests::setPicks(std::vector<VelocityPick> picks) {
  if (!hasCdp_) return;
  input_.picks = std::move(picks);
  corrected_ = correctGather(input_.traces, input_.picks, stretch_);
}

void SpectrumRequests::clear() {
  hasCdp_ = false;
  input_ = SpectrumCdpInput{};
  spectrum_.reset();
  corrected_ = CorrectedGather{};
  dropped();
}

std::optional<SemblanceSettings> SpectrumRequests::settings() const {
  SemblanceSettings s;
  s.velocities = range_.grid();
  // Panels whose velocities are all 0 give no automatic range: nothing to
  // compute until a range is typed.
  if (s.velocities.empty()) return std::nullopt;
  s.windowSamples = SpectrumWindowSamples;
  s.stretch = stretch_;
  s.workers = SpectrumWorkers;
  return s;
}

void SpectrumRequests::requested(std::uint64_t id) {
  lastRequest_ = id;
  computing_ = true;
}

void SpectrumRequests::dropped() {
  ++lastRequest_;  // whatever is still on its way is not shown
  computing_ = false;
}

bool SpectrumRequests::arrived(std::uint64_t id, Spectrum s) {
  if (id != lastRequest_ || !hasCdp_) return false;
  spectrum_ = std::move(s);
  spectrumTraces_ = input_.traces;
  spectrumStretch_ = stretch_;
  computing_ = false;
  return true;
}

SpectrumPictureInput SpectrumRequests::pictureInput() const {
  SpectrumPictureInput p;
  p.cdp = input_.traces.cdp;
  p.spectrum = spectrum_ ? &*spectrum_ : nullptr;
  p.computing = computing_;
  const std::vector<float> grid = spectrum_ && !spectrum_->velocities.empty() ? spectrum_->velocities : range_.grid();
  p.firstVelocity = grid.empty() ? range_.min : grid.front();
  p.lastVelocity = grid.empty() ? range_.max : grid.back();
  p.time = input_.time.usable() ? input_.time
                                 : sampleTimeScale(input_.traces.samples, input_.traces.intervalUs,
                                                   static_cast<double>(input_.traces.delayMs));
  p.picks = input_.picks;
  p.gather = &corrected_;
  return p;
}

}  // namespace tsly
