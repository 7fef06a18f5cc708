// Velocity spectra of a list of CDPs of a gather file, as `tsly semblance` and
// its benchmark run them: each CDP read, its spectrum computed, written as CSV
// rows and/or handed over with its peaks.
//
// Rules, stated once:
//  - CDPs are done in the order given. The CSV file (when a path is given) is
//    written through a temporary file and renamed into place only when every
//    CDP is done: a run that fails or is cancelled leaves no file and leaves an
//    existing file of that name as it was.
//  - hooks.spectrum sees each finished spectrum, hooks.peaks each CDP's peaks
//    (strongest first) when peaks are asked for, both in CDP order, on the
//    calling thread, before the next CDP starts. The CSV rows of a CDP are
//    written on a second thread while the next CDPs are computed, a few rows
//    at a time (never the text of a whole spectrum at once).
//  - hooks.progress after each CDP (done, total).
//  - The result's error is "" or one line saying what failed (a CDP that cannot
//    be read or whose spectrum would be too large, spectrumSizeProblem; the
//    CSV file); `cancelled` when hooks.cancel ended the run.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "spectrum/core/GatherCdps.h"
#include "spectrum/core/Semblance.h"

namespace tsly {

struct SpectrumRunParams {
  std::vector<std::int16_t> cdps;
  SemblanceSettings settings;
  std::string csvPath;        // "" : no CSV
  bool csvCdpColumn = false;  // a cdp column first (a whole gather in one file)
  bool peaks = false;
  float peakThreshold = 0.3f;
};

struct SpectrumRunHooks {
  std::function<void(std::size_t done, std::size_t total)> progress;
  std::function<void(const Spectrum&)> spectrum;
  std::function<void(const Spectrum&, const std::vector<SpectrumPeak>&)> peaks;
  const std::atomic<bool>* cancel = nullptr;
};

struct SpectrumRunResult {
  std::string error;
  bool cancelled = false;
  std::size_t cdpsDone = 0;
  bool ok() const { return error.empty() && !cancelled; }
};

SpectrumRunResult runSpectra(const GatherCdps& gather, const SpectrumRunParams& p, const SpectrumRunHooks& hooks = {});

}  // namespace tsly
