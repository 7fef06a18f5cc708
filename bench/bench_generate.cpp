// Panel generation speed: a gather of 200 CDPs x 48 traces x 1500 float samples
// at 4 ms; 4 panels x 10 CDPs x 20 velocities, stacked (38,400 trace moveouts).
// Times the engine (CDP index, each trace read once per panel) and the
// straightforward loop (directory searched per CDP, every trace re-read per
// velocity) in the same run, on the same file warm in the page cache.
//
//   build/bench/bench_generate [repeats]
//
// Wall time counts the time the machine gave to other programs as well; the
// process CPU time (one thread) is the figure to compare on a loaded machine.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "../tests/support/GenFixtures.h"
#include "../tests/support/ScriptedUi.h"
#include "BenchSupport.h"

using namespace tsly;
using namespace tsly::test;
using namespace tsly::bench;

namespace {


}  // namespace

int main(int argc, char** argv) {
  const int repeats = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  TempDir dir;
  const std::string in = dir.file("gather.dat");
  writeGather(in, syntheticGather(1001, 200, 48, 1500, 50, 60, 1.2, 2400.0));

  GenerationParams p;
  p.startCdps = {1001, 1051, 1101, 1151};
  for (int j = 0; j < 20; ++j) p.velocities.push_back(1500.0f + 100.0f * j);
  p.cdpsPerPanel = 10;
  p.stretch = 0.5f;
  p.lengthMs = 6000;
  p.stackFlag = 1;
  p.upperCaseFileName = false;
  p.askBeforeOverwrite = false;
  const double moveouts = 4.0 * 10 * 48 * 20;

  AppState base;
  if (!scanInto(base, in)) {
    std::fprintf(stderr, "bench_generate: cannot scan %s\n", in.c_str());
    return 1;
  }

  std::vector<double> fast, slow, fastCpu, slowCpu;
  std::string fastBytes, slowBytes;
  for (int r = 0; r < repeats; ++r) {
    AppState a = base;
    ScriptedUi ui;
    p.outputName = dir.file("fast.nmo");
    std::clock_t c0 = std::clock();
    auto t0 = std::chrono::steady_clock::now();
    auto res = generatePanels(a, ui, p, {});
    auto t1 = std::chrono::steady_clock::now();
    fastCpu.push_back(double(std::clock() - c0) / CLOCKS_PER_SEC);
    if (res.outcome != GenerationOutcome::Finished) {
      std::fprintf(stderr, "bench_generate: run failed\n");
      return 1;
    }
    fast.push_back(seconds(t0, t1));

    AppState b = base;
    std::clock_t c2 = std::clock();
    auto t2 = std::chrono::steady_clock::now();
    referenceGenerate(b, p, dir.file("slow.nmo"));
    auto t3 = std::chrono::steady_clock::now();
    slowCpu.push_back(double(std::clock() - c2) / CLOCKS_PER_SEC);
    slow.push_back(seconds(t2, t3));
  }
  const bool same = readAll(dir.file("fast.nmo")) == readAll(dir.file("slow.nmo"));
  const double f = median(fast), s = median(slow);
  std::printf("gather: 200 CDPs x 48 traces x 1500 float samples at 4 ms\n");
  std::printf("job: 4 panels x 10 CDPs x 20 velocities, stacked (%.0f trace moveouts)\n", moveouts);
  const double fc = median(fastCpu), sc = median(slowCpu);
  std::printf("engine:     %.3f s wall  %.3f s cpu  %.0f traces/s wall  %.0f traces/s cpu  (medians of %d)\n", f,
              fc, moveouts / f, moveouts / fc, repeats);
  std::printf("reference:  %.3f s wall  %.3f s cpu  %.0f traces/s wall  %.0f traces/s cpu\n", s, sc, moveouts / s,
              moveouts / sc);
  std::printf("ratio reference/engine: %.2f wall, %.2f cpu\n", s / f, sc / fc);
  std::printf("outputs identical: %s\n", same ? "yes" : "NO");
  return same ? 0 : 1;
}
