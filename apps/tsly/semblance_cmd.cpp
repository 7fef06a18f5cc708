// tsly semblance GATHER --cdp N|all [options]: the velocity spectrum (semblance
// over a grid of trial velocities) of one CDP or of every CDP of a gather file,
// as a PNG picture, as CSV and/or as the list of its peaks. Messages go to
// stderr, peak lines to stdout.
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>
#include <unistd.h>

#include "ArgParse.h"
#include "SpectrumPng.h"
#include "commands.h"
#include "generation/core/GatherCdps.h"
#include "generation/core/Semblance.h"
#include "generation/core/SpectrumRun.h"
#include "generation/core/SpectrumText.h"
#include "shared/Numbers.h"

namespace tsly::cli {

namespace {

constexpr std::size_t MaxVelocities = 1000;
constexpr std::int32_t MaxWindowSamples = 1001;

struct SemblanceOptions {
  std::string gather, cdp, png, csv;
  std::string vmin = "1200", vmax = "5180", dv = "20", windowMs, stretch = ".5";
  bool peaks = false;
};

int fail(const std::string& message) {
  std::cerr << "tsly semblance: " << message << "\n";
  return 1;
}

bool number(const std::string& text, const char* option, double& v, std::string& error) {
  if (parseFiniteNumber(text, v)) return true;
  error = std::string(option) + ": '" + text + "' is not a number";
  return false;
}

bool sameFile(const std::string& a, const std::string& b) {
  std::error_code ec;
  return std::filesystem::equivalent(a, b, ec) && !ec;
}

// A progress bar on stderr when it is a terminal.
struct Bar {
  bool on = ::isatty(2) == 1;
  bool shown = false;
  void show(std::size_t done, std::size_t total) {
    if (!on || total == 0) return;
    const int width = 40;
    const int filled = static_cast<int>(done * width / total);
    std::fprintf(stderr, "\r[%s%s] %zu/%zu CDPs", std::string(static_cast<size_t>(filled), '#').c_str(),
                 std::string(static_cast<size_t>(width - filled), '.').c_str(), done, total);
    std::fflush(stderr);
    shown = true;
  }
  void scanned(std::int32_t traces) {
    if (!on) return;
    std::fprintf(stderr, "\rScanning: %d traces", static_cast<int>(traces));
    std::fflush(stderr);
    shown = true;
  }
  void end() {
    if (shown) std::fputs("\n", stderr);
    shown = false;
  }
};

int runSemblance(const SemblanceOptions& o) {
  // Options first: nothing is read or written while one is wrong.
  const bool all = o.cdp == "all";
  std::int16_t cdp = 0;
  if (!all) {
    double c = 0;
    if (!parseFiniteNumber(o.cdp, c) || c != std::floor(c) || c < -32768 || c > 32767)
      return fail("--cdp wants a CDP number (-32768 to 32767) or all, not '" + o.cdp + "'");
    cdp = static_cast<std::int16_t>(c);
  }
  std::string error;
  double vmin = 0, vmax = 0, dv = 0, stretch = 0, windowMs = 0;
  if (!number(o.vmin, "--vmin", vmin, error) || !number(o.vmax, "--vmax", vmax, error) ||
      !number(o.dv, "--dv", dv, error) || !number(o.stretch, "--stretch", stretch, error) ||
      (!o.windowMs.empty() && !number(o.windowMs, "--window-ms", windowMs, error)))
    return fail(error);
  if (!(vmin > 0)) return fail("--vmin must be above 0");
  if (!(vmin < vmax)) return fail("--vmin (" + shortNumber(vmin) + ") must be below --vmax (" + shortNumber(vmax) + ")");
  if (!(dv > 0)) return fail("--dv must be above 0");
  const double count = std::floor((vmax - vmin) / dv + 1e-6) + 1;
  if (count > static_cast<double>(MaxVelocities))
    return fail("--vmin, --vmax and --dv give " + shortNumber(count) + " velocities; at most " +
                std::to_string(MaxVelocities));
  if (!o.windowMs.empty() && !(windowMs > 0)) return fail("--window-ms must be above 0");
  const float s = static_cast<float>(stretch);
  if (!(s >= 0.1f && s <= 0.99f)) return fail("--stretch must lie between .1 and .99");
  if (all && !o.png.empty()) return fail("--png draws one CDP; give --cdp N (--csv and --peaks take all)");
  if (o.png.empty() && o.csv.empty() && !o.peaks) return fail("nothing to write: give --png, --csv or --peaks");
  for (const std::string* out : {&o.png, &o.csv})
    if (!out->empty() && sameFile(*out, o.gather)) return fail(*out + " is the gather file itself");
  if (!o.png.empty() && !o.csv.empty() && o.png == o.csv) return fail("--png and --csv name the same file");

  Bar bar;
  GatherCdps gather;
  error = gather.open(o.gather, [&bar](std::int32_t n) { bar.scanned(n); });
  bar.end();
  if (!error.empty()) {
    std::cerr << error << "\n";
    return 1;
  }
  if (gather.cdps().empty()) return fail(o.gather + " holds no traces");
  if (!all && !gather.has(cdp))
    return fail("CDP " + std::to_string(cdp) + " is not in " + o.gather + " (CDPs " +
                std::to_string(gather.cdps().front()) + " to " + std::to_string(gather.cdps().back()) + ")");

  SpectrumRunParams p;
  p.cdps = all ? gather.cdps() : std::vector<std::int16_t>{cdp};
  p.settings.velocities = velocityGrid(vmin, vmax, dv);
  p.settings.stretch = s;
  p.settings.windowSamples = 5;
  if (!o.windowMs.empty()) {
    // The window in samples of the first CDP's interval: W / interval rounded,
    // made odd so that it is centred.
    CdpTraces first;
    error = gather.read(p.cdps.front(), first);
    if (!error.empty()) {
      std::cerr << error << "\n";
      return 1;
    }
    const double samples = std::max(1.0, std::round(windowMs * 1000.0 / first.intervalUs));
    if (samples > MaxWindowSamples)
      return fail("--window-ms " + shortNumber(windowMs) + " is " + shortNumber(samples) + " samples; at most " +
                  std::to_string(MaxWindowSamples));
    p.settings.windowSamples = static_cast<std::int32_t>(samples);
  }
  p.csvPath = o.csv;
  p.csvCdpColumn = all;
  p.peaks = o.peaks;

  SpectrumRunHooks hooks;
  hooks.progress = [&bar](std::size_t done, std::size_t total) { bar.show(done, total); };
  std::string peakText;
  hooks.peaks = [&](const Spectrum& sp, const std::vector<SpectrumPeak>& peaks) {
    for (const SpectrumPeak& pk : peaks) peakText += peakLine(pk, all, sp.cdp) + "\n";
    if (!bar.on) {  // lines as they come; on a terminal after the progress bar
      std::fputs(peakText.c_str(), stdout);
      peakText.clear();
    }
  };
  Spectrum one;
  if (!o.png.empty()) hooks.spectrum = [&one](const Spectrum& sp) { one = sp; };
  SpectrumRunResult r = runSpectra(gather, p, hooks);
  bar.end();
  std::fputs(peakText.c_str(), stdout);
  std::fflush(stdout);
  if (!r.ok()) return fail(r.error);
  if (!o.png.empty()) {
    error = writeSpectrumPng(one, "CDP " + std::to_string(one.cdp) + " semblance", o.png);
    if (!error.empty()) return fail(error);
  }
  return 0;
}

}  // namespace

void addSemblanceCommand(CLI::App& app, int& exitCode) {
  auto opts = std::make_shared<SemblanceOptions>();
  auto* cmd = app.add_subcommand(
      "semblance",
      "Velocity spectrum of a CDP-gather file: for every trial velocity the CDP's live traces are moved out as "
      "panel generation moves them (same interpolation and stretch mute), and at each time the semblance "
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
  cmd->callback([opts, &exitCode] { exitCode = runSemblance(*opts); });
}

}  // namespace tsly::cli
