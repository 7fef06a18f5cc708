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

// Rows (below PlotTop) of the timing lines: every 10 ms when the ratio is below 2,
// else every 100 ms; at least one row apart; from 0 while <= nearest(plotRows).
std::vector<int> timingLineRows(float microsecondsPerRow, float samplingRatio, float plotRows);
// The label of timing row j: number text of MicrosecondsPerRow / 1000 x j (ms).
std::string timingLabel(float microsecondsPerRow, int row);

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
