#include "generation/core/Synth.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>

#include "platform/AtomicFile.h"
#include "shared/TraceFormat.h"

namespace tsly {

namespace {

constexpr double kPi = 3.14159265358979323846;

// xorshift64* with Box-Muller: deterministic on every platform.
class Noise {
 public:
  explicit Noise(std::uint32_t seed) : s_(0x9E3779B97F4A7C15ull ^ (static_cast<std::uint64_t>(seed) << 1 | 1)) {}
  double uniform() {
    s_ ^= s_ >> 12;
    s_ ^= s_ << 25;
    s_ ^= s_ >> 27;
    return static_cast<double>((s_ * 2685821657736338717ull) >> 11) * (1.0 / 9007199254740992.0);
  }
  double gauss() {
    if (have_) {
      have_ = false;
      return spare_;
    }
    double u1 = uniform(), u2 = uniform();
    if (u1 < 1e-300) u1 = 1e-300;
    double r = std::sqrt(-2.0 * std::log(u1));
    spare_ = r * std::sin(2 * kPi * u2);
    have_ = true;
    return r * std::cos(2 * kPi * u2);
  }

 private:
  std::uint64_t s_;
  bool have_ = false;
  double spare_ = 0;
};

}  // namespace

std::vector<SynthEvent> defaultSynthEvents() {
  return {{400, 1800, 1000}, {900, 2200, -800}, {1400, 2600, 900}, {1800, 3000, 700}};
}

std::string checkSynthParams(const SynthParams& p) {
  if (p.cdps < 1) return "the number of CDPs must be at least 1";
  if (p.firstCdp < -32768 || static_cast<long>(p.firstCdp) + p.cdps - 1 > 32767)
    return "CDP numbers must stay within -32768..32767";
  if (p.offsetCount < 1) return "the offset count must be at least 1";
  long lastOffset = static_cast<long>(p.offsetFirst) + static_cast<long>(p.offsetStep) * (p.offsetCount - 1);
  if (p.offsetFirst < -32768 || p.offsetFirst > 32767 || lastOffset < -32768 || lastOffset > 32767)
    return "offsets must stay within -32768..32767";
  if (p.samples < 1 || p.samples > 32767) return "samples must be 1..32767";
  if (p.intervalUs < 1 || p.intervalUs > 32767) return "the sample interval must be 1..32767 microseconds";
  for (const auto& e : (p.events.empty() ? defaultSynthEvents() : p.events)) {
    if (!(e.velocity > 0)) return "event velocities must be positive";
    if (!(e.t0Ms >= 0)) return "event times must not be negative";
  }
  if (!(p.noise >= 0)) return "the noise fraction must not be negative";
  if (!(p.peakHz > 0)) return "the wavelet frequency must be positive";
  return "";
}

void synthTrace(const SynthParams& p, double offset, std::vector<float>& out) {
  out.assign(static_cast<size_t>(p.samples), 0.0f);
  const double dt = p.intervalUs * 1e-6;
  const double f2 = kPi * kPi * p.peakHz * p.peakHz;
  const double halfWidth = 1.5 / p.peakHz;  // the wavelet is negligible beyond this
  for (const auto& e : (p.events.empty() ? defaultSynthEvents() : p.events)) {
    const double t0 = e.t0Ms * 1e-3;
    const double t = std::sqrt(t0 * t0 + offset * offset / (e.velocity * e.velocity));
    // Sample range of the wavelet, limited to the trace in floating point before
    // any conversion: an event far beyond the trace (or at an infinite time)
    // touches no sample.
    const double lo = std::floor((t - halfWidth) / dt);
    const double hi = std::ceil((t + halfWidth) / dt);
    if (!(hi >= 0.0) || !(lo <= static_cast<double>(p.samples) - 1)) continue;
    long first = lo > 0.0 ? static_cast<long>(lo) : 0L;
    long last = hi < static_cast<double>(p.samples) - 1 ? static_cast<long>(hi) : static_cast<long>(p.samples) - 1;
    for (long i = first; i <= last; ++i) {
      double tau = i * dt - t;
      double a = f2 * tau * tau;
      out[static_cast<size_t>(i)] += static_cast<float>(e.amplitude * (1.0 - 2.0 * a) * std::exp(-a));
    }
  }
}

std::int64_t synthFileBytes(const SynthParams& p) {
  std::int64_t per = HeaderBytes + static_cast<std::int64_t>(p.samples) * (p.int16 ? 2 : 4);
  return per * p.cdps * p.offsetCount;
}

std::string writeSynthGather(const std::string& path, const SynthParams& p) {
  std::string bad = checkSynthParams(p);
  if (!bad.empty()) return bad;
  // Written whole or not at all, and never over anything but a file.
  AtomicFile f;
  if (!f.open(path)) return f.error();

  double peak = 0;
  for (const auto& e : (p.events.empty() ? defaultSynthEvents() : p.events)) peak = std::max(peak, std::fabs(e.amplitude));
  // The clean trace of each offset is the same in every CDP: make them once.
  std::vector<std::vector<float>> clean(static_cast<size_t>(p.offsetCount));
  for (int k = 0; k < p.offsetCount; ++k) synthTrace(p, std::fabs(double(p.offsetFirst) + double(p.offsetStep) * k), clean[static_cast<size_t>(k)]);

  const int bps = p.int16 ? 2 : 4;
  Noise noise(p.seed);
  HeaderArray h{};
  h[WordDataType] = DataCdpGather;
  h[WordLabelWord] = WordCdp;
  h[WordTraceCode] = 1;
  h[WordOffsetScalar] = 1;
  h[WordNumSamples] = static_cast<std::int16_t>(p.samples);
  h[WordSampleInterval] = static_cast<std::int16_t>(p.intervalUs);
  h[WordSampleFormat] = p.int16 ? 0 : FloatFormatMarker;
  std::vector<float> s;
  std::vector<unsigned char> block(static_cast<size_t>(p.samples) * bps);
  unsigned char hb[HeaderBytes];
  for (int c = 0; c < p.cdps; ++c) {
    for (int k = 0; k < p.offsetCount; ++k) {
      h[WordCdp] = static_cast<std::int16_t>(p.firstCdp + c);
      h[WordSecondaryKey] = static_cast<std::int16_t>(k + 1);
      h[WordOffset] = static_cast<std::int16_t>(p.offsetFirst + p.offsetStep * k);
      encodeHeader(h, hb);
      const std::vector<float>* src = &clean[static_cast<size_t>(k)];
      if (p.noise > 0) {
        s = *src;
        for (auto& v : s) v += static_cast<float>(noise.gauss() * p.noise * peak);
        src = &s;
      }
      encodeSamples(src->data(), bps, p.samples, block.data());
      if (!f.write(hb, HeaderBytes) || !f.write(block.data(), block.size())) return f.error();
    }
  }
  f.commit();
  return f.error();
}

}  // namespace tsly
