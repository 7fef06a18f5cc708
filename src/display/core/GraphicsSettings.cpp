#include "display/core/GraphicsSettings.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "shared/Numbers.h"

namespace tsly {

std::string formatHashHash(double v) {
  if (!std::isfinite(v)) return ".";
  const std::int64_t hundredths = nearest(v * 100.0);
  const std::int64_t mag = hundredths < 0 ? -hundredths : hundredths;
  std::string out = hundredths < 0 ? "-" : "";
  const std::int64_t whole = mag / 100;
  const std::int64_t frac = mag % 100;
  if (whole != 0) out += std::to_string(whole);
  out += '.';
  if (frac != 0) {
    out += static_cast<char>('0' + frac / 10);
    if (frac % 10 != 0) out += static_cast<char>('0' + frac % 10);
  }
  return out;
}

std::string tracesPerInchText(int dpi, float spacing) {
  if (!(spacing > 0.0f)) return formatHashHash(0.0);
  return formatHashHash(static_cast<double>(dpi) / spacing);
}

int optionForRatio(float ratio) {
  if (ratio == 0.5f) return 3;
  if (ratio == 1.0f) return 0;
  if (ratio == 2.0f) return 1;
  if (ratio == 4.0f) return 2;
  return -1;
}

float ratioForOption(int index) {
  if (index == 3) return 0.5f;
  return static_cast<float>(std::pow(2.0, std::clamp(index, 0, 2)));
}

GraphicsEntries graphicsEntriesFrom(const AppState& s, int dpi) {
  GraphicsEntries e;
  e.tracesPerInch = tracesPerInchText(dpi, s.TraceSpacing);
  e.gain = numberText(s.DataDivisor);
  e.areaFill = s.AreaFillFlag != 0 ? 1 : 0;
  e.normalize = s.NormalizeFlag != 0 ? 1 : 0;
  e.timeLength = plainNumberText(s.DisplayTimeLength);
  e.option = optionForRatio(s.SamplingRatio);
  return e;
}

std::string limitTracesPerInch(const std::string& text) {
  const double v = readNumber(text);
  if (v > 1000.0) return "1000";
  if (v < 1.0) return "1";
  return text;
}

void applyGraphicsEntries(AppState& s, const GraphicsEntries& e, int dpi) {
  const double gain = readNumber(e.gain);
  s.DataDivisor = static_cast<float>(std::clamp(gain, -120.0, 120.0));
  s.AreaFillFlag = static_cast<std::int16_t>(e.areaFill);
  s.NormalizeFlag = static_cast<std::int16_t>(e.normalize);
  s.DisplayTimeLength = static_cast<float>(readNumber(e.timeLength));
  const double v = readNumber(e.tracesPerInch);
  if (v > 0.0) s.TraceSpacing = static_cast<float>(dpi / v);
}

}  // namespace tsly
