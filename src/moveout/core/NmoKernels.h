// The moveout's numeric kernels, shared by nmoit, nmoitVariable and the moveout
// tables so that all of them compute every output sample with the same
// arithmetic (and so bit for bit the same value). Internal to src/shared.
//
//  - Interpolation: 8 taps (input samples j-3 .. j+4) weighted by a Lanczos
//    (a = 4) windowed sinc tabulated at 1/128 sample, row 0 the sample itself.
//  - interiorValue / interiorValues4 need taps inside the trace (j >= 3 and
//    j + 4 < n); edgeValue counts taps outside 0..n-1 as zero.
//  - muted(i, a, s): the stretch test of output sample i for squared moveout a
//    (samples^2); leadingMute: the first sample after nmoit's leading muted run.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>

#include "moveout/core/Nmo.h"

namespace tsly::nmokernel {

constexpr int Taps = 8;      // input samples j-3 .. j+4 around position j + f
constexpr int Steps = NmoSincSteps;
static_assert(Steps == 128, "row split below uses r >> 7");

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

inline const SincTable& table() {
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
  return (s[0] + s[2]) + (s[1] + s[3]);
}

// Four consecutive interior outputs at once: the same sums as interiorValue,
// reduced together.
typedef std::int32_t V4i __attribute__((vector_size(16)));
inline V4 interiorPartial(const float* in, std::int32_t j, const float* w) {
  V4 a0, a1, w0, w1;
  std::memcpy(&a0, in + j - 3, sizeof a0);
  std::memcpy(&a1, in + j + 1, sizeof a1);
  std::memcpy(&w0, w, sizeof w0);
  std::memcpy(&w1, w + 4, sizeof w1);
  return a0 * w0 + a1 * w1;
}
// GCC spells a two-vector shuffle __builtin_shuffle with an index vector; clang
// (the fuzzing and sanitizer builds) spells it __builtin_shufflevector.
#if defined(__clang__)
#define TSLY_SHUFFLE(a, b, i0, i1, i2, i3) __builtin_shufflevector(a, b, i0, i1, i2, i3)
#else
#define TSLY_SHUFFLE(a, b, i0, i1, i2, i3) __builtin_shuffle(a, b, V4i{i0, i1, i2, i3})
#endif
inline V4 interiorValues4(V4 sa, V4 sb, V4 sc, V4 sd) {
  V4 t0 = TSLY_SHUFFLE(sa, sb, 0, 4, 1, 5);  // a0 b0 a1 b1
  V4 t1 = TSLY_SHUFFLE(sa, sb, 2, 6, 3, 7);  // a2 b2 a3 b3
  V4 u0 = TSLY_SHUFFLE(sc, sd, 0, 4, 1, 5);
  V4 u1 = TSLY_SHUFFLE(sc, sd, 2, 6, 3, 7);
  V4 ab = t0 + t1;  // a0+a2 b0+b2 a1+a3 b1+b3
  V4 cd = u0 + u1;
  V4 x0 = TSLY_SHUFFLE(ab, cd, 0, 1, 4, 5);
  V4 x1 = TSLY_SHUFFLE(ab, cd, 2, 3, 6, 7);
  return x0 + x1;
}

// True when output sample i is muted for a squared moveout a (in samples^2).
inline bool muted(std::int32_t i, float a, float stretch) {
  if (i == 0) return true;
  float fi = static_cast<float>(i);
  float p = std::sqrt(fi * fi + a);
  return (p - fi) > stretch * fi;
}


// The first unmuted output sample of a constant moveout a (samples^2): the
// leading run nmoit mutes, found by the same search.
inline std::int32_t leadingMute(float a, float stretch, std::int32_t n) {
  double g = (1.0 + static_cast<double>(stretch)) * (1.0 + static_cast<double>(stretch)) - 1.0;
  double est = std::ceil(std::sqrt(static_cast<double>(a) / g));
  std::int32_t i0 = est >= n ? n : static_cast<std::int32_t>(est);
  if (i0 < 1) i0 = 1;
  while (i0 > 1 && !muted(i0 - 1, a, stretch)) --i0;
  while (i0 < n && muted(i0, a, stretch)) ++i0;
  return i0;
}

inline bool interiorAt(std::int32_t j, std::int32_t n) { return j >= 3 && j + 4 < n; }

}  // namespace tsly::nmokernel
