// Pure arithmetic of the panel display: positions, time window, timing lines,
// trace labels, amplitude scaling, pick rows and status texts. No drawing here;
// PanelDisplay paints what these functions compute.
//
// Rounding is nearest() (halves to even) everywhere; numbers in texts are number
// text (leading blank for values >= 0).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "shared/State.h"
#include "shared/TraceFormat.h"

namespace tsly {

// Sum of (PanelTraces + 3) over the panels of PanelTable whose FirstCdp is `cdp`.
// Only entries 1..min(PanelCount, table size) are looked at.
std::int32_t panelPositions(const AppState& s, std::int16_t cdp);

// Canvas width for P positions: PlotLeft + (P x spacing + PlotLeft), in pixels.
int canvasWidthFor(std::int32_t positions, float spacing, int plotLeft);

// x of trace position p (0-based).
int traceXAt(std::int32_t p, float spacing, int plotLeft);

// Label interval N for a trace spacing: >= 5 -> 5, 3..5 -> 10, 2..3 -> 20, < 2 -> 50.
int labelInterval(float spacing);

struct TimeWindow {
  float recordLength = 0;        // ms, SampleInterval / 1000 x NumSamples
  float displayTimeLength = 0;   // the clamped setting
  float microsecondsPerRow = 0;  // SamplingRatio x SampleInterval
  float plotRows = 0;            // 1000 / MicrosecondsPerRow x DisplayTimeLength
};
// A setting <= 0 or beyond the record length becomes the record length. A sample
// interval or ratio that gives no time per row gives 0 rows (nothing is divided by 0).
TimeWindow timeWindow(std::int32_t sampleInterval, std::int32_t numSamples, float displayTimeLength,
                      float samplingRatio);

// Timing lines. The interval is 10 ms of trace time when the sampling ratio is
// below 2, else 100 ms. When lines that far apart would lie closer than 4 pixel
// rows, the interval widens to the first of 20, 50, 100, 200, 500 and 1000 ms
// that gives at least 4 rows (1000 ms when none does). With D the interval in
// rows, line k lies at row nearest(k x D) below PlotTop, for k = 0, 1, ... while
// the row is <= nearest(plotRows): every line falls on an exact multiple of the
// interval, and its label says that multiple.
inline constexpr int MinTimingLineRows = 4;
double timingIntervalMs(float microsecondsPerRow, float samplingRatio);

// Labels: a label `labelHeight` rows high is centred on its line. Only lines
// whose time is a multiple of the label interval are labelled: the smallest of
// 10, 20, 50, 100, 200, 500, 1000, 2000, 5000, ... ms that is a multiple of the
// line interval and keeps the labels at least a label's height (plus a row for
// rounding) apart, so no label overlaps the one above it.
struct TimingLine {
  int row = 0;          // below PlotTop
  double timeMs = 0;    // k x interval
  bool labelled = false;
};
std::vector<TimingLine> timingLines(float microsecondsPerRow, float samplingRatio, float plotRows,
                                    int labelHeight);
// The label of a timing line: number text of its time in ms.
std::string timingLabel(double timeMs);
// x of the label left of the plot: nearest(plotLeft / 4), moved further left when
// a label that wide would reach the start of the timing line (plotLeft - 10); it
// ends 2 pixels before the line.
int leftTimingLabelX(int plotLeft, int labelWidth);

// What a trace gets above the plot, from its header.
struct TraceLabel {
  bool tick = false;           // (x, PlotTop - 5) .. (x, PlotTop)
  bool separatorLine = false;  // (x, PlotTop - 5) up to (x, 0.6 x PlotTop)
  bool hasNumber = false;      // draw `text`
  std::string text;            // number text of word 12 (separator) or of the key
  std::string centreText;      // the text whose width centres the label
  int y = 0;                   // label row
  bool deadX = false;          // draw "x" at (x, PlotTop - 20)
};
// Word 3 names the word carrying the label value; outside 1..120 the trace has no
// label value, so only a separator still gets its tick, line and velocity.
TraceLabel traceLabel(const HeaderArray& h, int interval, int plotTop);

// x of a trace's label `width` pixels wide: centred on the trace at traceX, but
// kept clear of the separator lines beside it (the nearest one left of the trace
// at lineLeft, right of it at lineRight; NoSeparatorLine where there is none): a
// label that would reach a line is moved to end 2 pixels before it, or to begin
// 2 pixels after it.
inline constexpr int NoSeparatorLine = -1;
int traceLabelX(int traceX, int width, int lineLeft, int lineRight);

// Amplitude scale factor F. Normalised: 2 x spacing / (largest |sample| of the
// first `count`), 1 for an all-zero trace; else 2 x spacing / MaxAmplitude, 1 when
// MaxAmplitude is 0 (never a division by zero).
float scaleFactor(bool normalize, const float* samples, std::int32_t count, float spacing,
                  float maxAmplitude);
// The divisor handed to normalizer: 1 / (g x F), g = 10^(DataDivisor / 20).
float normalizerDivisor(float scale, float dataDivisor);

// Pixel row of a pick time: nearest(time / (MicrosecondsPerRow / 1000) + PlotTop).
int pickRow(float pickTimeMs, float microsecondsPerRow, int plotTop);
// Pick time of a click row, unrounded: (y - PlotTop) x (MicrosecondsPerRow / 1000).
float pickTime(float y, int plotTop, float microsecondsPerRow);

// "CDP # " + number text of cdp + " with any previous picks shown."
std::string redrawStatusText(std::int16_t cdp);
// "Last pick at " + t + "ms on CDP# " + cdp + " with velo =" + velocity.
std::string pickStatusText(float timeMs, std::int16_t cdp, std::int16_t velocity);

}  // namespace tsly
