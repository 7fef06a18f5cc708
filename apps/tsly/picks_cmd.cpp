// tsly picks-export PICKS --par|--csv [-o OUT] [--force]
// tsly picks-check PICKS DATA
// tsly velocity-check PICKS [--cdp CDP]
// The picks files Tessaly saves: exported for other tools, checked against a
// data file as loading them does, and their velocity functions checked.
#include <iostream>
#include <map>
#include <memory>
#include <string>

#include "CliSupport.h"
#include "commands.h"
#include "platform/ShownText.h"
#include "shared/ExchangeOutput.h"
#include "picks/core/PicksFile.h"
#include "picks/core/VelocityCheck.h"

namespace tsly::cli {

namespace {

// Reads a picks file whose every row must be well-formed; says why not on
// stderr (the first rows refused, each line escaped and cut, then how many more).
bool readWellFormed(const char* command, const std::string& path, picks::ParsedPicks& p) {
  if (const std::string err = picks::readPicksFile(path, p); !err.empty()) {
    fail(command, err);
    return false;
  }
  FaultList faults;
  for (const auto& r : p.refused)
    faults.add(shownText(path) + " line " + std::to_string(r.line) + " \"" + shownLine(r.text) + "\": " +
               shownText(r.reason));
  for (const std::string& line : faults.lines()) fail(command, line);
  return p.refused.empty();
}

struct ExportOptions {
  std::string picks, out;
  bool par = false, csv = false, force = false;
};

int runExport(const ExportOptions& o) {
  if (o.par == o.csv) return fail("picks-export", "give one of --par and --csv");
  picks::ParsedPicks p;
  if (!readWellFormed("picks-export", o.picks, p)) return 1;
  std::string text;
  if (o.par) {
    std::string error;
    text = picks::parText(p.rows, error);
    if (!error.empty()) return fail("picks-export", error);
  } else {
    text = picks::csvText(p.rows);
  }
  if (o.out.empty()) {
    std::cout << text;
    return 0;
  }
  if (!outputAllowed("picks-export", o.out, o.force, {{o.picks, "the picks file read"}})) return 1;
  stopOnSignals(false);
  if (const std::string err = writeTextFileWhole(o.out, text); !err.empty()) return fail("picks-export", err);
  std::cout << p.rows.size() << " picks written to " << o.out << "\n";
  return 0;
}

struct CheckOptions {
  std::string picks, data;
};

int runCheck(const CheckOptions& o) {
  picks::ParsedPicks p;
  if (const std::string err = picks::readPicksFile(o.picks, p); !err.empty()) return fail("picks-check", err);
  AppState st;
  OpenScanResult scan;
  if (!openForCommand(o.data, st, scan)) return 1;
  if (!scan.isPanelData())
    return fail("picks-check",
                o.data + " holds" + st.DataTypeText + "; picks belong to velocity-scan or CDP-stacked panels");
  const picks::PicksCheck c = picks::checkPicks(p, st);
  std::cout << picks::loadReport(c, "\n") << "\n";
  return c.refused.empty() ? 0 : 1;
}

int runVelocityCheck(const std::string& path, bool oneCdp, int only) {
  picks::ParsedPicks p;
  if (!readWellFormed("velocity-check", path, p)) return 1;
  std::map<int, std::vector<vcheck::TimeVelocity>> byCdp;
  for (const auto& r : p.rows) byCdp[r.cdp].push_back({r.timeMs, r.velocity});
  if (oneCdp && byCdp.find(only) == byCdp.end())
    return fail("velocity-check", path + " has no picks for CDP " + std::to_string(only));
  int flagged = 0, shown = 0;
  for (const auto& [cdp, tv] : byCdp) {
    if (oneCdp && cdp != only) continue;
    const auto rows = vcheck::analyse(tv);
    for (const auto& r : rows) flagged += r.flags != vcheck::NoFlag ? 1 : 0;
    if (shown++) std::cout << "\n";
    std::cout << vcheck::tableText(cdp, rows);
  }
  std::cout << "\n"
            << shown << (shown == 1 ? " CDP, " : " CDPs, ") << flagged
            << (flagged == 1 ? " pick flagged\n" : " picks flagged\n");
  return 0;
}

}  // namespace

void addPicksCommands(CLI::App& app, int& exitCode) {
  auto eo = std::make_shared<ExportOptions>();
  auto* ex =
      addCommand(app, exitCode, eo, runExport, "picks-export",
                 "Export a Tessaly picks file as a Seismic Unix par file (cdp=..., then tnmo= in seconds and vnmo= per "
                 "CDP, for sunmo par=) or as CSV (cdp,time_ms,velocity). Every row must be well-formed; nothing is "
                 "written otherwise.");
  ex->add_option("PICKS", eo->picks, "picks file saved by Tessaly")->required();
  ex->add_flag("--par", eo->par, "write a Seismic Unix par file");
  ex->add_flag("--csv", eo->csv, "write CSV");
  ex->add_option("-o,--output", eo->out, "file to write (default: standard output)");
  ex->add_flag("--force", eo->force, "overwrite the -o file if it exists");

  auto co = std::make_shared<CheckOptions>();
  auto* ck = addCommand(
      app, exitCode, co, runCheck, "picks-check",
      "Check a picks file against a panel file as loading it in Tessaly does (CDP listed, velocity one of the "
      "CDP's panels, time within the traces, at most 20 picks per CDP) and report every refused row. Exit "
      "status 1 when any row is refused.");
  ck->add_option("PICKS", co->picks, "picks file")->required();
  ck->add_option("DATA", co->data, "velocity-scan or CDP-stacked panel file")->required();

  auto vPath = std::make_shared<std::string>();
  auto vCdp = std::make_shared<int>(0);
  auto* vc = app.add_subcommand(
      "velocity-check",
      "Print each CDP's velocity function from a picks file: picks in time order with the RMS velocity, the "
      "Dix interval velocity and thickness (ms) of each interval, flagging velocity inversions, imaginary "
      "interval velocities and interval velocities outside 1000..8000 m/s.");
  vc->add_option("PICKS", *vPath, "picks file")->required();
  auto* cdpOption = vc->add_option("--cdp", *vCdp, "only this CDP (default: every CDP with picks)");
  vc->callback(
      [vPath, vCdp, cdpOption, &exitCode] { exitCode = runVelocityCheck(*vPath, cdpOption->count() > 0, *vCdp); });
}

}  // namespace tsly::cli
