// Number reading faults found while fuzzing tsly's number texts.
#include <gtest/gtest.h>

#include <limits>

#include "shared/Numbers.h"

using namespace tsly;

// An exponent written with many leading zeros lost its last digits: "1e00000001"
// read as 1 instead of 10 (the digit limit counted the zeros).
TEST(NumbersFuzzed, ExponentLeadingZerosDoNotCountTowardsTheDigitLimit) {
  EXPECT_EQ(readNumber("1e00000001"), 10.0);
  EXPECT_EQ(readNumber("2.5E-0000000003"), 0.0025);
  EXPECT_EQ(readNumber("1 E 0 0 0 0 0 0 0 0 2"), 100.0);
  EXPECT_EQ(readNumber("7e+00000000000"), 7.0);
  EXPECT_EQ(readNumber("7e0"), 7.0);
  // Still limited for overflow: a long exponent is infinite or zero, as it should be.
  EXPECT_EQ(readNumber("1e0000099999999"), std::numeric_limits<double>::infinity());
  EXPECT_EQ(readNumber("1e-0000099999999"), 0.0);
}
