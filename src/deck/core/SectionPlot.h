// A section picture of a trace file (a stacked file, one trace per CDP, or any
// other): time down, traces across in file order, wiggles or variable area,
// time labels on the left and CDP labels on top. Everything here is numbers:
// where each trace stands, how samples become pixels, which labels go where.
// `tsly section` paints it with QPainter.
//
// Rules, stated once:
//  - Traces: every trace of the file except separators (word 15 = 9); dead
//    traces (word 15 = 2) are drawn as straight lines. Sample 0 lies at 0 ms;
//    the sample interval is that of the first trace.
//  - Sizes: the plot is about 1200 pixels wide and 800 high: trace spacing
//    1200 / traces, kept within 1 to 40 pixels; pixels per millisecond 800 /
//    length, kept within 0.1 to 4. Margins: 72 left (time labels), 56 top (CDP
//    labels and captions), 16 right and bottom; inside the plot frame one trace
//    spacing is kept free at either side.
//  - Limits: a picture is at most MaxSectionSide pixels each way and
//    MaxSectionPixels in all (a 256 MB image). A file that would need more (many
//    traces, or a long trace at a long sample interval) is drawn smaller to
//    fit: traces closer than a pixel, fewer pixels per millisecond; `capped`
//    says so.
//  - Amplitude: at 0 dB the largest absolute sample of the file swings one trace
//    spacing; each 20 dB of gain multiplies the swing by ten. Swings are clipped
//    at two trace spacings, so neighbours overlap at most by one.
//  - Time labels: every step of 10, 20, 50, 100, 200, 250, 500, 1000, 2000 or
//    5000 ms, the smallest giving at least 40 pixels between labels, up to the
//    end of the traces and never below the plot.
//  - CDP labels: at the first trace of a CDP whose number is a multiple of the
//    step (1, 2, 5, 10, 20, 50, ...: the smallest giving 48 pixels per step at
//    the file's traces per CDP), and never closer than 48 pixels to the last one.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tsly::section {

struct Trace {
  std::int16_t cdp = 0;
  bool dead = false;
  std::vector<float> samples;
};

struct Data {
  std::vector<Trace> traces;
  std::int32_t intervalUs = 0;
  std::int32_t samples = 0;  // the longest trace
  float maxAbs = 0.0f;       // largest absolute sample of the live traces
};

// Reads the file; "" or what is wrong (one line).
std::string readSectionFile(const std::string& path, Data& out);

struct Options {
  double gainDb = 0.0;
  bool fill = false;  // variable area: positive lobes filled
};

struct Point {
  double x = 0.0, y = 0.0;
};

struct Label {
  double at = 0.0;  // y of a time label, x of a CDP label (its centre)
  std::string text;
};

inline constexpr int MaxSectionSide = 16384;
inline constexpr long long MaxSectionPixels = 1LL << 26;

struct Layout {
  int width = 0, height = 0;                         // the picture
  bool capped = false;                               // drawn smaller to keep within the limits
  int left = 72, top = 56, right = 16, bottom = 16;  // margins
  double spacing = 0.0;                              // pixels between traces
  double pixelsPerSample = 0.0;
  double pixelsPerUnit = 0.0;  // swing of one amplitude unit
  double clip = 0.0;           // largest swing in pixels
  std::vector<double> traceX;  // axis of each trace
  std::vector<Label> timeLabels;
  std::vector<Label> cdpLabels;
  int timeStepMs = 0;
  int cdpStep = 0;
  double plotBottom() const { return height - bottom; }
};

Layout layoutSection(const Data& d, const Options& o);

// y of sample i.
inline double sampleY(const Layout& l, std::int32_t i) { return l.top + i * l.pixelsPerSample; }

// The wiggle of trace k: one point per sample.
std::vector<Point> wiggle(const Layout& l, const Data& d, size_t k);

// The positive lobes of trace k as closed polygons: each begins and ends on the
// trace axis (at the interpolated zero crossings) and follows the wiggle between.
std::vector<std::vector<Point>> positiveLobes(const Layout& l, const Data& d, size_t k);

}  // namespace tsly::section
