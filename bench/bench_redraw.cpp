// Redraw and pick timing on the real canvas, offscreen.
//
// One CDP with 20 panels of 48 traces of 1500 float samples (4 ms): about a
// thousand traces on screen. Prints the median time of a redraw three ways, in
// one run: everything through a QPainter opened per call (the simple way),
// through one QPainter kept open, and as the program runs (one-pixel lines and
// wiggle lobes rasterised straight into the image, the rest through the kept
// painter); the ratio of the first to the last; the same with area fill; and
// the time of one pick click (which never redraws) and of Next/Prev; and the
// summary line "redraw median: N ms (wiggle), M ms (fill)". The processor time
// (all threads) and the load average are printed beside the wall times.
//
//   QT_QPA_PLATFORM=offscreen build/bench/bench_redraw [redraws [--direct-only | --save DIR]]
#include <QApplication>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "../tests/support/RecordingHost.h"
#include "../tests/support/TraceFileBuilder.h"
#include "BenchSupport.h"
#include "display/core/PanelDisplay.h"
#include "qt/ImageCanvas.h"
#include "qt/QtUi.h"
#include "shared/TraceFormat.h"

using namespace tsly;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int Panels = 20;
constexpr int TracesPerPanel = 48;
constexpr int Samples = 1500;
constexpr int IntervalUs = 4000;

// Writes the file and fills the state as opening it would.
void makeFile(const std::string& path, AppState& s) {
  tsly::test::TraceFileBuilder file;
  std::vector<float> v(Samples);
  std::int64_t pos = 0;
  s.TraceDirectory.recreate(Panels * (TracesPerPanel + 1) + 110);
  s.PanelTable.recreate(Panels + 10);
  int index = 0;
  for (int p = 0; p < Panels; ++p) {
    for (int k = 0; k <= TracesPerPanel; ++k) {
      HeaderArray hd{};
      hd[WordDataType] = DataVelocityScan;
      hd[WordLabelWord] = WordCdp;
      hd[WordCdp] = static_cast<std::int16_t>(k == TracesPerPanel ? 1500 + 100 * p : 1001 + k);
      hd[WordTraceCode] = k == TracesPerPanel ? TraceCodeSeparator : 1;
      hd[WordNumSamples] = Samples;
      hd[WordSampleInterval] = IntervalUs;
      hd[WordSampleFormat] = FloatFormatMarker;
      for (int i = 0; i < Samples; ++i) {
        // Reflections every 200 ms on a little noise.
        const double t = i * IntervalUs / 1e6;
        const double ph = std::fmod(t, 0.2) - 0.1;
        v[i] = static_cast<float>(1000.0 * std::exp(-ph * ph * 4000.0) * std::cos(ph * 200.0) +
                                  30.0 * std::sin(i * 1.7 + k * 0.3 + p));
      }
      file.trace(hd, v);
      TraceDirEntry& e = s.TraceDirectory[static_cast<std::size_t>(++index)];
      e.FilePos = pos;
      e.TraceId = hd[WordTraceCode];
      e.PrimaryKey = hd[WordCdp];
      e.NumSamples = Samples;
      e.BytesPerSample = 4;
      pos += HeaderBytes + Samples * 4;
    }
    PanelEntry& pe = s.PanelTable[static_cast<std::size_t>(p + 1)];
    pe.FirstCdp = 1001;
    pe.LastCdp = 1001 + TracesPerPanel - 1;
    pe.Velocity = static_cast<std::int16_t>(1500 + 100 * p);
    pe.FirstTrace = p * (TracesPerPanel + 1) + 1;
    pe.PanelTraces = TracesPerPanel;
  }
  file.writeTo(path);
  s.DataFileName = path;
  s.DataType = DataVelocityScan;
  s.NumSamples = Samples;
  s.SampleInterval = IntervalUs;
  s.TraceCount = index;
  s.MaxAmplitude = 1030;
  s.PanelCount = Panels;
  s.CdpList.recreate(40);
  s.CdpList[1] = 1001;
  s.CdpCount = 1;
  s.CurrentCdp = 1;
  s.PickTable.recreate(1);
  s.PickTable[1].Cdp = 1001;
  s.GraphicsSaveFlag = -1;
}

// Median wall-clock milliseconds of n redraws; cpuMs gets the median processor time
// (the machine may be shared: processor time shows the work without the waiting).
double timeRedraws(PanelDisplay& d, int n, double& cpuMs) {
  std::vector<double> ms, cpu;
  d.refresh();  // warm: page cache, image allocation
  for (int i = 0; i < n; ++i) {
    const auto t0 = Clock::now();
    const std::clock_t c0 = std::clock();
    d.refresh();
    cpu.push_back(1000.0 * static_cast<double>(std::clock() - c0) / CLOCKS_PER_SEC);
    ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
  }
  cpuMs = bench::median(cpu);
  return bench::median(ms);
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const int n = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
  // --direct-only: time the program's own way only (for profiling it).
  const bool directOnly = argc > 2 && (std::string(argv[2]) == "--direct-only" || std::string(argv[2]) == "--save");
  // --save DIR: keep the program's drawings (wiggle.png, fill.png) to compare builds.
  const std::string saveDir = argc > 3 && std::string(argv[2]) == "--save" ? argv[3] : "";

  const char* tmp = std::getenv("TMPDIR");
  const std::string path = std::string(tmp && *tmp ? tmp : "/tmp") + "/tessaly_bench_redraw_" +
                           std::to_string(::getpid()) + ".vsc";
  AppState s;
  makeFile(path, s);
  ImageCanvas canvas;
  QtUi ui;
  test::RecordingHost host;
  PanelDisplay display(s, canvas, ui, host);

  std::printf("redraw: 1 CDP, %d panels x %d traces x %d float samples (%d traces), canvas ",
              Panels, TracesPerPanel, Samples, Panels * (TracesPerPanel + 1));
  display.refresh();
  std::printf("%d x %d pixels, median of %d\n", canvas.width(), canvas.height(), n);

  std::printf("load average before: %s\n", bench::loadAverage().c_str());
  double median[2] = {0, 0}, ratio[2] = {0, 0};
  for (int fill : {0, 1}) {
    s.AreaFillFlag = static_cast<std::int16_t>(fill);
    double cpuPerCall = 0, cpuKept = 0, cpuShipped = 0;
    double perCall = 0, kept = 0;
    if (!directOnly) {
      canvas.setFastPaths(false);
      canvas.setPainterReuse(false);
      perCall = timeRedraws(display, n, cpuPerCall);
      canvas.setPainterReuse(true);
      kept = timeRedraws(display, n, cpuKept);
    }
    canvas.setFastPaths(true);
    const double shipped = timeRedraws(display, n, cpuShipped);
    if (!saveDir.empty())
      canvas.image().save(QString::fromStdString(saveDir + (fill ? "/fill.png" : "/wiggle.png")));
    std::printf("  %-9s QPainter per call %7.1f ms (cpu %7.1f)   QPainter kept %7.1f ms (cpu %7.1f)   "
                "direct %7.1f ms (cpu %7.1f)   ratio %.2f\n",
                fill ? "area fill" : "wiggle", perCall, cpuPerCall, kept, cpuKept, shipped, cpuShipped,
                perCall / shipped);
    median[fill] = shipped;
    ratio[fill] = perCall / shipped;
  }

  // Pick clicks: alternate two rows on panel 10 (each click replaces the last).
  s.AreaFillFlag = 0;
  display.refresh();
  const PanelEntry& pe = s.PanelTable[10];
  const float x = (pe.Left + pe.Right) / 2.0f;
  const int clicks = 2000;
  const auto t0 = Clock::now();
  for (int i = 0; i < clicks; ++i) display.mousePress(x, 100.0f + static_cast<float>(i % 2) * 40.0f);
  const double us = std::chrono::duration<double, std::micro>(Clock::now() - t0).count() / clicks;
  std::printf("pick click: %.1f us per click (%d clicks, no redraw)\n", us, clicks);

  // Next / Prev on this CDP (the only one, so each shows it again): the whole
  // command, duplicate-pick check, file read, drawing and pick overlay.
  std::vector<double> step, stepCpu;
  for (int i = 0; i < n; ++i) {
    const auto a = Clock::now();
    const double c0 = bench::processCpuSeconds();
    if (i % 2) display.prevPanel();
    else display.nextPanel();
    (void)canvas.image();  // everything drawn
    stepCpu.push_back(1000.0 * (bench::processCpuSeconds() - c0));
    step.push_back(std::chrono::duration<double, std::milli>(Clock::now() - a).count());
  }
  std::printf("next/prev: %.1f ms median (cpu %.1f), wiggles\n", bench::median(step), bench::median(stepCpu));
  std::printf("load average after: %s\n", bench::loadAverage().c_str());
  if (!directOnly)
    std::printf("redraw median: %.0f ms (wiggle), %.0f ms (fill); %.2fx and %.2fx the painter per call\n",
                median[0], median[1], ratio[0], ratio[1]);
  else
    std::printf("redraw median: %.0f ms (wiggle), %.0f ms (fill)\n", median[0], median[1]);

  std::remove(path.c_str());
  return 0;
}
