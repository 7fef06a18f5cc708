// Panel generation speed: a gather of 200 CDPs x 48 traces x 1500 float samples
// at 4 ms; 4 panels x 10 CDPs x 20 velocities, stacked (38,400 trace moveouts),
// then the same job with 8 and 16 panels so the growth shows. In the same run,
// on the same file warm in the page cache, each job is timed three ways:
//   engine       the run as the program does it: the panel's traces read once,
//                moved out on two worker threads with moveout tables shared by
//                the panel's CDPs, written in order by the calling thread;
//   one thread   the same engine with the moveouts on the calling thread;
//   reference    the straightforward loop: the directory searched per CDP,
//                every trace read again for every velocity and moved out by
//                nmoit one at a time.
// The three output files must agree byte for byte.
//
//   build/bench/bench_generate [repeats]
//
// Wall time counts the time the machine gave to other programs as well; the
// process CPU time (all threads) is printed beside it, and the load average
// before and after.
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


struct Timing {
  std::vector<double> wall, cpu;
  void add(double w, double c) {
    wall.push_back(w);
    cpu.push_back(c);
  }
};

// Times f() once: wall and process CPU seconds.
template <class F>
void timeOnce(Timing& t, F&& f) {
  const double c0 = processCpuSeconds();
  auto t0 = std::chrono::steady_clock::now();
  f();
  auto t1 = std::chrono::steady_clock::now();
  t.add(seconds(t0, t1), processCpuSeconds() - c0);
}

void print(const char* name, const Timing& t, double moveouts) {
  const double w = median(t.wall), c = median(t.cpu);
  std::printf("  %-11s %.3f s wall  %.3f s cpu  %8.0f traces/s wall\n", name, w, c, moveouts / w);
}

}  // namespace

int main(int argc, char** argv) {
  const int repeats = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  TempDir dir;
  const std::string in = dir.file("gather.dat");
  writeGather(in, syntheticGather(1001, 200, 48, 1500, 50, 60, 1.2, 2400.0));

  AppState base;
  if (!scanInto(base, in)) {
    std::fprintf(stderr, "bench_generate: cannot scan %s\n", in.c_str());
    return 1;
  }
  std::printf("gather: 200 CDPs x 48 traces x 1500 float samples at 4 ms; 2 cores\n");
  std::printf("load average before: %s\n", loadAverage().c_str());

  bool allSame = true;
  double baseEngine = 0, baseRatio = 0;
  for (int panels : {4, 8, 16}) {
    GenerationParams p;
    for (int i = 0; i < panels; ++i) p.startCdps.push_back(static_cast<float>(1001 + i * (panels == 4 ? 50 : 190 / panels)));
    for (int j = 0; j < 20; ++j) p.velocities.push_back(1500.0f + 100.0f * j);
    p.cdpsPerPanel = 10;
    p.stretch = 0.5f;
    p.lengthMs = 6000;
    p.stackFlag = 1;
    p.upperCaseFileName = false;
    p.askBeforeOverwrite = false;
    const double moveouts = panels * 10.0 * 48 * 20;

    Timing engine, single, reference;
    for (int r = 0; r < repeats; ++r) {
      for (int workers : {2, 0}) {
        AppState a = base;
        ScriptedUi ui;
        p.outputName = dir.file(workers ? "engine.nmo" : "single.nmo");
        p.moveoutWorkers = workers;
        GenerationResult res;
        timeOnce(workers ? engine : single, [&] { res = generatePanels(a, ui, p, {}); });
        if (res.outcome != GenerationOutcome::Finished) {
          std::fprintf(stderr, "bench_generate: run failed\n");
          return 1;
        }
      }
      AppState b = base;
      timeOnce(reference, [&] { referenceGenerate(b, p, dir.file("reference.nmo")); });
    }
    const std::string ref = readFile(dir.file("reference.nmo"));
    const bool same = readFile(dir.file("engine.nmo")) == ref && readFile(dir.file("single.nmo")) == ref;
    allSame = allSame && same;
    std::printf("job: %d panels x 10 CDPs x 20 velocities, stacked (%.0f trace moveouts), medians of %d\n", panels,
                moveouts, repeats);
    print("engine", engine, moveouts);
    print("one thread", single, moveouts);
    print("reference", reference, moveouts);
    const double ratio = median(reference.wall) / median(engine.wall);
    std::printf("  ratio reference/engine: %.2f wall, %.2f cpu; one thread/engine: %.2f wall\n", ratio,
                median(reference.cpu) / median(engine.cpu), median(single.wall) / median(engine.wall));
    std::printf("  outputs identical: %s\n", same ? "yes" : "NO");
    if (panels == 4) {
      baseEngine = median(engine.wall);
      baseRatio = ratio;
    }
  }
  std::printf("load average after: %s\n", loadAverage().c_str());
  std::printf("generate median: %.3f s (4 panels), %.2fx the reference\n", baseEngine, baseRatio);
  return allSame ? 0 : 1;
}
