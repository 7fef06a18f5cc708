// tsly generate IN OUT --start-cdps C1,C2,... --velocities V1,V2,... [options]:
// velocity-scan panels from a CDP-gather file, with the engine the NMO
// parameters dialog runs. Messages go to stderr, the summary to stdout.
#include <iostream>
#include <string>
#include <vector>
#include <unistd.h>

#include "ArgParse.h"
#include "CliSupport.h"
#include "commands.h"
#include "generation/core/Generation.h"
#include "platform/ConsoleUi.h"
#include "shared/Numbers.h"
#include "shared/State.h"
#include "shared/TraceFormat.h"

namespace tsly::cli {

namespace {

struct GenerateOptions {
  std::string in, out;
  std::vector<std::string> starts, velocities;
  std::string cdpsPerPanel = "25", stretch = ".5", lengthMs;
  bool noStack = false, force = false;
};

bool readList(const std::vector<std::string>& texts, const char* what, std::vector<float>& out) {
  out.clear();
  for (const auto& t : texts) {
    if (!isNumberText(t)) {
      fail("generate", std::string(what) + ": '" + t + "' is not a number");
      return false;
    }
    out.push_back(static_cast<float>(readNumber(t)));
  }
  if (out.empty() || out.size() > 32767) {
    fail("generate", std::string(what) + ": give 1 to 32767 values");
    return false;
  }
  return true;
}

int runGenerate(const GenerateOptions& o) {
  GenerationParams p;
  if (!readList(o.starts, "--start-cdps", p.startCdps) || !readList(o.velocities, "--velocities", p.velocities))
    return 1;
  for (const auto* t : {&o.cdpsPerPanel, &o.stretch})
    if (!isNumberText(*t)) return fail("generate", "'" + *t + "' is not a number");
  const double n = readNumber(o.cdpsPerPanel);
  if (n != static_cast<double>(nearest(n)) || n < 1 || n > 32767)
    return fail("generate", "--cdps-per-panel must be a whole number from 1 to 32767");
  const float s = static_cast<float>(readNumber(o.stretch));
  if (!(s >= 0.1f && s <= 0.99f)) return fail("generate", "--stretch must lie between .1 and .99");
  if (!o.lengthMs.empty() && !isNumberText(o.lengthMs))
    return fail("generate", "--length-ms: '" + o.lengthMs + "' is not a number");

  AppState st;
  OpenScanResult scan;
  if (!openForCommand(o.in, st, scan)) return 1;
  if (st.DataType != DataCdpGather && st.DataType != DataSpecialOrder)
    return fail("generate", o.in + " holds" + st.DataTypeText + "; panels are generated from CDP-gather data");
  if (!outputAllowed("generate", o.out, o.force)) return 1;  // the run refuses the input itself

  p.cdpsPerPanel = static_cast<float>(n);
  p.stretch = s;
  // Default output length: the whole trace, as the dialog proposes it.
  p.lengthMs =
      o.lengthMs.empty() ? (static_cast<double>(st.SampleInterval) / 1000.0) * st.NumSamples : readNumber(o.lengthMs);
  p.stackFlag = o.noStack ? 0 : 1;
  p.outputName = o.out;
  p.upperCaseFileName = false;   // names are taken exactly as given
  p.askBeforeOverwrite = false;  // decided above (--force)

  TerminalProgress bar("CDPs");
  ConsoleUi ui(ConsoleUi::Mode::Stderr, &bar);
  GenerationHooks hooks;
  hooks.progress = [&bar](const std::string&, std::int64_t done, std::int64_t total) { bar.update(done, total); };
  GenerationResult r = generatePanels(st, ui, p, hooks);
  bar.end();
  // A run that ended part-way leaves what it wrote: say so, so that a partial
  // file is never taken for a complete one.
  if ((r.outcome == GenerationOutcome::Failed || r.offsetsMissing) && !r.outputPath.empty() &&
      ::access(r.outputPath.c_str(), F_OK) == 0)
    fail("generate",
         r.outputPath + " is incomplete (" + std::to_string(r.tracesWritten) + " traces written before the run ended)");
  if (r.outcome != GenerationOutcome::Finished || r.offsetsMissing) return 1;
  std::cout << r.tracesWritten << " traces written to " << r.outputPath << "\n";
  return 0;
}

}  // namespace

void addGenerateCommand(CLI::App& app, int& exitCode) {
  auto opts = std::make_shared<GenerateOptions>();
  auto* cmd = addCommand(
      app, exitCode, opts, runGenerate, "generate",
      "Generate velocity-scan panels from a CDP-gather file: for every panel (a run of CDPs) and every trial "
      "velocity, normal-moveout correct each live trace, optionally stack each CDP, and close each velocity "
      "block with a separator trace carrying the velocity. The output has no file header, so files made for "
      "different panel ranges can be joined with cat.");
  cmd->add_option("IN", opts->in, "CDP-gather trace file to read")->required();
  cmd->add_option("OUT", opts->out, "panel file to write (refused if it exists, unless --force)")->required();
  cmd->add_option("--start-cdps", opts->starts, "first CDP of each panel, comma-separated (required)")
      ->delimiter(',')
      ->required();
  cmd->add_option("--velocities", opts->velocities, "trial velocities, comma-separated (required)")
      ->delimiter(',')
      ->required();
  cmd->add_option("--cdps-per-panel", opts->cdpsPerPanel, "CDPs in each panel (default 25)");
  cmd->add_option("--stretch", opts->stretch, "NMO stretch ratio, .1 to .99 (default .5)");
  cmd->add_option("--length-ms", opts->lengthMs, "output length in ms (default: the full trace length)");
  cmd->add_flag("--no-stack", opts->noStack, "write every moved-out trace instead of one stacked trace per CDP");
  cmd->add_flag("--force", opts->force, "overwrite OUT if it exists");
}

}  // namespace tsly::cli
