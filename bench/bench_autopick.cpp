// The automatic first pass against its goals, on gathers of 48 offsets
// (50..2400 m) x 1500 samples at 4 ms with 25 Hz Ricker reflections, written
// by the synthetic gather maker (`tsly synth`'s code):
//  - flat: 200 CDPs of five flat events, noise 2% of the event amplitude;
//    goal: at least 95% of the events found within 40 ms and 2% of the true
//    velocity, at every CDP;
//  - line: 200 CDPs whose event velocities grow by 16% and times by 100 ms
//    from the first CDP to the last, noise 30%; goal: at least 90% within
//    40 ms and 3%;
//  - both: at most one stray pick (more than 40 ms from every event) per two
//    CDPs.
// And the time of the first pass over the 200 CDPs of the line beside the time
// of computing their spectra alone (runSpectra, as `tsly semblance --cdp all`)
// with the same settings, in the same run.
//
//   build/bench/bench_autopick [repeats]
//
// Exit status 0 when every goal is met. Wall time counts the time the machine
// gave to other programs as well; the load average is printed beside it.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "../tests/support/TempDir.h"
#include "BenchSupport.h"
#include "generation/core/Synth.h"
#include "spectrum/core/AutoPick.h"
#include "spectrum/core/GatherCdps.h"
#include "spectrum/core/Semblance.h"
#include "spectrum/core/SpectrumRun.h"

using namespace tsly;
using namespace tsly::bench;

namespace {

using Clock = std::chrono::steady_clock;

constexpr int Cdps = 200;
constexpr double NearMs = 40.0;

SynthParams gatherParams(double noise) {
  SynthParams p;
  p.firstCdp = 1001;
  p.cdps = Cdps;
  p.offsetFirst = 50;
  p.offsetStep = 50;
  p.offsetCount = 48;
  p.samples = 1500;
  p.intervalUs = 4000;
  p.events = {{400, 1700, 1000}, {1000, 2100, -1000}, {1700, 2500, 1000}, {2500, 2900, -1000}, {3400, 3300, 1000}};
  p.noise = noise;
  p.seed = 7;
  return p;
}

std::vector<SynthEvent> eventsOf(const SynthParams& p, int cdpIndex) {
  if (p.lastEvents.empty()) return p.events;
  const double f = static_cast<double>(cdpIndex) / (p.cdps - 1);
  std::vector<SynthEvent> out;
  for (std::size_t k = 0; k < p.events.size(); ++k)
    out.push_back({p.events[k].t0Ms + f * (p.lastEvents[k].t0Ms - p.events[k].t0Ms),
                   p.events[k].velocity + f * (p.lastEvents[k].velocity - p.events[k].velocity), 0});
  return out;
}

struct Score {
  int events = 0, found = 0, strays = 0, worstCdpFound = 1 << 30, picks = 0;
};

Score score(const SynthParams& p, const std::vector<CdpProposal>& picked, double tolerance) {
  Score s;
  for (const CdpProposal& c : picked) {
    const std::vector<SynthEvent> events = eventsOf(p, c.cdp - p.firstCdp);
    int found = 0;
    for (const SynthEvent& e : events) {
      ++s.events;
      const bool hit = std::any_of(c.picks.begin(), c.picks.end(), [&](const ProposedPick& pk) {
        return std::fabs(pk.timeMs - e.t0Ms) <= NearMs && std::fabs(pk.velocity - e.velocity) <= tolerance * e.velocity;
      });
      found += hit;
    }
    for (const ProposedPick& pk : c.picks) {
      ++s.picks;
      const bool near = std::any_of(events.begin(), events.end(),
                                    [&](const SynthEvent& e) { return std::fabs(pk.timeMs - e.t0Ms) <= NearMs; });
      s.strays += !near;
    }
    s.found += found;
    s.worstCdpFound = std::min(s.worstCdpFound, found);
  }
  return s;
}

AutoPickParams firstPass(const GatherCdps& g, int threads) {
  AutoPickParams a;
  a.cdps = g.cdps();
  a.settings.velocities = velocityGrid(1200, 5180, 20);
  a.settings.windowSamples = autoPickWindowSamples(4000);
  a.settings.stretch = 0.5f;
  a.threads = threads;
  return a;
}

bool run(const GatherCdps& g, int threads, std::vector<CdpProposal>& out) {
  out.clear();
  AutoPickHooks hooks;
  hooks.cdpPicked = [&out](const CdpProposal& c) { out.push_back(c); };
  const AutoPickResult r = runAutoPick(g, firstPass(g, threads), hooks);
  if (!r.ok()) std::fprintf(stderr, "bench_autopick: %s\n", r.error.c_str());
  return r.ok();
}

}  // namespace

int main(int argc, char** argv) {
  const int repeats = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
  const int threads = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  std::printf("load before: %s\n", loadAverage().c_str());
  test::TempDir dir;
  bool met = true;

  struct Case {
    const char* name;
    SynthParams params;
    double tolerance, goal;
  };
  std::vector<Case> cases = {{"flat, five events, noise 2%", gatherParams(0.02), 0.02, 0.95},
                             {"line, +16% velocity, +100 ms, noise 30%", gatherParams(0.30), 0.03, 0.90}};
  for (SynthEvent e : cases[1].params.events)
    cases[1].params.lastEvents.push_back({e.t0Ms + 100, e.velocity * 1.16, e.amplitude});

  GatherCdps line;
  for (std::size_t i = 0; i < cases.size(); ++i) {
    const Case& c = cases[i];
    const std::string path = dir.file("gather" + std::to_string(i) + ".dat");
    if (const std::string err = writeSynthGather(path, c.params); !err.empty()) {
      std::fprintf(stderr, "bench_autopick: %s\n", err.c_str());
      return 1;
    }
    GatherCdps g;
    if (const std::string err = g.open(path); !err.empty()) {
      std::fprintf(stderr, "bench_autopick: %s\n", err.c_str());
      return 1;
    }
    std::vector<CdpProposal> picked;
    if (!run(g, threads, picked)) return 1;
    const Score s = score(c.params, picked, c.tolerance);
    const double rate = static_cast<double>(s.found) / s.events;
    const double straysPerCdp = static_cast<double>(s.strays) / Cdps;
    const bool ok = rate >= c.goal && straysPerCdp <= 0.5 && (i > 0 || s.worstCdpFound == 5);
    met = met && ok;
    std::printf("%s, %d CDPs: %.1f%% of %d events found within %.0f ms and %.0f%% (goal %.0f%%), fewest at one CDP "
                "%d of 5; %d picks, %d stray (%.2f per CDP, goal at most .5): %s\n",
                c.name, Cdps, 100.0 * rate, s.events, NearMs, 100.0 * c.tolerance, 100.0 * c.goal, s.worstCdpFound,
                s.picks, s.strays, straysPerCdp, ok ? "met" : "NOT met");
    if (i == 1) line.open(path);
  }

  // Time: the first pass over the line beside its spectra alone.
  std::vector<double> pass, passCpu, spectra, spectraCpu, oneThread;
  std::vector<CdpProposal> picked, picked1;
  for (int rep = 0; rep < repeats; ++rep) {
    double c0 = processCpuSeconds();
    auto t0 = Clock::now();
    if (!run(line, threads, picked)) return 1;
    pass.push_back(seconds(t0, Clock::now()));
    passCpu.push_back(processCpuSeconds() - c0);

    SpectrumRunParams sp;
    sp.cdps = line.cdps();
    sp.settings = firstPass(line, threads).settings;
    sp.settings.workers = threads;
    c0 = processCpuSeconds();
    t0 = Clock::now();
    if (const SpectrumRunResult r = runSpectra(line, sp); !r.ok()) {
      std::fprintf(stderr, "bench_autopick: %s\n", r.error.c_str());
      return 1;
    }
    spectra.push_back(seconds(t0, Clock::now()));
    spectraCpu.push_back(processCpuSeconds() - c0);

    t0 = Clock::now();
    if (!run(line, 1, picked1)) return 1;
    oneThread.push_back(seconds(t0, Clock::now()));
  }
  bool same = picked.size() == picked1.size();
  for (std::size_t i = 0; same && i < picked.size(); ++i) {
    same = picked[i].cdp == picked1[i].cdp && picked[i].picks.size() == picked1[i].picks.size();
    for (std::size_t k = 0; same && k < picked[i].picks.size(); ++k)
      same = picked[i].picks[k].timeMs == picked1[i].picks[k].timeMs &&
             picked[i].picks[k].velocity == picked1[i].picks[k].velocity;
  }
  met = met && same;
  std::printf("200 CDPs x 48 x 1500, 200 velocities 1200..5180 step 20, window 11 samples (median of %d):\n", repeats);
  std::printf("  spectra alone (runSpectra, %d velocity threads): %.2f s (processor time %.2f s)\n", threads,
              median(spectra), median(spectraCpu));
  std::printf("  first pass, %d threads over CDPs:             %.2f s (processor time %.2f s); ratio to the spectra %.2f "
              "(processor time %.2f)\n",
              threads, median(pass), median(passCpu), median(pass) / median(spectra), median(passCpu) / median(spectraCpu));
  std::printf("  first pass, 1 thread:                         %.2f s; picks the same: %s\n", median(oneThread),
              same ? "yes" : "NO");
  std::printf("load after: %s\n", loadAverage().c_str());
  std::printf("goals %s\n", met ? "met" : "NOT met");
  return met ? 0 : 1;
}
