// The time-variant moveout against nmoit, and the velocity function of picks.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "moveout/core/Nmo.h"
#include "moveout/core/VelocityFunction.h"
#include "support/NmoCases.h"

using namespace tsly;
using namespace tsly::test;

namespace {

// out of nmoitVariable with a constant array equals out of nmoit, bit for bit,
// replacing into a filled buffer and adding into a ramp.
void expectSameAsNmoit(const std::vector<float>& in, float v, float x, float stretch, int dt,
                       const std::string& what) {
  const int n = static_cast<int>(in.size());
  const std::vector<float> vel(in.size(), v);
  for (int flag : {0, 1}) {
    std::vector<float> a = outputBase(in.size(), flag), b = a;
    nmoit(in.data(), a.data(), n, v, x, stretch, dt, flag);
    nmoitVariable(in.data(), b.data(), n, vel.data(), x, stretch, dt, flag);
    const int i = firstBitDifference(a, b);
    if (i >= 0) {
      ADD_FAILURE() << what << " flag " << flag << " sample " << i << ": nmoit " << a[static_cast<size_t>(i)]
                    << ", variable " << b[static_cast<size_t>(i)];
      return;
    }
  }
}

}  // namespace

TEST(MoveoutNmoVariable, ConstantFunctionIsNmoitBitForBit) {
  const int cases =
      forEachNmoCase([](const NmoCase& c) { expectSameAsNmoit(c.in, c.velocity, c.offset, c.stretch, c.intervalUs, c.label()); });
  EXPECT_GT(cases, 10000);
}

TEST(MoveoutNmoVariable, PositionsNearWholeSamplesRoundAsNmoitDoes) {
  // Offsets chosen so that output sample i reads within 1/256 of a sample (and
  // closer) of input sample k: both functions must take the same table row or
  // the same whole sample.
  const int n = 800, dt = 4000;
  const float v = 2000.0f;
  auto in = fileSamples(n, false, 77);
  for (int i : {10, 100, 333, 640}) {
    for (double d : {-1.0 / 256, -1.0 / 257, -1.0 / 512, -1e-6, 0.0, 1e-6, 1.0 / 512, 1.0 / 257, 1.0 / 256,
                     1.0 / 256 + 1e-6, 1.0 / 256 - 1e-6, 0.5 - 1.0 / 256, 0.5}) {
      const double p = i + 37.0 + d;
      const double samplesMoveout = std::sqrt(p * p - double(i) * i);
      const float x = static_cast<float>(samplesMoveout * v * dt * 1e-6);
      expectSameAsNmoit(in, v, x, 0.99f, dt, "i " + std::to_string(i) + " d " + std::to_string(d));
    }
  }
}

TEST(MoveoutNmoVariable, TinyStretchRatiosStillMuteAsNmoit) {
  // Below a stretch ratio of about 1e-4 the single-precision stretch test of
  // long traces is no longer a leading run in time: some samples after the
  // first kept one test as muted again. nmoit keeps them (it mutes one leading
  // run); a constant function must do the same.
  const int n = 6000, dt = 1000;
  const float v = 1000.0f;  // moveout in samples = offset
  auto in = fileSamples(n, false, 3);
  auto floatMuted = [](int i, float a, float s) {
    float fi = static_cast<float>(i);
    return (std::sqrt(fi * fi + a) - fi) > s * fi;
  };
  int broken = 0;
  for (float s : {2e-6f, 5e-6f, 1e-5f, 3e-5f}) {
    for (int k = 0; k < 120; ++k) {
      const float x = 8.0f + 0.37f * static_cast<float>(k);
      const double sm = static_cast<double>(x) / (static_cast<double>(v) * dt * 1e-6);
      const float a = static_cast<float>(sm * sm);
      bool seenKept = false, againMuted = false;
      for (int i = 1; i < n && !againMuted; ++i) {
        bool m = floatMuted(i, a, s);
        againMuted = seenKept && m;
        seenKept = seenKept || !m;
      }
      broken += againMuted;
      expectSameAsNmoit(in, v, x, s, dt, "x " + std::to_string(x) + " s " + std::to_string(s));
    }
  }
  EXPECT_GT(broken, 10);  // the cases above really meet the problem
}

TEST(MoveoutNmoVariable, EachSampleIsNmoitAtItsOwnVelocityEvenWhenPositionsFall) {
  // Velocities that jump up make the input position fall from one sample to
  // the next; each output sample must still be what nmoit gives at that
  // sample's velocity.
  const int n = 400, dt = 4000;
  const float x = 1800.0f, stretch = 0.6f;
  auto in = fileSamples(n, false, 5);
  std::vector<float> vel(n);
  for (int i = 0; i < n; ++i) vel[static_cast<size_t>(i)] = (i / 25) % 2 ? 5200.0f : 1400.0f + 3.0f * i;
  // Check that the positions really fall somewhere.
  auto position = [&](int i) {
    double s = x / (vel[static_cast<size_t>(i)] * dt * 1e-6);
    return std::sqrt(double(i) * i + s * s);
  };
  bool falls = false;
  for (int i = 1; i < n; ++i) falls = falls || position(i) < position(i - 1) - 1.0;
  ASSERT_TRUE(falls);

  for (int flag : {0, 1}) {
    std::vector<float> out(n, flag ? 2.5f : 9.0f);
    nmoitVariable(in.data(), out.data(), n, vel.data(), x, stretch, dt, flag);
    for (int i = 0; i < n; ++i) {
      std::vector<float> ref(n, flag ? 2.5f : 9.0f);
      nmoit(in.data(), ref.data(), n, vel[static_cast<size_t>(i)], x, stretch, dt, flag);
      ASSERT_EQ(floatBits(out[static_cast<size_t>(i)]), floatBits(ref[static_cast<size_t>(i)])) << "sample " << i << " flag " << flag;
    }
  }
}

TEST(MoveoutNmoVariable, MuteIsDecidedPerSample) {
  // A slow layer late in the trace stretches more than the fast layer above it:
  // its samples are muted again although earlier ones were kept.
  const int n = 1000, dt = 4000;
  std::vector<float> in(n, 1.0f), vel(n, 4000.0f);
  for (int i = 200; i < 220; ++i) vel[static_cast<size_t>(i)] = 1000.0f;
  std::vector<float> out(n, 7.0f);
  nmoitVariable(in.data(), out.data(), n, vel.data(), 1500.0f, 0.5f, dt, 0);
  EXPECT_EQ(out[0], 0.0f);
  for (int i = 150; i < 200; ++i) EXPECT_NE(out[static_cast<size_t>(i)], 0.0f) << i;
  // Stretch 1.1 .. 1.0 at 1000 m/s, read well inside the trace: muted.
  for (int i = 200; i < 220; ++i) EXPECT_EQ(out[static_cast<size_t>(i)], 0.0f) << i;
  for (int i = 220; i < 240; ++i) EXPECT_NE(out[static_cast<size_t>(i)], 0.0f) << i;

  // Bad velocities mute only their own samples.
  std::vector<float> bad(n, 4000.0f);
  bad[100] = 0.0f;
  bad[101] = -2000.0f;
  bad[102] = std::numeric_limits<float>::quiet_NaN();
  bad[103] = 1e-30f;  // moveout beyond any float
  std::vector<float> o2(n, 7.0f), ref(n, 7.0f);
  nmoitVariable(in.data(), o2.data(), n, bad.data(), 1500.0f, 0.5f, dt, 0);
  nmoit(in.data(), ref.data(), n, 4000.0f, 1500.0f, 0.5f, dt, 0);
  for (int i = 0; i < n; ++i) {
    if (i >= 100 && i <= 103)
      EXPECT_EQ(o2[static_cast<size_t>(i)], 0.0f) << i;
    else
      EXPECT_EQ(floatBits(o2[static_cast<size_t>(i)]), floatBits(ref[static_cast<size_t>(i)])) << i;
  }
}

TEST(MoveoutNmoVariable, FirstSampleTimeShiftsTheTimeAxis) {
  // A recording delay of k whole samples gives what nmoit gives on the trace
  // with k zero samples in front (to rounding of the positions).
  const int n = 600, dt = 2000, k = 50;
  std::vector<float> in(n);
  for (int j = 0; j < n; ++j) in[static_cast<size_t>(j)] = static_cast<float>(std::sin(0.07 * j) + 0.5 * std::cos(0.023 * j));
  for (float v : {1500.0f, 2500.0f}) {
    for (float x : {300.0f, 1200.0f, 2400.0f}) {
      std::vector<float> vel(n, v), out(n, 3.0f);
      nmoitVariable(in.data(), out.data(), n, vel.data(), x, 0.8f, dt, 0, double(k) * dt);
      std::vector<float> padded(n + k, 0.0f), ref(n + k);
      std::copy(in.begin(), in.end(), padded.begin() + k);
      nmoit(padded.data(), ref.data(), n + k, v, x, 0.8f, dt, 0);
      for (int i = 0; i < n; ++i)
        ASSERT_NEAR(out[static_cast<size_t>(i)], ref[static_cast<size_t>(i + k)], 0.02f)
            << "v " << v << " x " << x << " sample " << i;
      // Muted where nmoit mutes: the stretch counts from time zero, not from the first sample.
      for (int i = 0; i < n; ++i)
        EXPECT_EQ(out[static_cast<size_t>(i)] == 0.0f, ref[static_cast<size_t>(i + k)] == 0.0f) << i;
    }
  }
}

TEST(MoveoutNmoVariable, FirstSampleTimeFollowsTheHyperbola) {
  // A smooth input read through a delay of 123.4 ms: each kept sample holds the
  // input's value at t = sqrt(t0^2 + x^2 / v^2), with t0 counted from time zero.
  const int n = 700, dt = 4000;
  const double delayMs = 123.4, f = 3.0;  // 3 Hz: the interpolation is near exact
  const double pi = 3.14159265358979323846;
  std::vector<float> in(n);
  for (int j = 0; j < n; ++j) in[static_cast<size_t>(j)] = static_cast<float>(std::sin(2 * pi * f * (delayMs * 1e-3 + j * dt * 1e-6)));
  std::vector<float> vel(n), out(n, 9.0f);
  for (int i = 0; i < n; ++i) vel[static_cast<size_t>(i)] = 1500.0f + 2.0f * i;
  const double x = 1600.0, stretch = 0.5;
  nmoitVariable(in.data(), out.data(), n, vel.data(), static_cast<float>(x), static_cast<float>(stretch), dt, 0,
                delayMs * 1000.0);
  int kept = 0;
  for (int i = 0; i < n; ++i) {
    const double t0 = delayMs * 1e-3 + i * dt * 1e-6;
    const double v = vel[static_cast<size_t>(i)];
    const double t = std::sqrt(t0 * t0 + x * x / (v * v));
    const double pos = (t - delayMs * 1e-3) / (dt * 1e-6);
    if ((t - t0) / t0 > stretch + 1e-4 || pos > n - 1) {
      EXPECT_EQ(out[static_cast<size_t>(i)], 0.0f) << i;
    } else if ((t - t0) / t0 < stretch - 1e-4 && pos < n - 5) {
      EXPECT_NEAR(out[static_cast<size_t>(i)], std::sin(2 * pi * f * t), 2e-3) << i;
      ++kept;
    }
  }
  EXPECT_GT(kept, 300);

  // A negative delay: samples at or before time zero are muted.
  std::vector<float> early(n, 9.0f);
  nmoitVariable(in.data(), early.data(), n, vel.data(), static_cast<float>(x), 0.5f, dt, 0, -20000.0);
  for (int i = 0; i <= 5; ++i) EXPECT_EQ(early[static_cast<size_t>(i)], 0.0f) << i;
  // Without offset nothing moves, whatever the delay.
  std::vector<float> still(n, 9.0f);
  nmoitVariable(in.data(), still.data(), n, vel.data(), 0.0f, 0.5f, dt, 0, -20000.0);
  EXPECT_EQ(still, in);
}

TEST(MoveoutNmoVariable, PastTheEndGivesZeroAndAddsNothing) {
  const int n = 50, dt = 4000;
  std::vector<float> in(n, 2.0f), vel(n, 1000.0f);
  // Samples 39.. read past the last input sample at 1000; sample 45 is fast
  // enough to read inside again.
  vel[45] = 1e6f;
  std::vector<float> out(n, 9.0f), acc(n, 9.0f);
  nmoitVariable(in.data(), out.data(), n, vel.data(), 120.0f, 0.99f, dt, 0);
  nmoitVariable(in.data(), acc.data(), n, vel.data(), 120.0f, 0.99f, dt, 1);
  for (int i = 39; i < n; ++i) {
    if (i == 45) continue;
    EXPECT_EQ(out[static_cast<size_t>(i)], 0.0f) << i;
    EXPECT_EQ(acc[static_cast<size_t>(i)], 9.0f) << i;
  }
  EXPECT_NEAR(out[45], 2.0f, 1e-5);
  EXPECT_NE(out[38], 0.0f);
  // Not positive interval or stretch: all muted.
  std::vector<float> o(n, 4.0f);
  nmoitVariable(in.data(), o.data(), n, vel.data(), 120.0f, 0.0f, dt, 0);
  for (float s : o) EXPECT_EQ(s, 0.0f);
  std::fill(o.begin(), o.end(), 4.0f);
  nmoitVariable(in.data(), o.data(), n, vel.data(), 120.0f, 0.5f, -4000, 1);
  for (float s : o) EXPECT_EQ(s, 4.0f);
}

TEST(MoveoutVelocityFunction, LinearBetweenPicksConstantOutside) {
  std::vector<VelocityPick> picks = {{100.0f, 2000.0f}, {300.0f, 3000.0f}};
  auto v = velocityAtSamples(picks, 0.0, 50.0, 10);  // 0, 50, ..., 450 ms
  ASSERT_EQ(v.size(), 10u);
  EXPECT_EQ(v[0], 2000.0f);
  EXPECT_EQ(v[1], 2000.0f);
  EXPECT_EQ(v[2], 2000.0f);  // at the first pick
  EXPECT_EQ(v[3], 2250.0f);
  EXPECT_EQ(v[4], 2500.0f);
  EXPECT_EQ(v[5], 2750.0f);
  EXPECT_EQ(v[6], 3000.0f);  // at the last pick
  EXPECT_EQ(v[9], 3000.0f);
  // A first sample time and a fractional interval.
  auto w = velocityAtSamples(picks, 98.0, 0.5, 9);  // 98 .. 102 ms
  EXPECT_EQ(w[0], 2000.0f);
  EXPECT_EQ(w[4], 2000.0f);
  EXPECT_FLOAT_EQ(w[8], 2010.0f);
}

TEST(MoveoutVelocityFunction, SinglePickNoPicksAndEmptyCount) {
  auto one = velocityAtSamples({{500.0f, 2400.0f}}, 0.0, 4.0, 300);
  ASSERT_EQ(one.size(), 300u);
  for (float v : one) EXPECT_EQ(v, 2400.0f);
  EXPECT_TRUE(velocityAtSamples({}, 0.0, 4.0, 300).empty());
  EXPECT_TRUE(velocityAtSamples({{500.0f, 2400.0f}}, 0.0, 4.0, 0).empty());
}

TEST(MoveoutVelocityFunction, PicksAtEqualTimesMakeAStep) {
  std::vector<VelocityPick> picks = {{100.0f, 2000.0f}, {200.0f, 2500.0f}, {200.0f, 3000.0f}, {300.0f, 3500.0f}};
  auto v = velocityAtSamples(picks, 0.0, 50.0, 8);
  EXPECT_EQ(v[3], 2250.0f);  // 150 ms: towards the first pick at 200
  EXPECT_EQ(v[4], 3000.0f);  // at 200 ms: the last pick there
  EXPECT_EQ(v[5], 3250.0f);
  EXPECT_EQ(v[7], 3500.0f);
  for (float x : v) EXPECT_TRUE(std::isfinite(x));
  // All picks at one time: before it the first, from it on the last.
  auto same = velocityAtSamples({{200.0f, 1800.0f}, {200.0f, 2600.0f}}, 0.0, 100.0, 4);
  EXPECT_EQ(same, (std::vector<float>{1800.0f, 1800.0f, 2600.0f, 2600.0f}));
}

TEST(MoveoutVelocityFunction, PicksOutOfOrderAreSortedFirst) {
  auto a = velocityAtSamples({{300.0f, 3000.0f}, {100.0f, 2000.0f}}, 0.0, 10.0, 40);
  auto b = velocityAtSamples({{100.0f, 2000.0f}, {300.0f, 3000.0f}}, 0.0, 10.0, 40);
  EXPECT_EQ(a, b);
}

TEST(MoveoutVelocityFunction, DrivesTheMoveoutToFlattenAnEvent) {
  // Two events picked at their own velocities: after the time-variant moveout
  // each lies at its zero-offset time on every offset.
  const int n = 500, dt = 4000;
  const double pi = 3.14159265358979323846;
  auto ricker = [pi](double t) {
    double a = pi * 25.0 * t;
    return (1.0 - 2.0 * a * a) * std::exp(-a * a);
  };
  const double t1 = 0.6, v1 = 1800.0, t2 = 1.4, v2 = 2600.0;
  auto vel = velocityAtSamples({{600.0f, 1800.0f}, {1400.0f, 2600.0f}}, 0.0, 4.0, n);
  for (double x : {500.0, 1000.0, 1500.0}) {
    std::vector<float> in(n);
    for (int i = 0; i < n; ++i) {
      double t = i * dt * 1e-6;
      in[static_cast<size_t>(i)] = static_cast<float>(ricker(t - std::sqrt(t1 * t1 + x * x / (v1 * v1))) +
                                                      ricker(t - std::sqrt(t2 * t2 + x * x / (v2 * v2))));
    }
    std::vector<float> out(n);
    nmoitVariable(in.data(), out.data(), n, vel.data(), static_cast<float>(x), 0.9f, dt, 0);
    auto peakNear = [&](int c) {
      int best = c - 10;
      for (int i = c - 10; i <= c + 10; ++i)
        if (out[static_cast<size_t>(i)] > out[static_cast<size_t>(best)]) best = i;
      return best;
    };
    EXPECT_EQ(peakNear(150), 150) << x;
    EXPECT_EQ(peakNear(350), 350) << x;
  }
}
