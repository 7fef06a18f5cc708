#include "shared/Nmo.h"

#include <cmath>
#include <cstring>

namespace tsly {

namespace {

constexpr int Taps = 8;      // input samples j-3 .. j+4 around position j + f
constexpr int Steps = NmoSincSteps;

typedef float V4 __attribute__((vector_size(16)));

struct SincTable {
  alignas(32) float w[Steps + 1][Taps];
  SincTable() {
    const double pi = 3.14159265358979323846;
    auto sinc = [pi](double x) { return x == 0.0 ? 1.0 : std::sin(pi * x) / (pi * x); };
    for (int r = 0; r <= Steps; ++r) {
      double f = static_cast<double>(r) / Steps;
      double w64[Taps];
      double sum = 0.0;
      for (int k = 0; k < Taps; ++k) {
        double x = (k - 3) - f;  // tap distance from the wanted position
        w64[k] = std::fabs(x) < 4.0 ? sinc(x) * sinc(x / 4.0) : 0.0;
        sum += w64[k];
      }
      for (int k = 0; k < Taps; ++k) w[r][k] = static_cast<float>(w64[k] / sum);
    }
    // Exact positions take the sample itself, bit for bit.
    std::memset(w[0], 0, sizeof w[0]);
    w[0][3] = 1.0f;
  }
};

const SincTable& table() {
  static const SincTable t;
  return t;
}

// Interpolated input at j + r/Steps, taps outside 0..n-1 counting as zero.
inline float edgeValue(const float* in, std::int32_t n, std::int32_t j, const float* w) {
  float s = 0.0f;
  for (int k = 0; k < Taps; ++k) {
    std::int32_t idx = j - 3 + k;
    if (idx >= 0 && idx < n) s += in[idx] * w[k];
  }
  return s;
}

inline float interiorValue(const float* in, std::int32_t j, const float* w) {
  V4 a0, a1, w0, w1;
  std::memcpy(&a0, in + j - 3, sizeof a0);
  std::memcpy(&a1, in + j + 1, sizeof a1);
  std::memcpy(&w0, w, sizeof w0);
  std::memcpy(&w1, w + 4, sizeof w1);
  V4 s = a0 * w0 + a1 * w1;
  return (s[0] + s[1]) + (s[2] + s[3]);
}

// True when output sample i is muted for a squared moveout a (in samples^2).
inline bool muted(std::int32_t i, float a, float stretch) {
  if (i == 0) return true;
  float fi = static_cast<float>(i);
  float p = std::sqrt(fi * fi + a);
  return (p - fi) > stretch * fi;
}

}  // namespace

std::int32_t nmoit(const float* in, float* out, std::int32_t n, float velocity, float offset,
                   float stretch, std::int32_t sampleIntervalUs, std::int32_t stackFlag) {
  if (n <= 0 || in == nullptr || out == nullptr) return 0;
  const bool add = stackFlag != 0;
  const float x = std::fabs(offset);

  if (x == 0.0f) {  // nothing moves
    if (add) {
      for (std::int32_t i = 0; i < n; ++i) out[i] += in[i];
    } else {
      std::memcpy(out, in, sizeof(float) * static_cast<size_t>(n));
    }
    return 0;
  }

  // Moveout in samples: p(i) = sqrt(i^2 + a).
  double s = static_cast<double>(x) / (static_cast<double>(velocity) * sampleIntervalUs * 1e-6);
  const float a = static_cast<float>(s * s);
  if (!(velocity > 0.0f) || sampleIntervalUs <= 0 || !std::isfinite(a) || std::isnan(x)) {
    if (!add) std::memset(out, 0, sizeof(float) * static_cast<size_t>(n));
    return 0;
  }

  // First unmuted sample. The stretch falls as i grows, so the mute is one
  // leading run; start from the closed-form boundary and settle it with the
  // exact per-sample test.
  std::int32_t i0 = n;
  if (stretch > 0.0f) {
    double g = (1.0 + static_cast<double>(stretch)) * (1.0 + static_cast<double>(stretch)) - 1.0;
    double est = std::ceil(std::sqrt(static_cast<double>(a) / g));
    i0 = est >= n ? n : static_cast<std::int32_t>(est);
    if (i0 < 1) i0 = 1;
    while (i0 > 1 && !muted(i0 - 1, a, stretch)) --i0;
    while (i0 < n && muted(i0, a, stretch)) ++i0;
  }
  if (!add) std::memset(out, 0, sizeof(float) * static_cast<size_t>(i0));

  const SincTable& tab = table();
  const float last = static_cast<float>(n - 1);
  constexpr std::int32_t Chunk = 256;
  alignas(32) float pos[Chunk];
  std::int32_t i = i0;
  while (i < n) {
    const std::int32_t len = (n - i) < Chunk ? (n - i) : Chunk;
    for (std::int32_t m = 0; m < len; ++m) {
      float fi = static_cast<float>(i + m);
      pos[m] = std::sqrt(fi * fi + a);
    }
    for (std::int32_t m = 0; m < len; ++m) {
      const float p = pos[m];
      if (p > last) {  // past the end of the input: zero from here on
        if (!add) std::memset(out + i + m, 0, sizeof(float) * static_cast<size_t>(n - i - m));
        return 0;
      }
      std::int32_t j = static_cast<std::int32_t>(p);
      std::int32_t r = static_cast<std::int32_t>((p - static_cast<float>(j)) * Steps + 0.5f);
      if (r >= Steps) {
        ++j;
        r = 0;
      }
      const float* w = tab.w[r];
      float v = (j >= 3 && j + 4 < n) ? interiorValue(in, j, w) : edgeValue(in, n, j, w);
      if (add) {
        out[i + m] += v;
      } else {
        out[i + m] = v;
      }
    }
    i += len;
  }
  return 0;
}

}  // namespace tsly
