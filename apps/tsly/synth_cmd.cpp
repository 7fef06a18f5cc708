// tsly synth OUT ...: writes a synthetic CDP-gather file.
#include <iostream>
#include <memory>
#include <sstream>
#include <string>

#include "ArgParse.h"
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

int runSynth(SynthOptions& o) {
  std::vector<int> off;
  if (!parseIntList(o.offsets, ':', off) || off.size() != 3) {
    std::cerr << "tsly synth: --offsets wants FIRST:STEP:COUNT, for example 100:200:12\n";
    return 1;
  }
  o.p.offsetFirst = off[0];
  o.p.offsetStep = off[1];
  o.p.offsetCount = off[2];
  if (!o.events.empty() && !parseEventList(o.events, o.p.events)) {
    std::cerr << "tsly synth: --events wants T0MS:VEL pairs separated by commas, for example 400:1800,900:2200\n";
    return 1;
  }
  std::string err = writeSynthGather(o.out, o.p);
  if (!err.empty()) {
    std::cerr << "tsly synth: " << err << "\n";
    return 1;
  }
  std::cout << "Wrote " << o.out << ": " << o.p.cdps << " CDPs x " << o.p.offsetCount << " offsets, "
            << o.p.samples << " samples at " << o.p.intervalUs << " us, " << synthFileBytes(o.p) << " bytes\n";
  return 0;
}

}  // namespace

void addSynthCommand(CLI::App& app, int& exitCode) {
  auto* cmd = app.add_subcommand(
      "synth",
      "Write a synthetic CDP-gather trace file (data type 1, word 3 = 12, CDP in word 12, offset in word "
      "19 with scalar word 35 = 1, trace code 1) holding hyperbolic reflections, each a zero-phase Ricker "
      "wavelet (25 Hz) at its moveout time sqrt(t0^2 + x^2/v^2).");
  auto o = std::make_shared<SynthOptions>();
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
  cmd->callback([&exitCode, o] { exitCode = runSynth(*o); });
}

}  // namespace tsly::cli
