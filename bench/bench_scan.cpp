// Open-scan speed against `cat`: writes a gather of 1500-sample float traces
// (1 GiB by default), warms it in the page cache, then times in the same run
//   cat FILE > /dev/null,   tsly info FILE > /dev/null,   and the scan in-process,
// best of several rounds each, and prints the ratio tsly/cat (target <= 1.5).
//
// Usage: bench_scan [--dir DIR] [--mib N] [--rounds N] [--tsly PATH] [--keep]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <vector>

#include "generation/core/Synth.h"
#include "open/core/OpenScan.h"

namespace {

// CPU seconds (user + system) used by finished child processes so far.
double childCpu() {
  rusage u{};
  getrusage(RUSAGE_CHILDREN, &u);
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) * 1e-6;
}

double lastCpu = 0;  // CPU seconds of the last command (shell included)

double secondsOf(const std::string& cmd) {
  double c0 = childCpu();
  auto t0 = std::chrono::steady_clock::now();
  int rc = std::system(cmd.c_str());
  auto t1 = std::chrono::steady_clock::now();
  lastCpu = childCpu() - c0;
  if (rc != 0) {
    std::fprintf(stderr, "command failed (%d): %s\n", rc, cmd.c_str());
    std::exit(1);
  }
  return std::chrono::duration<double>(t1 - t0).count();
}

std::string shellQuote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

}  // namespace

int main(int argc, char** argv) {
  std::string dir = std::filesystem::temp_directory_path().string();
  long mib = 1024;
  int rounds = 5;
  bool keep = false;
  std::string tsly;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    auto next = [&]() -> std::string { return i + 1 < argc ? argv[++i] : ""; };
    if (a == "--dir") dir = next();
    else if (a == "--mib") mib = std::atol(next().c_str());
    else if (a == "--rounds") rounds = std::atoi(next().c_str());
    else if (a == "--tsly") tsly = next();
    else if (a == "--keep") keep = true;
    else {
      std::fprintf(stderr, "usage: bench_scan [--dir DIR] [--mib N] [--rounds N] [--tsly PATH] [--keep]\n");
      return 2;
    }
  }
  if (tsly.empty()) {
    // Beside the build tree's bench folder: ../apps/tsly/tsly
    auto self = std::filesystem::absolute(argv[0]).parent_path();
    tsly = (self.parent_path() / "apps" / "tsly" / "tsly").string();
    if (const char* bin = std::getenv("TESSALY_BIN_DIR")) tsly = std::string(bin) + "/tsly/tsly";
  }
  if (!std::filesystem::exists(tsly)) {
    std::fprintf(stderr, "tsly not found at %s (build target tsly, or pass --tsly)\n", tsly.c_str());
    return 1;
  }

  tsly::SynthParams p;
  p.samples = 1500;
  p.offsetCount = 12;
  const std::int64_t gather = tsly::synthFileBytes(p) / p.cdps;  // bytes per CDP
  p.cdps = static_cast<int>((mib * 1024 * 1024 + gather - 1) / gather);
  if (p.cdps > 32767 - p.firstCdp) p.firstCdp = 1;
  const std::string file = dir + "/tessaly_bench_scan.dat";
  if (!std::filesystem::exists(file) || static_cast<std::int64_t>(std::filesystem::file_size(file)) != tsly::synthFileBytes(p)) {
    std::printf("writing %s (%lld bytes, %d CDPs x %d traces of %d float samples)\n", file.c_str(),
                static_cast<long long>(tsly::synthFileBytes(p)), p.cdps, p.offsetCount, p.samples);
    std::string err = tsly::writeSynthGather(file, p);
    if (!err.empty()) {
      std::fprintf(stderr, "%s\n", err.c_str());
      return 1;
    }
  }
  const std::string q = shellQuote(file);
  secondsOf("cat " + q + " > /dev/null");  // warm the page cache
  secondsOf("cat " + q + " > /dev/null");

  double bestCat = 1e9, bestInfo = 1e9, bestScan = 1e9, cpuCat = 1e9, cpuInfo = 1e9;
  std::int32_t traces = 0;
  for (int r = 0; r < rounds; ++r) {
    bestCat = std::min(bestCat, secondsOf("cat " + q + " > /dev/null"));
    cpuCat = std::min(cpuCat, lastCpu);
    bestInfo = std::min(bestInfo, secondsOf(shellQuote(tsly) + " info " + q + " > /dev/null"));
    cpuInfo = std::min(cpuInfo, lastCpu);
    tsly::AppState st;
    st.DataFileName = file;
    auto t0 = std::chrono::steady_clock::now();
    auto res = tsly::openScan(st);
    auto t1 = std::chrono::steady_clock::now();
    if (!res.ok()) {
      std::fprintf(stderr, "scan failed: %s\n", res.message.text.c_str());
      return 1;
    }
    traces = st.TraceCount;
    bestScan = std::min(bestScan, std::chrono::duration<double>(t1 - t0).count());
  }
  std::printf("file:            %s (%.1f MiB, %d traces)\n", file.c_str(),
              static_cast<double>(std::filesystem::file_size(file)) / (1024.0 * 1024.0), traces);
  std::printf("cat > /dev/null: %.3f s (best of %d)\n", bestCat, rounds);
  std::printf("tsly info:       %.3f s (best of %d)\n", bestInfo, rounds);
  std::printf("scan in-process: %.3f s (best of %d)\n", bestScan, rounds);
  std::printf("CPU seconds:     cat %.3f, tsly info %.3f (ratio %.2f; wall times on a busy machine vary more)\n",
              cpuCat, cpuInfo, cpuInfo / cpuCat);
  std::printf("ratio tsly info / cat: %.2f (target <= 1.5)\n", bestInfo / bestCat);
  if (!keep) std::filesystem::remove(file);
  return bestInfo / bestCat <= 1.5 ? 0 : 3;
}
