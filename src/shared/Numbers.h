// Number conversions used everywhere a number meets text or an integer.
//
// Rules, stated once:
//  - nearest(v): a real to the nearest integer, exact halves to the even
//    neighbour (2.5 -> 2, 3.5 -> 4, -2.5 -> -2). Every real-to-integer
//    conversion in the program goes through it.
//  - numberText(v): a blank for v >= 0 or a minus sign, then the shortest plain
//    decimal (no exponent, no leading zero before the point, no trailing zeros):
//    1001 -> " 1001", -3 -> "-3", 0.5 -> " .5". At most 7 significant digits for
//    float values and 15 for double values.
//  - plainNumberText(v): the same without the leading blank.
//  - readNumber(text): the leading number of a text. Blanks are skipped wherever
//    they stand; an optional sign, digits, at most one decimal point and an
//    optional exponent (E, optional sign, digits). Reading stops at the first other
//    character; a text that does not start with a number reads as 0.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tsly {

// Nearest integer, halves to even. Values beyond the int64 range saturate; NaN gives 0.
std::int64_t nearest(double v);

// nearest(v) limited to the 16-bit signed range (no wrap-around).
std::int16_t nearestI16(double v);
// nearest(v) limited to the 32-bit signed range (no wrap-around).
std::int32_t nearestI32(double v);
// True when nearest(v) fits in 16 bits.
bool fitsI16(double v);

std::string numberText(float v);
std::string numberText(double v);
std::string numberText(int v);
std::string numberText(long v);
std::string numberText(long long v);
std::string numberText(short v);

std::string plainNumberText(float v);
std::string plainNumberText(double v);
std::string plainNumberText(int v);
std::string plainNumberText(long v);
std::string plainNumberText(long long v);
std::string plainNumberText(short v);

// The leading number of a text (see above). Double precision.
double readNumber(std::string_view text);

// The one number scanner: where the number that starts at text[from] ends. A
// number is an optional sign, digits with at most one point (at least one
// digit), and an optional exponent (E or e, an optional sign, digits), taken
// only when its digits follow. `from` itself when no number starts there.
// What may stand around a number is the caller's rule.
std::size_t numberEnd(std::string_view text, std::size_t from = 0);

// True when the whole text is one number (numberEnd) with blanks around it and
// nothing else. Its value is then readNumber(text). Boxes, options and file
// fields that must refuse "12abc" rather than read it as 12 check with this first.
bool isNumberText(std::string_view text);

}  // namespace tsly
