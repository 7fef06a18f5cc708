#include "generation/core/SpectrumText.h"

#include <charconv>
#include <cmath>
#include <algorithm>

namespace tsly {

namespace {

constexpr int SemblanceSteps = 10000;  // 4 decimals

// "0.0000" .. "1.0000", made once.
const std::vector<std::string>& semblanceTexts() {
  static const std::vector<std::string> table = [] {
    std::vector<std::string> t;
    t.reserve(SemblanceSteps + 1);
    for (int k = 0; k <= SemblanceSteps; ++k) {
      std::string s = std::to_string(k);
      s.insert(0, 5 - std::min<size_t>(s.size(), 5), '0');
      t.push_back(s.substr(0, 1) + "." + s.substr(1));
    }
    return t;
  }();
  return table;
}

const std::string& semblanceText(float v) {
  const float c = std::isnan(v) ? 0.0f : std::fmin(std::fmax(v, 0.0f), 1.0f);
  return semblanceTexts()[static_cast<size_t>(std::lround(static_cast<double>(c) * SemblanceSteps))];
}

}  // namespace

std::string shortNumber(double v) {
  if (v == 0.0) return "0";  // also -0
  char buf[32];
  auto r = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, r.ptr);
}

std::string spectrumCsvHeader(bool withCdp) {
  return withCdp ? "cdp,time_ms,velocity,semblance\n" : "time_ms,velocity,semblance\n";
}

void appendSpectrumCsv(const Spectrum& s, bool withCdp, std::string& out) {
  const std::string cdp = withCdp ? std::to_string(s.cdp) + "," : std::string();
  std::vector<std::string> vel;
  vel.reserve(s.velocities.size());
  for (float v : s.velocities) vel.push_back("," + shortNumber(static_cast<double>(v)) + ",");
  out.reserve(out.size() + static_cast<size_t>(s.samples) * s.velocities.size() * (cdp.size() + 22));
  for (std::int32_t i = 0; i < s.samples; ++i) {
    const std::string time = cdp + shortNumber(s.timeMs(i));
    for (size_t k = 0; k < s.velocities.size(); ++k) {
      out += time;
      out += vel[k];
      out += semblanceText(s.at(i, k));
      out += '\n';
    }
  }
}

std::string peakLine(const SpectrumPeak& p, bool withCdp, std::int16_t cdp) {
  std::string line = withCdp ? std::to_string(cdp) + " " : std::string();
  line += shortNumber(p.timeMs) + " " + shortNumber(static_cast<double>(p.velocity)) + " " + semblanceText(p.semblance);
  return line;
}

}  // namespace tsly
