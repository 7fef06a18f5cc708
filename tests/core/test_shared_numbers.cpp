#include <gtest/gtest.h>

#include <limits>

#include "shared/Numbers.h"
#include "shared/Twips.h"

using namespace tsly;

TEST(SharedNearest, HalvesGoToEven) {
  EXPECT_EQ(nearest(2.5), 2);
  EXPECT_EQ(nearest(3.5), 4);
  EXPECT_EQ(nearest(-2.5), -2);
  EXPECT_EQ(nearest(-3.5), -4);
  EXPECT_EQ(nearest(2500.5), 2500);
  EXPECT_EQ(nearest(2501.5), 2502);
  EXPECT_EQ(nearest(2.4999), 2);
  EXPECT_EQ(nearest(2.5001), 3);
  EXPECT_EQ(nearest(-0.4), 0);
  EXPECT_EQ(nearest(0.5), 0);
  EXPECT_EQ(nearest(1.5), 2);
}

TEST(SharedNearest, LimitedWidthsSaturateInsteadOfWrapping) {
  EXPECT_EQ(nearestI16(40000.0), 32767);
  EXPECT_EQ(nearestI16(-40000.0), -32768);
  EXPECT_EQ(nearestI16(32767.4), 32767);
  EXPECT_FALSE(fitsI16(32767.5));  // 32768 after rounding to even
  EXPECT_TRUE(fitsI16(32766.5));
  EXPECT_EQ(nearestI32(1e12), 2147483647);
  EXPECT_EQ(nearest(std::numeric_limits<double>::quiet_NaN()), 0);
}

TEST(SharedNumberText, DescriptionExamples) {
  EXPECT_EQ(numberText(1001), " 1001");
  EXPECT_EQ(numberText(-3), "-3");
  EXPECT_EQ(numberText(0.5f), " .5");
  EXPECT_EQ(numberText(0.5), " .5");
  EXPECT_EQ(numberText(10.0f), " 10");
  EXPECT_EQ(numberText(-1), "-1");
  EXPECT_EQ(numberText(0), " 0");
  EXPECT_EQ(numberText(1500.0f), " 1500");
  EXPECT_EQ(numberText(-0.25f), "-.25");
}

TEST(SharedNumberText, SignificantDigitsPerWidth) {
  EXPECT_EQ(numberText(0.1f), " .1");           // float 0.1 is not exact: 7 digits hide it
  EXPECT_EQ(numberText(1.0f / 3.0f), " .3333333");
  EXPECT_EQ(numberText(1.0 / 3.0), " .333333333333333");
  EXPECT_EQ(numberText(123456789.0f), " 123456800");
  EXPECT_EQ(numberText(2500.5f), " 2500.5");
  EXPECT_EQ(numberText(0.001f), " .001");
  EXPECT_EQ(numberText(1e-5), " .00001");
  EXPECT_EQ(numberText(-0.0f), " 0");
  EXPECT_EQ(numberText(120.5f), " 120.5");
  EXPECT_EQ(numberText(9.6f), " 9.6");
  EXPECT_EQ(numberText(12.0), " 12");
}

TEST(SharedNumberText, PlainHasNoLeadingBlank) {
  EXPECT_EQ(plainNumberText(0.5f), ".5");
  EXPECT_EQ(plainNumberText(-0.5f), "-.5");
  EXPECT_EQ(plainNumberText(1650), "1650");
  EXPECT_EQ(plainNumberText(-7), "-7");
}

TEST(SharedReadNumber, LeadingNumberOnly) {
  EXPECT_DOUBLE_EQ(readNumber(" 10  trace offset"), 10.0);
  EXPECT_DOUBLE_EQ(readNumber(".5  sampling ratio"), 0.5);
  EXPECT_DOUBLE_EQ(readNumber("-1  graphics save flag"), -1.0);
  EXPECT_DOUBLE_EQ(readNumber("0,5"), 0.0);
  EXPECT_DOUBLE_EQ(readNumber("abc"), 0.0);
  EXPECT_DOUBLE_EQ(readNumber(""), 0.0);
  EXPECT_DOUBLE_EQ(readNumber("  1 2 3"), 123.0);
  EXPECT_DOUBLE_EQ(readNumber("1.2.3"), 1.2);
  EXPECT_DOUBLE_EQ(readNumber("+7x"), 7.0);
  EXPECT_DOUBLE_EQ(readNumber("- 4"), -4.0);
  EXPECT_DOUBLE_EQ(readNumber("1E3"), 1000.0);
  EXPECT_DOUBLE_EQ(readNumber("2.5e-1"), 0.25);
  EXPECT_DOUBLE_EQ(readNumber("3E"), 3.0);
  EXPECT_DOUBLE_EQ(readNumber("3Ex"), 3.0);
  EXPECT_DOUBLE_EQ(readNumber("."), 0.0);
  EXPECT_DOUBLE_EQ(readNumber("-"), 0.0);
  EXPECT_DOUBLE_EQ(readNumber(".99"), 0.99);
}

TEST(SharedReadNumber, RoundTripsNumberText) {
  for (float v : {0.5f, 10.0f, 4.8f, -1.0f, 1440.0f, 0.2f, 12345.67f}) {
    EXPECT_EQ(static_cast<float>(readNumber(numberText(v))), v) << numberText(v);
  }
}

// Found while fuzzing tsly's number texts.
// An exponent written with many leading zeros lost its last digits: "1e00000001"
// read as 1 instead of 10 (the digit limit counted the zeros).
TEST(SharedReadNumber, ExponentLeadingZerosDoNotCountTowardsTheDigitLimit) {
  EXPECT_EQ(readNumber("1e00000001"), 10.0);
  EXPECT_EQ(readNumber("2.5E-0000000003"), 0.0025);
  EXPECT_EQ(readNumber("1 E 0 0 0 0 0 0 0 0 2"), 100.0);
  EXPECT_EQ(readNumber("7e+00000000000"), 7.0);
  EXPECT_EQ(readNumber("7e0"), 7.0);
  // Still limited for overflow: a long exponent is infinite or zero, as it should be.
  EXPECT_EQ(readNumber("1e0000099999999"), std::numeric_limits<double>::infinity());
  EXPECT_EQ(readNumber("1e-0000099999999"), 0.0);
}

TEST(SharedNumbersNeighbours, AroundTheDocumentedExamples) {
  EXPECT_EQ(numberText(1000), " 1000");
  EXPECT_EQ(numberText(1002), " 1002");
  EXPECT_EQ(numberText(-2), "-2");
  EXPECT_EQ(numberText(-4), "-4");
  EXPECT_EQ(numberText(0.49f), " .49");
  EXPECT_EQ(numberText(0.51f), " .51");
  EXPECT_EQ(numberText(1.5f), " 1.5");
  EXPECT_EQ(numberText(-0.5), "-.5");
  EXPECT_EQ(numberText(1234567.0f), " 1234567");
  EXPECT_EQ(numberText(12345678.0f), " 12345680");
  EXPECT_EQ(numberText(123456789012345.0), " 123456789012345");
  EXPECT_EQ(numberText(static_cast<short>(-32768)), "-32768");
  EXPECT_EQ(plainNumberText(static_cast<short>(32767)), "32767");
  EXPECT_EQ(nearest(1.5), 2);
  EXPECT_EQ(nearest(4.5), 4);
  EXPECT_EQ(nearest(-1.5), -2);
  EXPECT_EQ(nearest(2.6), 3);
  EXPECT_DOUBLE_EQ(readNumber("  -.5e1x"), -5.0);
  EXPECT_DOUBLE_EQ(readNumber("1 000"), 1000.0);
  EXPECT_DOUBLE_EQ(readNumber("1e 2"), 100.0);
  EXPECT_DOUBLE_EQ(readNumber("--1"), 0.0);
  EXPECT_DOUBLE_EQ(readNumber("1500 m/s"), 1500.0);
}

TEST(SharedTwips, PixelsAtALogicalDpi) {
  struct Row {
    double twips, dpi;
    int pixels;
  };
  const Row rows[] = {
      {1440, 96, 96},
      {612, 96, 41},   // 40.8
      {372, 96, 25},   // 24.8
      {7.5, 96, 0},    // .5 to the even neighbour
      {22.5, 96, 2},   // 1.5 to 2
      {1440, 120, 120},
  };
  for (const Row& r : rows) EXPECT_EQ(twipsToPixels(r.twips, r.dpi), r.pixels) << r.twips << " at " << r.dpi;
  EXPECT_EQ(pixelsToTwips(96, 96), 1440.0);
  EXPECT_EQ(pixelsToTwips(1, 120), 12.0);
}

// The one number scanner: where the number starting at a position ends; what
// may follow it is each caller's rule (a deck line lets a sign start the next).
TEST(SharedNumberEnd, TakesTheLongestNumberAndNoMore) {
  const struct {
    const char* text;
    std::size_t from, end;
  } rows[] = {{"101-5", 0, 3}, {"101-5", 3, 5}, {"-.5e+3x", 0, 6}, {"5.", 0, 2}, {"1.2.3", 0, 3},
              {"1e", 0, 1},    {"1E-", 0, 1},   {".", 0, 0},       {"+", 0, 0},  {" 7", 0, 0}};
  for (const auto& r : rows) EXPECT_EQ(numberEnd(r.text, r.from), r.end) << r.text << " from " << r.from;
  EXPECT_TRUE(isNumberText(" -1.5E+3 "));
  EXPECT_FALSE(isNumberText("12abc"));
}
