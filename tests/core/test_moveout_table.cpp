// Moveout tables: built once, applied to many traces, always nmoit's output.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "moveout/core/MoveoutTable.h"
#include "moveout/core/Nmo.h"
#include "support/NmoCases.h"

using namespace tsly;
using namespace tsly::test;

TEST(MoveoutTable, ApplyIsNmoitBitForBit) {
  MoveoutTable t;  // one table rebuilt for every case, as a cache reuses them
  const int cases = forEachNmoCase([&t](const NmoCase& c) {
    const int n = static_cast<int>(c.in.size());
    t.build(c.velocity, c.offset, c.stretch, c.intervalUs, n);
    for (int flag : {0, 1}) {
      std::vector<float> a = outputBase(c.in.size(), flag), b = a;
      nmoit(c.in.data(), a.data(), n, c.velocity, c.offset, c.stretch, c.intervalUs, flag);
      t.apply(c.in.data(), b.data(), flag);
      const int i = firstBitDifference(a, b);
      ASSERT_LT(i, 0) << c.label() << " flag " << flag << " sample " << i << ": nmoit " << a[static_cast<size_t>(i)]
                      << ", table " << b[static_cast<size_t>(i)];
    }
  });
  EXPECT_GT(cases, 10000);
}

TEST(MoveoutTable, WithADelayIsNmoitVariableBitForBit) {
  // First samples at a recording delay (whole and fractional samples, and a
  // negative one): the table gives nmoitVariable's output for one velocity,
  // and its live range is the samples nmoitVariable marks live.
  MoveoutTable t;
  const int cases = forEachNmoCase([&t](const NmoCase& c) {
    if (c.stretch < 0.1f || c.stretch > 0.99f) return;  // the stretch ratios a spectrum takes
    const int n = static_cast<int>(c.in.size());
    for (double delayUs : {200000.0, 123400.0, -40000.0}) {
      t.build(c.velocity, c.offset, c.stretch, c.intervalUs, n, delayUs);
      const std::vector<float> vel(c.in.size(), c.velocity);
      std::vector<float> a = outputBase(c.in.size(), 0), b = a;
      std::vector<std::uint8_t> live(c.in.size(), 7);
      nmoitVariable(c.in.data(), a.data(), n, vel.data(), c.offset, c.stretch, c.intervalUs, 0, delayUs, live.data());
      t.apply(c.in.data(), b.data(), 0);
      const int i = firstBitDifference(a, b);
      ASSERT_LT(i, 0) << c.label() << " delay " << delayUs << " sample " << i;
      for (int k = 0; k < n; ++k)
        ASSERT_EQ(live[static_cast<size_t>(k)] == 1, k >= t.liveBegin() && k < t.liveEnd())
            << c.label() << " delay " << delayUs << " sample " << k;
    }
  });
  EXPECT_GT(cases, 10000);
}

TEST(MoveoutTable, OneTableServesManyTraces) {
  // Built once for an offset, applied to traces of other CDPs: each gives
  // what nmoit gives for it.
  const int n = 1500;
  MoveoutTable t;
  t.build(2400.0f, 1250.0f, 0.5f, 4000, n);
  for (std::uint32_t seed = 1; seed <= 5; ++seed) {
    auto in = fileSamples(n, seed % 2 == 0, seed);
    std::vector<float> a(n), b(n);
    nmoit(in.data(), a.data(), n, 2400.0f, 1250.0f, 0.5f, 4000, 0);
    t.apply(in.data(), b.data(), 0);
    EXPECT_LT(firstBitDifference(a, b), 0) << seed;
  }
}

TEST(MoveoutTable, LiveRangeIsTheUnmutedSamplesInsideTheInput) {
  const int n = 200;
  std::vector<float> in(n, 1.0f), out(n);
  MoveoutTable t;
  // a = 20^2 samples^2, stretch .5: samples 18.. kept (see the nmoit tests);
  // sample i reads sqrt(i^2 + 400) <= 199 up to i = 197.
  t.build(1000.0f, 80.0f, 0.5f, 4000, n);
  EXPECT_EQ(t.liveBegin(), 18);
  EXPECT_EQ(t.liveEnd(), 198);
  t.apply(in.data(), out.data(), 0);
  for (int i = 0; i < n; ++i) EXPECT_EQ(out[static_cast<size_t>(i)] != 0.0f, i >= 18 && i < 198) << i;

  t.build(1000.0f, 0.0f, 0.5f, 4000, n);  // no offset: all live
  EXPECT_EQ(t.liveBegin(), 0);
  EXPECT_EQ(t.liveEnd(), n);
  t.build(0.0f, 80.0f, 0.5f, 4000, n);  // bad velocity: none
  EXPECT_EQ(t.liveBegin(), t.liveEnd());
  t.build(1000.0f, 80.0f, 0.0f, 4000, n);  // no stretch allowed: none
  EXPECT_EQ(t.liveBegin(), t.liveEnd());
  t.build(1000.0f, 4000.0f, 0.99f, 4000, n);  // every sample reads past the end
  EXPECT_EQ(t.liveBegin(), t.liveEnd());
}

TEST(MoveoutTable, AccumulateSumsWhatApplyWrites) {
  const int n = 700;
  auto in1 = fileSamples(n, false, 11), in2 = fileSamples(n, true, 12);
  for (float x : {0.0f, 300.0f, 1700.0f}) {
    MoveoutTable t;
    t.build(1900.0f, x, 0.6f, 4000, n);
    std::vector<float> o1(n), o2(n), sum(n, 0.0f), sq(n, 0.0f);
    t.apply(in1.data(), o1.data(), 0);
    t.apply(in2.data(), o2.data(), 0);
    t.accumulate(in1.data(), sum.data(), sq.data());
    t.accumulate(in2.data(), sum.data(), sq.data());
    for (int i = 0; i < n; ++i) {
      const size_t k = static_cast<size_t>(i);
      EXPECT_EQ(floatBits(sum[k]), floatBits((0.0f + o1[k]) + o2[k])) << x << " " << i;
      EXPECT_EQ(floatBits(sq[k]), floatBits((0.0f + o1[k] * o1[k]) + o2[k] * o2[k])) << x << " " << i;
      if (i < t.liveBegin() || i >= t.liveEnd()) {
        EXPECT_EQ(sum[k], 0.0f);
      }
    }
  }
}

TEST(MoveoutTable, CountsBeyondThePackedRangeAreRefused) {
  MoveoutTable t;
  EXPECT_TRUE(t.build(2000.0f, 500.0f, 0.5f, 4000, 100));
  EXPECT_FALSE(t.build(2000.0f, 500.0f, 0.5f, 4000, MoveoutTable::MaxCount + 1));
  EXPECT_EQ(t.count(), 0);
  EXPECT_EQ(t.liveBegin(), t.liveEnd());
  std::vector<float> in(4, 1.0f), out(4, 3.0f);
  t.apply(in.data(), out.data(), 0);  // moves nothing, touches nothing
  EXPECT_EQ(out, std::vector<float>(4, 3.0f));
  EXPECT_TRUE(t.build(2000.0f, 500.0f, 0.5f, 4000, 0));  // an empty trace is fine
}

TEST(MoveoutTable, PositionJustBelowASampleTakesThatSampleExactly) {
  // Output sample 20 reads input position sqrt(20^2 + a) = 24.999: with a
  // 1/128-sample interpolation table that is row 127.87, which rounds to the
  // next whole sample, so the output is input sample 25 itself. A row cut
  // down to 127 would mix in its neighbours instead.
  const int n = 60;
  const double position = 24.999;
  const float offset = static_cast<float>(4.0 * std::sqrt(position * position - 400.0));  // v * dt = 4 samples
  std::vector<float> in(n);
  for (int i = 0; i < n; ++i) in[static_cast<size_t>(i)] = (i % 2 ? 1.0f : -1.0f) * static_cast<float>(i + 1);
  MoveoutTable t;
  ASSERT_TRUE(t.build(1000.0f, offset, 100.0f, 4000, n));
  ASSERT_LE(t.liveBegin(), 20);
  std::vector<float> fromTable(n, 0.0f), fromNmoit(n, 0.0f);
  t.apply(in.data(), fromTable.data(), 0);
  nmoit(in.data(), fromNmoit.data(), n, 1000.0f, offset, 100.0f, 4000, 0);
  EXPECT_EQ(fromTable[20], in[25]);
  EXPECT_EQ(fromNmoit[20], in[25]);
}
