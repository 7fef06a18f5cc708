#include "display/core/DisplayGeometry.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "display/core/DisplayTexts.h"
#include "shared/Numbers.h"

namespace tsly {

std::int32_t panelPositions(const AppState& s, std::int16_t cdp) {
  std::int64_t p = 0;
  const std::int64_t last = std::min<std::int64_t>(s.PanelCount, static_cast<std::int64_t>(s.PanelTable.size()));
  for (std::int64_t i = 1; i <= last; ++i) {
    const PanelEntry& e = s.PanelTable[static_cast<std::size_t>(i)];
    if (e.FirstCdp == cdp) p += std::max<std::int64_t>(e.PanelTraces, 0) + 3;
  }
  return static_cast<std::int32_t>(std::min<std::int64_t>(p, 0x7fffffff));
}

int canvasWidthFor(std::int32_t positions, float spacing, int plotLeft) {
  return static_cast<int>(nearestI32(plotLeft + (static_cast<double>(positions) * spacing + plotLeft)));
}

int traceXAt(std::int32_t p, float spacing, int plotLeft) {
  return static_cast<int>(nearestI32(static_cast<double>(p) * spacing + plotLeft));
}

int labelInterval(float spacing) {
  if (spacing >= 5.0f) return 5;
  if (spacing >= 3.0f) return 10;
  if (spacing >= 2.0f) return 20;
  return 50;
}

TimeWindow timeWindow(std::int32_t sampleInterval, std::int32_t numSamples, float displayTimeLength,
                      float samplingRatio) {
  TimeWindow w;
  w.recordLength = static_cast<float>(static_cast<double>(sampleInterval) / 1000.0 * numSamples);
  w.displayTimeLength = displayTimeLength;
  if (!(w.displayTimeLength > 0.0f) || w.displayTimeLength > w.recordLength) w.displayTimeLength = w.recordLength;
  w.microsecondsPerRow = samplingRatio * static_cast<float>(sampleInterval);
  if (w.microsecondsPerRow > 0.0f && std::isfinite(w.microsecondsPerRow))
    w.plotRows = static_cast<float>(1000.0 / w.microsecondsPerRow * w.displayTimeLength);
  else
    w.plotRows = 0.0f;
  if (!std::isfinite(w.plotRows) || w.plotRows < 0.0f) w.plotRows = 0.0f;
  return w;
}

namespace {

// Rows of trace time `ms` at the given time per row.
double rowsOf(double ms, float microsecondsPerRow) { return ms * 1000.0 / microsecondsPerRow; }

// The interval between labelled lines, in ms (see timingLines).
std::int64_t labelIntervalMs(std::int64_t lineMs, float microsecondsPerRow, int labelHeight) {
  static constexpr std::int64_t Mantissas[] = {1, 2, 5};
  for (std::int64_t scale = 10;; scale *= 10) {
    for (std::int64_t m : Mantissas) {
      const std::int64_t ms = m * scale;
      if (ms % lineMs != 0) continue;
      if (rowsOf(static_cast<double>(ms), microsecondsPerRow) >= labelHeight + 1.0) return ms;
      if (ms >= std::int64_t{1} << 40) return ms;  // beyond any record
    }
  }
}

}  // namespace

double timingIntervalMs(float microsecondsPerRow, float samplingRatio) {
  const double base = samplingRatio < 2.0f ? 10.0 : 100.0;
  if (!(microsecondsPerRow > 0.0f)) return base;
  if (rowsOf(base, microsecondsPerRow) >= MinTimingLineRows) return base;
  for (double ms : {20.0, 50.0, 100.0, 200.0, 500.0, 1000.0})
    if (ms > base && rowsOf(ms, microsecondsPerRow) >= MinTimingLineRows) return ms;
  return 1000.0;
}

std::vector<TimingLine> timingLines(float microsecondsPerRow, float samplingRatio, float plotRows,
                                    int labelHeight) {
  std::vector<TimingLine> lines;
  if (!(microsecondsPerRow > 0.0f) || !std::isfinite(microsecondsPerRow)) return lines;
  const double interval = timingIntervalMs(microsecondsPerRow, samplingRatio);
  const double d = rowsOf(interval, microsecondsPerRow);
  const auto lineMs = static_cast<std::int64_t>(interval);
  const std::int64_t labelMs = labelIntervalMs(lineMs, microsecondsPerRow, std::max(labelHeight, 0));
  const std::int64_t perLabel = labelMs / lineMs;
  const std::int64_t last = nearest(plotRows);
  std::int64_t lastLabelRow = 0;
  bool anyLabel = false;
  for (std::int64_t k = 0;; ++k) {
    const std::int64_t row = nearest(static_cast<double>(k) * d);
    if (row > last) break;
    TimingLine line;
    line.row = static_cast<int>(row);
    line.timeMs = static_cast<double>(k) * interval;
    // The step is chosen so that labels never overlap; the check guards the
    // rounding of the rows all the same.
    line.labelled = k % perLabel == 0 && (!anyLabel || row - lastLabelRow >= labelHeight);
    if (line.labelled) {
      lastLabelRow = row;
      anyLabel = true;
    }
    lines.push_back(line);
  }
  return lines;
}

std::string timingLabel(double timeMs) { return numberText(timeMs); }

int leftTimingLabelX(int plotLeft, int labelWidth) {
  const int x = static_cast<int>(nearest(plotLeft / 4.0));
  const int lineStart = plotLeft - 10;
  return std::min(x, lineStart - 2 - labelWidth);
}

TraceLabel traceLabel(const HeaderArray& h, int interval, int plotTop) {
  TraceLabel l;
  const std::int16_t code = h[WordTraceCode];
  const int w = h[WordLabelWord];
  const bool hasKey = w >= 1 && w <= HeaderWords;
  const std::int16_t key = hasKey ? h[static_cast<std::size_t>(w)] : 0;
  const bool separator = code == TraceCodeSeparator;
  const bool multiple = hasKey && interval != 0 && std::abs(static_cast<int>(key)) % interval == 0;
  if (separator || multiple) {
    l.tick = true;
    l.separatorLine = separator;
    l.y = separator ? static_cast<int>(nearest(plotTop / 3.0)) : plotTop - 20;
    l.text = numberText(separator ? h[WordCdp] : key);
    l.centreText = hasKey ? numberText(key) : l.text;
    l.hasNumber = code != TraceCodeDead;
  }
  l.deadX = code == TraceCodeDead;
  return l;
}

int traceLabelX(int traceX, int width, int lineLeft, int lineRight) {
  int x = static_cast<int>(nearestI32(traceX - width / 2.0));
  if (lineRight != NoSeparatorLine && lineRight >= traceX && x + width - 1 > lineRight - 3)
    x = lineRight - 2 - width;
  if (lineLeft != NoSeparatorLine && lineLeft <= traceX && x < lineLeft + 3) x = lineLeft + 3;
  return x;
}

float scaleFactor(bool normalize, const float* samples, std::int32_t count, float spacing,
                  float maxAmplitude) {
  if (normalize) {
    float m = 0.0f;
    for (std::int32_t i = 0; i < count; ++i) m = std::max(m, std::fabs(samples[i]));
    if (m == 0.0f || !std::isfinite(m)) return 1.0f;
    return 2.0f * spacing / m;
  }
  if (maxAmplitude == 0.0f || !std::isfinite(maxAmplitude)) return 1.0f;
  return 2.0f * spacing / maxAmplitude;
}

float normalizerDivisor(float scale, float dataDivisor) {
  double g = std::pow(10.0, static_cast<double>(dataDivisor) / 20.0);
  return static_cast<float>(1.0 / (g * scale));
}

int pickRow(float pickTimeMs, float microsecondsPerRow, int plotTop) {
  return static_cast<int>(nearestI32(pickTimeMs / (microsecondsPerRow / 1000.0f) + plotTop));
}

float pickTime(float y, int plotTop, float microsecondsPerRow) {
  return (y - static_cast<float>(plotTop)) * (microsecondsPerRow / 1000.0f);
}

std::string redrawStatusText(std::int16_t cdp) {
  return displaytext::RedrawStatus1 + numberText(cdp) + displaytext::RedrawStatus2;
}

std::string pickStatusText(float timeMs, std::int16_t cdp, std::int16_t velocity) {
  return displaytext::PickStatus1 + numberText(timeMs) + displaytext::PickStatus2 + numberText(cdp) +
         displaytext::PickStatus3 + numberText(velocity);
}

}  // namespace tsly
