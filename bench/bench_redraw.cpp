// Redraw and pick timing on the real canvas, offscreen.
//
// One CDP with 20 panels of 48 traces of 1500 float samples (4 ms): about a
// thousand traces, on a canvas of 10300 x 1560 pixels in a viewport the size
// of a maximised window's (1880 x 960). Each redraw is timed until the frame
// showing the viewport is painted. Printed, in one run, the median time of a
// redraw four ways: every primitive through a QPainter opened per call (the
// simple way), through one QPainter kept open, the program's own drawing with
// the whole canvas written, and as the program runs (the viewport's tiles
// written for the frame, the rest left for idle time; the time idle drawing
// then takes to complete the canvas is printed beside it); the ratios; the
// same with area fill; the time of one pick click (which never redraws) and of
// Next/Prev; and the summary line "redraw median: N ms (wiggle), M ms (fill)".
// The processor time (all threads) and the load average are printed beside the
// wall times.
//
//   QT_QPA_PLATFORM=offscreen build/bench/bench_redraw [redraws [--direct-only | --save DIR]]
#include <QApplication>
#include <QEventLoop>
#include <QTimer>

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
// The viewport Picture2 of a main window maximised on a 1920 x 1080 screen.
constexpr int ViewportWidth = 1880;
constexpr int ViewportHeight = 960;

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

// A redraw as the analyst sees it: the command, then the frame that shows the
// viewport (everything the paint events of the visible part ask for). With
// `whole`, every pixel of the canvas is written as well, as the simple ways
// write them.
struct Frame {
  PanelDisplay& display;
  ImageCanvas& canvas;
  QWidget& viewport;
  void show(bool whole) {
    if (whole) (void)canvas.image();
    viewport.repaint();
  }
};

// Median wall-clock milliseconds of n redraws; cpuMs gets the median processor time
// (the machine may be shared: processor time shows the work without the waiting).
double timeRedraws(Frame& f, int n, bool whole, double& cpuMs) {
  std::vector<double> ms, cpu;
  f.display.refresh();  // warm: page cache, image allocation
  f.show(true);
  for (int i = 0; i < n; ++i) {
    const auto t0 = Clock::now();
    const double c0 = bench::processCpuSeconds();
    f.display.refresh();
    f.show(whole);
    cpu.push_back(1000.0 * (bench::processCpuSeconds() - c0));
    ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
  }
  cpuMs = bench::median(cpu);
  return bench::median(ms);
}

// Processor milliseconds spent completing the canvas after a redraw, letting
// events run as the program's event loop would (the rest of the canvas is
// drawn when the program is idle, in short turns).
double timeIdleCompletion(Frame& f) {
  f.display.refresh();
  f.show(false);
  const double c0 = bench::processCpuSeconds();
  QEventLoop loop;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
    if (f.canvas.complete()) loop.quit();
  });
  poll.start(1);
  loop.exec();
  return 1000.0 * (bench::processCpuSeconds() - c0);
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
  // The canvas in its viewport, as in a maximised main window on a 1920 x 1080
  // screen, scrolled to the top left.
  QWidget viewport;
  viewport.setObjectName("Picture2");
  viewport.resize(ViewportWidth, ViewportHeight);
  auto* canvas = new ImageCanvas(&viewport);
  canvas->move(0, 0);
  viewport.show();
  QtUi ui;
  test::RecordingHost host;
  host.vpWidth = ViewportWidth;
  host.vpHeight = ViewportHeight;
  PanelDisplay display(s, *canvas, ui, host);
  Frame frame{display, *canvas, viewport};

  std::printf("redraw: 1 CDP, %d panels x %d traces x %d float samples (%d traces), canvas ",
              Panels, TracesPerPanel, Samples, Panels * (TracesPerPanel + 1));
  display.refresh();
  frame.show(true);
  std::printf("%d x %d pixels in a %d x %d viewport, median of %d\n", canvas->width(), canvas->height(),
              ViewportWidth, ViewportHeight, n);

  std::printf("load average before: %s\n", bench::loadAverage().c_str());
  double median[2] = {0, 0}, ratio[2] = {0, 0}, wholeRatio[2] = {0, 0};
  for (int fill : {0, 1}) {
    s.AreaFillFlag = static_cast<std::int16_t>(fill);
    double cpuPerCall = 0, cpuKept = 0, cpuWhole = 0, cpuShipped = 0;
    double perCall = 0, kept = 0;
    if (!directOnly) {
      canvas->setFastPaths(false);
      canvas->setPainterReuse(false);
      perCall = timeRedraws(frame, n, true, cpuPerCall);
      canvas->setPainterReuse(true);
      kept = timeRedraws(frame, n, true, cpuKept);
    }
    canvas->setFastPaths(true);
    const double whole = timeRedraws(frame, n, true, cpuWhole);
    const double shipped = timeRedraws(frame, n, false, cpuShipped);
    const double idle = timeIdleCompletion(frame);
    if (!saveDir.empty())
      canvas->image().save(QString::fromStdString(saveDir + (fill ? "/fill.png" : "/wiggle.png")));
    std::printf("  %-9s QPainter per call %7.1f ms (cpu %6.1f)   QPainter kept %7.1f ms (cpu %6.1f)\n"
                "            whole canvas written %7.1f ms (cpu %6.1f)   as shipped, viewport first %7.1f ms "
                "(cpu %6.1f)\n"
                "            ratio to the painter per call %.2f, to the whole canvas written %.2f; "
                "the rest of the canvas when idle: %.1f ms of processor time\n",
                fill ? "area fill" : "wiggle", perCall, cpuPerCall, kept, cpuKept, whole, cpuWhole, shipped,
                cpuShipped, perCall / shipped, whole / shipped, idle);
    median[fill] = shipped;
    ratio[fill] = perCall / shipped;
    wholeRatio[fill] = whole / shipped;
  }

  // Pick clicks: alternate two rows on panel 10 (each click replaces the last).
  s.AreaFillFlag = 0;
  display.refresh();
  frame.show(true);
  const PanelEntry& pe = s.PanelTable[10];
  const float x = (pe.Left + pe.Right) / 2.0f;
  const int clicks = 2000;
  const auto t0 = Clock::now();
  for (int i = 0; i < clicks; ++i) display.mousePress(x, 100.0f + static_cast<float>(i % 2) * 40.0f);
  (void)canvas->image();  // every line written
  const double us = std::chrono::duration<double, std::micro>(Clock::now() - t0).count() / clicks;
  std::printf("pick click: %.1f us per click (%d clicks, no redraw)\n", us, clicks);

  // Next / Prev on this CDP (the only one, so each shows it again): the whole
  // command, duplicate-pick check, file read, drawing and pick overlay, and the
  // frame showing the viewport; beside it the same with the whole canvas written.
  for (bool whole : {false, true}) {
    std::vector<double> step, stepCpu;
    for (int i = 0; i < n; ++i) {
      const auto a = Clock::now();
      const double c0 = bench::processCpuSeconds();
      if (i % 2) display.prevPanel();
      else display.nextPanel();
      frame.show(whole);
      stepCpu.push_back(1000.0 * (bench::processCpuSeconds() - c0));
      step.push_back(std::chrono::duration<double, std::milli>(Clock::now() - a).count());
    }
    std::printf("next/prev: %.1f ms median (cpu %.1f), wiggles, %s\n", bench::median(step), bench::median(stepCpu),
                whole ? "whole canvas written" : "as shipped");
  }
  std::printf("load average after: %s\n", bench::loadAverage().c_str());
  if (!directOnly)
    std::printf("redraw median: %.0f ms (wiggle), %.0f ms (fill); %.2fx and %.2fx the painter per call, "
                "%.2fx and %.2fx the whole canvas written\n",
                median[0], median[1], ratio[0], ratio[1], wholeRatio[0], wholeRatio[1]);
  else
    std::printf("redraw median: %.0f ms (wiggle), %.0f ms (fill); %.2fx and %.2fx the whole canvas written\n",
                median[0], median[1], wholeRatio[0], wholeRatio[1]);

  std::remove(path.c_str());
  return 0;
}
