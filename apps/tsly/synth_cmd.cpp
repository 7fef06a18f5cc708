// tsly synth OUT ...: writes a synthetic CDP-gather file.
#include <iostream>
#include <memory>
#include <sstream>
#include <string>

#include "ArgParse.h"
#include "CliSupport.h"
#include "commands.h"
#include "generation/core/Synth.h"
#include "shared/Numbers.h"

namespace tsly::cli {

namespace {

struct SynthOptions {
  std::string out;
  SynthParams p;
  std::string offsets = "100:200:12";
  std::string events;
};

int runSynth(const SynthOptions& o) {
  SynthParams p = o.p;
  std::vector<int> off;
  if (!parseIntList(o.offsets, ':', off) || off.size() != 3)
    return fail("synth", "--offsets wants FIRST:STEP:COUNT, for example 100:200:12");
  p.offsetFirst = off[0];
  p.offsetStep = off[1];
  p.offsetCount = off[2];
  if (!o.events.empty() && !parseEventList(o.events, p.events))
    return fail("synth", "--events wants T0MS:VEL pairs separated by commas, for example 400:1800,900:2200");
  if (!outputAllowed("synth", o.out, true)) return 1;
  if (const std::string err = writeSynthGather(o.out, p); !err.empty()) return fail("synth", err);
  std::cout << "Wrote " << o.out << ": " << p.cdps << " CDPs x " << p.offsetCount << " offsets, " << p.samples
            << " samples at " << p.intervalUs << " us, " << synthFileBytes(p) << " bytes\n";
  return 0;
}

}  // namespace

void addSynthCommand(CLI::App& app, int& exitCode) {
  auto o = std::make_shared<SynthOptions>();
  auto* cmd =
      addCommand(app, exitCode, o, runSynth, "synth",
                 "Write a synthetic CDP-gather trace file (data type 1, word 3 = 12, CDP in word 12, offset in word "
                 "19 with scalar word 35 = 1, trace code 1) holding hyperbolic reflections, each a zero-phase Ricker "
                 "wavelet (25 Hz) at its moveout time sqrt(t0^2 + x^2/v^2).");
  cmd->add_option("OUT", o->out, "Output file (created or replaced)")->required();
  cmd->add_option("--first-cdp", o->p.firstCdp, "Number of the first CDP")->capture_default_str();
  cmd->add_option("--cdps", o->p.cdps, "Number of CDP gathers")->capture_default_str();
  cmd->add_option("--offsets", o->offsets, "Offsets of each gather as FIRST:STEP:COUNT")->capture_default_str();
  cmd->add_option("--samples", o->p.samples, "Samples per trace (1..32767)")->capture_default_str();
  cmd->add_option("--interval", o->p.intervalUs, "Sample interval in microseconds")->capture_default_str();
  cmd->add_flag("--int16", o->p.int16, "Write 2-byte integer samples (default: 4-byte floats)");
  cmd->add_option("--events", o->events,
                  "Reflections as T0MS:VEL pairs, comma-separated (default: 400:1800,900:2200,1400:2600,1800:3000)");
  cmd->add_option("--noise", o->p.noise,
                  "Gaussian noise, standard deviation as a fraction of the largest event amplitude")
      ->capture_default_str();
  cmd->add_option("--seed", o->p.seed, "Seed of the noise generator")->capture_default_str();
}

}  // namespace tsly::cli
