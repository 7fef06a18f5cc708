// Survey-sized runs: the batch commands of tsly on synthetic CDP gathers of
// 48 offsets x 1500 float samples at 4 ms, 1,750 CDPs (84,000 traces, 0.5 GiB)
// and 7,000 CDPs (336,000 traces, 2 GiB), each command a child process whose
// wall time, processor time (user + system, every thread) and peak resident
// memory (wait4's ru_maxrss) are printed with the load average, so that the
// growth from one size to the other shows.
//
//   build/bench/bench_survey [--sizes 0.5,2] [--only KEY,...] [--tsly PATH] [--baseline PATH]
//
//   --sizes     gathers to make, in GiB of 3,500 CDPs (default 0.5,2)
//   --only      the runs to make (default all): generate, panel, nmo, stack,
//               semblance, segy (export and import), autopick, engine
//   --tsly      the tsly to measure (default: the one of this build)
//   --baseline  another tsly (an older build, say): every command is run with
//               it too, just before, and the ratios baseline / measured printed
//
// The commands: generate (a panel of 25 CDPs at every 25th CDP, 10 velocities,
// stacked; and one panel of every CDP at 2 velocities, where the traces kept
// between velocity blocks are at their most), nmo --deck moved out and with --stack (velocity functions on three
// CDPs), semblance --cdp all --peaks, export-segy and import-segy of that
// export, and autopick where the tsly measured has it (a note otherwise).
// Traces per second are input traces (the gather's) per second of wall time.
// The deck run is also made in this process's children with one worker and
// with two (the engine alone, no command line), its outputs compared.
//
// The gathers and outputs go to a folder under $TMPDIR (or /tmp), removed at
// the end; each output is removed once measured. A size is skipped, with a
// note, where the disk has not three times the gather free. Runs of the 2 GiB
// gather take minutes on a small machine: this is no test.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "../tests/support/TempDir.h"
#include "BenchSupport.h"
#include "deck/core/ApplyVelocities.h"

using namespace tsly;
using namespace tsly::bench;
namespace fs = std::filesystem;

namespace {

constexpr int Offsets = 48;
constexpr int Samples = 1500;
constexpr int FirstCdp = 1001;
constexpr int CdpsPerPanel = 25;
constexpr std::int64_t TraceBytes = 240 + 4 * Samples;

struct Usage {
  bool ok = false;
  double wall = 0, cpu = 0;
  double peakMb = 0;
  std::string load;  // at the start
};

double cpuOf(const rusage& u) {
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// Waits for `pid` and fills in what the child used.
Usage waitFor(pid_t pid, std::chrono::steady_clock::time_point t0, std::string load) {
  Usage u;
  u.load = std::move(load);
  int status = 0;
  rusage ru{};
  if (::wait4(pid, &status, 0, &ru) != pid) return u;
  u.wall = seconds(t0, std::chrono::steady_clock::now());
  u.cpu = cpuOf(ru);
  u.peakMb = static_cast<double>(ru.ru_maxrss) / 1024.0;  // kilobytes on Linux
  u.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  return u;
}

// Runs `argv` with stdout to `out` (/dev/null unless given) and stderr to `log`.
Usage runCommand(const std::vector<std::string>& argv, const std::string& log, const std::string& out = "/dev/null") {
  std::vector<char*> args;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  std::string load = loadAverage();
  const auto t0 = std::chrono::steady_clock::now();
  const pid_t pid = ::fork();
  if (pid == 0) {
    const int null = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int err = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ::dup2(null, 1);
    ::dup2(err, 2);
    ::execv(args[0], args.data());
    std::_Exit(127);
  }
  if (pid < 0) return {};
  return waitFor(pid, t0, std::move(load));
}

// The deck run's engine in a child process, with `workers` threads.
Usage runEngine(MoveoutJob job, int workers) {
  job.workers = workers;
  std::string load = loadAverage();
  const auto t0 = std::chrono::steady_clock::now();
  const pid_t pid = ::fork();
  if (pid == 0) std::_Exit(applyVelocities(job).status == MoveoutStatus::Done ? 0 : 1);
  if (pid < 0) return {};
  return waitFor(pid, t0, std::move(load));
}

bool sameBytes(const std::string& a, const std::string& b) {
  std::ifstream fa(a, std::ios::binary), fb(b, std::ios::binary);
  if (!fa || !fb) return false;
  std::vector<char> ba(1 << 20), bb(1 << 20);
  for (;;) {
    fa.read(ba.data(), static_cast<std::streamsize>(ba.size()));
    fb.read(bb.data(), static_cast<std::streamsize>(bb.size()));
    if (fa.gcount() != fb.gcount() || std::memcmp(ba.data(), bb.data(), static_cast<size_t>(fa.gcount())) != 0)
      return false;
    if (fa.gcount() == 0) return true;
  }
}

std::string tail(const std::string& path) {
  std::ifstream f(path);
  std::string all((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  return all.size() > 400 ? all.substr(all.size() - 400) : all;
}

void printRow(const char* size, const std::string& what, const Usage& u, double traces) {
  if (!u.ok) {
    std::printf("%-5s %-44s FAILED  (load %s)\n", size, what.c_str(), u.load.c_str());
    return;
  }
  std::printf("%-5s %-44s %8.2f s %9.0f traces/s  cpu %7.2f s (%.2f cores)  peak %7.1f MB  (load %s)\n", size,
              what.c_str(), u.wall, traces / u.wall, u.cpu, u.cpu / u.wall, u.peakMb, u.load.c_str());
  std::fflush(stdout);
}

std::string joined(int first, int count, int step) {
  std::string s;
  for (int k = 0; k < count; ++k) s += (k ? "," : "") + std::to_string(first + k * step);
  return s;
}

std::vector<CdpVelocityFunction> deckFunctions(int cdps) {
  const int last = FirstCdp + cdps - 1, mid = FirstCdp + cdps / 2;
  return {{static_cast<std::int16_t>(FirstCdp), {{200.0f, 1600.0f}, {1200.0f, 2400.0f}, {4000.0f, 3400.0f}}},
          {static_cast<std::int16_t>(mid), {{300.0f, 1700.0f}, {1200.0f, 2450.0f}, {5000.0f, 3600.0f}}},
          {static_cast<std::int16_t>(last), {{250.0f, 1650.0f}, {1200.0f, 2350.0f}, {4500.0f, 3300.0f}}}};
}

std::string deckText(const std::string& in, const std::string& out, const std::vector<CdpVelocityFunction>& f) {
  std::string d = "*INPF " + in + "\r\n*NMOT  .5 0\r\n";
  for (const auto& c : f) {
    d += "VELF " + std::to_string(c.cdp);
    for (const auto& p : c.picks)
      d += " " + std::to_string(static_cast<int>(p.timeMs)) + " " + std::to_string(static_cast<int>(p.velocity));
    d += "\r\n";
  }
  return d + "*OUTF " + out + "\r\n>>END\r\n";
}

// The help of tsly lists each command's name on a line of its own.
bool hasCommand(const std::string& tsly, const std::string& command, const std::string& log) {
  const std::string help = log + ".help";
  if (!runCommand({tsly, "--help"}, log, help).ok) return false;
  std::ifstream f(help);
  for (std::string line; std::getline(f, line);)
    if (line == command) return true;
  return false;
}

struct Options {
  std::vector<double> sizes = {0.5, 2.0};
  std::string tsly, baseline;
  std::vector<std::string> only;  // empty: every run
  bool wants(const std::string& key) const { return only.empty() || std::find(only.begin(), only.end(), key) != only.end(); }
};

std::vector<std::string> splitList(const std::string& v) {
  std::vector<std::string> out;
  for (size_t at = 0; at <= v.size();) {
    const size_t comma = std::min(v.find(',', at), v.size());
    out.push_back(v.substr(at, comma - at));
    at = comma + 1;
  }
  return out;
}

bool parse(int argc, char** argv, Options& o) {
  for (int k = 1; k < argc; ++k) {
    const std::string a = argv[k];
    if (k + 1 >= argc) return false;
    const std::string v = argv[++k];
    if (a == "--sizes") {
      o.sizes.clear();
      for (const std::string& t : splitList(v)) {
        const double s = std::atof(t.c_str());
        if (!(s > 0 && s <= 16)) return false;
        o.sizes.push_back(s);
      }
    } else if (a == "--only") {
      o.only = splitList(v);
      for (const std::string& t : o.only)
        if (std::string(",generate,panel,nmo,stack,semblance,segy,autopick,engine,").find("," + t + ",") ==
            std::string::npos)
          return false;
    } else if (a == "--tsly") {
      o.tsly = v;
    } else if (a == "--baseline") {
      o.baseline = v;
    } else {
      return false;
    }
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  if (!parse(argc, argv, o)) {
    std::fprintf(stderr, "usage: bench_survey [--sizes 0.5,2] [--only KEY,...] [--tsly PATH] [--baseline PATH]\n");
    return 2;
  }
  if (o.tsly.empty()) o.tsly = (fs::canonical("/proc/self/exe").parent_path().parent_path() / "apps/tsly/tsly").string();
  if (!fs::exists(o.tsly)) {
    std::fprintf(stderr, "bench_survey: no tsly at %s (build the target tsly, or give --tsly)\n", o.tsly.c_str());
    return 2;
  }
  test::TempDir dir;
  const std::string log = dir.file("stderr.txt");
  std::printf("tsly: %s%s%s\nfolder: %s\nload average before: %s\n", o.tsly.c_str(),
              o.baseline.empty() ? "" : "\nbaseline: ", o.baseline.c_str(), dir.path().c_str(), loadAverage().c_str());
  const bool autopick = o.wants("autopick") && hasCommand(o.tsly, "autopick", log);
  if (o.wants("autopick") && !autopick) std::printf("note: this tsly has no autopick command; autopick not measured\n");

  bool allOk = true;
  for (const double gib : o.sizes) {
    const int cdps = static_cast<int>(std::lround(3500.0 * gib));
    const double traces = static_cast<double>(cdps) * Offsets;
    const std::int64_t bytes = static_cast<std::int64_t>(traces) * TraceBytes;
    char size[16];
    std::snprintf(size, sizeof size, "%gG", gib);
    struct statvfs st {};
    if (::statvfs(dir.path().c_str(), &st) == 0 &&
        static_cast<double>(st.f_bavail) * static_cast<double>(st.f_frsize) < 3.0 * static_cast<double>(bytes)) {
      std::printf("%s: skipped, less than %.1f GB free in %s\n", size, 3.0 * static_cast<double>(bytes) / 1e9,
                  dir.path().c_str());
      continue;
    }
    const std::string in = dir.file("gather.dat");
    std::printf("\n%s: %d CDPs x %d offsets x %d samples, %.0f traces, %.2f GB\n", size, cdps, Offsets, Samples,
                traces, static_cast<double>(bytes) / 1e9);
    const Usage made = runCommand({o.tsly, "synth", in, "--cdps", std::to_string(cdps), "--offsets",
                                   "50:50:48", "--samples", std::to_string(Samples), "--noise", "0.02"},
                                  log);
    printRow(size, "synth (making the gather)", made, traces);
    if (!made.ok) {
      std::printf("  %s\n", tail(log).c_str());
      return 1;
    }

    const auto functions = deckFunctions(cdps);
    const std::string deck = dir.file("deck.job");
    std::ofstream(deck, std::ios::binary) << deckText(in, dir.file("deck-out.dat"), functions);
    const int panels = (cdps + CdpsPerPanel - 1) / CdpsPerPanel;
    struct Command {
      std::string key, name;
      std::vector<std::string> args;  // after the program
      std::string output;             // removed after the run ("" none)
    };
    const std::string out = dir.file("out.dat"), sgy = dir.file("out.sgy");
    std::vector<Command> commands = {
        {"generate", "generate (10 velocities, stacked)",
         {"generate", in, out, "--force", "--start-cdps", joined(FirstCdp, panels, CdpsPerPanel), "--velocities",
          joined(1500, 10, 200)},
         out},
        {"panel", "generate (one panel, 2 velocities)",
         {"generate", in, out, "--force", "--start-cdps", std::to_string(FirstCdp), "--cdps-per-panel",
          std::to_string(cdps), "--velocities", "2000,2600"},
         out},
        {"nmo", "nmo --deck", {"nmo", "--deck", deck, "--output", out, "--force"}, out},
        {"stack", "nmo --deck --stack", {"nmo", "--deck", deck, "--stack", "--output", out, "--force"}, out},
        {"semblance", "semblance --cdp all --peaks", {"semblance", in, "--cdp", "all", "--peaks"}, ""},
        {"segy", "export-segy", {"export-segy", in, sgy, "--force"}, ""},
        {"segy", "import-segy (of that export)", {"import-segy", sgy, out, "--force"}, out},
    };
    if (autopick) commands.push_back({"autopick", "autopick", {"autopick", in, "--output", out, "--force"}, out});

    for (const Command& c : commands) {
      if (!o.wants(c.key)) continue;
      std::vector<std::string> args = c.args;
      args.insert(args.begin(), o.tsly);
      Usage before;
      if (!o.baseline.empty()) {
        args[0] = o.baseline;
        before = runCommand(args, log);
        printRow(size, c.name + " [baseline]", before, traces);
        if (!c.output.empty()) fs::remove(c.output);
        args[0] = o.tsly;
      }
      const Usage u = runCommand(args, log);
      printRow(size, c.name, u, traces);
      if (!u.ok) {
        allOk = false;
        std::printf("  %s\n", tail(log).c_str());
      }
      if (before.ok && u.ok)
        std::printf("%-5s   ratio baseline / this: peak memory %.2f, wall time %.2f\n", size, before.peakMb / u.peakMb,
                    before.wall / u.wall);
      if (!c.output.empty()) fs::remove(c.output);
    }
    fs::remove(sgy);

    // The deck engine with one worker and with two, the outputs compared.
    for (const bool stack : {false, true}) {
      if (!o.wants("engine")) break;
      MoveoutJob job;
      job.inputPath = in;
      job.functions = functions;
      job.stretch = 0.5f;
      job.stack = stack;
      job.overwrite = true;
      job.outputPath = dir.file("one.dat");
      const Usage one = runEngine(job, 1);
      job.outputPath = dir.file("two.dat");
      const Usage two = runEngine(job, 2);
      const std::string name = std::string("deck engine") + (stack ? ", stacked" : ", moved out");
      printRow(size, name + ", 1 worker", one, traces);
      printRow(size, name + ", 2 workers", two, traces);
      const bool same = one.ok && two.ok && sameBytes(dir.file("one.dat"), dir.file("two.dat"));
      if (one.ok && two.ok)
        std::printf("%-5s   ratio 1 worker / 2 workers: wall time %.2f; outputs identical: %s\n", size,
                    one.wall / two.wall, same ? "yes" : "NO");
      allOk = allOk && same;
      fs::remove(dir.file("one.dat"));
      fs::remove(dir.file("two.dat"));
    }
    fs::remove(in);
  }
  std::printf("\nload average after: %s\n", loadAverage().c_str());
  return allOk ? 0 : 1;
}
