#include "moveout/core/Nmo.h"

#include <cmath>
#include <cstring>

#include "moveout/core/NmoKernels.h"

namespace tsly {

using namespace nmokernel;

namespace {

// First unmuted output sample for a squared moveout a. The stretch falls as i
// grows, so the mute is one leading run (see leadingMute). No stretch: all muted.
std::int32_t firstUnmuted(std::int32_t n, float a, float stretch) {
  if (!(stretch > 0.0f)) return n;
  return leadingMute(a, stretch, n);
}

constexpr std::int32_t Chunk = 256;

// Four interior output samples at o from their input samples jj[0..3] and
// table rows rr[0..3], written or added.
inline void moveFour(const float* in, float* o, const std::int32_t* jj, const std::int32_t* rr, bool add,
                     const SincTable& tab) {
  V4 v = interiorValues4(interiorPartial(in, jj[0], tab.w[rr[0]]), interiorPartial(in, jj[1], tab.w[rr[1]]),
                         interiorPartial(in, jj[2], tab.w[rr[2]]), interiorPartial(in, jj[3], tab.w[rr[3]]));
  if (add) {
    V4 prev;
    std::memcpy(&prev, o, sizeof prev);
    v = prev + v;
  }
  std::memcpy(o, &v, sizeof v);
}

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
      moveFour(in, out + i + m, jj + m, rr + m, add, tab);
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

std::int32_t nmoit(const float* in, float* out, std::int32_t n, float velocity, float offset, float stretch,
                   std::int32_t sampleIntervalUs, std::int32_t stackFlag) {
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

namespace {

// In single precision the per-sample stretch test is a leading run in time only
// while the stretch ratio is well above the rounding of t0^2 (about 3e-8 x the
// sample count); below this bound each sample's mute is settled by nmoit's own
// search, so that a constant function still reproduces nmoit exactly.
inline bool needsExactMuteSearch(float stretch, std::int32_t n) {
  return static_cast<double>(stretch) < 1e-6 * static_cast<double>(n);
}

// One chunk of output samples of the time-variant moveout: for each, the input
// sample (-1: the output sample is zero), the table row, and the squared
// moveout in samples (-1 when the velocity gives none).
struct VariableChunk {
  static constexpr std::int32_t Size = 256;
  alignas(32) std::int32_t jj[Size];
  alignas(32) std::int32_t rr[Size];
  alignas(32) float aa[Size];
};

// What every chunk of one trace shares.
struct VariableTrace {
  double xd;    // |offset|
  double dtUs;  // sample interval, microseconds
  double f0;    // time of the first sample, in samples
  float f0f;
  float stretch;
  float last;  // index of the last input sample
  std::int32_t n;
};

// Positions of output samples i .. i + len - 1, split into whole sample and
// table row, with the stretch mute (vectorises).
inline void variablePositions(const VariableTrace& t, const float* vel, std::int32_t i, std::int32_t len,
                              VariableChunk& c) {
  for (std::int32_t m = 0; m < len; ++m) {
    const double s = t.xd / (static_cast<double>(vel[m]) * t.dtUs * 1e-6);
    const float a = static_cast<float>(s * s);
    const bool bad = !(vel[m] > 0.0f) || !(a <= 3.4028234e38f);  // NaN or infinite moveout
    const float fi = static_cast<float>(t.f0 + static_cast<double>(i + m));
    const float p = std::sqrt(fi * fi + a);
    const bool mute = bad || !(fi > 0.0f) || (p - fi) > t.stretch * fi;
    const float pos = p - t.f0f;
    const bool gone = mute || !(pos <= t.last);
    const float pc = gone ? 0.0f : pos;
    const std::int32_t j = static_cast<std::int32_t>(pc);
    const std::int32_t r = static_cast<std::int32_t>((pc - static_cast<float>(j)) * Steps + 0.5f);
    c.jj[m] = gone ? -1 : j + (r >> 7);  // r == Steps: the next whole sample
    c.rr[m] = r & (Steps - 1);
    c.aa[m] = bad ? -1.0f : a;
  }
}

// Settles each sample's mute with nmoit's search for its own moveout.
inline void settleMutesExactly(const VariableTrace& t, std::int32_t i, std::int32_t len, VariableChunk& c) {
  float lastA = -1.0f;
  std::int32_t lastI0 = 0;
  for (std::int32_t m = 0; m < len; ++m) {
    if (c.aa[m] < 0.0f) continue;
    if (c.aa[m] != lastA) {
      lastA = c.aa[m];
      lastI0 = leadingMute(lastA, t.stretch, t.n);
    }
    if (i + m < lastI0) {
      c.jj[m] = -1;
      continue;
    }
    if (c.jj[m] >= 0) continue;
    const float fi = static_cast<float>(i + m);
    const float p = std::sqrt(fi * fi + c.aa[m]);
    if (!(p <= t.last)) continue;
    const std::int32_t j = static_cast<std::int32_t>(p);
    const std::int32_t r = static_cast<std::int32_t>((p - static_cast<float>(j)) * Steps + 0.5f);
    c.jj[m] = j + (r >> 7);
    c.rr[m] = r & (Steps - 1);
  }
}

// Output samples i .. i + len - 1 from their positions, written or added.
// Positions need not rise with i: each is checked for the interior.
inline void moveVariableChunk(const float* in, float* out, std::int32_t n, std::int32_t i, std::int32_t len,
                              const VariableChunk& c, bool add) {
  const SincTable& tab = table();
  std::int32_t m = 0;
  while (m < len) {
    const std::int32_t j = c.jj[m];
    if (j < 0) {  // muted or past the end of the input
      if (!add) out[i + m] = 0.0f;
      ++m;
      continue;
    }
    if (m + 4 <= len && interiorAt(j, n) && interiorAt(c.jj[m + 1], n) && interiorAt(c.jj[m + 2], n) &&
        interiorAt(c.jj[m + 3], n)) {
      moveFour(in, out + i + m, c.jj + m, c.rr + m, add, tab);
      m += 4;
      continue;
    }
    const float* w = tab.w[c.rr[m]];
    const float v = interiorAt(j, n) ? interiorValue(in, j, w) : edgeValue(in, n, j, w);
    if (add) {
      out[i + m] += v;
    } else {
      out[i + m] = v;
    }
    ++m;
  }
}

}  // namespace

std::int32_t nmoitVariable(const float* in, float* out, std::int32_t n, const float* velocities, float offset,
                           float stretch, std::int32_t sampleIntervalUs, std::int32_t stackFlag, double firstSampleUs,
                           std::uint8_t* live) {
  if (n <= 0 || in == nullptr || out == nullptr) return 0;
  const bool add = stackFlag != 0;
  const float x = std::fabs(offset);

  if (x == 0.0f) {  // nothing moves
    if (live) std::memset(live, 1, static_cast<size_t>(n));
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
    if (live) std::memset(live, 0, static_cast<size_t>(n));
    return 0;
  }

  // Times in samples: output sample i lies at f0 + i, input sample j at f0 + j.
  VariableTrace t;
  t.xd = static_cast<double>(x);
  t.dtUs = static_cast<double>(sampleIntervalUs);
  t.f0 = firstSampleUs / static_cast<double>(sampleIntervalUs);
  t.f0f = static_cast<float>(t.f0);
  t.stretch = stretch;
  t.last = static_cast<float>(n - 1);
  t.n = n;
  const bool exactSearch = t.f0 == 0.0 && needsExactMuteSearch(stretch, n);
  VariableChunk c;
  for (std::int32_t i = 0; i < n; i += VariableChunk::Size) {
    const std::int32_t len = (n - i) < VariableChunk::Size ? (n - i) : VariableChunk::Size;
    variablePositions(t, velocities + i, i, len, c);
    if (exactSearch) settleMutesExactly(t, i, len, c);
    moveVariableChunk(in, out, n, i, len, c, add);
    if (live)
      for (std::int32_t m = 0; m < len; ++m) live[i + m] = c.jj[m] >= 0 ? 1 : 0;
  }
  return 0;
}

}  // namespace tsly
