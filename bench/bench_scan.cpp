// Open-scan speed against `cat`: writes a gather of 1500-sample float traces
// (1 GiB, 172,080 traces, by default), warms it in the page cache, then times in
// the same run, median of several rounds each:
//   cat FILE > /dev/null         every byte read once, nothing else done;
//   tsly info FILE > /dev/null   the program's scan (headers walked through a
//                                read-only mapping) and its report;
//   scan in-process              openScan alone;
//   reference walk in-process    the straightforward scan: the whole file read
//                                in 128 KiB chunks, header by header.
// and prints the ratio tsly info / cat (goal <= 0.25). With --big N it then
// writes an N GiB gather (when `df` shows room for it plus 2 GiB), measures
// cat and tsly info on it the same way and deletes it.
//
// Usage: bench_scan [--dir DIR] [--mib N] [--rounds N] [--big GIB] [--tsly PATH] [--keep]
//
// Wall time counts the time the machine gave to other programs as well; the
// CPU seconds of each command and the load average are printed beside it.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/mman.h>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

#include "BenchSupport.h"
#include "generation/core/Synth.h"
#include "open/core/OpenScan.h"
#include "platform/RawFile.h"
#include "platform/SequentialReader.h"
#include "shared/TraceFormat.h"

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

using tsly::bench::loadAverage;
using tsly::bench::median;

// The straightforward scan, as a reference: every byte read in order, each
// header decoded, each sample block passed over. Returns the trace count.
std::int32_t referenceWalk(const std::string& file) {
  int h = tsly::rawOpen(file, tsly::RawAccess::ReadOnly);
  tsly::SequentialReader in(h, 0);
  unsigned char hb[tsly::HeaderBytes];
  tsly::HeaderArray hd{};
  std::int32_t traces = 0;
  std::int16_t minKey = 32767, maxKey = 0;
  while (in.read(hb, tsly::HeaderBytes) == tsly::HeaderBytes) {
    tsly::decodeHeader(hb, hd);
    const std::int32_t nbytes = tsly::traceDataBytes(hd);
    if (nbytes < 2 || in.skip(nbytes) != nbytes) break;
    minKey = std::min(minKey, hd[tsly::WordCdp]);
    maxKey = std::max(maxKey, hd[tsly::WordCdp]);
    ++traces;
  }
  tsly::rawClose(h);
  return minKey <= maxKey ? traces : -1;
}

// Header walks that skip the samples, measured to choose the scan's way of
// reading: one positional read of 240 bytes per trace, or a read-only mapping
// touched at each header. Each returns the trace count.
std::int32_t preadWalk(const std::string& file) {
  int h = tsly::rawOpen(file, tsly::RawAccess::ReadOnly);
  const std::int64_t size = static_cast<std::int64_t>(std::filesystem::file_size(file));
  unsigned char hb[tsly::HeaderBytes];
  tsly::HeaderArray hd{};
  std::int32_t traces = 0;
  std::int64_t pos = 0;
  while (::pread(h, hb, tsly::HeaderBytes, pos) == tsly::HeaderBytes) {
    tsly::decodeHeader(hb, hd);
    const std::int32_t nbytes = tsly::traceDataBytes(hd);
    if (nbytes < 2 || pos + tsly::HeaderBytes + nbytes > size) break;
    pos += tsly::HeaderBytes + nbytes;
    ++traces;
  }
  tsly::rawClose(h);
  return traces;
}

std::int32_t mappedWalk(const std::string& file) {
  int h = tsly::rawOpen(file, tsly::RawAccess::ReadOnly);
  const std::int64_t size = static_cast<std::int64_t>(std::filesystem::file_size(file));
  void* m = ::mmap(nullptr, static_cast<size_t>(size), PROT_READ, MAP_SHARED, h, 0);
  tsly::rawClose(h);
  if (m == MAP_FAILED) return -1;
  const auto* base = static_cast<const unsigned char*>(m);
  tsly::HeaderArray hd{};
  std::int32_t traces = 0;
  std::int64_t pos = 0;
  while (pos + tsly::HeaderBytes <= size) {
    tsly::decodeHeader(base + pos, hd);
    const std::int32_t nbytes = tsly::traceDataBytes(hd);
    if (nbytes < 2 || pos + tsly::HeaderBytes + nbytes > size) break;
    pos += tsly::HeaderBytes + nbytes;
    ++traces;
  }
  ::munmap(m, static_cast<size_t>(size));
  return traces;
}

// Wall seconds of walk(file); exits when it disagrees with the scan's count.
template <typename Walk>
double timeWalk(const char* name, Walk walk, const std::string& file, std::int32_t expected) {
  auto t0 = std::chrono::steady_clock::now();
  const std::int32_t n = walk(file);
  auto t1 = std::chrono::steady_clock::now();
  if (n != expected) {
    std::fprintf(stderr, "%s found %d traces, the scan %d\n", name, n, expected);
    std::exit(1);
  }
  return std::chrono::duration<double>(t1 - t0).count();
}

struct Figures {
  std::vector<double> cat, catCpu, info, infoCpu, scan, reference, pread, mapped;
  std::int32_t traces = 0;
};

// Times the commands on `file` (warm) for `rounds` rounds; in-process ones too
// when `inProcess`.
Figures measure(const std::string& file, const std::string& tsly, int rounds, bool inProcess) {
  const std::string q = shellQuote(file);
  secondsOf("cat " + q + " > /dev/null");  // warm the page cache
  secondsOf("cat " + q + " > /dev/null");
  Figures f;
  for (int r = 0; r < rounds; ++r) {
    f.cat.push_back(secondsOf("cat " + q + " > /dev/null"));
    f.catCpu.push_back(lastCpu);
    f.info.push_back(secondsOf(shellQuote(tsly) + " info " + q + " > /dev/null"));
    f.infoCpu.push_back(lastCpu);
    if (!inProcess) continue;
    tsly::AppState st;
    st.DataFileName = file;
    auto t0 = std::chrono::steady_clock::now();
    auto res = tsly::openScan(st);
    auto t1 = std::chrono::steady_clock::now();
    if (!res.ok()) {
      std::fprintf(stderr, "scan failed: %s\n", res.message.text.c_str());
      std::exit(1);
    }
    f.traces = st.TraceCount;
    f.scan.push_back(std::chrono::duration<double>(t1 - t0).count());
    f.reference.push_back(timeWalk("reference walk", referenceWalk, file, st.TraceCount));
    f.pread.push_back(timeWalk("pread walk", preadWalk, file, st.TraceCount));
    f.mapped.push_back(timeWalk("mapped walk", mappedWalk, file, st.TraceCount));
  }
  return f;
}

// A gather of about `mib` MiB; CDP numbers stay 16-bit, so a larger gather
// has more traces per CDP.
tsly::SynthParams gatherOf(double mib, int offsets) {
  tsly::SynthParams p;
  p.samples = 1500;
  p.offsetCount = offsets;
  const std::int64_t gather = tsly::synthFileBytes(p) / p.cdps;  // bytes per CDP
  p.cdps = static_cast<int>((static_cast<std::int64_t>(mib * 1024 * 1024) + gather - 1) / gather);
  if (p.cdps > 32767 - p.firstCdp) p.firstCdp = 1;
  return p;
}

bool writeGather(const std::string& file, const tsly::SynthParams& p) {
  if (std::filesystem::exists(file) &&
      static_cast<std::int64_t>(std::filesystem::file_size(file)) == tsly::synthFileBytes(p))
    return true;
  std::printf("writing %s (%lld bytes, %d CDPs x %d traces of %d float samples)\n", file.c_str(),
              static_cast<long long>(tsly::synthFileBytes(p)), p.cdps, p.offsetCount, p.samples);
  std::fflush(stdout);
  std::string err = tsly::writeSynthGather(file, p);
  if (!err.empty()) std::fprintf(stderr, "%s\n", err.c_str());
  return err.empty();
}

}  // namespace

int main(int argc, char** argv) {
  std::string dir = std::filesystem::temp_directory_path().string();
  long mib = 1024;
  int rounds = 5;
  int bigGib = 0;
  bool keep = false;
  std::string tsly;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    auto next = [&]() -> std::string { return i + 1 < argc ? argv[++i] : ""; };
    if (a == "--dir") dir = next();
    else if (a == "--mib") mib = std::atol(next().c_str());
    else if (a == "--rounds") rounds = std::max(1, std::atoi(next().c_str()));
    else if (a == "--big") bigGib = std::atoi(next().c_str());
    else if (a == "--tsly") tsly = next();
    else if (a == "--keep") keep = true;
    else {
      std::fprintf(stderr,
                   "usage: bench_scan [--dir DIR] [--mib N] [--rounds N] [--big GIB] [--tsly PATH] [--keep]\n");
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

  const std::string file = dir + "/tessaly_bench_scan.dat";
  if (!writeGather(file, gatherOf(static_cast<double>(mib), 12))) return 1;
  std::printf("load average before: %s\n", loadAverage().c_str());
  const Figures f = measure(file, tsly, rounds, true);
  std::printf("file:            %s (%.1f MiB, %d traces), medians of %d\n", file.c_str(),
              static_cast<double>(std::filesystem::file_size(file)) / (1024.0 * 1024.0), f.traces, rounds);
  std::printf("cat > /dev/null: %.3f s (cpu %.3f)\n", median(f.cat), median(f.catCpu));
  std::printf("tsly info:       %.3f s (cpu %.3f)\n", median(f.info), median(f.infoCpu));
  std::printf("scan in-process: %.3f s;  reference walk (every byte read): %.3f s;  ratio %.2f\n", median(f.scan),
              median(f.reference), median(f.reference) / median(f.scan));
  std::printf("header walks:    pread of 240 bytes per trace %.3f s (%.2fx cat);  mapping %.3f s (%.2fx cat)\n",
              median(f.pread), median(f.pread) / median(f.cat), median(f.mapped), median(f.mapped) / median(f.cat));
  std::printf("load average after: %s\n", loadAverage().c_str());
  const double ratio = median(f.info) / median(f.cat);
  std::printf("scan: tsly info %.2fx cat wall, %.2fx cpu (goal <= 0.25)\n", ratio,
              median(f.infoCpu) / median(f.catCpu));
  if (!keep) std::filesystem::remove(file);

  if (bigGib > 0) {
    const std::string big = dir + "/tessaly_bench_scan_big.dat";
    const auto p = gatherOf(static_cast<double>(bigGib) * 1024.0, 48);
    const auto space = std::filesystem::space(dir);
    const std::int64_t need = tsly::synthFileBytes(p) + (std::int64_t{2} << 30);
    if (static_cast<std::int64_t>(space.available) < need) {
      std::printf("%d GiB gather skipped: %.1f GiB free in %s, %.1f GiB needed\n", bigGib,
                  static_cast<double>(space.available) / (1 << 30), dir.c_str(),
                  static_cast<double>(need) / (1 << 30));
    } else {
      if (!writeGather(big, p)) {
        std::filesystem::remove(big);
        return 1;
      }
      std::printf("load average before: %s\n", loadAverage().c_str());
      const Figures g = measure(big, tsly, std::min(rounds, 3), false);
      std::printf("%d GiB gather (%lld traces): cat %.3f s (cpu %.3f), tsly info %.3f s (cpu %.3f), %.2fx cat\n",
                  bigGib, static_cast<long long>(p.cdps) * p.offsetCount, median(g.cat), median(g.catCpu),
                  median(g.info), median(g.infoCpu), median(g.info) / median(g.cat));
      std::printf("load average after: %s\n", loadAverage().c_str());
      std::filesystem::remove(big);
    }
  }
  return 0;
}
