// tsly semblance GATHER --cdp N|all [options]: the velocity spectrum (semblance
// over a grid of trial velocities) of one CDP or of every CDP of a gather file,
// as a PNG picture, as CSV and/or as the list of its peaks. Messages go to
// stderr, peak lines to stdout.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iostream>
#include <memory>
#include <string>

#include "ArgParse.h"
#include "CliSupport.h"
#include "SemblanceOptions.h"
#include "SpectrumPng.h"
#include "commands.h"
#include "spectrum/core/GatherCdps.h"
#include "spectrum/core/Semblance.h"
#include "spectrum/core/SpectrumRun.h"
#include "spectrum/core/SpectrumText.h"
#include "platform/ConsoleUi.h"
#include "platform/ShownText.h"
#include "shared/OutputCheck.h"
#include "shared/FileUtil.h"
#include "shared/Numbers.h"

namespace tsly::cli {

namespace {

constexpr std::int32_t MaxWindowSamples = 1001;

int refuse(const std::string& message) { return fail("semblance", message); }

// The gather indexed, with a count of traces on a terminal; the CDP asked for
// must be in it. Prints why not and returns false.
bool openGather(const SemblanceOptions& o, const SemblanceRequest& q, GatherCdps& gather) {
  TerminalProgress scan("traces");
  const std::string error =
      gather.open(o.gather, [&scan](std::int32_t n) { scan.note("Scanning: " + std::to_string(n) + " traces"); });
  scan.end();
  if (!error.empty()) {
    std::cerr << error << "\n";
    return false;
  }
  if (gather.cdps().empty()) {
    refuse(o.gather + " holds no traces");
    return false;
  }
  if (!q.all && !gather.has(q.cdp)) {
    refuse("CDP " + std::to_string(q.cdp) + " is not in " + o.gather + " (CDPs " +
           std::to_string(gather.cdps().front()) + " to " + std::to_string(gather.cdps().back()) + ")");
    return false;
  }
  return true;
}

// The window in samples of the first CDP's interval: W / interval rounded, at
// least 1 (made odd by the engine so that it is centred). Prints why not and
// returns false.
bool windowSamples(const GatherCdps& gather, std::int16_t firstCdp, double windowMs, std::int32_t& samples) {
  CdpTraces first;
  if (const std::string error = gather.read(firstCdp, first); !error.empty()) {
    std::cerr << error << "\n";
    return false;
  }
  const double n = std::max(1.0, std::round(windowMs * 1000.0 / first.intervalUs));
  if (n > MaxWindowSamples) {
    refuse("--window-ms " + shortNumber(windowMs) + " is " + shortNumber(n) + " samples; at most " +
           std::to_string(MaxWindowSamples));
    return false;
  }
  samples = static_cast<std::int32_t>(n);
  return true;
}

int runSemblance(const SemblanceOptions& o) {
  SemblanceRequest q;
  if (const std::string why = checkSemblanceOptions(o, q); !why.empty()) return refuse(why);
  if (!inputAllowed("semblance", o.gather)) return 1;
  // A signal ends the run between velocity blocks; nothing is left behind.
  stopOnSignals(true);
  GatherCdps gather;
  if (!openGather(o, q, gather)) return 1;

  SpectrumRunParams p;
  p.cdps = q.all ? gather.cdps() : std::vector<std::int16_t>{q.cdp};
  p.settings.velocities = velocityGrid(q.vmin, q.vmax, q.dv);
  p.settings.stretch = q.stretch;
  p.settings.windowSamples = 5;
  if (!o.windowMs.empty() && !windowSamples(gather, p.cdps.front(), q.windowMs, p.settings.windowSamples)) return 1;
  p.csvPath = o.csv;
  p.csvCdpColumn = q.all;
  p.peaks = o.peaks;

  TerminalProgress bar("CDPs");
  SpectrumRunHooks hooks;
  hooks.progress = [&bar](std::size_t done, std::size_t total) {
    bar.update(static_cast<std::int64_t>(done), static_cast<std::int64_t>(total));
  };
  std::string peakText;
  hooks.peaks = [&](const Spectrum& sp, const std::vector<SpectrumPeak>& peaks) {
    for (const SpectrumPeak& pk : peaks) peakText += peakLine(pk, q.all, sp.cdp) + "\n";
    if (!bar.onTerminal()) {  // lines as they come; on a terminal after the progress bar
      std::fputs(peakText.c_str(), stdout);
      peakText.clear();
    }
  };
  Spectrum one;
  if (!o.png.empty()) hooks.spectrum = [&one](const Spectrum& sp) { one = sp; };
  hooks.cancel = &stopRequested();
  const SpectrumRunResult r = runSpectra(gather, p, hooks);
  bar.end();
  std::fputs(peakText.c_str(), stdout);
  std::fflush(stdout);
  if (r.cancelled) return refuse("cancelled; nothing written");
  if (!r.ok()) return refuse(r.error);
  if (o.png.empty()) return 0;
  if (stopRequested()) return refuse("cancelled; " + shownText(o.png) + " not written");
  const std::string error = writeSpectrumPng(one, o.png);
  return error.empty() ? 0 : refuse(error);
}

}  // namespace

void addSemblanceCommand(CLI::App& app, int& exitCode) {
  auto opts = std::make_shared<SemblanceOptions>();
  auto* cmd = addCommand(
      app, exitCode, opts, runSemblance, "semblance",
      "Velocity spectrum of a CDP-gather file: for every trial velocity the CDP's live traces are moved out as "
      "panel generation moves them (same interpolation and stretch mute; a trace's first sample at its recording "
      "delay, word 55: times are true times), and at each time the semblance "
      "sum_window (sum_traces a)^2 / sum_window (M x sum_traces a^2) is taken over a centred window, M the "
      "traces live at that time (0 where fewer than 2 are live or there is no energy). Output files are "
      "written whole or not at all (replaced if they exist).");
  cmd->add_option("GATHER", opts->gather, "CDP-gather trace file to read")->required();
  cmd->add_option("--cdp", opts->cdp, "CDP number, or all for every CDP of the file in ascending order (required)")
      ->required();
  cmd->add_option("--vmin", opts->vmin, "lowest trial velocity (default 1200)");
  cmd->add_option("--vmax", opts->vmax, "highest trial velocity (default 5180)");
  cmd->add_option("--dv", opts->dv, "velocity step (default 20; at most 1000 velocities)");
  cmd->add_option("--window-ms", opts->windowMs,
                  "semblance window in ms, rounded to whole samples and made odd (default: 5 samples, 20 ms at 4 ms)");
  cmd->add_option("--stretch", opts->stretch, "NMO stretch ratio, .1 to .99 (default .5, as panel generation)");
  cmd->add_option("--png", opts->png, "write the spectrum of the CDP as a PNG picture (one CDP only)");
  cmd->add_option("--csv", opts->csv,
                  "write time_ms,velocity,semblance rows (with --cdp all: cdp,time_ms,velocity,semblance, "
                  "all CDPs in one file)");
  cmd->add_flag("--peaks", opts->peaks,
                "print one line per local maximum above 0.3: time_ms velocity semblance, strongest first "
                "(with --cdp all: cdp first, CDP by CDP)");
}

}  // namespace tsly::cli
