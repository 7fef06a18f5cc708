// tsly segy-info FILE
// What a SEG-Y file holds before it is imported: the binary header's key values,
// the layout found, and for the trace fields an analyst checks the smallest and
// largest value and how many distinct values there are (scalars applied). A
// progress bar of traces on a terminal for large files.
#include <cstdio>
#include <iostream>
#include <memory>
#include <string>

#include "CliSupport.h"
#include "commands.h"
#include "exchange/core/SegyExchange.h"
#include "platform/ConsoleUi.h"
#include "shared/Numbers.h"

namespace tsly::cli {

namespace {

// Files with fewer traces are read too fast for a progress bar.
constexpr std::int64_t ProgressFrom = 20000;

struct SegyInfoOptions {
  std::string file;
};

std::string pad(const std::string& s, std::size_t width) {
  return s.size() >= width ? s + " " : s + std::string(width - s.size(), ' ');
}
std::string padLeft(const std::string& s, std::size_t width) {
  return s.size() >= width ? " " + s : std::string(width - s.size(), ' ') + s;
}
std::string num(long long v) { return plainNumberText(v); }

void printLayout(const std::string& file, const segy::SegyLayout& i) {
  auto line = [](const std::string& label, const std::string& value) {
    std::cout << pad(label + ":", 26) << value << "\n";
  };
  line("File", file);
  line("SEG-Y revision", num(i.revisionMajor) + "." + num(i.revisionMinor));
  line("Sample format", num(i.format) + " " + segy::formatName(i.format) +
                            (i.littleEndian ? ", little-endian" : ", big-endian"));
  line("Samples per trace", num(i.samples) + " (binary header " + num(i.binSamples) + ", first trace " +
                                num(i.traceSamples) + ")");
  line("Sample interval", num(i.intervalUs) + " us (binary header " + num(i.binInterval) + ", first trace " +
                              num(i.traceInterval) + ")");
  line("Extended textual headers",
       num(i.textHeaders) + (i.variableTextHeaders ? " (count -1: closed by ((SEG: EndText)))" : ""));
  line("Trace-header extensions", num(i.headerExtensions));
  line("Fixed-length traces", num(i.fixedLength));
  line("Traces per ensemble", num(i.tracesPerEnsemble));
  line("Sorting code", num(i.sortingCode));
  line("Measurement system", num(i.measurementSystem));
  line("Traces", num(i.traces) + " of " + num(i.traceBytes) + " bytes from byte " + num(i.trace0));
  for (const auto& n : i.notes) line("Note", n);
}

void printFields(const segy::SegyInfo& i) {
  std::cout << pad("field", 22) << pad("bytes", 9) << pad("scalar", 8) << padLeft("minimum", 14)
            << padLeft("maximum", 14) << padLeft("distinct", 10) << "\n";
  for (const auto& f : i.fields) {
    const std::string distinct =
        f.distinct > segy::DistinctLimit ? ">" + num(segy::DistinctLimit) : num(f.distinct);
    std::cout << pad(f.name, 22) << pad(f.bytes, 9) << pad(f.scalar, 8) << padLeft(plainNumberText(f.min), 14)
              << padLeft(plainNumberText(f.max), 14) << padLeft(distinct, 10) << "\n";
  }
}

int runSegyInfo(const SegyInfoOptions& o) {
  segy::SegyInfo info;
  {
    TerminalProgress bar("traces");
    info = segy::segyInfo(o.file, [&bar](std::int64_t done, std::int64_t total) {
      if (total >= ProgressFrom) bar.update(done, total);
    });
  }
  if (!info.ok) return fail("segy-info", info.error);
  printLayout(o.file, info.layout);
  printFields(info);
  return 0;
}

}  // namespace

void addSegyInfoCommand(CLI::App& app, int& exitCode) {
  auto o = std::make_shared<SegyInfoOptions>();
  auto* cmd = addCommand(
      app, exitCode, o, runSegyInfo, "segy-info",
      "Show what a SEG-Y file holds before importing it: revision, sample format and byte order, samples and "
      "interval (binary header and first trace), extended textual headers, trace-header extensions, traces; then, "
      "for CDP (21-24), CDP or inline (189-192), crossline, offset, source, receiver and CDP coordinates (scalar "
      "of 71-72), elevations (scalar of 69-70), delay (scalar of 215-216), sample count and interval and trace "
      "identification, the minimum, maximum and number of distinct values. A progress bar on a terminal for large "
      "files.");
  cmd->add_option("FILE", o->file, "SEG-Y file to read")->required();
}

}  // namespace tsly::cli
