// A section picture of a trace file (a stacked file, one trace per CDP, a panel
// file, or any other): time down, traces across in file order, wiggles or
// variable area, time labels on the left and CDP labels on top. Everything here
// is numbers: where each trace stands, how samples become pixels, which labels
// go where. `tsly section` paints it with QPainter.
//
// Rules, stated once:
//  - Traces: every trace of the file except separators (word 15 = 9); dead
//    traces (word 15 = 2) are drawn as straight lines. Times are true times:
//    sample i of a trace lies at its recording delay (word 55, ms) + i x the
//    sample interval, the interval being that of the first trace.
//  - Time window: from tmin to tmax (ms), by default from the earliest first
//    sample to the latest last sample of the file.
//  - Sizes: the plot is about 1200 pixels wide: trace spacing 1200 / traces,
//    kept within 1 to 40 pixels. Its height follows the time window: about
//    800 pixels for the window, but never less than a pixel per sample (a long
//    record is drawn taller rather than squeezed), pixels per millisecond kept
//    within 0.1 to 4. Margins: 72 left (time labels), 56 top (CDP labels,
//    panel velocities and captions), 16 right and bottom; inside the plot
//    frame one trace spacing is kept free at either side.
//  - Limits: a picture is at most MaxSectionSide pixels each way and
//    MaxSectionPixels in all (a 256 MB image). A file that would need more (many
//    traces, or a long time window) is drawn smaller to fit: traces closer than
//    a pixel, fewer pixels per millisecond; `capped` says so.
//  - Amplitude: at 0 dB the largest absolute sample of the file swings one trace
//    spacing; each 20 dB of gain multiplies the swing by ten. Swings are clipped
//    at two trace spacings, so neighbours overlap at most by one.
//  - Time labels: at the multiples of a step of 10, 20, 50, 100, 200, 250, 500,
//    1000, 2000 or 5000 ms within the window, the smallest step giving at least
//    40 pixels between labels, never below the plot.
//  - CDP labels: at the first trace of a CDP whose number is a multiple of the
//    step (1, 2, 5, 10, 20, 50, ...: the smallest giving 48 pixels per step at
//    the file's traces per CDP), and never closer than 48 pixels to the last one.
//    In a panel file (traces closed into panels by separators) the first trace
//    of every panel is labelled with its CDP whatever its number (where 48
//    pixels allow), before the CDPs on the step, which keep 48 pixels from
//    them; a panel's CDPs are counted afresh after its separator, and each
//    panel's velocity (word 12 of its separator) is labelled above it.
#pragma once

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace tsly::section {

struct Trace {
  std::int16_t cdp = 0;
  bool dead = false;
  double firstMs = 0.0;      // time of sample 0: the recording delay
  bool panelStart = false;   // the first trace after a separator (or of a panel file)
  std::int16_t velocity = 0; // in a panel file, the velocity of its panel (0: none)
  std::vector<float> samples;
};

struct Data {
  std::vector<Trace> traces;
  std::int32_t intervalUs = 0;
  std::int32_t samples = 0;  // the longest trace
  float maxAbs = 0.0f;       // largest absolute sample of the live traces
  double startMs = 0.0;      // earliest first sample
  double endMs = 0.0;        // latest last sample
  bool panels = false;       // the file holds separators: a panel file
};

// Reads the file; "" or what is wrong (one line).
std::string readSectionFile(const std::string& path, Data& out);

struct Options {
  double gainDb = 0.0;
  bool fill = false;  // variable area: positive lobes filled
  // The time window in ms; NaN: the file's (startMs, endMs).
  double tminMs = std::numeric_limits<double>::quiet_NaN();
  double tmaxMs = std::numeric_limits<double>::quiet_NaN();
};

// The window of `o` on `d`: "" when it can be drawn, else why not.
std::string checkTimeWindow(const Data& d, const Options& o);

struct Point {
  double x = 0.0, y = 0.0;
};

struct Label {
  double at = 0.0;  // y of a time label, x of a CDP or velocity label (its centre)
  std::string text;
};

inline constexpr int MaxSectionSide = 16384;
inline constexpr long long MaxSectionPixels = 1LL << 26;

struct Layout {
  int width = 0, height = 0;                         // the picture
  bool capped = false;                               // drawn smaller to keep within the limits
  int left = 72, top = 56, right = 16, bottom = 16;  // margins
  double spacing = 0.0;                              // pixels between traces
  double topMs = 0.0, bottomMs = 0.0;                // the time window
  double pixelsPerMs = 0.0;
  double pixelsPerSample = 0.0;
  double pixelsPerUnit = 0.0;  // swing of one amplitude unit
  double clip = 0.0;           // largest swing in pixels
  std::vector<double> traceX;  // axis of each trace
  std::vector<Label> timeLabels;
  std::vector<Label> cdpLabels;
  std::vector<Label> velocityLabels;  // panel files: each panel's velocity
  int timeStepMs = 0;
  int cdpStep = 0;
  double plotBottom() const { return height - bottom; }
};

Layout layoutSection(const Data& d, const Options& o);

// y of time `ms`, and of sample i of trace k.
inline double timeY(const Layout& l, double ms) { return l.top + (ms - l.topMs) * l.pixelsPerMs; }
inline double sampleY(const Layout& l, const Data& d, size_t k, std::int32_t i) {
  return timeY(l, d.traces[k].firstMs) + i * l.pixelsPerSample;
}

// The wiggle of trace k: one point per sample in the time window (from the
// sample at or before its top to the one after its bottom).
std::vector<Point> wiggle(const Layout& l, const Data& d, size_t k);

// The positive lobes of trace k as closed polygons: each begins and ends on the
// trace axis (at the interpolated zero crossings) and follows the wiggle between.
std::vector<std::vector<Point>> positiveLobes(const Layout& l, const Data& d, size_t k);

}  // namespace tsly::section
