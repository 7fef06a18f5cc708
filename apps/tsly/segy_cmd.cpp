// tsly import-segy IN.sgy OUT [--data-type 1|2|4] [--velocity-field BYTE] [--cdp-byte BYTE] [--renumber] [--force]
// tsly export-segy IN OUT.sgy [--with-separators] [--velocity-field BYTE] [--force]
// SEG-Y exchange through segyio. The summary goes to stdout, notes and refusals
// to stderr (exit status 1 on a refusal); a progress bar on a terminal.
#include <iostream>
#include <memory>
#include <string>

#include "CliSupport.h"
#include "commands.h"
#include "exchange/core/SegyExchange.h"
#include "platform/ConsoleUi.h"
#include "shared/Numbers.h"

namespace tsly::cli {

namespace {

struct SegyOptions {
  std::string in, out;
  int dataType = 1;
  int velocityByte = segy::DefaultVelocityByte;
  int cdpByte = segy::DefaultCdpByte;
  bool renumber = false;
  bool withSeparators = false;
  bool force = false;
};

// One direction of the exchange: the input a regular file, the output passing
// the output check (never the input; an existing one only with --force), the
// run with a progress bar of traces on a terminal (a signal removes the
// temporary output), then its notes and its refusal on stderr. False when
// refused or failed.
template <class Options, class Run>
bool exchange(const char* command, const SegyOptions& o, const Options& options, Run run, segy::ExchangeResult& r) {
  if (!inputAllowed(command, o.in) || !outputAllowed(command, o.out, o.force, {{o.in, "the input file"}}))
    return false;
  stopOnSignals(false);
  {
    TerminalProgress bar("traces");
    r = run(o.in, o.out, options, [&bar](std::int64_t d, std::int64_t t) { bar.update(d, t); });
  }
  for (const auto& n : r.notes) fail(command, n);
  if (!r.ok) fail(command, r.error);
  return r.ok;
}

std::string panelsText(std::int64_t panels) {
  return plainNumberText(static_cast<long long>(panels)) + (panels == 1 ? " panel" : " panels");
}

int runImport(const SegyOptions& o) {
  segy::ImportOptions io;
  io.dataType = o.dataType;
  io.velocityByte = o.velocityByte;
  io.cdpByte = o.cdpByte;
  io.renumber = o.renumber;
  if (o.renumber && !outputAllowed("import-segy", segy::cdpMapPath(o.out), o.force)) return 1;
  segy::ExchangeResult r;
  if (!exchange("import-segy", o, io, segy::importSegy, r)) return 1;
  std::cout << r.tracesOut << " traces written to " << o.out << " (" << r.tracesIn << " SEG-Y traces, "
            << segy::formatName(r.segyFormat) << (r.littleEndian ? ", little-endian" : "") << ", " << r.samples
            << " samples at " << r.intervalUs << " us";
  if (o.dataType != 1) std::cout << ", " << panelsText(r.panels);
  if (o.renumber)
    std::cout << ", CDPs renumbered 1.." << r.renumberedCdps << ", mapping in " << segy::cdpMapPath(o.out);
  std::cout << ")\n";
  return 0;
}

int runExport(const SegyOptions& o) {
  segy::ExportOptions eo;
  eo.withSeparators = o.withSeparators;
  eo.velocityByte = o.velocityByte;
  segy::ExchangeResult r;
  if (!exchange("export-segy", o, eo, segy::exportSegy, r)) return 1;
  std::cout << r.tracesOut << " traces written to " << o.out << " (IEEE float, " << r.samples << " samples at "
            << r.intervalUs << " us";
  if (r.panels > 0)
    std::cout << ", " << panelsText(r.panels) << ", velocity in " << segy::fieldBytesText(o.velocityByte) << ", "
              << (o.withSeparators ? "separators written as dummy traces" : "separators left out");
  std::cout << ")\n";
  return 0;
}

}  // namespace

void addSegyCommands(CLI::App& app, int& exitCode) {
  auto im = std::make_shared<SegyOptions>();
  auto* imp = addCommand(
      app, exitCode, im, runImport, "import-segy",
      "Convert a SEG-Y file (read through segyio; every revision-2 sample format that holds numbers, either byte "
      "order) into a trace file. CDP from bytes 21-24 (or --cdp-byte), offset from 37-40 as it stands (never "
      "scaled), recording delay from 109-110 with the time scalar of 215-216 into header word 55, dead traces from "
      "29-30. Sample count and interval from the binary header, or from the first trace header where the binary "
      "header holds none; trace-header extensions are stepped over and bytes after the last whole trace left out. "
      "For panels (--data-type 2 or 4) a separator trace closes each panel wherever the velocity field changes "
      "or a dummy trace (identification 3) stands.");
  imp->add_option("IN", im->in, "SEG-Y file to read")->required();
  imp->add_option("OUT", im->out, "trace file to write (refused if it exists, unless --force)")->required();
  imp->add_option("--data-type", im->dataType,
                  "data type of the output: 1 CDP gather, 2 CDP stacked panels, 4 velocity-scan panels (default 1)")
      ->check(CLI::IsMember({1, 2, 4}));
  imp->add_option("--velocity-field", im->velocityByte,
                  "SEG-Y trace-header byte where each trace's panel velocity starts, for data types 2 and 4 "
                  "(default 233: bytes 233-236)");
  imp->add_option("--cdp-byte", im->cdpByte,
                  "SEG-Y trace-header byte where each trace's CDP starts (default 21: bytes 21-24; 189 for files "
                  "that keep it with the inline number)");
  imp->add_flag("--renumber", im->renumber,
                "number the CDPs 1..N in the order they first appear (for CDP numbers beyond 32767) and write the "
                "mapping (new_cdp,original_cdp) to OUT.cdps.csv");
  imp->add_flag("--force", im->force, "overwrite OUT (and OUT.cdps.csv) if it exists");

  auto ex = std::make_shared<SegyOptions>();
  auto* exp = addCommand(
      app, exitCode, ex, runExport, "export-segy",
      "Write a trace file as SEG-Y (rev 1, IEEE floats, big-endian) through segyio: CDP to bytes 21-24, offset "
      "to 37-40 as it is (rounded to a whole number; no scalar), header word 55 to the recording delay in "
      "109-110, dead traces as identification 2, each panel trace's velocity to the velocity field. Separator "
      "traces are left out unless --with-separators.");
  exp->add_option("IN", ex->in, "trace file to read")->required();
  exp->add_option("OUT", ex->out, "SEG-Y file to write (refused if it exists, unless --force)")->required();
  exp->add_flag("--with-separators", ex->withSeparators,
                "write the separator traces too, as dummy traces (identification 3) with zero samples");
  exp->add_option("--velocity-field", ex->velocityByte,
                  "SEG-Y trace-header byte where each panel trace's velocity is written (default 233: bytes "
                  "233-236)");
  exp->add_flag("--force", ex->force, "overwrite OUT if it exists");
}

}  // namespace tsly::cli
