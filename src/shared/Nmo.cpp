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

// First unmuted output sample for a squared moveout a. The stretch falls as i
// grows, so the mute is one leading run; start from the closed-form boundary
// and settle it with the exact per-sample test. No stretch: all muted.
std::int32_t firstUnmuted(std::int32_t n, float a, float stretch) {
  if (!(stretch > 0.0f)) return n;
  const double g = (1.0 + static_cast<double>(stretch)) * (1.0 + static_cast<double>(stretch)) - 1.0;
  const double est = std::ceil(std::sqrt(static_cast<double>(a) / g));
  std::int32_t i0 = est >= n ? n : static_cast<std::int32_t>(est);
  if (i0 < 1) i0 = 1;
  while (i0 > 1 && !muted(i0 - 1, a, stretch)) --i0;
  while (i0 < n && muted(i0, a, stretch)) ++i0;
  return i0;
}

constexpr std::int32_t Chunk = 256;

// Input positions of output samples i .. i + len - 1: the whole input sample in
// jj (n when the position lies past the input's end) and the table row in rr,
// rounded to the nearest row (vectorises).
inline void chunkPositions(std::int32_t i, std::int32_t len, std::int32_t n, float a, std::int32_t* jj,
                           std::int32_t* rr) {
  const float last = static_cast<float>(n - 1);
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
}

// Output samples i .. i + len - 1 from their positions, written or added.
// False when a position lies past the input's end: from there on the output
// is zero (written) or unchanged (added).
inline bool moveChunk(const float* in, float* out, std::int32_t n, std::int32_t i, std::int32_t len,
                      const std::int32_t* jj, const std::int32_t* rr, bool add) {
  const SincTable& tab = table();
  std::int32_t m = 0;
  while (m < len) {
    const std::int32_t j = jj[m];
    if (j >= n) {
      if (!add) std::memset(out + i + m, 0, sizeof(float) * static_cast<size_t>(n - i - m));
      return false;
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
  return true;
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

  const std::int32_t i0 = firstUnmuted(n, a, stretch);
  if (!add) std::memset(out, 0, sizeof(float) * static_cast<size_t>(i0));
  alignas(32) std::int32_t jj[Chunk];
  alignas(32) std::int32_t rr[Chunk];
  for (std::int32_t i = i0; i < n; i += Chunk) {
    const std::int32_t len = (n - i) < Chunk ? (n - i) : Chunk;
    chunkPositions(i, len, n, a, jj, rr);
    if (!moveChunk(in, out, n, i, len, jj, rr, add)) return 0;
  }
  return 0;
}

}  // namespace tsly
