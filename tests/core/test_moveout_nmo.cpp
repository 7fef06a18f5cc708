#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "moveout/core/Nmo.h"

using namespace tsly;

namespace {

constexpr int Dt = 4000;  // microseconds

double ricker(double t, double f = 25.0) {
  const double pi = 3.14159265358979323846;
  double a = pi * f * t;
  return (1.0 - 2.0 * a * a) * std::exp(-a * a);
}

// One trace of a single hyperbolic event with zero-offset time t0 (s).
std::vector<float> eventTrace(int n, double t0, double v, double x) {
  double t = std::sqrt(t0 * t0 + x * x / (v * v));
  std::vector<float> s(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) s[static_cast<size_t>(i)] = static_cast<float>(ricker(i * Dt * 1e-6 - t));
  return s;
}

int peakIndex(const std::vector<float>& s) {
  int best = 0;
  for (int i = 1; i < static_cast<int>(s.size()); ++i)
    if (std::fabs(s[static_cast<size_t>(i)]) > std::fabs(s[static_cast<size_t>(best)])) best = i;
  return best;
}

}  // namespace

TEST(MoveoutNmo, FlattensAnEventAtItsOwnVelocityOnly) {
  const int n = 500;
  const double t0 = 1.2, v = 2200.0;
  for (double x : {400.0, 1000.0, 1600.0}) {
    auto in = eventTrace(n, t0, v, x);
    std::vector<float> out(n, 7.0f);
    nmoit(in.data(), out.data(), n, static_cast<float>(v), static_cast<float>(x), 0.9f, Dt, 0);
    EXPECT_EQ(peakIndex(out), 300) << "offset " << x;
    EXPECT_NEAR(out[300], 1.0f, 0.02f) << "offset " << x;
    // At the near offset (1% stretch) the moved-out wavelet matches the
    // zero-offset wavelet sample by sample around the event.
    if (x == 400.0) {
      auto ref = eventTrace(n, t0, v, 0.0);
      for (int i = 290; i <= 310; ++i)
        EXPECT_NEAR(out[static_cast<size_t>(i)], ref[static_cast<size_t>(i)], 0.02) << i;
    }

    // Too fast: under-corrected, the event stays late; too slow: over-corrected, early.
    std::vector<float> fast(n), slow(n);
    nmoit(in.data(), fast.data(), n, static_cast<float>(v * 1.3), static_cast<float>(x), 0.9f, Dt, 0);
    nmoit(in.data(), slow.data(), n, static_cast<float>(v * 0.8), static_cast<float>(x), 0.9f, Dt, 0);
    EXPECT_GT(peakIndex(fast), 300) << "offset " << x;
    EXPECT_LT(peakIndex(slow), 300) << "offset " << x;
  }
}

TEST(MoveoutNmo, ZeroOffsetLeavesTheTraceUnchangedBitForBit) {
  std::vector<float> in = {1.5f, -2.25f, 3.0f, 1e-30f, -7.0f, 0.0f, 123456.7f};
  const int n = static_cast<int>(in.size());
  std::vector<float> out(in.size(), 99.0f);
  nmoit(in.data(), out.data(), n, 2000.0f, 0.0f, 0.1f, Dt, 0);
  EXPECT_EQ(out, in);
  // Also at t0 = 0, which is never muted without offset, and when adding.
  std::vector<float> acc(in.size(), 1.0f);
  nmoit(in.data(), acc.data(), n, 2000.0f, -0.0f, 0.1f, Dt, 1);
  for (int i = 0; i < n; ++i) EXPECT_EQ(acc[static_cast<size_t>(i)], 1.0f + in[static_cast<size_t>(i)]);
}

TEST(MoveoutNmo, ExactSamplePositionsTakeTheSampleItself) {
  // offset / (v dt) = 3 samples: output sample 4 reads input sample 5 exactly.
  const int n = 64;
  std::vector<float> in(n);
  for (int i = 0; i < n; ++i) in[static_cast<size_t>(i)] = static_cast<float>(std::sin(i * 0.7) * 100.0 + i);
  std::vector<float> out(n);
  nmoit(in.data(), out.data(), n, 1000.0f, 12.0f, 0.99f, Dt, 0);  // 12 / (1000 * .004) = 3
  EXPECT_EQ(out[4], in[5]);
}

TEST(MoveoutNmo, StretchMuteZeroesSamplesWhoseRelativeStretchExceedsTheRatio) {
  const int n = 200;
  std::vector<float> in(n, 1.0f);
  // a = (offset / (v dt))^2 = 20^2 samples^2.
  const float v = 1000.0f, x = 80.0f, s = 0.5f;
  std::vector<float> out(n, 5.0f);
  nmoit(in.data(), out.data(), n, v, x, s, Dt, 0);
  for (int i = 0; i < n; ++i) {
    double p = std::sqrt(double(i) * i + 400.0);
    bool mute = i == 0 || (p - i) / i > s;
    if (mute) {
      EXPECT_EQ(out[static_cast<size_t>(i)], 0.0f) << i;
    } else if (p <= n - 1 - 4) {
      EXPECT_NEAR(out[static_cast<size_t>(i)], 1.0f, 1e-5) << i;
    }
  }
  // Boundary: i = 13 has stretch .8 (muted), i = 18 has .49 (kept):
  // (sqrt(i^2+400) - i) / i <= .5  <=>  i >= sqrt(400 / 1.25) = 17.9.
  EXPECT_EQ(out[17], 0.0f);
  EXPECT_NE(out[18], 0.0f);

  // A higher ratio mutes less.
  std::vector<float> wide(n, 5.0f);
  nmoit(in.data(), wide.data(), n, v, x, 0.99f, Dt, 0);
  EXPECT_NE(wide[17], 0.0f);
  EXPECT_EQ(wide[0], 0.0f);  // t0 = 0 with an offset is always muted
}

TEST(MoveoutNmo, SamplesMappingPastTheInputEndAreZero) {
  const int n = 50;
  std::vector<float> in(n, 2.0f);
  std::vector<float> out(n, 9.0f);
  // a = 30^2: output sample 39 reads sqrt(1521 + 900) = 49.2 > 49, the last sample.
  nmoit(in.data(), out.data(), n, 1000.0f, 120.0f, 0.99f, Dt, 0);
  for (int i = 39; i < n; ++i) EXPECT_EQ(out[static_cast<size_t>(i)], 0.0f) << i;
  EXPECT_NE(out[38], 0.0f);  // sqrt(1444 + 900) = 48.4 is inside
  std::vector<float> acc(n, 9.0f);
  nmoit(in.data(), acc.data(), n, 1000.0f, 120.0f, 0.99f, Dt, 1);
  for (int i = 39; i < n; ++i) EXPECT_EQ(acc[static_cast<size_t>(i)], 9.0f) << i;
}

TEST(MoveoutNmo, AddAccumulatesWhatReplaceWrites) {
  const int n = 300;
  auto in = eventTrace(n, 0.6, 1800.0, 900.0);
  std::vector<float> once(n, -3.0f), base(n), acc(n);
  nmoit(in.data(), once.data(), n, 1800.0f, 900.0f, 0.5f, Dt, 0);
  for (int i = 0; i < n; ++i) base[static_cast<size_t>(i)] = acc[static_cast<size_t>(i)] = 0.25f * i;
  nmoit(in.data(), acc.data(), n, 1800.0f, 900.0f, 0.5f, Dt, 1);
  for (int i = 0; i < n; ++i)
    EXPECT_EQ(acc[static_cast<size_t>(i)], base[static_cast<size_t>(i)] + once[static_cast<size_t>(i)]) << i;
  // Muted samples add nothing; replaced muted samples are zero, not the old -3.
  EXPECT_EQ(once[0], 0.0f);
  EXPECT_EQ(acc[0], 0.0f);
}

TEST(MoveoutNmo, BadVelocityOrIntervalMutesEverythingWithOffset) {
  std::vector<float> in(20, 1.0f), out(20, 4.0f);
  nmoit(in.data(), out.data(), 20, 0.0f, 100.0f, 0.5f, Dt, 0);
  for (float v : out) EXPECT_EQ(v, 0.0f);
  std::fill(out.begin(), out.end(), 4.0f);
  nmoit(in.data(), out.data(), 20, 2000.0f, 100.0f, 0.5f, 0, 1);
  for (float v : out) EXPECT_EQ(v, 4.0f);
  // Nothing to do for an empty trace.
  EXPECT_EQ(nmoit(in.data(), out.data(), 0, 2000.0f, 100.0f, 0.5f, Dt, 0), 0);
}
