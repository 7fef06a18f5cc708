// Deck-run speed: the gather of the generation benchmark (200 CDPs x 48 traces x
// 1500 float samples at 4 ms, 9,600 traces, 60 MB) moved out with picked velocity
// functions on three CDPs, written as a moved-out gather and stacked, by the
// engine of `tsly nmo --deck` with two workers and with one, and by the
// straightforward loop (each trace read, its CDP's velocities computed, moved
// out and written, one trace at a time) in the same run, on the same file warm
// in the page cache.
//
//   build/bench/bench_nmo_deck [repeats]
//
// Each run writes a new file (the previous output is removed first, outside the
// timing), as a first run does. Wall time counts what the machine gave to other
// programs as well; the process CPU time (all threads, user and system) is
// printed beside it. The load average is printed with the figures.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>


#include "../tests/support/GenFixtures.h"
#include "BenchSupport.h"
#include "deck/core/ApplyVelocities.h"
#include "platform/RawFile.h"
#include "moveout/core/Nmo.h"

using namespace tsly;
using namespace tsly::test;
using namespace tsly::bench;

namespace {


// One trace at a time: header, samples, the CDP's velocities, moveout, write.
bool straightforward(const MoveoutJob& job) {
  int in = rawOpen(job.inputPath, RawAccess::ReadOnly);
  { std::ofstream create(job.outputPath, std::ios::binary | std::ios::trunc); }
  int out = rawOpen(job.outputPath, RawAccess::ReadWrite);
  if (in <= 0 || out <= 0) return false;
  HeaderArray h;
  std::vector<float> s, o;
  std::vector<unsigned char> scratch;
  while (readNextTrace(in, h, s, scratch) == TraceReadStatus::Ok) {
    const std::int32_t n = h[WordNumSamples];
    const std::vector<float> v = velocitiesForCdp(job.functions, h[WordCdp], 0.0, h[WordSampleInterval] / 1000.0, n);
    o.resize(static_cast<size_t>(n));
    const float offset = static_cast<float>(h[WordOffset]) / static_cast<float>(h[WordOffsetScalar]);
    nmoitVariable(s.data(), o.data(), n, v.data(), offset, job.stretch, h[WordSampleInterval], 0, 0.0);
    if (!writeTrace(out, h, o.data(), n, scratch)) return false;
  }
  rawClose(in);
  rawClose(out);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const int repeats = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  TempDir dir;
  const std::string in = dir.file("gather.dat");
  writeGather(in, syntheticGather(1001, 200, 48, 1500, 50, 60, 1.2, 2400.0));
  const double traces = 200.0 * 48.0;

  MoveoutJob job;
  job.inputPath = in;
  job.functions = {{1001, {{200.0f, 1600.0f}, {1200.0f, 2400.0f}, {4000.0f, 3400.0f}}},
                   {1100, {{300.0f, 1700.0f}, {1200.0f, 2450.0f}, {5000.0f, 3600.0f}}},
                   {1200, {{250.0f, 1650.0f}, {1200.0f, 2350.0f}, {4500.0f, 3300.0f}}}};
  job.stretch = 0.5f;
  job.overwrite = true;

  std::printf("gather: 200 CDPs x 48 traces x 1500 samples (9600 traces, %.1f MB), functions on 3 CDPs\n",
              static_cast<double>(std::filesystem::file_size(in)) / 1e6);
  std::printf("load average before: %s\n", loadAverage().c_str());

  struct Case {
    const char* name;
    bool stack;
    int workers;
    std::vector<double> times, cpu;
  };
  std::vector<Case> cases = {{"moved out, 2 workers", false, 2, {}, {}},
                             {"moved out, 1 worker ", false, 1, {}, {}},
                             {"stacked,   2 workers", true, 2, {}, {}},
                             {"stacked,   1 worker ", true, 1, {}, {}}};
  std::vector<double> plain, plainCpu;
  for (int r = 0; r < repeats; ++r) {
    for (auto& c : cases) {
      MoveoutJob j = job;
      j.stack = c.stack;
      j.workers = c.workers;
      j.outputPath = dir.file(c.stack ? "stack.dat" : "moved.dat");
      std::filesystem::remove(j.outputPath);
      const double c0 = processCpuSeconds();
      const auto t0 = std::chrono::steady_clock::now();
      const MoveoutResult res = applyVelocities(j);
      const auto t1 = std::chrono::steady_clock::now();
      c.cpu.push_back(processCpuSeconds() - c0);
      if (res.status != MoveoutStatus::Done) {
        std::fprintf(stderr, "bench_nmo_deck: run failed: %s\n", res.message.c_str());
        return 1;
      }
      c.times.push_back(seconds(t0, t1));
    }
    MoveoutJob j = job;
    j.outputPath = dir.file("plain.dat");
    std::filesystem::remove(j.outputPath);
    const double c0 = processCpuSeconds();
    const auto t0 = std::chrono::steady_clock::now();
    if (!straightforward(j)) {
      std::fprintf(stderr, "bench_nmo_deck: straightforward loop failed\n");
      return 1;
    }
    plain.push_back(seconds(t0, std::chrono::steady_clock::now()));
    plainCpu.push_back(processCpuSeconds() - c0);
  }
  for (const auto& c : cases) {
    const double t = median(c.times);
    std::printf("%s: %.3f s wall  %.0f traces/s  %.3f s cpu  (median of %d)\n", c.name, t, traces / t, median(c.cpu),
                repeats);
  }
  const double tp = median(plain);
  std::printf("straightforward loop:  %.3f s wall  %.0f traces/s  %.3f s cpu\n", tp, traces / tp, median(plainCpu));
  std::printf("ratio straightforward / engine (moved out, 2 workers): %.2f\n", tp / median(cases[0].times));
  std::printf("ratio 1 worker / 2 workers: moved out %.2f, stacked %.2f\n",
              median(cases[1].times) / median(cases[0].times), median(cases[3].times) / median(cases[2].times));
  const bool same = readFile(dir.file("plain.dat")) == readFile(dir.file("moved.dat"));
  std::printf("straightforward output identical to the engine's: %s\n", same ? "yes" : "no");
  std::printf("load average after: %s\n", loadAverage().c_str());
  return same ? 0 : 1;
}
