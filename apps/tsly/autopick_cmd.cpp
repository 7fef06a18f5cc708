// tsly autopick GATHER --output PICKS [--cdps FIRST-LAST] [--vmin V --vmax V --dv V]
//                     [--threads N] [--force]:
// the automatic first pass (spectrum/core/AutoPick.h) over the CDPs of a gather
// file, written as a picks file that Load Picks reads. Messages go to stderr,
// the count of picks to stdout.
//
// Exit status: 0 done, 1 refused or failed (nothing written, an existing file
// of that name left as it was).
#include <algorithm>
#include <cstdio>
#include <iostream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "ArgParse.h"
#include "CliSupport.h"
#include "SemblanceOptions.h"
#include "commands.h"
#include "deck/core/CdpRange.h"
#include "picks/core/PicksFile.h"
#include "platform/ConsoleUi.h"
#include "platform/ShownText.h"
#include "shared/ExchangeOutput.h"
#include "shared/Numbers.h"
#include "spectrum/core/AutoPick.h"
#include "spectrum/core/GatherCdps.h"
#include "spectrum/core/SpectrumText.h"

namespace tsly::cli {

namespace {

struct AutopickOptions {
  std::string gather, output, cdps;
  bool listCdps = false;
  std::string vmin = "1200", vmax = "5180", dv = "20", threads;
  bool force = false;
};

int refuse(const std::string& message) { return fail("autopick", message); }

// The number of threads asked for: 1..64, default the machine's processors.
bool threadCount(const std::string& text, int& threads) {
  if (text.empty()) {
    threads = static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, 64u));
    return true;
  }
  double n = 0;
  if (!parseFiniteNumber(text, n) || n != static_cast<int>(n) || n < 1 || n > 64) return false;
  threads = static_cast<int>(n);
  return true;
}

int runAutopick(const AutopickOptions& o) {
  double vmin = 0, vmax = 0, dv = 0;
  if (const std::string why = checkVelocityOptions(o.vmin, o.vmax, o.dv, vmin, vmax, dv); !why.empty())
    return refuse(why);
  if (vmax > 32767) return refuse("--vmax (" + shortNumber(vmax) + ") is above 32767; picks hold 16-bit velocities");
  const std::vector<float> velocities = velocityGrid(vmin, vmax, dv);
  if (velocities.size() < 3)
    return refuse("--vmin, --vmax and --dv give " + std::to_string(velocities.size()) +
                  " velocities; the first pass needs at least 3");
  int first = -32768, last = 32767;
  if (!o.cdps.empty() && !parseCdpRange(o.cdps, first, last))
    return refuse("--cdps wants FIRST-LAST, whole numbers from -32768 to 32767 with FIRST <= LAST (got '" +
                  shownText(o.cdps, 40) + "')");
  int threads = 0;
  if (!threadCount(o.threads, threads)) return refuse("--threads wants a whole number from 1 to 64, not '" + shownText(o.threads, 40) + "'");
  if (!inputAllowed("autopick", o.gather)) return 1;
  GatherCdps gather;
  {
    TerminalProgress scan("traces");
    const std::string error =
        gather.open(o.gather, [&scan](std::int32_t n) { scan.note("Scanning: " + std::to_string(n) + " traces"); });
    scan.end();
    if (!error.empty()) {
      std::cerr << error << "\n";
      return 1;
    }
  }
  if (gather.cdps().empty()) return refuse(o.gather + " holds no traces");
  AutoPickParams p;
  for (std::int16_t cdp : gather.cdps())
    if (cdp >= first && cdp <= last) p.cdps.push_back(cdp);
  if (p.cdps.empty())
    return refuse("--cdps " + shownText(o.cdps, 40) + " holds no CDP of " + shownText(o.gather) + " (CDPs " +
                  std::to_string(gather.cdps().front()) + " to " + std::to_string(gather.cdps().back()) + ")");
  if (o.listCdps) {
    std::string out;
    for (std::int16_t cdp : p.cdps) out += std::to_string(cdp) + "\n";
    std::fputs(out.c_str(), stdout);
    return 0;
  }
  if (!outputAllowed("autopick", o.output, o.force, {{o.gather, "the gather file"}})) return 1;
  // A signal ends the run between CDPs; nothing is written.
  stopOnSignals(true);
  // The window from the line's first CDP, whatever the range: runs over
  // ranges pick as one run over the line does.
  CdpTraces lineStart;
  if (const std::string error = gather.read(gather.cdps().front(), lineStart); !error.empty()) return refuse(error);
  p.settings.velocities = velocities;
  p.settings.windowSamples = autoPickWindowSamples(lineStart.intervalUs);
  p.settings.stretch = 0.5f;
  p.threads = threads;

  std::vector<picks::PickRow> rows;
  TerminalProgress bar("CDPs");
  AutoPickHooks hooks;
  hooks.progress = [&bar](std::size_t done, std::size_t total) {
    bar.update(static_cast<std::int64_t>(done), static_cast<std::int64_t>(total));
  };
  hooks.cdpPicked = [&rows](const CdpProposal& c) {
    for (const ProposedPick& pk : c.picks) {
      picks::PickRow row;
      row.cdp = c.cdp;
      row.timeMs = pk.timeMs;
      row.velocity = nearestI16(pk.velocity);
      rows.push_back(row);
    }
  };
  hooks.cancel = &stopRequested();
  const AutoPickResult r = runAutoPick(gather, p, hooks);
  bar.end();
  if (r.cancelled || stopRequested()) return refuse("cancelled; nothing written");
  if (!r.ok()) return refuse(r.error);
  if (const std::string error = writeTextFileWhole(o.output, picks::picksFileText(o.gather, rows)); !error.empty())
    return refuse(error);
  std::cout << rows.size() << " picks on " << p.cdps.size() << " CDPs written to " << shownText(o.output) << "\n";
  return 0;
}

}  // namespace

void addAutopickCommand(CLI::App& app, int& exitCode) {
  auto opts = std::make_shared<AutopickOptions>();
  auto* cmd = addCommand(
      app, exitCode, opts, runAutopick, "autopick",
      "Automatic first pass of velocity picking on a CDP-gather file: the velocity spectrum of each CDP "
      "(as tsly semblance, window 40 ms, stretch .5) averaged with its two neighbours on each side (weights "
      "1 2 3 2 1); its peaks of semblance at least .3 (and 3 / the traces live there) inside the velocity range; "
      "of those, the path down the time axis with the most semblance whose picks lie 48 ms apart at least and "
      "whose interval velocities (Dix) fall at most 10% below, and rise at most to twice, the velocity above "
      "them; at most 20 picks per CDP. Written as a picks file (CDP, time in ms, velocity) for Load Picks, "
      "whole or not at all. A CDP's picks depend only on its neighbours, so runs over adjacent --cdps ranges "
      "join into the file of one whole run: the first part whole, the others without their first line.");
  cmd->add_option("GATHER", opts->gather, "CDP-gather trace file to read")->required();
  cmd->add_option("--output,-o", opts->output, "picks file to write (required)")->required();
  cmd->add_option("--cdps", opts->cdps,
                  "only CDPs FIRST-LAST (both included; default: every CDP); a range holding no CDP of the gather "
                  "is refused");
  cmd->add_option("--vmin", opts->vmin, "lowest trial velocity (default 1200)");
  cmd->add_option("--vmax", opts->vmax, "highest trial velocity (default 5180; at most 32767)");
  cmd->add_option("--dv", opts->dv, "velocity step (default 20; 3 to 1000 velocities)");
  cmd->add_option("--threads", opts->threads, "threads computing spectra (default: the machine's processors)");
  cmd->add_flag("--force", opts->force, "replace PICKS if it exists");
  cmd->add_flag("--list-cdps", opts->listCdps,
                "write nothing; print the CDPs of the gather the run would pick (within --cdps), one per line");
}

}  // namespace tsly::cli
