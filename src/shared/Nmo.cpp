#include "shared/Nmo.h"

#include <cmath>
#include <cstring>

namespace tsly {

namespace {

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
  alignas(32) std::int32_t jj[Chunk];
  alignas(32) std::int32_t rr[Chunk];
  std::int32_t i = i0;
  while (i < n) {
    std::int32_t len = (n - i) < Chunk ? (n - i) : Chunk;
    // Positions, split into whole sample and table row (vectorises).
    for (std::int32_t m = 0; m < len; ++m) {
      const float fi = static_cast<float>(i + m);
      const float p = std::sqrt(fi * fi + a);
      const float pc = p > last ? last + 1.0f : p;  // past the end: flagged below
      const std::int32_t j = static_cast<std::int32_t>(pc);
      const std::int32_t r = static_cast<std::int32_t>((pc - static_cast<float>(j)) * Steps + 0.5f);
      jj[m] = j + (r >> 7);  // r == Steps: the next whole sample
      rr[m] = r & (Steps - 1);
      if (p > last) jj[m] = n;
    }
    std::int32_t m = 0;
    while (m < len) {
      const std::int32_t j = jj[m];
      if (j >= n) {  // past the end of the input: zero from here on
        if (!add) std::memset(out + i + m, 0, sizeof(float) * static_cast<size_t>(n - i - m));
        return 0;
      }
      // Positions rise with i: four in a row are interior when the first and
      // the fourth are.
      if (m + 4 <= len && j >= 3 && jj[m + 3] + 4 < n) {
        V4 v = interiorValues4(interiorPartial(in, jj[m], tab.w[rr[m]]),
                               interiorPartial(in, jj[m + 1], tab.w[rr[m + 1]]),
                               interiorPartial(in, jj[m + 2], tab.w[rr[m + 2]]),
                               interiorPartial(in, jj[m + 3], tab.w[rr[m + 3]]));
        float* o = out + i + m;
        if (add) {
          V4 prev;
          std::memcpy(&prev, o, sizeof prev);
          v = prev + v;
        }
        std::memcpy(o, &v, sizeof v);
        m += 4;
        continue;
      }
      const float* w = tab.w[rr[m]];
      const float v = (j >= 3 && j + 4 < n) ? interiorValue(in, j, w) : edgeValue(in, n, j, w);
      if (add) {
        out[i + m] += v;
      } else {
        out[i + m] = v;
      }
      ++m;
    }
    i += len;
  }
  return 0;
}

}  // namespace tsly

namespace tsly {

namespace {

// The first unmuted output sample of a constant moveout a (samples^2): the
// leading run nmoit mutes, found by the same search.
std::int32_t leadingMute(float a, float stretch, std::int32_t n) {
  double g = (1.0 + static_cast<double>(stretch)) * (1.0 + static_cast<double>(stretch)) - 1.0;
  double est = std::ceil(std::sqrt(static_cast<double>(a) / g));
  std::int32_t i0 = est >= n ? n : static_cast<std::int32_t>(est);
  if (i0 < 1) i0 = 1;
  while (i0 > 1 && !muted(i0 - 1, a, stretch)) --i0;
  while (i0 < n && muted(i0, a, stretch)) ++i0;
  return i0;
}

// In single precision the per-sample stretch test is a leading run in time only
// while the stretch ratio is well above the rounding of t0^2 (about 3e-8 x the
// sample count); below this bound each sample's mute is settled by nmoit's own
// search, so that a constant function still reproduces nmoit exactly.
inline bool needsExactMuteSearch(float stretch, std::int32_t n) {
  return static_cast<double>(stretch) < 1e-6 * static_cast<double>(n);
}

inline bool interiorAt(std::int32_t j, std::int32_t n) { return j >= 3 && j + 4 < n; }

}  // namespace

std::int32_t nmoitVariable(const float* in, float* out, std::int32_t n, const float* velocities, float offset,
                           float stretch, std::int32_t sampleIntervalUs, std::int32_t stackFlag,
                           double firstSampleUs) {
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
  if (velocities == nullptr || sampleIntervalUs <= 0 || std::isnan(x) || !(stretch > 0.0f) ||
      !std::isfinite(firstSampleUs)) {
    if (!add) std::memset(out, 0, sizeof(float) * static_cast<size_t>(n));
    return 0;
  }

  // Times in samples: output sample i lies at f0 + i, input sample j at f0 + j.
  const double f0 = firstSampleUs / static_cast<double>(sampleIntervalUs);
  const float f0f = static_cast<float>(f0);
  const bool exactSearch = f0 == 0.0 && needsExactMuteSearch(stretch, n);
  const double xd = static_cast<double>(x);
  const float last = static_cast<float>(n - 1);
  const SincTable& tab = table();

  constexpr std::int32_t Chunk = 256;
  alignas(32) std::int32_t jj[Chunk];  // input sample, or -1: the output sample is zero
  alignas(32) std::int32_t rr[Chunk];
  alignas(32) float aa[Chunk];
  std::int32_t i = 0;
  while (i < n) {
    const std::int32_t len = (n - i) < Chunk ? (n - i) : Chunk;
    const float* vel = velocities + i;
    // Positions, split into whole sample and table row (vectorises).
    for (std::int32_t m = 0; m < len; ++m) {
      const double s = xd / (static_cast<double>(vel[m]) * sampleIntervalUs * 1e-6);
      const float a = static_cast<float>(s * s);
      const bool bad = !(vel[m] > 0.0f) || !(a <= 3.4028234e38f);  // NaN or infinite moveout
      const float fi = static_cast<float>(f0 + static_cast<double>(i + m));
      const float p = std::sqrt(fi * fi + a);
      const bool mute = bad || !(fi > 0.0f) || (p - fi) > stretch * fi;
      const float pos = p - f0f;
      const bool gone = mute || !(pos <= last);
      const float pc = gone ? 0.0f : pos;
      const std::int32_t j = static_cast<std::int32_t>(pc);
      const std::int32_t r = static_cast<std::int32_t>((pc - static_cast<float>(j)) * Steps + 0.5f);
      jj[m] = gone ? -1 : j + (r >> 7);  // r == Steps: the next whole sample
      rr[m] = r & (Steps - 1);
      aa[m] = bad ? -1.0f : a;
    }
    if (exactSearch) {
      // Settle each sample's mute with nmoit's search for its own moveout.
      float lastA = -1.0f;
      std::int32_t lastI0 = 0;
      for (std::int32_t m = 0; m < len; ++m) {
        if (aa[m] < 0.0f) continue;
        if (aa[m] != lastA) {
          lastA = aa[m];
          lastI0 = leadingMute(lastA, stretch, n);
        }
        const bool mute = i + m < lastI0;
        if (mute) {
          jj[m] = -1;
          continue;
        }
        if (jj[m] >= 0) continue;
        const float fi = static_cast<float>(i + m);
        const float p = std::sqrt(fi * fi + aa[m]);
        if (!(p <= last)) continue;
        const std::int32_t j = static_cast<std::int32_t>(p);
        const std::int32_t r = static_cast<std::int32_t>((p - static_cast<float>(j)) * Steps + 0.5f);
        jj[m] = j + (r >> 7);
        rr[m] = r & (Steps - 1);
      }
    }
    std::int32_t m = 0;
    while (m < len) {
      const std::int32_t j = jj[m];
      if (j < 0) {  // muted or past the end of the input
        if (!add) out[i + m] = 0.0f;
        ++m;
        continue;
      }
      if (m + 4 <= len && interiorAt(j, n) && interiorAt(jj[m + 1], n) && interiorAt(jj[m + 2], n) &&
          interiorAt(jj[m + 3], n)) {
        V4 v = interiorValues4(interiorPartial(in, jj[m], tab.w[rr[m]]),
                               interiorPartial(in, jj[m + 1], tab.w[rr[m + 1]]),
                               interiorPartial(in, jj[m + 2], tab.w[rr[m + 2]]),
                               interiorPartial(in, jj[m + 3], tab.w[rr[m + 3]]));
        float* o = out + i + m;
        if (add) {
          V4 prev;
          std::memcpy(&prev, o, sizeof prev);
          v = prev + v;
        }
        std::memcpy(o, &v, sizeof v);
        m += 4;
        continue;
      }
      const float* w = tab.w[rr[m]];
      const float v = interiorAt(j, n) ? interiorValue(in, j, w) : edgeValue(in, n, j, w);
      if (add) {
        out[i + m] += v;
      } else {
        out[i + m] = v;
      }
      ++m;
    }
    i += len;
  }
  return 0;
}

}  // namespace tsly
