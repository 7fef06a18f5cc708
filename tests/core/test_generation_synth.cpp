// The synthetic gather of `tsly synth`: its header words, events and noise, and
// the parameters it refuses.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <vector>

#include "generation/core/Synth.h"
#include "open/core/OpenScan.h"
#include "platform/RawFile.h"
#include "shared/TraceFormat.h"
#include "support/TempDir.h"

using namespace tsly;
using namespace tsly::test;

TEST(GenerationSynth, GatherOpensAsCdpGatherWithItsHeaderWords) {
  TempDir d;
  SynthParams p;
  p.cdps = 3;
  p.offsetCount = 4;
  p.samples = 300;
  ASSERT_EQ(writeSynthGather(d.file("g.dat"), p), "");
  EXPECT_EQ(static_cast<std::int64_t>(readFile(d.file("g.dat")).size()), synthFileBytes(p));
  AppState st;
  st.DataFileName = d.file("g.dat");
  auto r = openScan(st);
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(r.dataType, 1);
  EXPECT_EQ(st.TraceCount, 12);
  EXPECT_EQ(st.MinKey, 1001);
  EXPECT_EQ(st.MaxKey, 1003);
  EXPECT_EQ(st.NumSamples, 300);
  EXPECT_EQ(st.SampleInterval, 4000);
  int h = rawOpen(d.file("g.dat"), RawAccess::ReadOnly);
  HeaderArray w{};
  std::vector<float> s;
  std::vector<unsigned char> scratch;
  ASSERT_EQ(readTraceAt(h, st.TraceDirectory[6].FilePos, w, s, scratch), TraceReadStatus::Ok);
  rawClose(h);
  EXPECT_EQ(w[WordDataType], 1);
  EXPECT_EQ(w[WordLabelWord], 12);
  EXPECT_EQ(w[WordCdp], 1002);
  EXPECT_EQ(w[WordSecondaryKey], 2);
  EXPECT_EQ(w[WordTraceCode], 1);
  EXPECT_EQ(w[WordOffset], 300);  // 100 + 200 * 1
  EXPECT_EQ(w[WordOffsetScalar], 1);
  EXPECT_EQ(w[WordNumSamples], 300);
  EXPECT_EQ(w[WordSampleInterval], 4000);
  EXPECT_EQ(w[WordSampleFormat], FloatFormatMarker);
  // The first event (400 ms at 1800) peaks at its moveout time.
  double t = std::sqrt(0.4 * 0.4 + 300.0 * 300.0 / (1800.0 * 1800.0));
  size_t peak = 0;
  for (size_t i = 0; i < 150; ++i)
    if (s[i] > s[peak]) peak = i;
  EXPECT_NEAR(peak * 0.004, t, 0.004);
  EXPECT_GT(s[peak], 900.0f);
}

TEST(GenerationSynth, NoiseIsRepeatableBySeedAndIntegerSamplesWork) {
  TempDir d;
  SynthParams p;
  p.cdps = 2;
  p.noise = 0.1;
  p.seed = 5;
  ASSERT_EQ(writeSynthGather(d.file("a.dat"), p), "");
  ASSERT_EQ(writeSynthGather(d.file("b.dat"), p), "");
  p.seed = 6;
  ASSERT_EQ(writeSynthGather(d.file("c.dat"), p), "");
  EXPECT_EQ(readFile(d.file("a.dat")), readFile(d.file("b.dat")));
  EXPECT_NE(readFile(d.file("a.dat")), readFile(d.file("c.dat")));
  p.int16 = true;
  p.noise = 0;
  ASSERT_EQ(writeSynthGather(d.file("i.dat"), p), "");
  EXPECT_EQ(static_cast<std::int64_t>(readFile(d.file("i.dat")).size()), synthFileBytes(p));
  AppState st;
  st.DataFileName = d.file("i.dat");
  ASSERT_TRUE(openScan(st).ok());
  EXPECT_EQ(st.TraceDirectory[1].BytesPerSample, 2);
  EXPECT_GT(st.MaxAmplitude, 900.0f);
}

TEST(GenerationSynth, BadParametersAreRefusedAndWriteNothing) {
  TempDir d;
  SynthParams p;
  p.samples = 0;
  EXPECT_NE(writeSynthGather(d.file("x.dat"), p), "");
  p = SynthParams{};
  p.firstCdp = 32760;
  EXPECT_NE(checkSynthParams(p), "");
  p = SynthParams{};
  p.offsetStep = 5000;
  EXPECT_NE(checkSynthParams(p), "");
  p = SynthParams{};
  p.events = {{100, 0, 1}};
  EXPECT_NE(checkSynthParams(p), "");
  EXPECT_FALSE(std::filesystem::exists(d.file("x.dat")));
  p = SynthParams{};
  EXPECT_NE(writeSynthGather(d.file("no/dir/x.dat"), p), "");
}
