// tsly's command-line number and list parsers: what they accept is usable,
// and what would wrap around or not be a number is refused.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "ArgParse.h"
#include "generation/core/Synth.h"
#include "shared/Numbers.h"

using namespace tsly;
using namespace tsly::cli;

TEST(TslyArgs, IntegerListsKeepTheirValuesOrFail) {
  std::vector<int> v;
  ASSERT_TRUE(parseIntList("100:200:12", ':', v));
  EXPECT_EQ(v, (std::vector<int>{100, 200, 12}));
  ASSERT_TRUE(parseIntList("-5: +7:0", ':', v));
  EXPECT_EQ(v, (std::vector<int>{-5, 7, 0}));
  // Beyond 32 bits: refused rather than wrapped (4294967308 used to become 12).
  EXPECT_FALSE(parseIntList("100:200:4294967308", ':', v));
  EXPECT_FALSE(parseIntList("2147483648:1:1", ':', v));
  EXPECT_TRUE(parseIntList("2147483647:-2147483648:1", ':', v));
  EXPECT_FALSE(parseIntList("99999999999999999999999:1:1", ':', v));
  for (const char* bad : {"", "1::2", "1:2:", "1.5:2:3", "1:2x:3", "x"})
    EXPECT_FALSE(parseIntList(bad, ':', v) && v.size() == 3) << bad;
  EXPECT_FALSE(parseIntList(std::string("1:2:3\0" "9", 7), ':', v));
}

TEST(TslyArgs, NumbersMustBeFinite) {
  double d = 0;
  EXPECT_TRUE(parseFiniteNumber("2500.5", d));
  EXPECT_EQ(d, 2500.5);
  for (const char* bad : {"nan", "NAN", "inf", "-infinity", "1e999", "", "12abc", " "})
    EXPECT_FALSE(parseFiniteNumber(bad, d)) << bad;
}

TEST(TslyArgs, EventListsGiveTracesWithFiniteSamples) {
  std::vector<SynthEvent> ev;
  ASSERT_TRUE(parseEventList("400:1800,900:2200", ev));
  ASSERT_EQ(ev.size(), 2u);
  EXPECT_EQ(ev[1].t0Ms, 900);
  EXPECT_EQ(ev[1].velocity, 2200);
  EXPECT_FALSE(parseEventList("inf:1800", ev));
  EXPECT_FALSE(parseEventList("400:nan", ev));
  EXPECT_FALSE(parseEventList("400", ev));
}

TEST(TslyArgs, NumberTextsOfGenerateReadAsTheirWholeValue) {
  EXPECT_TRUE(isNumberText(" 2500.5 "));
  EXPECT_TRUE(isNumberText("-1.5E+3"));
  EXPECT_FALSE(isNumberText("1e"));
  EXPECT_FALSE(isNumberText("2500,5"));
  EXPECT_FALSE(isNumberText("."));
  EXPECT_EQ(readNumber("-1.5E+3"), -1500.0);
}

// Found by fuzzing `tsly synth --events`: an event time of 1.1e77 ms made the
// wavelet's sample range overflow its integer conversion (undefined behaviour,
// reported by the sanitizer build). Such events now touch no sample.
TEST(TslyArgs, EventsFarBeyondTheTraceTouchNoSample) {
  std::vector<SynthEvent> ev;
  ASSERT_TRUE(parseEventList(std::string(77, '1') + ":80201", ev));
  SynthParams p;
  p.samples = 64;
  p.events = ev;
  ASSERT_EQ(checkSynthParams(p), "");
  std::vector<float> t;
  synthTrace(p, 3000.0, t);
  ASSERT_EQ(t.size(), 64u);
  for (float s : t) EXPECT_EQ(s, 0.0f);
  // Far before time zero is impossible (times are not negative), but a huge
  // offset at a tiny velocity is the same overflow from the other term.
  p.events = {{400, 1e-300, 1000}};
  synthTrace(p, 3000.0, t);
  for (float s : t) EXPECT_EQ(s, 0.0f);
  // An ordinary event still lands where it belongs.
  p.events = {{100, 2000, 1000}};
  synthTrace(p, 0.0, t);
  EXPECT_GT(*std::max_element(t.begin(), t.end()), 900.0f);
}
