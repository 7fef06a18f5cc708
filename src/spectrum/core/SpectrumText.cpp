#include "spectrum/core/SpectrumText.h"

#include <charconv>
#include <cmath>
#include <cstring>
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
  return semblanceTexts()[static_cast<size_t>(static_cast<double>(c) * SemblanceSteps + 0.5)];
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

void appendSpectrumCsv(const Spectrum& s, bool withCdp, std::string& out, std::int32_t firstRow, std::int32_t rows) {
  // Rows are pieces made once (the time with its CDP, each velocity with its
  // commas, each semblance text) copied one after the other.
  const std::string cdp = withCdp ? std::to_string(s.cdp) + "," : std::string();
  std::vector<std::string> vel;
  vel.reserve(s.velocities.size());
  std::size_t velBytes = 0;
  for (float v : s.velocities) {
    vel.push_back("," + shortNumber(static_cast<double>(v)) + ",");
    velBytes += vel.back().size();
  }
  const std::vector<std::string>& sem = semblanceTexts();
  const std::size_t semBytes = sem[0].size() + 1;  // every text has 6 characters, then '\n'
  const std::size_t nv = s.velocities.size();
  const std::int32_t first = std::clamp(firstRow, 0, std::max(s.samples, 0));
  const std::int32_t end = rows < 0 ? s.samples : first + std::min(rows, s.samples - first);
  for (std::int32_t i = first; i < end; ++i) {
    const std::string time = cdp + shortNumber(s.timeMs(i));
    const std::size_t start = out.size();
    out.resize(start + nv * (time.size() + semBytes) + velBytes);
    char* p = out.data() + start;
    const float* row = s.values.data() + static_cast<std::size_t>(i) * nv;
    for (std::size_t k = 0; k < nv; ++k) {
      std::memcpy(p, time.data(), time.size());
      p += time.size();
      std::memcpy(p, vel[k].data(), vel[k].size());
      p += vel[k].size();
      std::memcpy(p, semblanceText(row[k]).data(), semBytes - 1);
      p += semBytes - 1;
      *p++ = '\n';
    }
  }
}

std::string peakLine(const SpectrumPeak& p, bool withCdp, std::int16_t cdp) {
  std::string line = withCdp ? std::to_string(cdp) + " " : std::string();
  line += shortNumber(p.timeMs) + " " + shortNumber(static_cast<double>(p.velocity)) + " " + semblanceText(p.semblance);
  return line;
}

}  // namespace tsly
