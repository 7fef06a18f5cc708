// Velocity spectrum speed: one CDP of 48 traces x 1500 float samples at 4 ms
// over 200 trial velocities (1200 .. 5180 m/s every 20), and the whole 200-CDP
// gather of the generation benchmark through the path `tsly semblance --cdp all
// --csv OUT --peaks` takes (scan, every CDP read and computed, one CSV, the
// peaks). The straightforward loop (nmoit per trace and velocity, one thread,
// the window summed per sample) is timed in the same run as the reference, and
// the two spectra are compared. The whole gather is also run on one thread and
// with the CDPs computed one at a time (the way before CDPs were computed side
// by side), and the peak lines of every way compared.
//
//   build/bench/bench_semblance [repeats]
//
// Wall time counts the time the machine gave to other programs as well; the
// load average is printed beside the figures.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "../tests/support/GenFixtures.h"
#include "../tests/support/SemblanceReference.h"
#include "BenchSupport.h"
#include "spectrum/core/GatherCdps.h"
#include "spectrum/core/Semblance.h"
#include "spectrum/core/SpectrumRun.h"
#include "spectrum/core/SpectrumText.h"

using namespace tsly;
using namespace tsly::test;
using namespace tsly::bench;

namespace {

using Clock = std::chrono::steady_clock;

double ms(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double, std::milli>(b - a).count(); }

// Processor time of the whole process (every thread), milliseconds.
double cpuMs() { return processCpuSeconds() * 1e3; }

}  // namespace

int main(int argc, char** argv) {
  const int repeats = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  std::printf("load before: %s\n", loadAverage().c_str());
  TempDir dir;
  const std::string in = dir.file("gather.dat");
  writeGather(in, syntheticGather(1001, 200, 48, 1500, 50, 60, 1.2, 2400.0));

  GatherCdps gather;
  if (std::string err = gather.open(in); !err.empty()) {
    std::fprintf(stderr, "bench_semblance: %s\n", err.c_str());
    return 1;
  }
  SemblanceSettings settings;
  settings.velocities = velocityGrid(1200, 5180, 20);
  settings.windowSamples = 5;
  settings.stretch = 0.5f;

  // One CDP: the first computation builds the moveout tables; the next CDPs
  // of the gather (same offsets) reuse them.
  std::vector<CdpTraces> cdps(8);
  for (int c = 0; c < 8; ++c) gather.read(static_cast<std::int16_t>(1101 + c), cdps[static_cast<size_t>(c)]);
  std::vector<double> cold, warm, warmCpu, single, ref;
  Spectrum s, r;
  for (int rep = 0; rep < repeats; ++rep) {
    SemblanceEngine engine(settings);
    auto t0 = Clock::now();
    engine.compute(cdps[0], s);
    auto t1 = Clock::now();
    cold.push_back(ms(t0, t1));
    for (size_t c = 1; c < cdps.size(); ++c) {
      const double c0 = cpuMs();
      auto a = Clock::now();
      engine.compute(cdps[c], s);
      warm.push_back(ms(a, Clock::now()));
      warmCpu.push_back(cpuMs() - c0);
    }
    SemblanceSettings one = settings;
    one.workers = 1;
    SemblanceEngine oneEngine(one);
    oneEngine.compute(cdps[0], s);
    auto t2 = Clock::now();
    oneEngine.compute(cdps[1], s);
    single.push_back(ms(t2, Clock::now()));
    auto t3 = Clock::now();
    r = referenceSpectrum(cdps[1], settings.velocities, settings.stretch, settings.windowSamples);
    ref.push_back(ms(t3, Clock::now()));
  }
  double maxDiff = 0;
  for (size_t i = 0; i < s.values.size(); ++i) maxDiff = std::max(maxDiff, double(std::fabs(s.values[i] - r.values[i])));

  std::printf("one CDP: 48 traces x 1500 float samples at 4 ms, 200 velocities 1200..5180 step 20, window 5\n");
  std::printf("  engine, 2 threads, tables reused: %.1f ms per CDP (median of %zu; processor time %.1f ms)\n",
              median(warm), warm.size(), median(warmCpu));
  std::printf("  engine, 2 threads, tables built:  %.1f ms (first CDP)\n", median(cold));
  std::printf("  engine, 1 thread,  tables reused: %.1f ms\n", median(single));
  std::printf("  reference loop (nmoit, 1 thread): %.1f ms\n", median(ref));
  std::printf("  ratio reference/engine: %.1f; largest difference %.2g\n", median(ref) / median(warm), maxDiff);

  // The whole gather as `tsly semblance gather.dat --cdp all --csv all.csv --peaks`
  // does it, with the peaks only, the same on one thread, and the same with
  // the CDPs computed one at a time as runSpectra did before it computed
  // CDPs side by side (the peaks must be the same lines in every case).
  enum class Way { Csv, Peaks, OneThread, OneByOne };
  std::string firstLines;
  bool samePeaks = true;
  double peaksWall = 0, oneByOneWall = 0;
  for (Way way : {Way::Csv, Way::Peaks, Way::OneThread, Way::OneByOne}) {
    std::vector<double> whole, wholeCpu;
    std::size_t peakCount = 0;
    std::uintmax_t csvBytes = 0;
    std::string loadBeside = loadAverage();
    for (int rep = 0; rep < std::min(repeats, 3); ++rep) {
      const double c0 = cpuMs();
      auto t0 = Clock::now();
      GatherCdps g;
      if (std::string err = g.open(in); !err.empty()) return 1;
      SpectrumRunParams p;
      p.cdps = g.cdps();
      p.settings = settings;
      if (way == Way::OneThread) p.settings.workers = 1;
      p.csvPath = way == Way::Csv ? dir.file("all.csv") : std::string();
      p.csvCdpColumn = true;
      p.peaks = true;
      std::string lines;
      peakCount = 0;
      const auto onPeaks = [&](const Spectrum& sp, const std::vector<SpectrumPeak>& peaks) {
        for (const auto& pk : peaks) lines += peakLine(pk, true, sp.cdp) + "\n";
        peakCount += peaks.size();
      };
      if (way == Way::OneByOne) {
        SemblanceEngine engine(p.settings);
        CdpTraces traces;
        Spectrum spectrum;
        for (std::int16_t cdp : p.cdps) {
          if (std::string err = g.read(cdp, traces); !err.empty()) return 1;
          engine.compute(traces, spectrum);
          onPeaks(spectrum, spectrumPeaks(spectrum, p.peakThreshold));
        }
      } else {
        SpectrumRunHooks hooks;
        hooks.peaks = onPeaks;
        SpectrumRunResult res = runSpectra(g, p, hooks);
        if (!res.ok()) {
          std::fprintf(stderr, "bench_semblance: %s\n", res.error.c_str());
          return 1;
        }
      }
      whole.push_back(ms(t0, Clock::now()) / 1000.0);
      wholeCpu.push_back((cpuMs() - c0) / 1000.0);
      if (firstLines.empty()) firstLines = lines;
      samePeaks = samePeaks && lines == firstLines;
      if (way == Way::Csv) {
        csvBytes = std::filesystem::file_size(p.csvPath);
        std::filesystem::remove(p.csvPath);
      }
    }
    const char* what = way == Way::Csv        ? "--cdp all --csv --peaks"
                       : way == Way::Peaks     ? "--cdp all --peaks"
                       : way == Way::OneThread ? "--cdp all --peaks, 1 thread"
                                               : "--cdp all --peaks, CDPs one at a time (as before)";
    if (way == Way::Csv)
      std::printf("whole gather, 200 CDPs, %s (CSV %.0f MB, %zu peaks): %.2f s "
                  "(processor time %.2f s; median of %zu; load %s)\n",
                  what, double(csvBytes) / 1e6, peakCount, median(whole), median(wholeCpu), whole.size(),
                  loadBeside.c_str());
    else
      std::printf("whole gather, 200 CDPs, %s: %.2f s (processor time %.2f s; median of %zu; load %s)\n", what,
                  median(whole), median(wholeCpu), whole.size(), loadBeside.c_str());
    if (way == Way::Peaks) peaksWall = median(whole);
    if (way == Way::OneByOne) oneByOneWall = median(whole);
  }
  std::printf("whole gather: CDPs side by side %.2fx faster than one at a time; peaks %s in every way\n",
              oneByOneWall / peaksWall, samePeaks ? "the same" : "DIFFERENT");
  std::printf("load after: %s\n", loadAverage().c_str());
  return maxDiff < 1e-5 && samePeaks ? 0 : 1;
}
