// tsly picks-export PICKS --par|--csv [-o OUT] [--force]
// tsly picks-check PICKS DATA
// tsly velocity-check PICKS [--cdp CDP]
// The picks files Tessaly saves: exported for other tools, checked against a
// data file as loading them does, and their velocity functions checked.
#include <iostream>
#include <map>
#include <memory>
#include <string>
#include <unistd.h>

#include "commands.h"
#include "exchange/core/PicksFile.h"
#include "exchange/core/ExchangeOutput.h"
#include "exchange/core/VelocityCheck.h"
#include "open/core/OpenScan.h"
#include "shared/Numbers.h"
#include "shared/State.h"

namespace tsly::cli {

namespace {

std::string terminalText(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n') continue;
    out.push_back(s[i]);
  }
  return out;
}

// Reads a picks file whose every row must be well-formed; says why not on stderr.
bool readWellFormed(const char* command, const std::string& path, picks::ParsedPicks& p) {
  const std::string err = picks::readPicksFile(path, p);
  if (!err.empty()) {
    std::cerr << "tsly " << command << ": " << err << "\n";
    return false;
  }
  for (const auto& r : p.refused)
    std::cerr << "tsly " << command << ": " << path << " line " << r.line << " \"" << picks::printable(r.text)
              << "\": " << picks::printable(r.reason) << "\n";
  return p.refused.empty();
}

struct ExportOptions {
  std::string picks, out;
  bool par = false, csv = false, force = false;
};

int runExport(const ExportOptions& o) {
  if (o.par == o.csv) {
    std::cerr << "tsly picks-export: give one of --par and --csv\n";
    return 1;
  }
  picks::ParsedPicks p;
  if (!readWellFormed("picks-export", o.picks, p)) return 1;
  std::string text;
  if (o.par) {
    std::string error;
    text = picks::parText(p.rows, error);
    if (!error.empty()) {
      std::cerr << "tsly picks-export: " << error << "\n";
      return 1;
    }
  } else {
    text = picks::csvText(p.rows);
  }
  if (o.out.empty()) {
    std::cout << text;
    return 0;
  }
  if (!o.force && ::access(o.out.c_str(), F_OK) == 0) {
    std::cerr << "tsly picks-export: " << o.out << " exists (use --force to overwrite it)\n";
    return 1;
  }
  const std::string err = writeTextFileWhole(o.out, text);
  if (!err.empty()) {
    std::cerr << "tsly picks-export: " << err << "\n";
    return 1;
  }
  std::cout << p.rows.size() << " picks written to " << o.out << "\n";
  return 0;
}

int runCheck(const std::string& picksPath, const std::string& data) {
  AppState st;
  if (!dataFileExists(data)) {
    std::cerr << fileNotFoundMessage().text << "\n";
    return 1;
  }
  st.DataFileName = data;
  const OpenScanResult scan = openScan(st);
  if (!scan.ok()) {
    std::cerr << terminalText(scan.message.text) << "\n";
    return 1;
  }
  if (!scan.isPanelData()) {
    std::cerr << "tsly picks-check: " << data << " holds" << st.DataTypeText
              << "; picks belong to velocity-scan or CDP-stacked panels\n";
    return 1;
  }
  picks::ParsedPicks p;
  const std::string err = picks::readPicksFile(picksPath, p);
  if (!err.empty()) {
    std::cerr << "tsly picks-check: " << err << "\n";
    return 1;
  }
  const picks::PicksCheck c = picks::checkPicks(p, st);
  std::cout << picks::loadReport(c, "\n") << "\n";
  return c.refused.empty() ? 0 : 1;
}

int runVelocityCheck(const std::string& path, bool oneCdp, int only) {
  picks::ParsedPicks p;
  if (!readWellFormed("velocity-check", path, p)) return 1;
  std::map<int, std::vector<vcheck::TimeVelocity>> byCdp;
  for (const auto& r : p.rows) byCdp[r.cdp].push_back({r.timeMs, r.velocity});
  if (oneCdp && byCdp.find(only) == byCdp.end()) {
    std::cerr << "tsly velocity-check: " << path << " has no picks for CDP " << only << "\n";
    return 1;
  }
  int flagged = 0, shown = 0;
  for (const auto& [cdp, tv] : byCdp) {
    if (oneCdp && cdp != only) continue;
    const auto rows = vcheck::analyse(tv);
    for (const auto& r : rows) flagged += r.flags != vcheck::NoFlag ? 1 : 0;
    if (shown++) std::cout << "\n";
    std::cout << vcheck::tableText(cdp, rows);
  }
  std::cout << "\n" << shown << (shown == 1 ? " CDP, " : " CDPs, ") << flagged
            << (flagged == 1 ? " pick flagged\n" : " picks flagged\n");
  return 0;
}

}  // namespace

void addPicksCommands(CLI::App& app, int& exitCode) {
  auto eo = std::make_shared<ExportOptions>();
  auto* ex = app.add_subcommand(
      "picks-export",
      "Export a Tessaly picks file as a Seismic Unix par file (cdp=..., then tnmo= in seconds and vnmo= per "
      "CDP, for sunmo par=) or as CSV (cdp,time_ms,velocity). Every row must be well-formed; nothing is "
      "written otherwise.");
  ex->add_option("PICKS", eo->picks, "picks file saved by Tessaly")->required();
  ex->add_flag("--par", eo->par, "write a Seismic Unix par file");
  ex->add_flag("--csv", eo->csv, "write CSV");
  ex->add_option("-o,--output", eo->out, "file to write (default: standard output)");
  ex->add_flag("--force", eo->force, "overwrite the -o file if it exists");
  ex->callback([eo, &exitCode] { exitCode = runExport(*eo); });

  auto picksPath = std::make_shared<std::string>();
  auto data = std::make_shared<std::string>();
  auto* ck = app.add_subcommand(
      "picks-check",
      "Check a picks file against a panel file as loading it in Tessaly does (CDP listed, velocity one of the "
      "CDP's panels, time within the traces, at most 20 picks per CDP) and report every refused row. Exit "
      "status 1 when any row is refused.");
  ck->add_option("PICKS", *picksPath, "picks file")->required();
  ck->add_option("DATA", *data, "velocity-scan or CDP-stacked panel file")->required();
  ck->callback([picksPath, data, &exitCode] { exitCode = runCheck(*picksPath, *data); });

  auto vPath = std::make_shared<std::string>();
  auto vCdp = std::make_shared<int>(0);
  auto* vc = app.add_subcommand(
      "velocity-check",
      "Print each CDP's velocity function from a picks file: picks in time order with the RMS velocity, the "
      "Dix interval velocity and thickness (ms) of each interval, flagging velocity inversions, imaginary "
      "interval velocities and interval velocities outside 1000..8000 m/s.");
  vc->add_option("PICKS", *vPath, "picks file")->required();
  auto* cdpOption = vc->add_option("--cdp", *vCdp, "only this CDP (default: every CDP with picks)");
  vc->callback([vPath, vCdp, cdpOption, &exitCode] {
    exitCode = runVelocityCheck(*vPath, cdpOption->count() > 0, *vCdp);
  });
}

}  // namespace tsly::cli
